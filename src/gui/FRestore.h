// FormRestore: shows a backup's text before the single file is restored from it.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace tessel::gui {

struct Skin;

class TFormRestore : public QDialog {
  Q_OBJECT
 public:
  TFormRestore(const Skin& skin, QWidget* parent = nullptr);

  /// Caption "Restore from: " + '"' + backupPath + '"' + " ?", the backup's text in the
  /// read-only preview RERestore (no wrap, both scroll bars).
  void Prepare(const std::string& backupPath, const std::string& text);
  /// Prepare, then modal: true for OK (Enter), false for Cancel (Esc).
  bool Confirm(const std::string& backupPath, const std::string& text);

  QPlainTextEdit* RERestore = nullptr;
  QPushButton* BOK = nullptr;
  QPushButton* BCancel = nullptr;
};

}  // namespace tessel::gui
