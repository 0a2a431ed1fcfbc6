// FormAddTag: asks for the name of a new tag rule, shows it normalised, refuses the names
// the engine handles itself or the style has already, and appends the new entry to the
// style's tag table. Writing the style is the options dialog's part.
#pragma once

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tessel {
struct Style;
}

namespace tessel::gui {

struct Skin;
class UserDialogs;

class TFormAddTag : public QDialog {
  Q_OBJECT
 public:
  TFormAddTag(Style& style, UserDialogs& dialogs, const Skin& skin, QWidget* parent = nullptr);

  /// "Add tag": the field shows the normalised tag; a tag that may be added is appended and
  /// the dialog closes with OK, else the refusal is shown and the dialog stays open.
  void BOKClick();

  QPlainTextEdit* Memo1 = nullptr;
  QLineEdit* ETag = nullptr;
  QPushButton* BOK = nullptr;
  QPushButton* BCancel = nullptr;

 private:
  Style& style_;
  UserDialogs& dialogs_;
};

}  // namespace tessel::gui
