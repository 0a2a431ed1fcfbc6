#include "gui/tree_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/session.h"
#include "gui/dialog_parts.h"
#include "gui/gui_text.h"
#include "gui/skin.h"

namespace tessel::gui {

namespace {
const QString kRoot = QStringLiteral("/");
}

TreeDialog::TreeDialog(Session& session, const Skin& skin, QWidget* parent)
    : QDialog(parent), session_(session) {
  ApplyDialogBackground(*this, skin);
  setWindowTitle("Tree");
  browser_ = new DirectoryBrowser(*this);
  Places = browser_->Places;
  Directories = browser_->List;
  Location = browser_->Path;
  FileTypes = new QComboBox(this);
  FillFileTypes(*FileTypes, 0);
  connect(FileTypes, &QComboBox::currentIndexChanged, this,
          [this](int index) { session_.State().FilterIndex = index; });

  const OkCancel buttons = MakeOkCancel(*this);
  OkButton = buttons.Ok;
  CancelButton = buttons.Cancel;
  connect(OkButton, &QPushButton::clicked, this, [this] {
    const QString dir = browser_->Dir();
    if (dir == kRoot) return;  // a whole file system is no tree to process
    std::string err;
    session_.RememberPath("Tree", PathFromQ(dir) + "/", &err);
    accept();
  });
  connect(browser_, &DirectoryBrowser::Opened, this,
          [this](const QString& dir) { OkButton->setEnabled(dir != kRoot); });

  auto* heading = new QLabel("Select Subdirectory:", this);
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(Location, 1);
  pathRow->addWidget(browser_->Up);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Places:", this), 0, 0);
  grid->addWidget(Places, 0, 1);
  grid->addWidget(new QLabel("File types:", this), 1, 0);
  grid->addWidget(FileTypes, 1, 1);
  grid->setColumnStretch(1, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addLayout(pathRow);
  layout->addWidget(Directories, 1);
  layout->addLayout(grid);
  layout->addLayout(buttons.Row());
  resize(440, 480);
}

void TreeDialog::Prepare() {
  {
    // The box shows the type in use; only the user's choice changes it.
    const QSignalBlocker quiet(FileTypes);
    FillFileTypes(*FileTypes, session_.State().FilterIndex);
  }
  OpenDir(PathFromQ(DialogStartDir(session_, session_.Settings().Tree)));
  Directories->setFocus();
}

std::optional<std::string> TreeDialog::Choose() {
  Prepare();
  if (exec() != QDialog::Accepted) return std::nullopt;
  return CurrentDir();
}

std::string TreeDialog::CurrentDir() const { return PathFromQ(browser_->Dir()); }

void TreeDialog::OpenDir(const std::string& dir) { browser_->Open(PathToQ(dir)); }

}  // namespace tessel::gui
