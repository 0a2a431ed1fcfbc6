#include "gui/dialog_parts.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QStorageInfo>
#include <QStyle>
#include <QToolButton>
#include <functional>

#include "gui/gui_text.h"
#include "window_model/window_rules.h"

namespace tessel::gui {
namespace {

/// The current directory, where a directory may also be typed: an absolute path, "~/...",
/// or a name inside the one shown. Enter opens it; it does not press the dialog's button.
class LocationField : public QLineEdit {
 public:
  LocationField(QWidget* parent, std::function<bool(const QString&)> open)
      : QLineEdit(parent), open_(std::move(open)) {
    setToolTip("The directory shown; type another one and press Enter");
  }
  void SetPath(const QString& path) {
    dir_ = path;
    setText(path);
    setCursorPosition(int(path.size()));  // the directory's own name in sight
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
      QLineEdit::keyPressEvent(event);
      return;
    }
    event->accept();
    const std::optional<std::string> typed =
        TypedPath(PathFromQ(dir_), PathFromQ(text()), PathFromQ(QDir::homePath()));
    if (!typed || !open_(PathToQ(*typed))) {
      QApplication::beep();
      SetPath(dir_);
    }
  }

 private:
  std::function<bool(const QString&)> open_;
  QString dir_;
};

bool IsBelow(const QString& dir, const QString& place) {
  return place == QLatin1String("/") || dir == place || dir.startsWith(place + '/');
}

}  // namespace

QHBoxLayout* OkCancel::Row() const {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(Ok);
  row->addWidget(Cancel);
  return row;
}

OkCancel MakeOkCancel(QDialog& dialog, const QString& okCaption) {
  QStyle* style = dialog.style();
  auto* ok = new QPushButton(style->standardIcon(QStyle::SP_DialogOkButton), okCaption, &dialog);
  auto* cancel =
      new QPushButton(style->standardIcon(QStyle::SP_DialogCancelButton), "Cancel", &dialog);
  ok->setDefault(true);
  ok->setMinimumWidth(90);
  cancel->setMinimumWidth(90);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  return {ok, cancel};
}

void FillFileTypes(QComboBox& box, int index) {
  box.clear();
  for (const FileType& type : kFileTypes) {
    box.addItem(ToQ(type.Label));
    box.setItemData(box.count() - 1, ToQ(type.Mask), Qt::ToolTipRole);
  }
  box.setCurrentIndex(index >= 0 && index < box.count() ? index : 0);
}

QString DialogStartDir(const Session& session, const std::string& remembered) {
  return PathToQ(tessel::DialogStartDir(session, remembered, PathFromQ(QDir::homePath())));
}

DirectoryBrowser::DirectoryBrowser(QDialog& dialog) : QObject(&dialog) {
  Places = new QComboBox(&dialog);
  Places->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  Places->setMinimumContentsLength(16);
  List = new QListView(&dialog);
  Up = new QToolButton(&dialog);
  Up->setIcon(dialog.style()->standardIcon(QStyle::SP_FileDialogToParent));
  Up->setToolTip("Up to the parent directory (Backspace)");
  auto* path = new LocationField(&dialog, [this](const QString& dir) { return Open(dir); });
  Path = path;

  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
  List->setModel(model_);
  List->setUniformItemSizes(true);
  List->setEditTriggers(QAbstractItemView::NoEditTriggers);
  List->setMinimumSize(200, 160);

  FillPlaces();
  connect(Places, &QComboBox::activated, this,
          [this](int row) { Open(Places->itemData(row).toString()); });
  connect(List, &QListView::clicked, this, [this](const QModelIndex& index) {
    // The second click of a double click lands in the directory just opened; it must not
    // open a directory of that one as well.
    if (lastClickOpen_.isValid() && lastClickOpen_.elapsed() < QApplication::doubleClickInterval())
      return;
    if (Open(model_->filePath(index))) lastClickOpen_.start();
  });
  auto up = [this] {
    if (dir_ != QLatin1String("/")) Open(QFileInfo(dir_).absolutePath());
  };
  connect(Up, &QToolButton::clicked, this, up);
  auto* back = new QShortcut(QKeySequence(Qt::Key_Backspace), List);
  back->setContext(Qt::WidgetShortcut);
  connect(back, &QShortcut::activated, this, up);
  connect(this, &DirectoryBrowser::Opened, path, &LocationField::SetPath);
}

bool DirectoryBrowser::Open(const QString& dir) {
  const QFileInfo info(dir);
  if (dir.isEmpty() || !info.isDir()) return false;
  dir_ = QDir::cleanPath(info.absoluteFilePath());
  model_->setRootPath(dir_);
  List->setRootIndex(model_->index(dir_));
  Up->setEnabled(dir_ != QLatin1String("/"));
  ShowPlace();
  emit Opened(dir_);
  return true;
}

void DirectoryBrowser::FillPlaces() {
  QStyle* style = Places->style();
  const QString home = QDir::cleanPath(QDir::homePath());
  Places->addItem(style->standardIcon(QStyle::SP_DirHomeIcon), "Home (" + home + ")", home);
  Places->addItem(style->standardIcon(QStyle::SP_DriveHDIcon), "/", QStringLiteral("/"));
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = QDir::cleanPath(volume.rootPath());
    // Snap images are program packages, not places for pages; bind-mounted files are no
    // directories.
    if (!volume.isValid() || !volume.isReady() || volume.fileSystemType() == "squashfs") continue;
    if (root == QLatin1String("/") || root == home || !QFileInfo(root).isDir()) continue;
    if (Places->findData(root) >= 0) continue;
    QString text = root;
    if (!volume.displayName().isEmpty() && volume.displayName() != root)
      text += "  (" + volume.displayName() + ")";
    Places->addItem(style->standardIcon(QStyle::SP_DriveHDIcon), text, root);
  }
}

void DirectoryBrowser::ShowPlace() {
  // The place that holds the directory most closely.
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < Places->count(); ++i) {
    const QString place = Places->itemData(i).toString();
    if (IsBelow(dir_, place) && place.size() > bestLength) {
      best = i;
      bestLength = place.size();
    }
  }
  Places->setCurrentIndex(best);
}

}  // namespace tessel::gui
