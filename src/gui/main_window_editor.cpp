// The main window's editor commands: the page loaded, saved, restored and shown in the
// browser; search and replace; the editor's menu and the tag hints.
#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>
#include <filesystem>

#include "app/program_dir.h"
#include "editor/search_replace.h"
#include "gui/editor_view.h"
#include "gui/gui_text.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/search_dialog.h"
#include "styles/trim_list.h"
#include "window_model/editor_menu.h"

namespace tessel::gui {

// ---------------------------------------------------------------------------------------
// The page

bool MainWindow::LoadDocument(const std::string& path) {
  std::string err;
  const std::optional<EditorText> text = model_.OpenDocument(path, &err);
  if (!text) {
    dialogs_->Message(this, MessageKind::Error, "Cannot open the file:\r\n" + err);
    return false;  // the editor keeps what it shows
  }
  if (model_.Document().IsNew()) {
    // A new document: the template, in the standard colours, unsaved from the start.
    Editor->SetDocument(*text, /*saved=*/false);
    savedStatus_.clear();  // its save point is the empty text
    Repaint(1);
    Pages->setCurrentWidget(Editor);
    ShowEncoding();
    return true;
  }
  Editor->SetDocument(*text);
  ShowEncoding();
  Pages->setCurrentWidget(Editor);
  ShowSavedStatus(OpenedStatus(path));
  SayWhyReadOnly();
  return true;
}

void MainWindow::SayWhyReadOnly() {
  const std::string& refusal = model_.Document().Refusal();
  if (refusal.empty()) return;
  UpdateButtons();  // read-only before the box is shown
  dialogs_->Message(this, MessageKind::Information,
                    refusal + "\r\nThe page is shown read-only and is never saved over.");
}

void MainWindow::ShowEncoding() {
  const EditorDocument& document = model_.Document();
  const bool shown = SingleFileState() || Editor->Length() > 0;
  const bool refused = !document.Refusal().empty();
  EncodingLabel->setText(!shown     ? QString()
                         : refused ? QStringLiteral("Read only")
                                   : QString::fromUtf8(EncodingName(document.Encoding())));
  const std::string& why = refused ? document.Refusal() : document.Saved().EncodingWhy;
  EncodingLabel->setToolTip(shown && !why.empty() ? ToQ(why)
                                                  : QStringLiteral("The encoding the file is saved in"));
  // Read again in another encoding, a page that cannot be edited would be an edited one.
  EncodingLabel->setEnabled(shown && SingleFileState() && !refused && !Running());
  EncodingLabel->setVisible(shown);  // no page, no encoding: not even the menu's arrow
}

void MainWindow::BuildEncodingMenu() {
  EncodingMenu = new QMenu(this);
  auto* choices = new QActionGroup(EncodingMenu);
  for (const EncodingGroup& group : EncodingMenuGroups()) {
    QMenu* sub = EncodingMenu->addMenu(ToQ(group.Name));
    for (const TextEncoding encoding : group.Encodings) {
      QAction* item = sub->addAction(QString::fromUtf8(EncodingName(encoding)));
      item->setCheckable(true);
      item->setActionGroup(choices);
      item->setData(QString::fromUtf8(EncodingName(encoding)));
      connect(item, &QAction::triggered, this, [this, encoding] { ReopenAs(encoding); });
    }
  }
  // The page's encoding checked, and its group's name with it, whenever the menu opens.
  connect(EncodingMenu, &QMenu::aboutToShow, this, [this, choices] {
    const QString current = QString::fromUtf8(EncodingName(model_.Document().Encoding()));
    for (QAction* item : choices->actions()) item->setChecked(item->data().toString() == current);
    for (QAction* group : EncodingMenu->actions()) {
      const QList<QAction*> items = group->menu()->actions();
      QFont font = group->font();
      font.setBold(std::any_of(items.begin(), items.end(), [](QAction* a) { return a->isChecked(); }));
      group->setFont(font);
    }
  });
  EncodingLabel->setMenu(EncodingMenu);
}

void MainWindow::ReopenAs(TextEncoding encoding) {
  if (Running() || !SingleFileState() || !model_.Document().Refusal().empty()) return;
  EditorDocument& document = model_.Document();
  const std::string name = EncodingName(encoding);
  if (!document.IsNew() && !AskSaveFirst("before it is read again as " + name + "?")) return;
  std::string err;
  if (!model_.ReopenDocument(encoding, &err)) {
    // The editor keeps its text, unsaved edits included.
    dialogs_->Message(this, MessageKind::Error, "The page was not read again:\r\n" + err);
    return;
  }
  if (!document.IsNew()) {
    Editor->SetDocument(document.Saved());
    ShowSavedStatus(OpenedStatus(model_.FileName()) + "  " + name);
  }
  ShowEncoding();
  UpdateButtons();
}

void MainWindow::ShowRunResult(const std::string& bytes) {
  model_.Document().Reload(bytes);
  Editor->SetDocument(model_.Document().Saved());
  ShowEncoding();
  UpdateButtons();
  Editor->setCursorPosition(0, 0);
}

void MainWindow::Restore() {
  if (Running() || !RestoreButton->isEnabled()) return;
  if (!SingleFileState()) {
    StartRun(ProcessKind::Restore);
    return;
  }
  std::string err;
  const std::optional<std::string> backup = model_.BackupToRestore(&err);
  if (!backup) {  // no backup: nothing; one that cannot be read: why
    if (!err.empty()) dialogs_->Message(this, MessageKind::Error, err);
    return;
  }
  if (!dialogs_->ConfirmRestore(this, session().State().BackupFileName, *backup)) return;
  if (!model_.RestoreSingleFile(&err)) {
    dialogs_->Message(this, MessageKind::Error, err);
    return;
  }
  Editor->SetDocument(model_.Document().Saved());
  ShowEncoding();
  ShowSavedStatus(RestoredStatus(model_.FileName()));
  UpdateButtons();
}

std::optional<std::string> MainWindow::BytesForSave() {
  EditorDocument& document = model_.Document();
  const std::string text = Editor->Bytes();
  EditorDocument::SaveBytes save = document.BytesToSave(text);
  if (save.Bytes) return save.Bytes;
  // Never drop a character without the user's word.
  if (!dialogs_->YesNo(this, save.EncodingQuestion)) return std::nullopt;
  document.SetEncoding(TextEncoding::Utf8);
  ShowEncoding();
  return document.BytesToSave(text).Bytes;
}

bool MainWindow::Save() {
  if (Running() || !SingleFileState() || !model_.Document().Refusal().empty()) return false;
  EditorDocument& document = model_.Document();
  document.RemoveBrowserCopy();
  if (document.IsNew()) {
    SaveAs();
    return !Editor->IsModified();
  }
  std::string err;
  if (!model_.PrepareSave({}, &err)) {
    dialogs_->Message(this, MessageKind::Error, "The file was not saved:\r\n" + err);
    return false;
  }
  const std::optional<std::string> bytes = BytesForSave();
  if (!bytes) return false;
  const std::string path = model_.FileName();
  if (!document.SaveTo(path, *bytes, Editor->Bytes(), &err)) {
    dialogs_->Message(this, MessageKind::Error, "The file was not saved:\r\n" + err);
    return false;  // the text stays as it is, and unsaved
  }
  Editor->MarkSaved();
  UpdateButtons();
  ShowSavedStatus(SavedStatus(path));
  return true;
}

void MainWindow::SaveAs() {
  if (Running() || !SingleFileState() || !model_.Document().Refusal().empty()) return;
  EditorDocument& document = model_.Document();
  document.RemoveBrowserCopy();
  if (!BytesForSave()) return;  // the encoding settled before a name is asked for
  const std::string text = Editor->Bytes();
  std::optional<std::string> saved =
      dialogs_->SaveAs(this, session(), model_.FileName(), [&](const std::string& path) {
        std::string err;
        // The line end as the place it goes to decides it (its .editorconfig).
        if (!model_.PrepareSave(path, &err)) {
          dialogs_->Message(this, MessageKind::Error, "The file was not saved:\r\n" + err);
          return false;
        }
        const std::optional<std::string> bytes = document.BytesToSave(text).Bytes;
        if (bytes && document.SaveTo(path, *bytes, text, &err)) return true;
        // The path, and why it could not be written (a full disk, a missing folder, ...).
        dialogs_->Message(this, MessageKind::Error, "Invalid Filename: " + path + "\r\n" + err);
        return false;
      });
  if (!saved) return;
  model_.SavedAs(*saved);
  Editor->MarkSaved();
  UpdateButtons();
  ShowSavedStatus(SavedStatus(*saved));
}

void MainWindow::NewDocument() {
  if (Running() || !NewButton->isEnabled()) return;
  model_.Document().RemoveBrowserCopy();
  // The template lives under its own name until Save As; that name is no directory to
  // remember for the file dialog.
  session().Driver().SelectSingleFile(NewDocumentPath(), /*remember=*/false);
  host_.Flush();
  AfterEdit();
}

void MainWindow::CancelAll() {
  if (Running() || !CancelAllButton->isEnabled()) return;
  EditorDocument& document = model_.Document();
  document.RemoveBrowserCopy();
  if (document.IsNew()) {
    Editor->ClearDocument();
    model_.DropNewDocument();
    ShowEncoding();
    UpdateButtons();
    ShowStatus("Click <Select File(s)> or <Select Tree> to process ...");
    return;
  }
  // One undo step: Ctrl+Z brings the discarded text back.
  if (Editor->IsModified()) {
    Editor->ReplaceAllText(document.Saved().Bytes);
    Editor->MarkSaved();
  }
  UpdateButtons();
  ShowSavedStatus("Reloaded: " + model_.FileName());
}

void MainWindow::AfterEdit() {
  renderWarning_.clear();
  FollowSavePoint();
}

void MainWindow::FollowSavePoint() {
  if (Editor->IsModified()) {
    ShowStatus(renderWarning_.empty() ? UnsavedStatus(model_.FileName()) : renderWarning_);
  } else if (StatusText().startsWith(QStringLiteral("Unsaved: "))) {
    ShowStatus(savedStatus_);  // undone back to where it was loaded or saved
  }
  UpdateButtons();
}

void MainWindow::ShowSavedStatus(const std::string& text) {
  renderWarning_.clear();
  savedStatus_ = text;
  ShowStatus(text);
}

void MainWindow::ShowInBrowser() {
  if (Running() || !BrowserButton->isEnabled()) return;
  EditorDocument& document = model_.Document();
  if (!UndoButton->isEnabled() && !document.IsNew()) {
    OpenPage(model_.FileName());
    return;
  }
  // The unsaved text, beside the file so that its relative links still work.
  std::string err;
  if (!document.WriteBrowserCopy(Editor->Bytes(), &err)) {
    dialogs_->Message(this, MessageKind::Error, "The page cannot be shown:\r\n" + err);
    return;
  }
  OpenPage(document.BrowserCopyPath());
}

void MainWindow::OpenPage(const std::string& path) {
  std::error_code ec;
  const bool exists = std::filesystem::is_regular_file(path, ec);
  if (exists && dialogs_->OpenDocument(path)) return;
  dialogs_->Message(this, MessageKind::Error,
                    "The page cannot be shown:\r\n" + path + "\r\n" +
                        (exists ? "No program on this desktop opens it." : "The file is missing."));
}

// ---------------------------------------------------------------------------------------
// Colours, search, options, help

void MainWindow::Repaint(int mode) {
  const std::optional<SyntaxPalette> palette = EmphasisPalette(mode);
  if (!palette) return;
  ProgramSettings& settings = session().Settings();
  settings.TextCol = palette->TextCol;
  settings.TagCol = palette->TagCol;
  settings.QuotedCol = palette->QuotedCol;
  settings.CommentCol = palette->CommentCol;
  Editor->SetPalette(*palette);
  Editor->RepaintSyntax();
  UpdateButtons();
}

void MainWindow::OpenSearch() {
  if (Running() || !SingleFileState()) return;
  if (SearchReplace == nullptr) {
    SearchReplace = new SearchDialog(this);
    connect(SearchReplace, &SearchDialog::Search, this, &MainWindow::Search);
  }
  const ProgramSettings& settings = session().Settings();
  SearchReplace->Open(ToQ(settings.LastSearch), ToQ(settings.LastReplace));
}

void MainWindow::Search(bool replace, bool all) {
  ProgramSettings& settings = session().Settings();
  settings.LastSearch = SearchReplace->FindText().toStdString();
  settings.LastReplace = SearchReplace->ReplaceText().toStdString();
  if (Running() || !SingleFileState() || settings.LastSearch.empty()) return;
  const std::string& find = settings.LastSearch;
  const SearchOptions options = SearchReplace->Options();
  const std::string text = Editor->Bytes();
  const long selStart = Editor->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART);
  const long selEnd = Editor->SendScintilla(QsciScintilla::SCI_GETSELECTIONEND);
  const std::size_t match = FindNext(text, find, SearchStart(selStart, selEnd - selStart), options);
  if (match == kNoMatch) {
    // Over the search dialog, which has the focus again once the box is closed.
    dialogs_->Message(SearchReplace, MessageKind::Information, "\"" + find + "\" not found.");
    return;
  }
  Editor->SendScintilla(QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(match),
                        long(match + find.size()));
  if (Editor->isVisible() && Editor->isEnabled()) Editor->setFocus();
  if (!replace || Editor->isReadOnly()) return;
  if (all) {
    const ReplaceAllResult result = ReplaceAll(text, find, settings.LastReplace, options, match);
    Editor->ReplaceRange(
        result.ChangedStart, result.ChangedEndOld,
        std::string_view(result.Text)
            .substr(result.ChangedStart, result.ChangedEndNew - result.ChangedStart));
    AfterEdit();
    dialogs_->Message(SearchReplace, MessageKind::Information,
                      "\"" + find + "\", Replace done: " + std::to_string(result.Count) + " times");
    return;
  }
  Editor->ReplaceRange(match, match + find.size(), settings.LastReplace);
  Editor->SendScintilla(QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(match),
                        long(match + settings.LastReplace.size()));
  AfterEdit();
}

