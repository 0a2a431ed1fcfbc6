#include "gui/editor_view.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>
#include <QSignalBlocker>
#include <algorithm>

namespace tessel::gui {
namespace {

constexpr std::int64_t kTagSearchBound = 1000000;  // as far as the tag search looks each way
// A run of one class is styled in pieces of at most kPieceLength bytes, alternating two style
// numbers of the same colour (kPieceBit set or not): the component keeps the widths of
// pieces under 30 bytes only, and lays a whole line out again on every change to it.
constexpr unsigned long kPieceBit = 4;
constexpr int kPieceLength = 24;
// The places in the component's cache of piece widths (4 MB). A piece may go to two places:
// its hash and the hash times 37 (in 32 bits), each modulo the size. With a power of two
// the second place follows from the first, so pieces that share a first place push each
// other out on every layout (a thousand pieces of a 2.5 MB page measured again with Qt's
// text layout on every key); with a prime size the two places are independent and about
// ten are.
constexpr unsigned long kWidthCacheSize = 262139;

QColor ToColor(std::uint32_t bgr) {
  return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

/// A typed character as one byte: the first byte of its UTF-8 form; Enter and Tab too.
char TypedByte(const QKeyEvent& event) {
  if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) return '\r';
  if (event.key() == Qt::Key_Tab) return '\t';
  const QByteArray utf8 = event.text().toUtf8();
  return utf8.isEmpty() ? '\0' : utf8.front();
}

bool IsCharacterKey(const QKeyEvent& event) {
  const Qt::KeyboardModifiers mods = event.modifiers();
  if ((mods & Qt::ControlModifier) || (mods & Qt::AltModifier)) return false;
  const char c = TypedByte(event);
  return c == '\r' || c == '\t' || static_cast<unsigned char>(c) >= 0x20;
}

/// Line ends as the editor holds them: CR LF.
std::string WithCrLf(const std::string& text) { return ToEditorText(text).Bytes; }

/// The editor's accessible while no screen reader listens. The component's own counts the
/// characters from the start of the text to the cursor whenever the view is updated (after
/// every key), for an event that then goes nowhere: on a page that is one long line that
/// was a quarter of what a key cost.
class PlainEditorAccessible : public QAccessibleWidget {
 public:
  explicit PlainEditorAccessible(QWidget* editor)
      : QAccessibleWidget(editor, QAccessible::EditableText) {}
};

}  // namespace

EditorView::EditorView(QWidget* parent) : QsciScintilla(parent) {
  static const bool accessibleInstalled = [] {
    QAccessible::installFactory(AccessibleFor);
    return true;
  }();
  (void)accessibleInstalled;
  setUtf8(true);
  setWrapMode(WrapNone);
  setEolMode(EolWindows);  // a typed line break is CR LF, as every line end of the text
  setTabWidth(8);
  setIndentationsUseTabs(true);
  setMarginWidth(1, 0);  // no line-number margin
  SendScintilla(SCI_SETMARGINLEFT, 0, 4L);
  SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
  SendScintilla(SCI_SETSCROLLWIDTH, 1);
  SendScintilla(SCI_SETPASTECONVERTENDINGS, 1);
  SendScintilla(SCI_SETPOSITIONCACHE, kWidthCacheSize);
  // Scintilla takes the size in points: a font sized in pixels would come out tiny.
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(10);
  setFont(font);
  SendScintilla(SCI_STYLESETFONT, STYLE_DEFAULT, font.family().toUtf8().constData());
  SendScintilla(SCI_STYLESETSIZE, STYLE_DEFAULT, 10L);
  SendScintilla(SCI_STYLECLEARALL);
  SetPalette(SyntaxPalette{});
  // No notification of each change: the component's accessibility support would count the
  // characters up to the change on every keystroke, which grows with the text. Typing
  // finds what it inserted from the cursor instead.
  SendScintilla(SCI_SETMODEVENTMASK, 0L);
  connect(this, &QsciScintillaBase::SCN_STYLENEEDED, this, &EditorView::OnStyleNeeded);
  // The component's own handler counts the columns from the start of the line to the cursor
  // on every change, for a signal nothing here uses: on a page that is one long line that
  // was most of the cost of a key.
  disconnect(this, SIGNAL(SCN_UPDATEUI(int)), this, SLOT(handleUpdateUI(int)));
  connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int updated) {
    if (updated & SC_UPDATE_SELECTION) emit SelectionMoved();
  });
  QAccessible::installActivationObserver(this);
  accessibilityActiveChanged(screenReader_);  // replaces one made while the base was built
}

