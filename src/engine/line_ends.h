// Text as the engine reads it.
#pragma once

#include <string>
#include <string_view>

namespace tessel {

/// CR LF, a lone CR and a lone LF each end a line, and every line (the last included) then
/// ends with one LF. The first NUL byte ends the text; then *hadNul (if given) is set to
/// true. The text only shrinks, so it is rewritten in place.
void NormalizeLineEndsInPlace(std::string& text, bool* hadNul);

/// NormalizeLineEndsInPlace on a copy.
std::string NormalizeLineEnds(std::string_view bytes, bool* hadNul);

}  // namespace tessel
