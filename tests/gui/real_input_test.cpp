// The main window driven as a person drives it: keys pressed and released on the focused
// widget (chords let go in any order), the real dialogs and message boxes opened and closed
// by their keys, files dropped on whatever lies under the pointer.
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "app/session.h"
#include "gui/confirm_dialog.h"
#include "gui/file_dialog.h"
#include "gui/main_window.h"
#include "gui/editor_view.h"
#include "gui/options_dialog.h"
#include "gui/gui_text.h"
#include "gui/search_dialog.h"
#include "gui/skin.h"
#include "gui/window_dialogs.h"
#include "support/window_test_support.h"

namespace tessel::gui::testing {

namespace fs = std::filesystem;

/// The real dialogs, except that Select File(s) picks the files named here.
class PickingDialogs : public WindowDialogs {
 public:
  PickingDialogs() : WindowDialogs(skin_) {}
  std::optional<std::vector<std::string>> ChooseFiles(QWidget*, Session&) override { return files; }
  std::vector<std::string> files;

 private:
  Skin skin_;
};

class RealInputTest : public QObject {
  Q_OBJECT

  /// A window with the pages site/a.htm, b.htm and c.htm; the real dialogs answer unless
  /// `dialogs` does.
  struct Window : WindowUnderTest {
    explicit Window(UserDialogs* dialogs = nullptr, const std::vector<std::string>& args = {})
        : WindowUnderTest({{{"site/a.htm", "<html><p>one</p></html>\r\n"},
                            {"site/b.htm", "<html><p>two</p></html>\r\n"},
                            {"site/c.htm", "<html><p>three</p></html>\r\n"}},
                           args, dialogs, dialogs == nullptr}) {}
    std::string Site(const std::string& name) const { return Path("site/" + name); }
    void Open(const std::string& name) {
      QVERIFY(form->OpenSingleFile(Site(name)));
      Editor().setFocus();
    }
    void Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
      QTest::keyPress(FocusIn(form.get()), Qt::Key(key), mods);
    }
    void Release(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
      QTest::keyRelease(FocusIn(form.get()), Qt::Key(key), mods);
    }
    void Click(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
      Press(key, mods);
      Release(key, mods);
    }
    void Drop(QWidget* target, const std::string& path) {
      QVERIFY(DropFile(form.get(), target, path));
      QTest::qWait(20);
    }
    bool Unsaved() { return Editor().IsModified() && form->StatusText().startsWith("Unsaved: "); }
  };

 private slots:
  void EscThatClosesADialogKeepsTheUnsavedText_data();
  void EscThatClosesADialogKeepsTheUnsavedText();
  void ChordsActOnPressWhateverIsLetGoFirst();
  void CancelAllIsOneUndoStepAndTheStatusFollowsTheSavePoint();
  void CloseAsksYesNoCancel();
  void SwitchingStyleWithUnsavedStyleEditsCanBeCancelled();
  void FilesDroppedAnywhereOpen();
  void AltDigitsEmphasiseOnlyInTheSingleFileState();
  void OutsideOneFileTheEditorTakesNoTyping();
  void IdleProgressBarsAreEmptyNotBusy();
  void UserBreakIsAskedOnce();
  void HelpAboutAndBrowserSayWhenNothingOpensThem();
  void SaveAsStartsBesideThePageTakesTypedPathsAndSaysWhyItFailed();
  void AFileNotOpenedFromTheCommandLineSaysWhy();
};

void RealInputTest::EscThatClosesADialogKeepsTheUnsavedText_data() {
  QTest::addColumn<QString>("how");
  for (const char* how : {"options", "search", "not found", "popup menu", "save as",
                          "windows-1252 question", "drop question"}) {
    QTest::newRow(how) << QString(how);
  }
}

