// End-to-end runs of the commands that change files, as processes with their own data.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "test_support.h"

namespace tessel::testing {
namespace {

namespace fs = std::filesystem;

class BatchCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(SourceDataDir(), home_ / "data", fs::copy_options::recursive);
    WriteFile(site_ / "a.htm", "<html><p>one</p></html>\n");
    WriteFile(site_ / "sub" / "b.htm", "<html><p>two</p></html>\n");
  }

  ProcessRun Exec(const std::string& args) { return RunProgram(home_.path(), home_ / "data", args); }

  TempDir home_;
  fs::path site_ = home_ / "site";
};

TEST_F(BatchCommandTest, TreeRunWithMirrorBackupAndReport) {
  ProcessRun r = Exec("--format --in-place --style _default site");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(home_ / "site_BAK00" / "sub" / "b.htm"), "<html><p>two</p></html>\n");
  EXPECT_NE(ReadFile(site_ / "sub" / "b.htm").find("<P>two</P>\r\n"), std::string::npos);
  EXPECT_NE(r.out.find("Report saved ==> " + (home_ / "site_BAK00" / "report.txt").string()),
            std::string::npos);
  EXPECT_NE(r.out.find("==> Formatted: " + (site_ / "a.htm").string()), std::string::npos);
}

TEST_F(BatchCommandTest, ExitStatusTellsWhatHappened) {
  chmod((site_ / "a.htm").c_str(), 0444);  // cannot be written
  ProcessRun failed = Exec("--compress --in-place --no-backup site/a.htm site/sub/b.htm");
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(ReadFile(site_ / "a.htm"), "<html><p>one</p></html>\n");
  EXPECT_NE(failed.out.find("1 files ignored."), std::string::npos) << failed.out;

  for (int i = 0; i < 100; ++i) {
    fs::create_directories(home_ /
                           ("site_BAK" + std::string(i < 10 ? "0" : "") + std::to_string(i)));
  }
  struct Case {
    std::string args;
    int status;
  } cases[] = {
      {"--format --in-place site", 2},  // no backup directory can be made
      {"--format --in-place", 2},
      {"--restore --in-place site", 2},  // nor one for the restore (above _BAK99)
      {"--format --in-place site/none.htm", 2},
      {"--compress --check /..", 2},  // never the whole file system
      {"--format --in-place --types 9 site", 2},
      {"--trim --in-place --style html5 site/a.htm", 2},
      {"--format --in-place --no-backup site/sub/b.htm", 0},
      {"--restore --in-place site/sub/b.htm", 0},  // no backup: skipped, not a fault
  };
  for (const Case& c : cases) EXPECT_EQ(Exec(c.args).status, c.status) << c.args;
}

TEST_F(BatchCommandTest, AutomaticCommandLine) {
  const std::string b = (site_ / "sub" / "b.htm").string();
  ProcessRun r = Exec("-FAB " + b);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(b + ".pbak"), "<html><p>two</p></html>\n");
  EXPECT_NE(ReadFile(b).find("<P>two</P>\r\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(home_ / "data" / "prg.ini"));  // an automatic run writes no settings

  fs::remove(b + ".pbak");
  EXPECT_EQ(Exec("-CTA " + b).status, 0);  // compress, then trim without a backup
  EXPECT_FALSE(fs::exists(b + ".pbak"));
  EXPECT_EQ(Exec("-CF " + b).status, 2);
  WriteFile(site_ / "plain.htm", "no tag\n");
  EXPECT_EQ(Exec("-FA site/plain.htm").status, 2);
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A tree named through a link and "..": the run works on, backs up into and names the
// directory the path really leads to, never the one its text seems to name.
TEST_F(BatchCommandTest, APathIsResolvedOnceAndThatIsWhatRuns) {
  const fs::path real = home_ / "a", work = home_ / "w";
  WriteFile(real / "p.htm", "<html><p>in</p></html>\n");
  fs::create_directories(real / "b" / "c");
  fs::create_directories(work);
  fs::create_directory_symlink(real / "b" / "c", work / "x");
  ProcessRun check = RunProgram(work, home_ / "data", "--format --check x/../..");
  EXPECT_EQ(check.out, "x/../../p.htm\n");  // names the same file from where it was typed
  EXPECT_EQ(RunProgram(work, home_ / "data", "--format --check x/../../b/c/../../../a/p.htm").out,
            "x/../../b/c/../../../a/p.htm\n");
  ProcessRun r = RunProgram(work, home_ / "data", "--format --in-place x/../..");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "Source-Directory: " + real.string() + "/")) << r.out;
  EXPECT_TRUE(fs::is_directory(home_ / "a_BAK00"));
  EXPECT_FALSE(fs::exists(home_.path().string() + "_BAK00"));
  EXPECT_EQ(ReadFile(site_ / "a.htm"), "<html><p>one</p></html>\n");  // outside: untouched
  EXPECT_TRUE(Has(ReadFile(real / "p.htm"), "<P>in</P>"));
}

