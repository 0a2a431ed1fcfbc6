#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine_fixture.h"

namespace tessel::testing {
namespace {

struct TrimCase {
  const char* name;
  std::string source;
  Lines output;
};
void PrintTo(const TrimCase& c, std::ostream* os) { *os << c.name; }

class TrimmerTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimmerTest, RemovesWhitespaceInsideSelectedTags) {
  const TrimCase& c = GetParam();
  TrimTagList list = {{true, "<A>"},  {true, "</A>"},  {true, "<TD>"}, {true, "</TD>"},
                      {false, "<B>"}, {false, "</B>"}, {true, "<a>"}};
  Style style;
  Engine engine(style);
  engine.SourceText = c.source;
  engine.TrimTags(list);
  EXPECT_EQ(engine.OutputLines.ToStrings(), c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimmerTest,
    ::testing::Values(
        TrimCase{"CellAndLink", "<TD>  <A HREF=x.htm>  Home  </A>  </TD>\n",
                 Lines{"<TD><A HREF=x.htm>Home</A></TD>"}},
        TrimCase{"LineBreaksAreBlanks", "<A>\n  Home\n</A>\n", Lines{"<A>Home</A>"}},
        TrimCase{"AttributesAndCaseStay", "<a href=y> x </a>\n", Lines{"<a href=y>x</a>"}},
        TrimCase{"UnselectedUntouched", "<B> bold </B>\n", Lines{"<B> bold </B>"}},
        TrimCase{"OutsideBlanksStay", "x <A>y</A> z\n", Lines{"x <A>y</A> z"}},
        TrimCase{"ClosingAtStart", "</A> x\n", Lines{"</A> x"}},
        TrimCase{"InsideCommentsToo", "<!-- <A> x </A> -->\n", Lines{"<!-- <A>x</A> -->"}},
        TrimCase{"WholeNamesOnly", "<BR> x <ABBR> y\n", Lines{"<BR> x <ABBR> y"}},
        TrimCase{"UnterminatedTagAtEnd", "x <A  \n", Lines{"x <A  "}},
        TrimCase{"EmptyLinesKept", "a\n\n<td>\n\n b</td>\n", Lines{"a", "", "<td>b</td>"}},
        TrimCase{"EmptySource", "", Lines{}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessel::testing
