#include "encoding/detect.h"

#include <uchardet.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "base/ascii.h"
#include "encoding/convert.h"
#include "encoding/utf8.h"

namespace tessel {
namespace {

constexpr std::size_t kPrescanBytes = 1024;
// The detector reads about 1 MB a second: it gets the lines that hold text which is not
// ASCII, up to this much, since markup tells it nothing.
constexpr std::size_t kGuessBytes = 32 * 1024;
// A guess from a handful of bytes is noise: a few accented letters read as windows-1252.
constexpr std::size_t kMinBytesToGuess = 24;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view prefix) {
  return s.size() - at >= prefix.size() && EqualsNoCase(s.substr(at, prefix.size()), prefix);
}

struct Attribute {
  std::string Name, Value;
};

// One attribute of a tag from `pos`, names and values in lower case. False at the tag's
// ">" (where pos is left) or at the end of the bytes.
bool GetAttribute(std::string_view b, std::size_t& pos, Attribute& a) {
  const std::size_t n = b.size();
  while (pos < n && (IsSpace(b[pos]) || b[pos] == '/')) ++pos;
  if (pos >= n || b[pos] == '>') return false;
  a = {};
  for (;; ++pos) {
    if (pos >= n) return false;
    const char c = b[pos];
    if (c == '=' && !a.Name.empty()) break;
    if (c == '/' || c == '>') return true;
    if (IsSpace(c)) {
      while (pos < n && IsSpace(b[pos])) ++pos;
      if (pos >= n || b[pos] != '=') return pos < n;
      break;
    }
    a.Name += Lower(c);
  }
  ++pos;  // past "="
  while (pos < n && IsSpace(b[pos])) ++pos;
  if (pos >= n) return false;
  if (b[pos] == '"' || b[pos] == '\'') {
    const char quote = b[pos++];
    const std::size_t end = b.find(quote, pos);
    if (end == std::string_view::npos) return false;
    for (; pos < end; ++pos) a.Value += Lower(b[pos]);
    ++pos;
    return true;
  }
  while (pos < n && !IsSpace(b[pos]) && b[pos] != '>') a.Value += Lower(b[pos++]);
  return true;
}

// The charset of a Content-Type value: "text/html; charset=koi8-r".
std::string CharsetOfContent(std::string_view v) {
  for (std::size_t pos = 0;;) {
    const std::size_t at = v.find("charset", pos);
    if (at == std::string_view::npos) return {};
    pos = at + 7;
    while (pos < v.size() && IsSpace(v[pos])) ++pos;
    if (pos >= v.size() || v[pos] != '=') continue;
    ++pos;
    while (pos < v.size() && IsSpace(v[pos])) ++pos;
    if (pos >= v.size()) return {};
    if (v[pos] == '"' || v[pos] == '\'') {
      const std::size_t end = v.find(v[pos], pos + 1);
      return end == std::string_view::npos ? "" : std::string(v.substr(pos + 1, end - pos - 1));
    }
    std::size_t end = pos;
    while (end < v.size() && !IsSpace(v[end]) && v[end] != ';') ++end;
    return std::string(v.substr(pos, end - pos));
  }
}

// The label a meta tag declares, read from just after "<meta"; "" when it declares none
// this program knows.
std::string MetaCharset(std::string_view b, std::size_t& pos) {
  std::vector<std::string> seen;
  bool gotPragma = false;
  std::optional<bool> needPragma;
  std::string charset;
  for (Attribute a; GetAttribute(b, pos, a);) {
    if (std::find(seen.begin(), seen.end(), a.Name) != seen.end()) continue;
    seen.push_back(a.Name);
    if (a.Name == "http-equiv") {
      gotPragma = gotPragma || a.Value == "content-type";
    } else if (a.Name == "content" && charset.empty()) {
      charset = CharsetOfContent(a.Value);
      if (!charset.empty()) needPragma = true;
    } else if (a.Name == "charset") {
      charset = a.Value;
      needPragma = false;
    }
  }
  if (!needPragma || (*needPragma && !gotPragma) || charset.empty()) return {};
  const std::string refused = RefusedEncodingMessage(charset);
  if (refused.find("UTF-16") != std::string::npos) return "utf-8";
  if (AsciiLowerCase(charset) == "x-user-defined") return "windows-1252";
  if (!refused.empty() || TextEncoding::FromLabel(charset)) return charset;
  return {};
}

}  // namespace

