// A tree run, then the restore of the whole tree from its numbered backup.
#include "batch/tree_restore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "batch/backups.h"
#include "batch/run_driver.h"
#include "batch/run_message.h"
#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::Snapshot;
using testing::TempDir;
using testing::WriteFile;

struct RestoreHost : RunHost {
  bool confirm = true;
  std::string confirmedFrom;  // state.BackupFileName when the confirmation was asked
  bool stop = false;  // the answer to the user-break question
  std::function<void()> onConfirm;
  std::string status;  // the status line as the run left it
  bool AskYesNo(std::string_view) override { return stop; }
  void ShowStatus(std::string_view text) override { status = text; }
  bool ConfirmRun(RunState& state) override {
    confirmedFrom = state.BackupFileName;
    if (onConfirm) onConfirm();
    return confirm;
  }
};

mode_t ModeOf(const fs::path& path) {
  struct stat st;
  lstat(path.c_str(), &st);
  return st.st_mode & 07777;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

/// The files below `dir`, as Snapshot gives them: folders change their times as files are
/// renamed into them.
std::map<std::string, std::string> Files(const fs::path& dir) {
  auto files = Snapshot(dir);
  std::erase_if(files, [](const auto& entry) { return fs::is_directory(entry.first); });
  return files;
}

class TreeRestoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state.ProgramDir = (tmp / "prog").string() + "/";
    fs::create_directories(tmp / "prog");
    for (const auto& [rel, mode] : kPages) {
      WriteFile(site / rel, "<p>" + std::string(rel) + "</p>\n");
      chmod((site / rel).c_str(), mode);
    }
    style.Tags.TagCount = 1;
    style.Tags.Entry(1).TagOpen = "<P>";
    style.Tags.Entry(1).TagClose = "</P>";
    style.Tags.Entry(1).TagNumber = 1;
    before = Snapshot(site);
    driver.Now = [] { return std::string("NOW"); };
    ASSERT_EQ(driver.SelectTree(site.string()), SelectionKind::Tree);
    state.ProcessMode = ProcessKind::Format;
    ASSERT_EQ(driver.Run().Processed, 3);
    ASSERT_NE(ReadFile(site / "a.htm"), "<p>a.htm</p>\n");
  }

  RunSummary Restore(const std::string& from = "") {
    state.ProcessMode = ProcessKind::Restore;
    driver.RestoreFrom = from;
    return driver.Run(&userBreak);
  }

  fs::path Bak(int n) const { return tmp / ("site_BAK0" + std::to_string(n)); }

  static constexpr std::pair<const char*, mode_t> kPages[] = {
      {"a.htm", 0640}, {"sub/b.htm", 0600}, {"sub/deep/c.htm", 0755}};
  TempDir tmp;
  fs::path site = tmp / "site";
  CancelToken userBreak;
  RunState state;
  Style style;
  TrimTagList trim;
  RestoreHost host;
  RunDriver driver{state, style, trim, host, nullptr};
  std::map<std::string, std::string> before;
};

