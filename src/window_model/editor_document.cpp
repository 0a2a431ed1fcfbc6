#include "window_model/editor_document.h"

#include <algorithm>
#include <filesystem>

#include "batch/pipeline.h"
#include "editor/new_document.h"
#include "io/text_file.h"

namespace tessel {
namespace {

constexpr std::string_view kBrowserCopyName = "$tesselhtml_tmp.htm";

/// The 1-based line of byte `at`, counting line ends as the editor does: CR LF, a lone CR
/// and a lone LF each end a line.
long LineOf(std::string_view text, std::size_t at) {
  long line = 1;
  for (std::size_t i = 0; i < at && i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++line;
    }
  }
  return line;
}

}  // namespace

std::string EncodingQuestion(TextEncoding encoding, std::string_view text, std::size_t at) {
  const std::string_view character = Utf8Prefix(text.substr(std::min(at, text.size())), 1);
  std::string question = "The file was read as " + std::string(EncodingName(encoding)) +
                         ", which cannot hold the character \"" + std::string(character) +
                         "\" in line " + std::to_string(LineOf(text, at)) +
                         ".\r\nSave it as UTF-8 instead?\r\n(No: nothing is saved; the text stays as it is.)";
  // Saved as UTF-8, a page whose <meta> names another encoding is read wrongly by browsers.
  if (const std::string declared = DeclaredCharset(text); !declared.empty() && declared != "utf-8") {
    question += "\r\nThe page declares \"" + declared +
                "\" in a <meta> tag: change it to utf-8 as well, or browsers will read the "
                "saved page as " + declared + ".";
  }
  return question;
}

std::vector<EncodingGroup> EncodingMenuGroups() {
  std::vector<EncodingGroup> groups;
  for (const TextEncoding encoding : TextEncoding::All()) {
    auto group = std::find_if(groups.begin(), groups.end(),
                              [&](const EncodingGroup& g) { return g.Name == encoding.Group(); });
    if (group == groups.end()) group = groups.insert(groups.end(), {encoding.Group(), {}});
    group->Encodings.push_back(encoding);
  }
  return groups;
}

void EditorDocument::TakeText(EditorText text, std::string_view fileBytes) {
  saved_ = std::move(text);
  // A scratch copy for other tools only; the editor never reads it back.
  WriteScratchCopy(scratchPath_, fileBytes);
}

bool EditorDocument::Open(const std::string& path, const ConventionRequest& conventions,
                          std::string* err) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes, err)) return false;
  // An .editorconfig that cannot be read names no charset; a save then says why it stops.
  FileConventions decided;
  std::string unread;
  charset_ = DecideConventions(conventions, path, bytes, decided, &unread) ? decided.Charset : "";
  path_ = path;
  isNew_ = false;
  TakeText(ToEditorText(bytes, charset_), bytes);
  return true;
}

void EditorDocument::Reload(std::string_view fileBytes) {
  EditorText text;
  std::string err;
  if (saved_.Source != EncodingSource::Chosen ||
      !ReopenEditorText(fileBytes, saved_.Encoding, text, &err)) {
    text = ToEditorText(fileBytes, charset_);
  }
  TakeText(std::move(text), fileBytes);
}

bool EditorDocument::Reopen(TextEncoding encoding, std::string* err) {
  if (isNew_) {  // no file to read again: the text is saved in it
    saved_.Encoding = encoding;
    saved_.Source = EncodingSource::Chosen;
    saved_.EncodingWhy = "Chosen by the user";
    return true;
  }
  std::string bytes;
  EditorText text;
  if (!ReadWholeFile(path_, bytes, err) || !ReopenEditorText(bytes, encoding, text, err)) {
    return false;
  }
  TakeText(std::move(text), bytes);
  return true;
}

bool EditorDocument::Conventions(const ConventionRequest& request, const std::string& path,
                                 FileConventions& out, std::string* err) const {
  // "keep" looks at the line end that ended the file's first line, as it was read or saved.
  const std::string_view firstLineEnd =
      saved_.FileLineEnd ? LineEndBytes(*saved_.FileLineEnd) : std::string_view();
  const std::string& where = path.empty() ? path_ : path;
  return DecideConventions(request, isNew_ && path.empty() ? std::string() : where, firstLineEnd,
                           out, err);
}

std::string EditorDocument::New(const std::string& path, const DocDateTime& today) {
  std::string text = NewDocumentText(today);
  path_ = path;
  isNew_ = true;
  saved_ = EditorText{};
  WriteScratchCopy(scratchPath_, text);
  return text;
}

void EditorDocument::Close() {
  path_.clear();
  isNew_ = false;
  saved_ = EditorText{};
}

EditorDocument::SaveBytes EditorDocument::BytesToSave(std::string_view editorText) const {
  std::size_t at = 0;
  SaveBytes save;
  save.Bytes = SavedBytes(editorText, saved_.Encoding, &at, saveLineEnd_);
  if (!save.Bytes) save.EncodingQuestion = EncodingQuestion(saved_.Encoding, editorText, at);
  return save;
}

bool EditorDocument::SaveTo(const std::string& path, std::string_view bytes,
                            std::string_view editorText, std::string* err) {
  if (!WriteFileAtomic(path, bytes, err)) return false;  // the text stays, unsaved
  path_ = path;
  isNew_ = false;
  EditorText saved = saved_;
  saved.Bytes = std::string(editorText);
  saved.FileLineEnd = FirstLineEnd(bytes);
  TakeText(std::move(saved), bytes);
  return true;
}

std::string EditorDocument::BrowserCopyPath() const {
  return (std::filesystem::path(path_).parent_path() / kBrowserCopyName).string();
}

bool EditorDocument::WriteBrowserCopy(std::string_view editorText, std::string* err) {
  std::optional<std::string> bytes = SavedBytes(editorText, saved_.Encoding, nullptr, saveLineEnd_);
  if (!bytes) bytes = SavedBytes(editorText, TextEncoding::Utf8, nullptr, saveLineEnd_);
  FileIdentity written;
  const std::string path = BrowserCopyPath();
  if (!WriteFreshFile(path, *bytes, err, &written)) return false;
  browserCopy_ = WrittenCopy{path, written};
  return true;
}

void EditorDocument::RemoveBrowserCopy() {
  if (!browserCopy_) return;
  RemoveFreshFile(browserCopy_->Path, browserCopy_->Identity, nullptr);
  browserCopy_.reset();
}

}  // namespace tessel