std::string DeclaredCharset(std::string_view bytes) {
  const std::string_view b = bytes.substr(0, kPrescanBytes);
  const std::size_t n = b.size();
  for (std::size_t pos = 0; pos < n; ++pos) {
    if (b[pos] != '<') continue;
    if (b.substr(pos).starts_with("<!--")) {
      const std::size_t end = b.find("-->", pos + 2);
      if (end == std::string_view::npos) return {};
      pos = end + 2;
    } else if (StartsWithNoCase(b, pos, "<meta") && pos + 5 < n &&
               (IsSpace(b[pos + 5]) || b[pos + 5] == '/')) {
      pos += 5;
      std::string label = MetaCharset(b, pos);
      if (!label.empty()) return label;
    } else if (pos + 1 < n &&
               (IsAlpha(b[pos + 1]) || (b[pos + 1] == '/' && pos + 2 < n && IsAlpha(b[pos + 2])))) {
      while (pos < n && !IsSpace(b[pos]) && b[pos] != '>') ++pos;
      for (Attribute a; GetAttribute(b, pos, a);) {
      }
    } else if (pos + 1 < n && (b[pos + 1] == '!' || b[pos + 1] == '/' || b[pos + 1] == '?')) {
      const std::size_t end = b.find('>', pos);
      if (end == std::string_view::npos) return {};
      pos = end;
    }
  }
  return {};
}

std::string GuessCharset(std::string_view bytes) {
  std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
      uchardet_new(), uchardet_delete);
  if (!detector) return {};
  std::string sample;
  for (std::size_t at = 0; at < bytes.size() && sample.size() < kGuessBytes;) {
    const std::size_t lf = std::min(bytes.find('\n', at), bytes.size() - 1);
    const std::string_view line = bytes.substr(at, lf + 1 - at);
    if (std::any_of(line.begin(), line.end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
      sample.append(line.substr(0, kGuessBytes - sample.size()));
    }
    at = lf + 1;
  }
  if (uchardet_handle_data(detector.get(), sample.data(), sample.size()) != 0) return {};
  uchardet_data_end(detector.get());
  const char* name = uchardet_get_charset(detector.get());
  return name ? name : "";
}

std::optional<TextEncoding> EditorConfigEncoding(std::string_view charset) {
  if (EqualsNoCase(charset, "utf-8-bom")) return TextEncoding::Utf8WithBom;
  return TextEncoding::FromLabel(charset);
}

bool DecodePage(std::string_view bytes, DecodedPage& out, std::string* refusal,
                std::string_view editorConfigCharset) {
  out = {};
  std::string passedOver;  // why earlier steps did not decide
  auto take = [&](TextEncoding encoding, EncodingSource source, std::string_view data,
                  std::string why) {
    DecodeFault fault;
    if (DecodeText(data, encoding, out.Text, &fault)) {
      out.Encoding = encoding;
      out.Source = source;
      out.Why = passedOver + why;
      return true;
    }
    passedOver += why + ", but " + fault.Message + ". ";
    return false;
  };

  if (bytes.starts_with("\xFE\xFF") || bytes.starts_with("\xFF\xFE")) {
    const bool utf32 = bytes.starts_with(std::string_view("\xFF\xFE\0\0", 4));
    *refusal = RefusedEncodingMessage(utf32 ? "utf-32" : "utf-16");
    return false;
  }
  if (bytes.starts_with("\xEF\xBB\xBF") &&
      take(TextEncoding::Utf8WithBom, EncodingSource::ByteOrderMark, bytes,
           "The page begins with a UTF-8 byte-order mark")) {
    return true;
  }
  if (const std::string label = DeclaredCharset(bytes); !label.empty()) {
    *refusal = RefusedEncodingMessage(label);
    if (!refusal->empty()) return false;
    const TextEncoding declared = *TextEncoding::FromLabel(label);
    std::string why = "The page declares \"" + label + "\"";
    if (!EqualsNoCase(label, declared.Name())) {
      why += ", read as " + std::string(declared.Name()) + " as browsers read it";
    }
    if (take(declared, EncodingSource::Declaration, bytes, why)) return true;
  }
  // The project's word, where the page says nothing of its own.
  if (const auto named = EditorConfigEncoding(editorConfigCharset);
      named && take(*named, EncodingSource::EditorConfig, bytes,
                    "The .editorconfig above the page says charset = " +
                        std::string(editorConfigCharset))) {
    return true;
  }
  if (IsValidUtf8(bytes)) {
    out.Text.assign(bytes);
    out.Encoding = TextEncoding::Utf8;
    out.Source = EncodingSource::Utf8;
    out.Why = passedOver + "The bytes are valid UTF-8";
    return true;
  }
  const auto high = std::count_if(bytes.begin(), bytes.end(),
                                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  const std::string guess = std::size_t(high) >= kMinBytesToGuess ? GuessCharset(bytes) : "";
  if (const auto guessed = TextEncoding::FromLabel(guess); guessed && !guessed->IsUtf8()) {
    if (take(*guessed, EncodingSource::Detector, bytes,
             "The detector takes the page for " + std::string(guessed->Name()))) {
      return true;
    }
  }
  take(TextEncoding::Windows1252, EncodingSource::Fallback, bytes,
       "Nothing else fits, so the page is read as Windows-1252");
  return true;
}

}  // namespace tessel
