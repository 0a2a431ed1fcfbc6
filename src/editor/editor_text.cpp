#include "editor/editor_text.h"

namespace tessel {

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  for (size_t i = 0; i < n;) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;  // no overlong forms
      if (c == 0xED) hi = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;  // nothing past U+10FFFF
    } else {
      return false;
    }
    if (i + len > n || p[i + 1] < lo || p[i + 1] > hi) return false;
    for (size_t k = 2; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
    }
    i += len;
  }
  return true;
}

EditorText ToEditorText(std::string_view fileBytes) {
  EditorText text;
  text.Encoding = IsValidUtf8(fileBytes) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
  std::string& out = text.Bytes;
  out.reserve(fileBytes.size() + fileBytes.size() / 32);
  for (size_t i = 0; i < fileBytes.size(); ++i) {
    const char c = fileBytes[i];
    if (c == '\r') {
      if (i + 1 < fileBytes.size() && fileBytes[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return text;
}

std::string SavedBytes(std::string_view editorBytes) {
  std::string out(editorBytes);
  if (!out.empty() && !out.ends_with("\r\n")) out += "\r\n";
  return out;
}

}  // namespace tessel
