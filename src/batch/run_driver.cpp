#include "batch/run_driver.h"

#include <ctime>
#include <filesystem>

#include "base/shown_name.h"
#include "batch/backups.h"
#include "batch/discovery.h"
#include "batch/render_verify.h"
#include "io/directory_chain.h"
#include "io/safe_replace.h"

namespace tessel {
namespace {

constexpr std::string_view kStars = "********************************";
constexpr std::string_view kUserBreakQuestion =
    "Tessel HTML - USER BREAK:\r\n Stop processing files?";
constexpr std::string_view kReportName = "report.txt";

std::string DirectoryOf(const std::string& path) {
  return WithTrailingSeparator(std::filesystem::path(path).parent_path().string());
}

std::string SizeInK(const std::string& path) {
  return std::to_string(GetFileSize(path) / 1000) + "K";
}

// A page left unwritten because its result could render differently is no fault: the run
// did what it was asked.
void CountNotDone(const FileResult& result, RunSummary& summary) {
  switch (result.Outcome.Fault) {
    case FileFault::RendersDifferently:
      return;
    case FileFault::NoBackup:
      ++summary.Skipped;
      return;
    default:
      ++summary.Ignored;
  }
}

void CountVerified(const FileResult& result, RunSummary& summary) {
  if (!result.Verified) return;
  ++summary.Verified;
  if (!result.Rendering) return;
  ++summary.Differing;
  if (result.Outcome.Fault == FileFault::RendersDifferently) ++summary.Withheld;
}

}  // namespace

std::string ProtocolDateTime() {
  std::time_t t = std::time(nullptr);
  std::tm parts{};
  localtime_r(&t, &parts);
  char buf[64];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &parts);
  return buf;
}

RunDriver::RunDriver(RunState& state, Style& style, const TrimTagList& trimList, RunHost& host,
                     std::function<bool(std::string*)> reloadStyle)
    : Now(ProtocolDateTime),
      state_(state),
      host_(host),
      pipeline_(state, style, trimList, host),
      reloadStyle_(std::move(reloadStyle)) {}

void RunDriver::Add(std::string_view text) { AddProtocolLine(state_, host_, text); }

void RunDriver::PrepareProtocol(bool showPage) {
  state_.Protokoll.Prepare();
  state_.FileList.clear();
  state_.NotSearched = 0;
  host_.ProtocolCleared(state_.Protokoll.Text(), showPage);
}

SelectionKind RunDriver::Select(const SelectionSource& source) {
  if (source.Paths.empty()) return SelectionKind::None;
  if (source.What == SelectionSource::Kind::Tree) return SelectTree(source.Paths.front());
  if (source.What == SelectionSource::Kind::PickedFiles && source.Paths.size() > 1) {
    return SelectPickedFiles(source.Paths);
  }
  return SelectSingleFile(source.Paths.front());
}

SelectionKind RunDriver::SelectSingleFile(const std::string& path, bool remember) {
  if (!host_.LoadEditor(path)) return SelectionKind::None;  // nothing changes
  PrepareProtocol(/*showPage=*/false);  // a single file shows the editor, not the protocol
  state_.FileName = path;
  state_.SourceDir = DirectoryOf(path);
  if (remember) host_.RememberPath("Multi", state_.SourceDir);
  return state_.SelectionMode = SelectionKind::SingleFile;
}

SelectionKind RunDriver::SelectPickedFiles(const std::vector<std::string>& picked) {
  PrepareProtocol(/*showPage=*/true);
  host_.ShowStatus("Checking HTML-Files: please wait ...");
  std::vector<std::string> paths;
  // The mode is not chosen yet: a link at a file's name is left to the run, which refuses
  // it (a restore must not follow it, see RunSingleFile).
  for (const std::string& path : picked) paths.push_back(ResolvedFilePath(path, false));
  if (!paths.empty()) state_.SourceDir = DirectoryOf(paths.front());
  std::string lines;
  for (const std::string& path : paths) {
    if (!IsValidHtmlFile(path, state_.DoValidate, state_.CmdLineMode != CmdLineKind::None)) {
      continue;
    }
    state_.FileList.push_back(path);
    lines += "--> " + ShownName(path) + "\t" + SizeInK(path);
    std::string backup = SiblingBackupPath(state_, path);
    std::error_code ec;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(backup, ec))) {
      lines += "  (Backup found: " + ShownName(backup) + ")";
    }
    lines += "\r\n";
  }
  if (!lines.empty()) Add(lines.substr(0, lines.size() - 2));
  return FinishSelection(SelectionKind::PickedFiles);
}

SelectionKind RunDriver::SelectTree(const std::string& dir) {
  BeginTreeSelection();
  const TreeScan scan = ScanTree(dir);
  return AcceptTree(scan, scan.Files);
}

