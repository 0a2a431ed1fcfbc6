#include "app/check_command.h"

#include <algorithm>

#include "app/change_preview.h"
#include "app/run_args.h"
#include "app/session.h"
#include "base/shown_name.h"
#include "batch/backups.h"
#include "batch/discovery.h"
#include "batch/render_verify.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

using CheckedFile = PreviewTarget;  // Shown: as named on the command line

/// What the files of a check came to.
struct CheckTally {
  int Checked = 0;  // files processed
  int Changed = 0;
  int Differing = 0;  // --verify: results that could render differently
  int Failed = 0;
  int ByEditorConfig = 0;  // files whose .editorconfig decided how they are written
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

// --verify: a line on standard error when the result could render differently. Only a
// result that differs from the page can, so the exit status is 1 already.
void VerifyFile(std::string_view disk, std::string_view result, const CheckedFile& file,
                CheckTally& tally, FilterIo& io) {
  const std::optional<RenderDifference> found = FirstRenderDifference(disk, result);
  if (!found) return;
  ++tally.Differing;
  io.WriteStderr("tessel-html: " + ShownName(file.Shown) + " " + RenderNote(*found) + "\n");
}

void CheckFile(ChangePreview& preview, const RunArgs& a, const CheckedFile& file,
               CheckTally& tally, FilterIo& io) {
  auto failed = [&](const std::string& why) {
    ++tally.Failed;
    io.WriteStderr("tessel-html: not checked: " + ShownName(file.Shown) + ": " + why + "\n");
  };
  const bool diff = a.action == RunAction::Diff;
  const bool bytes = diff || a.verify;
  std::string disk, result;
  const PreviewResult r =
      preview.Preview(file.Path, bytes ? &disk : nullptr, bytes ? &result : nullptr);
  if (r.What == PreviewResult::Kind::Failed) return failed(r.Error);
  ++tally.Checked;
  if (r.ByEditorConfig) ++tally.ByEditorConfig;
  if (r.What == PreviewResult::Kind::Unchanged) return;
  ++tally.Changed;
  if (a.verify) VerifyFile(disk, result, file, tally, io);
  // One name a line: a name with a line break in it is quoted, as the diff quotes it.
  const bool written = diff ? io.WriteStdout(PreviewDiffText(disk, result, file.Shown, r.OutputLineEnd))
                            : io.WriteStdout(ShownName(file.Shown) + "\n");
  if (!written) failed("cannot write to standard output");
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
  RunHost quiet;  // a check shows nothing of the run itself
  Session session(programDir, quiet);
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
  ChangePreview preview(a.mode, session.ActiveStyle(), session.TrimList(), a.conventions);
  for (const CheckedFile& file : files) CheckFile(preview, a, file, tally, io);
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
