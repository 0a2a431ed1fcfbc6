#include "gui/file_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "app/session.h"
#include "gui/skin.h"
#include "support/window_test_support.h"

namespace tessel::gui::testing {

class FileDialogTest : public QObject {
  Q_OBJECT

  struct Fixture {
    TempHome home;
    std::string site = home / "site";
    RunHost host;
    Session session{home.path(), host};
    ScriptedDialogs dialogs;
    Skin skin;
    FileDialog dialog{session, dialogs, skin};
    Fixture() {
      WriteFile(site + "/page.htm", "<HTML><body></body></HTML>");
      WriteFile(site + "/plain.htm", "<!DOCTYPE html>\r\n<p>no tag</p>");
      WriteFile(site + "/page.htm.pbak", "<html></html>");
      WriteFile(site + "/notes.txt", "<html></html>");
    }
    ProgramSettings Stored() {
      ProgramSettings stored;
      ReadProgramSettings(session.SettingsPath(), 0, 0, stored);
      return stored;
    }
  };

  static QStringList Listed(const FileDialog& dialog) {
    const QAbstractItemModel* model = dialog.Files->model();
    QStringList names;
    for (int row = 0; row < model->rowCount(dialog.Files->rootIndex()); ++row)
      names << model->index(row, 0, dialog.Files->rootIndex()).data().toString();
    return names;
  }

 private slots:
  void SelectionAcceptsOrRejectsASingleFile_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("validate");
    QTest::addColumn<QStringList>("chosen");  // empty: the dialog stays open
    QTest::addColumn<bool>("rejected");       // the "Invalid file:" box was shown
    QTest::newRow("valid") << QStringList{"page.htm"} << true << QStringList{"page.htm"} << false;
    QTest::newRow("no tag") << QStringList{"plain.htm"} << true << QStringList{} << true;
    QTest::newRow("no tag, not validating")
        << QStringList{"plain.htm"} << false << QStringList{"plain.htm"} << false;
    QTest::newRow("two, tested later") << QStringList{"plain.htm", "page.htm"} << true
                                       << QStringList{"page.htm", "plain.htm"} << false;
    QTest::newRow("other types not listed")
        << QStringList{"notes.txt", "page.htm.pbak"} << false << QStringList{} << false;
  }
  void SelectionAcceptsOrRejectsASingleFile() {
    QFETCH(QStringList, names);
    QFETCH(bool, validate);
    QFETCH(QStringList, chosen);
    QFETCH(bool, rejected);
    Fixture f;
    f.session.State().DoValidate = validate;
    f.session.Settings().Multi = f.site + "/";
    QStringList listed;
    bool okEnabled = false;
    bool stayedOpen = false;
    QTimer::singleShot(0, &f.dialog, [&] {
      // What the user sees once the directory is read: only the chosen type, by name.
      (void)QTest::qWaitFor([&] { return (listed = Listed(f.dialog)).value(0) == "page.htm"; });
      std::vector<std::string> selection;
      for (const QString& name : names) selection.push_back(name.toStdString());
      f.dialog.SelectNames(selection);
      okEnabled = f.dialog.OkButton->isEnabled();
      f.dialog.Confirm();
      if ((stayedOpen = f.dialog.isVisible())) f.dialog.reject();
    });
    const std::optional<std::vector<std::string>> result = f.dialog.SelectFiles();

    QCOMPARE(f.dialog.windowTitle(), QString("File Selection"));
    QCOMPARE(listed, (QStringList{"page.htm", "plain.htm"}));
    QCOMPARE(okEnabled, !chosen.isEmpty() || rejected);
    QCOMPARE(stayedOpen, chosen.isEmpty());
    QCOMPARE(f.dialogs.Texts("message").size(), size_t(rejected ? 1 : 0));
    std::vector<std::string> expected;
    for (const QString& name : chosen) expected.push_back(f.site + "/" + name.toStdString());
    QCOMPARE(result, chosen.isEmpty() ? std::nullopt : std::optional(expected));
    QCOMPARE(f.Stored().Multi, (chosen.isEmpty() ? f.home.path() : f.site) + "/");
  }

  void SaveCaptionAndNameFollowDirectoryAndHighlight() {
    Fixture f;
    f.dialog.PrepareSave("/elsewhere/index.htm", [](const std::string&) { return true; });
    QCOMPARE(f.dialog.NameField->text(), QString("index.htm"));
    f.dialog.OpenDir(f.site);
    f.dialog.NameField->setText("new.htm");
    QVERIFY(f.dialog.windowTitle().contains(QString::fromStdString(f.site + "/new.htm")));
    f.dialog.SelectNames({"page.htm"});
    QCOMPARE(f.dialog.NameField->text(), QString("page.htm"));
    f.dialog.Files->clearSelection();
    QCOMPARE(f.dialog.NameField->text(), QString("index.htm"));
    f.dialog.OpenDir("/");
    QVERIFY(f.dialog.windowTitle().contains("\"/index.htm\""));
  }

  void SaveAsksBeforeOverwritingAndRemembersTheDirectory_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("overwrite");  // the answer, when asked
    QTest::addColumn<bool>("written");    // what the save callback returns
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("saved");
    QTest::newRow("new, blanks trimmed") << "  new.htm  " << true << true << false << true;
    QTest::newRow("exists, Yes") << "page.htm" << true << true << true << true;
    QTest::newRow("exists, No") << "page.htm" << false << true << true << false;
    QTest::newRow("write failed") << "new.htm" << true << false << false << false;
  }
  void SaveAsksBeforeOverwritingAndRemembersTheDirectory() {
    QFETCH(QString, typed);
    QFETCH(bool, overwrite);
    QFETCH(bool, written);
    QFETCH(bool, asked);
    QFETCH(bool, saved);
    Fixture f;
    const std::string path = f.site + "/" + typed.trimmed().toStdString();
    f.session.Settings().Save = f.site;
    f.dialogs.yesNo = {overwrite};
    std::vector<std::string> writes;
    bool open = false;
    QTimer::singleShot(0, &f.dialog, [&] {
      f.dialog.NameField->setText(typed);
      f.dialog.Confirm();
      if ((open = f.dialog.isVisible())) f.dialog.reject();
    });
    const std::optional<std::string> result =
        f.dialog.SaveAs("/elsewhere/index.htm", [&](const std::string& p) {
          writes.push_back(p);
          return written;
        });

    QCOMPARE(f.dialog.OkButton->text(), QString("SAVE"));
    QCOMPARE(f.dialogs.Texts("yesno").size(), size_t(asked ? 1 : 0));
    QCOMPARE(writes.size(), size_t(asked && !overwrite ? 0 : 1));
    QCOMPARE(open, !saved);
    QCOMPARE(result, saved ? std::optional(path) : std::nullopt);
    QCOMPARE(f.Stored().Save, saved ? f.site : f.home.path() + "/");
  }
};

TESSEL_GUI_TEST(FileDialogTest);

}  // namespace tessel::gui::testing

#include "file_dialog_test.moc"
