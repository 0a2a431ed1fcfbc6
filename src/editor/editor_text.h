// The editor's document: how a file's bytes become the text the editor holds, and how that
// text becomes a file's bytes again. The editor always holds UTF-8 with every line end
// CR LF; a Windows-1252 file is converted on the way in and on the way out.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/text_encoding.h"

namespace tessel {

/// The encoding a file was read in, and is saved in again.
enum class TextEncoding { Utf8, Windows1252 };

struct EditorText {
  std::string Bytes;  // UTF-8, every line end CR LF
  TextEncoding Encoding = TextEncoding::Utf8;
};

/// UTF-8 as Windows-1252. False, with *unsavable (if given) set to the byte offset of the
/// first character the code page cannot hold, when there is one.
bool Utf8ToWindows1252(std::string_view utf8, std::string& out, std::size_t* unsavable = nullptr);

/// A file's bytes as the editor holds them: every line end (CR LF, a lone CR, a lone LF)
/// becomes CR LF; UTF-8 when the bytes are valid UTF-8, else converted from Windows-1252.
/// A last line without a line end keeps none.
EditorText ToEditorText(std::string_view fileBytes);

/// The bytes a save writes: one line per editor line, each ended by CR LF (so a last line
/// without one gets one; an empty text stays empty), in `encoding`. Nothing, with
/// *unsavable set, when a character cannot be written in Windows-1252.
std::optional<std::string> SavedBytes(std::string_view editorBytes,
                                      TextEncoding encoding = TextEncoding::Utf8,
                                      std::size_t* unsavable = nullptr);

/// At most `maxChars` UTF-8 characters from the front of `s`, never cutting one in half.
std::string_view Utf8Prefix(std::string_view s, std::size_t maxChars);

/// The name of an encoding as the window shows it.
const char* EncodingName(TextEncoding encoding);

}  // namespace tessel
