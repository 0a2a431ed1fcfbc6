#include "encoding/convert.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "encoding/utf8.h"

namespace tessel {
namespace {

constexpr char32_t kNone = 0xFFFFFFFF;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

class Converter {
 public:
  Converter(std::string_view to, std::string_view from)
      : cd_(iconv_open(std::string(to).c_str(), std::string(from).c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  /// Converts all of `in` into `out`. False where it stops: *stop is then the offset of the
  /// sequence it cannot convert (or that is cut short at the end).
  bool Run(std::string_view in, std::string& out, std::size_t* stop) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.assign(in.size() + in.size() / 2 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t done = 0;
    for (bool flushing = false;;) {
      char* dst = out.data() + done;
      std::size_t dstLeft = out.size() - done;
      const std::size_t r = flushing ? iconv(cd_, nullptr, nullptr, &dst, &dstLeft)
                                     : iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      done = std::size_t(dst - out.data());
      if (r != std::size_t(-1)) {
        if (flushing) break;
        flushing = true;  // a converter may hold back a character that could combine
        continue;
      }
      if (errno != E2BIG) {
        *stop = in.size() - srcLeft;
        return false;
      }
      out.resize(out.size() * 2);
    }
    out.resize(done);
    return true;
  }

 private:
  iconv_t cd_;
};

/// A single-byte encoding as iconv reads each byte on its own: the bytes alone, so that a
/// converter that combines characters cannot join two of them.
struct ByteMap {
  std::array<char32_t, 256> ToUnicode{};
  std::array<bool, 256> Exact{};      // the byte is a character that encodes back to it
  std::array<std::string, 256> Utf8;  // each exact byte's character as UTF-8
  std::vector<std::pair<char32_t, unsigned char>> FromUnicode;  // sorted by code point
  // The bytes of the code points below U+0800 (one or two bytes of UTF-8: the alphabets of
  // the single-byte encodings); -1 where there is none.
  std::array<short, 0x800> Low{};

  int ByteOf(char32_t cp) const {
    if (cp < Low.size()) return Low[cp];
    auto it = std::lower_bound(FromUnicode.begin(), FromUnicode.end(),
                               std::pair<char32_t, unsigned char>(cp, 0));
    return it != FromUnicode.end() && it->first == cp ? it->second : -1;
  }
};

bool MakeByteMap(TextEncoding encoding, ByteMap& map) {
  Converter conv("UTF-8", encoding.IconvName());
  if (!conv.ok()) return false;
  std::string out;
  for (int b = 0; b < 256; ++b) {
    const char byte = char(b);
    std::size_t stop = 0, length = 0;
    char32_t cp = kNone;
    if (conv.Run(std::string_view(&byte, 1), out, &stop) && !out.empty()) {
      cp = Utf8CodePointAt(out, 0, &length);
      if (length != out.size()) cp = kNone;  // more than one character
    }
    if (cp == kNone && b >= 0x80 && b <= 0x9F) cp = char32_t(b);
    map.ToUnicode[b] = cp;
    if (cp != kNone) map.FromUnicode.emplace_back(cp, static_cast<unsigned char>(b));
  }
  std::stable_sort(map.FromUnicode.begin(), map.FromUnicode.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  map.Low.fill(-1);
  for (auto it = map.FromUnicode.rbegin(); it != map.FromUnicode.rend(); ++it) {
    if (it->first < map.Low.size()) map.Low[it->first] = it->second;  // the first byte wins
  }
  for (int b = 0; b < 256; ++b) {
    map.Exact[b] = map.ToUnicode[b] != kNone && map.ByteOf(map.ToUnicode[b]) == b;
    if (map.Exact[b]) AppendUtf8(map.Utf8[b], map.ToUnicode[b]);
  }
  return true;
}

std::string ByteText(std::string_view bytes, std::size_t at) {
  if (at >= bytes.size()) return "the end";
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", unsigned(static_cast<unsigned char>(bytes[at])));
  return buf;
}

bool Fail(DecodeFault* fault, std::size_t at, std::string message) {
  if (fault) *fault = {at, std::move(message)};
  return false;
}

bool DecodeSingleByte(std::string_view bytes, TextEncoding encoding, std::string& text,
                      DecodeFault* fault) {
  ByteMap map;
  if (!MakeByteMap(encoding, map)) {
    return Fail(fault, 0, "iconv does not know " + std::string(encoding.Name()));
  }
  text.clear();
  text.reserve(bytes.size() + bytes.size() / 4);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80 && map.ToUnicode[b] == b) {
      text.push_back(char(b));
    } else if (map.Exact[b]) {
      text.append(map.Utf8[b]);
    } else {
      return Fail(fault, i,
                  "byte " + ByteText(bytes, i) + " at offset " + std::to_string(i) +
                      " is no character of " + std::string(encoding.Name()));
    }
  }
  return true;
}

bool DecodeMultiByte(std::string_view bytes, TextEncoding encoding, std::string& text,
                     DecodeFault* fault) {
  Converter in("UTF-8", encoding.IconvName()), back(encoding.IconvName(), "UTF-8");
  if (!in.ok() || !back.ok()) {
    return Fail(fault, 0, "iconv does not know " + std::string(encoding.Name()));
  }
  std::size_t stop = 0;
  if (!in.Run(bytes, text, &stop)) {
    return Fail(fault, stop,
                "the bytes at offset " + std::to_string(stop) + " (" + ByteText(bytes, stop) +
                    ") are no character of " + std::string(encoding.Name()));
  }
  // Some code pages read two byte sequences as one character; such a page would not be
  // saved as it was read.
  std::string again;
  if (!back.Run(text, again, &stop) || again != bytes) {
    const auto diff = std::mismatch(bytes.begin(), bytes.end(), again.begin(), again.end());
    const std::size_t at = std::size_t(diff.first - bytes.begin());
    return Fail(fault, at,
                "the bytes at offset " + std::to_string(at) + " would not be saved as " +
                    "they are in " + std::string(encoding.Name()));
  }
  return true;
}

}  // namespace

bool DecodeText(std::string_view bytes, TextEncoding encoding, std::string& text,
                DecodeFault* fault) {
  if (encoding.IsUtf8()) {
    if (encoding.HasByteOrderMark() && bytes.starts_with(kBom)) bytes.remove_prefix(kBom.size());
    const std::size_t bad = FirstInvalidUtf8(bytes);
    if (bad != bytes.size()) {
      return Fail(fault, bad,
                  "byte " + ByteText(bytes, bad) + " at offset " + std::to_string(bad) +
                      " is not valid UTF-8");
    }
    text.assign(bytes);
    return true;
  }
  return encoding.IsSingleByte() ? DecodeSingleByte(bytes, encoding, text, fault)
                                 : DecodeMultiByte(bytes, encoding, text, fault);
}

bool EncodeText(std::string_view text, TextEncoding encoding, std::string& bytes,
                Unencodable* bad) {
  auto refuse = [&](std::size_t at) {
    std::size_t length = 0;
    if (bad) *bad = {at, at < text.size() ? Utf8CodePointAt(text, at, &length) : 0xFFFD};
    return false;
  };
  if (encoding.IsUtf8()) {
    const std::size_t invalid = FirstInvalidUtf8(text);
    if (invalid != text.size()) return refuse(invalid);
    bytes.assign(encoding.HasByteOrderMark() ? kBom : "");
    bytes.append(text);
    return true;
  }
  if (encoding.IsSingleByte()) {
    ByteMap map;
    if (!MakeByteMap(encoding, map)) return refuse(0);
    bytes.clear();
    bytes.reserve(text.size());
    for (std::size_t i = 0, length = 1; i < text.size(); i += length) {
      const auto lead = static_cast<unsigned char>(text[i]);
      const char32_t cp =
          lead < 0x80 ? (length = 1, char32_t(lead)) : Utf8CodePointAt(text, i, &length);
      const int b = cp == 0xFFFD && length == 1 ? -1 : map.ByteOf(cp);
      if (b < 0) return refuse(i);
      bytes += char(b);
    }
    return true;
  }
  Converter conv(encoding.IconvName(), "UTF-8");
  std::size_t stop = 0;
  if (!conv.ok()) return refuse(0);
  return conv.Run(text, bytes, &stop) || refuse(stop);
}

std::string UnencodableMessage(std::string_view text, const Unencodable& bad,
                               TextEncoding encoding) {
  const TextPlace place = PlaceOf(text, bad.Offset);
  return "The character " + DescribeCharacter(bad.CodePoint) + " at line " +
         std::to_string(place.Line) + ", column " + std::to_string(place.Column) +
         " cannot be written in " +
         std::string(encoding.Name()) + ".";
}

}  // namespace tessel
