#include "app/program_settings.h"

#include <algorithm>

#include "styles/ini_file.h"

namespace tessel {
namespace {

constexpr std::string_view kOptions = "OPTIONS";
constexpr std::string_view kPosition = "POSITION_MAIN";
constexpr std::string_view kColors = "COLORS";
constexpr std::string_view kPaths = "PATHS";
constexpr std::uint32_t kMaxColor = 0xFFFFFF;
constexpr int kScreenMargin = 30;

std::uint32_t GetColor(const IniFile& ini, std::string_view key, std::uint32_t fallback) {
  const int value = ini.GetInt(kColors, key, -1);
  return value < 0 || static_cast<std::uint32_t>(value) > kMaxColor
             ? fallback
             : static_cast<std::uint32_t>(value);
}

/// An empty value would send the dialogs nowhere; they start in the program directory.
std::string GetDir(const IniFile& ini, std::string_view key, const std::string& fallback) {
  std::string dir = ini.GetString(kPaths, key, fallback);
  return dir.empty() ? fallback : dir;
}

/// An unknown screen size (0, as without a display) leaves the size as it is.
int StoredSize(int size, int screen) {
  return screen > kScreenMargin ? std::min(size, screen - kScreenMargin) : size;
}

}  // namespace

bool ReadProgramSettings(const std::filesystem::path& path, int screenWidth, int screenHeight,
                         ProgramSettings& settings, std::string* err) {
  settings = ProgramSettings{};
  settings.Width = screenWidth * 8 / 10;
  settings.Height = screenHeight * 8 / 10;
  std::string programDir = path.parent_path().string();
  if (!programDir.empty() && programDir.back() != '/') programDir += '/';
  settings.Multi = settings.Save = settings.Tree = programDir;

  IniFile ini;
  std::string loadErr;
  if (!ini.Load(path, &loadErr)) {
    if (err) *err = loadErr;
    return false;
  }
  ProgramSettings& s = settings;
  s.StyleName = ini.GetString(kOptions, "StyleName", s.StyleName);
  s.PopUpStyleName = ini.GetString(kOptions, "PopUpStyleName", s.PopUpStyleName);
  s.BackupExt = ini.GetString(kOptions, "BackupExt", s.BackupExt);
  s.DoCreateBackUps = ini.GetBool(kOptions, "DoCreateBackUps", s.DoCreateBackUps);
  s.DoValidate = ini.GetBool(kOptions, "DoValidate", s.DoValidate);
  s.LastSearch = ini.GetString(kOptions, "LastSearch", s.LastSearch);
  s.LastReplace = ini.GetString(kOptions, "LastReplace", s.LastReplace);
  s.DoLoadWallPapers = ini.GetBool(kOptions, "DoLoadWallPapers", s.DoLoadWallPapers);
  s.Top = ini.GetInt(kPosition, "Top", s.Top);
  s.Left = ini.GetInt(kPosition, "Left", s.Left);
  // A window without width or height could not be seen or grabbed.
  if (const int w = ini.GetInt(kPosition, "Width", s.Width); w > 0) s.Width = w;
  if (const int h = ini.GetInt(kPosition, "Height", s.Height); h > 0) s.Height = h;
  s.TextCol = GetColor(ini, "TextCol", s.TextCol);
  s.TagCol = GetColor(ini, "TagCol", s.TagCol);
  s.QuotedCol = GetColor(ini, "QuotedCol", s.QuotedCol);
  s.CommentCol = GetColor(ini, "CommentCol", s.CommentCol);
  s.DoColorTags = ini.GetBool(kColors, "DoColorTags", s.DoColorTags);
  s.Multi = GetDir(ini, "Multi", programDir);
  s.Save = GetDir(ini, "Save", programDir);
  s.Tree = GetDir(ini, "Tree", programDir);
  return true;
}

bool WriteProgramSettings(const std::filesystem::path& path, const ProgramSettings& settings,
                          int screenWidth, int screenHeight, std::string* err) {
  IniFile ini;
  if (!ini.Load(path, err)) return false;
  const ProgramSettings& s = settings;
  ini.Set(kOptions, "StyleName", s.StyleName);
  ini.Set(kOptions, "PopUpStyleName", s.PopUpStyleName);
  ini.Set(kOptions, "BackupExt", s.BackupExt.substr(0, 5));
  ini.SetBool(kOptions, "DoCreateBackUps", s.DoCreateBackUps);
  ini.SetBool(kOptions, "DoValidate", s.DoValidate);
  ini.Set(kOptions, "LastSearch", s.LastSearch);
  ini.Set(kOptions, "LastReplace", s.LastReplace);
  ini.SetBool(kOptions, "DoLoadWallPapers", s.DoLoadWallPapers);
  ini.SetInt(kPosition, "Top", s.Top);
  ini.SetInt(kPosition, "Left", s.Left);
  ini.SetInt(kPosition, "Width", StoredSize(s.Width, screenWidth));
  ini.SetInt(kPosition, "Height", StoredSize(s.Height, screenHeight));
  // An emphasis palette is for the session only; the next start shows the standard one.
  ini.SetInt(kColors, "TextCol", static_cast<int>(kDefaultTextCol));
  ini.SetInt(kColors, "TagCol", static_cast<int>(kDefaultTagCol));
  ini.SetInt(kColors, "QuotedCol", static_cast<int>(kDefaultQuotedCol));
  ini.SetInt(kColors, "CommentCol", static_cast<int>(kDefaultCommentCol));
  ini.SetBool(kColors, "DoColorTags", s.DoColorTags);
  return ini.Save(path, err);
}

bool WriteProgramPath(const std::filesystem::path& path, std::string_view key,
                      const std::string& dir, std::string* err) {
  IniFile ini;
  if (!ini.Load(path, err)) return false;
  ini.Set(kPaths, key, dir);
  return ini.Save(path, err);
}

}  // namespace tessel
