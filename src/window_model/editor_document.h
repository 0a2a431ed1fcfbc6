// The page in the editor, all but the text being edited: where it lives (or that it is new
// and never saved there), the encoding it was read in and is saved in, its line ends, and
// its text as last loaded or saved, which Cancel All goes back to. It makes the bytes a save
// writes, writes them, and keeps the browser's copy of unsaved text beside the page.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conventions/file_conventions.h"
#include "editor/editor_text.h"
#include "engine/engine.h"
#include "io/safe_replace.h"

namespace tessel {

class EditorDocument {
 public:
  /// `scratchPath` is the scratch copy of the page other tools read ("$tmp.htm"), written
  /// whenever the page is loaded or saved; empty for none.
  explicit EditorDocument(std::string scratchPath = {}) : scratchPath_(std::move(scratchPath)) {}
  EditorDocument(const EditorDocument&) = delete;
  EditorDocument& operator=(const EditorDocument&) = delete;
  ~EditorDocument() { RemoveBrowserCopy(); }

  /// The page at `path`, read whole: its encoding decided (the charset of the .editorconfig
  /// above it weighed, unless `conventions` say to look for none), every line end made CR
  /// LF. False with *err, and nothing changed, when it cannot be read.
  bool Open(const std::string& path, const ConventionRequest& conventions, std::string* err);
  /// `fileBytes` (a run's result, a restored backup) as the page's text as saved: in the
  /// encoding the user chose for it where they still read so, else decided afresh.
  void Reload(std::string_view fileBytes);
  /// The page's file read again in `encoding`, which the user chose; a new document is
  /// saved in it from now on. False, with *err, and nothing changed, when the file cannot
  /// be read or its bytes are no text in that encoding.
  bool Reopen(TextEncoding encoding, std::string* err);
  /// How the page is written when it is saved at `path` (its own when empty): decided as a
  /// run decides it, from `request`, the line end that ended the file's first line and the
  /// .editorconfig above `path`. False, with *err, when that .editorconfig cannot be read.
  bool Conventions(const ConventionRequest& request, const std::string& path,
                   FileConventions& out, std::string* err) const;
  /// Not empty for a page that cannot be edited, nor ever saved: why (EditorText::Refusal).
  const std::string& Refusal() const { return saved_.Refusal; }
  /// A new document living at `path`, where it is never saved: its save point is the empty
  /// text. Returns the text it starts with, dated `today`.
  std::string New(const std::string& path, const DocDateTime& today);
  /// No document at all.
  void Close();

  const std::string& Path() const { return path_; }
  bool IsNew() const { return isNew_; }
  bool IsOpen() const { return !path_.empty(); }
  /// The text as last loaded or saved, with the encoding it is saved in and the line end
  /// the file had.
  const EditorText& Saved() const { return saved_; }
  TextEncoding Encoding() const { return saved_.Encoding; }
  /// The line end every line gets when the page is saved.
  LineEnd SaveLineEnd() const { return saveLineEnd_; }
  void SetSaveLineEnd(LineEnd lineEnd) { saveLineEnd_ = lineEnd; }

  /// What a save of `editorText` writes: the bytes, or, when the encoding cannot hold one of
  /// its characters, the question whether to save as UTF-8 instead (nothing is saved
  /// without the user's word).
  struct SaveBytes {
    std::optional<std::string> Bytes;
    std::string EncodingQuestion;
  };
  SaveBytes BytesToSave(std::string_view editorText) const;
  /// The page is saved in `encoding` from now on (the answer to that question).
  void SetEncoding(TextEncoding encoding) { saved_.Encoding = encoding; }
  /// `bytes` (of BytesToSave) written to `path`, which the document lives at from then on,
  /// with `editorText` its saved text. False, with *err, and nothing changed, when the file
  /// could not be written.
  bool SaveTo(const std::string& path, std::string_view bytes, std::string_view editorText,
              std::string* err);

  /// Where the browser's copy of unsaved text goes: beside the page, so that its relative
  /// links still work.
  std::string BrowserCopyPath() const;
  /// `editorText` written as the browser's copy, in the page's encoding (UTF-8 when that
  /// cannot hold it). Never written through a link or into someone else's file.
  bool WriteBrowserCopy(std::string_view editorText, std::string* err);
  /// Takes the copy away again: only the file written, and only while it is still there.
  void RemoveBrowserCopy();

 private:
  void TakeText(EditorText text, std::string_view fileBytes);

  std::string scratchPath_;
  std::string path_;
  std::string charset_;  // of the .editorconfig above the page, when it was opened
  bool isNew_ = false;
  EditorText saved_;
  LineEnd saveLineEnd_ = LineEnd::CrLf;
  struct WrittenCopy {
    std::string Path;
    FileIdentity Identity;
  };
  std::optional<WrittenCopy> browserCopy_;
};

/// The encodings a page can be read again in, as a menu offers them: one group after the
/// other ("Unicode", "Western European", ...), each with its encodings in the list's order.
struct EncodingGroup {
  std::string_view Name;
  std::vector<TextEncoding> Encodings;
};
std::vector<EncodingGroup> EncodingMenuGroups();

/// The question before a page is saved as UTF-8 because `encoding` cannot hold the
/// character at byte `at` of the editor's `text`.
std::string EncodingQuestion(TextEncoding encoding, std::string_view text, std::size_t at);

}  // namespace tessel
