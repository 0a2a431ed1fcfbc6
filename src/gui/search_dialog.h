// ReplaceDialog1: the modeless find-and-replace dialog of the editor.
#pragma once

#include <QDialog>

#include "editor/search_replace.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tessel::gui {

class ReplaceDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ReplaceDialog(QWidget* parent = nullptr);

  /// Fills the fields (LastSearch, LastReplace) and shows the dialog without blocking.
  void Open(const QString& find, const QString& replace);
  QString FindText() const;
  QString ReplaceText() const;
  SearchOptions Options() const;

  QLineEdit* EditFind = nullptr;
  QLineEdit* EditReplace = nullptr;
  QCheckBox* CBWholeWord = nullptr;
  QCheckBox* CBMatchCase = nullptr;
  QPushButton* BFindNext = nullptr;
  QPushButton* BReplace = nullptr;
  QPushButton* BReplaceAll = nullptr;
  QPushButton* BClose = nullptr;

 signals:
  /// A button asked to search: with `replace`, the match is replaced (all of them with `all`).
  void Search(bool replace, bool all);

 private:
  void UpdateButtons();
};

}  // namespace tessel::gui
