#include "batch/run_driver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "batch/backups.h"
#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Answers the user-break question and can press Esc while a given file is processed.
struct ScriptedHost : RunHost {
  CancelToken* userBreak = nullptr;
  std::string breakAt;  // press Esc while this file is processed
  bool stop = false;    // the answer to "Stop processing files?"
  bool confirm = true;
  std::vector<std::string> messages;
  std::function<void(std::string_view)> onStatus;  // another program at work meanwhile
  void ShowStatus(std::string_view text) override {
    if (!breakAt.empty() && text == "Processing: " + breakAt) userBreak->Cancel();
    if (onStatus) onStatus(text);
  }
  bool AskYesNo(std::string_view) override { return stop; }
  bool ConfirmRun(RunState&) override { return confirm; }
  void ShowMessage(MessageKind, std::string_view text) override { messages.emplace_back(text); }
};

class RunDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state.ProgramDir = WithTrailingSeparator((tmp / "prog").string());
    state.TempOutFile = state.ProgramDir + "$tmp.htm";
    fs::create_directories(tmp / "prog");
    host.userBreak = &userBreak;
    WriteFile(site / "a.htm", "<p>one</p>\n");
    WriteFile(site / "sub" / "b.htm", "<p>two</p>\n");
    style.Tags.TagCount = 1;
    style.Tags.Entry(1).TagOpen = "<P>";
    style.Tags.Entry(1).TagClose = "</P>";
    style.Tags.Entry(1).TreatAsText = true;
    style.Tags.Entry(1).TagNumber = 1;
  }

  std::vector<std::string> Protocol() const { return state.Protokoll.Lines(); }

  RunSummary Run(ProcessKind mode) {
    state.ProcessMode = mode;
    return driver.Run(&userBreak);
  }

  TempDir tmp;
  fs::path site = tmp / "site";
  RunState state;
  Style style;
  TrimTagList trim;
  ScriptedHost host;
  CancelToken userBreak;
  RunDriver driver{state, style, trim, host, nullptr};
};

TEST_F(RunDriverTest, PickedFilesProtocolLineByLineAndReport) {
  driver.Now = [] { return std::string("NOW"); };
  const std::string a = (site / "a.htm").string(), b = (site / "sub" / "b.htm").string();
  WriteFile(a + ".pbak", "old");
  ASSERT_EQ(driver.SelectPickedFiles({a, b, (site / "x.txt").string()}),
            SelectionKind::PickedFiles);
  RunSummary s = Run(ProcessKind::Compress);
  EXPECT_EQ(s.Processed, 2);
  const std::vector<std::string> expected = {
      "",
      "",
      "Files to process:",
      "",
      "--> " + a + "\t0K  (Backup found: " + a + ".pbak)",
      "--> " + b + "\t0K",
      "",
      "Now check your options.",
      "Then press <Format>, <Compress>, <Trim> or <Restore> to process.",
      "",
      "********************************",
      "",
      "--> Started: NOW",
      "==> Compressed: " + a + " Size: 11->13 byte   ==> Backup: " + a + ".pbak",
      "==> Compressed: " + b + " Size: 11->13 byte   ==> Backup: " + b + ".pbak",
      "--> Finished: NOW",
      "",
      "Overall compressing performance:  22->26 (-4 bytes, -18%)  saved ",
      "",
      "Job done...",
      "Report saved ==> " + state.ProgramDir + "report.txt"};
  EXPECT_EQ(Protocol(), expected);
  std::string report;
  for (size_t i = 0; i + 1 < expected.size(); ++i) report += expected[i] + "\r\n";
  EXPECT_EQ(ReadFile(state.ProgramDir + "report.txt"), report);
  EXPECT_EQ(ReadFile(a), "<P>one</P> \r\n");
  EXPECT_EQ(ReadFile(a + ".pbak"), "<p>one</p>\n");
}

