// The options dialog's wiring: its controls reach the draft and the preview, its buttons and
// keys commit or drop it, and the nested dialogs feed the style. What the draft does is the
// options model's, tested without a display.
#include "gui/options_dialog.h"

#include <Qsci/qsciscintilla.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "app/session.h"
#include "gui/add_tag_dialog.h"
#include "gui/new_style_dialog.h"
#include "gui/skin.h"
#include "support/window_test_support.h"

namespace tessel::gui::testing {

namespace fs = std::filesystem;

class OptionsDialogTest : public QObject {
  Q_OBJECT

  struct Fixture {
    TempHome home;
    RunHost host;
    Session session{home.path(), host};
    ScriptedDialogs dialogs;
    Skin skin;
    std::unique_ptr<OptionsDialog> dialog;

    explicit Fixture(bool samples = true) {
      if (!samples) fs::remove_all(home / "preview");
      StyleError styleErr;
      std::string err;
      if (!session.LoadStyle(nullptr, &styleErr) || !session.ReadTrimList(&err))
        throw std::runtime_error("no style or trim list in the test home");
      dialog = std::make_unique<OptionsDialog>(session, dialogs, skin, nullptr);
      dialog->show();
    }
    std::string StyleFile(const std::string& file) const {
      return home / ("styles/_default/" + file);
    }
    /// Selects the grid row of `tag` as a click does; its 0-based row.
    int SelectTag(const QString& tag) {
      QTableWidget& grid = *dialog->TagGrid;
      for (int row = 0; row < grid.rowCount(); ++row) {
        if (grid.item(row, 0)->text() == tag) {
          QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                            grid.visualItemRect(grid.item(row, 1)).center());
          return row;
        }
      }
      throw std::runtime_error("no grid row " + tag.toStdString());
    }
    QString Shown() const { return dialog->Preview->text(); }
  };

  /// Whether one line of `text` holds both `a` and `b`.
  static bool OneLineHolds(const QString& text, const QString& a, const QString& b) {
    for (const QString& line : text.split('\n'))
      if (line.contains(a) && line.contains(b)) return true;
    return false;
  }

 private slots:
  void WithoutSamplePagesThePreviewIsOff() {
    for (const bool samples : {true, false}) {
      Fixture f(samples);
      QCOMPARE(f.dialog->PreviewChoice->currentText(),
               samples ? QString("sample_html4.htm") : QString("ERROR: No preview file found"));
      for (QWidget* w : {static_cast<QWidget*>(f.dialog->PreviewFormattedButton),
                         static_cast<QWidget*>(f.dialog->PreviewChoice)})
        QCOMPARE(w->isEnabled(), samples);
      QCOMPARE(f.Shown().startsWith("<!DOCTYPE HTML PUBLIC"), samples);
    }
  }

  void ControlsReachThePreviewBeforeAnythingIsSaved() {
    Fixture f;
    const std::string options = ReadFile(f.StyleFile("options.ini"));
    QTest::mouseClick(f.dialog->LowerCaseButton, Qt::LeftButton);
    f.dialog->LineSizeCounter->setFocus();
    for (int i = 0; i < 40; ++i) QTest::keyClick(f.dialog->LineSizeCounter, Qt::Key_Up);
    QTest::mouseClick(f.dialog->PreviewFormattedButton, Qt::LeftButton);
    QVERIFY(OneLineHolds(f.Shown(), "<html>", "<html>"));
    QVERIFY(OneLineHolds(f.Shown(), "Welcome", "greenhouse"));  // lines of 500
    QTest::mouseClick(f.dialog->ReloadButton, Qt::LeftButton);
    QVERIFY(f.Shown().startsWith("<!DOCTYPE HTML PUBLIC"));
    // Spaces only: the indentation of tags (at 8 columns a level, a TAB without it) follows.
    f.dialog->IndentCounter->setValue(8);
    auto tabIndented = [&f] {
      QTest::mouseClick(f.dialog->PreviewFormattedButton, Qt::LeftButton);
      return f.Shown().contains("\n\t<");
    };
    QVERIFY(tabIndented());
    QTest::mouseClick(f.dialog->SpacesOnlyBox, Qt::LeftButton);
    QVERIFY(!tabIndented());
    QVERIFY(f.Shown().contains("\n        <"));
    QTest::keyClicks(f.dialog->UserInfoField, " <i>");  // the documentation line follows
    QVERIFY(f.dialog->DocLinePreview->text().startsWith("<!--~ Unknown User  i, "));
    QCOMPARE(ReadFile(f.StyleFile("options.ini")), options);
  }

