// The editor: QScintilla holding the document as UTF-8 with every line end CR LF.
// No lexer: the program colours the text itself. Every byte's style is its colour class
// (text, tag, quoted, comment), and the palette gives the four styles their colours, so
// an emphasis changes four colours and a repaint reclassifies the text.
#pragma once

#include <QAccessible>
#include <Qsci/qsciscintilla.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/editor_text.h"
#include "editor/find_tag.h"
#include "editor/tag_hints.h"
#include "editor/syntax_colour.h"
#include "editor/typing_rules.h"

namespace tessel::gui {

class EditorView : public QsciScintilla, private QAccessible::ActivationObserver {
  Q_OBJECT
 public:
  explicit EditorView(QWidget* parent = nullptr);
  ~EditorView() override;

  // The document.
  /// Replaces the whole text, coloured when colouring is on; the undo history is dropped
  /// and the text counts as saved, or, without `saved`, as a change of an empty document
  /// (a new one). The cursor goes to the start.
  void SetDocument(const EditorText& text, bool saved = true);
  /// The text as the editor holds it, byte for byte.
  std::string Bytes() const;
  std::int64_t Length() const;
  bool IsModified() const;
  /// The text as it stands counts as saved.
  void MarkSaved();
  /// Empties the editor (no document).
  void ClearDocument();
  /// Replaces the whole text with `text` keeping the first visible line and the cursor,
  /// as one undo step (Cancel All), coloured when colouring is on.
  void ReplaceAllText(const std::string& text);
  /// Replaces [start, end) by `text` as one undo step, and colours what changed.
  void ReplaceRange(std::int64_t start, std::int64_t end, std::string_view text);
  /// Puts `text` in place of [start, end) as one undo step, coloured by its own classes
  /// when colouring is on (plain otherwise), and selects it. An empty text removes the
  /// range either way.
  void InsertSelected(std::int64_t start, std::int64_t end, std::string_view text);
  /// The lookup key of the tag hint for the tag around `position`; nothing when no tag
  /// lies around it.
  std::optional<std::string> HintKeyAt(std::int64_t position) const;

  // Colouring.
  /// DoColorTags: whole-text colouring on load, repaint and coloured paste.
  void SetColouring(bool on) { colouring_ = on; }
  bool Colouring() const { return colouring_; }
  void SetPalette(const SyntaxPalette& palette);
  const SyntaxPalette& Palette() const { return palette_; }
  /// `text` coloured into the editor: the whole content (which must already be `text`:
  /// only its colours change) or, with `wholeText` false, in place of the selection, as one
  /// undo step. The modified flag is never changed by colouring.
  void ColourText(const std::string& text, bool wholeText);
  /// Recolours the whole text with the palette (when colouring is on), keeping the first
  /// visible line and the cursor.
  void RepaintSyntax();
  /// The clipboard's text, coloured, in place of the selection.
  void PasteColoured();
  /// The in-place recolouring of the span around the cursor.
  void RecolourTagAtCursor();
  /// Colours `length` bytes from `base`, whose text is `text`, by the in-place rules.
  void ColourRange(std::string_view text, std::int64_t base, std::int64_t length);
  /// The tag span around `position` (the designed search, read from the editor's buffer
  /// without copying the whole text).
  TagSpan FindTagAt(std::int64_t position, bool withComments) const;
  ColourClass ClassAt(std::int64_t position) const;
  /// Every byte's class (tests and benchmarks).
  std::vector<ColourClass> Classes() const;

  /// While set, the tag hint follows the cursor; cleared while the colouring moves it.
  bool TagHintsOn = true;

 public slots:
  void undo() override;
  void redo() override;

 signals:
  /// The user changed the text.
  void Edited();
  /// The cursor or the selection moved.
  void SelectionMoved();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  QMimeData* toMimeData(const QByteArray& text, bool rectangular) const override;

 private:
  void SetStyles(std::int64_t start, const ColourClass* classes, std::int64_t length);
  /// Replaces [start, end) by `text` as one undo step, styled by its own classes or plain.
  void ReplaceAsOneStep(std::int64_t start, std::int64_t end, std::string_view text,
                        bool ownClasses);
  void StyleAll();
  void OnStyleNeeded(int position);
  CursorContext CaptureCursorContext() const;
  std::string_view Range(std::int64_t start, std::int64_t end) const;
  EditKind EditOf(const QKeyEvent& event) const;
  /// Inserts the typed character with its class at the cursor; false when the component
  /// is to handle the key itself.
  bool TypeCharacter(const QKeyEvent& event, ColourClass typedClass);
  void AfterUndo();
  /// The editor's accessible: the component's own while a screen reader listens (it gives
  /// the text), a plain one otherwise.
  static QAccessibleInterface* AccessibleFor(const QString& className, QObject* object);
  /// A screen reader started or stopped: the editor's accessible is made anew.
  void accessibilityActiveChanged(bool active) override;

  SyntaxPalette palette_;
  bool colouring_ = true;
  bool screenReader_ = QAccessible::isActive();
  EditKind lastEdit_ = EditKind::None;
  std::vector<ColourClass> scratch_;
  std::string styles_;
};

}  // namespace tessel::gui