EditorView::~EditorView() { QAccessible::removeActivationObserver(this); }

QAccessibleInterface* EditorView::AccessibleFor(const QString& className, QObject* object) {
  auto* editor = qobject_cast<EditorView*>(object);
  if (!editor || editor->screenReader_ || className != QLatin1String(staticMetaObject.className())) {
    return nullptr;  // the component's own, found for its base class
  }
  return new PlainEditorAccessible(editor);
}

void EditorView::accessibilityActiveChanged(bool active) {
  screenReader_ = active;
  QAccessibleInterface* current = QAccessible::queryAccessibleInterface(this);
  if (current && (dynamic_cast<PlainEditorAccessible*>(current) != nullptr) == active) {
    // The next query (the next event about the editor) makes the one that fits.
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(current));
  }
}

// ---------------------------------------------------------------------------------------
// The document

void EditorView::SetDocument(const EditorText& text, bool saved) {
  // The steps below pass the save point; whoever listens is told once the text is in place.
  const QSignalBlocker quiet(this);
  const bool readOnly = isReadOnly();
  setReadOnly(false);
  SendScintilla(SCI_SETUNDOCOLLECTION, 0);
  SendScintilla(SCI_CLEARALL);
  SendScintilla(SCI_EMPTYUNDOBUFFER);
  SendScintilla(SCI_SETSAVEPOINT);
  // A new document is a change of the empty one; a loaded text is where saving starts.
  SendScintilla(SCI_SETUNDOCOLLECTION, saved ? 0 : 1);
  // By length, so that a NUL byte in the text does not end it.
  SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(text.Bytes.size()), text.Bytes.data());
  SendScintilla(SCI_SETUNDOCOLLECTION, 1);
  if (saved) {
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSAVEPOINT);
  }
  StyleAll();
  SendScintilla(SCI_GOTOPOS, 0);
  setReadOnly(readOnly);
}

std::string EditorView::Bytes() const {
  const auto* data = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
  return data ? std::string(data, static_cast<size_t>(Length())) : std::string();
}

std::int64_t EditorView::Length() const { return SendScintilla(SCI_GETLENGTH); }

bool EditorView::IsModified() const { return SendScintilla(SCI_GETMODIFY) != 0; }

void EditorView::MarkSaved() { SendScintilla(SCI_SETSAVEPOINT); }

void EditorView::ClearDocument() { SetDocument(EditorText{}); }

void EditorView::ReplaceAllText(const std::string& text) {
  const long first = SendScintilla(SCI_GETFIRSTVISIBLELINE);
  const long position = SendScintilla(SCI_GETCURRENTPOS);
  const bool readOnly = isReadOnly();
  setReadOnly(false);
  ReplaceAsOneStep(0, Length(), text, colouring_);
  setReadOnly(readOnly);
  SendScintilla(SCI_SETEMPTYSELECTION, std::min<long>(position, long(text.size())));
  SendScintilla(SCI_SETFIRSTVISIBLELINE, first);
}

void EditorView::ReplaceAsOneStep(std::int64_t start, std::int64_t end, std::string_view text,
                                  bool ownClasses) {
  SendScintilla(SCI_BEGINUNDOACTION);
  SendScintilla(SCI_SETTARGETRANGE, static_cast<unsigned long>(start), long(end));
  SendScintilla(SCI_REPLACETARGET, static_cast<uintptr_t>(text.size()), text.data());
  SendScintilla(SCI_ENDUNDOACTION);
  if (ownClasses) {
    ColourClasses(text, scratch_);
  } else {
    scratch_.assign(text.size(), ColourClass::Text);
  }
  SetStyles(start, scratch_.data(), std::int64_t(text.size()));
}

void EditorView::ReplaceRange(std::int64_t start, std::int64_t end, std::string_view text) {
  ReplaceAsOneStep(start, end, text, false);
  // A replacement may open or close a tag anywhere after it: colour the text anew.
  RepaintSyntax();
}