void RealInputTest::EscThatClosesADialogKeepsTheUnsavedText() {
  QFETCH(QString, how);
  Window w;
  MainWindow* f = w.form.get();
  WriteFile(w.Site("latin.htm"), "<html>caf\xe9</html>\r\n");  // read as Windows-1252
  w.Open(how == "windows-1252 question" ? "latin.htm" : "a.htm");
  if (how == "windows-1252 question") {  // a character that file's encoding cannot hold
    QTest::sendKeyEvent(QTest::Click, &w.Editor(), Qt::Key_unknown, QStringLiteral("\u2192"),
                        Qt::NoModifier);
  } else {
    QTest::keyClicks(&w.Editor(), "xy");
  }
  const std::string typed = w.Editor().Bytes();
  QVERIFY(w.Unsaved());
  UserAtDialogs user({[f](QWidget* d) { EscClosing(d, f); }, [f](QWidget* d) { EscClosing(d, f); }});

  if (how == "options") {
    w.Click(Qt::Key_F9);
  } else if (how == "search" || how == "not found") {
    w.Click(Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(f->SearchReplace && f->SearchReplace->isVisible());
    if (how == "not found") {
      f->SearchReplace->FindField->setText("absent");
      QTest::keyClick(f->SearchReplace->FindField, Qt::Key_Return);  // Find Next: the box
      QCOMPARE(user.Seen.size(), 1);
    }
    EscClosing(f->SearchReplace, f);
    QVERIFY(!f->SearchReplace->isVisible());
  } else if (how == "popup menu") {
    QWidget* view = w.Editor().viewport();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, view->rect().center(),
                           view->mapToGlobal(view->rect().center()));
    QApplication::sendEvent(view, &menu);
    QTRY_COMPARE(user.Seen.size(), 1);
    QTRY_VERIFY(!f->EditorMenu->isVisible());
  } else if (how == "save as") {
    QTest::mouseClick(f->SaveAsButton, Qt::LeftButton);
  } else if (how == "windows-1252 question") {
    w.Click(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(user.Seen.size(), 1);
    QVERIFY(user.Seen[0].contains("Save it as UTF-8 instead?"));
  } else {
    w.Drop(w.Editor().viewport(), w.Site("b.htm"));
    QCOMPARE(user.Seen.size(), 1);
    QVERIFY(user.Seen[0].endsWith("before opening another one?"));
  }
  QTest::qWait(20);
  QCOMPARE(user.Seen.size(), how == "search" ? 0 : 1);
  QCOMPARE(w.Editor().Bytes(), typed);
  QVERIFY(w.Unsaved());
  QCOMPARE(f->session().State().FileName, w.Site(how == "windows-1252 question" ? "latin.htm" : "a.htm"));
}

void RealInputTest::ChordsActOnPressWhateverIsLetGoFirst() {
  Window w;
  MainWindow* f = w.form.get();
  w.Open("a.htm");
  // The modifier let go before the letter, as a quick hand does.
  for (int letter : {Qt::Key_F, Qt::Key_R}) {
    w.Press(Qt::Key_Control, Qt::ControlModifier);
    w.Press(letter, Qt::ControlModifier);
    w.Release(Qt::Key_Control);
    w.Release(letter);
    QTRY_VERIFY(f->SearchReplace && f->SearchReplace->isVisible());
    f->SearchReplace->close();
    w.Editor().setFocus();
  }
  f->HintLine->setText("<B>");  // a hint as the tag under the cursor gives it
  w.Press(Qt::Key_Shift, Qt::ShiftModifier);
  w.Press(Qt::Key_F1, Qt::ShiftModifier);
  w.Release(Qt::Key_Shift);
  w.Release(Qt::Key_F1);
  QVERIFY(w.Editor().Bytes().starts_with("<B>"));
  // A release whose press went elsewhere does nothing.
  const std::string text = w.Editor().Bytes();
  for (int key : {Qt::Key_Escape, Qt::Key_F5, Qt::Key_F9}) w.Release(key);
  QCOMPARE(w.Editor().Bytes(), text);
  QVERIFY(w.Editor().IsModified() && !f->Running());
}

void RealInputTest::CancelAllIsOneUndoStepAndTheStatusFollowsTheSavePoint() {
  Window w;
  w.Open("a.htm");
  const std::string saved = w.Editor().Bytes();
  const QString loaded = w.form->StatusText();
  QTest::keyClicks(&w.Editor(), "ab");
  QVERIFY(w.Unsaved());
  w.Click(Qt::Key_Z, Qt::ControlModifier);  // undone to the save point
  QCOMPARE(w.Editor().Bytes(), saved);
  QCOMPARE(w.form->StatusText(), loaded);
  QVERIFY(!w.form->SaveButton->isEnabled());

  QTest::keyClicks(&w.Editor(), "cd");
  const std::string edited = w.Editor().Bytes();
  w.Click(Qt::Key_Escape);  // Cancel All
  QCOMPARE(w.Editor().Bytes(), saved);
  QVERIFY(!w.Editor().IsModified() && w.form->StatusText().startsWith("Reloaded: "));
  w.Click(Qt::Key_Z, Qt::ControlModifier);  // and back
  QCOMPARE(w.Editor().Bytes(), edited);
  QVERIFY(w.Unsaved());
}

void RealInputTest::CloseAsksYesNoCancel() {
  Window w;
  w.Open("a.htm");
  QTest::keyClicks(&w.Editor(), "x");
  {
    UserAtDialogs user;  // Esc: Cancel
    QVERIFY(!w.form->close());
    QCOMPARE(user.Seen.size(), 1);
  }
  QVERIFY(w.form->isVisible() && w.Unsaved());
  UserAtDialogs user({[](QWidget* d) {
    QTest::mouseClick(static_cast<QMessageBox*>(d)->button(QMessageBox::No), Qt::LeftButton);
  }});
  QVERIFY(w.form->close());
  QCOMPARE(ReadFile(w.Site("a.htm")), std::string("<html><p>one</p></html>\r\n"));
}

void RealInputTest::SwitchingStyleWithUnsavedStyleEditsCanBeCancelled() {
  Window w;
  w.Open("a.htm");
  QTest::keyClicks(&w.Editor(), "x");
  int lineSize = 0;
  QString style;
  UserAtDialogs user({[&](QWidget* d) {
                        auto* options = static_cast<OptionsDialog*>(d);
                        QTest::keyClick(options->LineSizeCounter, Qt::Key_Up);  // an unsaved style edit
                        lineSize = options->LineSizeCounter->value();
                        options->StyleChoice->setFocus();
                        QTest::keyClick(options->StyleChoice, Qt::Key_Down);  // another style
                        style = options->StyleChoice->currentText();
                        QCOMPARE(options->LineSizeCounter->value(), lineSize);  // the edit kept
                        EscClosing(options, w.form.get());
                      },
                      [&](QWidget* question) { EscClosing(question, nullptr); }});  // Cancel
  w.Click(Qt::Key_F9);
  QTRY_COMPARE(user.Seen.size(), 2);
  QVERIFY(user.Seen[1].startsWith("Save changes in style:"));
  QCOMPARE(style, QString("_default"));
  QVERIFY(w.Unsaved());
}

void RealInputTest::FilesDroppedAnywhereOpen() {
  Window w;
  MainWindow* f = w.form.get();
  const std::vector<std::pair<QWidget*, std::string>> targets = {
      {w.Editor().viewport(), "b.htm"},
      {f->ProtocolView->viewport(), "c.htm"},
      {f->StatusLine, "a.htm"},
      {f->TrimButton, "b.htm"}};
  for (const auto& [target, name] : targets) {
    f->Pages->setCurrentWidget(target == f->ProtocolView->viewport()
                                       ? static_cast<QWidget*>(f->ProtocolView)
                                       : &w.Editor());
    w.Drop(target, w.Site(name));
    QCOMPARE(f->session().State().FileName, w.Site(name));
    QVERIFY(w.Editor().Bytes().find("<p>") != std::string::npos);
  }
}

void RealInputTest::AltDigitsEmphasiseOnlyInTheSingleFileState() {
  ScriptedDialogs dialogs;
  Window w(&dialogs);
  MainWindow* f = w.form.get();
  for (QPushButton* b : f->RepaintButtons) QVERIFY(!b->isEnabled());  // no file
  w.Open("a.htm");
  const std::string text = w.Editor().Bytes();
  w.Click(Qt::Key_5, Qt::AltModifier);
  QCOMPARE(w.Editor().Palette().CommentCol, 0x808000u);
  QCOMPARE(w.Editor().Palette().TagCol, 0xC0C0C0u);
  w.Click(Qt::Key_1, Qt::AltModifier | Qt::ShiftModifier);  // not the command, and not typed
  QCOMPARE(w.Editor().Bytes(), text);
  QVERIFY(!w.Editor().IsModified());

  dialogs.trees.push_back(w.home / "site");
  w.Click(Qt::Key_F4);
  QCOMPARE(f->session().State().SelectionMode, SelectionKind::Tree);
  for (QPushButton* b : f->RepaintButtons) QVERIFY(!b->isEnabled());
  w.Click(Qt::Key_1, Qt::AltModifier);
  QCOMPARE(w.Editor().Palette().TagCol, 0xC0C0C0u);  // unchanged
}

void RealInputTest::OutsideOneFileTheEditorTakesNoTyping() {
  ScriptedDialogs dialogs;
  Window w(&dialogs);
  w.Open("a.htm");
  const std::string text = w.Editor().Bytes();
  dialogs.trees.push_back(w.home / "site");
  w.Click(Qt::Key_F4);
  w.form->Pages->setCurrentWidget(&w.Editor());
  w.Editor().setFocus();
  QTest::keyClicks(&w.Editor(), "typed");
  QCOMPARE(w.Editor().Bytes(), text);
  QVERIFY(w.form->close());  // nothing to ask about
  QVERIFY(dialogs.Texts("yesnocancel").empty());
}

void RealInputTest::IdleProgressBarsAreEmptyNotBusy() {
  ScriptedDialogs dialogs;
  Window w(&dialogs);
  auto empty = [&] {
    for (QProgressBar* bar : {w.form->FileProgress, w.form->RunProgress}) {
      if (bar->maximum() <= bar->minimum() || bar->value() > bar->minimum()) return false;
    }
    return true;
  };
  QVERIFY(empty());
  WriteFile(w.Site("empty.htm"), "");
  dialogs.files.push_back(std::vector<std::string>{w.Site("a.htm"), w.Site("empty.htm")});
  w.Click(Qt::Key_F3);
  QSignalSpy finished(w.form.get(), &MainWindow::RunFinished);
  w.Click(Qt::Key_F6);
  QVERIFY(finished.wait(20000));
  for (QProgressBar* bar : {w.form->FileProgress, w.form->RunProgress})
    QVERIFY(bar->maximum() > bar->minimum());
}

void RealInputTest::UserBreakIsAskedOnce() {
  PickingDialogs dialogs;
  Window w(&dialogs);
  MainWindow* f = w.form.get();
  dialogs.files = {w.Site("a.htm"), w.Site("b.htm"), w.Site("c.htm")};
  w.Click(Qt::Key_F3);
  UserAtDialogs user({[f](QWidget* confirm) {
                        // OK with Enter, and at once Esc in the window: stop, please.
                        QTest::keyClick(FocusIn(confirm), Qt::Key_Return);
                        QTest::keyPress(FocusIn(f), Qt::Key_Escape);
                        QTest::keyRelease(FocusIn(f), Qt::Key_Escape);
                      },
                      [f](QWidget* question) { EscClosing(question, f); }});  // No: go on
  QSignalSpy finished(f, &MainWindow::RunFinished);
  w.Click(Qt::Key_F5);
  QVERIFY(finished.wait(20000));
  const RunSummary s = finished.takeFirst().at(0).value<RunSummary>();
  QCOMPARE(s.Processed, 3);
  QCOMPARE(user.Seen.size(), 2);  // the confirmation and one question
}

void RealInputTest::HelpAboutAndBrowserSayWhenNothingOpensThem() {
  ScriptedDialogs dialogs;
  dialogs.canOpen = false;  // a desktop without a launcher for pages
  Window w(&dialogs);
  w.Click(Qt::Key_F1);
  QTest::mouseClick(w.form->AboutButton, Qt::LeftButton);
  w.Open("a.htm");
  w.Click(Qt::Key_B, Qt::AltModifier);
  const auto messages = dialogs.Texts("message");
  QCOMPARE(messages.size(), size_t(3));
  QCOMPARE(dialogs.Texts("open").size(), size_t(3));
  const char* pages[] = {"help/index.html", "help/about.html", "site/a.htm"};
  for (size_t i = 0; i < 3; ++i) {
    QVERIFY2(messages[i].find(pages[i]) != std::string::npos, messages[i].c_str());
    QVERIFY(messages[i].ends_with("No program on this desktop opens it."));
  }
}

void RealInputTest::SaveAsStartsBesideThePageTakesTypedPathsAndSaysWhyItFailed() {
  Window w;
  MainWindow* f = w.form.get();
  std::string startDir;
  // A new document lives in the data directory; its Save As starts at home.
  QTest::mouseClick(f->NewButton, Qt::LeftButton);
  {
    UserAtDialogs user({[&](QWidget* d) {
      startDir = static_cast<FileDialog*>(d)->CurrentDir();
      EscClosing(d, f);
    }});
    QTest::mouseClick(f->SaveAsButton, Qt::LeftButton);
  }
  QCOMPARE(PathToQ(startDir), QDir::homePath());
  QVERIFY(w.Unsaved() && f->IsNewDocument());
  w.Click(Qt::Key_Escape);  // the new document goes away

  // An open page: beside it. A path typed whole is taken, and a failure says why.
  w.Open("a.htm");
  const std::string copy = w.Site("copy.htm");
  std::string homeShown;
  auto typeAndEnter = [](FileDialog* dialog, const std::string& text) {
    dialog->NameField->setFocus();
    dialog->NameField->selectAll();
    QTest::keyClicks(dialog->NameField, PathToQ(text));
    QTest::keyClick(dialog->NameField, Qt::Key_Return);
  };
  UserAtDialogs user({[&](QWidget* d) {
                        auto* dialog = static_cast<FileDialog*>(d);
                        startDir = dialog->CurrentDir();
                        typeAndEnter(dialog, "~");  // a directory: shown, nothing saved
                        homeShown = dialog->CurrentDir();
                        typeAndEnter(dialog, "/no such dir/x.htm");  // the error box, then
                        typeAndEnter(dialog, copy);                  // an absolute path
                      },
                      [](QWidget* box) { EscClosing(box, nullptr); }});
  QTest::mouseClick(f->SaveAsButton, Qt::LeftButton);
  QCOMPARE(startDir, w.home / "site");
  QCOMPARE(PathToQ(homeShown), QDir::homePath());
  QCOMPARE(user.Seen.size(), 2);
  QVERIFY2(user.Seen[1].startsWith("Invalid Filename: /no such dir/x.htm") &&
               user.Seen[1].contains("\"/no such dir\" does not exist"),
           qPrintable(user.Seen.join("|")));
  QCOMPARE(f->session().State().FileName, copy);
  QCOMPARE(ReadFile(copy), ReadFile(w.Site("a.htm")));
}

void RealInputTest::AFileNotOpenedFromTheCommandLineSaysWhy() {
  TempHome dir;
  WriteFile(dir / "fragment.htm", "<p>a fragment</p>\r\n");
  Window w(nullptr, {dir / "fragment.htm"});
  QCOMPARE(w.form->session().State().SelectionMode, SelectionKind::None);
  QVERIFY2(w.form->StatusText().contains("fragment.htm has no <HTML> tag"),
           qPrintable(w.form->StatusText()));
}

TESSEL_GUI_TEST(RealInputTest);

}  // namespace tessel::gui::testing

#include "real_input_test.moc"