void RunDriver::BeginTreeSelection() {
  PrepareProtocol(/*showPage=*/true);
  host_.ShowStatus("Searching for HTML-Files: please wait ...");
}

TreeScanRequest RunDriver::ScanRequest(const std::string& dir) const {
  return {dir, state_.FilterIndex, state_.DoValidate};
}

TreeScan RunDriver::ScanTree(const std::string& dir, const CancelToken* stop) const {
  return tessel::ScanTree(ScanRequest(dir), stop);
}

TreeScan ScanTree(const TreeScanRequest& request, const CancelToken* stop) {
  const std::string& dir = request.Dir;
  TreeScan scan;
  std::string err;
  // Resolved once: the scan, the run, its backups and its protocol all use this path.
  if (!ResolvePath(dir, &scan.Dir, &err)) {
    scan.Dir = dir;
    scan.NotSearched.push_back(ShownName(dir) + ": " + err);
    return scan;
  }
  if (scan.Dir == "/") {
    scan.NotSearched.push_back("/: the root of the file system is no tree to process");
    return scan;
  }
  scan.Stopped = !ScanDirectory(
      scan.Dir, request.FilterIndex, request.Validate, scan.Files, [&](const ScanEvent& event) {
        if (event.What == ScanEvent::Kind::Unreadable) {
          scan.NotSearched.push_back(ShownName(event.Path) + ": " + std::string(event.Error));
        }
        return stop == nullptr || !stop->Cancelled();
      });
  return scan;
}

SelectionKind RunDriver::AcceptTree(const TreeScan& scan, const std::vector<std::string>& chosen) {
  for (const std::string& dir : scan.NotSearched) Add("--> not searched: " + dir);
  state_.NotSearched = int(scan.NotSearched.size());
  state_.FileList = chosen;
  std::string lines;
  for (const std::string& path : state_.FileList) {
    lines += "-->  " + ShownName(path) + "\t" + SizeInK(path) + "\r\n";
  }
  if (!lines.empty()) Add(lines.substr(0, lines.size() - 2));
  if (!state_.FileList.empty()) state_.SourceDir = WithTrailingSeparator(scan.Dir);
  return FinishSelection(SelectionKind::Tree);
}

SelectionKind RunDriver::FinishSelection(SelectionKind kind) {
  if (state_.FileList.empty()) {
    host_.ShowStatus("No valid HTML-Files found ...");
    return SelectionKind::None;
  }
  host_.ShowStatus(std::to_string(state_.FileList.size()) + " files selected");
  Add("\r\nNow check your options.\r\nThen press <Format>, <Compress>, <Trim> or <Restore> to "
      "process.");
  if (kind == SelectionKind::PickedFiles) host_.RememberPath("Multi", state_.SourceDir);
  return state_.SelectionMode = kind;
}

RunSummary RunDriver::Run(CancelToken* userBreak) {
  RunSummary summary;
  const bool treeRestore =
      state_.SelectionMode == SelectionKind::Tree && state_.ProcessMode == ProcessKind::Restore;
  bool nothing = state_.SelectionMode == SelectionKind::None ||
                 (state_.SelectionMode == SelectionKind::SingleFile && state_.FileName.empty()) ||
                 (treeRestore && state_.SourceDir.empty()) ||
                 (state_.SelectionMode != SelectionKind::SingleFile && !treeRestore &&
                  state_.FileList.empty());
  if (nothing) {
    host_.ShowMessage(MessageKind::Plain, "Tessel HTML:\r\nNo Files selected, nothing to do ...!");
    summary.Cancelled = true;
    return summary;
  }
  state_.TotalBytesBefore = state_.TotalBytesAfter = 0;
  std::string err;
  if (reloadStyle_ && !reloadStyle_(&err)) {
    summary.Aborted = true;
    summary.Error = "The style cannot be loaded: " + err;
    host_.ShowMessage(MessageKind::Error, summary.Error);
    return summary;
  }
  userBreak_ = userBreak;
  if (userBreak_) userBreak_->Reset();  // a break asked for before the run is no break of it
  summary = state_.SelectionMode == SelectionKind::SingleFile ? RunSingleFile()
            : treeRestore                                     ? RunTreeRestore()
                                                              : RunBatch();
  pipeline_.CloseDirectories();
  backupDirs_.Clear();
  userBreak_ = nullptr;
  return summary;
}

