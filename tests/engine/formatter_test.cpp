#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine_fixture.h"

namespace tessel::testing {
namespace {

struct FormatCase {
  const char* name;
  Style style;
  std::string source;
  Lines output;
};
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class FormatCases : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatCases, LaysOutTokens) {
  Style style = GetParam().style;
  Engine engine(style);
  ExpectOutput(engine, EngineMode::Format, GetParam().source, GetParam().output);
}

Style Nested(int spacing = 4) {
  Style s;
  s.Options.Spacing = spacing;
  AddEntries(s, {MakeEntry({"<DIV>", "</DIV>", false, 0, 1})});
  return s;
}

Style Wrap20(const char* breakExcluder = "\"") {
  Style s;
  s.Options.LineSize = 20;
  s.Options.BreakExcluder = breakExcluder;
  AddEntries(s, {MakeEntry({"<A>", "</A>", true, 0, 0, 0, 0})});
  return s;
}

Style WithEntry(const TagEntry& entry, Style s = {}) {
  AddEntries(s, {entry});
  return s;
}

// Structure tags, a counted table comment, an inline tag and a cell that holds text.
Style Complete() {
  Style s;
  s.Options.Spacing = 2;
  TagEntry table = MakeEntry({"<TABLE>", "</TABLE>", false, 0, 1, 2, 1});
  table.DoGenerateSComment = table.EnableCounter = table.Cindent = true;
  table.StartComment = "Table";
  table.CommentLength = 30;
  table.CommentSymbol = "-";
  AddEntries(
      s, {MakeEntry({"<HTML>", "</HTML>"}), MakeEntry({"<BODY>", "</BODY>", false, 0, 1}), table,
          MakeEntry({"<TR>", "</TR>", false, 0, 1}), MakeEntry({"<B>", "</B>", true, 0, 0, 0, 0})});
  return s;
}

Style DocLinePartsOff() {
  Style s;
  s.Options.UseWhileFormat = true;
  s.Options.DoIncludeUser = s.Options.DoIncludeDate = s.Options.DoIncludeTime =
      s.Options.DoIncludeStyle = s.Options.DoIncludeVersion = false;
  return s;
}

TagEntry FramedCell() {
  TagEntry td = MakeEntry({"<TD>", "</TD>", false, 1, 0, 2, 3});
  td.DoGenerateSComment = td.DoGenerateEComment = true;
  td.CommentLength = 20;
  return td;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatCases,
    ::testing::Values(
        FormatCase{"CompleteRun", Complete(),
                   "<html><body>\n<table><tr><td>Hello <b>big</b>\nworld</td></tr></table>\n"
                   "</body></html>\n",
                   Lines{"<HTML>", "<BODY>", "", "  <!--~------- Table1 -------~-->", "  <TABLE>",
                         "    <TR>", "      <TD>", "      Hello <B>big</B> world", "      </TD>",
                         "    </TR>", "  </TABLE>", "</BODY>", "</HTML>"}},
        FormatCase{"EmptyWithDocLineOff", Style{}, "", {}},
        FormatCase{"EmptyDocLineAllPartsOff", DocLinePartsOff(), "", Lines{""}},
        FormatCase{"TableIndentAndLeadingLine",
                   WithEntry(MakeEntry({"<TABLE>", "</TABLE>", false, 0, 1, 2, 1})),
                   "<TABLE><TR></TR></TABLE>",
                   Lines{"", "<TABLE>", "    <TR>", "    </TR>", "</TABLE>"}},
        FormatCase{"TabsPerEightColumns", Nested(), "<div><div><div>x",
                   Lines{"<DIV>", "    <DIV>", "\t<DIV>", "\t    x"}},
        FormatCase{"SpacingZeroNoIndent", Nested(0), "<div><div>x", Lines{"<DIV>", "<DIV>", "x"}},
        FormatCase{"ClosingAtLevelZeroStaysZero", Nested(), "</div></div><div>x",
                   Lines{"</DIV>", "</DIV>", "<DIV>", "    x"}},
        FormatCase{"WrapAtLastSpace", Wrap20(), "aaaa bbbb cccc dddd eeee ffff",
                   Lines{"aaaa bbbb cccc dddd", "eeee ffff"}},
        FormatCase{"NoBreakInsideTag", Wrap20("<>"), "see <a href=x title=y>this</a> now",
                   Lines{"see", "<A href=x title=y>this</A> now"}},
        // The cut was decided past the end of what remains: wrapping stops.
        FormatCase{"NoBreakInsideQuotes", Wrap20(), "x \"aaaa bbbb cccc dddd eeee\" y",
                   Lines{"x", "\"aaaa bbbb cccc dddd eeee\" y"}},
        FormatCase{"TrailingSpaceDoesNotCount", Wrap20(), "aaaa bbbb cccc ddddd\n<br>",
                   Lines{"aaaa bbbb cccc ddddd", "<BR>"}},
        FormatCase{"LongWordNeverBroken", Wrap20(), std::string(50, 'w'),
                   Lines{std::string(50, 'w')}},
        FormatCase{"PreKeepsItsLayout", Nested(), "<div><pre>\n\tx  \n\n  y</pre></div>",
                   Lines{"<DIV>", "<pre>", "\tx", "", "  y</pre>", "</DIV>"}},
        FormatCase{"CellBlockIndentedAndFramed", WithEntry(FramedCell(), Nested()),
                   "<div><td><img src=a></td></div>",
                   Lines{"<DIV>", "", "\t<!--~**********~-->", "\t<TD><IMG src=a></TD>",
                         "\t<!--~**********~-->", "", "", "</DIV>"}},
        FormatCase{"HashTextSurvives", Style{}, "### not a marker\n<pre>\n###<PRE>:1\n</pre>",
                   Lines{"### not a marker", "<pre>", "###<PRE>:1", "</pre>"}},
        FormatCase{"DeepNestingStopsMovingRight", Nested(200), "<div><div>x",
                   Lines{"<DIV>", std::string(25, '\t') + "<DIV>", std::string(32, '\t') + "x"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatterTest, PartialModePrefixesSelectionIndent) {
  Style style = Nested();
  style.Options.UseWhileFormat = true;
  Engine engine(style);
  engine.PartialMode = true;
  engine.SelectionIndent = "  ";
  ExpectOutput(engine, EngineMode::Format, "<div>x</div>", {"  <DIV>", "      x", "  </DIV>"});
}

}  // namespace
}  // namespace tessel::testing
