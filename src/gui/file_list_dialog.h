// The file list dialog: the file list of a tree selection. Scans the tree, lists every file found
// selected, and lets the user deselect some before OK.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "batch/run_driver.h"

class QListWidget;
class QPushButton;

namespace tessel {
class Session;
}

namespace tessel::gui {

struct Skin;

class FileListDialog : public QDialog {
  Q_OBJECT
 public:
  FileListDialog(Session& session, const Skin& skin, QWidget* parent = nullptr);
  ~FileListDialog() override;

  /// Shows the dialog modally and scans `dir` off the window's thread (caption
  /// "Searching for files, please wait ..."; Esc stops the scan through UserBreak). Then
  /// every file found is listed and selected, and the caption reads N + " valid HTML files
  /// found in: " + dir + "/...". OK: the selected files in list order; nothing on Cancel.
  std::optional<std::vector<std::string>> Choose(const std::string& dir);
  /// The scan as it ended (for the protocol's lines on directories that were not searched).
  const TreeScan& Scan() const { return scan_; }

  QListWidget* FoundFiles = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* SelectAllButton = nullptr;    // "Select All"
  QPushButton* DeselectAllButton = nullptr;  // "Deselect All"

 signals:
  /// The scan is over and the list is filled (tests wait for it).
  void Listed();

 public slots:
  /// Esc while the search runs stops it and lists what was found; Cancel also closes.
  void reject() override;

 private:
  void ScanDone();
  void FinishScan();
  std::vector<std::string> SelectedFiles() const;

  Session& session_;
  TreeScan scan_;
  std::string dir_;
  std::thread worker_;
  bool scanning_ = false;
  bool closeWhenListed_ = false;
};

}  // namespace tessel::gui
