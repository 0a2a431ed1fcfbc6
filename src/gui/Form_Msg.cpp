#include "gui/Form_Msg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextOption>
#include <QVBoxLayout>

#include "app/program_settings.h"
#include "batch/backups.h"
#include "batch/run_message.h"
#include "gui/dialog_parts.h"
#include "gui/gui_text.h"
#include "gui/skin.h"

namespace tessel::gui {

TFormMsg::TFormMsg(const Skin& skin, QWidget* parent) : QDialog(parent) {
  ApplyDialogBackground(*this, skin);
  MemoMsg = new QPlainTextEdit(this);
  MemoMsg->setReadOnly(true);
  MemoMsg->setFocusPolicy(Qt::NoFocus);  // Enter and Esc belong to the buttons
  MemoMsg->setUndoRedoEnabled(false);
  QTextOption centred(Qt::AlignHCenter);
  centred.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);  // long paths have no spaces
  MemoMsg->document()->setDefaultTextOption(centred);
  MemoMsg->setMinimumSize(420, 170);

  CBBackup = new QCheckBox("Create/overwrite existing Backup File(s)", this);
  connect(CBBackup, &QCheckBox::clicked, this, [this](bool on) {
    if (!state_ || !settings_) return;
    state_->DoCreateBackUps = on;
    settings_->DoCreateBackUps = on;
    MakeMsg();
  });

  const OkCancel buttons = MakeOkCancel(*this);
  BOK = buttons.Ok;
  BCancel = buttons.Cancel;
  connect(BOK, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MemoMsg, 1);
  layout->addWidget(CBBackup);
  layout->addLayout(buttons.Row());
  resize(520, 300);
}

void TFormMsg::Prepare(RunState& state, ProgramSettings& settings) {
  state_ = &state;
  settings_ = &settings;
  CBBackup->setChecked(state.DoCreateBackUps);
  CBBackup->setEnabled(state.ProcessMode != ProcessKind::Restore);
  MakeMsg();
  BOK->setFocus();
}

bool TFormMsg::Confirm(RunState& state, ProgramSettings& settings) {
  Prepare(state, settings);
  return exec() == QDialog::Accepted;
}

void TFormMsg::MakeMsg() {
  RunState& state = *state_;
  const RunMessage msg = tessel::MakeMsg(state, SiblingBackupPath(state, state.FileName),
                                         BackupExists(state), NextBackupDir(state));
  setWindowTitle(ToQ(msg.Caption));
  MemoMsg->setPlainText(ToQ(msg.Text));
}

}  // namespace tessel::gui
