#include "batch/pipeline.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "batch/backups.h"
#include "batch/restore.h"
#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class RecordingHost : public RunHost {
 public:
  void ShowStatus(std::string_view text) override { Status = text; }
  void InitProgress(ProgressBar bar, int64_t maximum) override {
    if (bar == ProgressBar::ActFile) Progress.push_back(-maximum - 1);
  }
  void SetProgress(ProgressBar bar, int64_t position) override {
    if (bar == ProgressBar::ActFile) Progress.push_back(position);
  }
  std::string Status;
  std::vector<int64_t> Progress;  // positions; a maximum m shows as -m-1
};

/// A run in a temporary directory: the program directory and one page to work on.
struct Fixture {
  Fixture() {
    fs::create_directories(tmp / "prog");
    state.ProgramDir = (tmp / "prog").string() + "/";
    state.TempOutFile = state.ProgramDir + "$tmp.htm";
    state.ProcessMode = ProcessKind::Format;
    pipeline.FreeSpaceOf = [](const std::string&) { return FreeSpace{1u << 30, "/srv"}; };
  }
  std::string Page(const std::string& bytes) {
    WriteFile(tmp / "site/page.htm", bytes);
    return (tmp / "site/page.htm").string();
  }

  TempDir tmp;
  RunState state;
  Style style;
  TrimTagList trim;
  RecordingHost host;
  FilePipeline pipeline{state, style, trim, host};
};

TEST(LoadSourceText, EveryLineEndsWithOneLfAndProgressMovesInTenths) {
  Fixture f;
  const std::string page = f.Page("a\r\nb\rc\nd");
  ProcessOutcome outcome;
  ASSERT_TRUE(f.pipeline.LoadSourceText(page, &outcome)) << outcome.Message;
  EXPECT_EQ(f.pipeline.engine().SourceText, "a\nb\nc\nd\n");
  EXPECT_EQ(f.host.Status, "Loading: " + page);
  // 12 characters with CR LF line ends: ten steps of 1, then two more, then maximum 0.
  ASSERT_EQ(f.host.Progress.size(), 14u);
  EXPECT_EQ(f.host.Progress.front(), -13);
  EXPECT_EQ(f.host.Progress[12], 12);
  EXPECT_EQ(f.host.Progress.back(), -1);
}

TEST(ProcessFile, FilesThatCannotBeProcessedAreLeftAlone) {
  const struct {
    const char* Name;
    FileFault Fault;
  } cases[] = {
      {"gone", FileFault::Gone}, {"directory", FileFault::Unreadable}, {"nul", FileFault::NulByte}};
  for (const auto& c : cases) {
    Fixture f;
    std::string page = (f.tmp / "site/page.htm").string();
    if (c.Fault == FileFault::Unreadable) fs::create_directories(page);
    if (c.Fault == FileFault::NulByte) f.Page("<p>a\0b</p>\r\n"s);
    ProcessOutcome outcome;
    EXPECT_FALSE(f.pipeline.ProcessFile(page, &outcome)) << c.Name;
    EXPECT_EQ(outcome.Fault, c.Fault) << c.Name;
    EXPECT_NE(outcome.Message, "") << c.Name;
    EXPECT_TRUE(f.pipeline.engine().OutputLines.empty()) << c.Name;
    if (c.Fault == FileFault::NulByte) {
      EXPECT_EQ(ReadFile(page), "<p>a\0b</p>\r\n"s);
    }
  }
}

TEST(ProcessFile, StopsWhenTheDiskHasLessThanFourTimesTheFileFree) {
  const struct {
    uint64_t Free;
    bool Known, Ok;
  } cases[] = {{3999, true, false}, {4000, true, true}, {0, false, true}};
  for (const auto& c : cases) {
    Fixture f;
    const std::string page = f.Page(std::string(999, 'x') + "\n");
    std::vector<std::string> asked;
    f.pipeline.FreeSpaceOf = [&](const std::string& path) -> std::optional<FreeSpace> {
      asked.push_back(path);
      if (!c.Known) return std::nullopt;
      return FreeSpace{c.Free, "/mnt/data"};
    };
    ProcessOutcome outcome;
    EXPECT_EQ(f.pipeline.ProcessFile(page, &outcome), c.Ok) << c.Free;
    EXPECT_EQ(asked, std::vector<std::string>{page});
    if (!c.Ok) {
      EXPECT_EQ(outcome.Fault, FileFault::DiskFull);
      EXPECT_EQ(outcome.Message, "Disk full: /mnt/data\r\nProgram terminated.");
    }
  }
}

