#include "gui/Form_file.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "app/session.h"
#include "app/window_rules.h"
#include "batch/backups.h"
#include "batch/discovery.h"
#include "gui/dialog_parts.h"
#include "gui/gui_text.h"
#include "gui/skin.h"
#include "gui/user_dialogs.h"

namespace tessel::gui {

/// The files of the listed directory that match the chosen type, as the tree scan matches
/// them (".html" and ".HTM" both pass "*.htm"; a backup "x.htm.pbak" does not). The way down
/// to the listed directory stays, or the list would have no root.
class FileTypeFilter : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

  void SetDir(const QString& dir) {
    dir_ = dir;
    invalidateFilter();
  }
  void SetType(int index) {
    type_ = index;
    invalidateFilter();
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    const auto* model = static_cast<const QFileSystemModel*>(sourceModel());
    if (model->filePath(parent) != dir_) return true;
    const QModelIndex index = model->index(row, 0, parent);
    return !model->isDir(index) && MatchesFilter(PathFromQ(model->fileName(index)), type_);
  }

 private:
  QString dir_;
  int type_ = 0;
};

namespace {

namespace fs = std::filesystem;

enum FileColumn { kName = 0, kSize = 1, kType = 2, kModified = 3 };

}  // namespace

TFormFile::TFormFile(Session& session, UserDialogs& dialogs, const Skin& skin, QWidget* parent)
    : QDialog(parent), session_(session), dialogs_(dialogs) {
  ApplyDialogBackground(*this, skin);
  Label1 = new QLabel(this);
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  Label2 = new QLabel("Filename:", this);
  EFName = new QLineEdit(this);
  Label2->setBuddy(EFName);

  browser_ = new DirectoryBrowser(*this);
  CBDrive = browser_->Places;
  LBDir = browser_->List;

  files_ = new QFileSystemModel(this);
  files_->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
  filter_ = new FileTypeFilter(this);
  filter_->setSourceModel(files_);
  LBFile = new QTreeView(this);
  LBFile->setModel(filter_);
  LBFile->setRootIsDecorated(false);
  LBFile->setItemsExpandable(false);
  LBFile->setUniformRowHeights(true);
  LBFile->setAllColumnsShowFocus(true);
  LBFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
  LBFile->setSelectionBehavior(QAbstractItemView::SelectRows);
  LBFile->hideColumn(kType);  // the type box says it already
  LBFile->header()->setSectionResizeMode(kName, QHeaderView::Stretch);
  LBFile->header()->setSectionResizeMode(kSize, QHeaderView::ResizeToContents);
  LBFile->header()->setSectionResizeMode(kModified, QHeaderView::ResizeToContents);
  LBFile->header()->setStretchLastSection(false);
  LBFile->setMinimumSize(320, 200);

  FilterComboBox1 = new QComboBox(this);
  // The type keeps for the program's life, as the tree dialog's does.
  FillFileTypes(*FilterComboBox1, session_.State().FileFilterIndex);
  filter_->SetType(FilterComboBox1->currentIndex());
  connect(FilterComboBox1, &QComboBox::currentIndexChanged, this, [this](int index) {
    session_.State().FileFilterIndex = index;
    filter_->SetType(index);
  });

  const OkCancel buttons = MakeOkCancel(*this);
  BOK = buttons.Ok;
  BCancel = buttons.Cancel;
  connect(BOK, &QPushButton::clicked, this, &TFormFile::Confirm);

  connect(browser_, &DirectoryBrowser::Opened, this, &TFormFile::ShowDir);
  connect(LBFile->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TFormFile::SelectionChanged);
  connect(LBFile, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
    if (!saveRole_ && index.isValid()) Confirm();
  });
  connect(EFName, &QLineEdit::textChanged, this, &TFormFile::UpdateCaption);

  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(Label2);
  nameRow->addWidget(EFName, 1);
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(browser_->Path, 1);
  pathRow->addWidget(browser_->Up);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch(1);
  buttonRow->addWidget(BOK);
  buttonRow->addWidget(BCancel);
  auto* grid = new QGridLayout;
  grid->addLayout(pathRow, 0, 1);
  grid->addWidget(LBFile, 1, 0);
  grid->addWidget(LBDir, 1, 1);
  grid->addWidget(FilterComboBox1, 2, 0);
  grid->addWidget(CBDrive, 2, 1);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
  grid->setRowStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addLayout(nameRow);
  layout->addLayout(grid, 1);
  layout->addLayout(buttonRow);
  resize(780, 500);
}

void TFormFile::PrepareSelection() {
  saveRole_ = false;
  save_ = nullptr;
  savedPath_.reset();
  selected_.clear();
  setWindowTitle("File Selection");
  Label1->setText("Select File(s):");
  BOK->setText("OK");
  Label2->hide();
  EFName->hide();
  LBFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
  browser_->Open(DialogStartDir(session_, session_.Settings().Multi));
  LBFile->clearSelection();
  SelectionChanged();
  LBFile->setFocus();
}

