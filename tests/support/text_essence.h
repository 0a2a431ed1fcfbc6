// The never-lose-text check shared by the property tests, the robustness test and the
// fuzz targets: what of a document must survive formatting, compressing and trimming.
#pragma once

#include <string>
#include <string_view>

namespace tessel::testing {

/// Empty when `out`, the result of formatting or compressing `source`, keeps its text;
/// otherwise a short description with the surroundings of the first lost character.
std::string LostText(std::string_view source, std::string_view out, bool purge);

/// Empty when `trimmed` differs from `source` only by removed whitespace.
std::string TrimDamage(std::string_view source, std::string_view trimmed);

/// True when a "<" is followed by a blank or by another "<". Tidying drops those, after
/// the tag's name was looked up, so formatting such a text twice can differ from once.
bool HasLooseLt(std::string_view s);

/// True when an element whose content HTML keeps as it is (PRE, TEXTAREA, SCRIPT, TITLE
/// and kin) is not closed by its own end tag before the next such element or the end of
/// the text. HTML then keeps more as it is than the tokenizer's blocks do, and formatting
/// lays out text that a browser shows exactly.
bool HasOpenRawText(std::string_view s);

}  // namespace tessel::testing
