// The preview of a run and the restore of a tree, driven as a person drives them: the
// preview opened from the confirmation by its key, a file unticked with Space, closed with
// Esc; a tree run and then Restore, each confirmed with Enter in the real confirmation.
#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <map>

#include "gui/confirm_dialog.h"
#include "gui/gui_text.h"
#include "gui/main_window.h"
#include "gui/preview_dialog.h"
#include "gui/skin.h"
#include "gui/window_dialogs.h"
#include "support/window_test_support.h"

namespace tessel::gui::testing {

namespace fs = std::filesystem;

/// The real dialogs, except that Select Tree chooses the tree named here and keeps every
/// file found in it.
class TreeDialogs : public WindowDialogs {
 public:
  TreeDialogs() : WindowDialogs(skin_) {}
  std::optional<std::string> ChooseTree(QWidget*, Session&) override { return tree; }
  std::optional<TreeChoice> ChooseFromTree(QWidget*, const TreeScanRequest& request) override {
    TreeScan scan = ScanTree(request);
    std::vector<std::string> all = scan.Files;
    return TreeChoice{std::move(scan), std::move(all)};
  }
  std::string tree;

 private:
  Skin skin_;
};

/// Every file below `dir` with its bytes.
std::map<std::string, std::string> Files(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) files[e.path().string()] = ReadFile(e.path().string());
  }
  return files;
}

class RunPreviewTest : public QObject {
  Q_OBJECT

