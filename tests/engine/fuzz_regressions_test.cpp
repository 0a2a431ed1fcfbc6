// Inputs the engine fuzzer found, kept so that the faults they showed stay fixed.
#include <gtest/gtest.h>

#include <climits>
#include <ctime>

#include "base/ascii.h"
#include "engine/engine.h"
#include "engine_fixture.h"
#include "support/text_essence.h"

namespace tessel::testing {
namespace {

// A hand-edited CommentLength is any int: INT_MIN overflowed the width arithmetic.
TEST(EngineFuzzRegressions, CommentLengthsAtTheEndsOfInt) {
  const std::string stars(1000, '*');
  const struct {
    int Length;
    std::string Comment;
  } cases[] = {
      {INT_MIN, "<!--~ T ~-->"},
      {INT_MIN + 5, "<!--~ T ~-->"},
      {-100, "<!--~ T ~-->"},
      {15, "<!--~** T **~-->"},
      {INT_MAX, "<!--~" + stars + " T " + stars + "~-->"},
  };
  for (const auto& c : cases) {
    Style style;
    TagEntry b = MakeEntry({"<B>", "</B>"});
    b.DoGenerateSComment = true;
    b.StartComment = "T";
    b.CommentLength = c.Length;
    AddEntries(style, {b});
    Engine engine(style);
    EXPECT_EQ(Formatted(engine, "<b>"), (Lines{c.Comment, "<B>"})) << c.Length;
  }
}

std::string Repeat(std::string_view piece, size_t times) {
  std::string s;
  for (size_t i = 0; i < times; ++i) s += piece;
  return s;
}

// Shapes the fuzzer timed. A second of CPU time is over ten times what the linear work
// takes in a sanitizer build, and a small part of what the quadratic work took.
TEST(EngineFuzzRegressions, RepeatedShapesFormatInLinearTime) {
  const std::string deepest = std::string(kMaxIndentColumns / 8, '\t') + "<B>";
  const struct {
    const char* Name;
    std::string Source;
    bool HundredEmptyLines;  // a style that puts 99 empty lines before each <B>
    size_t LineCount;
    std::string LastLine;
  } cases[] = {
      // One cell of names that never end: the tag case was applied from every "<" onwards.
      {"cell_of_unterminated_names", Repeat("<td\377\377\377cx", 40000), false, 1,
       AsciiUpperCase(Repeat("<td\377\377\377cx", 40000))},
      // Own-comment openers without a close: one comment to the end, kept as it is. The
      // keeps-text check searched for a close from each opener.
      {"unclosed_own_comment_openers", Repeat("<!--~>", 40000), false, 1, Repeat("<!--~>", 40000)},
      // Linear, but a line per byte written: the fuzzer's time budget had to count lines.
      {"empty_lines_around_unclosed_tags", Repeat("x<b>", 5000), true, 5000 * 101, deepest},
  };
  for (const auto& c : cases) {
    Style style;
    if (c.HundredEmptyLines) AddEntries(style, {MakeEntry({"<B>", "</B>", false, 12, 3, 100, 2})});
    Engine engine(style);
    const std::clock_t start = std::clock();
    const Lines out = Formatted(engine, c.Source);
    const std::string lost = LostText(c.Source, engine.OutputLines.Joined("\n"), false);
    const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    EXPECT_EQ(lost, "") << c.Name;
    EXPECT_LT(seconds, 1.0) << c.Name;
    ASSERT_EQ(out.size(), c.LineCount) << c.Name;
    EXPECT_TRUE(out.back() == c.LastLine) << c.Name;  // not printed: it may be 240 KB
  }
}

}  // namespace
}  // namespace tessel::testing
