#include "editor/editor_text.h"

#include "encoding/convert.h"

namespace tessel {
namespace {

std::string WithCrLf(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 32);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r') {
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

// Every CR LF pair of `bytes` as `lineEnd`. In the encodings offered no byte of a
// character is a CR or an LF, so this is safe on encoded bytes.
std::string WithLineEnd(std::string bytes, LineEnd lineEnd) {
  if (lineEnd == LineEnd::CrLf) return bytes;
  const std::string_view eol = LineEndBytes(lineEnd);
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t crlf = bytes.find("\r\n", at);
    if (crlf == std::string::npos) {
      out.append(bytes, at);
      break;
    }
    out.append(bytes, at, crlf - at).append(eol);
    at = crlf + 2;
  }
  return out;
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string text;
  DecodeText(bytes, TextEncoding::Windows1252, text);  // every byte is text in it
  return text;
}

bool Utf8ToWindows1252(std::string_view utf8, std::string& out, std::size_t* unsavable) {
  Unencodable bad;
  if (EncodeText(utf8, TextEncoding::Windows1252, out, &bad)) return true;
  if (unsavable) *unsavable = bad.Offset;
  return false;
}

EditorText ToEditorText(std::string_view fileBytes, std::string_view editorConfigCharset) {
  EditorText out;
  out.FileLineEnd = FirstLineEnd(fileBytes);
  DecodedPage page;
  if (!DecodePage(fileBytes, page, &out.Refusal, editorConfigCharset)) {
    page.Text = Windows1252ToUtf8(fileBytes);
    page.Encoding = TextEncoding::Windows1252;
    page.Source = EncodingSource::Fallback;
  }
  out.Bytes = WithCrLf(page.Text);
  out.Encoding = page.Encoding;
  out.Source = page.Source;
  out.EncodingWhy = std::move(page.Why);
  return out;
}

bool ReopenEditorText(std::string_view fileBytes, TextEncoding encoding, EditorText& text,
                      std::string* err) {
  std::string decoded;
  DecodeFault fault;
  if (!DecodeText(fileBytes, encoding, decoded, &fault)) {
    *err =
        "The page cannot be read as " + std::string(encoding.Name()) + ": " + fault.Message + ".";
    return false;
  }
  text = {WithCrLf(decoded),       encoding, EncodingSource::Chosen, "Chosen by the user",
          FirstLineEnd(fileBytes), {}};
  return true;
}

std::optional<std::string> SavedBytes(std::string_view editorBytes, TextEncoding encoding,
                                      std::size_t* unsavable, LineEnd lineEnd) {
  std::string lines(editorBytes);
  if (!lines.empty() && !lines.ends_with("\r\n")) lines += "\r\n";
  std::string bytes;
  Unencodable bad;
  if (encoding == TextEncoding::Utf8) {
    bytes = std::move(lines);  // the editor's text is UTF-8 already: no copy of a big page
  } else if (!EncodeText(lines, encoding, bytes, &bad)) {
    if (unsavable) *unsavable = bad.Offset;
    return std::nullopt;
  }
  return WithLineEnd(std::move(bytes), lineEnd);
}

std::string_view Utf8Prefix(std::string_view s, std::size_t maxChars) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && chars++ == maxChars) {
      return s.substr(0, i);
    }
  }
  return s;
}

}  // namespace tessel
