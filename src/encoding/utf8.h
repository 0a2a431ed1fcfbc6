// UTF-8, the form every text takes inside the program.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessel {

/// The offset of the first byte that starts no well-formed UTF-8 sequence (an overlong form,
/// a surrogate, a value past U+10FFFF, a sequence cut short); bytes.size() when there is none.
std::size_t FirstInvalidUtf8(std::string_view bytes);

/// True when `bytes` are well-formed UTF-8.
inline bool IsValidUtf8(std::string_view bytes) { return FirstInvalidUtf8(bytes) == bytes.size(); }

/// The code point of the well-formed sequence at `at` and its length in bytes; U+FFFD and
/// a length of 1 where no well-formed sequence starts.
char32_t Utf8CodePointAt(std::string_view s, std::size_t at, std::size_t* length);

/// Appends `cp` (at most U+10FFFF) as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

/// Where byte `at` of `text` is, as an editor shows it: line and column from 1, lines
/// ended by LF (so CR LF too), the column counted in characters.
struct TextPlace {
  std::size_t Line = 1, Column = 1;
};
TextPlace PlaceOf(std::string_view text, std::size_t at);

/// A character for a message: "'€' (U+20AC)"; a control character or a space by its
/// number alone.
std::string DescribeCharacter(char32_t cp);

}  // namespace tessel
