#include "conventions/file_conventions.h"

#include <gtest/gtest.h>

#include "conventions/editor_config.h"
#include "test_support.h"

namespace tessel {
namespace {

using testing::TempDir;
using testing::WriteFile;

constexpr auto CRLF = LineEnd::CrLf;
constexpr auto LF = LineEnd::Lf;
constexpr auto CR = LineEnd::Cr;
constexpr std::nullopt_t None = std::nullopt;

struct EolCase {
  LineEndSetting Settings;
  std::optional<LineEndSetting> CommandLine;
  const char* EditorConfig;  // the end_of_line line, or nullptr for no .editorconfig
  std::string_view Bytes;
  LineEnd Expected;
  bool FromEditorConfig;
};

// Line ends: the command line before the .editorconfig before the settings; a "keep" in a
// file without a line end lets the next one decide.
TEST(DecideConventionsTest, LineEndsInEveryOrderOfSources) {
  const EolCase cases[] = {
      {LineEndSetting::CrLf, None, nullptr, "a\nb\n", CRLF, false},
      {LineEndSetting::Lf, None, nullptr, "a\r\nb", LF, false},
      {LineEndSetting::Keep, None, nullptr, "a\nb\r\n", LF, false},
      {LineEndSetting::Keep, None, nullptr, "a\r\nb\n", CRLF, false},
      {LineEndSetting::Keep, None, nullptr, "a\rb", CR, false},
      {LineEndSetting::Keep, None, nullptr, "one line", CRLF, false},
      {LineEndSetting::CrLf, None, "end_of_line = lf", "a\r\n", LF, true},
      {LineEndSetting::Lf, None, "end_of_line = CRLF", "a\n", CRLF, true},
      {LineEndSetting::Keep, None, "end_of_line = cr", "a\n", CR, true},
      {LineEndSetting::Lf, None, "end_of_line = unset", "a\r\n", LF, false},
      {LineEndSetting::Lf, None, "end_of_line = bogus", "a\r\n", LF, false},
      {LineEndSetting::CrLf, LineEndSetting::CrLf, "end_of_line = lf", "a\n", CRLF, false},
      {LineEndSetting::CrLf, LineEndSetting::Lf, "end_of_line = crlf", "a\r\n", LF, false},
      {LineEndSetting::CrLf, LineEndSetting::Keep, "end_of_line = crlf", "a\nb", LF, false},
      {LineEndSetting::CrLf, LineEndSetting::Keep, "end_of_line = lf", "no end", LF, true},
      {LineEndSetting::Lf, LineEndSetting::Keep, nullptr, "no end", LF, false},
  };
  for (const EolCase& c : cases) {
    TempDir tmp;
    if (c.EditorConfig) {
      WriteFile(tmp / ".editorconfig", std::string("root = true\n[*.htm]\n") + c.EditorConfig +
                                           "\n[*.css]\nend_of_line = cr\n");
    }
    ConventionRequest request;
    request.LineEnds = c.Settings;
    request.CommandLineLineEnds = c.CommandLine;
    FileConventions out;
    std::string err;
    ASSERT_TRUE(DecideConventions(request, (tmp / "page.htm").string(), c.Bytes, out, &err)) << err;
    const std::string row =
        std::string(c.EditorConfig ? c.EditorConfig : "-") + " | " + std::string(c.Bytes);
    EXPECT_EQ(out.Eol, c.Expected) << row;
    EXPECT_EQ(out.EolFromEditorConfig, c.FromEditorConfig) << row;
    // Standard input has no .editorconfig.
    ASSERT_TRUE(DecideConventions(request, "", c.Bytes, out, &err));
    EXPECT_FALSE(out.EolFromEditorConfig) << row;
  }
}

TEST(DecideConventionsTest, IndentationAndTheNoteOfWhatAnEditorConfigDecided) {
  TempDir tmp;
  std::filesystem::create_directories(tmp / "site/deep");
  WriteFile(tmp / ".editorconfig",
            "root = true\n[*]\nindent_style = tab\ntab_width = 4\nend_of_line = lf\n"
            "charset = latin1\n");
  WriteFile(tmp / "site/.editorconfig", "[deep/*.html]\nindent_style = space\n");
  const std::string shallow = (tmp / "site/a.html").string();
  const std::string deep = (tmp / "site/deep/b.html").string();
  std::string err;
  FileConventions out;

  ConventionRequest request;
  ASSERT_TRUE(DecideConventions(request, shallow, "", out, &err)) << err;
  EXPECT_EQ(out.IndentWithSpaces, false);
  EXPECT_EQ(out.TabWidth, 4);
  EXPECT_EQ(out.Charset, "latin1");
  EXPECT_EQ(out.EditorConfigNote(),
            ".editorconfig: line ends LF, indentation with TABs, a TAB is 4 columns");

  ASSERT_TRUE(DecideConventions(request, deep, "", out, &err)) << err;  // the nearest decides
  EXPECT_EQ(out.IndentWithSpaces, true);
  EXPECT_EQ(out.EditorConfigNote(), ".editorconfig: line ends LF, indentation with spaces");

  request.CommandLineIndentWithSpaces = false;
  request.CommandLineLineEnds = LineEndSetting::CrLf;
  ASSERT_TRUE(DecideConventions(request, deep, "", out, &err)) << err;
  EXPECT_EQ(out.IndentWithSpaces, false);
  EXPECT_EQ(out.EditorConfigNote(), ".editorconfig: a TAB is 4 columns");

  request.UseEditorConfig = false;
  request.CommandLineIndentWithSpaces.reset();
  ASSERT_TRUE(DecideConventions(request, deep, "", out, &err)) << err;
  EXPECT_EQ(out.IndentWithSpaces, std::nullopt);  // the style decides
  EXPECT_EQ(out.TabWidth, kIndentTabWidth);
  EXPECT_EQ(out.EditorConfigNote(), "");
}

TEST(DecideConventionsTest, AnEditorConfigThatCannotBeReadStopsTheFile) {
  TempDir tmp;
  WriteFile(tmp / ".editorconfig", "root = true\n[*\nend_of_line = lf\n");
  FileConventions out;
  std::string err;
  EXPECT_FALSE(DecideConventions({}, (tmp / "a.htm").string(), "x\n", out, &err));
  EXPECT_NE(err.find(".editorconfig line 2"), std::string::npos) << err;
  EXPECT_TRUE(HasEditorConfigAbove((tmp / "sub/a.htm").string()));
}

TEST(ParseConventionOptionTest, ValuesInBothFormsAndTheirErrors) {
  const struct {
    std::vector<std::string> Args;
    int Result;
    std::string Error;
  } cases[] = {
      {{"--line-ends", "LF"}, 1, ""},
      {{"--line-ends=keep"}, 1, ""},
      {{"--indent", "spaces"}, 1, ""},
      {{"--style", "x"}, 0, ""},
      {{"--line-ends"}, -1, "--line-ends needs a value: crlf, lf or keep"},
      {{"--line-ends", "cr"}, -1, "--line-ends takes crlf, lf or keep, not 'cr'"},
      {{"--indent=tab"}, -1, "--indent takes spaces or tabs, not 'tab'"},
  };
  for (const auto& c : cases) {
    ConventionRequest request;
    std::string err;
    size_t i = 0;
    EXPECT_EQ(ParseConventionOption(c.Args, i, request, &err), c.Result) << c.Args[0];
    EXPECT_EQ(err, c.Error);
    if (c.Result == 1) {
      EXPECT_EQ(i + 1, c.Args.size()) << c.Args[0];
    }
  }
}

}  // namespace
}  // namespace tessel
