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

/// The backup's bytes as the editor would show them: every kind of line end a line break,
/// UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString DecodeForDisplay(const std::string& bytes) { return ToQ(ToEditorText(bytes).Bytes); }

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

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(RERestore, 1);
  layout->addLayout(buttons.Row());
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