  struct Window : WindowUnderTest {
    explicit Window(TreeDialogs& dialogs)
        : WindowUnderTest({{{"site/a.htm", "<html><p>one</p></html>\r\n"},
                            {"site/b.htm", "<html><p>two</p></html>\r\n"},
                            {"site/sub/c.htm", "<html><p>three</p></html>\r\n"}},
                           {},
                           &dialogs,
                           false}) {
      dialogs.tree = home / "site";
      Key(Qt::Key_F4);
    }
    std::string Site(const std::string& name) const { return Path("site/" + name); }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
      QTest::keyClick(FocusIn(form.get()), Qt::Key(key), mods);
    }
    /// `key` pressed in the window, and the run it starts waited for.
    RunSummary RunBy(int key) {
      QSignalSpy finished(form.get(), &MainWindow::RunFinished);
      Key(key);
      if (!finished.wait(20000)) return {};
      return finished.takeFirst().at(0).value<RunSummary>();
    }
  };

  /// The preview's rows once it has looked at every file.
  static QStringList Listed(QWidget* dialog) {
    auto* preview = qobject_cast<PreviewDialog*>(dialog);
    if (!preview) return {};
    if (preview->StopButton->isEnabled()) QSignalSpy(preview, &PreviewDialog::Listed).wait(20000);
    QStringList rows;
    for (int r = 0; r < preview->Files->count(); ++r) rows << preview->Files->item(r)->text();
    return rows;
  }

 private slots:
  void UntickedFilesAreLeftOutOfTheRun() {
    TreeDialogs dialogs;
    Window w(dialogs);
    const std::string b = ReadFile(w.Site("b.htm"));
    QStringList listed, message;
    bool closed = false, inView = false;
    UserAtDialogs user(
        {[&](QWidget* confirm) {
           // A mnemonic clicks its button a moment later, as on a desktop.
           QTest::keyClick(FocusIn(confirm), Qt::Key_P, Qt::AltModifier);
           QTRY_VERIFY_WITH_TIMEOUT(closed, 20000);
           // The preview is closed again: back at the confirmation.
           message << static_cast<ConfirmDialog*>(confirm)->MessageView->toPlainText();
           QTest::keyClick(FocusIn(confirm), Qt::Key_Return);
         },
         [&](QWidget* preview) {
           listed = Listed(preview);
           QTest::keyClick(FocusIn(preview), Qt::Key_Down);   // site/b.htm
           QTest::keyClick(FocusIn(preview), Qt::Key_Space);  // left out
           // Esc closes it from the differences too, where the view takes keys.
           auto* view = static_cast<PreviewDialog*>(preview)->Unified->viewport();
           QTest::mouseClick(view, Qt::LeftButton);
           inView = FocusIn(preview) == view->parentWidget();
           QTest::keyClick(FocusIn(preview), Qt::Key_Escape);
           closed = true;
         }});
    const RunSummary s = w.RunBy(Qt::Key_F5);
    QCOMPARE(listed, QStringList({"site/a.htm", "site/b.htm", "site/sub/c.htm"}));
    QVERIFY(inView);
    QVERIFY2(message.value(0).contains("2 files will be formatted now."),
             qPrintable(message.value(0)));
    QCOMPARE(s.Processed, 2);
    QCOMPARE(ReadFile(w.Site("b.htm")), b);
    QVERIFY(ReadFile(w.Site("a.htm")) != "<html><p>one</p></html>\r\n");
    QVERIFY(ReadFile(w.Site("sub/c.htm")) != "<html><p>three</p></html>\r\n");
    QVERIFY(!fs::exists(w.home / "site_BAK00/b.htm"));  // not backed up: not run
  }

  void PreviewListsWhatCheckListsAndCancellingWritesNothing() {
    TreeDialogs dialogs;
    Window w(dialogs);
    WriteFile(w.Site("sub/nul.htm"), std::string("<html>\0</html>", 14));
    // Already compressed: a Compress run leaves it as it is.
    WriteFile(w.Site("done.htm"), "<HTML><P>done</P></HTML> \r\n");
    w.Key(Qt::Key_F4);
    const auto before = Files(w.home / "site");
    QStringList listed;
    QString summary, after;
    bool closed = false;
    UserAtDialogs user({[&](QWidget* confirm) {
                          QTest::keyClick(FocusIn(confirm), Qt::Key_P, Qt::AltModifier);
                          QTRY_VERIFY_WITH_TIMEOUT(closed, 20000);
                          QTest::keyClick(FocusIn(confirm), Qt::Key_Escape);  // no run
                        },
                        [&](QWidget* dialog) {
                          listed = Listed(dialog);
                          auto* preview = static_cast<PreviewDialog*>(dialog);
                          summary = preview->Summary->text();
                          QTest::keyClick(FocusIn(preview), Qt::Key_S, Qt::AltModifier);
                          QTRY_VERIFY(preview->SideBySide->isChecked());
                          after = preview->After->text();
                          QTest::keyClick(FocusIn(preview), Qt::Key_Escape);
                          closed = true;
                        }});
    const RunSummary s = w.RunBy(Qt::Key_F6);
    QVERIFY(s.Cancelled);

    // What --check lists is the core's to prove (ChangePreviewTest); here: the rows shown.
    listed.sort();
    QCOMPARE(listed, QStringList({"site/a.htm", "site/b.htm", "site/sub/c.htm",
                                  "site/sub/nul.htm  (cannot be read)"}));
    QVERIFY2(
        summary.contains("3 files would change, 1 would stay as they are, 1 could not be read"),
        qPrintable(summary));
    QVERIFY2(after.contains("one"), qPrintable(after));
    QVERIFY(Files(w.home / "site") == before);
    QVERIFY(!fs::exists(w.home / "site_BAK00"));
  }

  void TreeRunThenRestoreGivesThePagesBack() {
    TreeDialogs dialogs;
    Window w(dialogs);
    MainWindow& f = *w.form;
    const auto original = Files(w.home / "site");
    QVERIFY(!f.RestoreButton->isEnabled());  // no backup of the tree yet
    UserAtDialogs user(
        {[](QWidget* confirm) { QTest::keyClick(FocusIn(confirm), Qt::Key_Return); },
         [](QWidget* confirm) { QTest::keyClick(FocusIn(confirm), Qt::Key_Return); },
         [](QWidget* confirm) { QTest::keyClick(FocusIn(confirm), Qt::Key_Return); }});
    QCOMPARE(w.RunBy(Qt::Key_F5).Processed, 3);
    const auto formatted = Files(w.home / "site");
    QVERIFY(formatted != original);
    QVERIFY(f.RestoreButton->isEnabled());

    QCOMPARE(w.RunBy(Qt::Key_F8).Processed, 3);
    QCOMPARE(user.Seen.size(), 2);
    QCOMPARE(user.Seen[1], QString("Restore"));
    QVERIFY(Files(w.home / "site") == original);
    for (const char* page : {"a.htm", "b.htm", "sub/c.htm"}) {
      QVERIFY2(f.ProtocolText().contains(PathToQ(w.Site(page)) + "   -  RESTORED"), page);
      // The restore's own backup holds the pages as they were before it.
      QCOMPARE(ReadFile(w.Path("site_BAK01/") + page), formatted.at(w.Site(page)));
    }
    // Restore again: the newest backup is the restore's own, so the restore is undone.
    QCOMPARE(w.RunBy(Qt::Key_F8).Processed, 3);
    QVERIFY(Files(w.home / "site") == formatted);
  }
};

TESSEL_GUI_TEST(RunPreviewTest);

}  // namespace tessel::gui::testing

#include "run_preview_test.moc"
