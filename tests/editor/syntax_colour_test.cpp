#include "editor/syntax_colour.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "editor/editor_text.h"
#include "support/rtf_reader.h"
#include "test_support.h"

namespace tessel {
namespace {

const std::string kFontTable =
    "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss MS SansSerif;}"
    "{\\f1\\froman\\fcharset2 Symbol;}{\\f2\\fmodern Courier New;}}\r\n{\\colortbl";
const std::string kStandardColours =
    "\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red255\\green0\\blue0;"
    "\\red0\\green128\\blue128;";
const std::string kBodyStart = "}\r\n\\deflang1033\\pard\\plain\\f2\\fs18\\cf0 ";

TEST(TextToRtfTest, GivesTheDocumentByteForByte) {
  const struct {
    std::string Text, Body;
  } cases[] = {
      {"<a href=\"x\">b", "\\cf1 <a href=\\cf2 \"x\"\\cf1 >\\cf0 b"},
      {"", ""},
      {"a{b}\\c", "\\cf0 a\\{b\\}\\\\c"},
      {"\r\n", "\\cf0 \r\n\\par "},
      {"a\r\n\r\nb", "\\cf0 a\r\n\\par \r\n\\par b"},
      {"a\rb\nc\n\rd\r", "\\cf0 a\r\n\\par b\r\n\\par c\r\n\\par \r\n\\par d\r\n\\par "},
      {"\r\r", "\\cf0 \r\n\\par \r\n\\par "},
      {"<!-- x -->y", "\\cf3 <!-- x -->\\cf0 \\cf0 y"},
      {"<!--x", "\\cf3 <!--x\\cf0 "},
      {"<!-->a", "\\cf3 <!-->\\cf0 \\cf0 a"},
      {"<!--\r\n{-->", "\\cf3 <!--\r\n\\par \\{-->\\cf0 "},
      {"<a \"b<c>", "\\cf1 <a \\cf2 \"b\\cf1 \\cf1 <c>"},
      {"<a \"x>y", "\\cf1 <a \\cf2 \"x\\cf1 >\\cf0 y"},
      {"<a \"x", "\\cf1 <a \\cf2 \"x\\cf1 "},
      {"<a", "\\cf1 <a"},
      {"<!x>", "\\cf1 <!x>"},
      {"<<a>", "\\cf1 <\\cf1 <a>"},
      {"<a\r\n\"{\\}\"\r\nb>", "\\cf1 <a\r\n\\par \\cf2 \"\\{\\\\\\}\"\\cf1 \r\n\\par b>"},
      {"a>\"b\"-->", "\\cf0 a>\"b\"-->"},
      {"\xC3\xA9\t<\xE2\x82\xAC>", "\\cf0 \xC3\xA9\t\\cf1 <\xE2\x82\xAC>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextToRtf(c.Text, SyntaxPalette{}),
              kFontTable + kStandardColours + kBodyStart + c.Body + "}")
        << ::testing::PrintToString(c.Text);
  }
}

TEST(TextToRtfTest, EmphasisPalettesAndTheirColourTables) {
  const std::uint32_t s = 0xC0C0C0, k = 0, b = 0xFF0000, r = 0x0000FF, t = 0x808000;
  const SyntaxPalette expected[] = {
      {k, b, r, t}, {s, b, s, s}, {s, s, r, s}, {k, s, s, s}, {s, s, s, t}};
  for (int mode = 1; mode <= 5; ++mode)
    EXPECT_EQ(EmphasisPalette(mode), expected[mode - 1]) << mode;
  EXPECT_EQ(EmphasisPalette(1), SyntaxPalette{});
  EXPECT_FALSE(EmphasisPalette(0));
  EXPECT_FALSE(EmphasisPalette(6));

  const std::string silver = "\\red192\\green192\\blue192;";
  EXPECT_EQ(TextToRtf("a", *EmphasisPalette(2)), kFontTable + silver + "\\red0\\green0\\blue255;" +
                                                     silver + silver + kBodyStart + "\\cf0 a}");
  EXPECT_EQ(ColourTableEntry(0x123456), "\\red86\\green52\\blue18;");
  const SyntaxPalette p{1, 2, 3, 4};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(ClassColour(p, ColourClass(c)), std::uint32_t(c + 1));
}

void ExpectClassesAgreeWithRtf(const std::string& doc, const std::string& name) {
  const testing::ColouredText read = testing::ReadColouredRtf(TextToRtf(doc, SyntaxPalette{}));
  std::vector<ColourClass> classes{ColourClass::Comment};  // must be cleared
  ColourClasses(doc, classes);
  ASSERT_EQ(read.Error, "") << name;
  ASSERT_EQ(read.Text, doc) << name;
  ASSERT_EQ(classes.size(), doc.size()) << name;
  for (std::size_t i = 0; i < doc.size(); ++i) {
    ASSERT_EQ(int(classes[i]), read.Classes[i])
        << name << " at " << i << ": " << ::testing::PrintToString(doc);
  }
}

std::string RandomDocument(std::mt19937& random) {
  static const char* const pieces[] = {"<",    ">", "<!--", "-->",         "\"",       "a",
                                       "\r\n", "{", "}",    "\\",          "\xC3\xA9", "!",
                                       "-",    " ", "\t",   "\xE2\x82\xAC"};
  std::string doc;
  for (int k = std::uniform_int_distribution(0, 60)(random); k > 0; --k) {
    doc += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
  }
  return doc;
}

TEST(ColourClassesTest, AgreeWithTextToRtfOnGeneratedDocuments) {
  std::mt19937 random(20240607);
  for (int k = 0; k < 3000; ++k) ExpectClassesAgreeWithRtf(RandomDocument(random), "generated");
}

TEST(ColourClassesTest, AgreeWithTextToRtfOnRealPages) {
  int pages = 0;
  for (const char* dir : {"tests/data/pages", "data/preview"}) {
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(TESSEL_SOURCE_DIR) / dir)) {
      ExpectClassesAgreeWithRtf(ToEditorText(testing::ReadFile(entry.path())).Bytes,
                                entry.path().string());
      ++pages;
    }
  }
  EXPECT_GE(pages, 10);
}

