// The new-style dialog: asks for the name under which the current settings become a new style.
// It lists the styles that exist and offers OK only for a usable name that is not one of
// them.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace tessel::gui {

struct Skin;

class NewStyleDialog : public QDialog {
  Q_OBJECT
 public:
  /// `styles`: the names of the styles that exist (the style list).
  NewStyleDialog(const std::vector<std::string>& styles, const Skin& skin,
                QWidget* parent = nullptr);

  /// The typed name made usable as a directory name; empty while it is not acceptable.
  const std::string& NewStyleName() const { return newStyleName_; }

  QListWidget* ExistingStyles = nullptr;
  QLineEdit* NameField = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  void NameChanged();

  std::vector<std::string> styles_;
  std::string newStyleName_;
};

}  // namespace tessel::gui