TEST_F(RunDriverTest, TreeRunsMirrorBackupsOrMakeNone) {
  ASSERT_EQ(driver.SelectTree(site.string()), SelectionKind::Tree);
  EXPECT_EQ(Run(ProcessKind::Format).Processed, 2);
  const fs::path bak = tmp / "site_BAK00";
  EXPECT_EQ(ReadFile(bak / "sub" / "b.htm"), "<p>two</p>\n");
  EXPECT_TRUE(fs::exists(bak / "report.txt"));

  state.DoCreateBackUps = false;
  EXPECT_EQ(Run(ProcessKind::Compress).Processed, 2);
  EXPECT_FALSE(fs::exists(tmp / "site_BAK01"));
  const auto lines = Protocol();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Backup-Directory: none made (backups are off)"),
            lines.end());
  EXPECT_EQ(lines.back(), "Report saved ==> " + state.ProgramDir + "report.txt");
}

TEST_F(RunDriverTest, TreeSelectionInStepsListsOnlyTheChosenFiles) {
  driver.BeginTreeSelection();
  const std::vector<std::string> heading = Protocol();
  const TreeScan scan = driver.ScanTree(site.string());
  EXPECT_EQ(scan.Files.size(), 2u);
  EXPECT_EQ(Protocol(), heading);  // the scan writes nothing: the user chooses first
  const std::string b = (site / "sub" / "b.htm").string();
  ASSERT_EQ(driver.AcceptTree(scan, {b}), SelectionKind::Tree);
  EXPECT_EQ(state.FileList, std::vector<std::string>{b});
  const auto lines = Protocol();
  EXPECT_EQ(lines[heading.size()], "-->  " + b + "\t0K");
  EXPECT_EQ(Run(ProcessKind::Format).Processed, 1);
  EXPECT_EQ(ReadFile(site / "a.htm"), "<p>one</p>\n");
  EXPECT_EQ(driver.AcceptTree(scan, {}), SelectionKind::None);  // the user chose nothing
}

TEST_F(RunDriverTest, SingleFileFaultsAreShownAndLeaveTheFileAlone) {
  const std::string a = (site / "a.htm").string();
  fs::create_directories(a + ".pbak");  // the backup cannot be written
  driver.SelectSingleFile(a);
  RunSummary s = Run(ProcessKind::Format);
  EXPECT_EQ(s.Ignored, 1);
  EXPECT_TRUE(host.messages.back().starts_with("==> " + a + "   -  backup failed"))
      << host.messages.back();
  state.DoCreateBackUps = false;
  chmod(site.c_str(), 0555);  // the result cannot be written
  s = Run(ProcessKind::Format);
  EXPECT_EQ(s.Ignored, 1);
  EXPECT_TRUE(host.messages.back().starts_with("==> " + a + "   -  not processed: cannot write: "))
      << host.messages.back();
  EXPECT_EQ(ReadFile(a), "<p>one</p>\n");
}

TEST_F(RunDriverTest, TreeBackupsNeverShareDataWithAPage) {
  auto inode = [](const fs::path& p) {
    struct stat st {};
    stat(p.c_str(), &st);
    return st.st_ino;
  };
  chmod((site / "a.htm").c_str(), 0444);  // cannot be rewritten: its backup must be a copy
  driver.SelectTree(site.string());
  RunSummary s = Run(ProcessKind::Format);
  EXPECT_EQ(std::tie(s.Processed, s.Ignored), std::make_tuple(1, 1));
  const fs::path bak = tmp / "site_BAK00";
  for (const char* name : {"a.htm", "sub/b.htm"}) {
    EXPECT_NE(inode(bak / name), inode(site / name)) << name;
  }
  EXPECT_EQ(ReadFile(bak / "a.htm"), "<p>one</p>\n");
  EXPECT_EQ(ReadFile(bak / "sub" / "b.htm"), "<p>two</p>\n");
  EXPECT_EQ(ReadFile(site / "a.htm"), "<p>one</p>\n");
}

ino_t Inode(const fs::path& path) {
  struct stat st {};
  lstat(path.c_str(), &st);
  return st.st_ino;
}

