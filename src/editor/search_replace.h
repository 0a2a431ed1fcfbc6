// Find and replace in the editor's text. Positions are byte offsets; the search always
// runs forward.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessel {

struct SearchOptions {
  bool WholeWord = false;
  bool MatchCase = false;  // without it, ASCII letters match either case
};

inline constexpr std::size_t kNoMatch = std::string_view::npos;

/// The first occurrence of `find` at or after `start`; kNoMatch when there is none or
/// `find` is empty. A whole word has no word byte (ASCII letter, digit, "_", or any byte
/// of a multi-byte UTF-8 letter) just before or after it.
std::size_t FindNext(std::string_view text, std::string_view find, std::size_t start,
                     SearchOptions options);

/// Where a search starts: the end of the selection when text is selected, else the top.
std::size_t SearchStart(std::size_t selectionStart, std::size_t selectionLength);

/// [ChangedStart, ChangedEndOld) of the old text became [ChangedStart, ChangedEndNew) of
/// the new one; all three are 0 when nothing was replaced.
struct ReplaceAllResult {
  std::string Text;
  std::size_t Count = 0;
  std::size_t ChangedStart = 0, ChangedEndOld = 0, ChangedEndNew = 0;
};

/// Replaces every occurrence from `firstMatch` (the match the search found) on. Each next
/// occurrence is looked for just after the inserted replacement, so a replacement holding
/// `find` is not found again; a whole word is judged against the text as it stands then.
/// Nothing is replaced when `find` is empty.
ReplaceAllResult ReplaceAll(std::string_view text, std::string_view find,
                            std::string_view replacement, SearchOptions options,
                            std::size_t firstMatch);

}  // namespace tessel
