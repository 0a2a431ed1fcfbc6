// Bytes in an encoding to UTF-8 text and back, through glibc's iconv. Whatever decodes
// encodes back to the same bytes: a page saved unchanged is the page that was opened.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "encoding/text_encoding.h"

namespace tessel {

/// Where and why bytes are no text in an encoding.
struct DecodeFault {
  std::size_t Offset = 0;
  std::string Message;
};

/// `bytes` in `encoding` as UTF-8 into `text`. UTF-8 with BOM drops the byte-order mark that
/// begins the bytes. In a single-byte encoding a byte from 0x80 to 0x9F that it leaves
/// undefined stands for the control character of that number, as browsers read it, so every
/// byte of windows-1252 is text. False, with *fault (if given), where a byte sequence is no
/// character of the encoding or would not come back the same when encoded.
bool DecodeText(std::string_view bytes, TextEncoding encoding, std::string& text,
                DecodeFault* fault = nullptr);

/// A character an encoding cannot hold: its offset in the UTF-8 text and its code point.
struct Unencodable {
  std::size_t Offset = 0;
  char32_t CodePoint = 0;
};

/// UTF-8 `text` in `encoding` into `bytes`, after a byte-order mark for UTF-8 with BOM.
/// False, with *bad (if given) for the first character it cannot hold.
bool EncodeText(std::string_view text, TextEncoding encoding, std::string& bytes,
                Unencodable* bad = nullptr);

/// "The character '€' (U+20AC) at line 3, column 7 cannot be written in ISO-8859-5."
std::string UnencodableMessage(std::string_view text, const Unencodable& bad,
                               TextEncoding encoding);

}  // namespace tessel