TEST_F(TreeRestoreTest, PutsEveryPageBackAfterBackingUpWhatItOverwritesAndCanBeUndone) {
  // After the run: a page edited, a folder with its page deleted, new files made.
  WriteFile(site / "sub" / "b.htm", "edited");
  fs::remove_all(site / "sub" / "deep");
  WriteFile(site / "new.htm", "new");
  WriteFile(site / "sub" / "new.htm", "new too");
  WriteFile(site / "report.txt", "the site's own");
  chmod((site / "a.htm").c_str(), 0666);  // the mode the backup kept comes back
  const std::string formattedA = ReadFile(site / "a.htm");

  ASSERT_EQ(Restore().Processed, 3);
  EXPECT_EQ(host.confirmedFrom, Bak(0).string() + "/");
  for (const auto& [rel, mode] : kPages) {
    EXPECT_EQ(Snapshot(site)[(site / rel).string()], before[(site / rel).string()]) << rel;
  }
  // Files made since are left alone, and only what was overwritten went to the new backup.
  EXPECT_EQ(ReadFile(site / "sub" / "new.htm") + ReadFile(site / "report.txt"),
            "new toothe site's own");
  EXPECT_EQ(ReadFile(Bak(1) / "sub" / "b.htm"), "edited");
  EXPECT_EQ(ReadFile(Bak(1) / "a.htm"), formattedA);
  EXPECT_EQ(ModeOf(Bak(1) / "a.htm"), 0666u);
  EXPECT_FALSE(fs::exists(Bak(1) / "sub" / "deep") || fs::exists(Bak(1) / "new.htm"));
  const auto& lines = state.Protokoll.Lines();
  const std::string a = (site / "a.htm").string(), c = (site / "sub/deep/c.htm").string();
  EXPECT_TRUE(Has(lines, "==> " + a + "   -  RESTORED   ==> Backup: " + (Bak(1) / "a.htm").string()));
  EXPECT_TRUE(Has(lines, "==> " + c + "   -  RESTORED (it was not there)"));

  // The restore's own backup is now the newest: restoring from it undoes the restore.
  const auto restored = Files(site);
  EXPECT_EQ(Restore().Processed, 2);  // c.htm was not there before: it stays
  EXPECT_EQ(ReadFile(site / "a.htm"), formattedA);
  EXPECT_EQ(ReadFile(site / "sub" / "b.htm"), "edited");
  EXPECT_EQ(Restore(Bak(2).string()).Processed, 2);
  EXPECT_EQ(Files(site), restored);
  // Restoring what is already there writes nothing and backs nothing up.
  EXPECT_EQ(Restore(Bak(0).string()).Skipped, 3);
  EXPECT_EQ(host.status, "Restored from " + Bak(0).string() + "/: 0 restored, 3 unchanged");
  EXPECT_EQ(Files(site), restored);
  EXPECT_FALSE(fs::exists(Bak(4) / "a.htm"));
}

