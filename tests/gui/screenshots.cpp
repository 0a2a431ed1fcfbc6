// Renders the main window and every dialog to PNG files (offscreen), for the README and
// for looking at them after a change: scripts/screenshots.sh runs it.
//
// Usage: tessel_screenshots OUTDIR
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <filesystem>
#include <set>

#include "app/change_preview.h"
#include "app/session.h"
#include "batch/backups.h"
#include "gui/restore_dialog.h"
#include "gui/file_list_dialog.h"
#include "gui/confirm_dialog.h"
#include "gui/preview_dialog.h"
#include "gui/tree_dialog.h"
#include "gui/add_tag_dialog.h"
#include "gui/file_dialog.h"
#include "gui/main_window.h"
#include "gui/editor_view.h"
#include "gui/options_dialog.h"
#include "gui/new_style_dialog.h"
#include "gui/skin.h"
#include "support/window_test_support.h"

namespace fs = std::filesystem;
using namespace tessel;
using namespace tessel::gui;
using tessel::gui::testing::ReadFile;
using tessel::gui::testing::ScriptedDialogs;
using tessel::gui::testing::TempHome;
using tessel::gui::testing::WriteFile;

namespace {

fs::path out;

void Save(QWidget& widget, const std::string& name) {
  QApplication::processEvents();
  const std::string path = (out / (name + ".png")).string();
  if (!widget.grab().save(QString::fromStdString(path))) {
    std::fprintf(stderr, "tessel_screenshots: cannot write %s\n", path.c_str());
    std::exit(1);
  }
  std::printf("%s\n", path.c_str());
}

/// A small site of real pages below the data directory.
std::string MakeSite(const TempHome& home) {
  const fs::path pages = fs::path(TESSEL_SOURCE_DIR) / "tests" / "data" / "pages";
  int n = 0;
  for (const auto& entry : fs::directory_iterator(pages)) {
    if (entry.path().extension() != ".html") continue;
    const std::string dir = n % 3 == 0 ? "site" : n % 3 == 1 ? "site/docs" : "site/docs/api";
    WriteFile(home / (dir + "/" + entry.path().stem().string() + ".htm"), ReadFile(entry.path()));
    ++n;
  }
  return home / "site";
}

/// The encoding label's menu open over the window, with the group of the page's encoding.
void EncodingMenuShot(MainWindow& form, const std::string& name) {
  QMenu& menu = *form.EncodingMenu;
  const QPoint below = form.EncodingLabel->mapToGlobal(QPoint(0, form.EncodingLabel->height()));
  menu.popup(below);
  menu.move(below);  // where a screen as wide as the window has it
  QApplication::processEvents();
  QAction* group = nullptr;
  for (QAction* item : menu.actions())
    if (item->font().bold()) group = item;
  QMenu* sub = group ? group->menu() : nullptr;
  if (sub) {
    menu.setActiveAction(group);
    QPoint at = menu.mapToGlobal(menu.actionGeometry(group).topRight());
    // On the left where the window ends first, as a menu opens by a screen's edge.
    if (at.x() + sub->sizeHint().width() > form.mapToGlobal(QPoint(form.width(), 0)).x())
      at.setX(menu.pos().x() - sub->sizeHint().width());
    sub->popup(at);
    sub->move(at);
    QApplication::processEvents();
  }
  // Menus are windows of their own: drawn over the window's picture where they stand.
  QPixmap picture = form.grab();
  QPainter painter(&picture);
  for (QMenu* shown : {&menu, sub}) {
    if (shown) painter.drawPixmap(form.mapFromGlobal(shown->pos()), shown->grab());
  }
  painter.end();
  const std::string path = (out / (name + ".png")).string();
  picture.save(QString::fromStdString(path));
  std::printf("%s\n", path.c_str());
  if (sub) sub->close();
  menu.close();
}

void MainWindowShots(int width, int height) {
  TempHome home;
  const std::string site = MakeSite(home);
  ScriptedDialogs dialogs;
  dialogs.trees.push_back(site);
  MainWindow form(home.path(), CommandLine{}, &dialogs);
  form.resize(width, height);
  form.show();
  QApplication::processEvents();
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  form.SelectTree();
  QSignalSpy finished(&form, &MainWindow::RunFinished);
  form.Format();
  finished.wait(60000);
  Save(form, "main-protocol-" + size);
  const std::string page = home / "site/sample.htm";
  WriteFile(page, ReadFile(home / "preview/sample_html4.htm"));
  form.OpenSingleFile(page);
  Save(form, "main-html-" + size);
  EncodingMenuShot(form, "main-encoding-menu-" + size);
}

/// The options dialog over a 1280x800 main window, each page, with the sample page
/// formatted; then the dialogs it opens.
void OptionsDialogs(Session& session, ScriptedDialogs& answers, const Skin& skin) {
  std::string err;
  session.ReadTrimList(&err);
  QWidget main;
  main.setGeometry(0, 0, 1280, 800);
  OptionsDialog options(session, answers, skin, &main);
  options.show();
  options.PreviewFormattedButton->click();
  const char* pages[] = {"general", "tags", "documentation", "trim"};
  for (int page = 0; page < 4; ++page) {
    options.Pages->setCurrentIndex(page);
    if (page == OptionsDialog::TagsPage) {
      // An As Text tag: the emphasis shows which of its settings have no effect.
      const QList<QTableWidgetItem*> found = options.TagGrid->findItems("<B>", Qt::MatchExactly);
      if (!found.isEmpty()) options.TagGrid->setCurrentCell(found.front()->row(), 0);
    }
    Save(options, std::string("dialog-options-") + pages[page]);
  }

  NewStyleDialog newStyle(session.Styles().StyleList(), skin);
  newStyle.NameField->setText("my style");
  newStyle.show();
  Save(newStyle, "dialog-new-style");

  AddTagDialog addTag(session.ActiveStyle(), answers, skin);
  addTag.TagField->setText("blink");
  addTag.show();
  Save(addTag, "dialog-add-tag");
}

/// The preview of a Format run over the site: the list with one file left out and the
/// differences of another, unified and side by side; then the confirmation of a restore.
void PreviewShots(Session& session, const PreviewDialog::PreviewMaker& make, const Skin& skin,
                  const std::string& site) {
  session.Driver().SelectTree(site);
  RunState state = session.State();
  PreviewDialog preview(skin);
  QObject::connect(&preview, &PreviewDialog::Listed, &preview, [&preview] {
    if (preview.Files->count() > 2) {
      preview.Files->item(1)->setCheckState(Qt::Unchecked);
      preview.Files->setCurrentRow(2);
    }
    Save(preview, "dialog-preview");
    preview.SideBySide->setChecked(true);
    Save(preview, "dialog-preview-side-by-side");
    preview.reject();
  }, Qt::QueuedConnection);
  std::set<std::string> leftOut;
  std::string err;
  if (!preview.Show("Format", make, PreviewTargetsOf(state), true, leftOut, &err)) {
    std::fprintf(stderr, "tessel_screenshots: no preview: %s\n", err.c_str());
    std::exit(1);
  }

  fs::create_directories(site + "_BAK00");
  state.ProcessMode = ProcessKind::Restore;
  state.BackupFileName = site + "_BAK00/";
  ConfirmDialog restore(skin);
  restore.Prepare(state, session.Settings());
  restore.show();
  Save(restore, "dialog-confirm-restore");
}

void Dialogs() {
  TempHome home;
  const std::string site = MakeSite(home);
  RunHost quiet;
  Session session(home.path(), quiet);
  ScriptedDialogs answers;
  const Skin skin = Skin::Load(fs::path(home.path()) / "skin", true);
  RunState& state = session.State();

  state.ProcessMode = ProcessKind::Format;
  state.SelectionMode = SelectionKind::Tree;
  state.SourceDir = WithTrailingSeparator(site);
  state.FileList = {site + "/a.htm", site + "/b.htm"};
  const PreviewDialog::PreviewMaker make = [&session](std::string* err) {
    return PreviewOfRun(session, ProcessKind::Format, err);
  };
  ConfirmDialog msg(skin);
  msg.OfferPreview(make);
  msg.Prepare(state, session.Settings());
  msg.show();
  Save(msg, "dialog-confirm");
  PreviewShots(session, make, skin, site);

  session.Settings().Tree = site + "/";
  TreeDialog tree(session, skin);
  tree.Prepare();
  tree.show();
  Save(tree, "dialog-tree");

  FileListDialog list(skin);
  QObject::connect(&list, &FileListDialog::Listed, &list, [&list] {
    list.FoundFiles->item(1)->setSelected(false);
    Save(list, "dialog-file-list");
    list.accept();
  }, Qt::QueuedConnection);
  list.Choose(session.Driver().ScanRequest(site));

  session.Settings().Multi = site + "/";
  FileDialog files(session, answers, skin);
  files.PrepareSelection();
  files.show();
  Save(files, "dialog-file-select");

  FileDialog saveAs(session, answers, skin);
  saveAs.PrepareSave(site + "/index.htm", [](const std::string&) { return true; });
  saveAs.show();
  Save(saveAs, "dialog-file-save");

  RestoreDialog restore(skin);
  restore.Prepare(site + "/index.htm.pbak", ReadFile(home / "preview/sample_html4.htm"));
  restore.show();
  Save(restore, "dialog-restore");

  OptionsDialogs(session, answers, skin);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: tessel_screenshots OUTDIR\n");
    return 2;
  }
  out = argv[1];
  fs::create_directories(out);
  MainWindowShots(1280, 800);
  MainWindowShots(1920, 1080);
  Dialogs();
  return 0;
}
