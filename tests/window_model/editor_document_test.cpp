#include "window_model/editor_document.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// A page comes back as it was read, in its own encoding, its line ends aside; the scratch
// copy follows every load and save.
TEST(EditorDocumentTest, APageComesBackByteForByte) {
  std::string everyByte;
  for (int b = 0; b < 256; ++b)
    if (b != '\r' && b != '\n') everyByte += char(b);
  const struct {
    const char* Bytes;
    std::string Read;
    const char* Encoding;
    std::string Saved;  // unchanged, as saved
  } cases[] = {
      {"utf-8", "caf\xC3\xA9\r\n\xE2\x82\xAC\r\n", "UTF-8", "caf\xC3\xA9\r\n\xE2\x82\xAC\r\n"},
      {"lone line ends", "a\nb\rc", "UTF-8", "a\r\nb\r\nc\r\n"},
      {"windows-1252", everyByte + "\r\n", "Windows-1252", everyByte + "\r\n"},
  };
  for (const auto& c : cases) {
    TempDir tmp;
    EditorDocument document((tmp / "scratch.htm").string());
    WriteFile(tmp / "page.htm", c.Read);
    std::string err;
    ASSERT_TRUE(document.Open((tmp / "page.htm").string(), &err)) << err;
    EXPECT_EQ(std::string(document.Encoding().Name()), c.Encoding) << c.Bytes;
    EXPECT_EQ(ReadFile(tmp / "scratch.htm"), c.Read) << c.Bytes;
    const EditorDocument::SaveBytes save = document.BytesToSave(document.Saved().Bytes);
    ASSERT_TRUE(save.Bytes) << c.Bytes;
    EXPECT_EQ(*save.Bytes, c.Saved) << c.Bytes;
  }
}

TEST(EditorDocumentTest, NothingIsSavedAsAnotherEncodingWithoutAsking) {
  TempDir tmp;
  EditorDocument document;
  WriteFile(tmp / "page.htm", "caf\xE9\r\n");
  ASSERT_TRUE(document.Open((tmp / "page.htm").string(), nullptr));
  const std::string edited = "caf\xC3\xA9\r\n\xE2\x86\x92\r\n";  // an arrow, not in the code page
  const EditorDocument::SaveBytes save = document.BytesToSave(edited);
  EXPECT_FALSE(save.Bytes);
  for (const char* part : {"Windows-1252", "\"\xE2\x86\x92\"", " line 2."})
    EXPECT_NE(save.EncodingQuestion.find(part), std::string::npos) << part;
  document.SetEncoding(TextEncoding::Utf8);
  document.SetSaveLineEnd(LineEnd::Lf);
  EXPECT_EQ(document.BytesToSave(edited).Bytes, "caf\xC3\xA9\n\xE2\x86\x92\n");
  // Lines counted as the editor counts them: CR LF, a lone CR and a lone LF each end one.
  for (const auto& [text, at] : {std::pair{"a\r\nb\r\nx", 6}, {"a\rb\nx", 4}, {"\r\n\r\nx", 4}})
    EXPECT_NE(EncodingQuestion(TextEncoding::Utf8, text, at).find(" line 3."), std::string::npos);
}

TEST(EditorDocumentTest, ANewDocumentLivesWhereItIsNeverSaved) {
  TempDir tmp;
  EditorDocument document((tmp / "scratch.htm").string());
  const std::string text = document.New((tmp / "new.htm").string(), {2026, 1, 2, 3, 4});
  EXPECT_TRUE(document.IsNew());
  EXPECT_NE(text.find("New File: 2026-01-02"), std::string::npos);
  EXPECT_EQ(document.Saved().Bytes, "");  // its save point is the empty text
  EXPECT_EQ(ReadFile(tmp / "scratch.htm"), text);
  std::string err;
  EXPECT_FALSE(document.SaveTo((tmp / "gone/page.htm").string(), "x", text, &err));
  EXPECT_TRUE(document.IsNew() && !err.empty());
  ASSERT_TRUE(document.SaveTo((tmp / "page.htm").string(), "x", text, &err)) << err;
  EXPECT_FALSE(document.IsNew());
  EXPECT_FALSE(fs::exists(tmp / "new.htm"));
}

// The browser's copy of unsaved text: beside the page, in its encoding where it can be, and
// taken away only while it is still the copy written.
TEST(EditorDocumentTest, TheBrowserCopyIsOnlyEverOurs) {
  TempDir tmp;
  WriteFile(tmp / "page.htm", "caf\xE9\r\n");
  const fs::path copy = tmp / "$tesselhtml_tmp.htm";
  EditorDocument document;
  ASSERT_TRUE(document.Open((tmp / "page.htm").string(), nullptr));
  EXPECT_EQ(document.BrowserCopyPath(), copy.string());
  for (const char* text : {"caf\xC3\xA9!\r\n", "\xE2\x86\x92"}) {  // the arrow: as UTF-8
    ASSERT_TRUE(document.WriteBrowserCopy(text, nullptr));
    EXPECT_EQ(ReadFile(copy),
              text == std::string("\xE2\x86\x92") ? "\xE2\x86\x92\r\n" : "caf\xE9!\r\n");
  }
  document.RemoveBrowserCopy();
  EXPECT_FALSE(fs::exists(copy));
  ASSERT_TRUE(document.WriteBrowserCopy("x", nullptr));
  WriteFile(tmp / "mine.htm", "mine");  // the user's own file now stands at the name
  fs::rename(tmp / "mine.htm", copy);
  document.RemoveBrowserCopy();
  EXPECT_EQ(ReadFile(copy), "mine");
}

}  // namespace
}  // namespace tessel
