#include "styles/style_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <tuple>

#include "styles/ini_file.h"
#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

auto Fields(const StyleOptions& o) {
  return std::tie(o.StyleName, o.StyleDescription, o.LineSize, o.Spacing, o.DoDisableComments,
                  o.DoPurgeComments, o.BreakExcluder, o.TagCase, o.UserInfo, o.DoIncludeUser,
                  o.DoIncludeVersion, o.DoIncludeDate, o.DoIncludeTime, o.DoIncludeStyle,
                  o.UseWhileCompress, o.UseWhileFormat, o.DoIndentSpacesOnly);
}

auto Fields(const TagEntry& e) {
  return std::tie(e.TagName, e.TreatAsText, e.TagOpen, e.TagClose, e.isSelfIndent,
                  e.isContentIndent, e.CRLFLeading, e.CRLFFollowed, e.DoGenerateSComment,
                  e.DoGenerateEComment, e.StartComment, e.EndComment, e.CommentLength,
                  e.CommentSymbol, e.Cindent, e.EnableCounter, e.TagNumber);
}

const StyleOptions kChanged = {"mine",     "A description", 120,   2,     true,  false, "<>", 3,
                               "Jane Doe", false,           false, false, false, false, true, true,
                               true};

TEST(StyleFiles, OptionsRoundTripEveryKey) {
  // Each direction reads into a record holding the other values, so no key passes by
  // keeping what was there.
  const StyleOptions values[] = {kChanged, StyleOptions{}};
  for (int i = 0; i < 2; ++i) {
    TempDir tmp;
    std::string err;
    ASSERT_TRUE(WriteStyleOptions(tmp.path(), values[i], &err)) << err;
    StyleOptions read = values[1 - i];
    ASSERT_TRUE(ReadStyleOptions(tmp.path(), read, &err)) << err;
    EXPECT_EQ(Fields(read), Fields(values[i])) << "round " << i;
  }
}

TEST(StyleFiles, TagTableRoundTripsEveryKey) {
  TempDir tmp;
  TagTable table;
  table.TagCount = 1;
  table.Entry(1) = {"<TABLE>", true,          "<TABLE>",   "</TABLE>", 1,   2,     3,    4, true,
                    true,      "table start", "table end", 60,         "#", false, true, 0, "",
                    1,         true};
  std::string err;
  ASSERT_TRUE(WriteTagTable(tmp.path(), table, &err)) << err;
  EXPECT_NE(ReadFile(tmp / "tag.ini").find("\r\nCIndent=0\r\n"), std::string::npos);
  TagTable read;
  ASSERT_TRUE(ReadTagTable(tmp.path(), read, &err)) << err;
  ASSERT_EQ(read.TagCount, 1);
  EXPECT_EQ(Fields(read.Entry(1)), Fields(table.Entry(1)));
}

TEST(StyleFiles, MissingKeysAndTheStandAloneMinimum) {
  TempDir tmp;
  WriteFile(tmp / "Tag.INI", "[<P>]\r\nTagOpen=<P>\r\nCindent=0\r\n[<I>]\r\nTreatAsText=1\r\n");
  TagTable table;
  std::string err;
  ASSERT_TRUE(ReadTagTable(tmp.path(), table, &err)) << err;
  const TagEntry& p = table.Entry(1);
  EXPECT_EQ(std::tie(p.Cindent, p.CommentSymbol, p.CommentLength, p.CRLFLeading, p.CRLFFollowed),
            std::make_tuple(false, "", 40, 1, 1));
  EXPECT_EQ(std::tie(table.Entry(2).Cindent, table.Entry(2).CRLFLeading), std::make_tuple(true, 0));

  table.Entry(1).CRLFLeading = 0;  // as an editor might leave it
  ASSERT_TRUE(WriteTagTable(tmp.path(), table, &err)) << err;
  EXPECT_EQ(table.Entry(1).CRLFLeading, 1);
  EXPECT_FALSE(fs::exists(tmp / "tag.ini"));  // the existing file is found whatever its case
  IniFile written;
  ASSERT_TRUE(written.Load(tmp / "Tag.INI", &err));
  EXPECT_EQ(written.GetInt("<P>", "CRLFLeading", -1), 1);
  EXPECT_EQ(written.GetInt("<I>", "CRLFLeading", -1), 0);
  EXPECT_EQ(written.Keys("<P>").size(), 15u);  // "Cindent" replaced in place, not doubled
}

TEST(StyleFiles, AtMostAHundredTagsAndNamesCutToTwenty) {
  TempDir tmp;
  const std::string longSection = "[<A-VERY-LONG-TAG-NAME-INDEED>]\r\nTagOpen=<A>\r\n";
  std::string text = longSection;
  for (int i = 2; i <= 105; ++i) text += "[<T" + std::to_string(i) + ">]\r\n";
  WriteFile(tmp / "tag.ini", text);
  TagTable table;
  std::string err;
  ASSERT_TRUE(ReadTagTable(tmp.path(), table, &err)) << err;
  EXPECT_EQ(table.TagCount, 100);
  EXPECT_EQ(table.Entry(100).TagName, "<T100>");
  EXPECT_EQ(table.Entry(1).TagName, "<A-VERY-LONG-TAG-NAM");
  EXPECT_EQ(table.Entry(1).TagOpen, "<A>");

  ASSERT_TRUE(WriteTagTable(tmp.path(), table, &err)) << err;
  const std::string written = ReadFile(tmp / "tag.ini");
  EXPECT_TRUE(written.starts_with(longSection)) << written;
  EXPECT_NE(written.find("[<T105>]\r\n[<A-VERY-LONG-TAG-NAM]\r\nTagOpen=<A>\r\n"),
            std::string::npos);
}

