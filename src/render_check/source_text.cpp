#include "render_check/source_text.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/ascii.h"
#include "encoding/convert.h"
#include "encoding/utf8.h"

namespace tessel::render {

PageReading ReadingOf(std::string_view original) {
  return IsValidUtf8(original) ? PageReading::Utf8 : PageReading::Windows1252;
}

std::string AsUtf8(std::string_view bytes, PageReading reading) {
  std::string text;
  if (reading == PageReading::Windows1252) {
    DecodeText(bytes, TextEncoding::Windows1252, text);  // every byte is text in it
    return text;
  }
  if (IsValidUtf8(bytes)) return std::string(bytes);
  text.reserve(bytes.size());
  for (std::size_t at = 0, length = 1; at < bytes.size(); at += length) {
    const char32_t cp = Utf8CodePointAt(bytes, at, &length);
    if (cp == 0xFFFD && length == 1) {
      AppendUtf8(text, cp);
    } else {
      text.append(bytes, at, length);
    }
  }
  return text;
}

size_t CharacterCount(std::string_view text) {
  if (!IsValidUtf8(text)) return text.size();
  size_t n = 0;
  for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

LinePositions::LinePositions(std::string_view text) : text_(text) {
  starts_.push_back(0);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      starts_.push_back(i + 1);
    }
  }
}

void LinePositions::Find(size_t offset, int64_t* line, int64_t* column) const {
  offset = std::min(offset, text_.size());
  // A CR LF is one line end; the parser may point at either byte.
  if (offset > 0 && offset < text_.size() && text_[offset] == '\n' && text_[offset - 1] == '\r') {
    --offset;
  }
  const auto next = std::upper_bound(starts_.begin(), starts_.end(), offset);
  const size_t index = size_t(next - starts_.begin()) - 1;
  *line = int64_t(index) + 1;
  *column = int64_t(CharacterCount(text_.substr(starts_[index], offset - starts_[index]))) + 1;
}

namespace {

// The few tag names the estimate treats apart, looked up by their lower-case spelling.
enum class TagRole { Counted, Void, Sibling, RawText, Rest };

constexpr std::array<std::string_view, 17> kVoid = {
    "area", "base", "basefont", "bgsound", "br",    "col",   "embed", "frame", "hr",
    "image", "img", "input",    "keygen",  "link",  "meta",  "param", "source"};
// Elements that close an open one of their kind (or are merged into the only one), so that
// a page of many of them is not deep; their end tags are not counted either.
constexpr std::array<std::string_view, 16> kSibling = {
    "a",     "body", "caption", "colgroup", "dd", "dt", "head", "html",
    "li",    "option", "p",     "tbody",    "td", "tfoot", "th", "thead"};
constexpr std::array<std::string_view, 8> kRawText = {"iframe",   "noembed", "noframes", "script",
                                                      "style",    "textarea", "title",   "xmp"};

template <size_t N>
bool In(const std::array<std::string_view, N>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

TagRole RoleOf(std::string_view name) {
  if (name == "tr" || In(kSibling, name)) return TagRole::Sibling;
  if (name == "track" || name == "wbr" || In(kVoid, name)) return TagRole::Void;
  if (In(kRawText, name)) return TagRole::RawText;
  if (name == "plaintext") return TagRole::Rest;
  return TagRole::Counted;
}

bool IsNameChar(char c) { return c != '>' && c != '/' && !std::strchr(" \t\n\r\f", c); }

}  // namespace

NestingWork EstimateNestingWork(std::string_view text, uint64_t limit) {
  NestingWork out;
  size_t depth = 0;
  char name[12];
  for (size_t i = text.find('<'); i != std::string_view::npos && i + 1 < text.size();
       i = text.find('<', i + 1)) {
    if (text.compare(i, 4, "<!--") == 0) {
      const size_t end = text.find("-->", i + 4);
      if (end == std::string_view::npos) break;
      i = end + 2;
      continue;
    }
    const bool closing = text[i + 1] == '/';
    size_t at = i + 1 + closing;
    if (at >= text.size() || !IsAsciiLetter(text[at])) continue;
    size_t length = 0;
    for (; at < text.size() && IsNameChar(text[at]); ++at) {
      if (length < sizeof name) name[length] = AsciiLower(text[at]);
      ++length;
    }
    // A name longer than any listed one is an ordinary element.
    const TagRole role =
        length <= sizeof name ? RoleOf(std::string_view(name, length)) : TagRole::Counted;
    if (closing) {
      if (role == TagRole::Counted && depth > 0) --depth;
      continue;
    }
    if (role == TagRole::Rest) break;
    if (role == TagRole::RawText) {
      // The text up to the element's end tag is no markup.
      const std::string end = "</" + std::string(name, length);
      size_t j = at;
      while ((j = text.find("</", j)) != std::string_view::npos &&
             !EqualsNoCase(text.substr(j, end.size()), end)) {
        j += 2;
      }
      if (j == std::string_view::npos) break;
      i = j;
      continue;
    }
    out.Work += depth;
    if (role == TagRole::Counted) out.Depth = std::max(out.Depth, ++depth);
    if (out.Work > limit) {
      out.Offset = i;
      return out;
    }
  }
  out.Offset = text.size();
  return out;
}

}  // namespace tessel::render
