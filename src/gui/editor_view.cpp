#include "gui/editor_view.h"

#include <QFontDatabase>

namespace tessel::gui {

EditorView::EditorView(QWidget* parent) : QsciScintilla(parent) {
  // Scintilla takes the size in points: a font sized in pixels would come out tiny.
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(10);
  setFont(font);
  setWrapMode(WrapNone);
  setEolMode(EolWindows);  // a typed line break is CR LF, as every line end of the text
  setTabWidth(8);
  setIndentationsUseTabs(true);
  setMarginWidth(1, 0);  // no line-number margin
  SendScintilla(SCI_SETMARGINLEFT, 0, 4L);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
  SendScintilla(SCI_SETSCROLLWIDTH, 1);
}

void EditorView::SetDocument(const EditorText& text) {
  encoding_ = text.Encoding;
  const bool readOnly = isReadOnly();
  setReadOnly(false);
  setUtf8(text.Encoding == TextEncoding::Utf8);
  SendScintilla(SCI_SETUNDOCOLLECTION, 0);
  SendScintilla(SCI_CLEARALL);
  // By length, so that a NUL byte in the text does not end it.
  SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(text.Bytes.size()),
                text.Bytes.data());
  SendScintilla(SCI_SETUNDOCOLLECTION, 1);
  SendScintilla(SCI_EMPTYUNDOBUFFER);
  SendScintilla(SCI_SETSAVEPOINT);
  SendScintilla(SCI_GOTOPOS, 0);
  setReadOnly(readOnly);
}

std::string EditorView::Bytes() const {
  const long length = SendScintilla(SCI_GETLENGTH);
  const auto* data = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
  return data ? std::string(data, static_cast<size_t>(length)) : std::string();
}

bool EditorView::IsModified() const { return SendScintilla(SCI_GETMODIFY) != 0; }

void EditorView::MarkSaved() { SendScintilla(SCI_SETSAVEPOINT); }

void EditorView::ClearDocument() { SetDocument(EditorText{}); }

}  // namespace tessel::gui
