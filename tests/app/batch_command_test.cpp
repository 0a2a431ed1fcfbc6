// End-to-end runs of the commands that change files, as processes with their own data.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

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
      {"--restore --in-place site", 2},
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

}  // namespace
}  // namespace tessel::testing
