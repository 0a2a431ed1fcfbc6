#include "batch/render_verify.h"

#include <algorithm>
#include <exception>

namespace tessel {
namespace {

// The parser counts positions in 32 bits, and a parsed page takes about 30 times its size.
constexpr size_t kLargestChecked = size_t(1) << 30;

RenderDifference Unverifiable(std::string what) {
  return {RenderDifferenceKind::Unchecked, false, false, 1, 1, std::move(what)};
}

}  // namespace

std::optional<RenderDifference> FirstRenderDifference(std::string_view original,
                                                      std::string_view result) {
  // Most results of a site already formatted are the page itself: nothing to parse.
  if (original == result) return std::nullopt;
  if (std::max(original.size(), result.size()) > kLargestChecked) {
    return Unverifiable("the page is too large to be checked (over 1 GiB)");
  }
  try {
    return RenderCheck::First(original, result);
  } catch (const std::exception& e) {
    // Out of memory, most likely: the run goes on, and the page counts as not verified.
    return Unverifiable(std::string("the pages could not be parsed: ") + e.what());
  }
}

std::string RenderNote(const RenderDifference& difference) {
  if (difference.Kind == RenderDifferenceKind::Unchecked) {
    return "could not be verified: " + difference.What;
  }
  return "could render differently: " + DescribeDifference(difference);
}

std::string SelectionRenderWarning(std::string_view selection, std::string_view result,
                                   int64_t line, int64_t column) {
  std::optional<RenderDifference> found = FirstRenderDifference(selection, result);
  if (!found) return {};
  if (found->Kind != RenderDifferenceKind::Unchecked) {
    // The result's first line starts where the selection started; the others at column 1.
    if (found->Line == 1) found->Column += column - 1;
    found->Line += line - 1;
  }
  return "The result " + RenderNote(*found);
}

}  // namespace tessel