std::vector<ColourClass> Classes(std::string_view digits) {
  std::vector<ColourClass> out;
  for (const char d : digits) out.push_back(ColourClass(d - '0'));
  return out;
}

TEST(RangeClassesTest, WalksTheRangeAndStopsAtAnUnclosedComment) {
  const struct {
    std::string Text;
    std::size_t N;
    std::string Digits;
  } cases[] = {
      {"<a \"x\">y", 99, "11122210"},
      {"<a \"b<c>", 8, "11122111"},
      {"<a>b<c", 6, "111011"},
      {"<!-- a -->b", 11, "33333333330"},
      {"<!-- a -->b", 9, ""},
      {"<b>x<!-- y", 10, "1110"},
      {"<b>", 0, ""},
      {"", 5, ""},
  };
  for (const auto& c : cases) {
    std::vector<ColourClass> out{ColourClass::Comment};
    EXPECT_EQ(RangeClasses(c.Text, c.N, out), c.Digits.size()) << c.Text << " " << c.N;
    EXPECT_EQ(out, Classes(c.Digits)) << c.Text << " " << c.N;
  }
}

TEST(RangeClassesTest, AgreesWithWholeTextColouringUpToAnUnclosedComment) {
  std::mt19937 random(7);
  for (int k = 0; k < 2000; ++k) {
    const std::string doc = RandomDocument(random);
    const std::size_t n = std::uniform_int_distribution<std::size_t>(0, doc.size())(random);
    std::vector<ColourClass> range, whole;
    const std::size_t count = RangeClasses(doc, n, range);
    ColourClasses(doc.substr(0, n), whole);
    whole.resize(count);
    ASSERT_EQ(range, whole) << ::testing::PrintToString(doc) << " " << n;
    if (count < n) {
      ASSERT_EQ(doc.substr(count, 4), "<!--") << ::testing::PrintToString(doc) << " " << n;
      ASSERT_EQ(doc.substr(count + 1, n - count - 1).find("-->"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tessel
