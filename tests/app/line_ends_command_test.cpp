// Line ends and indentation from every command that writes or shows a result, chosen on the
// command line, by an .editorconfig above the file, or in "prg.ini".
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace tessel::testing {
namespace {

namespace fs = std::filesystem;

// "crlf", "lf", "cr", "mixed" or "none": the line ends `bytes` hold.
std::string LineEndsOf(const std::string& bytes) {
  size_t crlf = 0, lf = 0, cr = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      ++crlf, ++i;
    } else if (bytes[i] == '\n') {
      ++lf;
    } else if (bytes[i] == '\r') {
      ++cr;
    }
  }
  if (crlf + lf + cr == 0) return "none";
  if (crlf && !lf && !cr) return "crlf";
  if (lf && !crlf && !cr) return "lf";
  return cr && !crlf && !lf ? "cr" : "mixed";
}

class LineEndsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::copy(SourceDataDir(), home_ / "data", fs::copy_options::recursive); }
  ProcessRun Exec(const std::string& args) {
    return RunProgram(home_.path(), home_ / "data", args);
  }

  TempDir home_;
  fs::path site_ = home_ / "site";
};

const std::string kPage = "<html>\n<body>\n<table><tr><td>x</td></tr></table>\n</body>\n</html>\n";

std::string With(const std::string& eol) {
  std::string out;
  for (char c : kPage) c == '\n' ? out += eol : out += c;
  return out;
}

TEST_F(LineEndsCommandTest, EveryPathWritesTheLineEndsChosen) {
  struct Case {
    std::string Args;  // "F" stands for the page
    std::string Page, EditorConfig, Settings;
    std::string Expected;
  };
  const std::string lfConfig = "root = true\n[*.htm]\nend_of_line = lf\n";
  const std::vector<Case> cases = {
      {"--format F", With("\n"), "", "", "crlf"},
      {"--format --line-ends lf F", With("\r\n"), "", "", "lf"},
      {"--format --line-ends keep F", With("\n"), "", "", "lf"},
      {"--format --line-ends=keep F", With("\r\n"), "", "", "crlf"},
      {"--trim --line-ends keep - < F", With("\r"), "", "", "cr"},
      {"--format F", With("\r\n"), lfConfig, "", "lf"},
      {"--format - < F", With("\r\n"), lfConfig, "", "crlf"},  // no file, no .editorconfig
      {"--format --line-ends crlf F", With("\n"), lfConfig, "", "crlf"},
      {"--compress --in-place --no-backup F", With("\r\n"), lfConfig, "", "lf"},
      {"--format --in-place site", With("\r\n"), lfConfig, "", "lf"},
      {"--format --in-place --line-ends keep site", With("\n"), "", "", "lf"},
      {"--format --in-place --line-ends lf --no-backup F", With("\r\n"), "", "", "lf"},
      {"-FA F", With("\r\n"), "", "LineEnds=lf", "lf"},  // the window's run, by its settings
      {"-FA F", With("\n"), "", "LineEnds=keep", "lf"},
      {"-FA F", With("\r\n"), lfConfig, "LineEnds=crlf", "lf"},
      {"--format --in-place --no-backup F", With("\n"), "", "LineEnds=lf", "crlf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Args + " | " + c.EditorConfig + " | " + c.Settings);
    fs::remove_all(site_);
    fs::remove_all(home_ / "site_BAK00");
    WriteFile(site_ / "p.htm", c.Page);
    if (!c.EditorConfig.empty()) WriteFile(site_ / ".editorconfig", c.EditorConfig);
    WriteFile(home_ / "data" / "prg.ini", "[OPTIONS]\r\n" + c.Settings + "\r\n");
    std::string args = c.Args;
    if (const size_t f = args.find(" F"); f != std::string::npos) args.replace(f, 2, " site/p.htm");
    if (args.starts_with("-FA")) args = "-FA site/p.htm";
    const ProcessRun r = Exec(args);
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    const bool toStdout = args.find("--in-place") == std::string::npos && !args.starts_with("-FA");
    const std::string result = toStdout ? r.out : ReadFile(site_ / "p.htm");
    EXPECT_EQ(LineEndsOf(result), c.Expected) << ::testing::PrintToString(result);
    if (args.find("--in-place site") != std::string::npos && !c.EditorConfig.empty()) {
      EXPECT_NE(r.out.find("    .editorconfig: line ends LF"), std::string::npos) << r.out;
    }
  }
}

TEST_F(LineEndsCommandTest, CheckAndDiffCompareWithTheLineEndsChosen) {
  WriteFile(site_ / "p.htm", With("\n"));
  ASSERT_EQ(Exec("--format --in-place --no-backup --line-ends keep site/p.htm").status, 0);
  EXPECT_EQ(Exec("--format --check --line-ends keep site/p.htm").status, 0);
  EXPECT_EQ(Exec("--format --check --line-ends lf site/p.htm").status, 0);
  const ProcessRun crlf = Exec("--format --diff site/p.htm");
  EXPECT_EQ(crlf.status, 1);
  EXPECT_NE(crlf.out.find("(the result ends every line with CR LF)"), std::string::npos);

  WriteFile(site_ / ".editorconfig", "root = true\n[*]\nend_of_line = lf\n");
  const ProcessRun lf = Exec("--format --check site/p.htm");
  EXPECT_EQ(lf.status, 0) << lf.out;
  EXPECT_EQ(lf.err,
            "tessel-html: an .editorconfig decided the line ends or the indentation of 1 "
            "of the files\n");
  WriteFile(site_ / ".editorconfig", "root = true\n[*\n");
  const ProcessRun broken = Exec("--format --check site/p.htm");
  EXPECT_EQ(broken.status, 2);
  EXPECT_NE(broken.err.find(".editorconfig line 2"), std::string::npos) << broken.err;
  const ProcessRun left = Exec("--format --in-place --no-backup site/p.htm");
  EXPECT_EQ(left.status, 1);
  EXPECT_EQ(LineEndsOf(ReadFile(site_ / "p.htm")), "lf");  // left as it was
}

TEST_F(LineEndsCommandTest, IndentationWithSpacesOnly) {
  WriteFile(site_ / "p.htm", kPage);
  const ProcessRun tabs = Exec("--format --style _default site/p.htm");
  ASSERT_NE(tabs.out.find("\n\t"), std::string::npos) << tabs.out;
  const ProcessRun spaces = Exec("--format --style _default --indent spaces site/p.htm");
  EXPECT_EQ(spaces.out.find('\t'), std::string::npos) << spaces.out;
  WriteFile(site_ / ".editorconfig", "root = true\n[*]\nindent_style = space\n");
  EXPECT_EQ(Exec("--format --style _default site/p.htm").out, spaces.out);
  EXPECT_EQ(Exec("--format --style _default --indent tabs site/p.htm").out, tabs.out);
  EXPECT_EQ(Exec("--format --indent tab site/p.htm").err,
            "tessel-html: --indent takes spaces or tabs, not 'tab' (see tessel-html --help)\n");
}

}  // namespace
}  // namespace tessel::testing