RunSummary RunDriver::RunSingleFile() {
  RunSummary summary;
  pipeline_.WriteScratchFiles = true;
  if (state_.CmdLineMode != CmdLineKind::Automatic && !host_.ConfirmRun(state_)) {
    summary.Cancelled = true;
    return summary;
  }
  // Resolved once for this run; the file as the user named it stays the selection. A link
  // at its name is followed, except by a restore: the backup beside a link is no backup
  // of the file the link points to, so a restore refuses the link instead.
  const std::string named = state_.FileName;
  const std::string path = ResolvedFilePath(named, state_.ProcessMode != ProcessKind::Restore);
  const FileResult result = ProcessOne(path, nullptr);
  state_.FileName = named;
  CountVerified(result, summary);
  switch (result.What) {
    case FileResult::End::Done:
      ++summary.Processed;
      host_.ShowResult(pipeline_.LastResult());
      if (result.Rendering) {
        const std::string note = RenderNote(*result.Rendering);
        summary.RenderNote = "==> " + ShownName(path) + "   -  written; it " + note;
        host_.AppendStatus("  (" + note + ")");
      }
      if (const std::string note = pipeline_.Conventions().EditorConfigNote(); !note.empty()) {
        host_.AppendStatus("  (" + note + ")");
      }
      if (state_.ProcessMode == ProcessKind::Compress) {
        host_.AppendStatus("  Size: " + SizeStats(result.Before, result.After));
      }
      return summary;
    case FileResult::End::DiskFull:
      summary.Aborted = true;
      summary.Error = result.Outcome.Message;
      break;
    case FileResult::End::NotDone:
    case FileResult::End::Stopped:
      CountNotDone(result, summary);
      summary.Error = FailedFileLine(path, result.Outcome);
      break;
  }
  host_.ShowMessage(MessageKind::Error, summary.Error);
  return summary;
}

bool RunDriver::UserBreakConfirmed() {
  if (userBreak_ == nullptr || !userBreak_->Cancelled()) return false;
  if (host_.AskYesNo(kUserBreakQuestion)) return true;
  userBreak_->Reset();
  return false;
}

FileResult RunDriver::ProcessOne(const std::string& path, const std::function<bool()>& stopHere) {
  FileResult result;
  state_.FileName = path;
  if (!pipeline_.LoadFile(path, &result.Outcome)) {
    if (result.Outcome.Fault == FileFault::DiskFull) result.What = FileResult::End::DiskFull;
    return result;
  }
  const bool restore = state_.ProcessMode == ProcessKind::Restore;
  const LoadedFile& page = pipeline_.page();
  std::string err;
  bool linked = false;
  // Never process a file without its backup. The backup holds exactly the bytes read.
  if (state_.DoCreateBackUps && !restore &&
      !MakeBackup(state_, page, backupDirs_, &err, &linked)) {
    result.Outcome = {FileFault::BackupFailed, err};
    return result;
  }
  // A page that is not rewritten keeps its data; a backup linked to it must become a copy.
  auto keepBackupApart = [&] {
    std::string detachErr;
    if (linked && !DetachBackup(state_, page, backupDirs_, &detachErr)) {
      Add("--> ERROR: the backup " + ShownName(state_.BackupFileName) + " is still a hard link to " +
          ShownName(path) + ", not a copy of its own: " + detachErr);
    }
  };
  bool done = pipeline_.RunStage(&result.Outcome);
  if (stopHere && stopHere()) {
    keepBackupApart();
    result.What = FileResult::End::Stopped;
    return result;
  }
  result.Before = result.After = restore ? GetFileSize(path) : int64_t(page.Status.st_size);
  if (done && !restore && !VerifyResult(result)) done = false;
  if (done && !restore && !pipeline_.WriteResult(&result.Outcome, &result.After)) done = false;
  if (!done) {
    keepBackupApart();
    return result;
  }
  result.What = FileResult::End::Done;
  return result;
}

RunSummary RunDriver::BackupDirFailed(const std::string& err) {
  if (err == kTooManyBackupDirs) host_.ShowMessage(MessageKind::Error, err);
  Add("--> ERROR: Creating backup directory failed ...");
  Add("--> aborted ...");
  RunSummary summary;
  summary.Aborted = summary.BackupDirFailed = true;
  summary.Error = err;
  return summary;
}

// With the rendering check on, compares the result with the page. False when the page is to
// be left as it was.
bool RunDriver::VerifyResult(FileResult& result) {
  // The status line keeps the engine's last word ("Formatted and saved: ...").
  if (state_.Verify == VerifyKind::Off) return true;
  result.Verified = true;
  result.Rendering = FirstRenderDifference(pipeline_.page().Bytes, pipeline_.Result());
  if (!result.Rendering || state_.Verify == VerifyKind::Mark) return true;
  result.Outcome = {FileFault::RendersDifferently, "it " + RenderNote(*result.Rendering)};
  return false;
}