// Links planted at a backup's name or at the page: never read, never written through.
TEST_F(BatchCommandTest, LinksAtBackupNamesAndPagesAreNeverFollowed) {
  const fs::path page = site_ / "a.htm", target = home_ / "elsewhere" / "target.txt";
  const std::string original = ReadFile(page);
  const struct {
    const char* Name;
    std::function<void()> Plant;
    std::string Args;
    int Status;
    std::string Backup;  // what the page's backup must then hold ("": no check)
  } cases[] = {
      {"backup name is a link", [&] { fs::create_symlink(target, page.string() + ".pbak"); },
       "--format --in-place site/a.htm", 0, original},
      {"restore from a linked backup", [&] { fs::create_symlink(target, page.string() + ".pbak"); },
       "--restore --in-place site/a.htm", 1, ""},
      {"restore onto a linked page",
       [&] {
         fs::rename(page, site_ / "real.htm");
         fs::create_symlink("real.htm", page);
         WriteFile(page.string() + ".pbak", "backup");
       },
       "--restore --in-place site/a.htm", 1, ""},
  };
  for (const auto& c : cases) {
    WriteFile(target, "secret");
    chmod(target.c_str(), 0600);
    c.Plant();
    ProcessRun r = Exec(c.Args);
    EXPECT_EQ(r.status, c.Status) << c.Name << r.out << r.err;
    EXPECT_EQ(ReadFile(target), "secret") << c.Name;
    if (!c.Backup.empty()) {
      EXPECT_FALSE(fs::is_symlink(page.string() + ".pbak")) << c.Name;
      EXPECT_EQ(ReadFile(page.string() + ".pbak"), c.Backup) << c.Name;
    }
    EXPECT_TRUE(Has(r.out + r.err, "symbolic link") || c.Status == 0) << c.Name << r.out << r.err;
    if (fs::is_symlink(page)) {
      EXPECT_EQ(ReadFile(site_ / "real.htm"), original) << c.Name;
      fs::remove(page);
      fs::rename(site_ / "real.htm", page);
    }
    WriteFile(page, original);
    fs::remove(page.string() + ".pbak");
  }
}

// A name with a line break would split its protocol line, report line or check line in
// two: it is quoted as the diff quotes it.
TEST_F(BatchCommandTest, NamesWithControlCharactersAreQuoted) {
  const fs::path odd = home_ / "odd" / "bad\nname.htm";
  WriteFile(odd, "<html><p>x</p></html>\n");
  ProcessRun check = Exec("--format --check odd");
  EXPECT_EQ(check.out, "\"odd/bad\\012name.htm\"\n");
  ProcessRun r = Exec("--format --in-place odd");
  ASSERT_EQ(r.status, 0) << r.err;
  std::string quoted(1, '"');
  quoted += (home_ / "odd").string() + "/bad\\012name.htm\"";
  EXPECT_TRUE(Has(r.out, "==> Formatted: " + quoted + "   ==> Backup: ")) << r.out;
  for (const std::string& text : {r.out, ReadFile(home_ / "odd_BAK00" / "report.txt")}) {
    EXPECT_FALSE(Has(text, "\nname.htm")) << text;
  }
}