  void OkWritesTheControlsCancelAndEscDropThem_data() {
    QTest::addColumn<QString>("how");
    for (const char* how : {"OK", "Cancel", "Esc", "Esc in the preview"}) QTest::newRow(how) << how;
  }
  void OkWritesTheControlsCancelAndEscDropThem() {
    QFETCH(QString, how);
    Fixture f;
    const std::string tags = ReadFile(f.StyleFile("tag.ini"));
    const std::string trim = ReadFile(f.home / "trim.ini");
    f.dialog->LineSizeCounter->setValue(120);
    const int row = f.SelectTag("<B>");
    QTest::mouseClick(f.dialog->StandAloneButton, Qt::LeftButton);  // from As Text
    QCOMPARE(f.dialog->BreaksBeforeCounter->value(), 1);
    QCOMPARE(f.dialog->TagGrid->item(row, 1)->text() + f.dialog->TagGrid->item(row, 2)->text(),
             "S11");
    f.dialog->TrimChoice->findItems("<CENTER>", Qt::MatchExactly)[0]->setCheckState(Qt::Checked);
    f.dialog->BackupExtField->selectAll();
    QTest::keyClicks(f.dialog->BackupExtField, "bak");  // a program setting: applies at once
    QTest::mouseClick(f.dialog->VerifyBox, Qt::LeftButton);  // so does this one
    f.dialog->LineEndsChoice->setFocus();
    QTest::keyClick(f.dialog->LineEndsChoice, Qt::Key_End);  // "As the file has": OK keeps it
    QCOMPARE(f.dialog->LineEndsChoice->currentText(), "As the file has");
    QTest::mouseClick(f.dialog->SpacesOnlyBox, Qt::LeftButton);
    if (how == "OK") {
      QTest::mouseClick(f.dialog->OkButton, Qt::LeftButton);
    } else if (how == "Cancel") {
      QTest::mouseClick(f.dialog->CancelButton, Qt::LeftButton);
    } else {
      QWidget* focus = f.dialog->LineSizeCounter;
      if (how != "Esc") focus = f.dialog->Preview;
      QTest::keyClick(focus, Qt::Key_Escape);
    }
    QVERIFY(!f.dialog->isVisible());
    const bool ok = how == "OK";
    QCOMPARE(ReadFile(f.StyleFile("tag.ini")) != tags, ok);
    QCOMPARE(ReadFile(f.home / "trim.ini") != trim, ok);
    QCOMPARE(f.session.ActiveStyle().Options.LineSize, ok ? 120 : 100);
    QCOMPARE(f.session.ActiveStyle().Options.DoIndentSpacesOnly, ok);
    QCOMPARE(ReadFile(f.StyleFile("options.ini")).find("DoIndentSpacesOnly=1") != std::string::npos,
             ok);
    QCOMPARE(f.session.State().Conventions.LineEnds,
             ok ? LineEndSetting::Keep : LineEndSetting::CrLf);
    QCOMPARE(f.session.State().BackupExt, std::string(".bak"));
    QCOMPARE(f.session.State().Verify, VerifyKind::Mark);
    QVERIFY(f.session.Settings().DoVerify);
  }

  void AFailedWriteKeepsTheDialogOpen() {
    Fixture f;
    f.dialog->LineSizeCounter->setValue(120);
    fs::remove(f.StyleFile("tag.ini"));
    fs::create_directory(f.StyleFile("tag.ini"));  // cannot be read or replaced
    QTest::mouseClick(f.dialog->OkButton, Qt::LeftButton);
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(f.dialogs.Texts("message").size(), size_t(1));
    QCOMPARE(f.dialog->LineSizeCounter->value(), 120);
  }

  void SwitchingStyleAfterAnEditAsksFirst() {
    for (const Answer answer : {Answer::No, Answer::Cancel}) {
      Fixture f;
      f.dialog->LineSizeCounter->setValue(120);
      f.dialogs.yesNoCancel.push_back(answer);
      f.dialog->StyleChoice->setFocus();
      QTest::keyClick(f.dialog->StyleChoice, Qt::Key_Down);  // "documented"
      QCOMPARE(f.dialogs.Texts("yesnocancel").size(), size_t(1));
      const bool stayed = answer == Answer::Cancel;
      QCOMPARE(f.dialog->StyleChoice->currentText(), stayed ? "_default" : "documented");
      QCOMPARE(f.dialog->LineSizeCounter->value(),
               stayed ? 120 : f.session.ActiveStyle().Options.LineSize);
      QCOMPARE(f.dialog->StyleModified(), stayed);
    }
  }

  void NestedDialogsFeedTheStyle() {
    Fixture f;
    bool refusedExisting = false;
    f.dialog->RunNested = [&](QDialog& d) {
      auto& dialog = dynamic_cast<NewStyleDialog&>(d);
      QTest::keyClicks(dialog.NameField, "HTML5");
      refusedExisting = !dialog.OkButton->isEnabled();
      dialog.NameField->clear();
      QTest::keyClicks(dialog.NameField, " My.New style ");
      dialog.OkButton->click();
      return dialog.result();
    };
    QTest::mouseClick(f.dialog->SaveNewStyleButton, Qt::LeftButton);
    QVERIFY(refusedExisting);
    QCOMPARE(f.dialog->StyleChoice->currentText(), "My_New_style");

    f.dialog->RunNested = [](QDialog& d) {
      auto& dialog = dynamic_cast<AddTagDialog&>(d);
      for (const char* typed : {"pre", " blink "}) {  // refused, then added
        dialog.TagField->setText(typed);
        dialog.AddButton->click();
      }
      return dialog.result();
    };
    const int rows = f.dialog->TagGrid->rowCount();
    QTest::mouseClick(f.dialog->AddTagButton, Qt::LeftButton);
    QCOMPARE(f.dialogs.Texts("message").size(), size_t(2));  // the refusal, then "added"
    QCOMPARE(f.dialog->TagGrid->rowCount(), rows + 1);

    // An unsaved edit of another tag outlives the removal.
    f.SelectTag("<HTML>");
    f.dialog->ContentIndentCounter->setValue(3);
    f.SelectTag("<BLINK>");
    f.dialogs.yesNo = {false, true};
    for (int answer = 0; answer < 2; ++answer)
      QTest::mouseClick(f.dialog->RemoveTagButton, Qt::LeftButton);
    QCOMPARE(f.dialog->TagGrid->rowCount(), rows);
    f.SelectTag("<HTML>");
    QCOMPARE(f.dialog->ContentIndentCounter->value(), 3);
  }
};

TESSEL_GUI_TEST(OptionsDialogTest);

}  // namespace tessel::gui::testing

#include "options_dialog_test.moc"
