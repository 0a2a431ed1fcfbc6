// End-to-end runs of the filter as a process, with its own data directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "test_support.h"

namespace tessel::testing {
namespace {

namespace fs = std::filesystem;

class FilterCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(SourceDataDir(), home_.path(), fs::copy_options::recursive);
    // A style of the test's own, so that tuning the shipped styles does not break it.
    WriteFile(home_ / "styles" / "Plain" / "options.ini",
              "[OPTIONS]\r\nSpacing=2\r\nBreakExcluder=<>\r\n");
    WriteFile(home_ / "styles" / "Plain" / "tag.ini",
              "[<BODY>]\r\nTagOpen=<BODY>\r\nTagClose=</BODY>\r\nisContentIndent=1\r\n"
              "[<P>]\r\nTagOpen=<P>\r\nTagClose=</P>\r\nTreatAsText=1\r\nCRLFLeading=1\r\n"
              "CRLFFollowed=1\r\n[<B>]\r\nTagOpen=<B>\r\nTagClose=</B>\r\nTreatAsText=1\r\n");
  }

  ProcessRun Exec(const std::string& args, const std::string& env = "") {
    return RunProgram(home_.path(), home_.path(), args, env);
  }

  TempDir home_;
};

TEST_F(FilterCommandTest, FormatsFileAndStdinAlikeWithCrLf) {
  WriteFile(home_ / "page.htm", "<html><body><p>Hello\n<b>world</b></p></body></html>");
  std::string before = ReadFile(home_ / "page.htm");
  ProcessRun file = Exec("--format --style plain page.htm");
  ProcessRun pipe = Exec("--format --style plain - < page.htm");
  ProcessRun implicit = Exec("--style=Plain --format < page.htm");
  ASSERT_EQ(file.status, 0) << file.err;
  EXPECT_EQ(file.out, pipe.out);
  EXPECT_EQ(file.out, implicit.out);
  EXPECT_TRUE(file.err.empty());
  EXPECT_EQ(file.out, "<HTML>\r\n<BODY>\r\n  <P>Hello <B>world</B></P>\r\n</BODY>\r\n</HTML>\r\n");
  EXPECT_EQ(ReadFile(home_ / "page.htm"), before);  // the filter never writes its input
}

TEST_F(FilterCommandTest, StylesByNameAnyCaseByDirectoryAndFromSettings) {
  WriteFile(home_ / "p.htm", "<DIV><P>x</P></DIV>\n");
  EXPECT_EQ(Exec("--format --style HTML5 p.htm").out, "<div>\r\n  <p>x</p>\r\n</div>\r\n");
  EXPECT_EQ(Exec("--format --style ./styles/html5 p.htm").out, "<div>\r\n  <p>x</p>\r\n</div>\r\n");
  WriteFile(home_ / "prg.ini", "[OPTIONS]\r\nStyleName=html5\r\n");
  EXPECT_EQ(Exec("--format p.htm").out, "<div>\r\n  <p>x</p>\r\n</div>\r\n");
  // A stored style that is gone falls back to the first style, silently.
  WriteFile(home_ / "prg.ini", "[OPTIONS]\r\nStyleName=gone\r\n");
  ProcessRun fallback = Exec("--format p.htm");
  EXPECT_EQ(fallback.status, 0);
  EXPECT_EQ(fallback.out, Exec("--format --style _default p.htm").out);
}

