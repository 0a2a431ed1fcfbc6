#include "gui/Form_2.h"

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

TForm2::TForm2(Session& session, const Skin& skin, QWidget* parent)
    : QDialog(parent), session_(session) {
  ApplyDialogBackground(*this, skin);
  setWindowTitle("File List");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  ListBox1 = new QListWidget(this);
  // A click toggles one file: the list starts with every file selected, and a plain click
  // must not throw that away.
  ListBox1->setSelectionMode(QAbstractItemView::MultiSelection);
  ListBox1->setUniformItemSizes(true);  // tens of thousands of rows lay out at once
  ListBox1->setMinimumSize(360, 200);

  BSelect = new QPushButton("Select All", this);
  BDeselect = new QPushButton("Deselect All", this);
  connect(BSelect, &QPushButton::clicked, ListBox1, &QListWidget::selectAll);
  connect(BDeselect, &QPushButton::clicked, ListBox1, &QListWidget::clearSelection);
  const OkCancel buttons = MakeOkCancel(*this);
  BOK = buttons.Ok;
  BCancel = buttons.Cancel;
  connect(BOK, &QPushButton::clicked, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(BSelect);
  row->addWidget(BDeselect);
  row->addStretch(1);
  row->addWidget(BOK);
  row->addWidget(BCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ListBox1, 1);
  layout->addLayout(row);
  resize(720, 480);
}

TForm2::~TForm2() {
  if (worker_.joinable()) {
    session_.State().UserBreak = true;
    worker_.join();
    session_.State().UserBreak = false;
  }
}

std::optional<std::vector<std::string>> TForm2::Choose(const std::string& dir) {
  dir_ = dir;
  while (dir_.size() > 1 && dir_.back() == '/') dir_.pop_back();
  scan_ = TreeScan{dir, {}, {}, false};
  closeWhenListed_ = false;
  ListBox1->clear();
  for (QPushButton* b : {BOK, BSelect, BDeselect}) b->setEnabled(false);
  setWindowTitle("Searching for files, please wait ...");

  session_.State().UserBreak = false;  // a break left from before must not end this search
  QApplication::setOverrideCursor(Qt::WaitCursor);
  scanning_ = true;
  worker_ = std::thread([this, dir] {
    scan_ = session_.Driver().ScanTree(dir);
    QMetaObject::invokeMethod(this, &TForm2::ScanDone, Qt::QueuedConnection);
  });

  const int result = exec();
  if (scanning_) {  // closed from outside while searching
    session_.State().UserBreak = true;
    FinishScan();
  }
  if (result != QDialog::Accepted) return std::nullopt;
  return SelectedFiles();
}

void TForm2::reject() {
  if (!scanning_) {
    QDialog::reject();
    return;
  }
  session_.State().UserBreak = true;
  if (sender() == BCancel) closeWhenListed_ = true;
}

void TForm2::FinishScan() {
  if (worker_.joinable()) worker_.join();
  scanning_ = false;
  session_.State().UserBreak = false;
  QApplication::restoreOverrideCursor();
}

void TForm2::ScanDone() {
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
  ListBox1->setUpdatesEnabled(false);
  ListBox1->addItems(paths);
  ListBox1->selectAll();
  ListBox1->setUpdatesEnabled(true);
  setWindowTitle(QString::number(paths.size()) + " valid HTML files found in: " + PathToQ(dir_) +
                 "/...");
  for (QPushButton* b : {BOK, BSelect, BDeselect}) b->setEnabled(true);
  BOK->setFocus();
  emit Listed();
}

std::vector<std::string> TForm2::SelectedFiles() const {
  // By selection ranges rather than by asking each row: a list of 20,000 stays quick.
  std::vector<bool> chosen(scan_.Files.size(), false);
  for (const QItemSelectionRange& range : ListBox1->selectionModel()->selection()) {
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
