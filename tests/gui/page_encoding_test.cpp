// Line ends and encodings of the page in the editor, as a user meets them: the setting chosen
// in the options dialog, the encoding label's menu, pages that cannot be edited. Keys and
// clicks are real; the real dialogs and message boxes answer.
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <deque>
#include <stdexcept>

#include "gui/editor_view.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "support/iconv_text.h"
#include "support/window_test_support.h"

namespace tessel::gui::testing {

namespace {

/// `utf8` in the encoding iconv calls `to`: pages made here, not stored from elsewhere.
std::string Iconv(const std::string& utf8, const char* to) {
  const std::optional<std::string> bytes = tessel::testing::Iconv(utf8, to);
  if (!bytes) throw std::runtime_error(std::string("iconv cannot write ") + to);
  return *bytes;
}

/// A click on the item `caption` of the popup menu `d`.
void ClickItem(QWidget* d, const QString& caption) {
  auto* menu = qobject_cast<QMenu*>(d);
  QVERIFY2(menu, "no menu");
  for (QAction* item : menu->actions()) {
    if (item->text() == caption) {
      QVERIFY(item->isEnabled());
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
      return;
    }
  }
  QFAIL(qPrintable("no item " + caption));
}

/// A click on the message box button `button`.
UserAtDialogs::Step Answer(QMessageBox::StandardButton button) {
  return [button](QWidget* d) {
    QTest::mouseClick(static_cast<QMessageBox*>(d)->button(button), Qt::LeftButton);
  };
}

}  // namespace

class PageEncodingTest : public QObject {
  Q_OBJECT

  struct Window : WindowUnderTest {
    Window() : WindowUnderTest({{}, {}, nullptr, true}) {}
    void Open(const std::string& name, const std::string& bytes) {
      WriteFile(Path(name), bytes);
      QVERIFY(form->OpenSingleFile(Path(name)));
      Editor().setFocus();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
      QTest::keyClick(FocusIn(form.get()), Qt::Key(key), mods);
    }
    /// The encoding label clicked, and `group`, then `encoding` chosen in its menu; then the
    /// `more` steps (the questions that follow).
    QStringList Choose(const QString& group, const QString& encoding,
                       std::deque<UserAtDialogs::Step> more = {}) {
      more.push_front([encoding](QWidget* d) { ClickItem(d, encoding); });
      more.push_front([group](QWidget* d) { ClickItem(d, group); });
      UserAtDialogs user(more);
      QTest::mouseClick(form->EncodingLabel, Qt::LeftButton);
      QTest::qWait(50);
      return user.Seen;
    }
  };

 private slots:
  void AnLfPageStaysLfWhenTheSettingKeepsWhatTheFileHas();
  void PagesInOtherEncodingsShowRightAndSaveBackByteForByte();
  void AFailedReopenChangesNothing();
  void APageThatCannotBeEditedIsOnlyShown();
};

void PageEncodingTest::AnLfPageStaysLfWhenTheSettingKeepsWhatTheFileHas() {
  Window w;
  {
    UserAtDialogs user({[](QWidget* d) {
      auto* options = static_cast<OptionsDialog*>(d);
      options->LineEndsChoice->setFocus();
      QTest::keyClick(options->LineEndsChoice, Qt::Key_End);  // "As the file has"
      QTest::mouseClick(options->OkButton, Qt::LeftButton);
    }});
    QTest::mouseClick(w.form->OptionsButton, Qt::LeftButton);
  }
  QCOMPARE(w.form->session().Settings().LineEnds, LineEndSetting::Keep);
  const std::string page = "<html>\n<body>\n<ul><li>a</li><li>b</li></ul>\n</body>\n</html>\n";
  w.Open("lf.htm", page);
  w.Key(Qt::Key_X);  // typed at the start
  // The list's line formatted from the editor's menu: new lines within it.
  w.Editor().SendScintilla(QsciScintilla::SCI_SETSEL, 18UL, 45L);
  {
    UserAtDialogs user({[](QWidget* d) { ClickItem(d, "Format selection with: \"_default\""); }});
    QWidget* view = w.Editor().viewport();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, view->rect().center(),
                           view->mapToGlobal(view->rect().center()));
    QApplication::sendEvent(view, &menu);
    QTRY_VERIFY(w.Editor().Bytes().find("\r\n  <LI>") != std::string::npos);
  }
  w.Key(Qt::Key_S, Qt::ControlModifier);
  const std::string saved = ReadFile(w.Path("lf.htm"));
  QVERIFY2(saved.find('\r') == std::string::npos, saved.c_str());
  QVERIFY(saved.starts_with("x<html>\n<body>\n<UL>\n  <LI>"));
}