// One file of a batch run. False when the run has to end here.
bool RunDriver::RunOneOfBatch(const std::string& path, RunSummary& summary) {
  host_.ShowStatus("Processing: " + ShownName(path));
  const FileResult result = ProcessOne(path, [this] { return UserBreakConfirmed(); });
  CountVerified(result, summary);
  switch (result.What) {
    case FileResult::End::Done:
      ++summary.Processed;
      LogFileResult(state_, host_, result.Before, result.After, true);
      if (const std::string note = pipeline_.Conventions().EditorConfigNote(); !note.empty()) {
        Add("    " + note);
      }
      if (result.Rendering) Add("    " + RenderNote(*result.Rendering));
      return true;
    case FileResult::End::NotDone:
      CountNotDone(result, summary);
      Add(FailedFileLine(path, result.Outcome));
      return true;
    case FileResult::End::DiskFull:
      summary.Aborted = true;
      summary.Error = result.Outcome.Message;
      Add("\r\n==> aborted: " + result.Outcome.Message);
      host_.ShowMessage(MessageKind::Error, result.Outcome.Message);
      return false;
    case FileResult::End::Stopped:
      Add("\r\n==> aborted: USER BREAK ...");
      summary.Stopped = true;
      return false;
  }
  return true;
}

RunSummary RunDriver::RunBatch() {
  RunSummary summary;
  const bool tree = state_.SelectionMode == SelectionKind::Tree;
  if (!host_.ConfirmRun(state_)) {
    Add("--> canceled ...");
    summary.Cancelled = true;
    return summary;
  }
  const bool backups = state_.DoCreateBackUps && state_.ProcessMode != ProcessKind::Restore;
  if (tree) {
    std::string err;
    state_.BackupDir.clear();  // a run without backups has none of its own
    if (backups && !CreateBackupDir(state_, &err)) return BackupDirFailed(err);
    backupDirs_.TrustUpTo(state_.BackupDir);
  }
  const size_t count = state_.FileList.size();
  host_.InitProgress(ProgressBar::All, static_cast<int64_t>(count) - 1);
  Add("\r\n" + std::string(kStars) + "\r\n");
  if (tree) {
    Add("Source-Directory: " + ShownName(state_.SourceDir));
    Add("Backup-Directory: " +
        (state_.BackupDir.empty() ? std::string("none made (backups are off)")
                                  : ShownName(state_.BackupDir)) +
        "\r\n");
  }
  Add("--> Started: " + Now());
  for (size_t i = 0; i < count; ++i) {
    pipeline_.WriteScratchFiles = i + 1 == count;
    if (!RunOneOfBatch(state_.FileList[i], summary)) return summary;
    host_.SetProgress(ProgressBar::All, static_cast<int64_t>(i));
  }
  host_.SetProgress(ProgressBar::All, 0);
  if (summary.Ignored > 0) Add("\r\n==> " + std::to_string(summary.Ignored) + " files ignored.");
  // What the scan could not see was not processed either: the run is not complete.
  summary.NotSearched = tree ? state_.NotSearched : 0;
  if (summary.NotSearched > 0) {
    Add(std::string(summary.Ignored > 0 ? "" : "\r\n") + "==> " +
        std::to_string(summary.NotSearched) + " folders or files could not be searched.");
  }
  AddVerifyTotals(summary);
  Add("--> Finished: " + Now());
  if (state_.ProcessMode == ProcessKind::Compress) {
    Add("\r\nOverall compressing performance: " +
        SizeStats(state_.TotalBytesBefore, state_.TotalBytesAfter));
  }
  Add("\r\nJob done...");
  SaveReport(tree && !state_.BackupDir.empty() ? state_.BackupDir : state_.ProgramDir);
  return summary;
}

void RunDriver::AddVerifyTotals(const RunSummary& summary) {
  if (state_.Verify == VerifyKind::Off) return;
  const bool first = summary.Ignored == 0 && summary.NotSearched == 0;
  std::string line = std::string(first ? "\r\n" : "") + "==> " + std::to_string(summary.Differing) +
                     " of " + std::to_string(summary.Verified) + " files could render differently";
  if (summary.Withheld > 0) {
    line += ": left unchanged.";
  } else {
    line += summary.Differing > 0 ? " (marked above)." : ".";
  }
  Add(line);
}

bool RunDriver::WriteReport(const std::string& dir, const std::string& path, std::string* err) {
  if (dir != state_.BackupDir) return WriteOwnFile(path, state_.Protokoll.Text(), err);
  // The tree's backup directory is opened as its backups were: never through a link.
  const int handle = backupDirs_.Open(dir, err);
  ReplaceOptions options;
  options.ReplaceLink = true;
  return handle >= 0 &&
         ReplaceFileAt({handle, std::string(kReportName), path}, state_.Protokoll.Text(), options, err);
}

void RunDriver::SaveReport(const std::string& dir) {
  const std::string path = WithTrailingSeparator(dir) + std::string(kReportName);
  std::string err;
  if (WriteReport(dir, path, &err)) {
    Add("Report saved ==> " + ShownName(path));
  } else {
    Add("--> ERROR: the report was not saved: " + err);
  }
}

}  // namespace tessel
