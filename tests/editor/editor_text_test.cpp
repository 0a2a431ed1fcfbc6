#include "editor/editor_text.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

using namespace std::string_literals;

TEST(EditorTextTest, LineEndsBecomeCrLfAndTheEncodingFollowsTheBytes) {
  const struct {
    std::string File, Editor;
    TextEncoding Encoding;
  } cases[] = {
      {"", "", TextEncoding::Utf8},
      {"a\nb", "a\r\nb", TextEncoding::Utf8},
      {"a\rb\r\n\n", "a\r\nb\r\n\r\n", TextEncoding::Utf8},
      {"caf\xC3\xA9\n", "caf\xC3\xA9\r\n", TextEncoding::Utf8},
      {"caf\xE9\n", "caf\xE9\r\n", TextEncoding::Windows1252},
      {"\xE2\x82\xAC \x80", "\xE2\x82\xAC \x80", TextEncoding::Windows1252},  // a lone 0x80
      {"\xC0\xAF", "\xC0\xAF", TextEncoding::Windows1252},                    // overlong "/"
      {"\xED\xA0\x80", "\xED\xA0\x80", TextEncoding::Windows1252},            // a surrogate
      {"\xF4\x90\x80\x80", "\xF4\x90\x80\x80", TextEncoding::Windows1252},    // past U+10FFFF
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", TextEncoding::Utf8},
      {"\xE2\x82", "\xE2\x82", TextEncoding::Windows1252},  // cut short
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
  EXPECT_EQ(text.Encoding, TextEncoding::Windows1252);
  EXPECT_EQ(SavedBytes(text.Bytes), all);
  EXPECT_EQ(SavedBytes("a\r\nb"), "a\r\nb\r\n");
  EXPECT_EQ(SavedBytes(""), "");
}

}  // namespace
}  // namespace tessel
