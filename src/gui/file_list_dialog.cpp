#include "gui/file_list_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "app/session.h"
#include "gui/dialog_parts.h"
#include "gui/gui_text.h"
#include "gui/skin.h"

namespace tessel::gui {

FileListDialog::FileListDialog(Session& session, const Skin& skin, QWidget* parent)
    : QDialog(parent), session_(session) {
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

FileListDialog::~FileListDialog() {
  if (worker_.joinable()) {
    session_.State().UserBreak = true;
    worker_.join();
    session_.State().UserBreak = false;
  }
}

std::optional<std::vector<std::string>> FileListDialog::Choose(const std::string& dir) {
  dir_ = dir;
  while (dir_.size() > 1 && dir_.back() == '/') dir_.pop_back();
  scan_ = TreeScan{dir, {}, {}, false};
  closeWhenListed_ = false;
  FoundFiles->clear();
  for (QPushButton* b : {OkButton, SelectAllButton, DeselectAllButton}) b->setEnabled(false);
  setWindowTitle("Searching for files, please wait ...");

  session_.State().UserBreak = false;  // a break left from before must not end this search
  QApplication::setOverrideCursor(Qt::WaitCursor);
  scanning_ = true;
  worker_ = std::thread([this, dir] {
    scan_ = session_.Driver().ScanTree(dir);
    QMetaObject::invokeMethod(this, &FileListDialog::ScanDone, Qt::QueuedConnection);
  });

  const int result = exec();
  if (scanning_) {  // closed from outside while searching
    session_.State().UserBreak = true;
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
  session_.State().UserBreak = true;
  if (sender() == CancelButton) closeWhenListed_ = true;
}

void FileListDialog::FinishScan() {
  if (worker_.joinable()) worker_.join();
  scanning_ = false;
  session_.State().UserBreak = false;
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
