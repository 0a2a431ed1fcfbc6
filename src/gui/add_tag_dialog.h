// The add-tag dialog: asks for the name of a new tag rule, shows it normalised, and refuses
// the names the engine handles itself or the style has already. Adding it to the style is
// the options dialog's part.
#pragma once

#include <QDialog>
#include <string>

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
  AddTagDialog(const Style& style, UserDialogs& dialogs, const Skin& skin,
               QWidget* parent = nullptr);

  /// "Add tag": the field shows the normalised tag; a tag that may be added closes the
  /// dialog with OK, else the refusal is shown and the dialog stays open.
  void Add();
  /// The tag accepted, normalised.
  const std::string& NewTag() const { return newTag_; }

  QPlainTextEdit* Information = nullptr;
  QLineEdit* TagField = nullptr;
  QPushButton* AddButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  const Style& style_;
  UserDialogs& dialogs_;
  std::string newTag_;
};

}  // namespace tessel::gui
