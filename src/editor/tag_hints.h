// The hint line: the syntax of the tag at the editor's cursor, taken from the lines of the
// hint file, and what Shift+F1 inserts from it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessel {

/// The hint file in the program directory.
inline constexpr std::string_view kTagSyntaxFileName = "tagsyntax.txt";

/// The longest hint shown, in characters.
inline constexpr std::size_t kMaxHintChars = 1000;

/// The lookup key of the tag around `position` of the editor's text: "<" and the tag's
/// name as written (up to the first space or ">") and ">"; a closing tag gives the key of
/// its opening tag, plain text the key of the tag before it. Nothing when no tag lies
/// around the position.
std::optional<std::string> TagHintKey(std::string_view text, std::int64_t position);

/// The hint of one hint file line: the text after its first ":" (the whole line without
/// one), at most kMaxHintChars characters, without leading and trailing spaces.
std::string HintOfLine(std::string_view line);

/// The lines of the hint file, indexed so that a lookup costs one hash probe.
class TagHints {
 public:
  TagHints() = default;
  explicit TagHints(std::vector<std::string> lines);

  /// The hint file at `path`, split at CR LF, LF or CR; a UTF-8 byte order mark is dropped
  /// and a file that is not UTF-8 is read as Windows-1252. No hints when it cannot be read.
  static TagHints Load(const std::filesystem::path& path);

  bool empty() const { return lines_.empty(); }
  const std::vector<std::string>& Lines() const { return lines_; }

  /// The hint of the first line that begins with `key`, letter case aside; "" when no line
  /// does.
  std::string Lookup(std::string_view key) const;

  /// What the hint line shows with the cursor at `position` of the editor's text. Nothing
  /// (the line keeps its text) when there are no hints or no tag lies around the position;
  /// else the hint, where "" clears the line.
  std::optional<std::string> HintAt(std::string_view text, std::int64_t position) const;

 private:
  std::vector<std::string> lines_;
  // Upper-cased text of a line up to its first ">", to the first line that has it.
  std::unordered_map<std::string, std::size_t> firstLine_;
};

/// What Shift+F1 inserts at the cursor from the hint line showing `hintLine`, of which
/// `selectedPart` is selected: the selected part, or the whole line when nothing is
/// selected. "" (nothing to insert) unless the line starts with "<", so notes and other
/// texts the line shows are never inserted.
std::string HintInsertion(std::string_view hintLine, std::string_view selectedPart);

/// The hint line's tooltip while it shows `hintLine`: "" (none) for an empty line, the
/// Shift+F1 explanation for a tag hint; nothing (the tooltip stays) for other texts.
std::optional<std::string> HintLineTooltip(std::string_view hintLine);

}  // namespace tessel
