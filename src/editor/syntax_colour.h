// Syntax colouring of HTML source: every byte gets one of four classes, and a palette
// gives each class its colour. Whole texts are coloured as RTF (for the clipboard and for
// pasting), the editor's styles come from the same walk, and a span around the cursor is
// recoloured while typing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

/// What a byte of the source is. The value is also its index in the RTF colour table.
enum class ColourClass : std::uint8_t { Text = 0, Tag = 1, Quoted = 2, Comment = 3 };

/// Colours as 0x00BBGGRR (red in the low byte); the default is the standard palette.
struct SyntaxPalette {
  std::uint32_t TextCol = 0, TagCol = 0xFF0000, QuotedCol = 0x0000FF, CommentCol = 0x808000;
  bool operator==(const SyntaxPalette&) const = default;
};

/// The fixed palette of repaint mode 1 (standard) to 5 (one class emphasised in grey);
/// nothing for any other mode.
std::optional<SyntaxPalette> EmphasisPalette(int mode);

std::uint32_t ClassColour(const SyntaxPalette& palette, ColourClass cls);

/// "\redR\greenG\blueB;" for a 0x00BBGGRR colour.
std::string ColourTableEntry(std::uint32_t bgr);

/// The RTF document showing `text` in `palette`'s colours. Every line end (CR LF, lone
/// CR, lone LF) becomes CR LF "\par "; "\", "{" and "}" are escaped; other bytes are kept.
std::string TextToRtf(std::string_view text, const SyntaxPalette& palette);

/// The class TextToRtf gives every byte of `text` (the bytes of a line end take the class
/// in force there). Fills `out` (cleared first) with text.size() entries. Linear.
void ColourClasses(std::string_view text, std::vector<ColourClass>& out);

/// The classes of the first n bytes of `text` (n = min(n, text.size())) as the span
/// recolouring gives them: like ColourClasses over those bytes, except that a comment not
/// closed inside them stops the walk at its "<!--". Fills `out` (cleared first) with the
/// classes of the bytes walked and returns how many that is.
std::size_t RangeClasses(std::string_view text, std::size_t n, std::vector<ColourClass>& out);

}  // namespace tessel
