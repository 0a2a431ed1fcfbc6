#include "diff/unified_diff.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <random>

#include "test_support.h"

namespace tessel {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::string Numbered(int from, int to, std::string_view eol) {
  std::string s;
  for (int i = from; i <= to; ++i) s += "line " + std::to_string(i) + std::string(eol);
  return s;
}

// What `patch -p1` makes of `before` with the diff: the diff is only right when that is `after`.
std::string Patched(const std::string& before, const std::string& diff) {
  TempDir dir;
  WriteFile(dir / "page.htm", before);
  WriteFile(dir / "d.patch", diff);
  std::string cmd = "cd '" + dir.path().string() + "' && patch -s -p1 < d.patch > out.txt 2>&1";
  int raw = std::system(cmd.c_str());
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << ReadFile(dir / "out.txt") << diff;
  return ReadFile(dir / "page.htm");
}

TEST(UnifiedDiffTest, PatchReproducesTheNewBytes) {
  const std::string crlf20 = Numbered(1, 20, "\r\n");
  std::string edited = crlf20;
  edited.replace(edited.find("line 10"), 7, "LINE 10");
  struct Case {
    const char* name;
    std::string before, after;
    size_t lineEndOnly;
  } cases[] = {
      {"LF to CR LF", "a\nb\nc\n", "a\r\nb\r\nc\r\n", 3},
      {"no last line end", "x\ny", "x\r\ny\r\n", 2},
      {"lone CRs are no line ends", "a\rb\rc", "a\r\nb\r\nc\r\n", 0},
      {"from nothing", "", "a\r\n", 0},
      {"to nothing", "a\nb\n", "", 0},
      {"one line edited", crlf20, edited, 0},
      {"lines added at both ends", Numbered(3, 9, "\n"), Numbered(1, 12, "\n"), 0},
      {"lines dropped at both ends", Numbered(1, 12, "\r\n"), Numbered(3, 9, "\r\n"), 0},
      {"mixed line ends", "a\r\nb\nc\r\nd\n", "a\r\nB\r\nc\r\nd\r\n", 1},
  };
  for (const Case& c : cases) {
    UnifiedDiffResult diff = MakeUnifiedDiff(c.before, c.after, "page.htm");
    EXPECT_EQ(Patched(c.before, diff.Text), c.after) << c.name;
    EXPECT_EQ(diff.LineEndOnlyChanges, c.lineEndOnly) << c.name;
  }
  EXPECT_EQ(MakeUnifiedDiff(crlf20, crlf20, "page.htm").Text, "");
}

TEST(UnifiedDiffTest, HunksHaveThreeLinesOfContext) {
  const std::string before = Numbered(1, 30, "\n");
  auto edit = [&](std::initializer_list<int> lines) {
    std::string after = before;
    for (int n : lines) {
      std::string from = "line " + std::to_string(n) + "\n";
      after.replace(after.find(from), from.size(), "new " + std::to_string(n) + "\n");
    }
    return MakeUnifiedDiff(before, after, "p").Text;
  };
  EXPECT_EQ(edit({10}),
            "--- a/p\n+++ b/p\n@@ -7,7 +7,7 @@\n line 7\n line 8\n line 9\n-line 10\n+new 10\n"
            " line 11\n line 12\n line 13\n");
  auto hunks = [](const std::string& text) {
    size_t n = 0;
    for (size_t at = text.find("\n@@ "); at != std::string::npos; at = text.find("\n@@ ", at + 1)) {
      ++n;
    }
    return n;
  };
  EXPECT_EQ(hunks(edit({10, 17})), 1u);  // six unchanged lines between: one hunk
  EXPECT_EQ(hunks(edit({10, 18})), 2u);  // seven: two
  EXPECT_NE(edit({1}).find("@@ -1,4 +1,4 @@"), std::string::npos);
  EXPECT_NE(edit({30}).find("@@ -27,4 +27,4 @@"), std::string::npos);
  EXPECT_NE(MakeUnifiedDiff("", "a\r\n", "p").Text.find("@@ -0,0 +1 @@"), std::string::npos);
}

// Many repeated lines with scattered edits; with a tiny budget the alignment gives up
// early and pairs lines in order, which must still patch to the exact result.
TEST(UnifiedDiffTest, ExactWhateverTheBudget) {
  std::mt19937 random(7);
  const char* words[] = {"<TR>", "<TD>x</TD>", "</TR>", "", "<P>text</P>"};
  std::string before, after;
  for (int i = 0; i < 3000; ++i) {
    std::string line = words[random() % 5];
    before += line + (random() % 4 ? "\r\n" : "\n");
    if (random() % 10 == 0) continue;
    after += (random() % 15 ? line : "  " + line) + "\r\n";
    if (random() % 20 == 0) after += "<BR>\r\n";
  }
  for (size_t budget : {kDiffCompareBudget, size_t(1000), size_t(0)}) {
    EXPECT_EQ(Patched(before, MakeUnifiedDiff(before, after, "page.htm", budget).Text), after)
        << budget;
  }
}

}  // namespace
}  // namespace tessel
