#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine_fixture.h"

namespace tessel::testing {
namespace {

struct CommentCase {
  const char* name;
  std::string start, end;
  int length;
  bool counter;
  bool disabled;
  std::string source;
  Lines output;
};
void PrintTo(const CommentCase& c, std::ostream* os) { *os << c.name; }

class AutoCommentTest : public ::testing::TestWithParam<CommentCase> {};

TEST_P(AutoCommentTest, FramesTheTag) {
  const CommentCase& c = GetParam();
  Style style;
  style.Options.DoDisableComments = c.disabled;
  TagEntry table = MakeEntry({"<TABLE>", "</TABLE>"});
  table.DoGenerateSComment = table.DoGenerateEComment = true;
  table.StartComment = c.start;
  table.EndComment = c.end;
  table.CommentLength = c.length;
  table.EnableCounter = c.counter;
  TagEntry inline_ = MakeEntry({"<B>", "</B>", true, 0, 0, 0, 1});
  inline_.DoGenerateSComment = inline_.DoGenerateEComment = true;
  inline_.StartComment = "b";
  inline_.EndComment = "/b";
  AddEntries(style, {table, inline_});
  Engine engine(style);
  EXPECT_EQ(Formatted(engine, c.source), c.output);
  EXPECT_EQ(style.Tags.Entry(1).CounterStack, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AutoCommentTest,
    ::testing::Values(
        CommentCase{"CountedPair",
                    "Table",
                    "end Table",
                    40,
                    true,
                    false,
                    "<table></table>",
                    {"<!--~************ Table1 ************~-->", "<TABLE>", "</TABLE>",
                     "<!--~********** end Table1 **********~-->"}},
        CommentCase{"NestedNumbersPairUp",
                    "T",
                    "E",
                    20,
                    true,
                    false,
                    "<table><table></table></table><table></table>",
                    {"<!--~**** T1 ****~-->", "<TABLE>", "<!--~**** T2 ****~-->", "<TABLE>",
                     "</TABLE>", "<!--~**** E2 ****~-->", "</TABLE>", "<!--~**** E1 ****~-->",
                     "<!--~**** T3 ****~-->", "<TABLE>", "</TABLE>", "<!--~**** E3 ****~-->"}},
        CommentCase{"EmptyText",
                    "",
                    "",
                    40,
                    false,
                    false,
                    "<table>",
                    {"<!--~" + std::string(30, '*') + "~-->", "<TABLE>"}},
        // The counter still moves, and its number takes room, but it is not shown.
        CommentCase{"EmptyTextHidesNumber",
                    "",
                    "",
                    40,
                    true,
                    false,
                    "<table></table>",
                    {"<!--~" + std::string(28, '*') + "~-->", "<TABLE>", "</TABLE>",
                     "<!--~" + std::string(28, '*') + "~-->"}},
        CommentCase{"TextLongerThanLength",
                    "a very long comment text",
                    "",
                    20,
                    false,
                    false,
                    "<table>",
                    {"<!--~ a very long comment text ~-->", "<TABLE>"}},
        CommentCase{"DisabledMakesNoneAndCountsNothing",
                    "Table",
                    "end",
                    40,
                    true,
                    true,
                    "<table></table>",
                    {"<TABLE>", "</TABLE>"}},
        // An As-Text tag gets a comment only where it breaks the line: here after </B>.
        CommentCase{"AsTextOnlyWhereItBreaks",
                    "x",
                    "y",
                    20,
                    false,
                    false,
                    "<b>bold</b>",
                    {"<B>bold</B>", "<!--~************** /b **************~-->"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DocLineTest, FixedOrderAndParts) {
  StyleOptions o;
  DocDateTime when{2026, 12, 5, 13, 5};
  EXPECT_EQ(BuildDocLine(o, when),
            "<!--~ Unknown User, DATE: 2026-12-05, TIME: 01:05 pm, STYLE: default, "
            "Tessel HTML v3.5e  ~-->");
  o.DoIncludeUser = o.DoIncludeTime = o.DoIncludeStyle = o.DoIncludeVersion = false;
  EXPECT_EQ(BuildDocLine(o, when), "<!--~ DATE: 2026-12-05,  ~-->");
  o.DoIncludeDate = false;
  EXPECT_EQ(BuildDocLine(o, when), "");
  o.DoIncludeTime = true;
  EXPECT_EQ(BuildDocLine(o, {2026, 1, 2, 0, 7}), "<!--~ TIME: 12:07 am,  ~-->");
  EXPECT_EQ(BuildDocLine(o, {2026, 1, 2, 12, 0}), "<!--~ TIME: 12:00 pm,  ~-->");
}

// A second run replaces the first run's comments instead of piling them up.
TEST(DocLineTest, FormattingTwiceReplacesOwnComments) {
  Style style;
  style.Options.UseWhileFormat = true;
  TagEntry table = MakeEntry({"<TABLE>", "</TABLE>"});
  table.DoGenerateSComment = true;
  table.StartComment = "T";
  AddEntries(style, {table});
  Engine engine(style);
  engine.Clock = [] { return DocDateTime{2026, 12, 5, 13, 5}; };
  Lines once = Formatted(engine, "<table>x</table>\n");
  std::string again;
  for (const std::string& l : once) again += l + "\n";
  EXPECT_EQ(Formatted(engine, again), once);
}

// Comment texts holding a comment end must not end our comment early: the rest would show
// on the page, and every further run would add one more comment.
TEST(DocLineTest, CommentEndsInTextsAreBroken) {
  Style style;
  style.Options.UseWhileFormat = true;
  style.Options.UserInfo = "!> a ~--> b --!> c";
  style.Options.DoIncludeDate = style.Options.DoIncludeTime = false;
  style.Options.DoIncludeStyle = style.Options.DoIncludeVersion = false;
  TagEntry b = MakeEntry({"<B>", "</B>", true, 0, 0, 1, 1});
  b.DoGenerateSComment = true;
  b.StartComment = "-->";
  b.CommentLength = 0;
  AddEntries(style, {b});
  Engine engine(style);
  Lines once = Formatted(engine, "<b>x</b>\n");
  EXPECT_EQ(once, (Lines{"<!--~ !> a ~-- > b --! > c,  ~-->", "<!--~ -- > ~-->", "<B>x</B>"}));
  std::string again;
  for (const std::string& l : once) again += l + "\n";
  EXPECT_EQ(Formatted(engine, again), once);
}

}  // namespace
}  // namespace tessel::testing
