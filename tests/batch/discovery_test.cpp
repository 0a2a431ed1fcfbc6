#include "batch/discovery.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::WriteFile;

TEST(DiscoveryTest, MatchesFilterByExtensionBeginning) {
  const struct {
    const char* Name;
    int Index;
    bool Expected;
  } cases[] = {
      {"a.htm", 0, true},   {"b.HTML", 0, true},  {"c.htmx", 0, true},  {"x.asp", 0, false},
      {"x.asp", 1, true},   {"s.shtml", 1, true}, {"s.shtml", 3, true}, {"f.cfm", 5, true},
      {"d.dht", 4, true},   {"d.txt", 1, false},  {"readme", 0, false}, {"a.htm", 6, false},
      {"a.htm", -1, false}, {"htm", 0, false},    {".htm", 0, false},   {"a.b.htm", 0, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesFilter(c.Name, c.Index), c.Expected) << c.Name << " @" << c.Index;
  }
}

TEST(DiscoveryTest, IsValidHtmlFileTestsExtensionThenTag) {
  TempDir tmp;
  const std::string big(200000, 'x');  // puts the tag across a block boundary
  const struct {
    const char* Name;
    std::string Text;
    bool Plain, Validated;  // without and with the tag check
  } cases[] = {
      {"lower.htm", "<html><body>x</body></html>", true, true},
      {"doctype.htm", "<!DOCTYPE html>\n<body>x</body>", true, false},
      {"readme", "<HTML>", true, true},
      {"one.h", "no tag", true, false},
      {"page.asp", "<Html>", true, true},
      {"notes.txt", "<HTML>", false, false},
      {"split.htm", std::string(65534, ' ') + "<hTmL>", true, true},
      {"late.htm", big + "<HTML" + big, true, true},
      {"nul.htm", std::string("x\0y<html>", 9), true, true},
      {"empty.htm", "", true, false},
  };
  for (const auto& c : cases) WriteFile(tmp / c.Name, c.Text);
  for (const auto& c : cases) {
    const std::string path = (tmp / c.Name).string();
    EXPECT_EQ(IsValidHtmlFile(path, false, false), c.Plain) << c.Name;
    EXPECT_EQ(IsValidHtmlFile(path, true, false), c.Validated) << c.Name;
    EXPECT_EQ(IsValidHtmlFile(path, false, true), c.Validated) << c.Name;
  }
  fs::create_directory(tmp / "dir.htm");
  EXPECT_FALSE(IsValidHtmlFile((tmp / "dir.htm").string(), false, false));
  EXPECT_FALSE(IsValidHtmlFile((tmp / "gone.htm").string(), false, false));
  ASSERT_EQ(mkfifo((tmp / "pipe.htm").c_str(), 0600), 0);
  EXPECT_FALSE(IsValidHtmlFile((tmp / "pipe.htm").string(), true, false));  // must not hang
}

std::vector<std::string> Names(const std::vector<std::string>& paths, const fs::path& root) {
  std::vector<std::string> out;
  for (const std::string& p : paths) out.push_back(fs::path(p).lexically_relative(root).string());
  std::sort(out.begin(), out.end());
  return out;
}

class ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name :
         {"a.htm", "b.html", "x.asp", "d.txt", ".hidden.htm", "sub/c.htm", "sub/deep/e.HTM",
          "_vti_cnf/v.htm", "x_VTI_CNF/w.htm", "a_Vti_Cnf_b/y.htm", ".git/g.htm", "sub/.h/z.htm"}) {
      WriteFile(tmp / "site" / name, "<html>");
    }
    WriteFile(tmp / "site" / "sub" / "plain.htm", "<!DOCTYPE html><body>");
  }
  std::vector<std::string> Scan(int index, bool validate) {
    std::vector<std::string> list;
    EXPECT_TRUE(ScanDirectory(root.string(), index, validate, list));
    return Names(list, root);
  }
  TempDir tmp;
  fs::path root = tmp / "site";
};

TEST_F(ScanTest, FindsAcceptedFilesAndSkipsHiddenAndMetaDirectories) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Scan(0, false), (V{"a.htm", "b.html", "sub/c.htm", "sub/deep/e.HTM", "sub/plain.htm"}));
  EXPECT_EQ(Scan(1, false),
            (V{"a.htm", "b.html", "sub/c.htm", "sub/deep/e.HTM", "sub/plain.htm", "x.asp"}));
  EXPECT_EQ(Scan(2, false), (V{"x.asp"}));
  EXPECT_EQ(Scan(0, true), (V{"a.htm", "b.html", "sub/c.htm", "sub/deep/e.HTM"}));
}

TEST_F(ScanTest, ListsFullPathsDepthFirst) {
  std::vector<std::string> list;
  ASSERT_TRUE(ScanDirectory(root.string() + "//", 0, false, list));
  for (const std::string& p : list) {
    EXPECT_TRUE(p.starts_with(root.string() + "/") && p.find("//") == std::string::npos) << p;
  }
  // Everything below sub/ is listed together: the subtree is scanned when it is met.
  auto first = std::find_if(list.begin(), list.end(),
                            [](auto& p) { return p.find("/sub/") != std::string::npos; });
  ASSERT_NE(first, list.end());
  EXPECT_EQ(
      std::count_if(first, first + 3, [](auto& p) { return p.find("/sub/") != std::string::npos; }),
      3);
}

TEST_F(ScanTest, NeverFollowsLinksAndEndsOnALinkLoop) {
  fs::create_directory_symlink(root, root / "sub" / "loop");  // back to the root
  fs::create_directory_symlink("..", root / "sub" / "deep" / "up");
  WriteFile(tmp / "outside" / "o.htm", "<html>");
  fs::create_directory_symlink(tmp / "outside", root / "out");
  fs::create_symlink(root / "a.htm", root / "link.htm");
  fs::create_symlink(tmp / "nowhere.htm", root / "dangling.htm");
  EXPECT_EQ(Scan(0, false).size(), 5u);
}

TEST_F(ScanTest, ReportsUnreadableDirectoriesAndGoesOn) {
  std::vector<std::string> list, unreadable;
  const ScanCallback collect = [&](const ScanEvent& e) {
    if (e.What == ScanEvent::Kind::Unreadable) unreadable.emplace_back(e.Path);
    return true;
  };
  EXPECT_TRUE(ScanDirectory((tmp / "missing").string(), 0, false, list, collect));
  EXPECT_EQ(unreadable, std::vector<std::string>{(tmp / "missing").string() + "/"});
  EXPECT_TRUE(list.empty());

  if (::geteuid() == 0) GTEST_SKIP() << "root reads every directory";
  unreadable.clear();
  WriteFile(root / "locked" / "l.htm", "<html>");
  fs::permissions(root / "locked", fs::perms::none);
  ASSERT_TRUE(ScanDirectory(root.string(), 0, false, list, collect));
  EXPECT_EQ(list.size(), 5u);
  EXPECT_EQ(unreadable, std::vector<std::string>{(root / "locked").string() + "/"});
}

TEST_F(ScanTest, CallbackStopsTheScan) {
  std::vector<std::string> list;
  int entries = 0;
  EXPECT_FALSE(ScanDirectory(root.string(), 1, false, list,
                             [&](const ScanEvent&) { return ++entries < 3; }));
  EXPECT_EQ(entries, 3);
  EXPECT_LE(list.size(), 2u);
}

}  // namespace
}  // namespace tessel
