#include "gui/confirm_dialog.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QTest>

#include "app/session.h"
#include "gui/skin.h"
#include "gui_test_support.h"

namespace tessel::gui::testing {

class ConfirmDialogTest : public QObject {
  Q_OBJECT

  struct Fixture {
    TempHome home;
    RunHost host;
    Session session{home.path(), host};
    Skin skin;
    ConfirmDialog dialog{skin};
    Fixture(ProcessKind mode, SelectionKind selection, bool backups) {
      RunState& state = session.State();
      state.ProcessMode = mode;
      state.SelectionMode = selection;
      state.DoCreateBackUps = backups;
      state.FileName = home / "page.htm";
      state.SourceDir = home / "site/";
      state.FileList = {home / "a.htm", home / "b.htm"};
    }
  };

 private slots:
  void ShowsTheMessageOfModeAndSelection_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("selection");
    QTest::addColumn<bool>("backups");
    QTest::addColumn<bool>("backupExists");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");  // {D}: the data directory
    const QString single =
        "\nThe current file will be%1now.\n\nNote: following files will be "
        "overwritten:\nSOURCE:  \"{D}/page.htm\"\n";
    const QString batch = "\n2 files will be%1now.\n\n";
    auto row = [](const char* name, ProcessKind mode, SelectionKind selection, bool backups,
                  bool exists, const char* caption, const QString& text) {
      QTest::newRow(name) << int(mode) << int(selection) << backups << exists << caption << text;
    };
    using P = ProcessKind;
    using S = SelectionKind;
    row("single, first backup", P::Format, S::SingleFile, true, false, "Format",
        single.arg(" formatted ") + "\nBackup will be saved first time:\n\"{D}/page.htm.pbak\"");
    row("single, backup exists", P::Compress, S::SingleFile, true, true, "Compress",
        single.arg(" compressed ") + "BACKUP:  \"{D}/page.htm.pbak\"");
    row("picked, restore", P::Restore, S::PickedFiles, true, false, "Restore",
        batch.arg(" processed ") +
            "HTML-Files without a corresponding\nBackup File will be "
            "skipped.\n\nNote: Restore doesn't generate new Backup Files!");
    row("tree, backups", P::Trim, S::Tree, true, false, "Trim",
        batch.arg(" trimmed ") +
            "Backup enabled.\nSource Files will be copied to:\n\"{D}/site_BAK00/\"");
    row("tree, no backups", P::Format, S::Tree, false, false, "Format",
        batch.arg(" formatted ") + "******  WARNING: ******\nNo Backup Files will be created!");
  }
  void ShowsTheMessageOfModeAndSelection() {
    QFETCH(int, mode);
    QFETCH(int, selection);
    QFETCH(bool, backups);
    QFETCH(bool, backupExists);
    QFETCH(QString, text);
    Fixture f(ProcessKind(mode), SelectionKind(selection), backups);
    if (backupExists) WriteFile(f.home / "page.htm.pbak", "old");
    f.dialog.Prepare(f.session.State(), f.session.Settings());
    QTEST(f.dialog.windowTitle(), "caption");
    QCOMPARE(f.dialog.MessageView->toPlainText(),
             text.replace("{D}", QString::fromStdString(f.home.path())));
    QCOMPARE(f.dialog.BackupBox->isChecked(), backups);
    QCOMPARE(f.dialog.BackupBox->isEnabled(), ProcessKind(mode) != ProcessKind::Restore);
  }

  void TickingBackupSetsBothAndRebuildsTheMessage() {
    Fixture f(ProcessKind::Format, SelectionKind::SingleFile, true);
    RunState& state = f.session.State();
    f.dialog.Prepare(state, f.session.Settings());
    for (const bool on : {false, true}) {
      f.dialog.BackupBox->click();
      QCOMPARE(state.DoCreateBackUps, on);
      QCOMPARE(f.session.Settings().DoCreateBackUps, on);
      QCOMPARE(f.dialog.MessageView->toPlainText().contains("No Backup File will be created!"), !on);
    }
  }
};

TESSEL_GUI_TEST(ConfirmDialogTest);

}  // namespace tessel::gui::testing

#include "confirm_dialog_test.moc"
