// The add-tag dialog: asks for the name of a new tag rule, shows it normalised, refuses the names
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

class AddTagDialog : public QDialog {
  Q_OBJECT
 public:
  AddTagDialog(Style& style, UserDialogs& dialogs, const Skin& skin, QWidget* parent = nullptr);

  /// "Add tag": the field shows the normalised tag; a tag that may be added is appended and
  /// the dialog closes with OK, else the refusal is shown and the dialog stays open.
  void Add();

  QPlainTextEdit* Information = nullptr;
  QLineEdit* TagField = nullptr;
  QPushButton* AddButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  Style& style_;
  UserDialogs& dialogs_;
};

}  // namespace tessel::gui
