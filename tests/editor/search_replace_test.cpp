#include "editor/search_replace.h"

#include <gtest/gtest.h>

#include <chrono>

namespace tessel {
namespace {

constexpr SearchOptions kAny{}, kWord{true, false}, kCase{false, true};

TEST(SearchTest, FindsTheNextMatchWithTheOptions) {
  const struct {
    std::string Text, Find;
    std::size_t Start;
    SearchOptions Options;
    std::size_t Expected;
  } cases[] = {
      {"xABC abc", "abc", 0, kAny, 1},
      {"xABC abc", "abc", 0, kCase, 5},
      {"xABC abc", "abc", 2, kAny, 5},
      {"x\xC3\xA9 \xC3\x89", "\xC3\x89", 0, kAny, 4},  // only ASCII letters fold
      {"abcd xabc abc_ 1abc abc", "abc", 0, kWord, 20},
      {"abc abcd", "abc", 0, kWord, 0},
      {"\xC3\xA9" "abc", "abc", 0, kWord, kNoMatch},  // next to a UTF-8 letter
      {"a-b", "-", 0, kWord, kNoMatch},
      {"abc", "abc", 1, kAny, kNoMatch},
      {"abc", "abc", 9, kAny, kNoMatch},
      {"abc", "", 0, kAny, kNoMatch},
      {"ab", "abc", 0, kAny, kNoMatch},
      {"aaab", "aab", 0, kAny, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindNext(c.Text, c.Find, c.Start, c.Options), c.Expected)
        << c.Text << " / " << c.Find;
  }
  EXPECT_EQ(SearchStart(5, 3), 8u);  // after the selected match
  EXPECT_EQ(SearchStart(5, 0), 0u);  // nothing selected: from the top
}

TEST(ReplaceAllTest, ReplacesFromTheFirstMatchOnAndCounts) {
  const struct {
    std::string Text, Find, Replacement;
    SearchOptions Options;
    std::size_t First;
    std::string Expected;
    std::size_t Count;
  } cases[] = {
      {"aaa", "a", "aa", kAny, 0, "aaaaaa", 3},
      {"ab AB", "ab", "xab", kAny, 0, "xab xab", 2},
      {"aaaa", "aa", "b", kAny, 0, "bb", 2},
      {"a b a b a", "a", "x", kAny, 4, "a b x b x", 2},
      {"Ab ab", "ab", "-", kCase, 3, "Ab -", 1},
      {"ab abc ab", "ab", "c", kWord, 0, "c abc c", 2},
      {"--", "-", "a", kWord, 0, "a-", 1},  // the second "-" now follows the "a"
      {"abab", "ab", "", kAny, 0, "", 2},
      {"abc", "", "x", kAny, 0, "abc", 0},
      {"abc", "x", "y", kAny, 0, "abc", 0},
  };
  for (const auto& c : cases) {
    const ReplaceAllResult r = ReplaceAll(c.Text, c.Find, c.Replacement, c.Options, c.First);
    EXPECT_EQ(r.Text, c.Expected) << c.Text << " / " << c.Find;
    EXPECT_EQ(r.Count, c.Count) << c.Text << " / " << c.Find;
  }
  const ReplaceAllResult r = ReplaceAll("xx a b a yy", "a", "ccc", kAny, 0);
  EXPECT_EQ(r.ChangedStart, 3u);
  EXPECT_EQ(r.ChangedEndOld, 8u);
  EXPECT_EQ(r.ChangedEndNew, 12u);
}

TEST(ReplaceAllTest, IsLinearInTheText) {
  std::string text;
  for (int k = 0; k < 100'000; ++k) text += std::string(24, 'x') + "@";
  const auto begin = std::chrono::steady_clock::now();
  const ReplaceAllResult r = ReplaceAll(text, "@", "[at]", kAny, FindNext(text, "@", 0, kAny));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2));
  EXPECT_EQ(r.Count, 100'000u);
  EXPECT_EQ(r.Text.size(), text.size() + 300'000);
}

}  // namespace
}  // namespace tessel
