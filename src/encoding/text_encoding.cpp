#include "encoding/text_encoding.h"

#include <array>
#include <iterator>

#include "base/ascii.h"

namespace tessel {
namespace {

struct Row {
  std::string_view Name, Iconv, Group;
  bool SingleByte;
  std::string_view Labels;  // as browsers read them, separated by one space
};

// Menu order. The iconv names are glibc's; where browsers read a label as a wider code page
// (EUC-KR as windows-949, Shift_JIS as windows-31j, Big5 with the Hong Kong additions),
// the wider one is used, so that pages written by those code pages open.
constexpr Row kRows[] = {
    {"UTF-8", "", "Unicode", false,
     "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8"},
    {"UTF-8 with BOM", "", "Unicode", false, ""},
    {"Windows-1252", "CP1252", "Western European", true,
     "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 "
     "iso88591 iso_8859-1 iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252"},
    {"ISO-8859-15", "ISO-8859-15", "Western European", true,
     "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9 latin-9"},
    {"ISO-8859-14", "ISO-8859-14", "Western European", true, "iso-8859-14 iso8859-14 iso885914"},
    {"Macintosh", "MACINTOSH", "Western European", true, "csmacintosh mac macintosh x-mac-roman"},
    {"ISO-8859-2", "ISO-8859-2", "Central European", true,
     "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2"},
    {"Windows-1250", "CP1250", "Central European", true, "cp1250 windows-1250 x-cp1250"},
    {"ISO-8859-16", "ISO-8859-16", "South-Eastern European", true, "iso-8859-16"},
    {"ISO-8859-3", "ISO-8859-3", "South European", true,
     "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3"},
    {"ISO-8859-10", "ISO-8859-10", "Nordic", true,
     "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"},
    {"ISO-8859-4", "ISO-8859-4", "Baltic", true,
     "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4"},
    {"ISO-8859-13", "ISO-8859-13", "Baltic", true, "iso-8859-13 iso8859-13 iso885913"},
    {"Windows-1257", "CP1257", "Baltic", true, "cp1257 windows-1257 x-cp1257"},
    {"ISO-8859-5", "ISO-8859-5", "Cyrillic", true,
     "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 "
     "iso_8859-5:1988"},
    {"Windows-1251", "CP1251", "Cyrillic", true, "cp1251 windows-1251 x-cp1251"},
    {"KOI8-R", "KOI8-R", "Cyrillic", true, "cskoi8r koi koi8 koi8-r koi8_r"},
    {"KOI8-U", "KOI8-U", "Cyrillic", true, "koi8-ru koi8-u"},
    {"IBM866", "IBM866", "Cyrillic", true, "866 cp866 csibm866 ibm866"},
    {"x-mac-cyrillic", "MAC-CYRILLIC", "Cyrillic", true,
     "x-mac-cyrillic x-mac-ukrainian mac-cyrillic maccyrillic"},
    {"ISO-8859-7", "ISO-8859-7", "Greek", true,
     "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 "
     "iso_8859-7 iso_8859-7:1987 sun_eu_greek"},
    {"Windows-1253", "CP1253", "Greek", true, "cp1253 windows-1253 x-cp1253"},
    {"Windows-1254", "CP1254", "Turkish", true,
     "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 "
     "latin5 windows-1254 x-cp1254"},
    {"ISO-8859-8", "ISO-8859-8", "Hebrew", true,
     "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 "
     "iso_8859-8 iso_8859-8:1988 visual csiso88598i iso-8859-8-i logical"},
    {"Windows-1255", "CP1255", "Hebrew", true, "cp1255 windows-1255 x-cp1255"},
    {"ISO-8859-6", "ISO-8859-6", "Arabic", true,
     "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e "
     "iso-8859-6-i iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987"},
    {"Windows-1256", "CP1256", "Arabic", true, "cp1256 windows-1256 x-cp1256"},
    {"Windows-874", "CP874", "Thai", true,
     "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"},
    {"Windows-1258", "CP1258", "Vietnamese", true, "cp1258 windows-1258 x-cp1258"},
    {"GBK", "GBK", "Chinese Simplified", false,
     "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk"},
    {"GB18030", "GB18030", "Chinese Simplified", false, "gb18030"},
    {"Big5", "BIG5-HKSCS", "Chinese Traditional", false, "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
    {"Shift_JIS", "CP932", "Japanese", false,
     "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis"},
    {"EUC-JP", "EUC-JP", "Japanese", false, "cseucpkdfmtjapanese euc-jp x-euc-jp"},
    {"EUC-KR", "CP949", "Korean", false,
     "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 "
     "ksc_5601 windows-949 uhc"},
};

// Labels of encodings that cannot be edited: what they are called in messages, and the
// labels that name them.
constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kRefused = {{
    {"UTF-16",
     "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff unicodefffe utf-16 utf-16be "
     "utf-16le"},
    {"UTF-32", "utf-32 utf-32be utf-32le ucs-4"},
    {"ISO-2022-JP", "csiso2022jp iso-2022-jp"},
    {"an escape-switched encoding",
     "csiso2022kr hz-gb-2312 iso-2022-cn iso-2022-cn-ext iso-2022-kr replacement utf-7"},
}};

std::string NormalLabel(std::string_view label) {
  constexpr std::string_view kBlanks = " \t\n\f\r";
  const size_t first = label.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  label = label.substr(first, label.find_last_not_of(kBlanks) - first + 1);
  return AsciiLowerCase(label);
}

bool InLabels(std::string_view labels, std::string_view label) {
  while (!labels.empty()) {
    const size_t space = labels.find(' ');
    if (labels.substr(0, space) == label) return true;
    if (space == std::string_view::npos) break;
    labels.remove_prefix(space + 1);
  }
  return false;
}

}  // namespace

std::vector<TextEncoding> TextEncoding::All() {
  std::vector<TextEncoding> all;
  for (size_t i = 0; i < std::size(kRows); ++i) all.push_back(TextEncoding(std::uint8_t(i)));
  return all;
}

std::optional<TextEncoding> TextEncoding::FromLabel(std::string_view label) {
  const std::string wanted = NormalLabel(label);
  if (wanted.empty()) return std::nullopt;
  for (size_t i = 0; i < std::size(kRows); ++i) {
    if (InLabels(kRows[i].Labels, wanted) || AsciiLowerCase(kRows[i].Name) == wanted) {
      return TextEncoding(std::uint8_t(i));
    }
  }
  return std::nullopt;
}

std::string_view TextEncoding::Name() const { return kRows[index_].Name; }
std::string_view TextEncoding::Group() const { return kRows[index_].Group; }
std::string_view TextEncoding::IconvName() const { return kRows[index_].Iconv; }
bool TextEncoding::IsSingleByte() const { return kRows[index_].SingleByte; }

std::string RefusedEncodingMessage(std::string_view label) {
  const std::string wanted = NormalLabel(label);
  for (const auto& [name, labels] : kRefused) {
    if (!wanted.empty() && InLabels(labels, wanted)) {
      return "The page is in " + std::string(name) +
             ", which cannot be edited here: in it the bytes of text can be taken for markup. "
             "Convert the page to UTF-8 first (for example with iconv).";
    }
  }
  return {};
}

}  // namespace tessel
