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