void EditorView::InsertSelected(std::int64_t start, std::int64_t end, std::string_view text) {
  ReplaceAsOneStep(start, end, text, colouring_);
  SendScintilla(SCI_SETSEL, static_cast<unsigned long>(start), long(start + std::int64_t(text.size())));
}

std::optional<std::string> EditorView::HintKeyAt(std::int64_t position) const {
  const TagSpan span = FindTagAt(position, false);
  if (span.Text.empty()) return std::nullopt;
  // The key only depends on the span: read it from the span alone.
  return TagHintKey(span.Text, 1);
}

std::string_view EditorView::Range(std::int64_t start, std::int64_t end) const {
  start = std::clamp<std::int64_t>(start, 0, Length());
  end = std::clamp<std::int64_t>(end, start, Length());
  if (start == end) return {};
  const auto* data = static_cast<const char*>(
      reinterpret_cast<void*>(SendScintilla(SCI_GETRANGEPOINTER, static_cast<unsigned long>(start),
                                            static_cast<long>(end - start))));
  return data ? std::string_view(data, size_t(end - start)) : std::string_view();
}

// ---------------------------------------------------------------------------------------
// Colouring

void EditorView::SetPalette(const SyntaxPalette& palette) {
  palette_ = palette;
  for (ColourClass c : {ColourClass::Text, ColourClass::Tag, ColourClass::Quoted,
                        ColourClass::Comment}) {
    for (unsigned long piece : {0UL, kPieceBit}) {
      SendScintilla(SCI_STYLESETFORE, static_cast<unsigned long>(c) | piece,
                    ToColor(ClassColour(palette, c)));
    }
  }
}

void EditorView::SetStyles(std::int64_t start, const ColourClass* classes, std::int64_t length) {
  if (length <= 0) return;
  styles_.resize(size_t(length));
  int inRun = 0;
  for (std::int64_t i = 0; i < length; ++i) {
    if (i > 0 && classes[i] != classes[i - 1]) inRun = 0;
    styles_[size_t(i)] = char(int(classes[i]) | ((inRun / kPieceLength) & 1 ? int(kPieceBit) : 0));
    ++inRun;
  }
  SendScintilla(SCI_STARTSTYLING, static_cast<unsigned long>(start), 0L);
  SendScintilla(SCI_SETSTYLINGEX, static_cast<uintptr_t>(length), styles_.data());
  // Everything is styled (the text keeps the styles it was given): the component is not to
  // ask for styling, which would make it check the whole line again.
  SendScintilla(SCI_STARTSTYLING, static_cast<unsigned long>(Length()), 0L);
  if (styles_.size() > 65536) std::string().swap(styles_);
}

void EditorView::StyleAll() {
  const std::int64_t n = Length();
  if (!colouring_) {  // all plain text: no classes computed
    SendScintilla(SCI_STARTSTYLING, 0UL, 0L);
    SendScintilla(SCI_SETSTYLING, static_cast<unsigned long>(n), 0L);
    return;
  }
  const auto* data = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
  ColourClasses(std::string_view(data ? data : "", size_t(n)), scratch_);
  SetStyles(0, scratch_.data(), n);
  std::vector<ColourClass>().swap(scratch_);  // a byte per character: not kept for nothing
}

