#include <QPlainTextEdit>
#include <QTest>

#include "gui/restore_dialog.h"
#include "gui/skin.h"
#include "support/window_test_support.h"

namespace tessel::gui::testing {

class RestoreDialogTest : public QObject {
  Q_OBJECT

 private slots:
  // Enter and Esc go to the preview, which has the focus; the dialog must still get them.
  void ShowsTheBackupAndAnswersEnterOrEsc_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("line ends, Enter")
        << QByteArray("<html>\r\none\ntwo\rthree") << "<html>\none\ntwo\nthree"
        << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("UTF-8, Esc") << QByteArray("caf\xc3\xa9 \xe2\x82\xac") << "café €"
                                << int(Qt::Key_Escape) << int(QDialog::Rejected);
    QTest::newRow("Windows-1252, Enter")
        << QByteArray("caf\xe9 \x80") << "café €" << int(Qt::Key_Enter) << int(QDialog::Accepted);
  }
  void ShowsTheBackupAndAnswersEnterOrEsc() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, key);
    Skin skin;
    RestoreDialog dialog(skin);
    dialog.Prepare("/pages/page.htm.pbak", bytes.toStdString());
    QVERIFY(dialog.windowTitle().contains("\"/pages/page.htm.pbak\""));
    QTEST(dialog.BackupView->toPlainText(), "shown");
    dialog.setResult(-1);
    dialog.open();
    QTest::keyClick(dialog.BackupView, Qt::Key(key));
    QTEST(dialog.result(), "result");
  }
};

TESSEL_GUI_TEST(RestoreDialogTest);

}  // namespace tessel::gui::testing

#include "restore_dialog_test.moc"