// An unreadable folder, and a folder whose entries cannot be looked at: each is a line,
// and the run fails (the check too), although every page it saw was formatted.
TEST_F(BatchCommandTest, WhatTheScanCannotSeeFailsTheRun) {
  WriteFile(site_ / "locked" / "c.htm", "<html></html>\n");
  WriteFile(site_ / "nolook" / "d.htm", "<html></html>\n");
  GiveToNobody(home_.path());
  chmod((site_ / "locked").c_str(), 0);
  chmod((site_ / "nolook").c_str(), 0644);  // listed, but nothing in it can be looked at
  const std::string user = AsUnprivilegedUser();
  ProcessRun run = RunProgram(home_.path(), home_ / "data", "--format --in-place site", user);
  ProcessRun check = RunProgram(home_.path(), home_ / "data", "--format --check site", user);
  chmod((site_ / "locked").c_str(), 0755);
  chmod((site_ / "nolook").c_str(), 0755);
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_TRUE(Has(run.out, "--> not searched: " + (site_ / "locked").string() + "/: ")) << run.out;
  EXPECT_TRUE(Has(run.out, "--> not searched: " + (site_ / "nolook" / "d.htm").string() + ": "));
  EXPECT_TRUE(Has(run.out, "==> 2 folders or files could not be searched."));
  EXPECT_TRUE(Has(ReadFile(site_ / "a.htm"), "<P>one</P>"));
  EXPECT_EQ(check.status, 2) << check.err;
}

// A tree run, a second one, then both undone from the command line: the pages come back
// byte for byte with their permissions, from the backup --from names or from the newest.
TEST_F(BatchCommandTest, TreeRestoreFromTheCommandLine) {
  chmod((site_ / "a.htm").c_str(), 0604);
  const std::string a = ReadFile(site_ / "a.htm"), b = ReadFile(site_ / "sub" / "b.htm");
  ASSERT_EQ(Exec("--format --in-place site").status, 0);
  ASSERT_EQ(Exec("--compress --in-place site").status, 0);
  const std::string compressed = ReadFile(site_ / "a.htm");
  ProcessRun r = Exec("--restore --in-place --from site_BAK00 site");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(ReadFile(site_ / "a.htm"), a);
  EXPECT_EQ(ReadFile(site_ / "sub" / "b.htm"), b);
  EXPECT_EQ(fs::status(site_ / "a.htm").permissions(), fs::perms(0604));
  EXPECT_TRUE(Has(r.out, "==> " + (site_ / "sub" / "b.htm").string() + "   -  RESTORED   ==> Backup: " +
                             (home_ / "site_BAK02" / "sub" / "b.htm").string()))
      << r.out;
  ASSERT_EQ(Exec("--restore --in-place site").status, 0);  // undoes the restore
  EXPECT_EQ(ReadFile(site_ / "a.htm"), compressed);

  fs::create_directories(home_ / "bare");
  struct Case {
    std::string args;
    int status;
  } cases[] = {
      {"--restore --in-place --no-backup site", 2},       // a tree restore always backs up
      {"--restore --in-place --from site site", 2},        // not a backup of the tree
      {"--restore --in-place --from site_BAK00 site/a.htm", 2},
      {"--format --in-place --from site_BAK00 site", 2},
      {"--restore --in-place bare", 2},                    // no backup at all
  };
  for (const Case& c : cases) EXPECT_EQ(Exec(c.args).status, c.status) << c.args;

  // A folder of the backup that cannot be listed: nothing is restored.
  GiveToNobody(home_.path());
  chmod((home_ / "site_BAK03" / "sub").c_str(), 0);
  const std::string before = ReadFile(site_ / "a.htm");
  r = RunProgram(home_.path(), home_ / "data", "--restore --in-place site", AsUnprivilegedUser());
  chmod((home_ / "site_BAK03" / "sub").c_str(), 0755);
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "Cannot list")) << r.err;
  EXPECT_EQ(ReadFile(site_ / "a.htm"), before);
}

}  // namespace
}  // namespace tessel::testing
