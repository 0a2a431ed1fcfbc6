// The file dialog, in two roles: picking one or more files for a selection, and
// "Save file as:" for the editor.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTreeView;

namespace tessel {
class Session;
}

namespace tessel::gui {

struct Skin;
class UserDialogs;
class DirectoryBrowser;
class FileTypeFilter;

class FileDialog : public QDialog {
  Q_OBJECT
 public:
  FileDialog(Session& session, UserDialogs& dialogs, const Skin& skin, QWidget* parent = nullptr);

  /// Selection role: caption "File Selection", heading "Select File(s):", several files may
  /// be selected, the name field hidden. Opens in [PATHS] "Multi" (the data directory when
  /// that one is gone).
  void PrepareSelection();
  /// PrepareSelection, then modal: the selected files as full paths, or nothing. With one
  /// file selected it must pass the acceptance test, else the "Invalid file:" box shows and
  /// the dialog stays open.
  std::optional<std::vector<std::string>> SelectFiles();

  /// Save role: heading "Save file as:", OK captioned "SAVE", one file, the name field
  /// filled with the name part of `fileName`; opens in [PATHS] "Save". The caption follows
  /// the name and directory: "Save file as: " + '"' + dir + "/" + name + '"'.
  void PrepareSave(const std::string& fileName,
                   std::function<bool(const std::string& path)> save);
  /// PrepareSave, then modal: on SAVE the path (directory + name trimmed of blanks) is
  /// asked about when it exists ("File exists: ... Overwrite?"), written by `save`, and
  /// remembered under [PATHS] "Save"; the path saved to, or nothing.
  std::optional<std::string> SaveAs(const std::string& fileName,
                                    std::function<bool(const std::string& path)> save);

  /// The directory the lists show.
  std::string CurrentDir() const;
  void OpenDir(const std::string& dir);
  /// Selects the named files of the current directory in the file list.
  void SelectNames(const std::vector<std::string>& names);
  /// The OK button's action (tests press it through this or OkButton).
  void Confirm();

  QLabel* Heading = nullptr;  // heading
  QLabel* NameLabel = nullptr;  // "Filename:"
  QComboBox* Places = nullptr;
  QListView* Directories = nullptr;
  QTreeView* Files = nullptr;
  QComboBox* FileTypes = nullptr;
  QLineEdit* NameField = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  void ShowDir(const QString& dir);
  void SelectionChanged();
  void UpdateCaption();
  std::vector<std::string> SelectedPaths() const;

  Session& session_;
  UserDialogs& dialogs_;
  DirectoryBrowser* browser_ = nullptr;
  QFileSystemModel* files_ = nullptr;
  FileTypeFilter* filter_ = nullptr;
  bool saveRole_ = false;
  std::string defaultName_;
  std::function<bool(const std::string&)> save_;
  std::optional<std::string> savedPath_;
  std::vector<std::string> selected_;
};

}  // namespace tessel::gui
