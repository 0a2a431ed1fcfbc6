#include "gui/file_list_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "gui/dialog_parts.h"
#include "gui/gui_text.h"
#include "gui/skin.h"

namespace tessel::gui {

FileListDialog::FileListDialog(const Skin& skin, QWidget* parent) : QDialog(parent) {
  ApplyDialogBackground(*this, skin);
  setWindowTitle("File List");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  FoundFiles = new QListWidget(this);
  // A click toggles one file: the list starts with every file selected, and a plain click
  // must not throw that away.
  FoundFiles->setSelectionMode(QAbstractItemView::MultiSelection);
  FoundFiles->setUniformItemSizes(true);  // tens of thousands of rows lay out at once
  FoundFiles->setMinimumSize(360, 200);

  SelectAllButton = new QPushButton("Select All", this);
  DeselectAllButton = new QPushButton("Deselect All", this);
  connect(SelectAllButton, &QPushButton::clicked, FoundFiles, &QListWidget::selectAll);
  connect(DeselectAllButton, &QPushButton::clicked, FoundFiles, &QListWidget::clearSelection);
  const OkCancel buttons = MakeOkCancel(*this);
  OkButton = buttons.Ok;
  CancelButton = buttons.Cancel;
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(SelectAllButton);
  row->addWidget(DeselectAllButton);
  row->addStretch(1);
  row->addWidget(OkButton);
  row->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FoundFiles, 1);
  layout->addLayout(row);
  resize(720, 480);
}

std::optional<std::vector<std::string>> FileListDialog::Choose(const TreeScanRequest& request) {
  const std::string& dir = request.Dir;
  dir_ = dir;
  while (dir_.size() > 1 && dir_.back() == '/') dir_.pop_back();
  scan_ = TreeScan{dir, {}, {}, false};
  closeWhenListed_ = false;
  FoundFiles->clear();
  for (QPushButton* b : {OkButton, SelectAllButton, DeselectAllButton}) b->setEnabled(false);
  setWindowTitle("Searching for files, please wait ...");

  QApplication::setOverrideCursor(Qt::WaitCursor);
  scanning_ = true;
  scanJob_.Start(
      [this, request](CancelToken& stop) { scan_ = ScanTree(request, &stop); },
      [this] { QMetaObject::invokeMethod(this, &FileListDialog::ScanDone, Qt::QueuedConnection); });

  const int result = exec();
  if (scanning_) {  // closed from outside while searching
    scanJob_.Cancel();
    FinishScan();
  }
  if (result != QDialog::Accepted) return std::nullopt;
  return SelectedFiles();
}

void FileListDialog::reject() {
  if (!scanning_) {
    QDialog::reject();
    return;
  }
  scanJob_.Cancel();
  if (sender() == CancelButton) closeWhenListed_ = true;
}

void FileListDialog::FinishScan() {
  scanJob_.Wait();
  scanning_ = false;
  QApplication::restoreOverrideCursor();
}

void FileListDialog::ScanDone() {
  if (!scanning_) return;
  FinishScan();
  if (closeWhenListed_) {
    QDialog::reject();
    return;
  }
  QStringList paths;
  paths.reserve(qsizetype(scan_.Files.size()));
  for (const std::string& file : scan_.Files) paths.append(PathToQ(file));
  // One insertion and one selection range: row by row, a big tree would take seconds.
  FoundFiles->setUpdatesEnabled(false);
  FoundFiles->addItems(paths);
  FoundFiles->selectAll();
  FoundFiles->setUpdatesEnabled(true);
  setWindowTitle(QString::number(paths.size()) + " valid HTML files found in: " + PathToQ(dir_) +
                 "/...");
  for (QPushButton* b : {OkButton, SelectAllButton, DeselectAllButton}) b->setEnabled(true);
  OkButton->setFocus();
  emit Listed();
}

std::vector<std::string> FileListDialog::SelectedFiles() const {
  // By selection ranges rather than by asking each row: a list of 20,000 stays quick.
  std::vector<bool> chosen(scan_.Files.size(), false);
  for (const QItemSelectionRange& range : FoundFiles->selectionModel()->selection()) {
    for (int r = range.top(); r <= range.bottom(); ++r) {
      if (r >= 0 && size_t(r) < chosen.size()) chosen[size_t(r)] = true;
    }
  }
  std::vector<std::string> files;
  for (size_t i = 0; i < chosen.size(); ++i) {
    if (chosen[i]) files.push_back(scan_.Files[i]);
  }
  return files;
}

}  // namespace tessel::gui
