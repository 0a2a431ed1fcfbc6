// Deciding the encoding of a page as browsers do: a byte-order mark, else a declaration in
// the page's first 1,024 bytes, else valid UTF-8, else a detector's guess, else
// windows-1252. A step whose encoding does not read the bytes exactly is passed over.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "encoding/text_encoding.h"

namespace tessel {

/// What decided a page's encoding.
enum class EncodingSource { ByteOrderMark, Declaration, Utf8, Detector, Fallback, Chosen, EditorConfig };

struct DecodedPage {
  std::string Text;  // UTF-8, without a byte-order mark
  TextEncoding Encoding;
  EncodingSource Source = EncodingSource::Utf8;
  std::string Why;  // one sentence for the window
};

/// The label of the first <meta charset="..."> or <meta http-equiv="Content-Type"
/// content="...; charset=..."> within the first 1,024 bytes, found the way browsers prescan
/// a page (comments and other tags' attribute values are passed over), in lower case: a
/// label of TextEncoding::FromLabel or a refused one. A UTF-16 label gives "utf-8" and
/// "x-user-defined" gives "windows-1252", as browsers read them. "" when there is none.
std::string DeclaredCharset(std::string_view bytes);

/// uchardet's guess for bytes that are no UTF-8, as it names it; "" when it has none. It
/// reads the lines that hold bytes past ASCII, up to 32 KiB of them.
std::string GuessCharset(std::string_view bytes);

/// The encoding an .editorconfig's `charset` names ("latin1", "utf-8", "utf-8-bom", or a
/// label of the list); nothing for one that is not offered ("utf-16le", an unknown word).
std::optional<TextEncoding> EditorConfigEncoding(std::string_view charset);

/// Decides the encoding of `bytes` and decodes them. An .editorconfig's `editorConfigCharset`
/// ("" for none) that names an encoding offered decides after the page's own byte-order mark
/// and declaration, before the UTF-8 check and the detector. The detector is asked only when at
/// least 24 bytes are not ASCII: fewer say too little to go by. False, with *refusal, for a page in
/// an encoding that cannot be edited (a UTF-16 or UTF-32 byte-order mark, a declared ISO-2022-JP).
bool DecodePage(std::string_view bytes, DecodedPage& out, std::string* refusal,
                std::string_view editorConfigCharset = {});

}  // namespace tessel
