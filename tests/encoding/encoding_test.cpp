// Pages in every encoding offered, made here with iconv from one multilingual text: each
// opens as its own encoding and saves back byte for byte.
#include <gtest/gtest.h>

#include "encoding/convert.h"
#include "encoding/detect.h"
#include "encoding/text_encoding.h"
#include "encoding/utf8.h"
#include "support/iconv_text.h"

namespace tessel {
namespace {

using testing::Iconv;

// Characters of many scripts; each page keeps those its encoding holds.
constexpr std::string_view kSample =
    "Café naïve façade “quoted” € ß Æ ñ ÿ "
    "ąčęłńőřšťůźż ĉĝĥĵŝŭħ āēīķļņūė ğışİ ő "
    "Привет, мир! Українська ґєії Ўў "
    "Καλημέρα κόσμε שלום עולם مرحبا بالعالم สวัสดีชาวโลก "
    "ơư đăâêô "
    "日本語のテキスト、カタカナとひらがな。简体中文的文字，繁體中文字。한국어 텍스트입니다 ";

// The characters of kSample that `encoding` holds, each as one character (one byte in a
// single-byte encoding), so that the text reads back as it was.
std::string SampleFor(TextEncoding encoding) {
  const std::string iconvName(encoding.IconvName().empty() ? "UTF-8" : encoding.IconvName());
  std::string kept;
  for (size_t i = 0, length = 0; i < kSample.size(); i += length) {
    Utf8CodePointAt(kSample, i, &length);
    const std::string_view ch = kSample.substr(i, length);
    const auto bytes = Iconv(ch, iconvName.c_str());
    if (!bytes || (encoding.IsSingleByte() && bytes->size() != 1)) continue;
    if (Iconv(*bytes, "UTF-8", iconvName.c_str()) == std::string(ch)) kept += ch;
  }
  return kept;
}

std::string Page(std::string_view head, std::string_view body) {
  return "<!DOCTYPE html>\r\n<html><head>" + std::string(head) +
         "<title>t</title></head>\r\n<body><p>" + std::string(body) + "</p></body></html>\r\n";
}

TEST(EncodingTest, APageInEveryEncodingOpensAndSavesByteForByte) {
  for (const TextEncoding encoding : TextEncoding::All()) {
    SCOPED_TRACE(std::string(encoding.Name()));
    const std::string sample = SampleFor(encoding);
    const auto nonAscii = std::count_if(
        sample.begin(), sample.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xC0; });
    EXPECT_GE(nonAscii, 8) << "the sample has too little of this encoding's script";
    const std::string text =
        Page("<meta charset=\"" + std::string(encoding.Name()) + "\">", sample);
    std::string bytes;
    ASSERT_TRUE(EncodeText(text, encoding, bytes));
    if (!encoding.IsUtf8()) {
      EXPECT_EQ(Iconv(text, std::string(encoding.IconvName()).c_str()), bytes);
    }

    DecodedPage page;
    std::string refusal;
    ASSERT_TRUE(DecodePage(bytes, page, &refusal)) << refusal;
    EXPECT_EQ(page.Encoding, encoding) << page.Why;
    EXPECT_EQ(page.Text, text);
    std::string again;
    ASSERT_TRUE(EncodeText(page.Text, page.Encoding, again));
    EXPECT_EQ(again, bytes);
  }
}

TEST(EncodingTest, EveryByteOfASingleByteEncodingIsTextOnceOrRefused) {
  for (const TextEncoding encoding : TextEncoding::All()) {
    if (!encoding.IsSingleByte()) continue;
    int refused = 0;
    for (int b = 0; b < 256; ++b) {
      const std::string byte(1, char(b));
      std::string text, back;
      if (!DecodeText(byte, encoding, text)) {
        ++refused;
        continue;
      }
      ASSERT_TRUE(EncodeText(text, encoding, back)) << encoding.Name() << " " << b;
      EXPECT_EQ(back, byte) << encoding.Name() << " " << b;
    }
    // Undefined bytes from 0x80 to 0x9F are control characters, as browsers read them.
    if (encoding == TextEncoding::Windows1252) {
      EXPECT_EQ(refused, 0);
    }
  }
}

TEST(EncodingTest, TheBrowsersOrderOfEvidence) {
  const std::string koi8 = *Iconv(
      "Съешь же ещё этих мягких французских булок, да выпей чаю. Широкая электрификация "
      "южных губерний даст мощный толчок подъёму сельского хозяйства.",
      "KOI8-R");
  const std::string sjis = *Iconv(
      "日本語の文章です。これはテストのためのページで、文字コードを推測します。"
      "いろはにほへと　ちりぬるを　わかよたれそ　つねならむ",
      "CP932");
  struct Case {
    std::string Bytes;
    TextEncoding Encoding;
    EncodingSource Source;
    std::string_view Text;         // "" when not checked
    std::string_view Charset = "";  // the .editorconfig's
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF<p>caf\xC3\xA9", TextEncoding::Utf8WithBom, EncodingSource::ByteOrderMark,
       "<p>caf\xC3\xA9"},
      {"<meta charset=utf-8><p>caf\xE9", TextEncoding::Windows1252, EncodingSource::Fallback,
       "<meta charset=utf-8><p>caf\xC3\xA9"},
      {"<meta charset=windows-1251><p>caf\xC3\xA9", *TextEncoding::FromLabel("cp1251"),
       EncodingSource::Declaration, ""},
      {"<p>caf\xC3\xA9 \xE2\x82\xAC", TextEncoding::Utf8, EncodingSource::Utf8, ""},
      {"<p>" + koi8, *TextEncoding::FromLabel("koi8-r"), EncodingSource::Detector, ""},
      {"<p>" + sjis, *TextEncoding::FromLabel("shift_jis"), EncodingSource::Detector, ""},
      {"<p>caf\xE9 na\xEFve \x93x\x94", TextEncoding::Windows1252, EncodingSource::Fallback,
       "<p>caf\xC3\xA9 na\xC3\xAFve \xE2\x80\x9Cx\xE2\x80\x9D"},
      // An .editorconfig's charset: after the page's own word, before the UTF-8 check and the
      // detector; passed over where it does not read the bytes or is not offered.
      {"<p>" + koi8, TextEncoding::Windows1252, EncodingSource::EditorConfig, "", "latin1"},
      {"<p>caf\xC3\xA9", TextEncoding::Windows1252, EncodingSource::EditorConfig,
       "<p>caf\xC3\x83\xC2\xA9", "latin1"},
      {"<p>caf\xC3\xA9", TextEncoding::Utf8WithBom, EncodingSource::EditorConfig, "<p>caf\xC3\xA9",
       "UTF-8-BOM"},
      {"<meta charset=windows-1251><p>x", *TextEncoding::FromLabel("cp1251"),
       EncodingSource::Declaration, "", "latin1"},
      {"\xEF\xBB\xBF<p>x", TextEncoding::Utf8WithBom, EncodingSource::ByteOrderMark, "", "koi8-r"},
      {"<p>" + koi8, *TextEncoding::FromLabel("koi8-r"), EncodingSource::Detector, "", "utf-8"},
      {"<p>" + sjis, *TextEncoding::FromLabel("shift_jis"), EncodingSource::Detector, "",
       "utf-16le"},
  };
  for (const Case& c : cases) {
    DecodedPage page;
    std::string refusal;
    ASSERT_TRUE(DecodePage(c.Bytes, page, &refusal, c.Charset)) << refusal;
    EXPECT_EQ(page.Encoding, c.Encoding) << page.Encoding.Name() << ": " << page.Why;
    EXPECT_EQ(page.Source, c.Source) << page.Why;
    if (!c.Text.empty()) {
      EXPECT_EQ(page.Text, c.Text);
    }
  }
}

