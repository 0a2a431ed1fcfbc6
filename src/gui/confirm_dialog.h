// The confirmation dialog: the confirmation before a run, with the message for the mode and
// selection and the check box that switches backups on or off.
#pragma once

#include <QDialog>
#include <set>
#include <string>
#include <vector>

#include "app/session.h"
#include "gui/preview_dialog.h"

class QCheckBox;
class QLabel;
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
  /// Offers the preview of a Format, Compress or Trim run (PreviewButton, Alt+P), made by
  /// `make`. Files left out there are taken out of state.FileList when the preview closes;
  /// OK stays disabled while no file is left to run.
  void OfferPreview(PreviewDialog::PreviewMaker make) { makePreview_ = std::move(make); }
  /// Opens the preview (what PreviewButton does).
  void ShowPreview();

  QPlainTextEdit* MessageView = nullptr;
  QCheckBox* BackupBox = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* PreviewButton = nullptr;  // "Preview..." (Alt+P)
  QLabel* LeftOutNote = nullptr;         // how many files the preview left out

 private:
  void ShowMessageText();

  const Skin& skin_;
  RunState* state_ = nullptr;
  ProgramSettings* settings_ = nullptr;
  PreviewDialog::PreviewMaker makePreview_;
  std::vector<std::string> allFiles_;  // the run's files before any was left out
  std::set<std::string> leftOut_;
};

}  // namespace tessel::gui
