// The search dialog: the modeless find-and-replace dialog of the editor.
#pragma once

#include <QDialog>

#include "editor/search_replace.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tessel::gui {

class SearchDialog : public QDialog {
  Q_OBJECT
 public:
  explicit SearchDialog(QWidget* parent = nullptr);

  /// Fills the fields (LastSearch, LastReplace) and shows the dialog without blocking.
  void Open(const QString& find, const QString& replace);
  QString FindText() const;
  QString ReplaceText() const;
  SearchOptions Options() const;

  QLineEdit* FindField = nullptr;
  QLineEdit* ReplaceField = nullptr;
  QCheckBox* WholeWordBox = nullptr;
  QCheckBox* MatchCaseBox = nullptr;
  QPushButton* FindNextButton = nullptr;
  QPushButton* ReplaceButton = nullptr;
  QPushButton* ReplaceAllButton = nullptr;
  QPushButton* CloseButton = nullptr;

 signals:
  /// A button asked to search: with `replace`, the match is replaced (all of them with `all`).
  void Search(bool replace, bool all);

 private:
  void UpdateButtons();
};

}  // namespace tessel::gui
