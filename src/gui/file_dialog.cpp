#include "gui/file_dialog.h"

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

#include "gui/dialog_parts.h"
#include "gui/gui_text.h"
#include "gui/skin.h"
#include "gui/user_dialogs.h"
#include "window_model/window_rules.h"

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
    return !model->isDir(index) && ListsFile(PathFromQ(model->fileName(index)), type_);
  }

 private:
  QString dir_;
  int type_ = 0;
};

namespace {

namespace fs = std::filesystem;

enum FileColumn { kName = 0, kSize = 1, kType = 2, kModified = 3 };

}  // namespace

FileDialog::FileDialog(Session& session, UserDialogs& dialogs, const Skin& skin, QWidget* parent)
    : QDialog(parent), session_(session), dialogs_(dialogs) {
  ApplyDialogBackground(*this, skin);
  Heading = new QLabel(this);
  QFont bold = Heading->font();
  bold.setBold(true);
  Heading->setFont(bold);
  NameLabel = new QLabel("Filename:", this);
  NameField = new QLineEdit(this);
  NameLabel->setBuddy(NameField);

  browser_ = new DirectoryBrowser(*this);
  Places = browser_->Places;
  Directories = browser_->List;

  files_ = new QFileSystemModel(this);
  files_->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
  filter_ = new FileTypeFilter(this);
  filter_->setSourceModel(files_);
  Files = new QTreeView(this);
  Files->setModel(filter_);
  Files->setRootIsDecorated(false);
  Files->setItemsExpandable(false);
  Files->setUniformRowHeights(true);
  Files->setAllColumnsShowFocus(true);
  Files->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Files->setSelectionBehavior(QAbstractItemView::SelectRows);
  Files->hideColumn(kType);  // the type box says it already
  Files->header()->setSectionResizeMode(kName, QHeaderView::Stretch);
  Files->header()->setSectionResizeMode(kSize, QHeaderView::ResizeToContents);
  Files->header()->setSectionResizeMode(kModified, QHeaderView::ResizeToContents);
  Files->header()->setStretchLastSection(false);
  Files->setMinimumSize(320, 200);

  FileTypes = new QComboBox(this);
  // The type keeps for the program's life, as the tree dialog's does.
  FillFileTypes(*FileTypes, session_.State().FileFilterIndex);
  filter_->SetType(FileTypes->currentIndex());
  connect(FileTypes, &QComboBox::currentIndexChanged, this, [this](int index) {
    session_.State().FileFilterIndex = index;
    filter_->SetType(index);
  });

  const OkCancel buttons = MakeOkCancel(*this);
  OkButton = buttons.Ok;
  CancelButton = buttons.Cancel;
  connect(OkButton, &QPushButton::clicked, this, &FileDialog::Confirm);

  connect(browser_, &DirectoryBrowser::Opened, this, &FileDialog::ShowDir);
  connect(Files->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &FileDialog::SelectionChanged);
  connect(Files, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
    if (!saveRole_ && index.isValid()) Confirm();
  });
  connect(NameField, &QLineEdit::textChanged, this, &FileDialog::UpdateCaption);

  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(NameLabel);
  nameRow->addWidget(NameField, 1);
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(browser_->Path, 1);
  pathRow->addWidget(browser_->Up);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch(1);
  buttonRow->addWidget(OkButton);
  buttonRow->addWidget(CancelButton);
  auto* grid = new QGridLayout;
  grid->addLayout(pathRow, 0, 1);
  grid->addWidget(Files, 1, 0);
  grid->addWidget(Directories, 1, 1);
  grid->addWidget(FileTypes, 2, 0);
  grid->addWidget(Places, 2, 1);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
  grid->setRowStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Heading);
  layout->addLayout(nameRow);
  layout->addLayout(grid, 1);
  layout->addLayout(buttonRow);
  resize(780, 500);
}

void FileDialog::PrepareSelection() {
  saveRole_ = false;
  save_ = nullptr;
  savedPath_.reset();
  selected_.clear();
  setWindowTitle("File Selection");
  Heading->setText("Select File(s):");
  OkButton->setText("OK");
  NameLabel->hide();
  NameField->hide();
  Files->setSelectionMode(QAbstractItemView::ExtendedSelection);
  browser_->Open(DialogStartDir(session_, session_.Settings().Multi));
  Files->clearSelection();
  SelectionChanged();
  Files->setFocus();
}

