#include "batch/run_message.h"

namespace tessel {
namespace {

const char* Caption(ProcessKind mode) {
  switch (mode) {
    case ProcessKind::Format:
      return "Format";
    case ProcessKind::Compress:
      return "Compress";
    case ProcessKind::Restore:
      return "Restore";
    case ProcessKind::Trim:
      return "Trim";
    case ProcessKind::None:
      break;
  }
  return "";
}

const char* Verb(ProcessKind mode) {
  switch (mode) {
    case ProcessKind::Format:
      return " formatted ";
    case ProcessKind::Compress:
      return " compressed ";
    case ProcessKind::Restore:
      return " processed ";
    case ProcessKind::Trim:
      return " trimmed ";
    case ProcessKind::None:
      break;
  }
  return " ";
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

constexpr const char* kBatchWarning = "******  WARNING: ******\r\nNo Backup Files will be created!";

}  // namespace

RunMessage MakeMsg(const RunState& state, const std::string& siblingBackup, bool backupExists,
                   const std::string& nextBackupDir) {
  RunMessage msg{Caption(state.ProcessMode), ""};
  const std::string verb = Verb(state.ProcessMode);
  std::string& t = msg.Text;
  if (state.SelectionMode == SelectionKind::SingleFile) {
    t = "\r\nThe current file will be" + verb + "now.\r\n\r\nNote: following files will be " +
        "overwritten:\r\nSOURCE:  " + Quoted(state.FileName) + "\r\n";
    if (!state.DoCreateBackUps) {
      t += "\r\n ******** WARNING: *********\r\n  No Backup File will be created!";
    } else if (!backupExists) {
      t += "\r\nBackup will be saved first time:\r\n" + Quoted(siblingBackup);
    } else {
      t += "BACKUP:  " + Quoted(siblingBackup);
    }
    return msg;
  }
  if (state.SelectionMode == SelectionKind::Tree && state.ProcessMode == ProcessKind::Restore) {
    t = "\r\nThe tree " + Quoted(state.SourceDir) + " will be restored now from its backup:\r\n" +
        Quoted(state.BackupFileName) + "\r\n\r\nEvery file of the backup is copied back;\r\n" +
        "files made since are left alone.\r\n\r\nBackup enabled.\r\n" +
        "The files it overwrites will be copied to:\r\n" + Quoted(nextBackupDir);
    return msg;
  }
  t = "\r\n" + std::to_string(state.FileList.size()) + " files will be" + verb + "now.\r\n\r\n";
  if (state.SelectionMode == SelectionKind::PickedFiles &&
      state.ProcessMode == ProcessKind::Restore) {
    t += "HTML-Files without a corresponding\r\nBackup File will be skipped.\r\n\r\n"
         "Note: Restore doesn't generate new Backup Files!";
  } else if (!state.DoCreateBackUps) {
    t += kBatchWarning;
  } else if (state.SelectionMode == SelectionKind::Tree) {
    t += "Backup enabled.\r\nSource Files will be copied to:\r\n" + Quoted(nextBackupDir);
  } else {
    t += "Backup Files will be created.\r\n\r\nExisting Backups will be overwritten.";
  }
  return msg;
}

}  // namespace tessel
