#include "engine/line_ends.h"

#include <cstring>

#include "base/ascii.h"

namespace tessel {

void NormalizeLineEndsInPlace(std::string& text, bool* hadNul) {
  const void* nul = std::memchr(text.data(), '\0', text.size());
  if (hadNul) *hadNul = nul != nullptr;
  if (nul) text.resize(size_t(static_cast<const char*>(nul) - text.data()));
  // Every CR ends a line; a line feed right after it belongs to it. A text without CR is
  // not touched at all.
  char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* r = begin;
  char* w = begin;
  while (r < end) {
    const char* cr = static_cast<const char*>(std::memchr(r, '\r', size_t(end - r)));
    const char* stop = cr ? cr : end;
    if (w != r) std::memmove(w, r, size_t(stop - r));
    w += stop - r;
    if (!cr) break;
    *w++ = '\n';
    r = cr + 1;
    if (r < end && *r == '\n') ++r;
  }
  text.resize(size_t(w - begin));
  if (!text.empty() && text.back() != '\n') text.push_back('\n');
}

std::string NormalizeLineEnds(std::string_view bytes, bool* hadNul) {
  std::string text(bytes);
  NormalizeLineEndsInPlace(text, hadNul);
  return text;
}

}  // namespace tessel

namespace tessel {

std::string_view LineEndName(LineEnd end) {
  return end == LineEnd::CrLf ? "CR LF" : end == LineEnd::Lf ? "LF" : "CR";
}

std::optional<LineEnd> FirstLineEnd(std::string_view bytes) {
  const size_t at = bytes.find_first_of("\r\n");
  if (at == std::string_view::npos) return std::nullopt;
  if (bytes[at] == '\n') return LineEnd::Lf;
  return at + 1 < bytes.size() && bytes[at + 1] == '\n' ? LineEnd::CrLf : LineEnd::Cr;
}

std::string_view LineEndSettingWord(LineEndSetting setting) {
  switch (setting) {
    case LineEndSetting::Lf:
      return "lf";
    case LineEndSetting::Keep:
      return "keep";
    default:
      return "crlf";
  }
}

std::optional<LineEndSetting> ParseLineEndSetting(std::string_view word) {
  for (LineEndSetting s : {LineEndSetting::CrLf, LineEndSetting::Lf, LineEndSetting::Keep}) {
    if (EqualsNoCase(word, LineEndSettingWord(s))) return s;
  }
  return std::nullopt;
}

}  // namespace tessel
