#include "engine/line_ends.h"
#include "io/safe_replace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

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

size_t EntryCount(const fs::path& dir) {
  return size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(WriteFileAtomic, ReplacesContentKeepingModeAndSymbolicLinks) {
  TempDir tmp;
  WriteFile(tmp / "page.htm", "old content that is longer");
  chmod((tmp / "page.htm").c_str(), 0640);
  fs::create_symlink("page.htm", tmp / "link.htm");
  std::string err;
  ASSERT_TRUE(WriteFileAtomic(tmp / "link.htm", "new", &err)) << err;
  EXPECT_EQ(ReadFile(tmp / "page.htm"), "new");
  EXPECT_TRUE(fs::is_symlink(tmp / "link.htm"));
  EXPECT_EQ(fs::status(tmp / "page.htm").permissions(), fs::perms(0640));
  EXPECT_EQ(EntryCount(tmp.path()), 2u);  // no temporary file left behind
}

TEST(WriteFileAtomic, RefusesWhatCannotBeWrittenAndLeavesItAlone) {
  const struct {
    const char* Name;
    mode_t FileMode, DirMode;
    const char* Subdir;
  } cases[] = {
      {"read-only file", 0444, 0755, ""},
      {"read-only directory", 0644, 0555, ""},
      {"missing directory", 0644, 0755, "missing"},
  };
  for (const auto& c : cases) {
    TempDir tmp;
    const fs::path dir = tmp / "d";
    WriteFile(dir / "f.ini", "original\r\n");
    chmod((dir / "f.ini").c_str(), c.FileMode);
    chmod(dir.c_str(), c.DirMode);
    std::string err;
    EXPECT_FALSE(WriteFileAtomic(dir / c.Subdir / "f.ini", "changed", &err)) << c.Name;
    EXPECT_FALSE(err.empty()) << c.Name;
    EXPECT_EQ(ReadFile(dir / "f.ini"), "original\r\n") << c.Name;
    EXPECT_EQ(EntryCount(dir), 1u) << c.Name;
  }
}

}  // namespace
}  // namespace tessel