void MainWindow::Undo() {
  if (Running() || !Editor->isUndoAvailable()) return;
  Editor->undo();
  AfterEdit();
}

void MainWindow::ShowOptions() {
  if (Running() || !OptionsButton->isEnabled()) return;
  OptionsDialog dialog(session(), *dialogs_, skin_, this);
  dialog.exec();
  // What depends on the settings and the style follows them now.
  const ProgramSettings& settings = session().Settings();
  Editor->SetColouring(settings.DoColorTags);
  setWindowTitle(ToQ(session().WindowCaption()));
  TrimButton->setToolTip(ToQ(BuildTrimHint(session().TrimList())));
  UpdateButtons();
}

void MainWindow::ShowHelp() {
  OpenPage(ShippedFile(session().ProgramDir(), "help/index.html").string());
}

void MainWindow::ShowAbout() {
  OpenPage(ShippedFile(session().ProgramDir(), "help/about.html").string());
}

// ---------------------------------------------------------------------------------------
// The editor's menu and the tag hints

void MainWindow::BuildEditorMenu() {
  EditorMenu = new QMenu(this);
  const std::vector<std::string> captions =
      PopupMenuCaptions(session().Settings().PopUpStyleName, session().Styles().StyleList());
  for (const std::string& caption : captions) {
    if (caption == kMenuSeparator) {
      EditorMenu->addSeparator();
      continue;
    }
    QAction* item = EditorMenu->addAction(ToQ(caption));
    connect(item, &QAction::triggered, this,
            [this, item] { RunMenuItem(item->text().toStdString()); });
  }
}

