#include "gui/confirm_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextOption>
#include <QVBoxLayout>

#include "gui/dialog_parts.h"
#include "gui/gui_text.h"
#include "gui/skin.h"
#include "window_model/window_rules.h"

namespace tessel::gui {

ConfirmDialog::ConfirmDialog(const Skin& skin, QWidget* parent) : QDialog(parent) {
  ApplyDialogBackground(*this, skin);
  MessageView = new QPlainTextEdit(this);
  MessageView->setReadOnly(true);
  MessageView->setFocusPolicy(Qt::NoFocus);  // Enter and Esc belong to the buttons
  MessageView->setUndoRedoEnabled(false);
  QTextOption centred(Qt::AlignHCenter);
  centred.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);  // long paths have no spaces
  MessageView->document()->setDefaultTextOption(centred);
  MessageView->setMinimumSize(420, 170);

  BackupBox = new QCheckBox("Create/overwrite existing Backup File(s)", this);
  connect(BackupBox, &QCheckBox::clicked, this, [this](bool on) {
    if (!state_ || !settings_) return;
    SetBackups(*state_, *settings_, on);
    ShowMessageText();
  });

  const OkCancel buttons = MakeOkCancel(*this);
  OkButton = buttons.Ok;
  CancelButton = buttons.Cancel;
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MessageView, 1);
  layout->addWidget(BackupBox);
  layout->addLayout(buttons.Row());
  resize(520, 300);
}

void ConfirmDialog::Prepare(RunState& state, ProgramSettings& settings) {
  state_ = &state;
  settings_ = &settings;
  BackupBox->setChecked(state.DoCreateBackUps);
  BackupBox->setEnabled(state.ProcessMode != ProcessKind::Restore);
  ShowMessageText();
  OkButton->setFocus();
}

bool ConfirmDialog::Confirm(RunState& state, ProgramSettings& settings) {
  Prepare(state, settings);
  return exec() == QDialog::Accepted;
}

void ConfirmDialog::ShowMessageText() {
  const RunMessage msg = ConfirmationOf(*state_);
  setWindowTitle(ToQ(msg.Caption));
  MessageView->setPlainText(ToQ(msg.Text));
}

}  // namespace tessel::gui
