// Styles on disk: one directory per style below the styles directory, each holding
// options.ini (the general options) and tag.ini (one section per tag rule).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/style_model.h"

namespace tessel {

inline constexpr std::string_view kProgramTitle = kProgramVersion;
inline constexpr std::string_view kNoValidStyleMessage =
    "No valid Formatting-Style found!\r\nPlease reinstall TESSEL HTML.\r\nProgram terminated...";

inline constexpr std::string_view kOptionsFileName = "options.ini";
inline constexpr std::string_view kTagFileName = "tag.ini";

/// The entry of `dir` named `name` without regard to ASCII case (an exact match first), or
/// dir / name when there is none.
std::filesystem::path FindNameNoCase(const std::filesystem::path& dir, std::string_view name);

/// options.ini of `styleDir` into `options`. UseWhileCompress and UseWhileFormat keep the
/// values `options` holds when their keys are missing. On failure `options` is unchanged.
bool ReadStyleOptions(const std::filesystem::path& styleDir, StyleOptions& options,
                      std::string* err);
/// Every option key into options.ini of `styleDir`.
bool WriteStyleOptions(const std::filesystem::path& styleDir, const StyleOptions& options,
                       std::string* err);

/// tag.ini of `styleDir` into `table`: at most kMaxTags sections in file order. On failure
/// `table` is unchanged.
bool ReadTagTable(const std::filesystem::path& styleDir, TagTable& table, std::string* err);
/// Entries 1..TagCount into tag.ini, each into the section named by its TagName. Raises the
/// line breaks of Stand Alone entries to at least 1 in `table` first.
bool WriteTagTable(const std::filesystem::path& styleDir, TagTable& table, std::string* err);
/// Removes a tag's section with all its keys from tag.ini of `styleDir`.
bool EraseTagSection(const std::filesystem::path& styleDir, std::string_view section,
                     std::string* err);

/// A Stand Alone tag always stands on its own line: 0 line breaks around it become 1.
void ApplyStandAloneMinimum(TagEntry& entry);

/// The styles below one directory, and the loading of one of them into a Style.
class StyleLibrary {
 public:
  StyleLibrary(std::filesystem::path stylesDir, Style& style);

  /// Refills StyleList with the valid styles, sorted without regard to case; returns their
  /// number. 0 means the program cannot go on (kNoValidStyleMessage is the caller's to show).
  int FindStyles();
  const std::vector<std::string>& StyleList() const { return styleList_; }

  /// A directory holding both options.ini and tag.ini.
  bool IsValidStyle(const std::filesystem::path& dir) const;
  /// The directory of a style name, found without regard to case.
  std::filesystem::path StylePath(std::string_view name) const;

  /// Loads the named style, or silently the first style when that one is not valid. False
  /// when there is no style at all or a style file cannot be read; then nothing changes
  /// and LastError says why.
  bool LoadStyle(std::string_view name);
  /// Loads the style in `dir`, which need not lie below the styles directory; its name is
  /// the directory's own name. False, changing nothing, when `dir` is no valid style.
  bool LoadStyleFromDirectory(const std::filesystem::path& dir);

  /// Where the loaded style lives; all writes of the style go there. Empty before a load.
  const std::filesystem::path& ActiveStylePath() const { return activeStylePath_; }
  /// The program title, and once a style is loaded " - Style: " and its name.
  std::string WindowCaption() const;
  /// Why the last load failed.
  const std::string& LastError() const { return lastError_; }

 private:
  bool Load(const std::filesystem::path& dir, std::string_view name);

  std::filesystem::path stylesDir_;
  Style& style_;
  std::vector<std::string> styleList_;
  std::filesystem::path activeStylePath_;
  std::string lastError_;
};

}  // namespace tessel
