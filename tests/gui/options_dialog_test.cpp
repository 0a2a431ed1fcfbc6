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
#include <functional>
#include <memory>
#include <stdexcept>

#include "app/session.h"
#include "gui/add_tag_dialog.h"
#include "gui/options_dialog.h"
#include "gui/new_style_dialog.h"
#include "gui/skin.h"
#include "gui_test_support.h"

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

    Fixture() {
      StyleError styleErr;
      std::string err;
      if (!session.LoadStyle(nullptr, &styleErr) || !session.ReadTrimList(&err))
        throw std::runtime_error("no style or trim list in the test home");
      dialog = std::make_unique<OptionsDialog>(session, dialogs, skin, nullptr);
      dialog->show();
    }
    std::string StyleFile(const std::string& style, const std::string& file) const {
      return home / ("styles/" + style + "/" + file);
    }
    /// Selects the grid row of `tag` as a click does; its 0-based row.
    int SelectTag(const QString& tag) {
      QTableWidget& grid = *dialog->TagGrid;
      for (int row = 0; row < grid.rowCount(); ++row) {
        if (grid.item(row, 0)->text() == tag) {
          grid.setCurrentCell(row, 1);
          return row;
        }
      }
      throw std::runtime_error("no grid row " + tag.toStdString());
    }
    QString Memo() const { return dialog->Preview->text(); }
  };

  /// Whether one line of `text` holds both `a` and `b`.
  static bool OneLineHolds(const QString& text, const QString& a, const QString& b) {
    for (const QString& line : text.split('\n'))
      if (line.contains(a) && line.contains(b)) return true;
    return false;
  }

 private slots:
  void TheSamplePagesAreOfferedOrTheErrorShown() {
    for (const bool withSamples : {true, false}) {
      TempHome home;
      if (!withSamples) fs::remove_all(home / "preview");
      RunHost host;
      Session session(home.path(), host);
      ScriptedDialogs dialogs;
      Skin skin;
      OptionsDialog dialog(session, dialogs, skin, nullptr);
      dialog.show();
      QStringList items;
      for (int i = 0; i < dialog.PreviewChoice->count(); ++i)
        items << dialog.PreviewChoice->itemText(i);
      const QStringList expected = withSamples ? QStringList{"sample_html4.htm", "sample_html5.htm"}
                                               : QStringList{"ERROR: No preview file found"};
      QCOMPARE(items, expected);
      QCOMPARE(dialog.PreviewFormattedButton->isEnabled(), withSamples);
      QCOMPARE(dialog.PreviewChoice->isEnabled(), withSamples);
      // Unchanged as a sample: the memo shows the file's own first line.
      QCOMPARE(dialog.Preview->text().startsWith("<!DOCTYPE HTML PUBLIC"), withSamples);
    }
  }

  void AChangeShowsInThePreviewBeforeAnythingIsSaved() {
    struct Row {
      const char* name;
      std::function<void(OptionsDialog&)> change;
      QString a, b;  // afterwards one line holds both
    };
    const Row rows[] = {
        {"tags in lower case", [](OptionsDialog& d) { d.LowerCaseButton->click(); }, "<html>", "<html>"},
        {"longer lines", [](OptionsDialog& d) { d.LineSizeCounter->setValue(500); }, "Welcome",
         "greenhouse"},
        {"user line on top",
         [](OptionsDialog& d) {
           d.InFormattedBox->click();
           d.UserInfoField->clear();
           QTest::keyClicks(d.UserInfoField, "<b>me</b>");
         },
         "<!--~ b me /b, ", "~-->"},
    };
    for (const Row& row : rows) {
      Fixture f;
      const std::string options = ReadFile(f.StyleFile("_default", "options.ini"));
      const std::string sample = ReadFile(f.home / "preview/sample_html4.htm");
      f.dialog->PreviewFormattedButton->click();
      QVERIFY2(!OneLineHolds(f.Memo(), row.a, row.b), row.name);
      row.change(*f.dialog);
      f.dialog->PreviewFormattedButton->click();
      QVERIFY2(OneLineHolds(f.Memo(), row.a, row.b), row.name);
      QCOMPARE(ReadFile(f.StyleFile("_default", "options.ini")), options);
      QCOMPARE(ReadFile(f.home / "preview/sample_html4.htm"), sample);
    }
    Fixture f;
    f.dialog->PreviewFormattedButton->click();
    const qsizetype formatted = f.Memo().count('\n');
    f.dialog->PreviewCompressedButton->click();
    QVERIFY(f.Memo().count('\n') * 3 < formatted);  // joined into far fewer lines
    f.dialog->ReloadButton->click();
    QVERIFY(f.Memo().startsWith("<!DOCTYPE HTML PUBLIC"));
    QTest::keyClicks(f.dialog->UserInfoField, " <i>");  // the documentation line follows
    QVERIFY(f.dialog->DocLinePreview->text().startsWith("<!--~ Unknown User  i, "));
  }

  void OkWritesTheEditsAndTheTrimListCancelWritesNothing() {
    for (const bool ok : {true, false}) {
      Fixture f;
      const std::string options = ReadFile(f.StyleFile("_default", "options.ini"));
      const std::string tags = ReadFile(f.StyleFile("_default", "tag.ini"));
      const std::string trim = ReadFile(f.home / "trim.ini");

      f.dialog->LineSizeCounter->setValue(120);
      const int row = f.SelectTag("<B>");
      f.dialog->StandAloneButton->click();  // from As Text: at least one line break each side
      QCOMPARE(f.dialog->BreaksBeforeCounter->value(), 1);
      QCOMPARE(f.dialog->TagGrid->item(row, 1)->text() + f.dialog->TagGrid->item(row, 2)->text(),
               "S11");
      f.dialog->BackupExtField->setText("bak");
      emit f.dialog->BackupExtField->editingFinished();
      QCOMPARE(f.dialog->BackupExtField->text(), ".bak");
      f.dialog->TrimChoice->findItems("<CENTER>", Qt::MatchExactly)[0]->setCheckState(Qt::Checked);
      (ok ? f.dialog->OkButton : f.dialog->CancelButton)->click();

      QVERIFY(!f.dialog->isVisible());
      std::string newTags = tags;
      const size_t section = newTags.find("[<B>]");
      for (const char* key : {"CRLFLeading=", "CRLFFollowed=", "TreatAsText="}) {
        const size_t at = newTags.find(key, section) + std::string(key).size();
        newTags[at] = newTags[at] == '0' ? '1' : '0';
      }
      std::string newOptions = options;
      newOptions.replace(newOptions.find("LineSize=100"), 12, "LineSize=120");
      std::string newTrim = trim;
      newTrim.replace(newTrim.find("<CENTER>=0"), 10, "<CENTER>=1");
      QCOMPARE(ReadFile(f.StyleFile("_default", "options.ini")), ok ? newOptions : options);
      QCOMPARE(ReadFile(f.StyleFile("_default", "tag.ini")), ok ? newTags : tags);
      QCOMPARE(ReadFile(f.home / "trim.ini"), ok ? newTrim : trim);
      // The program settings on the page take effect whichever way the dialog closes.
      QCOMPARE(f.session.State().BackupExt, ".bak");
      QCOMPARE(f.session.Settings().BackupExt, ".bak");
    }
  }

  void EscapeClosesFromAnywhereAndWritesNothing() {
    for (const bool fromMemo : {false, true}) {
      Fixture f;
      const std::string options = ReadFile(f.StyleFile("_default", "options.ini"));
      f.dialog->LineSizeCounter->setValue(120);
      QWidget* focus = fromMemo ? static_cast<QWidget*>(f.dialog->Preview) : f.dialog->LineSizeCounter;
      QTest::keyClick(focus, Qt::Key_Escape);
      QVERIFY(!f.dialog->isVisible());
      QCOMPARE(ReadFile(f.StyleFile("_default", "options.ini")), options);
    }
  }

  void AFailedWriteNamesTheFileAndKeepsTheDialogOpen() {
    Fixture f;
    f.dialog->LineSizeCounter->setValue(120);
    fs::remove(f.StyleFile("_default", "tag.ini"));
    fs::create_directory(f.StyleFile("_default", "tag.ini"));  // cannot be read or replaced
    f.dialog->OkButton->click();
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(f.dialogs.Texts("message").size(), size_t(1));
    QVERIFY(f.dialogs.Texts("message")[0].starts_with("The style could not be saved to \"" +
                                                      f.StyleFile("_default", "tag.ini") + "\""));
    QCOMPARE(f.dialog->LineSizeCounter->value(), 120);
  }

  void SwitchingStyleAfterAnEditAsksOnce() {
    for (const Answer answer : {Answer::Yes, Answer::No, Answer::Cancel}) {
      Fixture f;
      const bool save = answer == Answer::Yes;
      f.dialog->LineSizeCounter->setValue(120);
      f.dialogs.yesNoCancel.push_back(answer);
      f.dialog->ChooseStyle(f.dialog->StyleChoice->findText("html5"));
      QCOMPARE(
          f.dialogs.Texts("yesnocancel"),
          std::vector<std::string>{
              "Save changes in style:\r\n\r\n\"_default\"\r\n\r\nbefore loading another one?"});
      if (answer == Answer::Cancel) {  // the edits and their style stay
        QCOMPARE(f.session.ActiveStyle().Options.StyleName, "_default");
        QCOMPARE(f.dialog->StyleChoice->currentText(), QString("_default"));
        QCOMPARE(f.dialog->LineSizeCounter->value(), 120);
        QVERIFY(f.dialog->StyleModified());
        continue;
      }
      QCOMPARE(f.session.ActiveStyle().Options.StyleName, "html5");
      QVERIFY(f.dialog->LowerCaseButton->isChecked());  // html5 writes tags in lower case
      f.dialog->ChooseStyle(f.dialog->StyleChoice->findText("_default"));
      QCOMPARE(f.dialogs.Texts("yesnocancel").size(), size_t(1));  // nothing changed since
      QCOMPARE(f.dialog->LineSizeCounter->value(), save ? 120 : 100);
      QCOMPARE(f.session.Settings().StyleName, "_default");
    }
  }

  void SaveAsNewStyleNamesTheDirectoryAsCleaned() {
    Fixture f;
    f.dialog->IndentCounter->setValue(7);
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
    f.dialog->SaveNewStyleButton->click();
    QVERIFY(refusedExisting);
    QVERIFY(fs::is_directory(f.home / "styles/My_New_style"));
    QVERIFY(!fs::exists(f.home / "styles/MY_NEW_STYLE"));
    QVERIFY(ReadFile(f.StyleFile("My_New_style", "options.ini")).find("Spacing=7") !=
            std::string::npos);
    QCOMPARE(f.dialog->StyleChoice->currentText(), "My_New_style");
    QVERIFY(!f.dialog->StyleModified());
    // Found again by name, whatever its case.
    const std::string typed = "my_new_STYLE";
    StyleError err;
    QVERIFY(f.session.LoadStyle(&typed, &err));
    QCOMPARE(f.session.ActiveStylePath(), fs::path(f.home / "styles/My_New_style"));
    QCOMPARE(f.session.ActiveStyle().Options.Spacing, 7);
  }

  void AddingATagRefusesWhatItMustAndRemovingKeepsOtherEdits() {
    Fixture f;
    f.dialog->RunNested = [](QDialog& d) {
      auto& dialog = dynamic_cast<AddTagDialog&>(d);
      for (const char* typed : {"pre", "</b>", "", " blink "}) {
        dialog.TagField->setText(typed);
        dialog.AddButton->click();
      }
      return dialog.result();
    };
    f.dialog->AddTagButton->click();
    QCOMPARE(f.dialogs.Texts("message"),
             (std::vector<std::string>{
                 "Tag: <PRE> is not allowed to add.\r\nPlease read information above.",
                 "Tag: <B> already exists in the current style.",
                 "Tag: <> is invalid and cannot be added.",
                 "Tag <BLINK> successfully added to the current style!\r\nNow select your tag in "
                 "the \"Tag Overview\" grid to configure it."}));
    const std::string added = ReadFile(f.StyleFile("_default", "tag.ini"));
    QVERIFY(added.find("[<BLINK>]\r\nTagOpen=<BLINK>\r\nTagClose=</BLINK>\r\n") !=
            std::string::npos);
    QVERIFY(added.find("CRLFLeading=1\r\nCRLFFollowed=1", added.find("[<BLINK>]")) !=
            std::string::npos);

    // An unsaved edit of another tag outlives the removal.
    f.SelectTag("<HTML>");
    f.dialog->ContentIndentCounter->setValue(3);
    const int row = f.SelectTag("<BLINK>");
    f.dialogs.yesNo = {false, true};
    for (int answer = 0; answer < 2; ++answer) f.dialog->RemoveTagButton->click();
    QCOMPARE(f.dialogs.Texts("yesno")[0], "Remove tag <BLINK> from current style?");
    QVERIFY(ReadFile(f.StyleFile("_default", "tag.ini")).find("[<BLINK>]") == std::string::npos);
    QCOMPARE(f.dialog->TagGrid->rowCount(), row);
    QVERIFY(f.dialog->StyleModified());
    f.SelectTag("<HTML>");
    QCOMPARE(f.dialog->ContentIndentCounter->value(), 3);
  }
};

TESSEL_GUI_TEST(OptionsDialogTest);

}  // namespace tessel::gui::testing

#include "options_dialog_test.moc"