TEST(StyleFiles, FailedReadsAndWritesChangeNothing) {
  for (bool readOnlyDir : {false, true}) {
    TempDir tmp;
    WriteFile(tmp / "options.ini", "[OPTIONS]\r\nLineSize=90\r\n");
    WriteFile(tmp / "tag.ini", "[<P>]\r\n");
    chmod(readOnlyDir ? tmp.path().c_str() : (tmp / "options.ini").c_str(), 0555);
    if (!readOnlyDir) chmod((tmp / "tag.ini").c_str(), 0444);
    TagTable table;
    table.TagCount = 1;
    std::string err;
    EXPECT_FALSE(WriteStyleOptions(tmp.path(), kChanged, &err));
    EXPECT_FALSE(WriteTagTable(tmp.path(), table, &err));
    EXPECT_FALSE(EraseTagSection(tmp.path(), "<P>", &err));
    EXPECT_EQ(ReadFile(tmp / "options.ini"), "[OPTIONS]\r\nLineSize=90\r\n");
    EXPECT_EQ(ReadFile(tmp / "tag.ini"), "[<P>]\r\n");
  }
  TempDir tmp;
  fs::create_directories(tmp / "options.ini");  // exists, but cannot be read as a file
  StyleOptions options = kChanged;
  std::string err;
  EXPECT_FALSE(ReadStyleOptions(tmp.path(), options, &err));
  EXPECT_EQ(Fields(options), Fields(kChanged));
}

class StyleLibraryTest : public ::testing::Test {
 protected:
  void MakeStyle(const std::string& name, const std::string& options = "[OPTIONS]\r\n") {
    WriteFile(styles / name / "options.ini", options);
    WriteFile(styles / name / "tag.ini", "[<P>]\r\n");
  }
  TempDir tmp;
  fs::path styles = tmp / "styles";
  StyleLibrary library{styles};
};

TEST_F(StyleLibraryTest, ListsCompleteStylesAndFallsBackSilentlyToTheFirst) {
  WriteFile(styles / "broken" / "options.ini", "[OPTIONS]\r\n");
  std::string err;
  EXPECT_FALSE(library.Load("broken", {}, &err));  // no style at all
  EXPECT_FALSE(err.empty());

  MakeStyle("Zeta");
  MakeStyle("alpha");
  WriteFile(styles / "gamma", "a file, not a style");
  fs::create_directory_symlink("Zeta", styles / "linked");
  EXPECT_EQ(library.FindStyles(), 3);
  EXPECT_EQ(library.StyleList(), (std::vector<std::string>{"alpha", "linked", "Zeta"}));
  for (std::string_view name : {"broken", "nosuch", "", "..", "Zeta/../Zeta"}) {
    const std::optional<LoadedStyle> loaded = library.Load(name);
    ASSERT_TRUE(loaded) << name;
    EXPECT_EQ(loaded->Dir, styles / "alpha") << name;
  }
  const std::optional<LoadedStyle> zeta = library.Load("ZETA");
  ASSERT_TRUE(zeta);
  EXPECT_EQ(zeta->Value.Options.StyleName, "ZETA");
  EXPECT_EQ(zeta->Dir, styles / "Zeta");
}

TEST_F(StyleLibraryTest, UseWhileOptionsCarryOverWhenMissing) {
  MakeStyle("with", "[OPTIONS]\r\nUseWhileFormat=1\r\nUseWhileCompress=1\r\nLineSize=70\r\n");
  MakeStyle("without", "[OPTIONS]\r\nUseWhileCompress=0\r\n");
  EXPECT_FALSE(library.Load("without")->Value.Options.UseWhileFormat);
  const StyleOptions with = library.Load("with")->Value.Options;
  const StyleOptions o = library.Load("without", with)->Value.Options;
  EXPECT_EQ(std::tie(o.UseWhileFormat, o.UseWhileCompress, o.LineSize),
            std::make_tuple(true, false, 80));
}

TEST_F(StyleLibraryTest, LoadsAStyleByDirectoryUnderItsOwnName) {
  MakeStyle("../elsewhere/Custom", "[OPTIONS]\r\nStyleName=stale\r\nSpacing=7\r\n");
  EXPECT_FALSE(library.LoadFromDirectory(tmp / "elsewhere"));
  const std::optional<LoadedStyle> loaded =
      library.LoadFromDirectory(tmp / "elsewhere" / "Custom" / "");
  ASSERT_TRUE(loaded);
  const Style& style = loaded->Value;
  EXPECT_EQ(std::tie(style.Options.StyleName, style.Options.Spacing, style.Tags.TagCount),
            std::make_tuple("Custom", 7, 1));
}

}  // namespace
}  // namespace tessel
