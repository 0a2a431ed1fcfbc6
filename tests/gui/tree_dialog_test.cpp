#include "gui/tree_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/session.h"
#include "gui/gui_text.h"
#include "gui/skin.h"
#include "support/window_test_support.h"

namespace tessel::gui::testing {

class TreeDialogTest : public QObject {
  Q_OBJECT

  struct Fixture {
    TempHome home;
    RunHost host;
    Session session{home.path(), host};
    Skin skin;
    TreeDialog dialog{session, skin};
    Fixture() { std::filesystem::create_directories(home / "site/pages"); }
  };

 private slots:
  void StartsInTheRememberedTreeRefusesTheRootAndRemembersOnOk() {
    Fixture f;
    f.session.Settings().Tree = f.home / "gone/";
    f.dialog.Prepare();
    QCOMPARE(PathToQ(f.dialog.CurrentDir()), QDir::homePath());  // never the data directory
    f.session.Settings().Tree = f.home / "site/pages/";
    f.dialog.Prepare();
    QCOMPARE(f.dialog.CurrentDir(), f.home / "site/pages");
    f.dialog.open();
    f.dialog.OpenDir("/");
    QVERIFY(!f.dialog.OkButton->isEnabled());
    QTest::keyClick(&f.dialog, Qt::Key_Return);
    QVERIFY(f.dialog.isVisible());

    f.dialog.OpenDir(f.home / "site");
    QTest::keyClick(&f.dialog, Qt::Key_Return);
    QCOMPARE(f.dialog.result(), int(QDialog::Accepted));
    ProgramSettings stored;
    QVERIFY(ReadProgramSettings(f.session.SettingsPath(), 0, 0, stored));
    QCOMPARE(stored.Tree, f.home / "site/");
  }

  void ClickOpensADirectoryAndTheTypeBoxSetsTheFilter() {
    Fixture f;
    f.session.State().FilterIndex = 2;
    f.dialog.Prepare();
    QCOMPARE(f.dialog.FileTypes->currentIndex(), 2);
    f.dialog.FileTypes->setCurrentIndex(5);
    QCOMPARE(f.session.State().FilterIndex, 5);

    f.dialog.show();
    f.dialog.OpenDir(f.home / "site");
    QListView* list = f.dialog.Directories;
    QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 1);
    const QRect pages = list->visualRect(list->model()->index(0, 0, list->rootIndex()));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, pages.center());
    QCOMPARE(f.dialog.CurrentDir(), f.home / "site/pages");
  }

  void ADirectoryTypedOpensWithoutClosingTheDialog() {
    Fixture f;
    f.dialog.Prepare();
    f.dialog.open();
    struct Case {
      std::string typed, expected;
    } cases[] = {
        {f.home / "site", f.home / "site"},  // absolute
        {"pages", f.home / "site/pages"},    // inside the one shown
        {"~", PathFromQ(QDir::homePath())},
        {"/no such directory", PathFromQ(QDir::homePath())},  // refused: nothing changes
    };
    for (const Case& c : cases) {
      f.dialog.Location->setFocus();
      f.dialog.Location->selectAll();
      QTest::keyClicks(f.dialog.Location, PathToQ(c.typed));
      QTest::keyClick(f.dialog.Location, Qt::Key_Return);
      QCOMPARE(f.dialog.CurrentDir(), c.expected);
      QCOMPARE(f.dialog.Location->text(), PathToQ(c.expected));
      QVERIFY(f.dialog.isVisible());
    }
  }
};

TESSEL_GUI_TEST(TreeDialogTest);

}  // namespace tessel::gui::testing

#include "tree_dialog_test.moc"
