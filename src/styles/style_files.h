// Styles on disk: one directory per style below the styles directory, each holding
// options.ini (the general options) and tag.ini (one section per tag rule).
#pragma once

#include <filesystem>
#include <optional>
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

/// A style as read from its files, and where it lives.
struct LoadedStyle {
  Style Value;
  std::filesystem::path Dir;  // all writes of the style go there
};

/// The styles below one directory, each read as a value.
class StyleLibrary {
 public:
  explicit StyleLibrary(std::filesystem::path stylesDir);

  /// Refills StyleList with the valid styles, sorted without regard to case; returns their
  /// number. 0 means the program cannot go on (kNoValidStyleMessage is the caller's to show).
  int FindStyles();
  const std::vector<std::string>& StyleList() const { return styleList_; }

  /// A directory holding both options.ini and tag.ini.
  bool IsValidStyle(const std::filesystem::path& dir) const;
  /// The directory of a style name, found without regard to case.
  std::filesystem::path StylePath(std::string_view name) const;

  /// The named style, or silently the first style when that one is not valid. Nothing,
  /// with *err saying why, when there is no style at all or a style file cannot be read.
  /// `previous` gives UseWhileFormat and UseWhileCompress where the file has no key for
  /// them (ReadStyleOptions).
  std::optional<LoadedStyle> Load(std::string_view name, const StyleOptions& previous = {},
                                  std::string* err = nullptr);
  /// The style in `dir`, which need not lie below the styles directory; its name is the
  /// directory's own name. Nothing, with *err, when `dir` is no valid style.
  std::optional<LoadedStyle> LoadFromDirectory(const std::filesystem::path& dir,
                                               const StyleOptions& previous = {},
                                               std::string* err = nullptr);

 private:
  std::filesystem::path stylesDir_;
  std::vector<std::string> styleList_;
};

/// The program title, and with a style loaded " - Style: " and its name.
std::string WindowCaption(const std::string* styleName);

}  // namespace tessel
