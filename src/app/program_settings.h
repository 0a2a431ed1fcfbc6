// The program settings kept in "prg.ini" in the program directory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/line_ends.h"

namespace tessel {

/// The standard palette (0x00BBGGRR), which is what [COLORS] always receives.
inline constexpr std::uint32_t kDefaultTextCol = 0;           // black
inline constexpr std::uint32_t kDefaultTagCol = 16711680;     // blue
inline constexpr std::uint32_t kDefaultQuotedCol = 255;       // red
inline constexpr std::uint32_t kDefaultCommentCol = 8421376;  // teal

/// Every key of "prg.ini" with its default.
struct ProgramSettings {
  // [OPTIONS]
  std::string StyleName = "_default";       // the active style
  std::string PopUpStyleName = "_default";  // offered first by the editor's popup menu
  std::string BackupExt = ".pbak";          // stored cut to 5 characters
  bool DoCreateBackUps = true;
  bool DoValidate = false;  // skip files without an "<HTML" tag
  std::string LastSearch;
  std::string LastReplace;
  bool DoLoadWallPapers = true;
  LineEndSetting LineEnds = LineEndSetting::CrLf;  // "LineEnds": crlf, lf or keep
  bool DoVerify = false;  // "DoVerify": runs check whether each result could render differently
  // [POSITION_MAIN]
  int Top = 50;
  int Left = 50;
  int Width = 0;   // default: screen width * 8 / 10
  int Height = 0;  // default: screen height * 8 / 10
  // [COLORS]
  std::uint32_t TextCol = kDefaultTextCol;
  std::uint32_t TagCol = kDefaultTagCol;
  std::uint32_t QuotedCol = kDefaultQuotedCol;
  std::uint32_t CommentCol = kDefaultCommentCol;
  bool DoColorTags = true;
  // [PATHS], each written the moment it changes; default: the program directory
  std::string Multi;  // last directory of a file selection
  std::string Save;   // last directory of a save
  std::string Tree;   // last tree root
};

/// Reads `path` ("prg.ini" in the program directory, which is the PATHS default). A missing
/// file, a missing key or a value that cannot be read gives the default; the window size
/// defaults to 80 % of the screen. Returns false with *err set when the file exists but
/// cannot be read; `settings` then holds the defaults.
bool ReadProgramSettings(const std::filesystem::path& path, int screenWidth, int screenHeight,
                         ProgramSettings& settings, std::string* err = nullptr);

/// Writes every key but [PATHS] into `path`, keeping its other lines. [COLORS] receives the
/// standard palette whatever `settings` holds; Width and Height are stored at most 30 pixels
/// smaller than the screen. A file that exists but cannot be read is not replaced.
bool WriteProgramSettings(const std::filesystem::path& path, const ProgramSettings& settings,
                          int screenWidth, int screenHeight, std::string* err);

/// Writes one [PATHS] key ("Multi", "Save" or "Tree") at once, keeping the rest of the file.
bool WriteProgramPath(const std::filesystem::path& path, std::string_view key,
                      const std::string& dir, std::string* err);

}  // namespace tessel
