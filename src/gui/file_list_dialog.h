// The file list dialog: the file list of a tree selection. Scans the tree, lists every file found
// selected, and lets the user deselect some before OK.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "window_model/background_job.h"

class QListWidget;
class QPushButton;

namespace tessel::gui {

struct Skin;

class FileListDialog : public QDialog {
  Q_OBJECT
 public:
  FileListDialog(const Skin& skin, QWidget* parent = nullptr);

  /// Shows the dialog modally and scans the tree `request` names off the window's thread
  /// (caption "Searching for files, please wait ..."; Esc stops the scan). Then every file
  /// found is listed and selected, and the caption reads N + " valid HTML files found in: "
  /// + dir + "/...". OK: the selected files in list order; nothing on Cancel.
  std::optional<std::vector<std::string>> Choose(const TreeScanRequest& request);
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

  TreeScan scan_;
  std::string dir_;
  bool scanning_ = false;
  bool closeWhenListed_ = false;
  BackgroundJob scanJob_;  // last: stopped and waited for first
};

}  // namespace tessel::gui
