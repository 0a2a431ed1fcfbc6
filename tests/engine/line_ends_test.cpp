#include "engine/line_ends.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

TEST(NormalizeLineEnds, EveryLineEndsWithOneLf) {
  using namespace std::string_literals;
  const struct {
    std::string In, Out;
    bool Nul;
  } cases[] = {
      {"", "", false},
      {"a", "a\n", false},
      {"a\n", "a\n", false},
      {"\r", "\n", false},
      {"\r\r\n", "\n\n", false},
      {"a\r\nb", "a\nb\n", false},
      {"a\rb\n\nc\r", "a\nb\n\nc\n", false},
      {"ab\0cd"s, "ab\n", true},
      {"\0x"s, "", true},
      {"a\r\n\0\r\n"s, "a\n", true},
  };
  for (const auto& c : cases) {
    bool nul = !c.Nul;
    EXPECT_EQ(NormalizeLineEnds(c.In, &nul), c.Out) << ::testing::PrintToString(c.In);
    EXPECT_EQ(nul, c.Nul) << ::testing::PrintToString(c.In);
  }
}

}  // namespace
}  // namespace tessel

namespace tessel {
namespace {

TEST(FirstLineEnd, TheFirstLineDecides) {
  const struct {
    std::string_view Bytes;
    std::optional<LineEnd> End;
  } cases[] = {
      {"", std::nullopt},          {"<p>no end", std::nullopt}, {"a\r\nb\nc\r", LineEnd::CrLf},
      {"a\nb\r\n", LineEnd::Lf},   {"a\rb\r\n", LineEnd::Cr},   {"a\r", LineEnd::Cr},
      {"\r\r\n", LineEnd::Cr},     {"\n", LineEnd::Lf},
  };
  for (const auto& c : cases) EXPECT_EQ(FirstLineEnd(c.Bytes), c.End) << c.Bytes;
}

TEST(LineEndSetting, WordsReadWithoutRegardToCase) {
  EXPECT_EQ(ParseLineEndSetting("LF"), LineEndSetting::Lf);
  EXPECT_EQ(ParseLineEndSetting("Keep"), LineEndSetting::Keep);
  EXPECT_EQ(ParseLineEndSetting("crlf"), LineEndSetting::CrLf);
  EXPECT_EQ(ParseLineEndSetting("cr"), std::nullopt);  // only an .editorconfig asks for CR
  EXPECT_EQ(ParseLineEndSetting(""), std::nullopt);
}

}  // namespace
}  // namespace tessel
