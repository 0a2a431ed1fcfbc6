#include "editor/search_replace.h"

#include <array>

#include "base/ascii.h"

namespace tessel {
namespace {

bool IsWordByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_' ||
         b >= 0x80;
}

// Occurrences of one find text, with Horspool's skips so that long texts are searched
// quickly; ASCII case is folded unless case must match.
class Matcher {
 public:
  Matcher(std::string_view find, bool matchCase) : find_(find), matchCase_(matchCase) {
    skip_.fill(find.size());
    for (std::size_t k = 0; k + 1 < find.size(); ++k) skip_[Fold(find[k])] = find.size() - 1 - k;
  }

  /// The first occurrence at or after `from`, whole word or not.
  std::size_t Next(std::string_view text, std::size_t from) const {
    const std::size_t m = find_.size();
    if (m == 0 || m > text.size()) return kNoMatch;
    for (std::size_t i = from; i <= text.size() - m; i += skip_[Fold(text[i + m - 1])]) {
      std::size_t k = m;
      while (k > 0 && Fold(text[i + k - 1]) == Fold(find_[k - 1])) --k;
      if (k == 0) return i;
    }
    return kNoMatch;
  }

 private:
  unsigned char Fold(char c) const {
    return static_cast<unsigned char>(matchCase_ ? c : AsciiLower(c));
  }

  std::string_view find_;
  bool matchCase_;
  std::array<std::size_t, 256> skip_{};
};

}  // namespace

std::size_t FindNext(std::string_view text, std::string_view find, std::size_t start,
                     SearchOptions options) {
  const Matcher matcher(find, options.MatchCase);
  for (std::size_t at = matcher.Next(text, start); at != kNoMatch;
       at = matcher.Next(text, at + 1)) {
    const std::size_t end = at + find.size();
    if (!options.WholeWord ||
        !((at > 0 && IsWordByte(text[at - 1])) || (end < text.size() && IsWordByte(text[end])))) {
      return at;
    }
  }
  return kNoMatch;
}

std::size_t SearchStart(std::size_t selectionStart, std::size_t selectionLength) {
  return selectionLength > 0 ? selectionStart + selectionLength : 0;
}

ReplaceAllResult ReplaceAll(std::string_view text, std::string_view find,
                            std::string_view replacement, SearchOptions options,
                            std::size_t firstMatch) {
  ReplaceAllResult result;
  std::string& out = result.Text;
  const Matcher matcher(find, options.MatchCase);
  std::size_t copied = 0;  // the old text before this is in `out`, replaced
  for (std::size_t from = firstMatch;;) {
    const std::size_t at = matcher.Next(text, from);
    if (at == kNoMatch) break;
    const std::size_t end = at + find.size();
    if (options.WholeWord) {
      // Right after a replacement the byte before the match is the replacement's last.
      const bool follows = result.Count > 0 && at == copied;
      const bool wordBefore =
          follows ? !out.empty() && IsWordByte(out.back()) : at > 0 && IsWordByte(text[at - 1]);
      if (wordBefore || (end < text.size() && IsWordByte(text[end]))) {
        from = at + 1;
        continue;
      }
    }
    if (result.Count == 0) result.ChangedStart = at;
    out.append(text.substr(copied, at - copied));
    out.append(replacement);
    copied = from = end;
    ++result.Count;
  }
  if (result.Count == 0) {
    out = text;
    return result;
  }
  result.ChangedEndOld = copied;
  result.ChangedEndNew = out.size();
  out.append(text.substr(copied));
  return result;
}

}  // namespace tessel