bool HasLineWith(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

// A folder of the tree replaced by a link to one outside it, before its first file or
// after that file was done: nothing outside is read, backed up or written, and the file
// it would have been gets a protocol line, not "Formatted".
TEST_F(RunDriverTest, AFolderSwappedForALinkDuringATreeRunLeadsNowhere) {
  for (const char* swapAt : {"b.htm", "c.htm"}) {
    TempDir other;
    const fs::path outside = other / "outside" / "sub", moved = other / "moved";
    for (const char* name : {"b.htm", "c.htm"}) {
      WriteFile(site / "sub" / name, "<p>two</p>\n");
      WriteFile(outside / name, "<p>outside</p>\n");
    }
    fs::remove_all(tmp / "site_BAK00");
    driver.SelectTree(site.string());
    const std::string swapped = (site / "sub" / swapAt).string();
    host.onStatus = [&](std::string_view text) {
      if (text != "Processing: " + swapped) return;
      fs::rename(site / "sub", moved);
      fs::create_directory_symlink(outside, site / "sub");
    };
    RunSummary s = Run(ProcessKind::Format);
    host.onStatus = nullptr;
    EXPECT_GE(s.Ignored, 1) << swapAt;
    for (const char* name : {"b.htm", "c.htm"}) {
      EXPECT_EQ(ReadFile(outside / name), "<p>outside</p>\n") << swapAt;
      EXPECT_FALSE(fs::exists(tmp / "site_BAK00" / "sub" / name) &&
                   ReadFile(tmp / "site_BAK00" / "sub" / name) == "<p>outside</p>\n");
    }
    EXPECT_FALSE(HasLineWith(Protocol(), "==> Formatted: " + swapped)) << swapAt;
    EXPECT_TRUE(HasLineWith(Protocol(), "==> " + swapped + "   -  not processed")) << swapAt;
    fs::remove(site / "sub");
    fs::rename(moved, site / "sub");
  }
}

// Another program saves the page between the run's read and its replace: the page keeps
// that edit, its backup holds what was read, and the run says so and fails.
TEST_F(RunDriverTest, AnEditSavedWhileThePageIsProcessedIsKept) {
  const std::string a = (site / "a.htm").string();
  for (bool single : {true, false}) {
    WriteFile(a, "<p>one</p>\n");
    single ? driver.SelectSingleFile(a) : driver.SelectPickedFiles({a, (site / "sub" / "b.htm").string()});
    host.onStatus = [&](std::string_view text) {
      if (text == "Parsing: " + a) WriteFile(a, "<p>edited</p>\n");
    };
    RunSummary s = Run(ProcessKind::Format);
    host.onStatus = nullptr;
    EXPECT_EQ(s.Ignored, 1) << single;
    EXPECT_EQ(ReadFile(a), "<p>edited</p>\n") << single;
    EXPECT_EQ(ReadFile(a + ".pbak"), "<p>one</p>\n") << single;
    const std::string said = single ? host.messages.back() : Protocol()[13];
    EXPECT_NE(said.find("changed by another program"), std::string::npos) << said;
  }
}

// A linked tree backup whose page could not be rewritten, and which then cannot be made a
// copy (its folder became read-only): the line says what the backup really is.
TEST_F(RunDriverTest, ABackupThatStaysALinkIsReportedAsOne) {
  const fs::path a = site / "a.htm", bak = tmp / "site_BAK00";
  chmod(a.c_str(), 0444);  // cannot be rewritten
  driver.SelectTree(site.string());
  host.onStatus = [&](std::string_view text) {
    if (text == "Parsing: " + a.string()) chmod(bak.c_str(), 0555);
  };
  Run(ProcessKind::Format);
  chmod(bak.c_str(), 0755);
  EXPECT_TRUE(HasLineWith(Protocol(), "--> ERROR: the backup " + (bak / "a.htm").string() +
                                          " is still a hard link to " + a.string()));
  EXPECT_EQ(Inode(bak / "a.htm"), Inode(a));
  EXPECT_EQ(ReadFile(bak / "a.htm"), "<p>one</p>\n");
}

// What the scan could not see makes the run incomplete, however well the rest went.
TEST_F(RunDriverTest, AFolderTheScanCouldNotReadFailsTheRun) {
  TreeScan scan = driver.ScanTree(site.string());
  scan.NotSearched = {(site / "locked/").string() + ": Permission denied"};
  driver.BeginTreeSelection();
  driver.AcceptTree(scan, scan.Files);
  RunSummary s = Run(ProcessKind::Format);
  EXPECT_EQ(std::tie(s.Processed, s.NotSearched), std::make_tuple(2, 1));
  EXPECT_TRUE(HasLineWith(Protocol(), "--> not searched: " + (site / "locked/").string()));
  EXPECT_TRUE(HasLineWith(Protocol(), "==> 1 folders or files could not be searched."));
}

TEST_F(RunDriverTest, UserBreakStopsOrGoesOn) {
  const std::string a = (site / "a.htm").string();
  for (bool stop : {true, false}) {
    WriteFile(a, "<p>one</p>\n");
    fs::remove(state.ProgramDir + "report.txt");
    driver.SelectPickedFiles({a, (site / "sub" / "b.htm").string()});
    host.breakAt = a;
    host.stop = stop;
    RunSummary s = Run(ProcessKind::Format);
    EXPECT_EQ(s.Stopped, stop);
    EXPECT_EQ(ReadFile(a), stop ? "<p>one</p>\n" : "<P>one</P>\r\n");  // left as it was
    EXPECT_EQ(ReadFile(a + ".pbak"), "<p>one</p>\n");                  // but backed up
    EXPECT_EQ(fs::exists(state.ProgramDir + "report.txt"), !stop);
    EXPECT_EQ(Protocol().back() == "==> aborted: USER BREAK ...", stop);
  }
}

TEST_F(RunDriverTest, FaultsLeaveFilesAloneAndAreCounted) {
  const std::string a = (site / "a.htm").string(), b = (site / "sub" / "b.htm").string();
  driver.SelectPickedFiles({a, b});
  fs::remove(b);                        // gone before its turn
  fs::create_directories(a + ".pbak");  // the backup cannot be written
  RunSummary s = Run(ProcessKind::Format);
  EXPECT_EQ(std::tie(s.Processed, s.Ignored), std::make_tuple(0, 2));
  EXPECT_EQ(ReadFile(a), "<p>one</p>\n");
  const auto lines = Protocol();
  EXPECT_TRUE(lines[13].starts_with("==> " + a + "   -  backup failed, file left unchanged"))
      << lines[13];
  EXPECT_TRUE(lines[14].starts_with("==> " + b + "   -  not processed")) << lines[14];
  EXPECT_EQ(lines[16], "==> 2 files ignored.");

  // Restore: a file without a backup is skipped, not a fault.
  WriteFile(b, "<p>two</p>\n");
  fs::remove_all(a + ".pbak");
  WriteFile(a + ".pbak", "saved");
  driver.SelectPickedFiles({a, b});
  s = Run(ProcessKind::Restore);
  EXPECT_EQ(std::tie(s.Processed, s.Skipped, s.Ignored), std::make_tuple(1, 1, 0));
  EXPECT_EQ(ReadFile(a), "saved");
}

TEST_F(RunDriverTest, NoBackupDirectoryNoRun) {
  for (int i = 0; i < 100; ++i) {
    fs::create_directories(tmp / ("site_BAK" + std::string(i < 10 ? "0" : "") + std::to_string(i)));
  }
  driver.SelectTree(site.string());
  RunSummary s = Run(ProcessKind::Format);
  EXPECT_TRUE(s.BackupDirFailed);
  EXPECT_EQ(ReadFile(site / "a.htm"), "<p>one</p>\n");
  const auto lines = Protocol();
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
            (std::vector<std::string>{"--> ERROR: Creating backup directory failed ...",
                                      "--> aborted ..."}));
  EXPECT_EQ(host.messages, std::vector<std::string>{"Too many existing BACKUP-Directories"});
}

