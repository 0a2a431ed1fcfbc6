// Inputs the engine fuzzer found, kept so that the faults they showed stay fixed.
#include <gtest/gtest.h>

#include <climits>
#include <ctime>

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

std::string Upper(std::string s) {
  for (char& c : s) c = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
  return s;
}

// Shapes whose work grew with the square of their length. A second of CPU time is over
// fifty times what the linear work takes in a sanitizer build, and a small part of what the
// quadratic work took.
TEST(EngineFuzzRegressions, RepeatedShapesFormatInLinearTime) {
  const struct {
    const char* Name;
    std::string Source;
    Lines Output;
  } cases[] = {
      // One cell of names that never end: the tag case was applied from every "<" onwards.
      {"cell_of_unterminated_names",
       Repeat("<td\377\377\377cx", 40000),
       {Upper(Repeat("<td\377\377\377cx", 40000))}},
      // Own-comment openers without a close: one comment to the end, kept as it is. The
      // keeps-text check searched for a close from each opener.
      {"unclosed_own_comment_openers", Repeat("<!--~>", 40000), {Repeat("<!--~>", 40000)}},
  };
  for (const auto& c : cases) {
    Style style;
    Engine engine(style);
    const std::clock_t start = std::clock();
    const Lines out = Formatted(engine, c.Source);
    const std::string lost = LostText(c.Source, engine.OutputLines.Joined("\n"), false);
    const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    EXPECT_EQ(lost, "") << c.Name;
    EXPECT_LT(seconds, 1.0) << c.Name;
    EXPECT_TRUE(out == c.Output) << c.Name;  // not printed: a line is 240 KB
  }
}

}  // namespace
}  // namespace tessel::testing
