#include "batch/render_verify.h"

namespace tessel {

std::optional<RenderDifference> FirstRenderDifference(std::string_view original,
                                                      std::string_view result) {
  // Most results of a site already formatted are the page itself: nothing to parse.
  if (original == result) return std::nullopt;
  return RenderCheck::First(original, result);
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