TEST_F(RunDriverTest, AFullDiskEndsTheRunAndSaysWhere) {
  driver.pipeline().FreeSpaceOf = [](const std::string&) {
    return std::optional<FreeSpace>(FreeSpace{10, "/mnt/web"});
  };
  driver.SelectPickedFiles({(site / "a.htm").string(), (site / "sub" / "b.htm").string()});
  RunSummary s = Run(ProcessKind::Format);
  EXPECT_TRUE(s.Aborted);
  EXPECT_EQ(s.Error, "Disk full: /mnt/web\r\nProgram terminated.");
  EXPECT_EQ(host.messages, std::vector<std::string>{s.Error});
  EXPECT_EQ(ReadFile(site / "a.htm"), "<p>one</p>\n");
  EXPECT_FALSE(fs::exists(state.ProgramDir + "report.txt"));
}

TEST_F(RunDriverTest, SingleFileRunWritesNoProtocolLines) {
  const std::string a = (site / "a.htm").string();
  ASSERT_EQ(driver.Select({SelectionSource::Kind::PickedFiles, {a}}),
            SelectionKind::SingleFile);  // one picked file is a single file, not a batch
  RunSummary s = Run(ProcessKind::Format);
  EXPECT_EQ(s.Processed, 1);
  EXPECT_EQ(Protocol(), (std::vector<std::string>{"", "", "Files to process:", ""}));
  EXPECT_EQ(ReadFile(a), "<P>one</P>\r\n");
  EXPECT_EQ(ReadFile(a + ".pbak"), "<p>one</p>\n");
  EXPECT_EQ(ReadFile(state.TempOutFile), "<P>one</P>\r\n");
}

