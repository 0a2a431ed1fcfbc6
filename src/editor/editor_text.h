// The editor's document: how a file's bytes become the text the editor holds, and how that
// text becomes a file's bytes again. The editor always holds UTF-8 with every line end
// CR LF; a page in another encoding is converted on the way in and on the way out.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "encoding/detect.h"
#include "encoding/text_encoding.h"
#include "encoding/utf8.h"
#include "engine/line_ends.h"

namespace tessel {

struct EditorText {
  std::string Bytes;  // UTF-8, every line end CR LF
  TextEncoding Encoding = TextEncoding::Utf8;
  EncodingSource Source = EncodingSource::Utf8;
  std::string EncodingWhy{};             // what decided the encoding, for the window
  std::optional<LineEnd> FileLineEnd{};  // the line end of the file's first line
  /// Not empty when the page is in an encoding that cannot be edited (UTF-16, ISO-2022-JP):
  /// why. Bytes then hold its windows-1252 reading, which loses nothing but shows no text.
  std::string Refusal{};
};

/// Windows-1252 bytes as UTF-8. The five bytes the code page leaves undefined become the
/// control characters of the same value, so every byte comes back on the way out.
std::string Windows1252ToUtf8(std::string_view bytes);

/// UTF-8 as Windows-1252. False, with *unsavable (if given) set to the byte offset of the
/// first character the code page cannot hold, when there is one.
bool Utf8ToWindows1252(std::string_view utf8, std::string& out, std::size_t* unsavable = nullptr);

/// A file's bytes as the editor holds them: its encoding decided as browsers decide it
/// (DecodePage), and every line end (CR LF, a lone CR, a lone LF) made CR LF. A last line
/// without a line end keeps none. `editorConfigCharset` is the .editorconfig's charset ("" for
/// none), which DecodePage weighs.
EditorText ToEditorText(std::string_view fileBytes, std::string_view editorConfigCharset = {});

/// The file's bytes read in `encoding`, as the user chose it. False, with *err saying
/// where, when the bytes are no text in that encoding; `text` is then unchanged.
bool ReopenEditorText(std::string_view fileBytes, TextEncoding encoding, EditorText& text,
                      std::string* err);

/// The bytes a save writes: one line per editor line, each ended by `lineEnd` (so a last
/// line without one gets one; an empty text stays empty), in `encoding`. Nothing, with
/// *unsavable set to its offset in `editorBytes`, when a character cannot be written in it
/// (UnencodableMessage words it).
std::optional<std::string> SavedBytes(std::string_view editorBytes,
                                      TextEncoding encoding = TextEncoding::Utf8,
                                      std::size_t* unsavable = nullptr,
                                      LineEnd lineEnd = LineEnd::CrLf);

/// At most `maxChars` UTF-8 characters from the front of `s`, never cutting one in half.
std::string_view Utf8Prefix(std::string_view s, std::size_t maxChars);

/// The name of an encoding as the window shows it.
inline const char* EncodingName(TextEncoding encoding) { return encoding.Name().data(); }

}  // namespace tessel
