// Inputs the fuzzers found, kept so that the faults they showed stay fixed.
#include <gtest/gtest.h>

#include "styles/ini_file.h"

namespace tessel {
namespace {

// A name with a line break at an end was kept with a blank there, which the file cannot
// hold: after saving and reading, the setting answered to another name.
TEST(IniFuzzRegressions, LineBreaksAtTheEndsOfNamesAreDropped) {
  const struct {
    const char *Section, *Key, *Value;  // as set
    const char *ReadSection, *ReadKey, *ReadValue;
  } cases[] = {
      {"\r", "k", "v", "", "k", "v"},
      {"s\n", "k", "v", "s", "k", "v"},
      {"s", "\r\nk\r", "v", "s", "k", "v"},
      {"\ts\r\n", " k\n", "\n v \r", "s", "k", "v"},
      {"a\rb", "c\nd", "e\r\nf", "a b", "c d", "e  f"},
  };
  for (const auto& c : cases) {
    IniFile ini;
    ini.Set(c.Section, c.Key, c.Value);
    IniFile reread;
    reread.Parse(ini.Text());
    for (const IniFile* file : {&ini, &reread}) {
      EXPECT_EQ(file->Get(c.ReadSection, c.ReadKey), c.ReadValue)
          << ::testing::PrintToString(c.Section);
      EXPECT_EQ(file->SectionNames(), std::vector<std::string>{c.ReadSection});
    }
  }
}

}  // namespace
}  // namespace tessel
