#include "app/program_settings.h"

#include <algorithm>
#include <array>

#include "styles/ini_file.h"
#include "styles/ini_record.h"

namespace tessel {
namespace {

constexpr std::string_view kOptions = "OPTIONS";
constexpr std::string_view kPosition = "POSITION_MAIN";
constexpr std::string_view kColors = "COLORS";
constexpr std::string_view kPaths = "PATHS";
constexpr std::string_view kLineEnds = "LineEnds";
constexpr std::string_view kDoVerify = "DoVerify";
constexpr std::uint32_t kMaxColor = 0xFFFFFF;
constexpr int kScreenMargin = 30;

// The keys of each section, in the order they are read and written.
const std::array<KeyField<ProgramSettings>, 8> kOptionKeys = {{
    {"StyleName", &ProgramSettings::StyleName},
    {"PopUpStyleName", &ProgramSettings::PopUpStyleName},
    {"BackupExt", &ProgramSettings::BackupExt},
    {"DoCreateBackUps", &ProgramSettings::DoCreateBackUps},
    {"DoValidate", &ProgramSettings::DoValidate},
    {"LastSearch", &ProgramSettings::LastSearch},
    {"LastReplace", &ProgramSettings::LastReplace},
    {"DoLoadWallPapers", &ProgramSettings::DoLoadWallPapers},
}};
const std::array<KeyField<ProgramSettings>, 4> kPositionKeys = {{
    {"Top", &ProgramSettings::Top},
    {"Left", &ProgramSettings::Left},
    {"Width", &ProgramSettings::Width},
    {"Height", &ProgramSettings::Height},
}};
const std::array<KeyField<ProgramSettings>, 5> kColorKeys = {{
    {"TextCol", &ProgramSettings::TextCol},
    {"TagCol", &ProgramSettings::TagCol},
    {"QuotedCol", &ProgramSettings::QuotedCol},
    {"CommentCol", &ProgramSettings::CommentCol},
    {"DoColorTags", &ProgramSettings::DoColorTags},
}};
const std::array<KeyField<ProgramSettings>, 3> kPathKeys = {{
    {"Multi", &ProgramSettings::Multi},
    {"Save", &ProgramSettings::Save},
    {"Tree", &ProgramSettings::Tree},
}};

/// A value outside the colour range reads as the default colour.
void KeepColorInRange(std::uint32_t& color, std::uint32_t fallback) {
  if (color > kMaxColor) color = fallback;
}

/// An unknown screen size (0, as without a display) leaves the size as it is.
int StoredSize(int size, int screen) {
  return screen > kScreenMargin ? std::min(size, screen - kScreenMargin) : size;
}

}  // namespace

bool ReadProgramSettings(const std::filesystem::path& path, int screenWidth, int screenHeight,
                         ProgramSettings& settings, std::string* err) {
  const ProgramSettings defaults = [&] {
    ProgramSettings d;
    d.Width = screenWidth * 8 / 10;
    d.Height = screenHeight * 8 / 10;
    std::string programDir = path.parent_path().string();
    if (!programDir.empty() && programDir.back() != '/') programDir += '/';
    d.Multi = d.Save = d.Tree = programDir;
    return d;
  }();
  settings = defaults;
  IniFile ini;
  std::string loadErr;
  if (!ini.Load(path, &loadErr)) {
    if (err) *err = loadErr;
    return false;
  }
  ProgramSettings& s = settings;
  ReadRecord(ini, kOptions, kOptionKeys, s);
  // A word this version does not know reads as the default.
  s.LineEnds = ParseLineEndSetting(ini.GetString(kOptions, kLineEnds, "")).value_or(s.LineEnds);
  s.DoVerify = ini.GetBool(kOptions, kDoVerify, s.DoVerify);
  ReadRecord(ini, kPosition, kPositionKeys, s);
  ReadRecord(ini, kColors, kColorKeys, s);
  ReadRecord(ini, kPaths, kPathKeys, s);
  // A window without width or height could not be seen or grabbed.
  if (s.Width <= 0) s.Width = defaults.Width;
  if (s.Height <= 0) s.Height = defaults.Height;
  KeepColorInRange(s.TextCol, defaults.TextCol);
  KeepColorInRange(s.TagCol, defaults.TagCol);
  KeepColorInRange(s.QuotedCol, defaults.QuotedCol);
  KeepColorInRange(s.CommentCol, defaults.CommentCol);
  // An empty directory would send the dialogs nowhere; they start in the program directory.
  for (std::string* dir : {&s.Multi, &s.Save, &s.Tree}) {
    if (dir->empty()) *dir = defaults.Multi;
  }
  return true;
}

bool WriteProgramSettings(const std::filesystem::path& path, const ProgramSettings& settings,
                          int screenWidth, int screenHeight, std::string* err) {
  IniFile ini;
  if (!ini.Load(path, err)) return false;
  ProgramSettings stored = settings;
  stored.BackupExt = stored.BackupExt.substr(0, 5);
  stored.Width = StoredSize(stored.Width, screenWidth);
  stored.Height = StoredSize(stored.Height, screenHeight);
  // An emphasis palette is for the session only; the next start shows the standard one.
  const ProgramSettings standard;
  stored.TextCol = standard.TextCol;
  stored.TagCol = standard.TagCol;
  stored.QuotedCol = standard.QuotedCol;
  stored.CommentCol = standard.CommentCol;
  WriteRecord(ini, kOptions, kOptionKeys, stored);
  ini.Set(kOptions, kLineEnds, LineEndSettingWord(stored.LineEnds));
  ini.SetBool(kOptions, kDoVerify, stored.DoVerify);
  WriteRecord(ini, kPosition, kPositionKeys, stored);
  WriteRecord(ini, kColors, kColorKeys, stored);
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
