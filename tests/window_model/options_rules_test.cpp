#include "window_model/options_rules.h"

#include <gtest/gtest.h>

#include "styles/style_files.h"

namespace tessel {
namespace {

TagEntry Tag(bool asText, int before, int after, bool startComment = false, bool endComment = false,
             int self = 0, int content = 0) {
  TagEntry e = DefaultTagEntry();
  e.TagName = std::string("<B>");
  e.CommentSymbol = std::string(1, '#');
  e.TreatAsText = asText;
  e.CRLFLeading = before;
  e.CRLFFollowed = after;
  e.DoGenerateSComment = startComment;
  e.DoGenerateEComment = endComment;
  e.isSelfIndent = self;
  e.isContentIndent = content;
  return e;
}

TEST(OptionsRules, GridRow) {
  struct Row {
    TagEntry entry;
    TagGridRow cells;
  } rows[] = {
      {Tag(false, 1, 2, false, false, 0, 1), {"<B>", "S", "12", " ", "01"}},
      {Tag(false, 1, 1, true, true, 2, 3), {"<B>", "S", "11", "##", "23"}},
      {Tag(false, 1, 1, false, true), {"<B>", "S", "11", " #", "00"}},
      // As Text: a comment counts only where the tag breaks the line.
      {Tag(true, 0, 0, true, false, 2, 3), {"<B>", "A", "00", " ", " "}},
      {Tag(true, 1, 0, true, true), {"<B>", "A", "10", "# ", " "}},
      {Tag(true, 0, 2, true, true), {"<B>", "A", "02", " #", " "}},
  };
  for (const Row& row : rows) EXPECT_EQ(TagGridRowOf(row.entry), row.cells) << row.cells[2];
}

// The counters' minimum, and the one rule that lifts a Stand Alone tag's line breaks (the
// rule stored files are read by): 0 becomes 1, anything else stays.
TEST(OptionsRules, LineBreakMinimum) {
  struct Row {
    bool asText;
    int before, after;
    int minimum, shownBefore, shownAfter;
  } rows[] = {
      {true, 0, 0, 0, 0, 0},    {true, 2, 0, 0, 2, 0},
      {false, 0, 0, 1, 1, 1},  // switched from As Text: both raised
      {false, 0, 3, 1, 1, 3},   {false, 2, 5, 1, 2, 5},
      {false, -1, 0, 1, -1, 1},
  };
  for (const Row& row : rows) {
    TagEntry e = Tag(row.asText, row.before, row.after);
    EXPECT_EQ(LineBreakMinimum(e), row.minimum);
    ApplyStandAloneMinimum(e);
    EXPECT_EQ(e.CRLFLeading, row.shownBefore);
    EXPECT_EQ(e.CRLFFollowed, row.shownAfter);
  }
}

TEST(OptionsRules, StoredValues) {
  EXPECT_EQ(UserInfoFromField("  <b>me</b> "), "b me /b");  // into an HTML comment
  EXPECT_EQ(StoredBackupExt(CleanBackupExt(" my bak ")), ".my_b");
  EXPECT_EQ(TagCaseFor(false, false, false, 2), 2);  // none ticked: unchanged
}

TEST(OptionsRules, Emphasis) {
  struct Row {
    TagEntry entry;
    TagEmphasis e;  // marked alone, as text; italic indent, start, end, before, after
  } rows[] = {
      {Tag(false, 1, 1), {true, false, false, false, false, false, false}},
      {Tag(false, 0, 1), {true, false, false, false, false, true, false}},
      {Tag(true, 0, 1), {false, true, true, true, false, false, false}},
      {Tag(true, 2, 0), {false, true, true, false, true, false, false}},
  };
  for (const Row& row : rows)
    EXPECT_TRUE(TagEmphasisOf(row.entry) == row.e) << row.entry.CRLFLeading;
}

TEST(OptionsRules, NewStyleName) {
  const std::vector<std::string> existing = {"_default", "Default", "html5"};
  const std::pair<const char*, const char*> rows[] = {{" my.new style ", "my_new_style"},
                                                      {"a/b\\c", "a_b_c"},
                                                      {"MixedCase", "MixedCase"},
                                                      {"default", ""},
                                                      {"HTML5 ", ""},
                                                      {"   ", ""},
                                                      {"..", "__"}};
  for (const auto& [typed, name] : rows) EXPECT_EQ(CheckNewStyle(typed, existing), name) << typed;
}

TEST(OptionsRules, NewTag) {
  TagTable table;
  AppendNewTag(table, "<TABLE>");
  const std::string notAllowed = " is not allowed to add.\r\nPlease read information above.";
  struct Row {
    const char* typed;
    const char* tag;
    std::string refusal;
  } rows[] = {
      {" font ", "<FONT>", ""},
      {"a href", "<AHREF>", ""},
      {"b*\t", "<B>", ""},
      {"</table>", "<TABLE>", "Tag: <TABLE> already exists in the current style."},
      {"", "<>", "Tag: <> is invalid and cannot be added."},
      {"pre", "<PRE>", "Tag: <PRE>" + notAllowed},
      {"%", "<%>", "Tag: <%>" + notAllowed},
      {"!--", "<!-->", "Tag: <!-->" + notAllowed},
  };
  for (const Row& row : rows) {
    const std::string tag = NormalizeNewTag(row.typed);
    EXPECT_EQ(tag, row.tag);
    EXPECT_EQ(ValidateNewTag(tag, table), row.refusal) << row.typed;
  }

  for (int i = 2; i < kMaxTags; ++i) AppendNewTag(table, "<T" + std::to_string(i) + ">");
  EXPECT_EQ(ValidateNewTag("<FONT>", table), "");  // 99 tags: one more fits
  ASSERT_TRUE(AppendNewTag(table, "<FONT>"));
  EXPECT_EQ(table.Entry(kMaxTags).TagNumber, kMaxTags);
  EXPECT_EQ(ValidateNewTag("<BIG>", table), "Tag cannot be added. Maximum of 100 tags reached.");
  EXPECT_FALSE(AppendNewTag(table, "<BIG>"));
}

TEST(OptionsRules, ANineteenLetterTagIsCutToTheField) {
  const std::string tag = NormalizeNewTag("abcdefghijklmnopqrs");
  ASSERT_EQ(tag.size(), 21u);
  const TagEntry entry = NewTagEntry(tag);
  EXPECT_EQ(entry.TagName, "<ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(entry.TagOpen, "<ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(entry.TagClose, "</ABCDEFGHIJKLMNOPQR");
  EXPECT_EQ(NewTagEntry("<FONT>").TagClose, "</FONT>");
}

TEST(OptionsRules, RemovingATagKeepsTheOthersAsEdited) {
  TagTable table;
  for (const char* tag : {"<A>", "<B>", "<C>"}) AppendNewTag(table, tag);
  table.Entry(3).CRLFLeading = 4;  // an unsaved edit
  ASSERT_TRUE(RemoveTagEntry(table, 2));
  ASSERT_EQ(table.TagCount, 2);
  EXPECT_EQ(table.Entry(2).TagName, "<C>");
  EXPECT_EQ(table.Entry(2).TagNumber, 2);
  EXPECT_EQ(table.Entry(2).CRLFLeading, 4);
  EXPECT_EQ(table.Entry(3).TagName, "");
  EXPECT_FALSE(RemoveTagEntry(table, 3));
}

}  // namespace
}  // namespace tessel