// With the rendering check on, a result that could render differently is marked, or its
// page is left as it was, with a tree backup that is a copy of its own and not a link to
// it; the run's totals count both.
TEST_F(RunDriverTest, RenderingCheckMarksOrWithholdsResults) {
  const std::string a = (site / "a.htm").string(), b = (site / "sub" / "b.htm").string();
  const std::string page = "<p>a<b>x</b> y</p>\n";  // B has no rule: it gets a line of its own
  const std::string difference =
      "could render differently: line 1, column 5: a space is shown between \"a\" and <B>";
  const struct {
    VerifyKind Verify;
    std::vector<std::string> Lines;
    bool Written;
  } cases[] = {
      {VerifyKind::Mark,
       {"==> Formatted: " + a + "   ==> Backup: " + (tmp / "site_BAK00" / "a.htm").string(),
        "    " + difference, "==> Formatted: " + b + "   ==> Backup: " +
        (tmp / "site_BAK00" / "sub" / "b.htm").string(), "",
        "==> 1 of 2 files could render differently (marked above).", "--> Finished: NOW"},
       true},
      {VerifyKind::Withhold,
       {"==> " + a + "   -  left unchanged: it " + difference,
        "==> Formatted: " + b + "   ==> Backup: " + (tmp / "site_BAK01" / "sub" / "b.htm").string(),
        "", "==> 1 of 2 files could render differently: left unchanged.", "--> Finished: NOW"},
       false},
  };
  driver.Now = [] { return std::string("NOW"); };
  for (const auto& c : cases) {
    WriteFile(a, page);
    state.Verify = c.Verify;
    ASSERT_EQ(driver.SelectTree(site.string()), SelectionKind::Tree);
    const RunSummary s = Run(ProcessKind::Format);
    EXPECT_EQ(std::tie(s.Processed, s.Ignored, s.Verified, s.Differing, s.Withheld),
              std::make_tuple(c.Written ? 2 : 1, 0, 2, 1, c.Written ? 0 : 1));
    const std::vector<std::string> lines = Protocol();
    const auto started = std::find(lines.begin(), lines.end(), "--> Started: NOW");
    ASSERT_NE(started, lines.end());
    EXPECT_EQ(std::vector<std::string>(started + 1, started + 1 + c.Lines.size()), c.Lines);
    EXPECT_EQ(ReadFile(a) == page, !c.Written);
    if (!c.Written) {
      EXPECT_NE(Inode(state.BackupDir + "a.htm"), Inode(a));
    }
  }
}

TEST_F(RunDriverTest, NothingSelectedOrDeclined) {
  EXPECT_TRUE(Run(ProcessKind::Format).Cancelled);
  EXPECT_EQ(host.messages.back(), "Tessel HTML:\r\nNo Files selected, nothing to do ...!");
  driver.SelectPickedFiles({(site / "a.htm").string()});
  host.confirm = false;
  EXPECT_TRUE(Run(ProcessKind::Format).Cancelled);
  EXPECT_EQ(Protocol().back(), "--> canceled ...");
  EXPECT_EQ(ReadFile(site / "a.htm"), "<p>one</p>\n");
}

}  // namespace
}  // namespace tessel
