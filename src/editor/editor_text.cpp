#include "editor/editor_text.h"

#include <array>
#include <cstdint>

namespace tessel {
namespace {

constexpr std::uint32_t kInvalid = 0xFFFFFFFF;

/// The code point at `i` and its length in bytes; kInvalid (length 1) for a byte that
/// starts no well-formed sequence.
std::uint32_t DecodeUtf8(std::string_view s, std::size_t i, std::size_t& length) {
  const auto c = static_cast<unsigned char>(s[i]);
  length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  if (length == 1) return c;
  if (i + length > s.size() || !IsValidUtf8(s.substr(i, length))) {
    length = 1;
    return kInvalid;
  }
  auto cont = [&](std::size_t k) { return std::uint32_t(static_cast<unsigned char>(s[i + k]) & 0x3F); };
  if (length == 2) return ((c & 0x1F) << 6) | cont(1);
  if (length == 3) return ((c & 0x0F) << 12) | (cont(1) << 6) | cont(2);
  return ((c & 0x07) << 18) | (cont(1) << 12) | (cont(2) << 6) | cont(3);
}

/// The Windows-1252 byte of a code point, or -1 when there is none.
int Windows1252Byte(std::uint32_t cp) {
  if (cp == kInvalid) return -1;
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return int(cp);
  if (cp >= 0x80 && cp <= 0x9F) return kWindows1252High[cp - 0x80] == 0 ? int(cp) : -1;
  for (std::size_t k = 0; k < kWindows1252High.size(); ++k) {
    if (kWindows1252High[k] == cp) return int(0x80 + k);
  }
  return -1;
}

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

}  // namespace

bool Utf8ToWindows1252(std::string_view utf8, std::string& out, std::size_t* unsavable) {
  out.clear();
  out.reserve(utf8.size());
  for (std::size_t i = 0, length = 1; i < utf8.size(); i += length) {
    const int b = Windows1252Byte(DecodeUtf8(utf8, i, length));
    if (b < 0) {
      if (unsavable) *unsavable = i;
      return false;
    }
    out += char(b);
  }
  return true;
}

EditorText ToEditorText(std::string_view fileBytes) {
  if (IsValidUtf8(fileBytes)) return {WithCrLf(fileBytes), TextEncoding::Utf8};
  return {WithCrLf(Windows1252ToUtf8(fileBytes)), TextEncoding::Windows1252};
}

std::optional<std::string> SavedBytes(std::string_view editorBytes, TextEncoding encoding,
                                      std::size_t* unsavable) {
  std::string lines(editorBytes);
  if (!lines.empty() && !lines.ends_with("\r\n")) lines += "\r\n";
  if (encoding == TextEncoding::Utf8) return lines;
  std::string bytes;
  if (!Utf8ToWindows1252(lines, bytes, unsavable)) return std::nullopt;
  return bytes;
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

const char* EncodingName(TextEncoding encoding) {
  return encoding == TextEncoding::Utf8 ? "UTF-8" : "Windows-1252";
}

}  // namespace tessel
