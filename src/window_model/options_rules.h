// The rules behind the options dialog and its two small helper dialogs that need no
// window: what a tag grid row shows, the line break minimum, how typed values are stored,
// which groups are emphasised, and the checks for a new style name and a new tag.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/style_model.h"

namespace tessel {

/// What a counter of the dialog offers.
struct CounterRange {
  int Min, Max, Step;
};
inline constexpr CounterRange kLineSizeRange{60, 500, 10};
inline constexpr CounterRange kSpacingRange{0, 12, 1};
inline constexpr CounterRange kIndentStepsRange{0, 4, 1};
inline constexpr CounterRange kLineBreaksRange{0, 5, 1};  // Min rises to 1 for Stand Alone
inline constexpr CounterRange kCommentLengthRange{20, 200, 5};

/// The fill characters the symbol box offers, in order.
inline constexpr std::string_view kCommentSymbols = "*#+-=_./\\^";

inline constexpr int kDescriptionWidth = 150;  // StyleDescription as typed
inline constexpr int kUserInfoWidth = 200;
inline constexpr int kBackupExtTypedWidth = 6;  // one more than is stored: room for the point
/// prg.ini keeps this many characters of the backup extension.
inline constexpr size_t kStoredBackupExtLength = 5;

inline constexpr std::string_view kNoPreviewFile = "ERROR: No preview file found";

// ---------------------------------------------------------------------------------------
// The tag grid

/// Column headers, then the cells of a row in the same order: name, T, L, C, I.
inline constexpr std::array<std::string_view, 5> kTagGridHeader = {"Tag Overview:", "T", " L", " C",
                                                                   " I"};
using TagGridRow = std::array<std::string, 5>;

/// The row of the grid for `entry`: "A" or "S"; the line breaks before and after run
/// together; the comment symbol where a comment has an effect (a blank otherwise, one blank
/// when neither has); the two indents run together, a blank for an As Text entry.
TagGridRow TagGridRowOf(const TagEntry& entry);

// ---------------------------------------------------------------------------------------
// Line breaks

/// The least number of line breaks either counter offers: 0 for an As Text entry, 1 for a
/// Stand Alone entry, which always stands on its own line (ApplyStandAloneMinimum).
int LineBreakMinimum(const TagEntry& entry);

// ---------------------------------------------------------------------------------------
// Values as the General and Documentation pages store them

/// The user text as stored: every "<" and ">" becomes a blank (the line is written into an
/// HTML comment), blanks trimmed from both ends.
std::string UserInfoFromField(std::string_view text);
/// A typed backup extension made usable (NormalizeBackupExt of the batch layer): trimmed,
/// inner blanks and later points "_", a leading ".", ".pbak" when nothing is left.
std::string CleanBackupExt(std::string_view typed);
/// A cleaned backup extension as stored: its first kStoredBackupExtLength characters.
std::string StoredBackupExt(std::string_view cleaned);
/// "<>" when line breaks inside tags are excluded, else the double quote.
std::string BreakExcluderFor(bool noBreakInsideTags);
bool NoBreakInsideTags(std::string_view breakExcluder);
/// TagCase for the ticked radio button (1 upper, 2 lower, 3 preserved); `current` when
/// none is ticked.
int TagCaseFor(bool upper, bool lower, bool preserve, int current);

// ---------------------------------------------------------------------------------------
// Emphasis: which settings of the Tags page have an effect

struct TagEmphasis {
  bool AloneMarked = false;  // the radio button of the entry's type: bold and underlined
  bool AsTextMarked = false;
  bool IndentItalic = false;        // both indent groups: indents apply to Stand Alone tags only
  bool StartCommentItalic = false;  // an As Text tag without a line break there
  bool EndCommentItalic = false;
  bool BeforeItalic = false;  // a Stand Alone counter below 1
  bool AfterItalic = false;
  bool operator==(const TagEmphasis&) const = default;
};
/// For the entry as the counters show it.
TagEmphasis TagEmphasisOf(const TagEntry& entry);

struct Rgb {
  int R, G, B;
  bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kPanelColour{255, 251, 230};
inline constexpr Rgb kWarningTint{255, 210, 210};

/// Panels tinted kWarningTint because a general option switches their settings off.
struct PanelTints {
  bool Comments = false;  // "Disable all Auto Comments" and the three auto comment groups
  bool Indent = false;    // "Indent Stepsize" and the two indent groups
  bool operator==(const PanelTints&) const = default;
};
PanelTints PanelTintsOf(const StyleOptions& options);

// ---------------------------------------------------------------------------------------
// New styles and tags

/// The typed name made usable as a directory name (ends trimmed; blanks, "\", "/" and "."
/// become "_"), or "" when it is empty or names one of `existing` without regard to case.
std::string CheckNewStyle(std::string_view text, const std::vector<std::string>& existing);

/// A typed tag in the table's form: upper case, without blanks, tabs, "*", "/", "\", "<"
/// and ">", in angle brackets. "</table>" gives "<TABLE>".
std::string NormalizeNewTag(std::string_view text);

/// Why `tag` (as NormalizeNewTag gives it) cannot be added to `table`, or "" when it can.
std::string ValidateNewTag(std::string_view tag, const TagTable& table);

/// The entry a new tag starts as: the defaults, named and opened by `tag`, closed by the
/// same with "</", each cut to kTagFieldWidth.
TagEntry NewTagEntry(std::string_view tag);
/// Appends NewTagEntry(tag) at place TagCount + 1; false when the table is full.
bool AppendNewTag(TagTable& table, std::string_view tag);
/// Takes entry `number` out of the table; the later entries move up and are renumbered.
/// The other entries keep whatever was edited in them.
bool RemoveTagEntry(TagTable& table, int number);

// ---------------------------------------------------------------------------------------
// Questions and messages ("\r\n" is a line break)

std::string SaveChangesQuestion(std::string_view styleName);
std::string RemoveTagQuestion(const TagEntry& entry);
std::string TagAddedMessage(const TagEntry& entry);

}  // namespace tessel
