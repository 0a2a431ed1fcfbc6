#include "app/session.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

void WriteStyle(const fs::path& dir, int tagCase) {
  WriteFile(dir / "options.ini", "[OPTIONS]\r\nTagCase=" + std::to_string(tagCase) + "\r\n");
  WriteFile(dir / "tag.ini", "[<P>]\r\nTagOpen=<P>\r\nTagClose=</P>\r\nTreatAsText=1\r\n");
}

TEST(SessionTest, TakesTheSettingsIntoTheRunState) {
  TempDir home;
  WriteFile(home / "prg.ini",
            "[OPTIONS]\r\nBackupExt=.old\r\nDoCreateBackUps=0\r\nDoValidate=1\r\nDoVerify=1\r\n");
  RunHost host;
  Session session(home.path(), host);
  const RunState& state = session.State();
  EXPECT_EQ(state.ProgramDir, home.path().string() + "/");
  EXPECT_EQ(state.TempOutFile, state.ProgramDir + "$tmp.htm");
  EXPECT_EQ(state.BackupExt, ".old");
  EXPECT_FALSE(state.DoCreateBackUps);
  EXPECT_TRUE(state.DoValidate);
  EXPECT_EQ(state.Verify, VerifyKind::Mark);

  std::string err;
  ASSERT_TRUE(session.RememberPath("Tree", "/sites/a/", &err)) << err;
  EXPECT_EQ(session.Settings().Tree, "/sites/a/");
  EXPECT_NE(ReadFile(home / "prg.ini").find("[PATHS]\r\nTree=/sites/a/"), std::string::npos);
}

// A run reads the active style afresh, wherever it was loaded from, so edits made to its
// files in between take effect.
TEST(SessionTest, EveryRunReloadsTheStyleFromItsFiles) {
  for (bool byDirectory : {false, true}) {
    TempDir home;
    const fs::path dir = byDirectory ? home / "elsewhere" / "mine" : home / "styles" / "Mine";
    WriteStyle(home / "styles" / "Mine", 1);
    WriteStyle(home / "elsewhere" / "mine", 1);
    RunHost host;
    Session session(home.path(), host);
    const std::string arg = byDirectory ? dir.string() : "Mine";
    StyleError err;
    ASSERT_TRUE(session.LoadStyle(&arg, &err)) << err.Text;
    EXPECT_EQ(session.ActiveStyle().Options.StyleName, byDirectory ? "mine" : "Mine");

    WriteStyle(dir, 2);
    const std::string page = (home / "page.htm").string();
    WriteFile(page, "<P>x</P>\n");
    session.State().DoCreateBackUps = false;
    session.State().ProcessMode = ProcessKind::Format;
    session.Driver().SelectSingleFile(page);
    EXPECT_EQ(session.Driver().Run().Processed, 1);
    EXPECT_EQ(ReadFile(page), "<p>x</p>\r\n") << byDirectory;
  }
}

TEST(SessionTest, NoStyleAtAllIsItsOwnError) {
  TempDir home;
  fs::create_directories(home / "styles" / "broken");
  RunHost host;
  Session session(home.path(), host);
  StyleError err;
  EXPECT_FALSE(session.LoadStyle(nullptr, &err));
  EXPECT_TRUE(err.NoValidStyle);
  EXPECT_FALSE(session.StyleLoaded());
}

}  // namespace
}  // namespace tessel
