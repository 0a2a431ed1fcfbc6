// The window's preview of a run without its widgets: the list found off the window's
// thread, the files a run keeps, the side-by-side layout of a diff, and the Restore rule
// for a tree.
#include "window_model/preview_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "session_home.h"
#include "window_model/window_rules.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::SessionHome;
using testing::WriteFile;

TEST(PreviewModelTest, WorkListsChangesAndFailuresInOrderAndCountsTheRest) {
  SessionHome home;
  const fs::path site = home / "site";
  WriteFile(site / "a.htm", "<html><p>one</p></html>");
  WriteFile(site / "b.htm", std::string("<html>\0</html>", 14));  // cannot be processed
  WriteFile(site / "c.htm", "<html><p>three</p></html>");
  ASSERT_EQ(home.session->Driver().SelectTree(site.string()), SelectionKind::Tree);
  std::vector<PreviewTarget> files = PreviewTargetsOf(home.session->State());
  files.push_back({(site / "gone.htm").string(), "site/gone.htm"});
  std::string err;
  for (int stopFirst : {0, 1}) {
    PreviewWork work(PreviewOfRun(*home.session, ProcessKind::Compress, &err), files);
    if (stopFirst) work.Stop();
    work.Start();
    work.Wait();
    const PreviewProgress p = work.Take();
    EXPECT_TRUE(p.Finished);
    if (stopFirst) {
      EXPECT_TRUE(p.Counts.Cancelled);
      EXPECT_EQ(p.Looked, 0u);
      continue;
    }
    std::string listed;
    for (const PreviewEntry& e : p.Entries) listed += e.File.Shown + (e.Error.empty() ? " " : "! ");
    EXPECT_EQ(listed, "site/a.htm site/b.htm! site/c.htm site/gone.htm! ");
    EXPECT_EQ(p.Looked, 4u);
    EXPECT_EQ(p.Counts.Failed, 2);
    EXPECT_TRUE(work.Take().Entries.empty());  // handed over once
  }
}

TEST(PreviewModelTest, TheRunKeepsEveryFileNotLeftOutInItsOrder) {
  const std::vector<std::string> files = {"/s/a.htm", "/s/b.htm", "/s/sub/a.htm", "/s/c.htm"};
  struct Case {
    std::set<std::string> leftOut;
    std::vector<std::string> kept;
  } cases[] = {
      {{}, files},
      {{"/s/b.htm"}, {"/s/a.htm", "/s/sub/a.htm", "/s/c.htm"}},
      {{"/s/a.htm"}, {"/s/b.htm", "/s/sub/a.htm", "/s/c.htm"}},  // not the one in sub/
      {{"/s/a.htm", "/s/b.htm", "/s/sub/a.htm", "/s/c.htm"}, {}},
      {{"/elsewhere/x.htm"}, files},
  };
  for (const Case& c : cases) EXPECT_EQ(FilesKept(files, c.leftOut), c.kept);
}

std::string Layout(const std::vector<DiffRow>& rows) {
  const char kind[] = {'=', '-', '+', '@', 'H', 'N', '.'};
  std::string out;
  for (const DiffRow& r : rows) {
    for (auto [k, n, text] : {std::tuple{r.Left, r.LeftNumber, &r.LeftText},
                              std::tuple{r.Right, r.RightNumber, &r.RightText}}) {
      out += kind[int(k)];
      out += std::to_string(n);
      out += ':';
      out += *text;
      out += k == r.Left && text == &r.LeftText ? " | " : "\n";
    }
  }
  return out;
}