void PageEncodingTest::PagesInOtherEncodingsShowRightAndSaveBackByteForByte() {
  const std::string russian = "<p>Съешь же ещё этих мягких французских булок, да выпей чаю</p>\r\n";
  const std::string japanese =
      "<meta charset=\"shift_jis\">\r\n<p>いろはにほへと　ちりぬるを　ソフトウェア</p>\r\n";
  const struct {
    const char* Iconv;
    std::string Text;
    const char* Group;  // chosen from the label's menu; shown as declared when empty
    const char* Encoding;
    const char* Why;  // part of the label's tooltip
  } cases[] = {
      {"KOI8-R", russian, "Cyrillic", "KOI8-R", "Chosen by the user"},
      {"CP932", japanese, "", "Shift_JIS", "declares \"shift_jis\""},
  };
  for (const auto& c : cases) {
    Window w;
    const std::string bytes = Iconv(c.Text, c.Iconv);
    w.Open("page.htm", bytes);
    if (*c.Group) {
      // Unsaved typing first: asked whether to save it, No drops it.
      w.Key(Qt::Key_Y);
      const QStringList seen = w.Choose(c.Group, c.Encoding, {Answer(QMessageBox::No)});
      QCOMPARE(seen.size(), 3);
      QVERIFY(seen[2].contains("before it is read again as KOI8-R?"));
    }
    QCOMPARE(w.Editor().Bytes(), c.Text);
    QCOMPARE(w.form->EncodingLabel->text(), QString(c.Encoding));
    QVERIFY2(w.form->EncodingLabel->toolTip().contains(c.Why),
             qPrintable(w.form->EncodingLabel->toolTip()));
    QVERIFY(!w.Editor().IsModified());
    w.Key(Qt::Key_Z);
    w.Key(Qt::Key_Backspace);
    QVERIFY(w.Editor().IsModified());
    w.Key(Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!w.Editor().IsModified());
    QVERIFY2(ReadFile(w.Path("page.htm")) == bytes, c.Encoding);
  }
}

void PageEncodingTest::AFailedReopenChangesNothing() {
  Window w;
  w.Open("latin.htm", "<p>caf\xE9</p>\r\n");  // no UTF-8
  w.Key(Qt::Key_Y);
  const std::string typed = w.Editor().Bytes();
  // Asked first, the edit kept (No would drop it, but the page is never read again).
  const QStringList seen =
      w.Choose("Unicode", "UTF-8", {Answer(QMessageBox::No), Answer(QMessageBox::Ok)});
  QCOMPARE(seen.size(), 4);
  QVERIFY2(seen[3].startsWith("The page was not read again:"), qPrintable(seen[3]));
  QCOMPARE(w.Editor().Bytes(), typed);
  QCOMPARE(w.form->EncodingLabel->text(), QString("Windows-1252"));
  QCOMPARE(ReadFile(w.Path("latin.htm")), std::string("<p>caf\xE9</p>\r\n"));
}

void PageEncodingTest::APageThatCannotBeEditedIsOnlyShown() {
  Window w;
  const std::string utf16 = "\xFF\xFE" + Iconv("<p>Hello</p>\r\n", "UTF-16LE");
  {
    UserAtDialogs user({Answer(QMessageBox::Ok)});
    w.Open("wide.htm", utf16);
    QTRY_COMPARE(user.Seen.size(), 1);
    QVERIFY2(user.Seen[0].contains("read-only"), qPrintable(user.Seen[0]));
  }
  w.Key(Qt::Key_X);
  w.Key(Qt::Key_Delete);
  QVERIFY(!w.Editor().IsModified());
  w.Key(Qt::Key_S, Qt::ControlModifier);
  QCOMPARE(ReadFile(w.Path("wide.htm")), utf16);
  QCOMPARE(w.form->EncodingLabel->text(), QString("Read only"));
  QVERIFY(w.form->EncodingLabel->toolTip().contains("UTF-16"));
  for (QWidget* off : std::initializer_list<QWidget*>{w.form->EncodingLabel, w.form->SaveAsButton,
                                                      w.form->FormatButton})
    QVERIFY(!off->isEnabled());
}

TESSEL_GUI_TEST(PageEncodingTest);

}  // namespace tessel::gui::testing

#include "page_encoding_test.moc"
