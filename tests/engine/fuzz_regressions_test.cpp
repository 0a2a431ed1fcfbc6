// Inputs the engine fuzzer found, kept so that the faults they showed stay fixed.
#include <gtest/gtest.h>

#include <climits>

#include "engine/engine.h"
#include "engine_fixture.h"

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

}  // namespace
}  // namespace tessel::testing
