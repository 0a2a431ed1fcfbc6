// Inputs the engine fuzzer found, kept so that the faults they showed stay fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <ctime>
#include <limits>
#ifdef __GLIBC__
#include <malloc.h>
#endif

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
  TagEntry b = MakeEntry({"<B>", "</B>"});
  b.DoGenerateSComment = true;
  b.StartComment = "T";
  for (const auto& c : cases) {
    Style style;
    b.CommentLength = c.Length;
    AddEntries(style, {b});
    Engine engine(style);
    EXPECT_EQ(Output(engine, EngineMode::Format, "<b>"), (Lines{c.Comment, "<B>"})) << c.Length;
  }
}

std::string Repeat(std::string_view piece, size_t times) {
  std::string s;
  for (size_t i = 0; i < times; ++i) s += piece;
  return s;
}

// Shapes the fuzzer timed. Eight times the input must cost about eight times the CPU time,
// where quadratic work costs about 64 times. A ratio, unlike a time limit, holds on a loaded
// machine and in a sanitizer build alike.
TEST(EngineFuzzRegressions, RepeatedShapesFormatInLinearTime) {
  const std::string deepest = std::string(kMaxIndentColumns / 8, '\t') + "<B>";
  const struct {
    const char* Name;
    std::string Piece;
    size_t Times;            // of the piece in the larger input
    bool HundredEmptyLines;  // a style that puts 99 empty lines before each <B>
  } cases[] = {
      // One cell of names that never end: the tag case was applied from every "<" onwards.
      {"cell_of_unterminated_names", "<td\377\377\377cx", 40000, false},
      // Own-comment openers without a close: one comment to the end, kept as it is. The
      // keeps-text check searched for a close from each opener.
      {"unclosed_own_comment_openers", "<!--~>", 40000, false},
      // Linear, but a line per byte written: the fuzzer's time budget had to count lines.
      {"empty_lines_around_unclosed_tags", "x<b>", 1000, true},
  };
#ifdef __GLIBC__
  // Fresh pages cost far more per byte than reused ones, and glibc hands freed memory back
  // early and by sizes: kept, it lets both sizes run on reused memory alike.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Style style;
    if (c.HundredEmptyLines) AddEntries(style, {MakeEntry({"<B>", "</B>", false, 12, 3, 100, 2})});
    Engine engine(style);
    // CPU time of the best of `runs` runs straight on the engine, whose buffers are reused:
    // the first run of a size pays for growing them, and any run may be disturbed.
    auto best = [&](const std::string& source, int runs) {
      std::clock_t least = std::numeric_limits<std::clock_t>::max();
      for (int run = 0; run < runs; ++run) {
        const std::clock_t start = std::clock();
        engine.SourceText = source;
        engine.Tokenize();
        engine.Format();
        EXPECT_EQ(LostText(source, engine.OutputLines.Joined("\n"), false), "");
        least = std::min(least, std::clock() - start);
      }
      return double(std::max<std::clock_t>(least, 1));
    };
    const std::string source = Repeat(c.Piece, c.Times);
    const double small = best(Repeat(c.Piece, c.Times / 8), 5);
    const double ratio = best(source, 3) / small;
    EXPECT_LT(ratio, 24) << "eight times the input took " << ratio << " times as long";
    const LineList& out = engine.OutputLines;
    if (c.HundredEmptyLines) {
      ASSERT_EQ(out.size(), c.Times * 101);
      EXPECT_EQ(out[out.size() - 1], deepest);
    } else {
      ASSERT_EQ(out.size(), 1u);
      EXPECT_TRUE(out[0] == AsciiUpperCase(source));  // not printed: it may be 240 KB
    }
  }
}

}  // namespace
}  // namespace tessel::testing
