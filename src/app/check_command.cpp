#include "app/check_command.h"

#include <algorithm>

#include "app/run_args.h"
#include "base/shown_name.h"
#include "app/session.h"
#include "batch/backups.h"
#include "batch/discovery.h"
#include "batch/pipeline.h"
#include "batch/render_verify.h"
#include "diff/unified_diff.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

/// A check shows nothing of the run itself: no protocol, status or progress.
class QuietHost : public RunHost {};

struct CheckedFile {
  std::string Path;   // full path, for reading
  std::string Shown;  // as named on the command line, for the output
};

/// What the files of a check came to.
struct CheckTally {
  int Checked = 0;  // files processed
  int Changed = 0;
  int Failed = 0;
  int ByEditorConfig = 0;  // files whose .editorconfig decided how they are written
  int Differing = 0;       // --verify: results that could render differently
};

/// `full` below the tree root `fullRoot` as seen from the root as the user named it.
std::string ShownInTree(const std::string& userRoot, const std::string& fullRoot,
                        const std::string& full) {
  std::string_view rel(full);
  rel.remove_prefix(std::min(rel.size(), WithTrailingSeparator(fullRoot).size()));
  const fs::path shown = fs::path(userRoot) / rel;
  // Through a link, ".." is where the link leads, not what the text says: such a name is
  // kept as it was typed, so that it still names the same file.
  const bool upward = std::any_of(shown.begin(), shown.end(), [](const fs::path& p) { return p == ".."; });
  return (upward ? shown : shown.lexically_normal()).string();
}

// The files of the selection, as an in-place run would pick them.
std::vector<CheckedFile> ListFiles(const RunArgs& a, const SelectionSource& source,
                                   CheckTally& tally, FilterIo& io) {
  std::vector<CheckedFile> files;
  if (source.What == SelectionSource::Kind::Tree) {
    std::vector<std::string> found;
    ScanDirectory(source.Paths.front(), a.types, a.validate, found, [&](const ScanEvent& e) {
      if (e.What == ScanEvent::Kind::Unreadable) {
        ++tally.Failed;
        io.WriteStderr("tessel-html: not searched: " + ShownName(e.Path) + ": " +
                       std::string(e.Error) + "\n");
      }
      return true;
    });
    for (std::string& path : found) {
      std::string shown = ShownInTree(a.paths.front(), source.Paths.front(), path);
      files.push_back({std::move(path), std::move(shown)});
    }
    return files;
  }
  for (size_t i = 0; i < source.Paths.size(); ++i) {
    // One file was accepted when the selection was made; of several, the others are left
    // out as an in-place run leaves them out.
    if (source.Paths.size() == 1 || IsValidHtmlFile(source.Paths[i], a.validate, false)) {
      files.push_back({source.Paths[i], a.paths[i]});
    }
  }
  return files;
}

std::string LineEndNote(const CheckedFile& file, size_t lines, LineEnd eol) {
  return "Line ends: " + std::to_string(lines) + " line" + (lines == 1 ? "" : "s") + " of " +
         ShownName(file.Shown) + " differ only in their line end (the result ends every line with " +
         std::string(LineEndName(eol)) + ")\n";
}

// Tells the change of one file: its path (--check) or its diff (--diff).
bool ReportChange(RunAction action, const CheckedFile& file, std::string_view disk,
                  std::string_view result, LineEnd eol, FilterIo& io) {
  // One name a line: a name with a line break in it is quoted, as the diff quotes it.
  if (action == RunAction::Check) return io.WriteStdout(ShownName(file.Shown) + "\n");
  UnifiedDiffResult diff = MakeUnifiedDiff(disk, result, file.Shown);
  if (diff.LineEndOnlyChanges > 0) {
    diff.Text.insert(0, LineEndNote(file, diff.LineEndOnlyChanges, eol));
  }
  return io.WriteStdout(diff.Text);
}

