// The restore dialog: shows a backup's text before the single file is restored from it.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace tessel::gui {

struct Skin;

class RestoreDialog : public QDialog {
  Q_OBJECT
 public:
  RestoreDialog(const Skin& skin, QWidget* parent = nullptr);

  /// Caption "Restore from: " + '"' + backupPath + '"' + " ?", the backup's text in the
  /// read-only preview BackupView (no wrap, both scroll bars).
  void Prepare(const std::string& backupPath, const std::string& text);
  /// Prepare, then modal: true for OK (Enter), false for Cancel (Esc).
  bool Confirm(const std::string& backupPath, const std::string& text);

  QPlainTextEdit* BackupView = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;
};

}  // namespace tessel::gui
