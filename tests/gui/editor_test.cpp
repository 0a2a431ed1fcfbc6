// The editor as a user meets it: colouring that follows the text, typing that recolours
// tags as they form, the editor commands, search and replace, and files of every encoding
// and size coming back byte for byte.
#include <sys/stat.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QLabel>
#include <QMimeData>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <random>

#include "app/session.h"
#include "editor/syntax_colour.h"
#include "gui/main_window.h"
#include "gui/editor_view.h"
#include "gui/search_dialog.h"
#include "support/window_test_support.h"

namespace tessel::gui::testing {

namespace fs = std::filesystem;

class EditorTest : public QObject {
  Q_OBJECT

  struct Window : WindowUnderTest {
    std::string Page(const std::string& name, const std::string& bytes) {
      WriteFile(home / name, bytes);
      return home / name;
    }
    void Open(const std::string& path) { QVERIFY(form->OpenSingleFile(path)); }
    /// Ctrl+S; true when the text was saved.
    bool Save() {
      QTest::keyClick(&Editor(), Qt::Key_S, Qt::ControlModifier);
      return !Editor().IsModified();
    }
    std::vector<ColourClass> Expected() {
      std::vector<ColourClass> classes;
      ColourClasses(Editor().Bytes(), classes);
      return classes;
    }
  };

