// The run driver's restore of a whole tree from one of its numbered backups.
#include "base/shown_name.h"
#include "batch/backups.h"
#include "batch/run_driver.h"
#include "batch/tree_restore.h"
#include "io/directory_chain.h"

namespace tessel {
namespace {

constexpr std::string_view kStars = "********************************";

std::string PageLine(const std::string& page, const RestoredPage& result,
                     const std::string& backup) {
  const std::string path = ShownName(page);
  switch (result.What) {
    case RestoredPage::End::Restored:
      if (result.Created) return "==> " + path + "   -  RESTORED (it was not there)";
      return "==> " + path + "   -  RESTORED   ==> Backup: " + ShownName(backup);
    case RestoredPage::End::Unchanged:
      return "==> " + path + "   -  unchanged: it is as in the backup";
    default:
      return FailedFileLine(page, result.Outcome);
  }
}

}  // namespace

SelectionKind RunDriver::SelectTreeToRestore(const std::string& dir) {
  PrepareProtocol(/*showPage=*/true);
  std::string resolved, err;
  if (!ResolvePath(dir, &resolved, &err) || resolved == "/") {
    Add("--> not searched: " + ShownName(dir) + ": " +
        (err.empty() ? "the root of the file system is no tree to process" : err));
    host_.ShowStatus("No valid HTML-Files found ...");
    return SelectionKind::None;
  }
  state_.SourceDir = WithTrailingSeparator(resolved);
  Add("--> Tree to restore: " + ShownName(state_.SourceDir));
  return state_.SelectionMode = SelectionKind::Tree;
}

RunSummary RunDriver::RunTreeRestore() {
  RunSummary summary;
  TreeRestore restore(state_.SourceDir);
  std::string err;
  if (!restore.ChooseSource(RestoreFrom, &err) || !restore.ReadSource(&err)) {
    Add("--> ERROR: " + err);
    Add("--> aborted ...");
    host_.ShowMessage(MessageKind::Error, err);
    summary.Aborted = summary.BackupRefused = true;
    summary.Error = err;
    return summary;
  }
  state_.BackupFileName = restore.Source();  // what the confirmation names
  if (!host_.ConfirmRun(state_)) {
    Add("--> canceled ...");
    summary.Cancelled = true;
    return summary;
  }
  // Always backed up, whatever DoCreateBackUps says: the restore is undone from there.
  if (!CreateBackupDir(state_, &err, restore.OwnBackupNumber())) return BackupDirFailed(err);
  backupDirs_.TrustUpTo(state_.BackupDir);
  const std::vector<std::string>& files = restore.Files();
  host_.InitProgress(ProgressBar::All, static_cast<int64_t>(files.size()) - 1);
  Add("\r\n" + std::string(kStars) + "\r\n");
  Add("Source-Directory: " + ShownName(state_.SourceDir));
  Add("Restore from: " + ShownName(restore.Source()));
  Add("Backup-Directory: " + ShownName(state_.BackupDir) + "\r\n");
  Add("--> Started: " + Now());
  for (size_t i = 0; i < files.size(); ++i) {
    if (UserBreakConfirmed()) {
      Add("\r\n==> aborted: USER BREAK ...");
      summary.Stopped = true;
      return summary;
    }
    const std::string page = state_.SourceDir + files[i];
    state_.FileName = page;
    host_.ShowStatus("Processing: " + ShownName(page));
    const RestoredPage result =
        restore.RestorePage(files[i], state_, backupDirs_, pipeline_.FreeSpaceOf);
    if (result.What == RestoredPage::End::DiskFull) {
      summary.Aborted = true;
      summary.Error = result.Outcome.Message;
      Add("\r\n==> aborted: " + result.Outcome.Message);
      host_.ShowMessage(MessageKind::Error, result.Outcome.Message);
      return summary;
    }
    Add(PageLine(page, result, state_.BackupFileName));
    switch (result.What) {
      case RestoredPage::End::Restored:
        ++summary.Processed;
        break;
      case RestoredPage::End::Unchanged:
        ++summary.Skipped;
        break;
      default:
        ++summary.Ignored;
    }
    host_.SetProgress(ProgressBar::All, static_cast<int64_t>(i));
  }
  host_.SetProgress(ProgressBar::All, 0);
  // Not the last "Processing: ..." left standing, as if the run had not ended.
  host_.ShowStatus("Restored from " + ShownName(restore.Source()) + ": " +
                   std::to_string(summary.Processed) + " restored, " +
                   std::to_string(summary.Skipped) + " unchanged");
  if (summary.Ignored > 0) Add("\r\n==> " + std::to_string(summary.Ignored) + " files ignored.");
  Add("--> Finished: " + Now());
  Add("\r\nJob done...");
  SaveReport(state_.BackupDir);
  return summary;
}

}  // namespace tessel
