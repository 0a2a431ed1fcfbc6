// A unified diff between a file's bytes on disk and the bytes processing would write.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessel {

/// Line comparisons the alignment may spend before it pairs the remaining lines in order:
/// enough for any page that is edited by hand, and it keeps a huge file that changes
/// everywhere to seconds instead of hours.
inline constexpr size_t kDiffCompareBudget = 50'000'000;

struct UnifiedDiffResult {
  std::string Text;               // empty when the bytes are equal
  size_t LineEndOnlyChanges = 0;  // lines shown replaced although only their line end differs
};

/// The changes that turn `before` into `after` as a unified diff with three lines of
/// context, headed "--- a/PATH" and "+++ b/PATH", so that `patch -p1` reproduces `after`
/// byte for byte. Lines end at LF; they are aligned by their text without the CR LF or LF
/// that ends them, and a line whose text stays but whose line end changes is shown as a
/// removed and an added line side by side. `compareBudget` bounds the work of the
/// alignment; past it the diff is still exact but no longer minimal.
UnifiedDiffResult MakeUnifiedDiff(std::string_view before, std::string_view after,
                                  std::string_view path,
                                  size_t compareBudget = kDiffCompareBudget);

}  // namespace tessel
