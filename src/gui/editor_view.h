// The editor REScreen: QScintilla holding the document's bytes exactly (UTF-8 or
// Windows-1252, every line end CR LF), so editor positions are byte positions as the
// engine counts them. No lexer: the program colours the text itself.
#pragma once

#include <Qsci/qsciscintilla.h>

#include <string>

#include "editor/editor_text.h"

namespace tessel::gui {

class EditorView : public QsciScintilla {
  Q_OBJECT
 public:
  explicit EditorView(QWidget* parent = nullptr);

  /// Replaces the whole text; the undo history is dropped and the text counts as saved.
  void SetDocument(const EditorText& text);
  /// The text as the editor holds it, byte for byte.
  std::string Bytes() const;
  TextEncoding Encoding() const { return encoding_; }

  bool IsModified() const;
  /// The text as it stands counts as saved.
  void MarkSaved();
  /// Empties the editor (no document).
  void ClearDocument();

 private:
  TextEncoding encoding_ = TextEncoding::Utf8;
};

}  // namespace tessel::gui
