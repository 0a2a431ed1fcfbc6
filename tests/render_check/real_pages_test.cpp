// The rendering comparison on real pages formatted by the shipped styles: what it reports
// stands where it says, and a result damaged on purpose is always caught.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/line_ends.h"
#include "render_check/render_check.h"
#include "styles/style_files.h"
#include "test_support.h"

namespace tessel::testing {
namespace {

std::string Formatted(const std::string& styleName, const std::string& page) {
  std::optional<LoadedStyle> loaded = StyleLibrary(SourceDataDir() / "styles").Load(styleName);
  EXPECT_TRUE(loaded);
  Style style = loaded ? loaded->Value : Style{};
  Engine engine(style);
  engine.Clock = [] { return DocDateTime{2026, 12, 5, 13, 5}; };
  engine.Process(EngineMode::Format, NormalizeLineEnds(page, nullptr));
  return engine.OutputBytes();
}

std::string Page(const char* name) {
  return ReadFile(std::filesystem::path(TESSEL_SOURCE_DIR) / "tests/data/pages" / name);
}

// The byte offset of a line and a column (in characters) of `text`.
size_t OffsetOf(const std::string& text, int64_t line, int64_t column) {
  size_t at = 0;
  for (int64_t l = 1; l < line; ++l) at = text.find('\n', at) + 1;
  for (int64_t c = 1; c < column; ++c) {
    do ++at; while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80);
  }
  return at;
}

TEST(RenderCheckRealPagesTest, EachShippedStyleChangesOnlySpacesAndSaysWhere) {
  const std::string page = Page("std-cmp-enum.Ordering.html");
  for (const char* style : {"_default", "html5", "documented"}) {
    const std::string result = Formatted(style, page);
    std::vector<RenderDifference> found = RenderCheck::Compare(page, result);
    for (const RenderDifference& d : found) {
      ASSERT_EQ(d.Kind, RenderDifferenceKind::Space) << style << ": " << DescribeDifference(d);
      // An added space is a line break the style put there; a lost one, none here.
      ASSERT_EQ(d.What.rfind("a space is shown between ", 0), 0u) << DescribeDifference(d);
      const char at = result[OffsetOf(result, d.Line, d.Column)];
      EXPECT_TRUE(at == '\r' || at == '\n' || at == ' ') << style << ": " << DescribeDifference(d);
    }
    EXPECT_TRUE(RenderCheck::Compare(result, Formatted(style, result)).empty())
        << style << " formatted twice";
  }
}

// Positions in `text` where a changed character must show: outside comments and end tags
// (a misspelt end tag can close the same elements), and not whitespace.
std::vector<size_t> SignificantPositions(const std::string& text) {
  std::vector<size_t> out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 4, "<!--") == 0) {
      i = text.find("-->", i) + 2;
    } else if (text.compare(i, 2, "</") == 0) {
      i = text.find('>', i);
    } else if (!std::isspace(static_cast<unsigned char>(text[i]))) {
      out.push_back(i);
    }
  }
  return out;
}

// A character that differs from `c` also when letter case is ignored.
char Other(char c) {
  if (std::isdigit(static_cast<unsigned char>(c))) return c == '7' ? '3' : '7';
  return c == 'q' || c == 'Q' ? 'z' : 'q';
}

TEST(RenderCheckRealPagesTest, CatchesEveryChangedCharacterAndDroppedAttribute) {
  const std::string result = Formatted("_default", Page("std-macro.println.html"));
  const RenderCheck check(result);
  int changed = 0;
  for (size_t at : SignificantPositions(result)) {
    if (at % 3 != 0) continue;  // a third of them keeps the test quick
    std::string damaged = result;
    damaged[at] = Other(damaged[at]);
    EXPECT_FALSE(check.Differences(damaged, 1).empty())
        << "changed '" << result[at] << "' at " << at << ": " << result.substr(at - 20, 40);
    ++changed;
  }
  EXPECT_GT(changed, 1000);

  // Every attribute, dropped with the blank before it.
  int dropped = 0;
  for (size_t tag = result.find('<'); tag != std::string::npos; tag = result.find('<', tag + 1)) {
    if (result.compare(tag, 4, "<!--") == 0) tag = result.find("-->", tag);
    if (result.compare(tag, 1, "<") != 0 || result.compare(tag, 2, "</") == 0) continue;
    const size_t end = result.find('>', tag);
    for (size_t eq = result.find('=', tag); eq < end; eq = result.find('=', eq + 1)) {
      const size_t name = result.rfind(' ', eq);
      if (name < tag || result[eq + 1] != '"') continue;
      const size_t close = result.find('"', eq + 2);
      std::string damaged = result;
      damaged.erase(name, close + 1 - name);
      EXPECT_FALSE(check.Differences(damaged, 1).empty())
          << "dropped " << result.substr(name, close + 1 - name);
      ++dropped;
      eq = close;
    }
  }
  EXPECT_GT(dropped, 50);
}

}  // namespace
}  // namespace tessel::testing
