// The shipped hint file: a line for every element of html_elements.txt, in order, each
// shaped so that the hint line finds it and shows a usable syntax.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "base/ascii.h"
#include "editor/tag_hints.h"
#include "test_support.h"

namespace tessel {
namespace {

// Elements that never take an end tag: their hints must not show one.
const std::set<std::string> kVoid = {"AREA",  "BASE",  "BASEFONT", "BR",    "COL",     "EMBED",
                                     "FRAME", "HR",    "IMG",      "INPUT", "ISINDEX", "LINK",
                                     "META",  "PARAM", "SOURCE",   "TRACK", "WBR"};

TEST(TagSyntaxFileTest, EveryLineIsAWellFormedHintInOrder) {
  const std::string bytes = testing::ReadFile(testing::SourceDataDir() / kTagSyntaxFileName);
  const TagHints hints = TagHints::Load(testing::SourceDataDir() / kTagSyntaxFileName);
  // CR LF after every line, the last included.
  EXPECT_TRUE(bytes.ends_with("\r\n"));
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), std::ssize(hints.Lines()));
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), std::ssize(hints.Lines()));
  std::string previous;
  for (const std::string& line : hints.Lines()) {
    const std::size_t colon = line.find(": ");
    ASSERT_NE(colon, std::string::npos) << line;
    const std::string key = line.substr(0, colon), name = key.substr(1, key.size() - 2);
    const std::string hint = line.substr(colon + 2);
    EXPECT_TRUE(key.starts_with('<') && key.ends_with('>') && name == AsciiUpperCase(name) &&
                name.find_first_of("<> :") == std::string::npos && !name.empty())
        << line;
    EXPECT_GT(key, previous) << "out of order or twice";
    previous = key;
    EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) { return c >= ' ' && c <= '~'; }))
        << line;
    EXPECT_EQ(HintOfLine(line), hint) << "spaces around the hint, or longer than a hint may be";
    // The hint shows the tag it is for, and an end tag exactly when the element has one.
    const std::string upper = AsciiUpperCase(hint);
    EXPECT_TRUE(upper.starts_with("<" + name + " ") || upper.starts_with("<" + name + ">")) << line;
    if (name[0] != '!') {
      EXPECT_EQ(upper.find("</" + name + ">") != std::string::npos, !kVoid.contains(name)) << line;
    }
  }
}

TEST(TagSyntaxFileTest, EveryElementOfTheListHasAHint) {
  const TagHints hints = TagHints::Load(testing::SourceDataDir() / kTagSyntaxFileName);
  std::ifstream list(std::string(TESSEL_SOURCE_DIR) + "/tests/editor/html_elements.txt");
  int elements = 0;
  for (std::string name; std::getline(list, name);) {
    if (name.empty() || name[0] == '#') continue;
    ++elements;
    const std::string page = "<p>\r\n<" + name + " class=\"x\">\r\n";
    const auto hint = hints.HintAt(page, 6);
    const std::string tag = AsciiUpperCase("<" + name), shown = AsciiUpperCase(hint.value_or(""));
    EXPECT_TRUE(shown.starts_with(tag + " ") || shown.starts_with(tag + ">")) << name;
  }
  EXPECT_GT(elements, 120);
}

}  // namespace
}  // namespace tessel
