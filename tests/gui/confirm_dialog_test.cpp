// The confirmation dialog's wiring: it shows the confirmation the rule makes for the run,
// its check box switches backups for the run and in the settings at once, and Enter and Esc
// answer it. The texts themselves are the run message's, tested with it.
#include "gui/confirm_dialog.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QTest>

#include "app/session.h"
#include "gui/skin.h"
#include "support/window_test_support.h"
#include "window_model/window_rules.h"

namespace tessel::gui::testing {

class ConfirmDialogTest : public QObject {
  Q_OBJECT

  struct Fixture {
    TempHome home;
    RunHost host;
    Session session{home.path(), host};
    Skin skin;
    ConfirmDialog dialog{skin};
    explicit Fixture(ProcessKind mode) {
      RunState& state = session.State();
      state.ProcessMode = mode;
      state.SelectionMode = SelectionKind::SingleFile;
      state.FileName = home / "page.htm";
    }
    QString Shown() const { return dialog.MessageView->toPlainText(); }
    QString Expected() {
      return QString::fromStdString(ConfirmationOf(session.State()).Text).replace("\r\n", "\n");
    }
  };

 private slots:
  void ShowsTheRulesConfirmationAndSwitchesBackups() {
    Fixture f(ProcessKind::Format);
    RunState& state = f.session.State();
    f.dialog.Prepare(state, f.session.Settings());
    QCOMPARE(f.dialog.windowTitle(), QString("Format"));
    QCOMPARE(f.Shown(), f.Expected());
    for (const bool on : {false, true}) {
      QTest::mouseClick(f.dialog.BackupBox, Qt::LeftButton);
      QCOMPARE(state.DoCreateBackUps, on);
      QCOMPARE(f.session.Settings().DoCreateBackUps, on);
      QCOMPARE(f.Shown(), f.Expected());
    }
  }

  void RestoreMakesNoBackupsToSwitch() {
    Fixture f(ProcessKind::Restore);
    f.dialog.Prepare(f.session.State(), f.session.Settings());
    QVERIFY(!f.dialog.BackupBox->isEnabled());
  }

  void EnterConfirmsEscCancels() {
    for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
      Fixture f(ProcessKind::Compress);
      f.dialog.Prepare(f.session.State(), f.session.Settings());
      f.dialog.setResult(-1);
      f.dialog.open();
      QTest::keyClick(FocusIn(&f.dialog), Qt::Key(key));
      QCOMPARE(f.dialog.result(),
               key == Qt::Key_Return ? int(QDialog::Accepted) : int(QDialog::Rejected));
    }
  }
};

TESSEL_GUI_TEST(ConfirmDialogTest);

}  // namespace tessel::gui::testing

#include "confirm_dialog_test.moc"
