#include "batch/backups.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class RecordingHost : public RunHost {
 public:
  void ProtocolAdded(std::string_view text) override { Lines.emplace_back(text); }
  std::vector<std::string> Lines;
};

void SetMtime(const fs::path& path, time_t seconds) {
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

time_t Mtime(const fs::path& path) {
  struct stat st;
  stat(path.c_str(), &st);
  return st.st_mtim.tv_sec;
}

/// `path` as a run reads it, its directory opened through `dirs`.
LoadedFile Loaded(const fs::path& path, DirectoryChain& dirs) {
  LoadedFile file;
  std::string err;
  file.File = {dirs.Open(path.parent_path().string(), &err), path.filename(), path};
  EXPECT_TRUE(ReadFileAt(file.File, file.Bytes, &file.Status, &err)) << err;
  return file;
}

TEST(BackupText, Examples) {
  EXPECT_EQ(WithTrailingSeparator("/web"), "/web/");
  EXPECT_EQ(WithTrailingSeparator("/web///"), "/web/");
  EXPECT_EQ(WithTrailingSeparator(""), "/");

  const std::pair<std::string, std::string> exts[] = {
      {"bak", ".bak"}, {"  my bak ", ".my_bak"}, {".b.k", ".b_k"}, {"", ".pbak"},
      {".", ".pbak"},  {"   ", ".pbak"},         {".bak", ".bak"},
  };
  for (const auto& [typed, want] : exts) EXPECT_EQ(NormalizeBackupExt(typed), want) << typed;

  EXPECT_EQ(SizeStats(1000, 800), " 1000->800 (200 bytes, 20%)  saved ");
  EXPECT_EQ(SizeStats(0, 500), " 0->500 (-500 bytes, 0%)  saved ");
  EXPECT_EQ(SizeStats(300, 400), " 300->400 (-100 bytes, -33%)  saved ");
  EXPECT_EQ(SizeStats(500, 0), " 500->0 (500 bytes, 0%)  saved ");
}

// Whatever is at the backup's name is replaced by a regular file: an old backup, or a link
// someone planted there, whose target must stay as it was.
TEST(Backups, SiblingBackupKeepsDateAndReplacesWhatIsAtItsName) {
  for (bool planted : {false, true}) {
    TempDir tmp;
    const std::string page = (tmp / "page.htm").string();
    WriteFile(page, "new text");
    WriteFile(tmp / "elsewhere" / "target.txt", "not to be touched");
    if (planted) {
      fs::create_symlink(tmp / "elsewhere" / "target.txt", page + ".bak");
    } else {
      WriteFile(page + ".bak", "older backup");
    }
    SetMtime(page, 1000000000);
    RunState state;
    state.BackupExt = ".bak";
    state.SelectionMode = SelectionKind::PickedFiles;
    DirectoryChain dirs;
    std::string err;
    ASSERT_TRUE(MakeBackup(state, Loaded(page, dirs), dirs, &err)) << err;
    EXPECT_EQ(state.BackupFileName, page + ".bak");
    EXPECT_FALSE(fs::is_symlink(page + ".bak")) << planted;
    EXPECT_EQ(ReadFile(page + ".bak"), "new text");
    EXPECT_EQ(Mtime(page + ".bak"), 1000000000);
    EXPECT_EQ(ReadFile(tmp / "elsewhere" / "target.txt"), "not to be touched");
  }
}

TEST(Backups, TreeBackupTakesTheFirstFreeNumberAndMirrorsFolders) {
  TempDir tmp;
  RunState state;
  state.SourceDir = (tmp / "web").string() + "/";
  state.SelectionMode = SelectionKind::Tree;
  fs::create_directories(tmp / "web_BAK00");
  fs::create_directories(tmp / "web_BAK02");
  EXPECT_EQ(NextBackupDir(state), (tmp / "web_BAK01/").string());

  fs::create_directories(tmp / "web_BAK01");
  std::string err;
  ASSERT_TRUE(CreateBackupDir(state, &err)) << err;
  EXPECT_EQ(state.BackupDir, (tmp / "web_BAK03/").string());
  EXPECT_TRUE(fs::is_directory(state.BackupDir));

  const std::string deep = state.SourceDir + "sub/deep/x.htm";
  WriteFile(deep, "x");
  SetMtime(deep, 1200000000);
  DirectoryChain dirs, backupDirs;
  ASSERT_TRUE(MakeBackup(state, Loaded(deep, dirs), backupDirs, &err)) << err;
  EXPECT_EQ(state.BackupFileName, state.BackupDir + "sub/deep/x.htm");
  EXPECT_EQ(ReadFile(state.BackupFileName), "x");
  EXPECT_EQ(Mtime(state.BackupFileName), 1200000000);
}

TEST(Backups, CreateBackupDirReportsFailure) {
  TempDir tmp;
  RunState state;
  state.SourceDir = (tmp / "web/").string();
  for (int i = 0; i < 100; ++i) {
    fs::create_directories(tmp / ("web_BAK" + std::string(i < 10 ? "0" : "") + std::to_string(i)));
  }
  EXPECT_EQ(NextBackupDir(state), "");
  state.BackupDir = "/stale/";
  std::string err;
  EXPECT_FALSE(CreateBackupDir(state, &err));
  EXPECT_EQ(err, kTooManyBackupDirs);
  EXPECT_EQ(state.BackupDir, "");

  // The parent is a file: the directory cannot be made, even by root.
  WriteFile(tmp / "plain", "");
  state.SourceDir = (tmp / "plain/web/").string();
  err.clear();
  EXPECT_FALSE(CreateBackupDir(state, &err));
  EXPECT_NE(err, "");
  EXPECT_EQ(state.BackupDir, "");
}

TEST(Backups, BackupExistsBySelection) {
  TempDir tmp;
  const std::string a = (tmp / "a.htm").string(), b = (tmp / "b.htm").string();
  WriteFile(b + ".pbak", "");
  RunState state;
  state.FileList = {a, b};
  state.FileName = a;
  const std::pair<SelectionKind, bool> cases[] = {{SelectionKind::SingleFile, false},
                                                  {SelectionKind::PickedFiles, true},
                                                  {SelectionKind::Tree, false},
                                                  {SelectionKind::None, false}};
  for (const auto& [mode, want] : cases) {
    state.SelectionMode = mode;
    EXPECT_EQ(BackupExists(state), want) << int(mode);
  }
  state.SelectionMode = SelectionKind::SingleFile;
  state.FileName = b;
  EXPECT_TRUE(BackupExists(state));
  EXPECT_EQ(state.BackupFileName, b + ".pbak");
}

TEST(LogFileResult, OneLinePerModeAndTotals) {
  const struct {
    ProcessKind Mode;
    bool Backups, Done;
    std::string Line;
  } cases[] = {
      {ProcessKind::Compress, true, true,
       "==> Compressed: /w/a.htm Size: 1000->800 byte   ==> Backup: /w/a.htm.pbak"},
      {ProcessKind::Format, false, true, "==> Formatted: /w/a.htm"},
      {ProcessKind::Trim, true, true, "==> Trimmed: /w/a.htm   ==> Backup: /w/a.htm.pbak"},
      {ProcessKind::Restore, true, true, "==> /w/a.htm   -  RESTORED"},
      {ProcessKind::Restore, true, false, "==> /w/a.htm   -  skip"},
      {ProcessKind::Format, true, false, "==> /w/a.htm   -  not processed"},
  };
  for (const auto& c : cases) {
    RunState state;
    RecordingHost host;
    state.FileName = "/w/a.htm";
    state.BackupFileName = "/w/a.htm.pbak";
    state.ProcessMode = c.Mode;
    state.DoCreateBackUps = c.Backups;
    LogFileResult(state, host, 1000, 800, c.Done);
    EXPECT_EQ(host.Lines, std::vector<std::string>{c.Line});
    EXPECT_EQ(state.Protokoll.Lines().back(), c.Line);
    const bool counted = c.Done || c.Mode == ProcessKind::Restore;
    EXPECT_EQ(state.TotalBytesBefore, counted ? 1000 : 0) << c.Line;
    EXPECT_EQ(state.TotalBytesAfter, counted ? 800 : 0) << c.Line;
  }
}

}  // namespace
}  // namespace tessel
