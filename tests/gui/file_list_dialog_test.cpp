#include "gui/file_list_dialog.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "app/session.h"
#include "gui/skin.h"
#include "support/window_test_support.h"

namespace tessel::gui::testing {

class FileListDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void ListsEverythingSelectedAndReturnsTheChoice_data() {
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<bool>("chosen");          // OK rather than Cancel
    QTest::addColumn<QStringList>("dropped");  // files found but not returned
    QTest::newRow("OK") << QStringList{"ok"} << true << QStringList{};
    QTest::newRow("one clicked away")
        << QStringList{"click", "ok"} << true << QStringList{"b.html"};
    QTest::newRow("deselect, select all")
        << QStringList{"deselect", "select", "ok"} << true << QStringList{};
    QTest::newRow("deselect all") << QStringList{"deselect", "ok"} << true
                                  << QStringList{"a.htm", "b.html", "c.htm"};
    QTest::newRow("Cancel") << QStringList{"cancel"} << false << QStringList{};
    QTest::newRow("Esc") << QStringList{"esc"} << false << QStringList{};
  }
  void ListsEverythingSelectedAndReturnsTheChoice() {
    QFETCH(QStringList, actions);
    QFETCH(bool, chosen);
    QFETCH(QStringList, dropped);
    TempHome home;
    const std::string site = home / "site";
    for (const char* name : {"a.htm", "b.html", "sub/c.htm", "d.txt", ".hidden/e.htm"})
      WriteFile(site + "/" + name, "<html></html>");
    Skin skin;
    FileListDialog dialog(skin);

    QString caption;
    int selected = -1;
    connect(&dialog, &FileListDialog::Listed, this, [&] {
      QListWidget* list = dialog.FoundFiles;
      caption = dialog.windowTitle();
      selected = int(list->selectedItems().size());
      for (const QString& action : actions) {
        if (action == "select") dialog.SelectAllButton->click();
        if (action == "deselect") dialog.DeselectAllButton->click();
        if (action == "ok") dialog.OkButton->click();
        if (action == "cancel") dialog.CancelButton->click();
        if (action == "esc") QTest::keyClick(&dialog, Qt::Key_Escape);
        if (action == "click") {
          if (QListWidgetItem* b = list->findItems("b.html", Qt::MatchEndsWith).value(0))
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(b).center());
        }
      }
    });
    QTimer::singleShot(10000, &dialog, &QDialog::reject);  // never hang on a missing signal
    const std::optional<std::vector<std::string>> result = dialog.Choose({site, 0, false});

    QCOMPARE(caption, QString::fromStdString("3 valid HTML files found in: " + site + "/..."));
    QCOMPARE(selected, 3);
    std::vector<std::string> found = dialog.Scan().Files, sorted = found;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(sorted,
             (std::vector<std::string>{site + "/a.htm", site + "/b.html", site + "/sub/c.htm"}));
    QCOMPARE(result.has_value(), chosen);
    if (!chosen) return;
    std::vector<std::string> expected;  // in the order of the list
    for (const std::string& file : found) {
      const QString name = QString::fromStdString(file).section('/', -1);
      if (!dropped.contains(name)) expected.push_back(file);
    }
    QCOMPARE(*result, expected);
  }
};

TESSEL_GUI_TEST(FileListDialogTest);

}  // namespace tessel::gui::testing

#include "file_list_dialog_test.moc"
