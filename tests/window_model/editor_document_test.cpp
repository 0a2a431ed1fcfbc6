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
      {"utf-8 with its byte-order mark", "\xEF\xBB\xBF<p>\xC3\xA9\r\n", "UTF-8 with BOM",
       "\xEF\xBB\xBF<p>\xC3\xA9\r\n"},
  };
  for (const auto& c : cases) {
    TempDir tmp;
    EditorDocument document((tmp / "scratch.htm").string());
    WriteFile(tmp / "page.htm", c.Read);
    std::string err;
    ASSERT_TRUE(document.Open((tmp / "page.htm").string(), {}, &err)) << err;
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
  ASSERT_TRUE(document.Open((tmp / "page.htm").string(), {}, nullptr));
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
  // A page that names its encoding is read by browsers in that one: the question says so.
  const std::string declared = "<meta charset=\"koi8-r\">\r\n\xE2\x82\xAC\r\n";
  const TextEncoding koi8 = *TextEncoding::FromLabel("koi8-r");
  for (const auto& [text, warns] : {std::pair{declared, true}, {edited, false}}) {
    const std::string question = EncodingQuestion(koi8, text, 0);
    EXPECT_EQ(question.find("declares \"koi8-r\" in a <meta>") != std::string::npos, warns);
  }
}

// A save writes the line end a run would write: the setting, the line end the file had, the
// .editorconfig above the place it is saved to; "keep" follows the file as last saved.
TEST(EditorDocumentTest, ASaveWritesTheLineEndsARunWould) {
  using S = LineEndSetting;
  const struct {
    S Setting;
    const char* Read;
    const char* EditorConfig;  // "" for none
    bool SaveElsewhere;        // Save As into the folder with the .editorconfig
    const char* Saved;
  } cases[] = {
      {S::Keep, "a\nb\n", "", false, "a\nb\n"},
      {S::Keep, "a\r\nb", "", false, "a\r\nb\r\n"},
      {S::Keep, "a", "end_of_line = lf", false, "a\n"},  // no line end: the next in order
      {S::Lf, "a\r\nb\r\n", "", false, "a\nb\n"},
      {S::CrLf, "a\nb\n", "end_of_line = lf", false, "a\nb\n"},
      {S::CrLf, "a\nb\n", "end_of_line = lf", true, "a\nb\n"},
      {S::Keep, "a\r\nb\r\n", "end_of_line = cr", false, "a\rb\r"},
  };
  for (const auto& c : cases) {
    TempDir tmp;
    fs::create_directory(tmp / "project");
    const fs::path configured = tmp / (c.SaveElsewhere ? "project" : "");
    if (*c.EditorConfig) WriteFile(configured / ".editorconfig", "root = true\n[*]\n" + std::string(c.EditorConfig));
    WriteFile(tmp / "page.htm", c.Read);
    EditorDocument document;
    ConventionRequest request;
    request.LineEnds = c.Setting;
    std::string err;
    ASSERT_TRUE(document.Open((tmp / "page.htm").string(), request, &err)) << err;
    const std::string to = c.SaveElsewhere ? (configured / "page.htm").string() : "";
    FileConventions conventions;
    ASSERT_TRUE(document.Conventions(request, to, conventions, &err)) << err;
    document.SetSaveLineEnd(conventions.Eol);
    const std::optional<std::string> bytes = document.BytesToSave(document.Saved().Bytes).Bytes;
    EXPECT_EQ(bytes, c.Saved) << c.Read << " " << c.EditorConfig;
    ASSERT_TRUE(document.SaveTo(to.empty() ? document.Path() : to, *bytes, "x", &err)) << err;
    EXPECT_EQ(document.Saved().FileLineEnd, FirstLineEnd(*bytes)) << "what keep keeps from now on";
  }
  // An .editorconfig that cannot be read stops the save (the page still opens).
  TempDir tmp;
  WriteFile(tmp / "page.htm", "a\n");
  WriteFile(tmp / ".editorconfig", "root = true\n[*\nend_of_line = lf\n");
  EditorDocument document;
  ASSERT_TRUE(document.Open((tmp / "page.htm").string(), {}, nullptr));
  FileConventions conventions;
  std::string err;
  EXPECT_FALSE(document.Conventions({}, "", conventions, &err));
  EXPECT_FALSE(err.empty());
}

// The .editorconfig's charset decides before the detector; a page the user reopens in another
// encoding keeps it through a run's reload; a failed reopen changes nothing.
TEST(EditorDocumentTest, EncodingsChosenByTheProjectAndByTheUser) {
  TempDir tmp;
  const std::string koi8 = "<p>\xF0\xD2\xC9\xD7\xC5\xD4\r\n";  // "Привет" in KOI8-R
  WriteFile(tmp / ".editorconfig", "root = true\n[*.htm]\ncharset = koi8-r\n");
  WriteFile(tmp / "page.htm", koi8);
  EditorDocument document;
  ASSERT_TRUE(document.Open((tmp / "page.htm").string(), {}, nullptr));
  EXPECT_EQ(document.Saved().Bytes, "<p>\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\r\n");
  EXPECT_NE(document.Saved().EncodingWhy.find(".editorconfig"), std::string::npos);
  ConventionRequest noConfig;
  noConfig.UseEditorConfig = false;
  ASSERT_TRUE(document.Open((tmp / "page.htm").string(), noConfig, nullptr));
  EXPECT_NE(document.Encoding(), *TextEncoding::FromLabel("koi8-r"));

  std::string err;
  ASSERT_TRUE(document.Reopen(*TextEncoding::FromLabel("koi8-r"), &err)) << err;
  const EditorText chosen = document.Saved();
  EXPECT_FALSE(document.Reopen(TextEncoding::Utf8, &err));  // \xF0\xD2 is no UTF-8
  EXPECT_NE(err.find("UTF-8"), std::string::npos);
  EXPECT_EQ(document.Saved().Bytes, chosen.Bytes);
  EXPECT_EQ(document.Encoding(), chosen.Encoding);
  document.Reload(koi8 + "<p>\xF0\xD2\r\n");  // a run's result
  EXPECT_EQ(document.Encoding(), chosen.Encoding);
  EXPECT_EQ(document.BytesToSave(document.Saved().Bytes).Bytes, koi8 + "<p>\xF0\xD2\r\n");

  document.New((tmp / "new.htm").string(), {2026, 1, 2, 3, 4});  // saved in it, read from nowhere
  ASSERT_TRUE(document.Reopen(*TextEncoding::FromLabel("shift_jis"), &err));
  EXPECT_EQ(document.Encoding().Name(), "Shift_JIS");
  EXPECT_FALSE(fs::exists(tmp / "new.htm"));
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
  ASSERT_TRUE(document.Open((tmp / "page.htm").string(), {}, nullptr));
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
