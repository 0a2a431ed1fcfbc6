#include "batch/run_message.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

struct MsgCase {
  ProcessKind mode;
  SelectionKind selection;
  bool backups;
  bool backupExists;
  std::string caption;
  std::string text;
};

TEST(MakeMsgTest, EveryModeSelectionAndBackupSetting) {
  const std::string single =
      "\r\nThe current file will be formatted now.\r\n\r\nNote: following files will be "
      "overwritten:\r\nSOURCE:  \"/w/a.htm\"\r\n";
  const MsgCase cases[] = {
      {ProcessKind::Format, SelectionKind::SingleFile, true, false, "Format",
       single + "\r\nBackup will be saved first time:\r\n\"/w/a.htm.pbak\""},
      {ProcessKind::Format, SelectionKind::SingleFile, true, true, "Format",
       single + "BACKUP:  \"/w/a.htm.pbak\""},
      {ProcessKind::Format, SelectionKind::SingleFile, false, true, "Format",
       single + "\r\n ******** WARNING: *********\r\n  No Backup File will be created!"},
      {ProcessKind::Compress, SelectionKind::PickedFiles, true, false, "Compress",
       "\r\n2 files will be compressed now.\r\n\r\nBackup Files will be created.\r\n\r\n"
       "Existing Backups will be overwritten."},
      {ProcessKind::Restore, SelectionKind::PickedFiles, true, false, "Restore",
       "\r\n2 files will be processed now.\r\n\r\nHTML-Files without a corresponding\r\n"
       "Backup File will be skipped.\r\n\r\nNote: Restore doesn't generate new Backup Files!"},
      {ProcessKind::Trim, SelectionKind::PickedFiles, false, false, "Trim",
       "\r\n2 files will be trimmed now.\r\n\r\n******  WARNING: ******\r\n"
       "No Backup Files will be created!"},
      {ProcessKind::Format, SelectionKind::Tree, true, false, "Format",
       "\r\n2 files will be formatted now.\r\n\r\nBackup enabled.\r\nSource Files will be "
       "copied to:\r\n\"/w_BAK01/\""},
      {ProcessKind::Format, SelectionKind::Tree, false, false, "Format",
       "\r\n2 files will be formatted now.\r\n\r\n******  WARNING: ******\r\n"
       "No Backup Files will be created!"},
  };
  for (const MsgCase& c : cases) {
    RunState state;
    state.ProcessMode = c.mode;
    state.SelectionMode = c.selection;
    state.DoCreateBackUps = c.backups;
    state.FileName = "/w/a.htm";
    state.FileList = {"/w/a.htm", "/w/b.htm"};
    RunMessage msg = MakeMsg(state, "/w/a.htm.pbak", c.backupExists, "/w_BAK01/");
    EXPECT_EQ(msg.Caption, c.caption);
    EXPECT_EQ(msg.Text, c.text) << c.caption;
  }
}

}  // namespace
}  // namespace tessel