void MainWindow::PrepareEditorMenu() {
  const long start = Editor->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART);
  const long end = Editor->SendScintilla(QsciScintilla::SCI_GETSELECTIONEND);
  const std::string text = Editor->Bytes();
  if (const std::optional<AdjustedSelection> wider = AdjustSelection(text, start, end - start)) {
    fit_ = wider->Fit;
    if (wider->Start != start || wider->End != end) {
      Editor->SendScintilla(QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(wider->Start),
                            long(wider->End));
    }
  }
  const bool selected = Editor->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART) !=
                        Editor->SendScintilla(QsciScintilla::SCI_GETSELECTIONEND);
  for (QAction* item : EditorMenu->actions()) item->setEnabled(selected);
}

void MainWindow::RunMenuItem(const std::string& caption) {
  const long start = Editor->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART);
  const long end = Editor->SendScintilla(QsciScintilla::SCI_GETSELECTIONEND);
  if (start == end || Running() || Editor->isReadOnly()) return;
  const std::string text = Editor->Bytes();
  FileConventions conventions;
  std::string err;
  if (!model_.DocumentConventions(conventions, &err)) {
    dialogs_->Message(this, MessageKind::Error, "The selection was not processed:\r\n" + err);
    return;
  }
  const MenuItemResult result =
      tessel::RunMenuItem(session(), caption, text, start, end, fit_, conventions);
  if (!result.Done) {
    // The text stays as it is.
    if (!result.Error.empty()) dialogs_->Message(this, MessageKind::Error, result.Error);
    return;
  }
  Editor->InsertSelected(start, end, result.Text);
  Editor->setFocus();
  // Until the next edit, the status line says where the page could now look different.
  renderWarning_ = result.RenderWarning;
  FollowSavePoint();
  EditorMenu->actions().front()->setText(
      ToQ(FormatSelectionCaption(session().Settings().PopUpStyleName)));
}

void MainWindow::ShowTagHint() {
  if (tagHints_.empty()) return;
  const std::optional<std::string> key =
      Editor->HintKeyAt(Editor->SendScintilla(QsciScintilla::SCI_GETCURRENTPOS));
  if (!key) return;  // no tag around the cursor: the line keeps its text
  const QString hint = ToQ(tagHints_.Lookup(*key));
  if (HintLine->text() != hint) HintLine->setText(hint);
}

void MainWindow::HintChanged() {
  if (const std::optional<std::string> tip = HintLineTooltip(HintLine->text().toStdString())) {
    HintLine->setToolTip(ToQ(*tip));
  }
}

void MainWindow::InsertHint() {
  if (Pages->currentWidget() != Editor || Editor->isReadOnly()) return;
  const std::string insert =
      HintInsertion(HintLine->text().toStdString(), HintLine->selectedText().toStdString());
  if (insert.empty()) return;
  const long start = Editor->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART);
  const long end = Editor->SendScintilla(QsciScintilla::SCI_GETSELECTIONEND);
  Editor->InsertSelected(start, end, insert);
  Editor->setFocus();
  AfterEdit();
}

}  // namespace tessel::gui