 private slots:
  void ShowsExactlyTheColoursOfTheRtf();
  void TypingRecoloursTagsAsTheyForm();
  void CtrlVPastesColouredOrPlain();
  void CopyCarriesTheTextAndItsColours();
  void EmphasisChangesTheColoursNotTheClasses();
  void FilesComeBackByteForByte();
  void AWindows1252SaveAsksBeforeLosingACharacter();
  void AFailedSaveKeepsTheTextUnsaved();
  void NewDocumentSavesAsThenSaves();
  void CancelAllGoesBackToTheSavedText();
  void BrowserViewOfUnsavedText();
  void SearchAndReplace();
  void AScreenReaderGetsTheText();
};

void EditorTest::ShowsExactlyTheColoursOfTheRtf() {
  Window w;
  std::mt19937 rng(20261206);
  const char* pieces[] = {"<", ">", "<!--", "-->", "\"", "a", " ", "\r\n", "<b x=\"", "\xC3\xA9"};
  std::string generated;
  for (int i = 0; i < 2000; ++i) generated += pieces[rng() % std::size(pieces)];
  w.Open(w.Page("generated.htm", generated));
  QVERIFY(w.Editor().Classes() == w.Expected());
  for (const auto& entry : fs::directory_iterator(fs::path(TESSEL_SOURCE_DIR) / "tests/data/pages")) {
    w.Open(entry.path().string());
    QVERIFY2(w.Editor().Classes() == w.Expected(), entry.path().c_str());
  }
}

void EditorTest::TypingRecoloursTagsAsTheyForm() {
  Window w;
  w.Open(w.Page("p.htm", "ab cd>x"));
  EditorView& e = w.Editor();
  QCOMPARE(e.ClassAt(2), ColourClass::Text);
  e.SendScintilla(QsciScintilla::SCI_GOTOPOS, 2UL);
  QTest::keyClick(&e, '<');
  // "<" in plain text recolours its span up to the next ">".
  for (int i = 2; i <= 6; ++i) QCOMPARE(e.ClassAt(i), ColourClass::Tag);
  QCOMPARE(e.ClassAt(7), ColourClass::Text);
  // A letter inside the tag takes the tag's class and recolours nothing.
  QTest::keyClick(&e, 'q');
  QCOMPARE(e.ClassAt(3), ColourClass::Tag);
  // Backspace after ">" recolours: the span now runs to the end.
  e.SendScintilla(QsciScintilla::SCI_GOTOPOS, 8UL);
  QTest::keyClick(&e, Qt::Key_Backspace);
  QCOMPARE(e.Bytes(), std::string("ab<q cdx"));
  QCOMPARE(e.ClassAt(7), ColourClass::Text);  // no ">" after the cursor: nothing to recolour
  QTest::keyClick(&e, '>');
  QCOMPARE(e.ClassAt(7), ColourClass::Tag);
  QCOMPARE(e.ClassAt(8), ColourClass::Text);
  QVERIFY(e.IsModified());
  QVERIFY(w.form->StatusText().startsWith("Unsaved: "));
}

void EditorTest::CtrlVPastesColouredOrPlain() {
  for (bool colouring : {true, false}) {
    Window w;
    w.Open(w.Page("p.htm", "x\r\n"));
    EditorView& e = w.Editor();
    e.SetColouring(colouring);
    QApplication::clipboard()->setText(QStringLiteral("<b>y</b>\n"));
    QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(e.Bytes(), std::string("<b>y</b>\r\nx\r\n"));
    QCOMPARE(e.ClassAt(1), colouring ? ColourClass::Tag : ColourClass::Text);
    QTest::keyClick(&e, Qt::Key_Z, Qt::ControlModifier);  // one undo takes it back
    QCOMPARE(e.Bytes(), std::string("x\r\n"));
  }
}

void EditorTest::CopyCarriesTheTextAndItsColours() {
  Window w;
  w.Open(w.Page("p.htm", "<a href=\"x\">b</a>\r\n"));
  w.Editor().SendScintilla(QsciScintilla::SCI_SETSEL, 0UL, 13L);
  QTest::keyClick(&w.Editor(), Qt::Key_C, Qt::ControlModifier);
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  QCOMPARE(mime->text(), QString("<a href=\"x\">b"));
  const std::string rtf = TextToRtf("<a href=\"x\">b", SyntaxPalette{});
  QCOMPARE(mime->data("text/rtf"), QByteArray(rtf.data(), qsizetype(rtf.size())));
}

void EditorTest::EmphasisChangesTheColoursNotTheClasses() {
  Window w;
  w.Open(w.Page("p.htm", "<a href=\"x\">t<!--c-->"));
  const auto classes = w.Editor().Classes();
  QTest::keyClick(&w.Editor(), Qt::Key_5, Qt::AltModifier);
  QCOMPARE(w.Editor().Palette().TagCol, 0xC0C0C0u);
  QCOMPARE(w.Editor().Palette().CommentCol, 0x808000u);
  QVERIFY(w.Editor().Classes() == classes);
  QVERIFY(w.form->close());  // the standard palette is what is stored
  QVERIFY(ReadFile(w.home / "prg.ini").find("TagCol=16711680") != std::string::npos);
}

void EditorTest::FilesComeBackByteForByte() {
  Window w;
  std::string all;
  for (int b = 0; b < 256; ++b)
    if (b != '\r' && b != '\n') all += char(b);
  all += "\r\n";
  const std::string big = std::string(2600000, 'x') + "\r\n<p>end</p>\r\n";  // over the old limit
  const struct {
    const char* Name;
    std::string Bytes;
    const char* Encoding;
  } cases[] = {
      {"cp1252.htm", all, "Windows-1252"},
      {"utf8.htm", "caf\xC3\xA9 \xE2\x82\xAC\r\n", "UTF-8"},
      {"big.htm", big, "UTF-8"},
  };
  for (const auto& c : cases) {
    const std::string path = w.Page(c.Name, c.Bytes);
    w.Open(path);
    QCOMPARE(w.form->EncodingLabel->text(), QString(c.Encoding));
    QTest::keyClicks(&w.Editor(), "y");
    w.Editor().SendScintilla(QsciScintilla::SCI_UNDO);
    QVERIFY(w.Save());
    QVERIFY2(ReadFile(path) == c.Bytes, c.Name);
  }
}

void EditorTest::AWindows1252SaveAsksBeforeLosingACharacter() {
  Window w;
  const std::string path = w.Page("cp.htm", "caf\xE9\r\n");
  w.Open(path);
  w.Editor().SendScintilla(QsciScintilla::SCI_GOTOPOS, 0UL);
  QTest::sendKeyEvent(QTest::Click, &w.Editor(), Qt::Key_unknown, QString::fromUtf8("\xE2\x86\x92"),
                      Qt::NoModifier);  // an arrow: not in Windows-1252
  w.dialogs.yesNo.push_back(false);
  QVERIFY(!w.Save());
  QCOMPARE(ReadFile(path), std::string("caf\xE9\r\n"));
  QVERIFY(w.Editor().IsModified());
  QCOMPARE(w.dialogs.Texts("yesno").size(), size_t(1));
  w.dialogs.yesNo.push_back(true);  // as UTF-8, then
  QVERIFY(w.Save());
  QCOMPARE(ReadFile(path), std::string("\xE2\x86\x92" "caf\xC3\xA9\r\n"));
  QCOMPARE(w.form->EncodingLabel->text(), QString("UTF-8"));
}

void EditorTest::AFailedSaveKeepsTheTextUnsaved() {
  Window w;
  const std::string path = w.Page("site/p.htm", "<p>x</p>\r\n");
  w.Open(path);
  QTest::keyClicks(&w.Editor(), "y");
  chmod((w.home / "site").c_str(), 0555);
  QVERIFY(!w.Save());
  QVERIFY(w.Editor().IsModified());
  QVERIFY(!w.form->StatusText().startsWith("Saved"));
  QCOMPARE(w.dialogs.Texts("message").size(), size_t(1));
  chmod((w.home / "site").c_str(), 0755);
}

void EditorTest::NewDocumentSavesAsThenSaves() {
  Window w;
  QTest::mouseClick(w.form->NewButton, Qt::LeftButton);
  QVERIFY(w.form->IsNewDocument() && w.Editor().IsModified());
  QVERIFY(w.Editor().Bytes().find("<TITLE>New File: ") != std::string::npos);
  const std::string target = w.home / "fresh.htm";
  w.dialogs.saveAs.push_back(target);
  QVERIFY(w.Save());  // Save on a new document is Save As
  QCOMPARE(w.dialogs.Texts("saveas").size(), size_t(1));
  QCOMPARE(w.form->session().State().FileName, target);
  QTest::keyClicks(&w.Editor(), "x");
  QVERIFY(w.Save());  // and now saves to the chosen file directly
  QCOMPARE(w.dialogs.Texts("saveas").size(), size_t(1));
  QVERIFY(ReadFile(target).starts_with("x\r\n<HTML>"));
  QVERIFY(!fs::exists(w.form->NewDocumentPath()));  // never written under its own name
}

void EditorTest::CancelAllGoesBackToTheSavedText() {
  Window w;
  w.Open(w.Page("p.htm", "<p>one</p>\r\n"));
  QTest::keyClicks(&w.Editor(), "xx");
  QTest::keyClick(&w.Editor(), Qt::Key_Escape);
  QCOMPARE(w.Editor().Bytes(), std::string("<p>one</p>\r\n"));
  QVERIFY(!w.Editor().IsModified());
  QVERIFY(w.form->StatusText().startsWith("Reloaded: "));
  QTest::mouseClick(w.form->NewButton, Qt::LeftButton);
  QTest::keyClick(&w.Editor(), Qt::Key_Escape);  // a new document goes away altogether
  QCOMPARE(w.form->session().State().SelectionMode, SelectionKind::None);
  QVERIFY(w.Editor().Bytes().empty() && !w.Editor().IsModified());
  QVERIFY(w.form->FilesButton->isEnabled() && !w.form->FormatButton->isEnabled());
}

void EditorTest::BrowserViewOfUnsavedText() {
  Window w;
  const std::string path = w.Page("site/p.htm", "<p>x</p>\r\n");
  w.Open(path);
  QTest::keyClick(&w.Editor(), Qt::Key_B, Qt::AltModifier);
  QCOMPARE(w.dialogs.Texts("open"), std::vector<std::string>{path});
  QTest::keyClicks(&w.Editor(), "y");
  QTest::keyClick(&w.Editor(), Qt::Key_B, Qt::AltModifier);
  const std::string temp = w.home / "site/$tesselhtml_tmp.htm";
  QCOMPARE(w.dialogs.Texts("open").back(), temp);
  QCOMPARE(ReadFile(temp), std::string("y<p>x</p>\r\n"));
  QVERIFY(w.Save());
  QVERIFY(!fs::exists(temp));  // Save takes the copy away again
}

void EditorTest::SearchAndReplace() {
  Window w;
  w.Open(w.Page("p.htm", "aaa Word words WORD"));
  QTest::keyClick(&w.Editor(), Qt::Key_F, Qt::ControlModifier);
  SearchDialog& d = *w.form->SearchReplace;
  d.FindField->clear();
  QVERIFY(!d.FindNextButton->isEnabled() && !d.ReplaceAllButton->isEnabled());  // nothing to look for

  d.FindField->setText("a");
  d.ReplaceField->setText("aa");
  w.Editor().SendScintilla(QsciScintilla::SCI_SETEMPTYSELECTION, 10UL);  // no selection: from 0
  QTest::mouseClick(d.ReplaceAllButton, Qt::LeftButton);
  QCOMPARE(w.Editor().Bytes(), std::string("aaaaaa Word words WORD"));
  QVERIFY(w.dialogs.Texts("message").back().ends_with(" 3 times"));
  w.Editor().undo();  // Replace All is one undo step
  QCOMPARE(w.Editor().Bytes(), std::string("aaa Word words WORD"));

  d.FindField->setText("word");
  d.ReplaceField->setText("X");
  d.WholeWordBox->setChecked(true);
  w.Editor().SendScintilla(QsciScintilla::SCI_SETEMPTYSELECTION, 0UL);
  QTest::mouseClick(d.FindNextButton, Qt::LeftButton);  // finds "Word" (case ignored), not "words"
  QCOMPARE(w.Editor().selectedText(), QString("Word"));
  QTest::mouseClick(d.ReplaceButton, Qt::LeftButton);  // replaces the next match after the selected one
  QCOMPARE(w.Editor().Bytes(), std::string("aaa Word words X"));
  d.MatchCaseBox->setChecked(true);
  w.Editor().SendScintilla(QsciScintilla::SCI_SETEMPTYSELECTION, 0UL);
  QTest::mouseClick(d.FindNextButton, Qt::LeftButton);
  QVERIFY(w.dialogs.Texts("message").back().ends_with(" not found."));
  QCOMPARE(w.form->session().Settings().LastSearch, std::string("word"));
}

void EditorTest::AScreenReaderGetsTheText() {
  Window w;
  w.Open(w.Page("reader.htm", "<html><b>caf\xC3\xA9</b>"));
  EditorView& editor = w.Editor();
  // Nobody listens: a plain accessible, which costs a key nothing.
  QVERIFY(!QAccessible::queryAccessibleInterface(&editor)->textInterface());
  QAccessible::setActive(true);
  QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(&editor)->textInterface();
  QVERIFY(text);
  QCOMPARE(text->text(0, text->characterCount()), QString::fromUtf8("<html><b>caf\xC3\xA9</b>"));
  QTest::keyClick(&editor, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(&editor, 'x');
  QTRY_COMPARE(text->cursorPosition(), 18);  // told when the view is updated
  QAccessible::setActive(false);
  QVERIFY(!QAccessible::queryAccessibleInterface(&editor)->textInterface());
}

TESSEL_GUI_TEST(EditorTest);

}  // namespace tessel::gui::testing

#include "editor_test.moc"
