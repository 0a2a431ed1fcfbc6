#include "gui/confirm_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextOption>
#include <QVBoxLayout>

#include "gui/dialog_parts.h"
#include "gui/gui_text.h"
#include "gui/skin.h"
#include "window_model/window_rules.h"

namespace tessel::gui {

ConfirmDialog::ConfirmDialog(const Skin& skin, QWidget* parent) : QDialog(parent), skin_(skin) {
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
  PreviewButton = new QPushButton("&Preview...", this);
  PreviewButton->setAutoDefault(false);  // Enter stays OK
  PreviewButton->setToolTip("<Alt+P>: What the run would change, file by file; nothing is written");
  connect(PreviewButton, &QPushButton::clicked, this, &ConfirmDialog::ShowPreview);
  LeftOutNote = new QLabel(this);
  LeftOutNote->setAlignment(Qt::AlignHCenter);

  QHBoxLayout* row = buttons.Row();
  row->insertWidget(0, PreviewButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MessageView, 1);
  layout->addWidget(LeftOutNote);
  layout->addWidget(BackupBox);
  layout->addLayout(row);
  resize(520, 300);
}

void ConfirmDialog::Prepare(RunState& state, ProgramSettings& settings) {
  state_ = &state;
  settings_ = &settings;
  BackupBox->setChecked(state.DoCreateBackUps);
  BackupBox->setEnabled(state.ProcessMode != ProcessKind::Restore);
  allFiles_ = state.FileList;
  leftOut_.clear();
  PreviewButton->setVisible(makePreview_ && state.ProcessMode != ProcessKind::Restore &&
                            state.SelectionMode != SelectionKind::None);
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
  const size_t out = leftOut_.size();
  LeftOutNote->setText(out == 0 ? QString()
                                : QString::number(out) + (out == 1 ? " file is" : " files are") +
                                      " left out of this run (see Preview).");
  LeftOutNote->setVisible(out > 0);
  // A batch with every file left out has nothing to run.
  OkButton->setEnabled(state_->SelectionMode == SelectionKind::SingleFile ||
                       !state_->FileList.empty());
}

void ConfirmDialog::ShowPreview() {
  if (!state_ || !makePreview_ || PreviewButton->isHidden()) return;
  // The preview lists every file of the selection, those left out before unticked.
  std::swap(state_->FileList, allFiles_);
  const std::vector<PreviewTarget> targets = PreviewTargetsOf(*state_);
  std::swap(state_->FileList, allFiles_);
  PreviewDialog preview(skin_, this);
  std::string err;
  const bool batch = state_->SelectionMode != SelectionKind::SingleFile;
  if (!preview.Show(ConfirmationOf(*state_).Caption, makePreview_, targets, batch, leftOut_,
                    &err)) {
    QMessageBox::critical(this, windowTitle(), ToQ(err));
    return;
  }
  if (batch) state_->FileList = FilesKept(allFiles_, leftOut_);
  ShowMessageText();
  OkButton->setFocus();
}

}  // namespace tessel::gui