// --verify: a line on standard error when the result could render differently. Only a
// result that differs from the page can, so the exit status is 1 already.
void VerifyFile(std::string_view disk, std::string_view result, const CheckedFile& file,
                CheckTally& tally, FilterIo& io) {
  const std::optional<RenderDifference> found = FirstRenderDifference(disk, result);
  if (!found) return;
  ++tally.Differing;
  io.WriteStderr("tessel-html: " + ShownName(file.Shown) + " " + RenderNote(*found) + "\n");
}

void CheckFile(FilePipeline& pipeline, const RunArgs& a, const CheckedFile& file,
               CheckTally& tally, FilterIo& io) {
  auto failed = [&](const std::string& why) {
    ++tally.Failed;
    io.WriteStderr("tessel-html: not checked: " + ShownName(file.Shown) + ": " + why + "\n");
  };
  ProcessOutcome outcome;
  if (!pipeline.ProcessFile(file.Path, &outcome)) return failed(outcome.Message);
  ++tally.Checked;
  // The exact bytes read: a file that differs only in its line ends would be rewritten.
  const std::string& disk = pipeline.page().Bytes;
  const std::string& result = pipeline.Result();
  if (!pipeline.Conventions().EditorConfigNote().empty()) ++tally.ByEditorConfig;
  if (result == disk) return;
  ++tally.Changed;
  if (a.verify) VerifyFile(disk, result, file, tally, io);
  if (!ReportChange(a.action, file, disk, result, pipeline.engine().OutputLineEnd, io)) {
    failed("cannot write to standard output");
  }
}

int ExitStatus(const CheckTally& tally) {
  if (tally.Failed > 0) return kExitUsage;
  return tally.Changed > 0 ? kExitFailed : kExitOk;
}

}  // namespace

bool IsCheckCommand(const std::vector<std::string>& args) {
  return std::any_of(args.begin(), args.end(),
                     [](const std::string& a) { return a == "--check" || a == "--diff"; });
}

int RunCheckCommand(const std::vector<std::string>& args, const fs::path& programDir,
                    FilterIo& io) {
  RunArgs a;
  SelectionSource source;
  std::string err;
  if (!ParseRunArgs(args, a, &err) || !CheckRunPaths(a, &err) ||
      !MakeRunSelection(a, source, &err)) {
    io.WriteStderr("tessel-html: " + err + "\n");
    return kExitUsage;
  }
  QuietHost host;
  Session session(programDir, host);
  if (!LoadRunData(a, session, io)) return kExitUsage;
  // Read afresh as a run would, just before the files are processed.
  if (session.StyleLoaded() && !session.ReloadStyle(&err)) {
    io.WriteStderr("tessel-html: the style cannot be loaded: " + err + "\n");
    return kExitUsage;
  }

  CheckTally tally;
  const std::vector<CheckedFile> files = ListFiles(a, source, tally, io);
  if (files.empty()) {
    io.WriteStderr("tessel-html: no accepted HTML files found\n");
    return kExitUsage;
  }
  session.State().ProcessMode = a.mode;
  session.State().Conventions = a.conventions;
  FilePipeline& pipeline = session.Pipeline();
  pipeline.WriteScratchFiles = false;  // a check writes nothing at all
  pipeline.FreeSpaceOf = nullptr;  // nothing is written, so a full disk does not matter
  for (const CheckedFile& file : files) CheckFile(pipeline, a, file, tally, io);
  if (tally.ByEditorConfig > 0) {
    io.WriteStderr("tessel-html: an .editorconfig decided the line ends or the indentation of " +
                   std::to_string(tally.ByEditorConfig) + " of the files\n");
  }
  if (a.verify) {
    io.WriteStderr("tessel-html: " + std::to_string(tally.Differing) + " of " +
                   std::to_string(tally.Checked) + " files could render differently\n");
  }
  return ExitStatus(tally);
}

}  // namespace tessel
