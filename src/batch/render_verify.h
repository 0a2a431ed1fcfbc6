// Whether a processed page could look different in a browser: the rendering check as runs,
// the commands and the editor use it, and the words they report it with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "render_check/render_check.h"

namespace tessel {

/// The first way `result` could render differently from `original`, or nothing when they
/// render the same. Equal bytes render the same and are not parsed; otherwise both pages
/// are parsed, on two threads. A page nested too deeply to be parsed in linear time, one
/// over 1 GiB, or one that could not be parsed (no memory left) gives an Unchecked
/// difference: it could not be verified.
std::optional<RenderDifference> FirstRenderDifference(std::string_view original,
                                                      std::string_view result);

/// "could render differently: line 2, column 11: a space is shown between </A> and <A>",
/// or for an Unchecked difference "could not be verified: the result nests its elements
/// too deeply to be checked" (it has no position worth showing).
std::string RenderNote(const RenderDifference& difference);

/// For the editor's popup: the status-line warning when the processed selection `result`
/// could render differently from `selection`, its position counted in the editor, where
/// the result starts at line `line`, column `column` (1-based); empty when it renders the
/// same. Both are parsed on their own, as pages, so markup around the selection is not
/// taken into account.
std::string SelectionRenderWarning(std::string_view selection, std::string_view result,
                                   int64_t line, int64_t column);

}  // namespace tessel
