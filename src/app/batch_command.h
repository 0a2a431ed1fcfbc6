// Headless runs that change files: the in-place batch command and the automatic command
// line ("-FAB page.htm"). Neither creates a window or asks anything.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/filter_command.h"
#include "batch/run_state.h"

namespace tessel {

/// Prints the protocol to standard output as it is written, and the status line and a
/// progress bar to standard error when that is a terminal. Confirms every run.
class ConsoleHost : public RunHost {
 public:
  ConsoleHost(FilterIo& io, bool interactive) : io_(io), interactive_(interactive) {}
  void ProtocolAdded(std::string_view text) override;
  void ShowStatus(std::string_view text) override;
  void InitProgress(ProgressBar bar, int64_t maximum) override;
  void SetProgress(ProgressBar bar, int64_t position) override;
  void ShowMessage(MessageKind kind, std::string_view text) override;
  bool ConfirmRun(RunState&) override { return true; }
  bool AskYesNo(std::string_view) override { return false; }
  /// Ends the progress line so that what follows starts on a line of its own.
  void Finish();

 private:
  void Redraw();

  FilterIo& io_;
  bool interactive_;
  std::string status_;
  int64_t total_ = 0;
  int64_t done_ = -1;
  bool drawn_ = false;
};

/// True when `args` ask for an in-place run (they hold "--in-place").
bool IsInPlaceCommand(const std::vector<std::string>& args);

/// tessel-html --format|--compress|--trim|--restore --in-place [--style NAME|DIR]
///   [--no-backup] [--types N] [--validate] PATH...
/// tessel-html --restore --in-place [--from BACKUP] DIR
/// Exit status 0 when every file was done, 1 when one failed or the run was stopped, 2 for a
/// bad command line, no valid style, a backup directory that cannot be made, or (restoring
/// a tree) no backup to restore from or one that does not mirror the tree.
int RunInPlaceCommand(const std::vector<std::string>& args, const std::filesystem::path& programDir,
                      FilterIo& io, bool interactive);

/// The command line of an option word and a file ("-FAB page.htm"). With "A" the run is
/// automatic: it processes the file and ends, 0 when the file was processed. Without "A"
/// the file would open in the window.
int RunCommandLine(const std::vector<std::string>& args, const std::filesystem::path& programDir,
                   FilterIo& io);

}  // namespace tessel
