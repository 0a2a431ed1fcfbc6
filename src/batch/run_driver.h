// Turns a selection into a run: confirmation, backups, the per-file pipeline, results
// written back, user break, the protocol and "report.txt".
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "batch/pipeline.h"
#include "batch/run_state.h"

namespace tessel {

/// How a run ended, for the caller's status line or exit code.
struct RunSummary {
  int Processed = 0;             // files processed (or restored) and written
  int Ignored = 0;               // files left unchanged by a fault: gone, unreadable, NUL byte,
                                 // backup, restore or write failed
  int Skipped = 0;               // restore without a backup: left alone, not a fault
  bool Cancelled = false;        // nothing selected, or the confirmation was declined
  bool Stopped = false;          // the user stopped the run between files
  bool Aborted = false;          // the run could not start or had to end (backup directory,
                                 // full disk); Error says why
  bool BackupDirFailed = false;  // the tree run's backup directory could not be made
  std::string Error;
};

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
  SelectionKind ShowFileSelection(const SelectionSource& source);

  /// A single file (command line or dropped file): it becomes the selection.
  SelectionKind SelectSingleFile(const std::string& path);
  /// Picked files: the accepted ones become FileList, with a protocol line each.
  SelectionKind SelectPickedFiles(const std::vector<std::string>& paths);
  /// Every accepted file below `dir` (by state.FilterIndex) becomes FileList.
  SelectionKind SelectTree(const std::string& dir);

  /// Runs state.ProcessMode over the current selection.
  RunSummary LetsGo();

  FilePipeline& pipeline() { return pipeline_; }

  /// The date and time written into the protocol; tests replace it.
  std::function<std::string()> Now;

 private:
  SelectionKind FinishSelection(SelectionKind kind);
  void Add(std::string_view text);
  void PrepareProtocol();
  RunSummary RunSingleFile();
  RunSummary RunBatch();
  bool ProcessOne(const std::string& path, RunSummary& summary);
  void SaveReport(const std::string& dir);

  RunState& state_;
  RunHost& host_;
  FilePipeline pipeline_;
  std::function<bool(std::string*)> reloadStyle_;
};

/// The local date and time as the protocol shows them.
std::string ProtocolDateTime();

}  // namespace tessel