std::optional<std::vector<std::string>> TFormFile::SelectFiles() {
  PrepareSelection();
  if (exec() != QDialog::Accepted) return std::nullopt;
  return selected_;
}

void TFormFile::PrepareSave(const std::string& fileName,
                            std::function<bool(const std::string& path)> save) {
  saveRole_ = true;
  save_ = std::move(save);
  savedPath_.reset();
  selected_.clear();
  defaultName_ = fs::path(fileName).filename().string();
  Label1->setText("Save file as:");
  BOK->setText("SAVE");
  BOK->setEnabled(true);
  Label2->show();
  EFName->show();
  LBFile->setSelectionMode(QAbstractItemView::SingleSelection);
  EFName->setText(PathToQ(defaultName_));
  browser_->Open(DialogStartDir(session_, session_.Settings().Save));
  LBFile->clearSelection();
  UpdateCaption();
  EFName->setFocus();
}

std::optional<std::string> TFormFile::SaveAs(const std::string& fileName,
                                             std::function<bool(const std::string& path)> save) {
  PrepareSave(fileName, std::move(save));
  if (exec() != QDialog::Accepted) return std::nullopt;
  return savedPath_;
}

std::string TFormFile::CurrentDir() const { return PathFromQ(browser_->Dir()); }

void TFormFile::OpenDir(const std::string& dir) { browser_->Open(PathToQ(dir)); }

void TFormFile::SelectNames(const std::vector<std::string>& names) {
  const QDir dir(browser_->Dir());
  QItemSelection selection;
  QModelIndex last;
  for (const std::string& name : names) {
    // Looking a file up adds it to the model at once, before the listing has caught up.
    const QModelIndex index = filter_->mapFromSource(files_->index(dir.filePath(PathToQ(name))));
    if (!index.isValid()) continue;
    selection.select(index, index);
    last = index;
  }
  QItemSelectionModel* model = LBFile->selectionModel();
  model->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (last.isValid()) model->setCurrentIndex(last, QItemSelectionModel::NoUpdate);
}

void TFormFile::Confirm() {
  if (!BOK->isEnabled()) return;
  RunState& state = session_.State();
  const std::string dir = CurrentDir();
  std::string err;
  if (!saveRole_) {
    std::vector<std::string> paths = SelectedPaths();
    if (paths.empty()) return;
    // Two or more are each tested when the selection is taken over.
    if (paths.size() == 1 &&
        !IsValidHtmlFile(paths[0], state.DoValidate, state.CmdLineMode != CmdLineKind::None)) {
      QApplication::beep();
      dialogs_.Message(this, MessageKind::Error,
                       "Invalid file: \"\r\n" + paths[0] + "\r\n\"No <HTML> Tag inside!");
      return;
    }
    selected_ = std::move(paths);
    session_.RememberPath("Multi", WithTrailingSeparator(dir), &err);
    accept();
    return;
  }

  // A name inside the listed directory, or a path of its own ("/...", "~/...").
  const std::optional<std::string> typed =
      TypedPath(dir, PathFromQ(EFName->text()), PathFromQ(QDir::homePath()));
  if (!typed) return;
  const std::string& path = *typed;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (fs::is_directory(status)) {  // a folder typed: show it
    browser_->Open(PathToQ(path));
    EFName->setText(PathToQ(defaultName_));
    return;
  }
  if (fs::exists(status) &&
      !dialogs_.YesNo(this, "File exists:\r\n" + path + "\r\n\r\nOverwrite? \r\n")) {
    return;
  }
  // The owner of `save` tells the user why a path could not be written.
  if (!save_ || !save_(path)) return;
  session_.RememberPath("Save", fs::path(path).parent_path().string(), &err);
  savedPath_ = path;
  accept();
}

void TFormFile::ShowDir(const QString& dir) {
  filter_->SetDir(dir);
  files_->setRootPath(dir);
  LBFile->setRootIndex(filter_->mapFromSource(files_->index(dir)));
  UpdateCaption();
}

void TFormFile::SelectionChanged() {
  const bool any = !LBFile->selectionModel()->selectedRows(kName).isEmpty();
  if (!saveRole_) {
    BOK->setEnabled(any);
    return;
  }
  const std::vector<std::string> paths = SelectedPaths();
  EFName->setText(paths.empty() ? PathToQ(defaultName_)
                                : PathToQ(fs::path(paths.front()).filename().string()));
}

void TFormFile::UpdateCaption() {
  if (!saveRole_) return;
  setWindowTitle(ToQ(SaveAsCaption(PathFromQ(browser_->Dir()), PathFromQ(EFName->text()),
                                   PathFromQ(QDir::homePath()))));
}

std::vector<std::string> TFormFile::SelectedPaths() const {
  QModelIndexList rows = LBFile->selectionModel()->selectedRows(kName);
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<std::string> paths;
  for (const QModelIndex& row : rows) {
    paths.push_back(PathFromQ(files_->filePath(filter_->mapToSource(row))));
  }
  return paths;
}

}  // namespace tessel::gui
