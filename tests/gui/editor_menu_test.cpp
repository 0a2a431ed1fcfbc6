// The editor's popup menu and the hint line, as a user meets them.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include "app/session.h"
#include "gui/main_window.h"
#include "gui/editor_view.h"
#include "support/window_test_support.h"

namespace tessel::gui::testing {

class EditorMenuTest : public QObject {
  Q_OBJECT

  struct Window : WindowUnderTest {
    void Open(const std::string& bytes) { QVERIFY(OpenPage("p.htm", bytes)); }
    void Select(long start, long end) {
      Editor().SendScintilla(QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(start), end);
    }
    QAction* Item(const QString& caption) {
      for (QAction* a : form->EditorMenu->actions())
        if (a->text() == caption) return a;
      return nullptr;
    }
  };

 private slots:
  void FormatsTheWidenedSelectionWithAnotherStyleForOnce();
  void AnEmptyResultRemovesTheSelectionAndOneUndoTakesItBack();
  void AResultThatCouldLookDifferentIsNamedInTheStatusLine();
  void TheHintLineFollowsTheCursorAndShiftF1InsertsIt();
};

void EditorMenuTest::FormatsTheWidenedSelectionWithAnotherStyleForOnce() {
  Window w;
  w.Open("<div>\r\n<b>bold</b>\r\n</div>\r\n");
  QCOMPARE(w.form->EditorMenu->actions().front()->text(), QString("Format selection with: \"_default\""));
  w.Select(11, 13);  // the "ld" of "bold"
  w.form->PrepareEditorMenu();
  // Widened to the whole line with its line break: nothing else stands on it.
  QCOMPARE(w.Editor().selectedText(), QString("<b>bold</b>\r\n"));
  QAction* html5 = w.Item("Format selection with: \"html5\"");
  QVERIFY(html5 && html5->isEnabled());
  html5->trigger();
  QCOMPARE(w.Editor().selectedText(), QString("<b>bold</b>\r\n"));  // lower case, selected
  QCOMPARE(w.form->session().ActiveStyle().Options.StyleName, std::string("_default"));
  QCOMPARE(w.form->EditorMenu->actions().front()->text(), QString("Format selection with: \"html5\""));
  QCOMPARE(w.form->session().Settings().PopUpStyleName, std::string("html5"));
  QVERIFY(w.Editor().IsModified());
}

void EditorMenuTest::AResultThatCouldLookDifferentIsNamedInTheStatusLine() {
  Window w;
  w.Open("<div>\r\nw <b>x</b><button>y</button>\r\n</div>\r\n");
  w.Select(7, 37);  // the line with its line break
  w.form->PrepareEditorMenu();
  w.Item("Format selection with: \"html5\"")->trigger();
  QCOMPARE(w.form->StatusText(), QString("The result could render differently: line 2, column "
                                         "13: a space is shown between </B> and <BUTTON>"));  // indented by 2
  QTest::keyClick(&w.Editor(), Qt::Key_X);  // the next edit says what it always says
  QVERIFY(w.form->StatusText().startsWith("Unsaved: "));
}

void EditorMenuTest::AnEmptyResultRemovesTheSelectionAndOneUndoTakesItBack() {
  for (bool colouring : {true, false}) {
    Window w;
    w.Open("<p>a</p>\r\n<!--~ ours ~-->\r\n<p>b</p>\r\n");
    w.Editor().SetColouring(colouring);
    w.Select(10, 27);  // our own comment, which processing drops
    w.form->PrepareEditorMenu();
    w.Item("Compress Selection")->trigger();
    QCOMPARE(w.Editor().Bytes(), std::string("<p>a</p>\r\n<p>b</p>\r\n"));
    w.Editor().undo();
    QCOMPARE(w.Editor().Bytes(), std::string("<p>a</p>\r\n<!--~ ours ~-->\r\n<p>b</p>\r\n"));
  }
}

void EditorMenuTest::TheHintLineFollowsTheCursorAndShiftF1InsertsIt() {
  Window w;
  w.Open("<table border=1>\r\n<tr><td>x</td></tr>\r\n</TABLE>\r\n");
  w.Editor().SendScintilla(QsciScintilla::SCI_GOTOPOS, 40UL);  // inside "</TABLE>"
  QTRY_VERIFY(w.form->HintLine->text().startsWith("<TABLE"));  // follows once the editor updates
  QVERIFY(w.form->HintLine->toolTip().startsWith("Press <SHIFT>-<F1>"));
  const std::string before = w.Editor().Bytes();
  w.Editor().SendScintilla(QsciScintilla::SCI_GOTOPOS, 0UL);
  w.Editor().SendScintilla(QsciScintilla::SCI_GOTOPOS, 40UL);
  const QString hint = w.form->HintLine->text();
  QTest::keyClick(&w.Editor(), Qt::Key_F1, Qt::ShiftModifier);
  QVERIFY(w.Editor().Bytes().size() > before.size());
  QCOMPARE(w.Editor().selectedText(), hint);
  w.form->HintLine->setText("Note: something");
  const std::string now = w.Editor().Bytes();
  QTest::keyClick(&w.Editor(), Qt::Key_F1, Qt::ShiftModifier);
  QCOMPARE(w.Editor().Bytes(), now);  // a note is never inserted
}

TESSEL_GUI_TEST(EditorMenuTest);

}  // namespace tessel::gui::testing

#include "editor_menu_test.moc"
