#include "encoding/utf8.h"

#include <algorithm>
#include <cstdio>

namespace tessel {

std::size_t FirstInvalidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t len;
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
      return i;
    }
    if (i + len > n || p[i + 1] < lo || p[i + 1] > hi) return i;
    for (std::size_t k = 2; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return i;
    }
    i += len;
  }
  return n;
}

char32_t Utf8CodePointAt(std::string_view s, std::size_t at, std::size_t* length) {
  const auto c = static_cast<unsigned char>(s[at]);
  std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  if (len > 1 && (at + len > s.size() || FirstInvalidUtf8(s.substr(at, len)) != len)) len = 0;
  if (len == 0) {
    *length = 1;
    return c < 0x80 ? c : 0xFFFD;
  }
  *length = len;
  auto cont = [&](std::size_t k) { return char32_t(static_cast<unsigned char>(s[at + k]) & 0x3F); };
  if (len == 1) return c;
  if (len == 2) return (char32_t(c & 0x1F) << 6) | cont(1);
  if (len == 3) return (char32_t(c & 0x0F) << 12) | (cont(1) << 6) | cont(2);
  return (char32_t(c & 0x07) << 18) | (cont(1) << 12) | (cont(2) << 6) | cont(3);
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

std::string DescribeCharacter(char32_t cp) {
  char number[16];
  std::snprintf(number, sizeof number, "U+%04X", unsigned(cp));
  if (cp <= 0x20 || (cp >= 0x7F && cp <= 0x9F)) return number;
  std::string shown = "'";
  AppendUtf8(shown, cp);
  return shown + "' (" + number + ")";
}

TextPlace PlaceOf(std::string_view text, std::size_t at) {
  const std::string_view before = text.substr(0, std::min(at, text.size()));
  TextPlace place;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (before[i] == '\n') {
      ++place.Line;
      lineStart = i + 1;
    }
  }
  for (std::size_t i = lineStart; i < before.size(); ++i) {
    if ((static_cast<unsigned char>(before[i]) & 0xC0) != 0x80) ++place.Column;
  }
  return place;
}

}  // namespace tessel
