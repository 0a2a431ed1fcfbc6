#include "gui/restore_dialog.h"

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

RestoreDialog::RestoreDialog(const Skin& skin, QWidget* parent) : QDialog(parent) {
  ApplyDialogBackground(*this, skin);
  setWindowTitle("Restore?");
  BackupView = new QPlainTextEdit(this);
  BackupView->setReadOnly(true);
  BackupView->setUndoRedoEnabled(false);
  BackupView->setLineWrapMode(QPlainTextEdit::NoWrap);
  BackupView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  BackupView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  BackupView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  BackupView->setMinimumSize(360, 200);

  const OkCancel buttons = MakeOkCancel(*this);
  OkButton = buttons.Ok;
  CancelButton = buttons.Cancel;
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BackupView, 1);
  layout->addLayout(buttons.Row());
  resize(720, 520);
}

void RestoreDialog::Prepare(const std::string& backupPath, const std::string& text) {
  setWindowTitle("Restore from: \"" + PathToQ(backupPath) + "\" ?");
  BackupView->setPlainText(DecodeForDisplay(text));
  BackupView->setFocus();
}

bool RestoreDialog::Confirm(const std::string& backupPath, const std::string& text) {
  Prepare(backupPath, text);
  return exec() == QDialog::Accepted;
}

}  // namespace tessel::gui
