#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine_fixture.h"

namespace tessel::testing {
namespace {

struct CommentCase {
  const char* name;
  TagEntry table;
  std::string source;
  Lines output;
  bool disabled = false;  // the style's DoDisableComments
};
void PrintTo(const CommentCase& c, std::ostream* os) { *os << c.name; }

TagEntry Table(std::string start, std::string end, int length, bool counter) {
  TagEntry table = MakeEntry({"<TABLE>", "</TABLE>"});
  table.DoGenerateSComment = table.DoGenerateEComment = true;
  table.StartComment = start;
  table.EndComment = end;
  table.CommentLength = length;
  table.EnableCounter = counter;
  return table;
}

class AutoCommentTest : public ::testing::TestWithParam<CommentCase> {};

TEST_P(AutoCommentTest, FramesTheTag) {
  const CommentCase& c = GetParam();
  Style style;
  style.Options.DoDisableComments = c.disabled;
  TagEntry inline_ = MakeEntry({"<B>", "</B>", true, 0, 0, 0, 1});
  inline_.DoGenerateSComment = inline_.DoGenerateEComment = true;
  inline_.StartComment = "b";
  inline_.EndComment = "/b";
  AddEntries(style, {c.table, inline_});
  Engine engine(style);
  ExpectOutput(engine, EngineMode::Format, c.source, c.output);
  EXPECT_EQ(style.Tags.Entry(1).CounterStack, "");
}

const std::string kStars28(28, '*');

INSTANTIATE_TEST_SUITE_P(
    Cases, AutoCommentTest,
    ::testing::Values(
        CommentCase{"CountedPair", Table("Table", "end Table", 40, true), "<table></table>",
                    Lines{"<!--~************ Table1 ************~-->", "<TABLE>", "</TABLE>",
                          "<!--~********** end Table1 **********~-->"}},
        CommentCase{"NestedNumbersPairUp", Table("T", "E", 20, true),
                    "<table><table></table></table><table></table>",
                    Lines{"<!--~**** T1 ****~-->", "<TABLE>", "<!--~**** T2 ****~-->", "<TABLE>",
                          "</TABLE>", "<!--~**** E2 ****~-->", "</TABLE>", "<!--~**** E1 ****~-->",
                          "<!--~**** T3 ****~-->", "<TABLE>", "</TABLE>", "<!--~**** E3 ****~-->"}},
        // A closing tag with nothing open has no number to show.
        CommentCase{"CloseBeforeOpen", Table("T", "E", 20, true), "</table><table></table>",
                    Lines{"</TABLE>", "<!--~**** E ****~-->", "<!--~**** T1 ****~-->", "<TABLE>",
                          "</TABLE>", "<!--~**** E1 ****~-->"}},
        CommentCase{"EmptyText", Table("", "", 40, false), "<table>",
                    Lines{"<!--~" + std::string(30, '*') + "~-->", "<TABLE>"}},
        // The counter still moves, and its number takes room, but it is not shown.
        CommentCase{
            "EmptyTextHidesNumber", Table("", "", 40, true), "<table></table>",
            Lines{"<!--~" + kStars28 + "~-->", "<TABLE>", "</TABLE>", "<!--~" + kStars28 + "~-->"}},
        CommentCase{"TextLongerThanLength", Table("a very long comment text", "", 20, false),
                    "<table>", Lines{"<!--~ a very long comment text ~-->", "<TABLE>"}},
        CommentCase{"DisabledMakesNoneAndCountsNothing", Table("Table", "end", 40, true),
                    "<table></table>", Lines{"<TABLE>", "</TABLE>"}, true},
        // An As-Text tag gets a comment only where it breaks the line: here after </B>.
        CommentCase{"AsTextOnlyWhereItBreaks", Table("x", "y", 20, false), "<b>bold</b>",
                    Lines{"<B>bold</B>", "<!--~************** /b **************~-->"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DocLineTest, PartsLeftOutAndTwelveHourClock) {
  StyleOptions o;
  DocDateTime when{2026, 12, 5, 13, 5};
  o.DoIncludeUser = o.DoIncludeTime = o.DoIncludeStyle = o.DoIncludeVersion = false;
  EXPECT_EQ(BuildDocLine(o, when), "<!--~ DATE: 2026-12-05,  ~-->");
  o.DoIncludeDate = false;
  EXPECT_EQ(BuildDocLine(o, when), "");
  o.DoIncludeTime = true;
  EXPECT_EQ(BuildDocLine(o, {2026, 1, 2, 0, 7}), "<!--~ TIME: 12:07 am,  ~-->");
  EXPECT_EQ(BuildDocLine(o, {2026, 1, 2, 12, 0}), "<!--~ TIME: 12:00 pm,  ~-->");
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
  ExpectOutput(engine, EngineMode::Format, "<b>x</b>\n",
               {"<!--~ !> a ~-- > b --! > c,  ~-->", "<!--~ -- > ~-->", "<B>x</B>"});
}

}  // namespace
}  // namespace tessel::testing
