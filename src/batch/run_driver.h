// Turns a selection into a run: confirmation, backups, the per-file pipeline, results
// written back, user break, the protocol and "report.txt".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/cancel_token.h"
#include "batch/pipeline.h"
#include "batch/run_state.h"
#include "render_check/render_check.h"

namespace tessel {

/// How a run ended, for the caller's status line or exit code.
struct RunSummary {
  int Processed = 0;             // files processed (or restored) and written
  int Ignored = 0;               // files left unchanged by a fault: gone, unreadable, NUL byte,
                                 // backup, restore or write failed
  int Skipped = 0;               // restore without a backup: left alone, not a fault
  int NotSearched = 0;           // tree runs: directories or files the scan could not see, so
                                 // the run did not see the whole tree (a fault too)
  bool Cancelled = false;        // nothing selected, or the confirmation was declined
  bool Stopped = false;          // the user stopped the run between files
  bool Aborted = false;          // the run could not start or had to end (backup directory,
                                 // full disk); Error says why
  bool BackupDirFailed = false;  // the tree run's backup directory could not be made
  bool BackupRefused = false;    // a tree restore found no backup to restore from, or one
                                 // that does not mirror the tree; nothing was written
  std::string Error;
  // With state.Verify on:
  int Verified = 0;   // results compared with their pages
  int Differing = 0;  // of those, results that could render differently or not be verified
  int Withheld = 0;   // of those, pages left as they were (VerifyKind::Withhold)
  std::string RenderNote;  // a single file's: "==> PATH   -  written; it could render ..."
};

/// What a tree scan found, before the user chooses among the files.
struct TreeScan {
  std::string Dir;                       // the tree's root, resolved (no links, "." or "..")
  std::vector<std::string> Files;        // every accepted file, depth first
  std::vector<std::string> NotSearched;  // "path: reason" of directories that could not be read
  bool Stopped = false;                  // the user stopped the scan (Esc)
};

/// What became of one file of a run.
struct FileResult {
  enum class End {
    Done,     // processed (or restored) and written
    NotDone,  // left unchanged; Outcome says why
    DiskFull, // too little free space: the run must end (Outcome.Message is the text to show)
    Stopped,  // the user stopped the run before the result was written
  };
  End What = End::NotDone;
  ProcessOutcome Outcome;
  int64_t Before = 0;  // the file's size before, and after it was written
  int64_t After = 0;
  bool Verified = false;  // the result was compared with the page
  std::optional<RenderDifference> Rendering;  // how it could render differently
};

/// What a tree scan needs, taken from the run state: the scan may run on another thread.
struct TreeScanRequest {
  std::string Dir;
  int FilterIndex = 0;  // the file type
  bool Validate = false;  // DoValidate
};

/// The accepted files below request.Dir, found without writing anything; `stop` (if given)
/// ends the scan early. The directory is resolved once here, and the file system's root is
/// refused.
TreeScan ScanTree(const TreeScanRequest& request, const CancelToken* stop = nullptr);

/// Where a selection comes from: a file named on the command line (or dropped), files
/// picked in the file dialog, or the directory chosen in the tree dialog.
struct SelectionSource {
  enum class Kind { CommandLineFile, PickedFiles, Tree } What;
  std::vector<std::string> Paths;  // the file(s), or the tree's directory
};

class RunDriver {
 public:
  /// `reloadStyle` loads the active style afresh from its files before every run.
  RunDriver(RunState& state, Style& style, const TrimTagList& trimList, RunHost& host,
            std::function<bool(std::string* err)> reloadStyle);

  /// Makes the selection from `source`; None when nothing was selected. One picked file
  /// is a single-file selection, not a batch of one.
  SelectionKind Select(const SelectionSource& source);

  /// A single file (command line or dropped file): it becomes the selection. With
  /// `remember`, its directory is remembered for the file dialog.
  SelectionKind SelectSingleFile(const std::string& path, bool remember = true);
  /// Picked files: the accepted ones become FileList, with a protocol line each. Each path's
  /// directory is resolved once here (ResolvedFilePath); the run uses exactly that, and
  /// refuses a file that is a symbolic link.
  SelectionKind SelectPickedFiles(const std::vector<std::string>& paths);
  /// Every accepted file below `dir` (by state.FilterIndex) becomes FileList, each listed
  /// in the protocol: BeginTreeSelection, ScanTree and AcceptTree with all files found.
  SelectionKind SelectTree(const std::string& dir);

  /// A tree selection in steps, for a window that lets the user choose among the files
  /// found. First: the protocol page starts afresh and the status line says that the
  /// search is on.
  void BeginTreeSelection();
  /// Then: the accepted files below `dir` (by state.FilterIndex and DoValidate), as the
  /// free ScanTree finds them.
  TreeScan ScanTree(const std::string& dir, const CancelToken* stop = nullptr) const;
  /// What ScanTree of `dir` needs, to scan off the window's thread.
  TreeScanRequest ScanRequest(const std::string& dir) const;
  /// Last: `chosen` (the files of `scan` the user kept, in their order) becomes FileList
  /// with a "-->  " protocol line each, after a line for each directory or file that could
  /// not be read, which also makes the run's NotSearched. None when nothing was chosen.
  SelectionKind AcceptTree(const TreeScan& scan, const std::vector<std::string>& chosen);

  /// The tree `dir` as the selection of a restore from its backup, without a scan: the
  /// backup decides which files are restored, and a tree that lost every page can still be
  /// restored. `dir` is resolved once here; None for the file system's root or a path
  /// that cannot be resolved.
  SelectionKind SelectTreeToRestore(const std::string& dir);

  /// Runs state.ProcessMode over the current selection. Restore over a tree selection puts
  /// the whole tree back to a numbered backup (RestoreFrom, else its newest): it refuses a
  /// backup that does not mirror the tree, sets state.BackupFileName to the backup before
  /// it asks (ConfirmRun), and backs up every page it overwrites into a new numbered backup
  /// directory, one above every backup there is, so that a restore from the newest backup
  /// undoes it. The report goes there. `userBreak` (if given) is the user's request to
  /// stop, looked at between files; it is withdrawn at the start.
  RunSummary Run(CancelToken* userBreak = nullptr);

  /// The backup directory a tree restore restores from; empty: the tree's newest backup.
  std::string RestoreFrom;

  FilePipeline& pipeline() { return pipeline_; }

  /// The date and time written into the protocol; tests replace it.
  std::function<std::string()> Now;

 private:
  SelectionKind FinishSelection(SelectionKind kind);
  void Add(std::string_view text);
  void PrepareProtocol(bool showPage);
  RunSummary RunSingleFile();
  RunSummary RunBatch();
  RunSummary RunTreeRestore();
  /// The run ends here: its backup directory could not be made (`err` says why).
  RunSummary BackupDirFailed(const std::string& err);
  FileResult ProcessOne(const std::string& path, const std::function<bool()>& stopHere);
  bool VerifyResult(FileResult& result);
  void AddVerifyTotals(const RunSummary& summary);
  bool RunOneOfBatch(const std::string& path, RunSummary& summary);
  bool UserBreakConfirmed();
  void SaveReport(const std::string& dir);
  bool WriteReport(const std::string& dir, const std::string& path, std::string* err);

  RunState& state_;
  RunHost& host_;
  FilePipeline pipeline_;
  DirectoryChain backupDirs_;  // the tree run's backup directory and its folders
  std::function<bool(std::string*)> reloadStyle_;
  CancelToken* userBreak_ = nullptr;  // of the run under way
};

/// The local date and time as the protocol shows them.
std::string ProtocolDateTime();

}  // namespace tessel
