#include "editor/editor_text.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

using namespace std::string_literals;

TEST(EditorTextTest, LineEndsBecomeCrLfAndWindows1252BecomesUtf8) {
  const struct {
    std::string File, Editor;
    TextEncoding Encoding;
  } cases[] = {
      {"", "", TextEncoding::Utf8},
      {"a\nb", "a\r\nb", TextEncoding::Utf8},
      {"a\rb\r\n\n", "a\r\nb\r\n\r\n", TextEncoding::Utf8},
      {"caf\xC3\xA9\n", "caf\xC3\xA9\r\n", TextEncoding::Utf8},
      {"caf\xE9\n", "caf\xC3\xA9\r\n", TextEncoding::Windows1252},
      {"\x80 \x93x\x94", "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D", TextEncoding::Windows1252},
      {"\xC0\xAF", "\xC3\x80\xC2\xAF", TextEncoding::Windows1252},             // overlong "/"
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC", TextEncoding::Windows1252},  // surrogate
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", TextEncoding::Utf8},
      {"\xE2\x82", "\xC3\xA2\xE2\x80\x9A", TextEncoding::Windows1252},  // cut short
      {"a\0b"s, "a\0b"s, TextEncoding::Utf8},
  };
  for (const auto& c : cases) {
    const EditorText text = ToEditorText(c.File);
    EXPECT_EQ(text.Bytes, c.Editor) << ::testing::PrintToString(c.File);
    EXPECT_EQ(text.Encoding, c.Encoding) << ::testing::PrintToString(c.File);
  }
}

TEST(EditorTextTest, EveryByteValueSurvivesALoadAndASave) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    if (b != '\r' && b != '\n') all += char(b);
  }
  all += "\r\n";
  const EditorText text = ToEditorText(all);
  ASSERT_EQ(text.Encoding, TextEncoding::Windows1252);
  EXPECT_TRUE(IsValidUtf8(text.Bytes));
  EXPECT_EQ(SavedBytes(text.Bytes, text.Encoding), all);
  EXPECT_EQ(SavedBytes("a\r\nb"), "a\r\nb\r\n");
  EXPECT_EQ(SavedBytes(""), "");
}

TEST(EditorTextTest, AWindows1252SaveNamesTheFirstCharacterItCannotHold) {
  std::size_t at = 99;
  EXPECT_EQ(SavedBytes("caf\xC3\xA9 \xE2\x82\xAC", TextEncoding::Windows1252),
            "caf\xE9 \x80\r\n");
  EXPECT_EQ(SavedBytes("ok \xE2\x86\x92 x", TextEncoding::Windows1252, &at), std::nullopt);
  EXPECT_EQ(at, 3u);  // the arrow
  EXPECT_EQ(SavedBytes("\xC2\x80", TextEncoding::Windows1252), std::nullopt);  // U+0080
}

}  // namespace
}  // namespace tessel

namespace tessel {
namespace {

TEST(EditorTextTest, PagesOpenInTheirEncodingAndSaveWithTheLineEndsAsked) {
  const std::string koi8 = "<meta charset=koi8-r>\n<p>\xF0\xD2\xC9\xD7\xC5\xD4\n";  // Привет
  EditorText text = ToEditorText(koi8);
  EXPECT_EQ(text.Encoding.Name(), "KOI8-R");
  EXPECT_EQ(text.Source, EncodingSource::Declaration);
  EXPECT_EQ(text.FileLineEnd, LineEnd::Lf);
  EXPECT_EQ(text.Bytes,
            "<meta charset=koi8-r>\r\n<p>\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\r\n");
  EXPECT_EQ(SavedBytes(text.Bytes, text.Encoding, nullptr, LineEnd::Lf), koi8);

  std::size_t at = 0;
  EXPECT_EQ(SavedBytes("<p>\r\n\xE2\x82\xAC", text.Encoding, &at, LineEnd::Lf), std::nullopt);
  EXPECT_EQ(at, 5u);  // an offset in the editor's text, whatever the line ends written

  const EditorText bom = ToEditorText("\xEF\xBB\xBF<p>x\r\n");
  EXPECT_EQ(bom.Encoding, TextEncoding::Utf8WithBom);
  EXPECT_EQ(SavedBytes(bom.Bytes, bom.Encoding), "\xEF\xBB\xBF<p>x\r\n");
  EXPECT_EQ(SavedBytes("a\r\nb", TextEncoding::Utf8, nullptr, LineEnd::Cr), "a\rb\r");

  const EditorText utf16 = ToEditorText(std::string("\xFF\xFE<\0p\0>\0", 8));
  EXPECT_NE(utf16.Refusal, "");
  EXPECT_EQ(SavedBytes(utf16.Bytes, utf16.Encoding), std::string("\xFF\xFE<\0p\0>\0\r\n", 10));
}

TEST(EditorTextTest, AReopenReadsTheBytesInTheEncodingChosen) {
  const std::string bytes = "<p>\xE9t\xE9\n";
  EditorText text = ToEditorText(bytes);
  ASSERT_EQ(text.Encoding, TextEncoding::Windows1252);
  std::string err;
  ASSERT_TRUE(ReopenEditorText(bytes, *TextEncoding::FromLabel("iso-8859-5"), text, &err)) << err;
  EXPECT_EQ(text.Bytes, "<p>\xD1\x89t\xD1\x89\r\n");  // щtщ
  EXPECT_EQ(text.Source, EncodingSource::Chosen);
  EXPECT_FALSE(ReopenEditorText(bytes, TextEncoding::Utf8, text, &err));
  EXPECT_EQ(err, "The page cannot be read as UTF-8: byte 0xE9 at offset 3 is not valid UTF-8.");
  EXPECT_EQ(text.Encoding.Name(), "ISO-8859-5");  // unchanged
}

}  // namespace
}  // namespace tessel
