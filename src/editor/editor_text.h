// The editor's document as bytes: how a file's bytes become the text the editor holds, and
// how that text is written back.
#pragma once

#include <string>
#include <string_view>

namespace tessel {

/// How the editor shows a file's bytes. The bytes themselves never change with it.
enum class TextEncoding { Utf8, Windows1252 };

struct EditorText {
  std::string Bytes;  // every line end CR LF
  TextEncoding Encoding = TextEncoding::Utf8;
};

/// True when `bytes` are well-formed UTF-8 (no overlong forms, surrogates or values past
/// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

/// A file's bytes as the editor holds them: every line end (CR LF, a lone CR, a lone LF)
/// becomes CR LF, and the encoding is UTF-8 when the bytes are valid UTF-8, else
/// Windows-1252. A last line without a line end keeps none.
EditorText ToEditorText(std::string_view fileBytes);

/// The bytes a save writes: one line per editor line, each ended by CR LF (so a last line
/// without one gets one). An empty text stays empty.
std::string SavedBytes(std::string_view editorBytes);

}  // namespace tessel
