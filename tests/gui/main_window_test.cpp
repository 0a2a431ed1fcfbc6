// The main window's wiring: its controls follow the model's rule, keys start the commands,
// selections and runs go through the real run driver off the window's thread, and the
// user's answers are scripted. What the rules decide is tested on the model.
#include <sys/stat.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "app/session.h"
#include "gui/main_window.h"
#include "gui/editor_view.h"
#include "support/window_test_support.h"

namespace tessel::gui::testing {

namespace fs = std::filesystem;

class MainWindowTest : public QObject {
  Q_OBJECT

  /// A window with the pages site/a.htm and site/sub/b.htm; `args` its command line.
  struct Window : WindowUnderTest {
    explicit Window(std::vector<std::string> args = {})
        : WindowUnderTest({{{"site/a.htm", "<html><p>one</p></html>\n"},
                            {"site/sub/b.htm", "<html><p>two</p></html>\n"}},
                           std::move(args)}) {}
    std::string Site(const std::string& name) const { return Path("site/" + name); }
  };

 private slots:
  void ButtonStatesFollowSelectionAndEdits();
  void KeysStartNothingWhileDisabledOrRunning();
  void TreeRunProtocolEqualsTheReport();
  void AVerifiedRunMarksWhatCouldRenderDifferently();
  void EscStopsABatchBetweenFiles();
  void EditorIsLockedDuringARunAndShowsTheResultFromMemory();
  void FailuresLeaveTheEditorAsItWas();
  void DropsAreCheckedAndAskToSaveFirst();
  void CloseAsksToSaveWheneverModified();
  void CloseDuringARunStopsItFirst();
  void AWindowDestroyedDuringARunEndsItWithoutHanging();
  void SettingsAreWrittenAtCloseOrTheErrorIsShown();
  void SingleFileRestoreWritesCrLfAndNeverReadsALink();
  void CommandLineOptionsRunAfterTheConfirmation();
  void AStyleGoneAfterStartUpIsReportedAndKept();
};

void MainWindowTest::ButtonStatesFollowSelectionAndEdits() {
  Window w;
  MainWindow& f = *w.form;
  QVERIFY(f.FilesButton->isEnabled() && f.TreeButton->isEnabled());
  QVERIFY(!f.FormatButton->isEnabled() && !f.RestoreButton->isEnabled() && !f.SaveButton->isEnabled());

  WriteFile(w.Site("a.htm.pbak"), "<html>old</html>\n");
  QVERIFY(f.OpenSingleFile(w.Site("a.htm")));
  QVERIFY(f.FormatButton->isEnabled() && f.RestoreButton->isEnabled() && f.SaveAsButton->isEnabled());
  QVERIFY(!f.SaveButton->isEnabled() && !f.UndoButton->isEnabled());
  QCOMPARE(f.Pages->currentWidget(), static_cast<QWidget*>(f.Editor));

  QTest::keyClicks(f.Editor, "x");
  QVERIFY(f.Editor->IsModified());
  for (QPushButton* b : {f.FilesButton, f.FormatButton, f.RestoreButton})
    QVERIFY2(!b->isEnabled(), qPrintable(b->text()));
  for (QPushButton* b : {f.SaveButton, f.CancelAllButton, f.UndoButton}) QVERIFY(b->isEnabled());

  // F5 with unsaved changes does nothing.
  const std::string before = ReadFile(w.Site("a.htm"));
  QTest::keyClick(f.Editor, Qt::Key_F5);
  QVERIFY(!f.Running());
  QCOMPARE(ReadFile(w.Site("a.htm")), before);

  // A tree: the editor commands are off, Restore too (no backup of the tree yet).
  QTest::keyClick(f.Editor, Qt::Key_S, Qt::ControlModifier);
  QVERIFY(!f.Editor->IsModified());
  w.dialogs.trees.push_back(w.home / "site");
  QTest::keyClick(f.Editor, Qt::Key_F4);
  QCOMPARE(w.State().SelectionMode, SelectionKind::Tree);
  QVERIFY(f.FormatButton->isEnabled() && !f.RestoreButton->isEnabled() && !f.SaveAsButton->isEnabled());
}

void MainWindowTest::KeysStartNothingWhileDisabledOrRunning() {
  Window w;
  MainWindow& f = *w.form;
  QVERIFY(f.OpenSingleFile(w.Site("a.htm")));
  f.EnablePanel(false);
  for (int key = Qt::Key_F3; key <= Qt::Key_F9; ++key) QTest::keyClick(f.Editor, Qt::Key(key));
  QVERIFY(!f.Running());
  QVERIFY(w.dialogs.asked.empty());
  f.EnablePanel(true);

  // During a run only Esc acts: it asks for a break between files. A drop opens nothing.
  w.dialogs.onAsk = [&](const std::string& what) {
    if (what != "confirm") return;
    QTest::keyClick(f.Editor, Qt::Key_F3, Qt::ControlModifier);
    QTest::keyClick(f.Editor, Qt::Key_Escape);
    QVERIFY(!DropFile(&f, f.Editor, w.Site("sub/b.htm")));  // refused
  };
  QVERIFY(w.Run(f.FormatButton).Processed == 1);
  QCOMPARE(w.dialogs.Texts("files").size(), size_t(0));
  QCOMPARE(w.State().FileName, w.Site("a.htm"));
}

void MainWindowTest::TreeRunProtocolEqualsTheReport() {
  Window w;
  MainWindow& f = *w.form;
  w.dialogs.trees.push_back(w.home / "site");
  w.dialogs.keep = [](const TreeScan& scan) { return scan.Files; };
  QTest::keyClick(&f, Qt::Key_F4);
  QCOMPARE(w.State().FileList.size(), size_t(2));
  QCOMPARE(f.Pages->currentWidget(), static_cast<QWidget*>(f.ProtocolView));
  const RunSummary s = w.Run(f.CompressButton);
  QCOMPARE(s.Processed, 2);
  const std::string report = ReadFile(w.home / "site_BAK00/report.txt");
  std::string page = f.ProtocolText().toStdString();
  std::string crlf;
  for (char c : page) c == '\n' ? crlf += "\r\n" : crlf += c;
  crlf += "\r\n";
  QCOMPARE(crlf, report + "Report saved ==> " + (w.home / "site_BAK00/report.txt") + "\r\n");
}

void MainWindowTest::AVerifiedRunMarksWhatCouldRenderDifferently() {
  WindowUnderTest w({{{"site/a.htm", "<p>w <b>x</b><button>y</button></p>\n"},
                      {"site/b.htm", "<p>one</p>\n"}},
                     {}});
  MainWindow& f = *w.form;
  f.session().SetVerify(true);
  w.dialogs.trees.push_back(w.home / "site");
  w.dialogs.keep = [](const TreeScan& scan) { return scan.Files; };
  QTest::keyClick(&f, Qt::Key_F4);
  const RunSummary s = w.Run(f.FormatButton);
  QCOMPARE(s.Processed, 2);
  QCOMPARE(s.Differing, 1);
  // Written all the same, and marked under its line.
  const QString protocol = f.ProtocolText();
  QVERIFY2(protocol.contains("    could render differently: line 1, column 14: a space is shown "
                             "between </B> and <BUTTON>"),
           qPrintable(protocol));
  QVERIFY(ReadFile(w.home / "site_BAK00/report.txt").find("could render differently") !=
          std::string::npos);
}

void MainWindowTest::EscStopsABatchBetweenFiles() {
  Window w;
  MainWindow& f = *w.form;
  w.dialogs.files.push_back(std::vector<std::string>{w.Site("a.htm"), w.Site("sub/b.htm")});
  QTest::keyClick(&f, Qt::Key_F3);
  QCOMPARE(w.State().SelectionMode, SelectionKind::PickedFiles);
  w.dialogs.yesNo.push_back(true);  // "Stop processing files?"
  w.dialogs.onAsk = [&](const std::string& what) {
    if (what == "confirm") QTest::keyClick(&f, Qt::Key_Escape);
  };
  QVERIFY(w.Run(f.FormatButton).Stopped);
  QCOMPARE(w.dialogs.Texts("yesno").size(), size_t(1));
  QCOMPARE(ReadFile(w.Site("a.htm")), std::string("<html><p>one</p></html>\n"));
  QVERIFY(f.ProtocolText().endsWith("==> aborted: USER BREAK ..."));
}

void MainWindowTest::EditorIsLockedDuringARunAndShowsTheResultFromMemory() {
  Window w;
  MainWindow& f = *w.form;
  QVERIFY(f.OpenSingleFile(w.Site("a.htm")));
  bool lockedWhileAsked = false;
  w.dialogs.onAsk = [&](const std::string& what) {
    if (what != "confirm") return;
    lockedWhileAsked = !f.EditorPanel->isEnabled() && f.Editor->isReadOnly() &&
                       !f.ButtonPanel->isEnabled();
    // Another instance rewrites the shared scratch file while this run is under way.
    WriteFile(w.State().TempOutFile, "<p>another page</p>\r\n");
  };
  QCOMPARE(w.Run(f.FormatButton).Processed, 1);
  QVERIFY(lockedWhileAsked);
  QVERIFY(f.EditorPanel->isEnabled() && !f.Editor->isReadOnly());
  QCOMPARE(f.Editor->Bytes(), ReadFile(w.Site("a.htm")));  // not the scratch file
  QVERIFY(f.Editor->Bytes().find("<P>one</P>") != std::string::npos);
  QVERIFY(!f.Editor->IsModified());
  QVERIFY2(!f.StatusText().startsWith("Unsaved"), qPrintable(f.StatusText()));
}

void MainWindowTest::FailuresLeaveTheEditorAsItWas() {
  Window w;
  MainWindow& f = *w.form;
  QVERIFY(f.OpenSingleFile(w.Site("a.htm")));
  const std::string shown = f.Editor->Bytes();
  // A file that cannot be read does not open: the editor and the selection stay.
  fs::create_directories(w.Site("dir.htm"));
  QVERIFY(!f.OpenSingleFile(w.Site("dir.htm")));
  QCOMPARE(w.State().FileName, w.Site("a.htm"));
  // A run whose file fails says why and keeps the text.
  WriteFile(w.Site("a.htm"), std::string("<p>a\0b</p>\n", 11));
  QCOMPARE(w.Run(f.FormatButton).Processed, 0);
  QCOMPARE(f.Editor->Bytes(), shown);
  const auto messages = w.dialogs.Texts("message");
  QCOMPARE(messages.size(), size_t(2));
  QVERIFY(messages[1].find("NUL byte") != std::string::npos);
}

void MainWindowTest::DropsAreCheckedAndAskToSaveFirst() {
  Window w;
  MainWindow& f = *w.form;
  WriteFile(w.Site("notes.txt"), "<html>");
  QVERIFY(DropFile(&f, f.ProtocolView, w.Site("notes.txt")));
  QCOMPARE(w.dialogs.Texts("message").size(), size_t(1));  // not accepted
  QVERIFY(!f.SingleFileState());
  QVERIFY(f.OpenSingleFile(w.Site("a.htm")));
  QTest::keyClicks(f.Editor, "x");
  w.dialogs.yesNoCancel.push_back(Answer::Cancel);
  QVERIFY(DropFile(&f, f.Editor, w.Site("sub/b.htm")));
  QCOMPARE(w.State().FileName, w.Site("a.htm"));
  chmod((w.home / "site").c_str(), 0555);  // Yes, but the save fails: nothing opens
  w.dialogs.yesNoCancel.push_back(Answer::Yes);
  QVERIFY(DropFile(&f, f.Editor, w.Site("sub/b.htm")));
  QCOMPARE(w.State().FileName, w.Site("a.htm"));
  chmod((w.home / "site").c_str(), 0755);
  w.dialogs.yesNoCancel.push_back(Answer::Yes);
  QVERIFY(DropFile(&f, f.Editor, w.Site("sub/b.htm")));
  QCOMPARE(w.State().FileName, w.Site("sub/b.htm"));
  QVERIFY(ReadFile(w.Site("a.htm")).starts_with("x<html>"));
}

void MainWindowTest::CloseAsksToSaveWheneverModified() {
  Window w;
  MainWindow& f = *w.form;
  QVERIFY(f.OpenSingleFile(w.Site("a.htm")));
  QTest::keyClicks(f.Editor, "x");
  f.Pages->setCurrentWidget(f.ProtocolView);  // even from the protocol page
  fs::rename(w.Site(""), w.home / "moved");  // Yes, and the save failed: the window stays open
  QVERIFY(!f.close());
  QCOMPARE(w.dialogs.Texts("yesnocancel").size(), size_t(1));
  fs::rename(w.home / "moved", w.Site(""));
  w.dialogs.yesNoCancel.push_back(Answer::No);
  QVERIFY(f.close());
  QCOMPARE(ReadFile(w.Site("a.htm")), std::string("<html><p>one</p></html>\n"));
}

void MainWindowTest::CloseDuringARunStopsItFirst() {
  Window w;
  MainWindow& f = *w.form;
  w.dialogs.files.push_back(std::vector<std::string>{w.Site("a.htm"), w.Site("sub/b.htm")});
  QTest::keyClick(&f, Qt::Key_F3);
  w.dialogs.onAsk = [&](const std::string& what) {
    if (what == "confirm") QMetaObject::invokeMethod(&f, [&f] { f.close(); }, Qt::QueuedConnection);
  };
  QSignalSpy finished(&f, &MainWindow::RunFinished);
  QTest::mouseClick(f.FormatButton, Qt::LeftButton);
  QVERIFY(finished.wait(20000));
  QTRY_VERIFY(!f.isVisible());
  const RunSummary s = finished.takeFirst().at(0).value<RunSummary>();
  QVERIFY(s.Stopped || s.Processed == 2);  // stopped between files, nothing cut
  QVERIFY(w.dialogs.Texts("yesno").empty());
}

void MainWindowTest::AWindowDestroyedDuringARunEndsItWithoutHanging() {
  Window w;
  w.dialogs.files.push_back(std::vector<std::string>{w.Site("a.htm"), w.Site("sub/b.htm")});
  QTest::keyClick(w.form.get(), Qt::Key_F3);
  w.dialogs.onAsk = [&](const std::string& what) {
    if (what == "confirm") QMetaObject::invokeMethod(qApp, [&w] { w.form.reset(); }, Qt::QueuedConnection);
  };
  QTest::keyClick(w.form.get(), Qt::Key_F5);
  QTRY_VERIFY(w.form == nullptr);
  QVERIFY(w.dialogs.Texts("yesno").empty());  // nobody was asked
}

void MainWindowTest::SettingsAreWrittenAtCloseOrTheErrorIsShown() {
  {
    Window w;
    w.form->resize(100000, 100000);
    w.form->session().Settings().TagCol = 0xC0C0C0;  // an emphasis palette is not kept
    QVERIFY(w.form->close());
    const std::string ini = ReadFile(w.home / "prg.ini");
    QVERIFY(ini.find("TagCol=16711680") != std::string::npos);
    ProgramSettings read;
    ReadProgramSettings(w.home / "prg.ini", 1000, 800, read);
    QVERIFY(read.Width < 100000 && read.Height < 100000);
  }
  Window w;
  fs::create_directories(w.home / "prg.ini");  // cannot be written
  QVERIFY(w.form->close());
  QCOMPARE(w.dialogs.Texts("message").size(), size_t(1));
}

void MainWindowTest::SingleFileRestoreWritesCrLfAndNeverReadsALink() {
  Window w;
  MainWindow& f = *w.form;
  WriteFile(w.Site("a.htm.pbak"), "<html>\n<p>old</p>\n</html>");
  QVERIFY(f.OpenSingleFile(w.Site("a.htm")));
  QTest::keyClick(f.Editor, Qt::Key_F8);
  QCOMPARE(w.dialogs.Texts("restore").size(), size_t(1));
  QCOMPARE(ReadFile(w.Site("a.htm")), std::string("<html>\r\n<p>old</p>\r\n</html>\r\n"));
  QCOMPARE(f.Editor->Bytes(), ReadFile(w.Site("a.htm")));
  QVERIFY(!f.Editor->IsModified() && !f.SaveButton->isEnabled() && f.RestoreButton->isEnabled());
  QVERIFY(f.StatusText().startsWith("Restored and saved: "));

  // A backup that is a link is not even shown: the window says why.
  fs::remove(w.Site("a.htm.pbak"));
  fs::create_symlink(w.Site("sub/b.htm"), w.Site("a.htm.pbak"));
  QTest::keyClick(f.Editor, Qt::Key_F8);
  QCOMPARE(w.dialogs.Texts("restore").size(), size_t(1));
  QCOMPARE(w.dialogs.Texts("message").size(), size_t(1));
  QCOMPARE(ReadFile(w.Site("a.htm")), std::string("<html>\r\n<p>old</p>\r\n</html>\r\n"));
}

void MainWindowTest::CommandLineOptionsRunAfterTheConfirmation() {
  // "tessel-html -F a.htm": formatted after the confirmation, and the window stays open.
  Window w({"-F", "{home}/site/a.htm"});
  QTRY_VERIFY(ReadFile(w.Site("a.htm")).find("<P>one</P>") != std::string::npos);
  QCOMPARE(w.dialogs.Texts("confirm").size(), size_t(1));
  QTRY_VERIFY(!w.form->Running());
  QVERIFY(w.form->isVisible());
  QCOMPARE(w.State().FileName, w.Site("a.htm"));
  QCOMPARE(w.State().CmdLineMode, CmdLineKind::None);
}

void MainWindowTest::AStyleGoneAfterStartUpIsReportedAndKept() {
  Window w;
  MainWindow& f = *w.form;
  QVERIFY(f.OpenSingleFile(w.Site("a.htm")));
  const std::string style = f.session().ActiveStyle().Options.StyleName;
  fs::remove_all(w.home / "styles");
  const RunSummary s = w.Run(f.FormatButton);
  QVERIFY(s.Aborted);
  QCOMPARE(w.dialogs.Texts("message").size(), size_t(1));
  QVERIFY(f.isVisible());
  QCOMPARE(f.session().ActiveStyle().Options.StyleName, style);
  QCOMPARE(ReadFile(w.Site("a.htm")), std::string("<html><p>one</p></html>\n"));
}

TESSEL_GUI_TEST(MainWindowTest);

}  // namespace tessel::gui::testing

#include "main_window_test.moc"
