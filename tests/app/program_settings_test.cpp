#include "app/program_settings.h"

#include <gtest/gtest.h>

#include <tuple>

#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

/// Every field, so that whole settings compare at once and a new field is not forgotten.
auto Fields(const ProgramSettings& s) {
  return std::tie(s.StyleName, s.PopUpStyleName, s.BackupExt, s.DoCreateBackUps, s.DoValidate,
                  s.LastSearch, s.LastReplace, s.DoLoadWallPapers, s.Top, s.Left, s.Width, s.Height,
                  s.TextCol, s.TagCol, s.QuotedCol, s.CommentCol, s.DoColorTags, s.Multi, s.Save,
                  s.Tree, s.LineEnds, s.DoVerify);
}

TEST(ProgramSettingsTest, DefaultsWithoutAFileAndForMissingOrBadKeys) {
  TempDir tmp;
  const std::string dir = tmp.path().string() + "/";
  WriteFile(tmp / "partial.ini",
            "[OPTIONS]\r\nStyleName=Mine\r\nDoValidate=yes\r\nLineEnds=cr\r\n[POSITION_MAIN]\r\nWidth=0\r\n"
            "Top=-20\r\n[COLORS]\r\nTagCol=-5\r\n[PATHS]\r\nTree=\r\n");
  for (const char* name : {"prg.ini", "partial.ini"}) {
    ProgramSettings s;
    std::string err;
    ASSERT_TRUE(ReadProgramSettings(tmp / name, 1920, 1081, s, &err)) << err;
    ProgramSettings expected;
    expected.Width = 1536;
    expected.Height = 864;
    expected.Multi = expected.Save = expected.Tree = dir;
    if (name == std::string("partial.ini")) {
      expected.StyleName = "Mine";
      expected.Top = -20;
    }
    EXPECT_EQ(Fields(s), Fields(expected)) << name;
  }
  EXPECT_FALSE(fs::exists(tmp / "prg.ini"));  // reading never creates the file
}

TEST(ProgramSettingsTest, EveryKeySurvivesAWriteAndRead) {
  TempDir tmp;
  const fs::path ini = tmp / "prg.ini";
  WriteFile(ini, "; mine\r\n[OPTIONS]\r\nUnknown=kept\r\n[EXTRA]\r\nX=1\r\n");
  ProgramSettings out;
  out.StyleName = "Dense";
  out.PopUpStyleName = "Loose";
  out.BackupExt = ".backup";
  out.DoCreateBackUps = false;
  out.DoValidate = true;
  out.LastSearch = "<td";
  out.LastReplace = "<TD class=x>";
  out.DoLoadWallPapers = false;
  out.LineEnds = LineEndSetting::Keep;
  out.DoVerify = true;
  out.Top = -8;
  out.Left = 1930;
  out.Width = 800;
  out.Height = 600;
  out.TagCol = 0xC0C0C0;  // an emphasis palette is not stored
  out.DoColorTags = false;
  out.Tree = "/elsewhere/";  // [PATHS] is written on its own
  std::string err;
  ASSERT_TRUE(WriteProgramSettings(ini, out, 1920, 1080, &err)) << err;
  ASSERT_TRUE(WriteProgramPath(ini, "Tree", "/sites/a/", &err)) << err;
  ASSERT_TRUE(WriteProgramPath(ini, "Save", "/sites/b", &err)) << err;

  ProgramSettings in;
  ASSERT_TRUE(ReadProgramSettings(ini, 1920, 1080, in, &err)) << err;
  ProgramSettings expected = out;
  expected.BackupExt = ".back";
  expected.TagCol = kDefaultTagCol;
  expected.Tree = "/sites/a/";
  expected.Save = "/sites/b";
  expected.Multi = tmp.path().string() + "/";
  EXPECT_EQ(Fields(in), Fields(expected));

  const std::string text = ReadFile(ini);
  EXPECT_TRUE(text.starts_with("; mine\r\n[OPTIONS]\r\nUnknown=kept\r\nStyleName=Dense\r\n"))
      << text;
  EXPECT_NE(text.find("DoLoadWallPapers=0\r\nLineEnds=keep\r\nDoVerify=1\r\n[EXTRA]"), std::string::npos) << text;
  EXPECT_NE(text.find("[EXTRA]\r\nX=1\r\n"), std::string::npos) << text;
}

TEST(ProgramSettingsTest, WindowSizeIsStoredSmallerThanTheScreen) {
  TempDir tmp;
  const struct {
    int Width, Height, ScreenW, ScreenH, StoredW, StoredH;
  } cases[] = {
      {2000, 1200, 1920, 1080, 1890, 1050},
      {1890, 1000, 1920, 1080, 1890, 1000},
      {800, 600, 0, 0, 800, 600},  // no display: nothing to clamp to
  };
  for (const auto& c : cases) {
    ProgramSettings s;
    s.Width = c.Width;
    s.Height = c.Height;
    std::string err;
    ASSERT_TRUE(WriteProgramSettings(tmp / "prg.ini", s, c.ScreenW, c.ScreenH, &err)) << err;
    ASSERT_TRUE(ReadProgramSettings(tmp / "prg.ini", 1, 1, s, &err)) << err;
    EXPECT_EQ(s.Width, c.StoredW) << c.Width;
    EXPECT_EQ(s.Height, c.StoredH) << c.Height;
  }
}

TEST(ProgramSettingsTest, AnUnreadableFileGivesDefaultsAndIsNotReplaced) {
  TempDir tmp;
  fs::create_directory(tmp / "prg.ini");  // exists, cannot be read as a file
  ProgramSettings s;
  s.StyleName = "stale";
  std::string err;
  EXPECT_FALSE(ReadProgramSettings(tmp / "prg.ini", 100, 100, s, &err));
  EXPECT_FALSE(err.empty());
  EXPECT_EQ(s.StyleName, "_default");
  EXPECT_EQ(s.Width, 80);
  EXPECT_FALSE(WriteProgramSettings(tmp / "prg.ini", s, 100, 100, &err));
  EXPECT_FALSE(WriteProgramPath(tmp / "prg.ini", "Tree", "/x/", &err));
  EXPECT_TRUE(fs::is_directory(tmp / "prg.ini"));
}

}  // namespace
}  // namespace tessel
