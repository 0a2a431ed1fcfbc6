// Text as the engine reads it, and the line ends it writes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessel {

/// CR LF, a lone CR and a lone LF each end a line, and every line (the last included) then
/// ends with one LF. The first NUL byte ends the text; then *hadNul (if given) is set to
/// true. The text only shrinks, so it is rewritten in place.
void NormalizeLineEndsInPlace(std::string& text, bool* hadNul);

/// NormalizeLineEndsInPlace on a copy.
std::string NormalizeLineEnds(std::string_view bytes, bool* hadNul);

/// The line end written after every output line. CR LF is the program's own; LF is what
/// Linux keeps; a lone CR only where an .editorconfig asks for it.
enum class LineEnd { CrLf, Lf, Cr };

/// The bytes of a line end.
constexpr std::string_view LineEndBytes(LineEnd end) {
  return end == LineEnd::CrLf ? "\r\n" : end == LineEnd::Lf ? "\n" : "\r";
}
/// "CR LF", "LF" or "CR", as messages name them.
std::string_view LineEndName(LineEnd end);

/// The line end that ends the first line of `bytes`; nothing when no line ends there.
std::optional<LineEnd> FirstLineEnd(std::string_view bytes);

/// What the user chose: always CR LF, always LF, or what each file has ("keep": its first
/// line end decides).
enum class LineEndSetting { CrLf, Lf, Keep };

/// "crlf", "lf" or "keep": the word of the command line and of the settings file.
std::string_view LineEndSettingWord(LineEndSetting setting);
/// The setting a word names, without regard to ASCII case; nothing for another word.
std::optional<LineEndSetting> ParseLineEndSetting(std::string_view word);

}  // namespace tessel
