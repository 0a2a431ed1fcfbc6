#include "support/window_test_support.h"

#include <QApplication>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/session.h"
#include "gui/editor_view.h"

namespace tessel::gui::testing {

namespace fs = std::filesystem;

// Runs pass RunSummary through a queued call.
const int kSummaryType = qRegisterMetaType<RunSummary>("tessel::RunSummary");

std::vector<TestFactory>& Registry() {
  static std::vector<TestFactory> registry;
  return registry;
}

TempHome::TempHome() {
  std::string pattern = (fs::temp_directory_path() / "tessel-gui-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  fs::copy(fs::path(TESSEL_SOURCE_DIR) / "data", path_, fs::copy_options::recursive);
}

TempHome::~TempHome() {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void ScriptedDialogs::Note(const std::string& what, const std::string& text) {
  asked.push_back({what, text});
  if (onAsk) onAsk(what);
}

template <typename T>
T Next(std::deque<T>& queue, const T& fallback) {
  if (queue.empty()) return fallback;
  T value = queue.front();
  queue.pop_front();
  return value;
}

void ScriptedDialogs::Message(QWidget*, MessageKind, const std::string& text) {
  Note("message", text);
}
bool ScriptedDialogs::YesNo(QWidget*, const std::string& text) {
  Note("yesno", text);
  return Next<bool>(yesNo, true);
}
Answer ScriptedDialogs::YesNoCancel(QWidget*, const std::string& text) {
  Note("yesnocancel", text);
  return Next<Answer>(yesNoCancel, Answer::Yes);
}
bool ScriptedDialogs::ConfirmRun(QWidget*, Session&, RunState&) {
  Note("confirm", "");
  return Next<bool>(confirmRun, true);
}
std::optional<std::string> ScriptedDialogs::ChooseTree(QWidget*, Session&) {
  Note("tree", "");
  return Next<std::optional<std::string>>(trees, {});
}
std::optional<UserDialogs::TreeChoice> ScriptedDialogs::ChooseFromTree(
    QWidget*, const TreeScanRequest& request) {
  Note("filelist", request.Dir);
  TreeChoice choice{ScanTree(request), {}};
  choice.Chosen = keep ? keep(choice.Scan) : choice.Scan.Files;
  return choice;
}
std::optional<std::vector<std::string>> ScriptedDialogs::ChooseFiles(QWidget*, Session&) {
  Note("files", "");
  return Next<std::optional<std::vector<std::string>>>(files, {});
}
std::optional<std::string> ScriptedDialogs::SaveAs(
    QWidget*, Session&, const std::string& fileName,
    const std::function<bool(const std::string&)>& save) {
  Note("saveas", fileName);
  std::optional<std::string> path = Next<std::optional<std::string>>(saveAs, {});
  if (path && !save(*path)) return std::nullopt;
  return path;
}
bool ScriptedDialogs::ConfirmRestore(QWidget*, const std::string& backupPath,
                                     const std::string& text) {
  Note("restore", backupPath + "\n" + text);
  return Next<bool>(restore, true);
}
bool ScriptedDialogs::OpenDocument(const std::string& path) {
  Note("open", path);
  return canOpen;
}

std::vector<std::string> ScriptedDialogs::Texts(const std::string& what) const {
  std::vector<std::string> texts;
  for (const Asked& a : asked)
    if (a.What == what) texts.push_back(a.Text);
  return texts;
}

UserAtDialogs::UserAtDialogs(std::deque<Step> steps) : steps_(std::move(steps)) {
  timer_.setInterval(5);
  connect(&timer_, &QTimer::timeout, this, &UserAtDialogs::Look);
  timer_.start();
}

void UserAtDialogs::Look() {
  // A dialog counts again only after it was hidden: while a box over it closes, the dialog
  // below is the active one again, and that is no new dialog.
  open_.removeIf([](const QPointer<QWidget>& w) { return !w || !w->isVisible(); });
  QWidget* shown = QApplication::activePopupWidget();
  if (shown == nullptr) shown = QApplication::activeModalWidget();
  if (shown == nullptr || !shown->isVisible() || open_.contains(shown)) return;
  open_.append(shown);
  auto* box = qobject_cast<QMessageBox*>(shown);
  Seen << (box ? box->text() : shown->windowTitle());
  shown->activateWindow();
  QApplication::setActiveWindow(shown);
  Step step = steps_.empty() ? Step([](QWidget* w) { EscClosing(w, nullptr); }) : steps_.front();
  if (!steps_.empty()) steps_.pop_front();
  // Run from its own timer: a dialog the step opens in turn is then seen too.
  QPointer<QWidget> target = shown;
  QTimer::singleShot(0, this, [step, target] {
    if (target) step(target);
  });
}

WindowUnderTest::WindowUnderTest(const Setup& setup) {
  for (const auto& [name, bytes] : setup.Files) WriteFile(home / name, bytes);
  std::vector<std::string> args = setup.Args;
  for (std::string& arg : args) {
    for (size_t at; (at = arg.find("{home}")) != std::string::npos;)
      arg.replace(at, 6, home.path());
  }
  UserDialogs* answering = setup.RealDialogs ? nullptr : setup.Dialogs ? setup.Dialogs : &dialogs;
  form = std::make_unique<MainWindow>(home.path(), ParseCommandLine(args, home.path()), answering);
  form->show();
  form->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(form.get()));
}

WindowUnderTest::WindowUnderTest() : WindowUnderTest(Setup()) {}

WindowUnderTest::~WindowUnderTest() = default;

EditorView& WindowUnderTest::Editor() const { return *form->Editor; }

RunState& WindowUnderTest::State() const { return form->session().State(); }

bool WindowUnderTest::OpenPage(const std::string& name, const std::string& bytes) {
  WriteFile(home / name, bytes);
  return form->OpenSingleFile(home / name);
}

RunSummary WindowUnderTest::Run(QPushButton* button) {
  QSignalSpy finished(form.get(), &MainWindow::RunFinished);
  QTest::mouseClick(button, Qt::LeftButton);
  if (!finished.wait(20000)) return {};
  return finished.takeFirst().at(0).value<RunSummary>();
}

QWidget* FocusIn(QWidget* window) {
  QWidget* focus = window->focusWidget();
  return focus ? focus : window;
}

bool DropFile(QWidget* window, QWidget* target, const std::string& path) {
  const QPoint at = target->mapTo(window, target->rect().center());
  QWidget* under = window->childAt(at);
  if (under == nullptr) under = window;
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  const QPoint local = under->mapFrom(window, at);
  QDragEnterEvent enter(local, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(under, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(local), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(under, &drop);
  QApplication::processEvents();  // the drop is taken up once it has been answered
  return true;
}

void EscClosing(QWidget* dialog, QWidget* main) {
  QTest::keyPress(FocusIn(dialog), Qt::Key_Escape);
  if (main) QTest::keyRelease(FocusIn(main), Qt::Key_Escape);
}

}  // namespace tessel::gui::testing
