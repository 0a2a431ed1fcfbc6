// Processing part of the editor's text from its popup menu: the selection is widened to
// whole tags and, where it can be, whole lines; the engine formats, compresses or trims it
// at the indentation of its first line; the result is fitted back into the lines around it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"

namespace tessel {

/// How the processed text must be fitted in: LeadingBreak when other text stands before
/// the selection on its first line, TrailingIndent when other text follows it on its last.
struct SelectionFit {
  bool LeadingBreak = false;
  bool TrailingIndent = false;
  bool operator==(const SelectionFit&) const = default;
};

/// A widened selection of the editor's text: byte offsets, End just after its last byte.
struct AdjustedSelection {
  std::int64_t Start = 0, End = 0;
  SelectionFit Fit;
  bool operator==(const AdjustedSelection&) const = default;
};

/// Widens the selection [start, start + length) of `text` (the editor's text, CR LF line
/// ends) before the popup menu opens. A start that is not at a "<" moves back to the "<"
/// (or "<!--") of the tag (or comment) around it, an end that is not after a ">" moves on
/// past the ">" (or "-->"); a start with only blanks before it on its line moves to the
/// line's start, and an end with only blanks after it on its line moves past the line
/// break. Nothing when no tag lies around the start or the end: then the selection and
/// the fit flags stay as they were.
std::optional<AdjustedSelection> AdjustSelection(std::string_view text, std::int64_t start,
                                                 std::int64_t length);

/// The spaces and tabs that begin the line of `text` holding `position`: the indentation
/// the processed selection is given.
std::string SelectionIndentAt(std::string_view text, std::int64_t position);

/// Runs `engine` (with the style it holds) in PartialMode over `selected`, the selected
/// text with the document's line ends (`lineEnd`: CR LF, or LF): tokenized and formatted or
/// compressed, or trimmed by `trimList`. Returns the text to put in place of the selection:
/// the result's lines each ended by `lineEnd`, after one when fit.LeadingBreak, followed by
/// `selectionIndent` when fit.TrailingIndent. With an indentation of spaces only (the
/// style's, or engine.IndentWithSpaces) a TAB of `selectionIndent` becomes the spaces up to
/// the next TAB stop. Leaves the engine's TokenList and BlockList for the scratch dumps; a
/// trim does not tokenize, so they stay as the last format or compress left them.
std::string ProcessSelection(Engine& engine, EngineMode mode, std::string_view selected,
                             std::string_view selectionIndent, SelectionFit fit,
                             const TrimTagList& trimList = {}, LineEnd lineEnd = LineEnd::CrLf);

// The popup menu.
inline constexpr std::string_view kMenuSeparator = "-";
inline constexpr std::string_view kCompressSelectionCaption = "Compress Selection";
inline constexpr std::string_view kTrimSelectionCaption = "Trim Selection";
/// How many styles of the style list the menu offers besides the last one used.
inline constexpr std::size_t kPopupMenuStyles = 15;

/// "Format selection with: " and the style name in double quotes.
std::string FormatSelectionCaption(std::string_view styleName);

/// The menu's captions in order: formatting with `popUpStyleName` (the style last used
/// from the menu), a separator, compress, trim, a separator, then formatting with each of
/// the first kPopupMenuStyles names of `styleList`.
std::vector<std::string> PopupMenuCaptions(std::string_view popUpStyleName,
                                           const std::vector<std::string>& styleList);

/// The name a clicked item stands for: its caption from the first double quote on (the
/// whole caption without one), at most 100 characters, every double quote removed.
std::string MenuItemName(std::string_view caption);

/// What an item name runs: Compress and Trim for their two captions, else Format with the
/// style of that name.
EngineMode MenuItemMode(std::string_view itemName);

}  // namespace tessel
