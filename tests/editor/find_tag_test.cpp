#include "editor/find_tag.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

struct Case {
  std::string Text;
  std::int64_t Position;
  bool WithComments;
  std::int64_t Start, End;  // End 0: nothing found
};

std::string Describe(std::int64_t position, std::int64_t start, std::int64_t end,
                     const std::string& text) {
  return text.empty() ? "nothing"
                      : std::to_string(position) + ": [" + std::to_string(start) + ", " +
                            std::to_string(end) + ") " + text.substr(0, 30);
}

void ExpectSpans(const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    const TagSpan span = FindTagAround(c.Text, c.Position, c.WithComments);
    const std::string expected = c.End == 0 ? "" : c.Text.substr(c.Start, c.End - c.Start);
    EXPECT_EQ(Describe(span.Position, span.Start, span.End, span.Text),
              Describe(c.Position, c.Start, c.End, expected))
        << c.Text.substr(0, 40) << " @" << c.Position;
    EXPECT_EQ(span.Text, expected);
    EXPECT_EQ(span.Length, static_cast<std::int64_t>(expected.size()));
  }
}

TEST(FindTagAroundTest, FindsTheSpanByPosition) {
  const std::string page = "ab<p class=\"x\">cd</p>";
  ExpectSpans({
      {page, 3, false, 2, 15},
      {page, 14, false, 2, 15},  // at the ">"
      {page, 15, false, 2, 21},  // plain text between two tags
      {page, 18, false, 17, 21},
      {page, 2, false, 0, 0},   // the "<" at the position itself is not looked at
      {page, 21, false, 0, 0},  // no ">" after
      {page, 0, false, 0, 0},
      {page, -5, false, 0, 0},
      {"ab<p", 3, false, 0, 0},
  });
}

TEST(FindTagAroundTest, WidensToTheWholeCommentOnlyWithComments) {
  const std::string comment = "x<!-- a <b> c --> d";  // "<b>" at 8, "-->" at 14
  ExpectSpans({
      {comment, 3, false, 1, 11},
      {comment, 3, true, 1, 17},  // forward to the "-->"
      {comment, 12, false, 8, 17},
      {comment, 12, true, 1, 17},        // back to the "<!--"
      {"<!-- a <b> c", 3, true, 0, 10},  // no "-->": unchanged
      {"<b> c -->", 4, true, 0, 9},      // no "<!--": unchanged
      {"<!-- x -->", 5, true, 0, 10},
  });
}

TEST(FindTagAroundTest, CountsACommentOpeningOnlyInsideOneWindow) {
  // "<!--" at 10, "<b>" at 260, "-->" at 265. From 267 the windows start at 139, 11 and 0:
  // the "<!--" lies across the boundary at 11; from 266 it lies inside [10, 138).
  const auto page = [](const std::string& head) {
    return head + "<!--" + std::string(246, 'y') + "<b>z -->";
  };
  const std::string plain = page(std::string(10, ' ')), earlier = page("<!--      ");
  ExpectSpans({
      {plain, 266, true, 10, 268},
      {plain, 267, true, 260, 268},
      {earlier, 267, true, 0, 268},
      {earlier, 267, false, 260, 268},
  });
}

TEST(FindTagAroundTest, SearchesAtMostAMillionBytesEachWay) {
  const std::string near = "<" + std::string(999'999, 'x') + ">",
                    far = "<" + std::string(1'000'000, 'x') + ">";
  ExpectSpans({
      {near, 1'000'000, false, 0, 1'000'001},
      {far, 1'000'001, false, 0, 0},
      {near, 1, false, 0, 1'000'001},
      {far, 1, false, 0, 0},
  });
}

}  // namespace
}  // namespace tessel
