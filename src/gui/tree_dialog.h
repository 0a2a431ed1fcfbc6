// The tree dialog. A list of places (home, "/", mounted volumes) in place of a
// drive box, the directory list, and the file type box.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QComboBox;
class QListView;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tessel {
class Session;
}

namespace tessel::gui {

struct Skin;
class DirectoryBrowser;

class TreeDialog : public QDialog {
  Q_OBJECT
 public:
  TreeDialog(Session& session, const Skin& skin, QWidget* parent = nullptr);

  /// Opens in the directory remembered under [PATHS] "Tree" (the data directory when that
  /// one is gone). A single click on a directory opens it. OK is enabled only below the
  /// file system's root; it stores the directory plus "/" under [PATHS] "Tree". The file
  /// type box sets state.FilterIndex.
  void Prepare();
  /// Prepare, then shows the dialog modally: the chosen directory (without a trailing "/"),
  /// or nothing on Cancel or Esc.
  std::optional<std::string> Choose();
  /// The directory the list shows, as the file system spells it.
  std::string CurrentDir() const;
  /// Opens `dir` in the directory list (tests and the places list use it).
  void OpenDir(const std::string& dir);

  QComboBox* Places = nullptr;  // the places
  QListView* Directories = nullptr;
  QComboBox* FileTypes = nullptr;
  QLineEdit* Location = nullptr;  // shows the current directory; another may be typed
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  Session& session_;
  DirectoryBrowser* browser_ = nullptr;
};

}  // namespace tessel::gui