// A backup that does not mirror the tree is refused before anything is written, and no
// link in either is followed.
TEST_F(TreeRestoreTest, RefusesABackupThatDoesNotMirrorTheTree) {
  const fs::path outside = tmp / "outside";
  WriteFile(outside / "sub" / "b.htm", "outside");
  struct Case {
    const char* what;
    std::function<void()> change;
    const char* says;
  } cases[] = {
      {"a folder in the tree where the backup has a file",
       [&] {
         fs::remove(site / "a.htm");
         fs::create_directory(site / "a.htm");
       },
       "a.htm is a file in the backup but a folder in the tree"},
      {"a file in the tree where the backup has a folder",
       [&] {
         fs::remove_all(site / "sub");
         WriteFile(site / "sub", "x");
       },
       "sub is a folder in the backup but a file in the tree"},
      {"a link in the tree for a folder",
       [&] {
         fs::rename(site / "sub", tmp / "moved");
         fs::create_directory_symlink(outside / "sub", site / "sub");
       },
       "sub is a folder in the backup but a symbolic link in the tree"},
      {"a link in the tree for a page",
       [&] {
         fs::remove(site / "a.htm");
         fs::create_symlink(outside / "sub" / "b.htm", site / "a.htm");
       },
       "a.htm is a file in the backup but a symbolic link in the tree"},
      {"a link in the backup",
       [&] { fs::create_symlink(outside / "sub" / "b.htm", Bak(0) / "sub" / "x.htm"); },
       "sub/x.htm is a symbolic link in the backup"},
      {"a folder link in the backup",
       [&] {
         fs::remove_all(Bak(0) / "sub");
         fs::create_directory_symlink(outside / "sub", Bak(0) / "sub");
       },
       "sub is a symbolic link in the backup"},
      {"a pipe in the backup", [&] { mkfifo((Bak(0) / "p.htm").c_str(), 0600); },
       "p.htm is neither a file nor a folder in the backup"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(site);
    fs::remove_all(tmp / "moved");
    fs::remove_all(Bak(0));
    fs::create_directories(Bak(0) / "sub" / "deep");
    for (const auto& [rel, mode] : kPages) {
      WriteFile(site / rel, "now");
      WriteFile(Bak(0) / rel, "kept");
    }
    c.change();
    host.confirmedFrom.clear();
    const auto tree = Snapshot(tmp.path());
    const RunSummary s = Restore();
    EXPECT_TRUE(s.BackupRefused);
    EXPECT_NE(s.Error.find(c.says), std::string::npos) << s.Error;
    EXPECT_EQ(Snapshot(tmp.path()), tree);
    EXPECT_TRUE(host.confirmedFrom.empty()) << "asked to confirm a refused restore";
  }
}

// What is checked page by page, as the restore goes: a page that turned into a link, or
// became read-only, after the backup was found to mirror the tree is left alone.
TEST_F(TreeRestoreTest, LeavesAPageAloneThatChangedIntoALinkOrBecameReadOnly) {
  const fs::path outside = tmp / "outside.htm";
  WriteFile(outside, "outside");
  WriteFile(site / "sub" / "b.htm", "now read-only");
  chmod((site / "sub" / "b.htm").c_str(), 0444);
  host.onConfirm = [&] {
    fs::remove(site / "a.htm");
    fs::create_symlink(outside, site / "a.htm");
  };
  const RunSummary s = Restore();
  EXPECT_EQ(s.Processed, 1);  // c.htm
  EXPECT_EQ(s.Ignored, 2);
  EXPECT_EQ(ReadFile(outside), "outside");
  EXPECT_TRUE(fs::is_symlink(site / "a.htm"));
  EXPECT_EQ(ReadFile(site / "sub" / "b.htm"), "now read-only");
  // Nothing that was left alone is in the backup as a hard link to the page.
  struct stat st;
  ASSERT_EQ(stat((Bak(1) / "sub" / "b.htm").c_str(), &st), 0);
  EXPECT_EQ(st.st_nlink, 1u);
  EXPECT_EQ(ReadFile(Bak(1) / "sub" / "b.htm"), "now read-only");
  EXPECT_FALSE(fs::exists(fs::symlink_status(Bak(1) / "a.htm")));
  EXPECT_TRUE(Has(state.Protokoll.Lines(),
                  "==> " + (site / "a.htm").string() + "   -  restore failed, file left unchanged: \"" +
                      (site / "a.htm").string() + "\" is a symbolic link, which is not followed"));
}

TEST_F(TreeRestoreTest, ChoosesTheNewestRealBackupOrTheOneNamedBesideTheTree) {
  fs::create_directories(Bak(3));
  fs::create_directory_symlink(Bak(0), tmp / "site_BAK07");  // a link is no backup
  fs::create_directories(tmp / "other" / "site_BAK01");
  TreeRestore restore(site.string());
  std::string err;
  ASSERT_TRUE(restore.ChooseSource("", &err)) << err;
  EXPECT_EQ(restore.Source(), Bak(3).string() + "/");
  EXPECT_EQ(restore.OwnBackupNumber(), 4);
  struct Case {
    std::string from;
    int number;  // -1: refused
  } cases[] = {
      {Bak(0).string(), 0},
      {Bak(0).string() + "/", 0},
      {(site / ".." / "site_BAK03").string(), 3},
      {(tmp / "site_BAK07").string(), 0},  // named through a link: the backup it leads to
      {(tmp / "other" / "site_BAK01").string(), -1},
      {site.string(), -1},
      {(tmp / "site_BAK3").string(), -1},
      {(tmp / "site_BAK09").string(), -1},  // not there
      {(Bak(0) / "a.htm").string(), -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(restore.ChooseSource(c.from, &err), c.number >= 0) << c.from;
    EXPECT_EQ(restore.SourceNumber(), c.number) << c.from;
  }
  // The confirmation names both directories.
  state.ProcessMode = ProcessKind::Restore;
  state.BackupFileName = Bak(3).string() + "/";
  const RunMessage msg = MakeMsg(state, "", false, NextRestoreBackupDir(state));
  EXPECT_NE(msg.Text.find("\"" + Bak(3).string() + "/\""), std::string::npos) << msg.Text;
  EXPECT_NE(msg.Text.find("\"" + (tmp / "site_BAK04/").string() + "\""), std::string::npos)
      << msg.Text;
}

TEST_F(TreeRestoreTest, DeclinedOrStoppedRestoreWritesNothing) {
  WriteFile(site / "a.htm", "edited");
  const auto tree = Snapshot(tmp.path());
  host.confirm = false;
  EXPECT_TRUE(Restore().Cancelled);
  EXPECT_EQ(Snapshot(tmp.path()), tree);
  EXPECT_TRUE(Has(state.Protokoll.Lines(), "--> canceled ..."));

  host.confirm = host.stop = true;
  host.onConfirm = [&] { userBreak.Cancel(); };  // Esc, and Yes to stop
  EXPECT_TRUE(Restore().Stopped);
  EXPECT_EQ(Snapshot(site), Snapshot(tmp / "site"));
  EXPECT_EQ(ReadFile(site / "a.htm"), "edited");
  EXPECT_TRUE(fs::is_empty(Bak(1)));
}

}  // namespace
}  // namespace tessel
