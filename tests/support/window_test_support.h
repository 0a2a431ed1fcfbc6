// What the window tests share: registration of Qt Test classes into one executable, a
// UserDialogs that answers for the user from a script and records what was asked, the user
// at real dialogs, and a main window under test over a fresh data directory.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gui/main_window.h"
#include "gui/user_dialogs.h"

class QPushButton;

namespace tessel::gui::testing {

/// Registers a Qt Test class; the shared main runs every registered class.
using TestFactory = std::function<QObject*()>;
std::vector<TestFactory>& Registry();
#define TESSEL_GUI_TEST(Class)                                                \
  static const bool Class##Registered = [] {                                  \
    ::tessel::gui::testing::Registry().push_back([] { return new Class(); }); \
    return true;                                                              \
  }()

/// A repository data directory copied into a fresh temporary directory, the data directory
/// of a window under test; removed again with everything in it.
class TempHome {
 public:
  TempHome();
  ~TempHome();
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

/// Answers every question from queues and records what was asked. An empty queue answers
/// Yes / OK / nothing chosen.
class ScriptedDialogs : public UserDialogs {
 public:
  struct Asked {
    std::string What;  // "message", "yesno", "yesnocancel", "confirm", "restore", ...
    std::string Text;
  };
  std::vector<Asked> asked;
  std::deque<bool> yesNo;
  std::deque<Answer> yesNoCancel;
  std::deque<bool> confirmRun;
  std::deque<std::optional<std::string>> trees;
  /// Picks the files to keep from a scan; all of them when null.
  std::function<std::vector<std::string>(const TreeScan&)> keep;
  std::deque<std::optional<std::vector<std::string>>> files;
  std::deque<std::optional<std::string>> saveAs;
  std::deque<bool> restore;
  /// Runs while a question is asked (e.g. to press Esc during a run).
  std::function<void(const std::string& what)> onAsk;

  void Message(QWidget*, MessageKind, const std::string& text) override;
  bool YesNo(QWidget*, const std::string& text) override;
  Answer YesNoCancel(QWidget*, const std::string& text) override;
  bool ConfirmRun(QWidget*, Session&, RunState&) override;
  std::optional<std::string> ChooseTree(QWidget*, Session&) override;
  std::optional<TreeChoice> ChooseFromTree(QWidget*, const TreeScanRequest& request) override;
  std::optional<std::vector<std::string>> ChooseFiles(QWidget*, Session&) override;
  std::optional<std::string> SaveAs(QWidget*, Session&, const std::string& fileName,
                                    const std::function<bool(const std::string&)>& save) override;
  bool ConfirmRestore(QWidget*, const std::string& backupPath, const std::string& text) override;
  bool OpenDocument(const std::string& path) override;
  /// What OpenDocument answers: whether the desktop could open the file.
  bool canOpen = true;

  /// The texts asked with `what`, in order.
  std::vector<std::string> Texts(const std::string& what) const;

 private:
  void Note(const std::string& what, const std::string& text);
};

/// Plays the user at modal dialogs, message boxes and popup menus: whenever a new one
/// appears it is activated, as a window manager does, and the next step runs with it.
/// Without steps left it is answered with Esc.
class UserAtDialogs : public QObject {
 public:
  using Step = std::function<void(QWidget* dialog)>;
  explicit UserAtDialogs(std::deque<Step> steps = {});
  /// The text of each message box seen (or the caption of any other dialog), in order.
  QStringList Seen;

 private:
  void Look();
  std::deque<Step> steps_;
  QTimer timer_;
  QList<QPointer<QWidget>> open_;  // seen and not hidden since
};

/// A main window over a fresh data directory, shown and active.
struct WindowUnderTest {
  struct Setup {
    /// Written below the data directory before the window opens: name, bytes.
    std::vector<std::pair<std::string, std::string>> Files;
    /// The program's arguments; "{home}" in one stands for the data directory.
    std::vector<std::string> Args;
    /// Who answers the window's questions: the scripted user `dialogs` when null.
    UserDialogs* Dialogs = nullptr;
    /// The real dialogs and message boxes answer instead.
    bool RealDialogs = false;
  };
  WindowUnderTest();
  explicit WindowUnderTest(const Setup& setup);
  ~WindowUnderTest();

  std::string Path(const std::string& name) const { return home / name; }
  EditorView& Editor() const;
  RunState& State() const;
  /// `name` below the data directory, written with `bytes`, opened as the single file.
  bool OpenPage(const std::string& name, const std::string& bytes);
  /// `button` clicked, and the run it starts waited for: its summary.
  RunSummary Run(QPushButton* button);

  TempHome home;
  ScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> form;
};

/// A key pressed where the focus is in `window` (or on the window itself).
QWidget* FocusIn(QWidget* window);
/// `path` dropped in the middle of `target` (a widget of `window`) on whatever widget lies
/// under the pointer there, as a file manager drops it; false when the drag was refused.
bool DropFile(QWidget* window, QWidget* target, const std::string& path);
/// Esc pressed in `dialog`, which closes it; the release reaches `main`, where the focus
/// went back, as it does on a desktop.
void EscClosing(QWidget* dialog, QWidget* main);

}  // namespace tessel::gui::testing
