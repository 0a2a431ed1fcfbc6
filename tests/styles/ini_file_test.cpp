#include "styles/ini_file.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

IniFile Parsed(std::string_view text) {
  IniFile ini;
  ini.Parse(text);
  return ini;
}

TEST(IniFile, RewriteKeepsCommentsUnknownLinesAndOrder) {
  IniFile ini = Parsed("; by hand\n[Second]\n  b = 2 \n# note\njunk\n\n[first]\r\na=1\r\n");
  EXPECT_EQ(ini.Get("SECOND", "B"), "2");
  ini.Set("second", "B", "20");        // in place, keeping the key's spelling
  ini.Set("second", "c", "3");         // after the last key, before the blank line
  ini.Set("Third", "x", "y");          // a new section at the end
  ini.Set("s", "k", "one\r\n[evil]");  // cannot smuggle in a line
  EXPECT_EQ(ini.Text(),
            "; by hand\r\n[Second]\r\nb=20\r\nc=3\r\n# note\r\njunk\r\n\r\n[first]\r\na=1\r\n"
            "[Third]\r\nx=y\r\n[s]\r\nk=one  [evil]\r\n");
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Second", "first", "Third", "s"}));
  EXPECT_EQ(ini.Keys("SECOND"), (std::vector<std::string>{"b", "c"}));
  EXPECT_TRUE(ini.EraseSection("THIRD"));
  EXPECT_FALSE(ini.EraseSection("third"));
  EXPECT_EQ(ini.Get("third", "x"), std::nullopt);
}

TEST(IniFile, NumbersThatAreNotIntegersGiveTheDefault) {
  const struct {
    const char* Value;
    int Int;
    bool Bool;
  } cases[] = {
      {"12", 12, true},  {"+7", 7, true},   {"-3", -3, true},          {"0", 0, false},
      {"2", 2, true},    {"", -1, true},    {"abc", -1, true},         {"12abc", -1, true},
      {"+-1", -1, true}, {"1.5", -1, true}, {"99999999999", -1, true},
  };
  for (const auto& c : cases) {
    IniFile ini = Parsed(std::string("[s]\nk=") + c.Value + "\n");
    EXPECT_EQ(ini.GetInt("S", "K", -1), c.Int) << c.Value;
    EXPECT_EQ(ini.GetBool("s", "k", true), c.Bool) << c.Value;
  }
  EXPECT_EQ(Parsed("").GetInt("s", "k", 42), 42);
}

}  // namespace
}  // namespace tessel
