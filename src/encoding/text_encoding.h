// The character encodings a page can be opened and saved in: every encoding browsers know
// whose bytes below 0x80 are always ASCII, so that markup stays markup whatever the text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

/// One encoding of the list; a small value, cheap to copy and compare.
class TextEncoding {
 public:
  static const TextEncoding Utf8;
  static const TextEncoding Utf8WithBom;  // UTF-8 written after a byte-order mark
  static const TextEncoding Windows1252;

  constexpr TextEncoding() = default;  // UTF-8

  /// Every encoding, in the order a menu lists them (by Group).
  static std::vector<TextEncoding> All();
  /// The encoding a label names, as browsers read labels: a <meta charset> value, a name of
  /// the list, a detector's answer; without regard to case and surrounding blanks. Some
  /// labels name another encoding than their own: "iso-8859-1" and "us-ascii" are read as
  /// Windows-1252, "iso-8859-9" as Windows-1254, "iso-8859-11" as Windows-874. Nothing for
  /// an unknown label and for the refused ones (RefusedEncodingMessage).
  static std::optional<TextEncoding> FromLabel(std::string_view label);

  /// The name shown: "UTF-8", "Windows-1252", "Shift_JIS" (a label of its own as well).
  std::string_view Name() const;
  /// The group a menu shows it in: "Unicode", "Western European", "Cyrillic", ...
  std::string_view Group() const;
  /// The name glibc's iconv knows it by; "" for the two forms of UTF-8.
  std::string_view IconvName() const;
  bool IsUtf8() const { return index_ <= 1; }
  bool HasByteOrderMark() const { return index_ == 1; }
  /// One byte for each character.
  bool IsSingleByte() const;

  bool operator==(const TextEncoding&) const = default;

 private:
  constexpr explicit TextEncoding(std::uint8_t index) : index_(index) {}
  std::uint8_t index_ = 0;
};

inline constexpr TextEncoding TextEncoding::Utf8{0};
inline constexpr TextEncoding TextEncoding::Utf8WithBom{1};
inline constexpr TextEncoding TextEncoding::Windows1252{2};

/// For a label of an encoding whose bytes of text could be taken for markup (UTF-16 and
/// UTF-32, which put NUL bytes beside the ASCII ones, and the escape-switched ISO-2022
/// family and HZ): why a page in it cannot be edited. "" for every other label.
std::string RefusedEncodingMessage(std::string_view label);

}  // namespace tessel