TEST_F(FilterCommandTest, CompressAndTrim) {
  WriteFile(home_ / "p.htm", "<p>\n  a <!-- note -->\n  b\n</p>\n<pre>\n 1\n</pre>\n");
  ProcessRun c = Exec("--compress --style Plain p.htm");
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(c.out, "<P> a b </P>\r\n<pre>\r\n 1\r\n</pre>\r\n");
  // A style that keeps comments keeps the note in the running line.
  WriteFile(home_ / "styles" / "Plain" / "options.ini", "[OPTIONS]\r\nDoPurgeComments=0\r\n");
  EXPECT_EQ(Exec("--compress --style Plain p.htm").out,
            "<P> a <!-- note -->b </P>\r\n<pre>\r\n 1\r\n</pre>\r\n");
  WriteFile(home_ / "t.htm", "<td>\n x </td> <b> y </b>\n");
  WriteFile(home_ / "trim.ini", "[TRIMTAGS]\r\n<TD>=1\r\n</TD>=1\r\n<B>=0\r\n");
  EXPECT_EQ(Exec("--trim t.htm").out, "<td>x</td> <b> y </b>\r\n");
}

TEST_F(FilterCommandTest, DocumentationLineIsReproducible) {
  WriteFile(home_ / "p.htm", "<table></table>\n");
  ProcessRun r = Exec("--format --style documented p.htm", "SOURCE_DATE_EPOCH=1796475900");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find("\r\n")),
            "<!--~ Unknown User, DATE: 2026-12-05, TIME: 01:05 pm, STYLE: documented, "
            "Tessel HTML v3.5e  ~-->");
}

TEST_F(FilterCommandTest, BadInputGetsOneLineAndNoOutput) {
  WriteFile(home_ / "nul.htm", std::string("<p>a\0b</p>", 10));
  struct Case {
    std::string args;
    int status;
    std::string needle;
  } cases[] = {
      {"--format missing.htm", 2, "missing.htm"},
      {"--format --bogus", 2, "unknown option"},
      {"--format --style nosuch p.htm", 2, "no style named 'nosuch'"},
      {"--format --style ./nowhere p.htm", 2, "not a style directory"},
      {"--format a.htm b.htm", 2, "only one file"},
      {"--trim --style html5", 2, "--trim"},
      {"--format --compress", 2, "choose one"},
      {"--format nul.htm", 2, "NUL byte"},
      {"--format .", 2, ""},
  };
  for (const Case& c : cases) {
    ProcessRun r = Exec(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_TRUE(r.out.empty()) << c.args;
    EXPECT_NE(r.err.find(c.needle), std::string::npos) << c.args << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.args << ": " << r.err;
  }
}

// Scripts and the manual page read these: every line is clean, and the version is one line.
TEST_F(FilterCommandTest, VersionAndHelpPrintCleanLines) {
  for (const char* args : {"--version", "--help"}) {
    ProcessRun r = Exec(args);
    EXPECT_EQ(r.status, 0) << args;
    EXPECT_TRUE(r.err.empty()) << args << ": " << r.err;
    ASSERT_FALSE(r.out.empty()) << args;
    EXPECT_EQ(r.out.back(), '\n') << args;
    for (size_t end = r.out.find('\n'); end != std::string::npos; end = r.out.find('\n', end + 1)) {
      const char last = end == 0 ? '\n' : r.out[end - 1];
      EXPECT_TRUE(last != ' ' && last != '\r') << args << ": " << r.out;
    }
  }
  const std::string version = Exec("--version").out;
  EXPECT_EQ(version.rfind("Tessel HTML v", 0), 0u) << version;
  EXPECT_EQ(std::count(version.begin(), version.end(), '\n'), 1) << version;
}

TEST_F(FilterCommandTest, NoValidStyleEndsWithTheMessage) {
  fs::remove_all(home_ / "styles");
  fs::create_directories(home_ / "styles" / "broken");
  WriteFile(home_ / "styles" / "broken" / "options.ini", "[OPTIONS]\r\n");
  WriteFile(home_ / "p.htm", "x\n");
  ProcessRun r = Exec("--format p.htm");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(r.err,
            "No valid Formatting-Style found!\nPlease reinstall TESSEL HTML.\nProgram "
            "terminated...\nNo style (a folder with options.ini and tag.ini) in \"" +
                (home_ / "styles").string() + "\"\n");
}

}  // namespace
}  // namespace tessel::testing
