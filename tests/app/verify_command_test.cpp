// --verify end to end: each command reports the results that could render differently from
// their pages, --in-place leaves those pages alone unless --force is given, and without
// --verify nothing changes.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace tessel::testing {
namespace {

namespace fs = std::filesystem;

// A BUTTON has no rule in the default style, so it gets a line of its own: a space a
// browser shows. The blocks only change lines between block-level boxes.
const std::string kInline = "<html><body><p>Copy &nbsp;<button>x</button> now</p></body></html>\n";
const std::string kBlocks = "<html><body>\n<div>a</div><div>b</div><p>x</p></body></html>\n";
const std::string kInlineNote =
    "could render differently: line 4, column 19: a space is shown between \"Copy &nbsp;\" and "
    "<BUTTON>";

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class VerifyCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(SourceDataDir(), home_ / "data", fs::copy_options::recursive);
    WriteFile(site_ / "inline.htm", kInline);
    WriteFile(site_ / "blocks.htm", kBlocks);
    // Nested so deeply that it is not parsed: it cannot be verified.
    std::string deep = "<html><body>";
    for (int i = 0; i < 6000; ++i) deep += "<div>\n";
    WriteFile(home_ / "deep" / "deep.htm", deep + "x</body></html>\n");
  }

  ProcessRun Exec(const std::string& args) { return RunProgram(home_.path(), home_ / "data", args); }

  TempDir home_;
  fs::path site_ = home_ / "site";
};

// Each mode gives the same output as without --verify, and the finding on standard error.
TEST_F(VerifyCommandTest, EveryModeReportsTheFirstDifferenceOnStandardError) {
  const struct {
    std::string Args;
    int Status, StatusWithout;
    std::vector<std::string> Err;  // parts of standard error with --verify, in order
  } cases[] = {
      {"--format site/inline.htm", 1, 0, {"tessel-html: site/inline.htm " + kInlineNote + "\n"}},
      {"--format - < site/inline.htm", 1, 0, {"standard input " + kInlineNote}},
      {"--format site/blocks.htm", 0, 0, {}},
      {"--compress site/inline.htm", 0, 0, {}},
      {"--format --check site", 1, 1,
       {"site/inline.htm " + kInlineNote, "tessel-html: 1 of 2 files could render differently\n"}},
      {"--format --diff site", 1, 1, {"site/inline.htm " + kInlineNote}},
      {"--format --check site/blocks.htm", 1, 1, {"0 of 1 files could render differently"}},
      {"--compress --check deep", 1, 1,
       {"deep/deep.htm could not be verified: the ", "nests its elements too deeply"}},
  };
  for (const auto& c : cases) {
    const std::string verifying = c.Args.substr(0, c.Args.find(' ')) + " --verify" +
                                  c.Args.substr(c.Args.find(' '));
    const ProcessRun with = Exec(verifying), without = Exec(c.Args);
    EXPECT_EQ(with.status, c.Status) << verifying << "\n" << with.err;
    EXPECT_EQ(without.status, c.StatusWithout) << c.Args;
    EXPECT_EQ(with.out, without.out) << verifying;  // --check's list, --diff's patch, the page
    EXPECT_EQ(without.err, "") << c.Args;
    size_t at = 0;
    for (const std::string& part : c.Err) {
      at = with.err.find(part, at);
      EXPECT_NE(at, std::string::npos) << verifying << ": " << part << "\n" << with.err;
    }
    if (c.Err.empty()) {
      EXPECT_EQ(with.err, "") << verifying;
    }
  }
}

TEST_F(VerifyCommandTest, InPlaceLeavesDifferingPagesAloneUnlessForced) {
  const std::string inlinePath = (site_ / "inline.htm").string();
  ProcessRun r = Exec("--format --in-place --verify --no-backup site");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(ReadFile(site_ / "inline.htm"), kInline);
  EXPECT_NE(ReadFile(site_ / "blocks.htm"), kBlocks);
  EXPECT_TRUE(Has(r.out, "==> " + inlinePath + "   -  left unchanged: it " + kInlineNote + "\n"))
      << r.out;
  EXPECT_TRUE(Has(r.out, "\n==> 1 of 2 files could render differently: left unchanged.\n"));
  EXPECT_FALSE(Has(r.out, "files ignored")) << r.out;

  // Formatted already: the page is its own result and renders the same.
  r = Exec("--format --in-place --verify --no-backup site/blocks.htm");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");

  r = Exec("--format --in-place --verify --force --no-backup site");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(ReadFile(site_ / "inline.htm"), kInline);
  EXPECT_TRUE(Has(r.out, "==> Formatted: " + inlinePath + "\n    " + kInlineNote + "\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "==> 1 of 2 files could render differently (marked above).\n"));

  // One file has no protocol: its finding is a line on standard error.
  const std::string deepPath = (home_ / "deep" / "deep.htm").string();
  const std::string deep = ReadFile(deepPath);
  r = Exec("--compress --in-place --verify --no-backup deep/deep.htm");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadFile(deepPath), deep);
  EXPECT_TRUE(Has(r.err, "==> " + deepPath + "   -  left unchanged: it could not be verified: "))
      << r.err;
  r = Exec("--compress --in-place --verify --force --no-backup deep/deep.htm");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(ReadFile(deepPath), deep);
  EXPECT_TRUE(Has(r.err, "==> " + deepPath + "   -  written; it could not be verified: "))
      << r.err;
}

// DoVerify in prg.ini is the window's: its automatic command line marks and writes, while
// the commands verify only when asked.
TEST_F(VerifyCommandTest, TheSettingVerifiesTheWindowsRunsOnly) {
  WriteFile(home_ / "data" / "prg.ini", "[OPTIONS]\r\nDoVerify=1\r\n");
  WriteFile(site_ / "page.htm", kInline);
  ProcessRun r = Exec("-FA site/page.htm");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.err, (site_ / "page.htm").string() + "   -  written; it " + kInlineNote))
      << r.err;
  EXPECT_NE(ReadFile(site_ / "page.htm"), kInline);
  r = Exec("--format --in-place --no-backup site/inline.htm");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

TEST_F(VerifyCommandTest, ForceAndVerifyOnlyWhereTheyMeanSomething) {
  for (const char* args : {"--format --in-place --force site", "--format --check --verify --force site",
                           "--format --force site/inline.htm", "--restore --in-place --verify site/a.htm"}) {
    const ProcessRun r = Exec(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_TRUE(Has(r.err, "--force applies to --in-place with --verify only") ||
                Has(r.err, "--verify takes --format, --compress or --trim"))
        << args << ": " << r.err;
  }
}

}  // namespace
}  // namespace tessel::testing
