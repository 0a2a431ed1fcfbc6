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

/// True where an HTML parser reads the text otherwise than the tokenizer, so that a result
/// may rightly render differently: an element whose content HTML keeps as it is (PRE,
/// TEXTAREA, SCRIPT, TITLE and kin) not closed by its own end tag (a name followed by a blank, "/" or ">") before the next such
/// element or the end of the text (formatting lays out text that a browser shows exactly),
/// a comment or a tag inside such an element that the tokenizer does not keep whole (TITLE,
/// XMP: HTML reads it as text),
/// a quoted attribute value that goes on past the ">" that ends the tag for the tokenizer,
/// a "<" inside a tag (trimming finds a tag there), a "<" that HTML reads as text (as in
/// "<\xD6" or "</3>") but the tokenizer as a tag whose name it may change, or a tag left
/// open at the end of the text (tidying closes it, HTML drops it).
bool TokenizerReadsOtherwise(std::string_view s);

/// True when a formatting element (B, I, FONT, A and kin) is left open or closed out of
/// order. HTML then clones it where text goes in, so whether a run of whitespace is there
/// can add or remove an element: such a page may rightly render differently.
bool HasMisnestedFormatting(std::string_view s);

}  // namespace tessel::testing
