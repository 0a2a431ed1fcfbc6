#include <gtest/gtest.h>

#include <functional>

#include "engine/engine.h"
#include "engine_fixture.h"

namespace tessel::testing {
namespace {

// The complete worked run: structure tags, a counted table comment, an inline tag and a
// cell that holds text.
TEST(FormatterTest, CompleteRun) {
  Style style;
  style.Options.Spacing = 2;
  style.Options.LineSize = 80;
  style.Options.UseWhileFormat = false;
  TagEntry table = MakeEntry({"<TABLE>", "</TABLE>", false, 0, 1, 2, 1});
  table.DoGenerateSComment = true;
  table.StartComment = "Table";
  table.EnableCounter = true;
  table.CommentLength = 30;
  table.CommentSymbol = "-";
  table.Cindent = true;
  AddEntries(
      style,
      {MakeEntry({"<HTML>", "</HTML>"}), MakeEntry({"<BODY>", "</BODY>", false, 0, 1}), table,
       MakeEntry({"<TR>", "</TR>", false, 0, 1}), MakeEntry({"<B>", "</B>", true, 0, 0, 0, 0})});
  Engine engine(style);
  std::string source =
      "<html><body>\n<table><tr><td>Hello <b>big</b>\nworld</td></tr></table>\n</body></html>\n";
  EXPECT_EQ(
      Tokens(engine, source),
      (Lines{"<HTML>", "<BODY>", "<TABLE>", "<TR>", "<TD>", "Hello <B>big</B> world", "</TD>",
             "</TR>", "</TABLE>", "</BODY>", "</HTML> "}));  // a tag keeps the line break after it
  engine.Format();
  EXPECT_EQ(engine.OutputLines.ToStrings(),
            (Lines{"<HTML>", "<BODY>", "", "  <!--~------- Table1 -------~-->", "  <TABLE>",
                   "    <TR>", "      <TD>", "      Hello <B>big</B> world", "      </TD>",
                   "    </TR>", "  </TABLE>", "</BODY>", "</HTML>"}));
}

}  // namespace
}  // namespace tessel::testing

namespace tessel::testing {
namespace {

struct FormatCase {
  const char* name;
  std::function<void(Style&)> setup;
  std::string source;
  Lines output;
};
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class FormatCases : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatCases, LaysOutTokens) {
  const FormatCase& c = GetParam();
  Style style;
  if (c.setup) c.setup(style);
  Engine engine(style);
  EXPECT_EQ(Formatted(engine, c.source), c.output);
}

void TableStyle(Style& s) {
  AddEntries(s, {MakeEntry({"<TABLE>", "</TABLE>", false, 0, 1, 2, 1})});
}
void NestedStyle(Style& s) { AddEntries(s, {MakeEntry({"<DIV>", "</DIV>", false, 0, 1})}); }
void Wrap20(Style& s) { s.Options.LineSize = 20; }

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatCases,
    ::testing::Values(
        FormatCase{"EmptyWithDocLineOff", nullptr, "", {}},
        FormatCase{"EmptyDocLineAllPartsOff",
                   [](Style& s) {
                     s.Options.UseWhileFormat = true;
                     s.Options.DoIncludeUser = s.Options.DoIncludeDate = s.Options.DoIncludeTime =
                         s.Options.DoIncludeStyle = s.Options.DoIncludeVersion = false;
                   },
                   "",
                   {""}},
        FormatCase{"TableIndentAndLeadingLine",
                   TableStyle,
                   "<TABLE><TR></TR></TABLE>",
                   {"", "<TABLE>", "    <TR>", "    </TR>", "</TABLE>"}},
        FormatCase{"TabsPerEightColumns",
                   NestedStyle,
                   "<div><div><div>x",
                   {"<DIV>", "    <DIV>", "\t<DIV>", "\t    x"}},
        FormatCase{"SpacingZeroNoIndent",
                   [](Style& s) {
                     NestedStyle(s);
                     s.Options.Spacing = 0;
                   },
                   "<div><div>x",
                   {"<DIV>", "<DIV>", "x"}},
        FormatCase{"ClosingAtLevelZeroStaysZero",
                   NestedStyle,
                   "</div></div><div>x",
                   {"</DIV>", "</DIV>", "<DIV>", "    x"}},
        FormatCase{"WrapAtLastSpace",
                   Wrap20,
                   "aaaa bbbb cccc dddd eeee ffff",
                   {"aaaa bbbb cccc dddd", "eeee ffff"}},
        FormatCase{"NoBreakInsideTag",
                   [](Style& s) {
                     Wrap20(s);
                     s.Options.BreakExcluder = "<>";
                     AddEntries(s, {MakeEntry({"<A>", "</A>", true, 0, 0, 0, 0})});
                   },
                   "see <a href=x title=y>this</a> now",
                   {"see", "<A href=x title=y>this</A> now"}},
        FormatCase{"NoBreakInsideQuotes",
                   Wrap20,
                   "x \"aaaa bbbb cccc dddd eeee\" y",
                   // the cut was decided past the end of what remains: wrapping stops
                   {"x", "\"aaaa bbbb cccc dddd eeee\" y"}},
        FormatCase{"TrailingSpaceDoesNotCount", Wrap20, "aaaa bbbb cccc ddddd\n<br>",
                   {"aaaa bbbb cccc ddddd", "<BR>"}},
        FormatCase{"LongWordNeverBroken", Wrap20, std::string(50, 'w'), {std::string(50, 'w')}},
        FormatCase{"PreKeepsItsLayout",
                   NestedStyle,
                   "<div><pre>\n\tx  \n\n  y</pre></div>",
                   {"<DIV>", "<pre>", "\tx", "", "  y</pre>", "</DIV>"}},
        FormatCase{"CellBlockIndentedAndFramed",
                   [](Style& s) {
                     NestedStyle(s);
                     TagEntry td = MakeEntry({"<TD>", "</TD>", false, 1, 0, 2, 3});
                     td.DoGenerateSComment = td.DoGenerateEComment = true;
                     td.CommentLength = 20;
                     AddEntries(s, {td});
                   },
                   "<div><td><img src=a></td></div>",
                   {"<DIV>", "", "\t<!--~**********~-->", "\t<TD><IMG src=a></TD>",
                    "\t<!--~**********~-->", "", "", "</DIV>"}},
        FormatCase{"HashTextSurvives",
                   nullptr,
                   "### not a marker\n<pre>\n###<PRE>:1\n</pre>",
                   {"### not a marker", "<pre>", "###<PRE>:1", "</pre>"}},
        FormatCase{"DeepNestingStopsMovingRight",
                   [](Style& s) {
                     NestedStyle(s);
                     s.Options.Spacing = 200;
                   },
                   "<div><div>x",
                   {"<DIV>", std::string(25, '\t') + "<DIV>", std::string(32, '\t') + "x"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatterTest, PartialModePrefixesSelectionIndent) {
  Style style;
  NestedStyle(style);
  style.Options.UseWhileFormat = true;
  Engine engine(style);
  engine.PartialMode = true;
  engine.SelectionIndent = "  ";
  EXPECT_EQ(Formatted(engine, "<div>x</div>"), (Lines{"  <DIV>", "      x", "  </DIV>"}));
}

}  // namespace
}  // namespace tessel::testing