TEST(PreviewModelTest, SideBySidePairsReplacedBlocksAndNumbersBothSides) {
  struct Case {
    const char* name;
    std::string unified, rows;
  } cases[] = {
      {"replaced block, longer after",
       "--- a/s/p.htm\r\n+++ b/s/p.htm\r\n@@ -4,3 +4,4 @@\r\n same\r\n-old\r\n+new 1\r\n+new 2\r\n"
       " end\r\n",
       "@0:@@ -4,3 +4,4 @@ | @0:@@ -4,3 +4,4 @@\n=4:same | =4:same\n-5:old | +5:new 1\n"
       ".0: | +6:new 2\n=6:end | =7:end\n"},
      {"only removed, then a second hunk", "@@ -1,2 +1 @@\n-gone\n keep\n@@ -10 +9,0 @@\n-x\n",
       "@0:@@ -1,2 +1 @@ | @0:@@ -1,2 +1 @@\n-1:gone | .0:\n=2:keep | =1:keep\n"
       "@0:@@ -10 +9,0 @@ | @0:@@ -10 +9,0 @@\n-10:x | .0:\n"},
      {"removal after an addition starts a new block", "@@ -1,2 +1,2 @@\n+a\n-b\n+c\n",
       "@0:@@ -1,2 +1,2 @@ | @0:@@ -1,2 +1,2 @@\n.0: | +1:a\n-1:b | +2:c\n"},
      {"notes and a line that begins like a header",
       "Line ends: 1 line differs\n--- a/p\n+++ b/p\n@@ -1 +1 @@\n---x\n+++x\n\\ No newline at end "
       "of file\n",
       "N0:Line ends: 1 line differs | N0:Line ends: 1 line differs\n"
       "@0:@@ -1 +1 @@ | @0:@@ -1 +1 @@\n-1:--x | +1:++x\n"
       "N0:\\ No newline at end of file | N0:\\ No newline at end of file\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Layout(SideBySideRows(c.unified)), c.rows) << c.name;
}

TEST(PreviewModelTest, DiffLinesShowEveryByteAndNoStrayLineBreak) {
  const std::string latin = "caf\xE9 a\rb";
  EXPECT_FALSE(DiffIsUtf8(latin));
  EXPECT_EQ(DisplayedDiffLine(latin, false), "caf\u00E9 a\u240Db");
  EXPECT_TRUE(DiffIsUtf8("caf\u00E9"));
  EXPECT_EQ(DisplayedDiffLine("caf\u00E9", true), "caf\u00E9");
}

TEST(PreviewModelTest, SummarySaysHowFarItGotAndWhatIsLeftOut) {
  PreviewCounts counts{3, 1, 1, 0, false};
  EXPECT_EQ(PreviewSummary(counts, 5, 9, false, 0),
            "Looking at 5 of 9 files ...  3 files would change, 1 would stay as they are, "
            "1 could not be read.");
  counts.Cancelled = true;
  EXPECT_EQ(PreviewSummary(counts, 5, 9, true, 1),
            "Stopped after 5 of 9 files; the files not looked at stay in the run.  3 files would "
            "change, 1 would stay as they are, 1 could not be read.  1 file left out of the run.");
}

TEST(PreviewModelTest, RestoreOfATreeNeedsANumberedBackupDirectoryBesideIt) {
  testing::TempDir dir;
  RunState state;
  state.SelectionMode = SelectionKind::Tree;
  state.SourceDir = (dir / "site").string() + "/";
  fs::create_directories(dir / "site");
  fs::create_directories(dir / "other_BAK00");
  WriteFile(dir / "site_BAK00", "a file, not a backup directory");
  fs::create_symlink(dir / "other_BAK00", dir / "site_BAK01");
  EXPECT_FALSE(RestorableBackup(state));
  fs::create_directories(dir / "site_BAK02");
  fs::create_directories(dir / "site_BAK05");
  EXPECT_TRUE(RestorableBackup(state));
  state.SourceDir.clear();  // a tree selection that names no tree
  EXPECT_FALSE(RestorableBackup(state));

  // The restore's own backup goes above every backup there is, and its confirmation says so.
  state.SourceDir = (dir / "site").string() + "/";
  state.ProcessMode = ProcessKind::Restore;
  state.BackupFileName = (dir / "site_BAK05").string() + "/";
  const std::string text = ConfirmationOf(state).Text;
  EXPECT_NE(text.find("site_BAK06/"), std::string::npos) << text;
  EXPECT_NE(text.find("site_BAK05/"), std::string::npos) << text;
}

}  // namespace
}  // namespace tessel