TEST(ProcessFile, RealFreeSpaceNamesTheMountPointAboveTheFile) {
  TempDir tmp;
  WriteFile(tmp / "f.htm", "x");
  std::optional<FreeSpace> space = QueryFreeSpace((tmp / "f.htm").string());
  ASSERT_TRUE(space);
  EXPECT_GT(space->FreeBytes, 0u);
  EXPECT_TRUE((tmp / "f.htm").string().starts_with(space->MountPoint)) << space->MountPoint;
}

TEST(ProcessFile, FormatWritesDumpsAndResultKeepsPermissions) {
  Fixture f;
  const std::string page = f.Page("<html>\n<pre>###x</pre>\n</html>");
  chmod(page.c_str(), 0640);
  ProcessOutcome outcome;
  ASSERT_TRUE(f.pipeline.ProcessFile(page, &outcome)) << outcome.Message;
  EXPECT_NE(ReadFile(f.state.ProgramDir + "0tmp_htm.htm").find("###<PRE>:1\r\n"),
            std::string::npos);
  EXPECT_EQ(ReadFile(f.state.ProgramDir + "0tmp_nftags.htm"), "###<PRE>:1\r\n<pre>###x</pre>\r\n");

  int64_t written = 0;
  ASSERT_TRUE(f.pipeline.WriteResult(&outcome, &written)) << outcome.Message;
  const std::string result = ReadFile(page);
  EXPECT_EQ(result, f.pipeline.engine().OutputLines.Joined("\r\n"));
  EXPECT_TRUE(result.ends_with("\r\n"));
  EXPECT_EQ(written, int64_t(result.size()));
  EXPECT_EQ(ReadFile(f.state.TempOutFile), result);
  EXPECT_EQ(fs::status(page).permissions(), fs::perms(0640));
}

TEST(WriteResult, ReadOnlyFileOrDirectoryIsLeftAsItWas) {
  for (bool dirReadOnly : {false, true}) {
    Fixture f;
    const std::string page = f.Page("<p>x</p>\n");
    ASSERT_TRUE(f.pipeline.ProcessFile(page, nullptr));
    chmod(dirReadOnly ? (f.tmp / "site").c_str() : page.c_str(), dirReadOnly ? 0555 : 0444);
    ProcessOutcome outcome;
    EXPECT_FALSE(f.pipeline.WriteResult(&outcome)) << dirReadOnly;
    EXPECT_EQ(outcome.Fault, FileFault::WriteFailed);
    EXPECT_NE(outcome.Message, "");
    EXPECT_EQ(ReadFile(page), "<p>x</p>\n");
  }
}