TEST(EncodingTest, PagesWhoseBytesCouldBeMarkupAreRefused) {
  for (std::string_view bytes :
       {std::string_view("\xFF\xFE<\0p\0>\0", 8), std::string_view("\xFE\xFF\0<\0p\0>", 8),
        std::string_view("<meta charset=\"iso-2022-jp\"><p>\x1B$B$\"\x1B(B")}) {
    DecodedPage page;
    std::string refusal;
    EXPECT_FALSE(DecodePage(bytes, page, &refusal));
    EXPECT_NE(refusal.find("cannot be edited here"), std::string::npos) << refusal;
  }
  EXPECT_EQ(RefusedEncodingMessage("koi8-r"), "");
  EXPECT_EQ(TextEncoding::FromLabel("UTF-16LE"), std::nullopt);
}

TEST(EncodingTest, DeclarationsAreFoundAsBrowsersPrescan) {
  const std::string pad(1024, ' ');
  const struct {
    std::string Bytes, Label;
  } cases[] = {
      {"<meta charset=\"KOI8-R\">", "koi8-r"},
      {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=Shift_JIS\">", "shift_jis"},
      {"<meta content='text/html;charset = \"euc-kr\"' http-equiv=content-type>", "euc-kr"},
      {"<meta content=\"text/html; charset=big5\">", ""},  // no http-equiv
      {"<!-- <meta charset=koi8-r> --><meta charset=gbk>", "gbk"},
      {"<p title='<meta charset=koi8-r>'><meta charset=latin1>", "latin1"},
      {"<meta charset=nonsense><meta charset=iso-8859-7>", "iso-8859-7"},
      {"<meta charset=utf-16le>", "utf-8"},
      {"<meta charset=x-user-defined>", "windows-1252"},
      {"<meta charset=iso-2022-jp>", "iso-2022-jp"},
      {"<?xml version=\"1.0\" encoding=\"koi8-r\"?><meta/charset=ibm866>", "ibm866"},
      {pad + "<meta charset=koi8-r>", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DeclaredCharset(c.Bytes), c.Label) << c.Bytes;
}

TEST(EncodingTest, LabelsAndTheCharactersAnEncodingCannotHold) {
  EXPECT_EQ(TextEncoding::FromLabel(" Latin1 "), TextEncoding::Windows1252);
  EXPECT_EQ(TextEncoding::FromLabel("iso-8859-9")->Name(), "Windows-1254");
  EXPECT_EQ(TextEncoding::FromLabel("x-sjis")->Name(), "Shift_JIS");
  EXPECT_EQ(TextEncoding::FromLabel("utf-8 with bom"), TextEncoding::Utf8WithBom);
  EXPECT_EQ(TextEncoding::FromLabel("bogus"), std::nullopt);

  const std::string text = "<p>\r\n  \xD0\x96 \xE2\x82\xAC";  // Ж €
  std::string bytes;
  Unencodable bad;
  const TextEncoding cyrillic = *TextEncoding::FromLabel("iso-8859-5");
  EXPECT_FALSE(EncodeText(text, cyrillic, bytes, &bad));
  EXPECT_EQ(bad.Offset, 10u);
  EXPECT_EQ(UnencodableMessage(text, bad, cyrillic),
            "The character '\xE2\x82\xAC' (U+20AC) at line 2, column 5 cannot be written in "
            "ISO-8859-5.");
  EXPECT_FALSE(EncodeText("ok \xF0\x9F\x98\x80", *TextEncoding::FromLabel("sjis"), bytes, &bad));
  EXPECT_EQ(bad.CodePoint, U'\U0001F600');
}

}  // namespace
}  // namespace tessel
