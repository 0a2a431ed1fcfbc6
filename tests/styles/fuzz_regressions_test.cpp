// Inputs the fuzzers found, kept so that the faults they showed stay fixed.
#include <gtest/gtest.h>

#include "styles/ini_file.h"
#include "styles/trim_list.h"
#include "test_support.h"

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

// A line that is only a carriage return before "=" reads as a key the file cannot hold: a
// CR is written as a blank, and a blank key is none. Saving drops it and keeps the rest.
TEST(IniFuzzRegressions, TrimListKeyOfACarriageReturnIsDroppedOnSaving) {
  testing::TempDir read, saved;
  testing::WriteFile(read / "trim.ini", "[TRIMTAGS]\r\n<A>=1\r\n\r=1\r\n</A>=0\r\n");
  TrimTagList list;
  std::string err;
  ASSERT_TRUE(ReadTrimList(read.path(), list, &err)) << err;
  ASSERT_EQ(list.size(), 3u);
  ASSERT_TRUE(WriteTrimList(saved.path(), list, &err)) << err;
  EXPECT_EQ(testing::ReadFile(saved / "trim.ini"), "[TRIMTAGS]\r\n<A>=1\r\n</A>=0\r\n");
}

}  // namespace
}  // namespace tessel
