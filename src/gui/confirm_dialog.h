// The confirmation dialog: the confirmation before a run, with the message for the mode and selection and
// the check box that switches backups on or off.
#pragma once

#include <QDialog>

#include "app/session.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace tessel::gui {

struct Skin;

class ConfirmDialog : public QDialog {
  Q_OBJECT
 public:
  ConfirmDialog(const Skin& skin, QWidget* parent = nullptr);

  /// Prepares the dialog for `state` (caption, message, check box) without showing it.
  /// Ticking BackupBox sets state.DoCreateBackUps and settings.DoCreateBackUps at once and
  /// rebuilds the message.
  void Prepare(RunState& state, ProgramSettings& settings);
  /// Prepare, then shows the dialog modally; true for OK (Enter), false for Cancel (Esc).
  bool Confirm(RunState& state, ProgramSettings& settings);

  QPlainTextEdit* MessageView = nullptr;
  QCheckBox* BackupBox = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  void ShowMessageText();

  RunState* state_ = nullptr;
  ProgramSettings* settings_ = nullptr;
};

}  // namespace tessel::gui
