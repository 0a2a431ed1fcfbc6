#include "gui/FRestore.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/editor_text.h"
#include "gui/dialog_parts.h"
#include "gui/gui_text.h"
#include "gui/skin.h"

namespace tessel::gui {
namespace {

// Windows-1252 at 0x80..0x9F; the other bytes are the Latin-1 code points. The unused
// positions keep their C1 value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

/// The backup's bytes as the editor would show them: every kind of line end a line break,
/// UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString DecodeForDisplay(const std::string& bytes) {
  const EditorText editorText = ToEditorText(bytes);
  if (editorText.Encoding == TextEncoding::Utf8) return ToQ(editorText.Bytes);
  QString text;
  text.reserve(qsizetype(editorText.Bytes.size()));
  for (const char c : editorText.Bytes) {
    const auto b = static_cast<unsigned char>(c);
    text += QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
  }
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

}  // namespace

TFormRestore::TFormRestore(const Skin& skin, QWidget* parent) : QDialog(parent) {
  ApplyDialogBackground(*this, skin);
  setWindowTitle("Restore?");
  RERestore = new QPlainTextEdit(this);
  RERestore->setReadOnly(true);
  RERestore->setUndoRedoEnabled(false);
  RERestore->setLineWrapMode(QPlainTextEdit::NoWrap);
  RERestore->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RERestore->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RERestore->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  RERestore->setMinimumSize(360, 200);

  const OkCancel buttons = MakeOkCancel(*this);
  BOK = buttons.Ok;
  BCancel = buttons.Cancel;
  connect(BOK, &QPushButton::clicked, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(BOK);
  row->addWidget(BCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(RERestore, 1);
  layout->addLayout(row);
  resize(720, 520);
}

void TFormRestore::Prepare(const std::string& backupPath, const std::string& text) {
  setWindowTitle("Restore from: \"" + PathToQ(backupPath) + "\" ?");
  RERestore->setPlainText(DecodeForDisplay(text));
  RERestore->setFocus();
}

bool TFormRestore::Confirm(const std::string& backupPath, const std::string& text) {
  Prepare(backupPath, text);
  return exec() == QDialog::Accepted;
}

}  // namespace tessel::gui