std::optional<std::vector<std::string>> FileDialog::SelectFiles() {
  PrepareSelection();
  if (exec() != QDialog::Accepted) return std::nullopt;
  return selected_;
}

void FileDialog::PrepareSave(const std::string& fileName,
                            std::function<bool(const std::string& path)> save) {
  saveRole_ = true;
  save_ = std::move(save);
  savedPath_.reset();
  selected_.clear();
  defaultName_ = fs::path(fileName).filename().string();
  Heading->setText("Save file as:");
  OkButton->setText("SAVE");
  OkButton->setEnabled(true);
  NameLabel->show();
  NameField->show();
  Files->setSelectionMode(QAbstractItemView::SingleSelection);
  NameField->setText(PathToQ(defaultName_));
  browser_->Open(DialogStartDir(session_, session_.Settings().Save));
  Files->clearSelection();
  UpdateCaption();
  NameField->setFocus();
}

std::optional<std::string> FileDialog::SaveAs(const std::string& fileName,
                                             std::function<bool(const std::string& path)> save) {
  PrepareSave(fileName, std::move(save));
  if (exec() != QDialog::Accepted) return std::nullopt;
  return savedPath_;
}

std::string FileDialog::CurrentDir() const { return PathFromQ(browser_->Dir()); }

void FileDialog::OpenDir(const std::string& dir) { browser_->Open(PathToQ(dir)); }

void FileDialog::SelectNames(const std::vector<std::string>& names) {
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
  QItemSelectionModel* model = Files->selectionModel();
  model->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (last.isValid()) model->setCurrentIndex(last, QItemSelectionModel::NoUpdate);
}

void FileDialog::Confirm() {
  if (!OkButton->isEnabled()) return;
  const std::string dir = CurrentDir();
  std::string err;
  if (!saveRole_) {
    std::vector<std::string> paths = SelectedPaths();
    if (paths.empty()) return;
    // Two or more are each tested when the selection is taken over.
    if (paths.size() == 1 && !AcceptsPickedFile(paths[0], session_.State())) {
      QApplication::beep();
      dialogs_.Message(this, MessageKind::Error,
                       "Invalid file: \"\r\n" + paths[0] + "\r\n\"No <HTML> Tag inside!");
      return;
    }
    selected_ = std::move(paths);
    session_.RememberPath("Multi", AsDirectoryPath(dir), &err);
    accept();
    return;
  }

  // A name inside the listed directory, or a path of its own ("/...", "~/...").
  const std::optional<std::string> typed =
      TypedPath(dir, PathFromQ(NameField->text()), PathFromQ(QDir::homePath()));
  if (!typed) return;
  const std::string& path = *typed;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (fs::is_directory(status)) {  // a folder typed: show it
    browser_->Open(PathToQ(path));
    NameField->setText(PathToQ(defaultName_));
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

void FileDialog::ShowDir(const QString& dir) {
  filter_->SetDir(dir);
  files_->setRootPath(dir);
  Files->setRootIndex(filter_->mapFromSource(files_->index(dir)));
  UpdateCaption();
}

void FileDialog::SelectionChanged() {
  const bool any = !Files->selectionModel()->selectedRows(kName).isEmpty();
  if (!saveRole_) {
    OkButton->setEnabled(any);
    return;
  }
  const std::vector<std::string> paths = SelectedPaths();
  NameField->setText(paths.empty() ? PathToQ(defaultName_)
                                : PathToQ(fs::path(paths.front()).filename().string()));
}

void FileDialog::UpdateCaption() {
  if (!saveRole_) return;
  setWindowTitle(ToQ(SaveAsCaption(PathFromQ(browser_->Dir()), PathFromQ(NameField->text()),
                                   PathFromQ(QDir::homePath()))));
}

std::vector<std::string> FileDialog::SelectedPaths() const {
  QModelIndexList rows = Files->selectionModel()->selectedRows(kName);
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<std::string> paths;
  for (const QModelIndex& row : rows) {
    paths.push_back(PathFromQ(files_->filePath(filter_->mapToSource(row))));
  }
  return paths;
}

}  // namespace tessel::gui