void EditorView::ColourText(const std::string& text, bool wholeText) {
  if (text.empty()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (wholeText) {
    StyleAll();
  } else {
    const long start = SendScintilla(SCI_GETSELECTIONSTART);
    ReplaceAsOneStep(start, SendScintilla(SCI_GETSELECTIONEND), text, true);
    SendScintilla(SCI_SETEMPTYSELECTION, start);  // the cursor at the start of the text
  }
  QApplication::restoreOverrideCursor();
}

void EditorView::RepaintSyntax() {
  if (!colouring_) return;
  const long first = SendScintilla(SCI_GETFIRSTVISIBLELINE);
  StyleAll();
  SendScintilla(SCI_SETFIRSTVISIBLELINE, first);
}

void EditorView::PasteColoured() {
  const QString clip = QApplication::clipboard()->text();
  if (clip.isEmpty() || isReadOnly()) return;
  ColourText(WithCrLf(clip.toStdString()), false);
  emit Edited();
}

TagSpan EditorView::FindTagAt(std::int64_t position, bool withComments) const {
  // Mostly the span is near: look in a small piece of the text first, and widen the piece
  // until the answer cannot depend on what lies outside it.
  const std::int64_t n = Length();
  for (std::int64_t reach = 4096;; reach *= 16) {
    const bool whole = reach > kTagSearchBound;
    const std::int64_t w = whole ? kTagSearchBound + 8 : reach;
    const std::int64_t base = std::max<std::int64_t>(0, position - w);
    const std::int64_t end = std::min(n, position + w);
    TagSpan span = FindTagAround(Range(base, end), position - base, withComments);
    const bool inside = !span.Text.empty() && span.Start > 0 && span.End < end - base;
    const bool unclosedComment = withComments && span.Text.find("<!--") != std::string::npos &&
                                 span.Text.find("-->") == std::string::npos;
    if (whole || (base == 0 && end == n) || (inside && !unclosedComment)) {
      if (!span.Text.empty()) {
        span.Position += base;
        span.Start += base;
        span.End += base;
      }
      span.Position = position;
      return span;
    }
  }
}

void EditorView::RecolourTagAtCursor() {
  TagHintsOn = false;
  const TagSpan span = FindTagAt(SendScintilla(SCI_GETCURRENTPOS), false);
  if (!span.Text.empty()) ColourRange(span.Text, span.Start, span.Length);
  TagHintsOn = true;
}

void EditorView::ColourRange(std::string_view text, std::int64_t base, std::int64_t length) {
  if (length <= 0 || text.empty()) return;
  const size_t n = std::min(size_t(length), text.size());
  const size_t coloured = RangeClasses(text, n, scratch_);
  SetStyles(base, scratch_.data(), std::int64_t(coloured));
}

ColourClass EditorView::ClassAt(std::int64_t position) const {
  return ColourClass(SendScintilla(SCI_GETSTYLEAT, static_cast<unsigned long>(position)) & 3);
}

std::vector<ColourClass> EditorView::Classes() const {
  std::vector<ColourClass> classes(static_cast<size_t>(Length()));
  for (size_t i = 0; i < classes.size(); ++i) classes[i] = ClassAt(std::int64_t(i));
  return classes;
}

void EditorView::OnStyleNeeded(int position) {
  // The text keeps the styles set when it was inserted: only mark it as styled. Writing
  // them again would change nothing but make the component lay the line out anew.
  if (position > SendScintilla(SCI_GETENDSTYLED)) {
    SendScintilla(SCI_STARTSTYLING, static_cast<unsigned long>(position), 0L);
  }
}

// ---------------------------------------------------------------------------------------
// Typing

EditKind EditorView::EditOf(const QKeyEvent& event) const {
  const Qt::KeyboardModifiers mods = event.modifiers();
  const int key = event.key();
  if (key == Qt::Key_Backspace) return EditKind::Backspace;
  if (key == Qt::Key_Delete) return EditKind::Delete;
  if ((mods & Qt::ShiftModifier) && key == Qt::Key_Insert) return EditKind::Paste;
  if (mods & Qt::ControlModifier) {
    if (key == Qt::Key_V) return EditKind::Paste;
    if (key == Qt::Key_X) return EditKind::Cut;
    return EditKind::OtherControl;
  }
  return EditKind::None;
}

CursorContext EditorView::CaptureCursorContext() const {
  const std::int64_t p = SendScintilla(SCI_GETCURRENTPOS);
  const std::int64_t start = std::max<std::int64_t>(0, p - 1);
  const std::string_view slice = Range(start, p + 1);
  std::vector<ColourClass> classes(slice.size());
  for (size_t i = 0; i < slice.size(); ++i) classes[i] = ClassAt(start + std::int64_t(i));
  return ContextAt(slice, classes, size_t(p - start));
}

void EditorView::keyPressEvent(QKeyEvent* event) {
  lastEdit_ = EditOf(*event);
  if (lastEdit_ == EditKind::Paste && colouring_) {  // the coloured paste, not the control's
    PasteColoured();
    lastEdit_ = EditKind::None;
    event->accept();
    return;
  }
  CursorContext before;
  int typedClass = -1;  // the class of the character being typed
  const long selStart = SendScintilla(SCI_GETSELECTIONSTART);
  const bool selected = selStart != SendScintilla(SCI_GETSELECTIONEND);
  if (lastEdit_ != EditKind::None && lastEdit_ != EditKind::OtherControl) {
    before = CaptureCursorContext();
  } else if (lastEdit_ == EditKind::None && IsCharacterKey(*event) && !isReadOnly()) {
    before = CaptureCursorContext();
    const char typed = TypedByte(*event);
    typedClass = int(selected ? ClassAt(selStart) : TypedCharClass(typed, before));
    if (ChangesTagStructure(typed)) lastEdit_ = EditKind::TagCharacter;
  }
  const bool undoKey = (event->modifiers() & Qt::ControlModifier) &&
                       (event->key() == Qt::Key_Z || event->key() == Qt::Key_Y);
  const std::int64_t lengthBefore = Length();
  const bool typedHere =
      typedClass >= 0 && !selected && TypeCharacter(*event, ColourClass(typedClass));
  if (typedHere) {
    event->accept();
  } else {
    QsciScintilla::keyPressEvent(event);
  }
  const std::int64_t caret = SendScintilla(SCI_GETCURRENTPOS);
  const bool changed =
      Length() != lengthBefore || (selected && lastEdit_ != EditKind::OtherControl);
  if (typedClass >= 0 && changed && caret > selStart && !typedHere) {
    scratch_.assign(size_t(caret - selStart), ColourClass(typedClass));
    SetStyles(selStart, scratch_.data(), caret - selStart);
  }
  if (undoKey) AfterUndo();
  const EditKind edit = lastEdit_;
  lastEdit_ = EditKind::None;
  if (!changed) return;
  emit Edited();
  if (RecolourAfterChange(edit, before)) RecolourTagAtCursor();
  if (typedHere) {
    // Scrolled to the cursor only now: the line is laid out once, with its final colours.
    SendScintilla(SCI_SCROLLCARET);
    SendScintilla(SCI_CHOOSECARETX);
  }
}

bool EditorView::TypeCharacter(const QKeyEvent& event, ColourClass typedClass) {
  // The plain case only: one cursor, inserting, a printable character. The rest (line
  // breaks, tabs, overtype, several selections) is the component's.
  const QByteArray bytes = event.text().toUtf8();
  if (bytes.isEmpty() || static_cast<unsigned char>(bytes.front()) < 0x20 || isReadOnly() ||
      SendScintilla(SCI_GETSELECTIONS) != 1 || SendScintilla(SCI_GETOVERTYPE) != 0) {
    return false;
  }
  // Inserted with its colour: the component lays the line out once, not once for the
  // character and again for its colour (which on a page of one long line is what a key
  // costs).
  std::string cells;
  for (char c : bytes) {
    cells += c;
    cells += char(typedClass);
  }
  SendScintilla(SCI_ADDSTYLEDTEXT, static_cast<unsigned long>(cells.size()), cells.data());
  SendScintilla(SCI_STARTSTYLING, static_cast<unsigned long>(Length()), 0L);
  return true;
}

void EditorView::undo() {
  QsciScintilla::undo();
  AfterUndo();
}

void EditorView::redo() {
  QsciScintilla::redo();
  AfterUndo();
}

void EditorView::AfterUndo() {
  // The component does not keep the colours of text it takes back (it gets the plain
  // class): with colouring on, the text is coloured anew.
  RepaintSyntax();
}

QMimeData* EditorView::toMimeData(const QByteArray& text, bool rectangular) const {
  // A copy carries the plain text and its colours, as the RTF the colouring stands for.
  QMimeData* mime = QsciScintilla::toMimeData(text, rectangular);
  const std::string rtf = TextToRtf(std::string_view(text.constData(), size_t(text.size())), palette_);
  mime->setData(QStringLiteral("text/rtf"), QByteArray(rtf.data(), qsizetype(rtf.size())));
  mime->setData(QStringLiteral("application/rtf"), QByteArray(rtf.data(), qsizetype(rtf.size())));
  return mime;
}

}  // namespace tessel::gui