void SetMtime(const std::string& path, time_t seconds) {
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// Another program saves the page while it is processed: its edit must not be lost.
TEST(WriteResult, APageChangedAfterItWasReadIsLeftAlone) {
  const struct {
    const char* Name;
    std::function<void(const std::string& page, const fs::path& dir)> Change;
  } cases[] = {
      {"grown", [](const std::string& page, const fs::path&) { WriteFile(page, "<p>x</p>\nmore"); }},
      {"same size, later time",
       [](const std::string& page, const fs::path&) {
         WriteFile(page, "<p>y</p>\n");
         SetMtime(page, 1300000001);
       }},
      {"replaced by another file of the same size and time",
       [](const std::string& page, const fs::path& dir) {
         WriteFile(dir / "new", "<p>y</p>\n");
         SetMtime((dir / "new").string(), 1300000000);
         fs::rename(dir / "new", page);
       }},
      {"removed", [](const std::string& page, const fs::path&) { fs::remove(page); }},
      {"a link now",
       [](const std::string& page, const fs::path& dir) {
         fs::remove(page);
         fs::create_symlink(dir / "other.htm", page);
       }},
  };
  for (const auto& c : cases) {
    Fixture f;
    const std::string page = f.Page("<p>x</p>\n");
    SetMtime(page, 1300000000);
    WriteFile(f.tmp / "site" / "other.htm", "other");
    ASSERT_TRUE(f.pipeline.ProcessFile(page, nullptr)) << c.Name;
    c.Change(page, f.tmp / "site");
    const std::string edited = fs::exists(fs::symlink_status(page)) && !fs::is_symlink(page)
                                   ? ReadFile(page) : "";
    ProcessOutcome outcome;
    EXPECT_FALSE(f.pipeline.WriteResult(&outcome)) << c.Name;
    EXPECT_EQ(outcome.Fault, FileFault::Changed) << c.Name;
    if (!edited.empty()) {
      EXPECT_EQ(ReadFile(page), edited) << c.Name;
    }
    EXPECT_EQ(ReadFile(f.tmp / "site" / "other.htm"), "other") << c.Name;
    EXPECT_TRUE(FailedFileLine(page, outcome).find("changed by another program") != std::string::npos);
  }
}

TEST(Restore, CopiesTheBackupOrSkipsOrFailsVisibly) {
  Fixture f;
  f.state.ProcessMode = ProcessKind::Restore;
  const std::string page = f.Page("processed");
  WriteFile(page + ".pbak", "original\n");
  const struct timespec times[2] = {{1100000000, 0}, {1100000000, 0}};
  utimensat(AT_FDCWD, (page + ".pbak").c_str(), times, 0);
  ProcessOutcome outcome;
  ASSERT_TRUE(f.pipeline.ProcessFile(page, &outcome)) << outcome.Message;
  EXPECT_EQ(ReadFile(page), "original\n");
  struct stat st;
  stat(page.c_str(), &st);
  EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);

  WriteFile(page, "processed");
  chmod(page.c_str(), 0444);
  EXPECT_FALSE(f.pipeline.ProcessFile(page, &outcome));
  EXPECT_EQ(outcome.Fault, FileFault::RestoreFailed);
  EXPECT_EQ(ReadFile(page), "processed");
  EXPECT_TRUE(FailedFileLine(page, outcome)
                  .starts_with("==> " + page + "   -  restore failed, file left unchanged: "));

  fs::remove(page + ".pbak");
  EXPECT_FALSE(f.pipeline.ProcessFile(page, &outcome));
  EXPECT_EQ(outcome.Fault, FileFault::NoBackup);
  EXPECT_EQ(FailedFileLine(page, outcome), "==> " + page + "   -  skip");
}

// A backup that is a link would copy what it points to into the page, and a page that is a
// link would be written through: both are refused, in batch and in single-file restores.
TEST(Restore, NeverReadsOrWritesThroughALink) {
  for (bool single : {false, true}) {
    for (bool linkedBackup : {true, false}) {
      Fixture f;
      f.state.ProcessMode = ProcessKind::Restore;
      const fs::path secret = f.tmp / "site" / "secret.txt";
      const std::string page = f.Page("page");
      WriteFile(secret, "secret");
      chmod(secret.c_str(), 0600);
      if (linkedBackup) {
        fs::create_symlink(secret, page + ".pbak");
      } else {
        WriteFile(page + ".pbak", "backup");
        fs::remove(page);
        fs::create_symlink(secret, page);
      }
      std::string message;
      ProcessOutcome outcome;
      const bool restored = single ? RestoreSingleFile(f.state, page, &message)
                                   : f.pipeline.ProcessFile(page, &outcome);
      if (!single) message = FailedFileLine(page, outcome);
      EXPECT_FALSE(restored) << single << linkedBackup;
      EXPECT_NE(message.find("symbolic link"), std::string::npos) << message;
      EXPECT_EQ(ReadFile(secret), "secret");
      if (linkedBackup) {
        EXPECT_EQ(ReadFile(page), "page");
        std::string why;  // nor is it read for the preview
        EXPECT_FALSE(ReadSingleFileBackup(f.state, page, &why));
        EXPECT_NE(why.find("symbolic link"), std::string::npos) << why;
      }
    }
  }
}

TEST(Restore, SingleFileWritesCrLfLines) {
  Fixture f;
  const std::string page = f.Page("new");
  std::string err;
  EXPECT_FALSE(RestoreSingleFile(f.state, page, &err));
  EXPECT_EQ(ReadFile(page), "new");
  err.clear();
  EXPECT_FALSE(ReadSingleFileBackup(f.state, page, &err));
  EXPECT_EQ(err, "");  // no backup is no error

  WriteFile(page + ".pbak", "a\nb\rc\r\nd");
  EXPECT_EQ(ReadSingleFileBackup(f.state, page, &err), "a\nb\rc\r\nd");
  std::string text;
  ASSERT_TRUE(RestoreSingleFile(f.state, page, &err, &text)) << err;
  EXPECT_EQ(ReadFile(page), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(ReadFile(f.state.TempOutFile), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(text, "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(f.state.BackupFileName, page + ".pbak");
}

}  // namespace
}  // namespace tessel
