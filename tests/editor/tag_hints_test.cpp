#include "editor/tag_hints.h"

#include <gtest/gtest.h>

#include "base/ascii.h"
#include "test_support.h"

namespace tessel {
namespace {

TEST(TagHintsTest, ShowsTheHintOfTheTagAtTheCursor) {
  const TagHints hints({"<!-->: <!-- comment -->", "<B>: <B> bold </B>",
                        "<TABLE>: <TABLE border=n> </TABLE>", "<TABLE>: a later line", "<HR>",
                        "<P>:   para  ", "<TD>: <TD> cell </TD>",
                        "<X>: " + std::string(1200, 'x')});
  struct Case {
    std::string Text;  // "|" marks the cursor
    std::optional<std::string> Hint;
  };
  const std::vector<Case> cases = {
      {"<table bo|rder=1>", "<TABLE border=n> </TABLE>"},
      {"x</TA|BLE>", "<TABLE border=n> </TABLE>"},  // a closing tag shows its opening tag's hint
      {"<TaBlE|>", "<TABLE border=n> </TABLE>"},
      {"<b>plain te|xt</b>", "<B> bold </B>"},  // text shows the tag before it
      {"<!-- a | b -->", "<!-- comment -->"},
      {"<hr|>", "<HR>"},  // a line without ":" shows whole
      {"<p|>", "para"},
      {"<x|>", std::string(999, 'x')},  // 1000 characters, then trimmed
      {"<td\tcl|ass=x>", ""},           // only a space ends the name: the line clears
      {"<br/|>", ""},
      {"plain| text", std::nullopt},  // no tag: the line keeps its text
      {"<b>x|", std::nullopt},
  };
  for (Case c : cases) {
    const std::int64_t cursor = std::int64_t(c.Text.find('|'));
    c.Text.erase(std::size_t(cursor), 1);
    EXPECT_EQ(hints.HintAt(c.Text, cursor), c.Hint) << c.Text;
  }
  EXPECT_EQ(TagHints().HintAt("<b>", 1), std::nullopt);
}

TEST(TagHintsTest, ShiftF1InsertsTagHintsOnly) {
  EXPECT_EQ(HintInsertion("<B> bold </B>", ""), "<B> bold </B>");
  EXPECT_EQ(HintInsertion("<B> bold </B>", "bold"), "bold");
  EXPECT_EQ(HintInsertion("Note: partial formatting via the right mouse button", ""), "");
  EXPECT_EQ(HintLineTooltip(""), "");
  EXPECT_NE(HintLineTooltip("<B> bold </B>").value_or("").find("<SHIFT>-<F1>"), std::string::npos);
  EXPECT_EQ(HintLineTooltip("Note: x"), std::nullopt);
}

TEST(TagHintsTest, IndexAnswersAsTheScanOverTheLines) {
  std::vector<std::string> lines =
      TagHints::Load(testing::SourceDataDir() / kTagSyntaxFileName).Lines();
  ASSERT_GT(lines.size(), 100u);
  for (const char* odd : {"<AB>: ab", "<a>: lower duplicate", "<A>B: not the key", "<A>B>: two",
                          "<ABC", "", ">: starts with >", "<>: empty name",
                          "<\xC3\x84X>: non-ASCII", "<\xC3\xA4X>: other case"}) {
    lines.push_back(odd);
  }
  const TagHints hints(lines);
  // What the index stands in for: the first line that begins with the key, letter case aside.
  const auto firstMatch = [&](std::string_view key) {
    for (const std::string& line : lines) {
      if (EqualsNoCase(std::string_view(line).substr(0, key.size()), key)) return HintOfLine(line);
    }
    return std::string();
  };
  for (const std::string& line : lines) {
    for (std::size_t n = 0; n <= line.size(); ++n) {
      for (const std::string& key : {line.substr(0, n), AsciiLowerCase(line.substr(0, n)) + ">"}) {
        ASSERT_EQ(hints.Lookup(key), firstMatch(key)) << key;
      }
    }
  }
}

TEST(TagHintsTest, LoadsAnyLineEnds) {
  testing::TempDir dir;
  testing::WriteFile(dir / "hints.txt", "\xEF\xBB\xBF<A>: a\r\n<B>: b\n<C>: \xE9\r<D>: d");
  const TagHints hints = TagHints::Load(dir / "hints.txt");
  EXPECT_EQ(hints.Lines().size(), 4u);
  EXPECT_EQ(hints.Lookup("<a>") + hints.Lookup("<C>") + hints.Lookup("<D>"),
            "a\xC3\xA9"
            "d");
  EXPECT_TRUE(TagHints::Load(dir / "missing.txt").empty());
}

}  // namespace
}  // namespace tessel
