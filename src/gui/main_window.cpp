#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/program_dir.h"
#include "window_model/window_rules.h"
#include "base/ascii.h"
#include "batch/backups.h"
#include "batch/discovery.h"
#include "batch/restore.h"
#include "editor/new_document.h"
#include "gui/editor_view.h"
#include "gui/options_dialog.h"
#include "gui/search_dialog.h"
#include "gui/gui_text.h"
#include "gui/window_dialogs.h"
#include "window_model/editor_menu.h"
#include "io/safe_replace.h"
#include "io/text_file.h"
#include "styles/trim_list.h"

namespace tessel::gui {
namespace {

namespace fs = std::filesystem;

constexpr const char* kHintNote =
    "Note: Tessel HTML v3.x supports partial code formatting via right mouse button! More "
    "enhancements? -> see 'Help' ";
constexpr int kHintVisibleMs = 5000;

QSize ScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize(0, 0);
}

QPushButton* MakeButton(QWidget* parent, const char* caption, const char* hint) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setToolTip(QString::fromUtf8(hint));
  button->setToolTipDuration(kHintVisibleMs);
  button->setFocusPolicy(Qt::NoFocus);  // keys belong to the editor and the key map
  // Room around every caption, and buttons of one row alike in width.
  const int text = button->fontMetrics().horizontalAdvance(button->text());
  button->setMinimumWidth(std::max(text + 28, 84));
  return button;
}

std::string FileSizeK(const std::string& path) {
  return std::to_string(GetFileSize(path) / 1000) + "K";
}

/// An empty bar. A range of 0 to 0 would be the busy animation, which repaints for ever.
void ShowEmpty(QProgressBar& bar) {
  bar.setRange(0, 1);
  bar.setValue(0);
}

/// The local files a drag carries; nothing when it carries none.
std::vector<std::string> DraggedFiles(const QMimeData* mime) {
  std::vector<std::string> paths;
  if (mime == nullptr || !mime->hasUrls()) return paths;
  for (const QUrl& url : mime->urls()) {
    if (url.isLocalFile()) paths.push_back(PathFromQ(url.toLocalFile()));
  }
  return paths;
}

}  // namespace

MainWindow::MainWindow(const fs::path& programDir, const CommandLine& commandLine, UserDialogs* dialogs)
    : ownDialogs_(dialogs ? nullptr : std::make_unique<WindowDialogs>(skin_)),
      dialogs_(dialogs ? dialogs : ownDialogs_.get()),
      host_(*this),
      commandLine_(commandLine) {
  const QSize screen = ScreenSize();
  session_ = std::make_unique<Session>(programDir, host_, screen.width(), screen.height());
  const ProgramSettings& settings = session_->Settings();
  skin_ = Skin::Load(ShippedFile(programDir, "skin"), settings.DoLoadWallPapers);
  setWindowTitle(QString::fromUtf8(kProgramTitle.data(), qsizetype(kProgramTitle.size())));
  BuildWindow();
  Editor->SetColouring(settings.DoColorTags);
  Editor->SetPalette({settings.TextCol, settings.TagCol, settings.QuotedCol, settings.CommentCol});
  ShowEncoding();
  move(settings.Left, settings.Top);
  resize(settings.Width, settings.Height);
  RunState& state = session_->State();
  state.CmdLineMode = commandLine_.CmdLineMode;
  if (!commandLine_.File.empty()) HintLine->setText(PathToQ(commandLine_.File));
  qApp->installEventFilter(this);  // the window sees every key first
  UpdateButtons();
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  if (worker_.joinable()) {
    // Gone with a run under way (the application is quitting): the run ends at the next
    // file; its questions are answered without the user, as nobody is left to ask.
    destroying_ = true;
    host_.Detach();
    session_->State().UserBreak = true;
    while (!workerDone_) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    worker_.join();
  }
}

// ---------------------------------------------------------------------------------------
// Layout

void MainWindow::BuildWindow() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(BuildButtonPanel());

  auto* panelMsg = new PicturePanel(this);
  panelMsg->SetPicture(skin_.Status);
  panelMsg->setFrameShape(QFrame::StyledPanel);
  auto* msgLayout = new QHBoxLayout(panelMsg);
  msgLayout->setContentsMargins(8, 4, 8, 4);
  StatusLine = new QLabel(panelMsg);
  StatusLine->setTextFormat(Qt::PlainText);
  StatusLine->setMinimumWidth(1);  // a long path must not widen the window
  msgLayout->addWidget(StatusLine);
  layout->addWidget(panelMsg);

  layout->addWidget(BuildEditorPanel());
  FileProgress = new QProgressBar(this);
  FileProgress->setFixedHeight(10);
  FileProgress->setTextVisible(false);
  ShowEmpty(*FileProgress);
  layout->addWidget(FileProgress);

  Pages = new QTabWidget(this);
  Editor = new EditorView(Pages);
  ProtocolView = new QPlainTextEdit(Pages);
  ProtocolView->setReadOnly(true);
  ProtocolView->setLineWrapMode(QPlainTextEdit::NoWrap);
  ProtocolView->setUndoRedoEnabled(false);
  ProtocolView->setStyleSheet(
      "QPlainTextEdit { color: #800000; background: #fffbf0; font-weight: bold; }");
  Pages->addTab(Editor, QStringLiteral("HTML"));
  Pages->addTab(ProtocolView, QStringLiteral("Protokoll"));
  layout->addWidget(Pages, 1);
  connect(Editor, &QsciScintilla::modificationChanged, this, &MainWindow::FollowSavePoint);
  connect(Editor, &EditorView::Edited, this, &MainWindow::FollowSavePoint);
  connect(Editor, &EditorView::SelectionMoved, this, [this] {
    if (Editor->TagHintsOn) ShowTagHint();
  });
  Editor->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Editor, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (EditorMenu == nullptr || running_ || Editor->isReadOnly()) return;
    PrepareEditorMenu();
    // The menu opens with its right edge at the mouse pointer.
    const QPoint global = Editor->mapToGlobal(at);
    EditorMenu->popup(QPoint(global.x() - EditorMenu->sizeHint().width(), global.y()));
  });

  RunProgress = new QProgressBar(this);
  RunProgress->setTextVisible(false);
  RunProgress->setMaximumHeight(14);
  ShowEmpty(*RunProgress);
  layout->addWidget(RunProgress);

  auto* bottom = new QWidget(this);
  auto* bottomLayout = new QHBoxLayout(bottom);
  bottomLayout->setContentsMargins(4, 2, 4, 2);
  HintLine = new QLineEdit(bottom);
  HintLine->setReadOnly(true);
  HintLine->setFocusPolicy(Qt::NoFocus);
  bottomLayout->addWidget(HintLine, 1);
  connect(HintLine, &QLineEdit::textChanged, this, &MainWindow::HintChanged);
  bottomLayout->addSpacing(196);  // the hint line is the window's width less 200
  layout->addWidget(bottom);
}

QWidget* MainWindow::BuildButtonPanel() {
  auto* panel = new PicturePanel(this);
  panel->SetPicture(skin_.Main);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(8, 6, 8, 6);
  FilesButton = MakeButton(panel, "Select File(s)",
                      "<F3>: Load a single file (or more for batch processing)");
  TreeButton = MakeButton(panel, "Select Tree", "<F4>: Choose a directory tree for batch processing");
  FormatButton = MakeButton(panel, "Format", "<F5>: Format and save file(s)");
  CompressButton = MakeButton(panel, "Compress", "<F6>: Compress and save file(s)");
  TrimButton = MakeButton(panel, "Trim", "<F7>: Trim specified tags and save file(s)");
  RestoreButton = MakeButton(panel, "Restore", "<F8>: Restore file(s) from last Backup");
  OptionsButton = MakeButton(panel, "Options", "<F9>: Open the Options Window");
  AboutButton = MakeButton(panel, "About", "Visit Loomwork Homepage");
  HelpButton = MakeButton(panel, "Help", "Show Help");
  for (QPushButton* b : {FilesButton, TreeButton}) row->addWidget(b);
  row->addSpacing(16);
  for (QPushButton* b : {FormatButton, CompressButton, TrimButton, RestoreButton}) row->addWidget(b);
  row->addSpacing(16);
  row->addWidget(OptionsButton);
  row->addStretch(1);
  row->addWidget(AboutButton);
  row->addWidget(HelpButton);
  connect(FilesButton, &QPushButton::clicked, this, &MainWindow::SelectFiles);
  connect(TreeButton, &QPushButton::clicked, this, &MainWindow::SelectTree);
  connect(FormatButton, &QPushButton::clicked, this, &MainWindow::Format);
  connect(CompressButton, &QPushButton::clicked, this, &MainWindow::Compress);
  connect(TrimButton, &QPushButton::clicked, this, &MainWindow::Trim);
  connect(RestoreButton, &QPushButton::clicked, this, &MainWindow::Restore);
  connect(OptionsButton, &QPushButton::clicked, this, &MainWindow::ShowOptions);
  connect(HelpButton, &QPushButton::clicked, this, &MainWindow::ShowHelp);
  connect(AboutButton, &QPushButton::clicked, this, &MainWindow::ShowAbout);
  ButtonPanel = panel;
  return panel;
}

QWidget* MainWindow::BuildEditorPanel() {
  auto* panel = new PicturePanel(this);
  panel->SetPicture(skin_.Main);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(8, 3, 8, 3);
  NewButton = MakeButton(panel, "New", "Create a new HTML file ");
  SaveAsButton = MakeButton(panel, "Save As", "Save a copy of the current file");
  SaveButton = MakeButton(panel, "Save", "<CTRL><S>: Save current file");
  CancelAllButton = MakeButton(panel, "Cancel All", "<ESC>: Cancel editing and undo all changes");
  UndoButton = MakeButton(panel, "Undo", "<CTRL><Z>: Undo last change");
  SearchButton = MakeButton(panel, "Search/Replace", "<CTRL><R>: Open Search&Replace Dialog");
  static const char* const kRepaintHints[5] = {
      "<ALT><1>: Repaint Syntax Highlight", "<ALT><2>: Emphasize Tags",
      "<ALT><3>: Emphasize quoted strings", "<ALT><4>: Emphasize floating text",
      "<ALT><5>: Emphasize comments"};
  BrowserButton = MakeButton(panel, "Browser", "<ALT><B>:  View current file in default browser");
  for (QPushButton* b : {NewButton, SaveAsButton, SaveButton, CancelAllButton, UndoButton, SearchButton}) row->addWidget(b);
  row->addStretch(1);
  EncodingLabel = new QLabel(panel);
  EncodingLabel->setToolTip(QStringLiteral("The encoding the file is saved in"));
  row->addWidget(EncodingLabel);
  row->addSpacing(12);
  for (int i = 0; i < 5; ++i) {
    RepaintButtons[i] = MakeButton(panel, std::to_string(i + 1).c_str(), kRepaintHints[i]);
    RepaintButtons[i]->setFixedWidth(RepaintButtons[i]->fontMetrics().horizontalAdvance("MM") + 12);
    row->addWidget(RepaintButtons[i]);
    connect(RepaintButtons[i], &QPushButton::clicked, this, [this, i] { Repaint(i + 1); });
  }
  row->addSpacing(8);
  row->addWidget(BrowserButton);
  connect(NewButton, &QPushButton::clicked, this, &MainWindow::NewDocument);
  connect(CancelAllButton, &QPushButton::clicked, this, &MainWindow::CancelAll);
  connect(SearchButton, &QPushButton::clicked, this, &MainWindow::OpenSearch);
  connect(BrowserButton, &QPushButton::clicked, this, &MainWindow::ShowInBrowser);
  connect(SaveButton, &QPushButton::clicked, this, [this] { Save(); });
  connect(SaveAsButton, &QPushButton::clicked, this, &MainWindow::SaveAs);
  connect(UndoButton, &QPushButton::clicked, this, &MainWindow::Undo);
  EditorPanel = panel;
  return panel;
}

// ---------------------------------------------------------------------------------------
// Start-up

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FirstShow();
}

void MainWindow::FirstShow() {
  StyleError err;
  if (!session_->LoadStyle(nullptr, &err)) {
    // Without any style the program cannot work at all: it ends here.
    dialogs_->Message(this, MessageKind::Error, err.Text);
    QMetaObject::invokeMethod(qApp, [] { QApplication::exit(2); }, Qt::QueuedConnection);
    return;
  }
  setWindowTitle(ToQ(session_->WindowCaption()));
  std::string trimErr;
  if (!session_->ReadTrimList(&trimErr)) dialogs_->Message(this, MessageKind::Error, trimErr);
  TrimButton->setToolTip(ToQ(BuildTrimHint(session_->TrimList())));
  ResetCounters(session_->ActiveStyle().Tags);
  BuildEditorMenu();
  tagHints_ = TagHints::Load(session_->ProgramDir() / std::string(kTagSyntaxFileName));
  if (commandLine_.CmdLineMode == CmdLineKind::None) Pages->setCurrentWidget(ProtocolView);
  HintLine->setText(QString::fromUtf8(kHintNote));
  // A file named on the command line that is not opened: the user learns why.
  if (!commandLine_.NotOpened.empty()) ShowStatus(commandLine_.NotOpened);
  if (commandLine_.CmdLineMode != CmdLineKind::None && commandLine_.ProcessMode == ProcessKind::None) {
    RunCommandLine();
  }
}

bool MainWindow::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  if (event->type() == QEvent::WindowActivate && !activated_ && shown_) {
    activated_ = true;
    FirstActivation();
  }
  return handled;
}

void MainWindow::FirstActivation() {
  if (commandLine_.CmdLineMode != CmdLineKind::None && commandLine_.ProcessMode != ProcessKind::None) {
    RunCommandLine();
  }
  Editor->MarkSaved();
  UpdateButtons();
  setAcceptDrops(true);
  session_->State().CmdLineMode = CmdLineKind::None;
  emit FirstActivated();
}

void MainWindow::RunCommandLine() {
  Pages->setCurrentWidget(Editor);
  if (!OpenSingleFile(commandLine_.File)) return;
  if (commandLine_.ProcessMode == ProcessKind::None) {
    Editor->setFocus();
    return;
  }
  RunState& state = session_->State();
  const bool backups = state.DoCreateBackUps;
  state.DoCreateBackUps = commandLine_.Backup;
  StartRun(commandLine_.ProcessMode, [this, backups](const RunSummary& first) {
    RunState& state = session_->State();
    auto done = [this, backups](const RunSummary&) {
      session_->State().DoCreateBackUps = backups;
      Editor->setFocus();
    };
    if (first.Processed == 1 && commandLine_.Trim && commandLine_.ProcessMode != ProcessKind::Trim) {
      state.DoCreateBackUps = false;
      StartRun(ProcessKind::Trim, done);
    } else {
      done(first);
    }
  });
}

// ---------------------------------------------------------------------------------------
// Status line, protocol page, button states

void MainWindow::ShowStatus(const std::string& text) { host_.ShowStatus(text); }

void MainWindow::AppendStatus(const std::string& text) { host_.AppendStatus(text); }

QString MainWindow::StatusText() const { return StatusLine->text(); }

QString MainWindow::ProtocolText() const { return ProtocolView->toPlainText(); }

void MainWindow::ApplyStatus(const std::string& text) {
  const QString shown = ToQ(text);
  if (StatusLine->text() == shown) return;
  StatusLine->setText(shown);
  StatusLine->repaint();
}

void MainWindow::ApplyProgress(ProgressBar bar, int64_t maximum, int64_t position) {
  QProgressBar* target = bar == ProgressBar::ActFile ? FileProgress : RunProgress;
  if (maximum <= 0) {
    ShowEmpty(*target);
    return;
  }
  // The bars count in 32 bits: a huge file is shown in proportion.
  const int64_t scale = maximum > INT32_MAX ? maximum / INT32_MAX + 1 : 1;
  target->setRange(0, int(maximum / scale));
  target->setValue(int(std::clamp<int64_t>(position, 0, maximum) / scale));
}

void MainWindow::ApplyProtocol(bool cleared, bool showPage, const QString& lines) {
  if (cleared) {
    ProtocolView->clear();
    Pages->setCurrentWidget(showPage ? static_cast<QWidget*>(ProtocolView) : Editor);
  }
  if (!lines.isEmpty()) ProtocolView->appendPlainText(lines);
}

bool MainWindow::SingleFileState() const {
  return session_->State().SelectionMode == SelectionKind::SingleFile;
}

void MainWindow::UpdateButtons() {
  RunState& state = session_->State();
  const WindowControls c = ControlsFor({state.SelectionMode, Editor->IsModified(),
                                        BackupExists(state), session_->Settings().DoColorTags,
                                        running_});
  for (QPushButton* b : {FilesButton, TreeButton, NewButton}) b->setEnabled(c.Select);
  for (QPushButton* b : {FormatButton, CompressButton, TrimButton}) b->setEnabled(c.Process);
  RestoreButton->setEnabled(c.Restore);
  for (QPushButton* b : {SaveButton, CancelAllButton, UndoButton}) b->setEnabled(c.SaveCancelUndo);
  for (QPushButton* b : {SaveAsButton, SearchButton, BrowserButton}) b->setEnabled(c.SaveAsSearchBrowser);
  for (QPushButton* b : RepaintButtons) b->setEnabled(c.Repaint);
  Editor->setReadOnly(!c.EditorWritable);
}

void MainWindow::EnablePanel(bool enabled) { ButtonPanel->setEnabled(enabled); }

// ---------------------------------------------------------------------------------------
// Keys

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::DragEnter && type != QEvent::DragMove &&
      type != QEvent::Drop) {
    return false;
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this) return false;  // a dialog's, a menu's
  if (type != QEvent::KeyPress) return HandleFileDrag(event);
  // Commands act on the press, as the window received it. A release never acts: the press
  // of a key let go here may have closed a dialog, a menu or a message box.
  const auto* key = static_cast<QKeyEvent*>(event);
  return HandleKeyPress(*key);
}

bool MainWindow::ClickIfEnabled(QPushButton* button) {
  // A disabled panel (a selection or a run is under way) starts nothing.
  if (!button->isEnabled() || !button->parentWidget()->isEnabled() || running_) return true;
  button->click();
  return true;
}

bool MainWindow::HandleKeyPress(const QKeyEvent& key) {
  const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
  const bool repeat = key.isAutoRepeat();  // a held key starts its command once
  const int k = key.key();
  if (k >= Qt::Key_F3 && k <= Qt::Key_F9) {
    QPushButton* const buttons[] = {FilesButton, TreeButton, FormatButton, CompressButton, TrimButton, RestoreButton, OptionsButton};
    return repeat || ClickIfEnabled(buttons[k - Qt::Key_F3]);
  }
  if (k == Qt::Key_Escape) {
    if (running_ || !SingleFileState() || !CancelAllButton->isEnabled()) {
      session_->State().UserBreak = true;
    } else if (!repeat) {
      CancelAll();
    }
    return true;
  }
  if (k == Qt::Key_F1 && mods == Qt::ShiftModifier) {
    if (!repeat && SingleFileState() && !running_) InsertHint();
    return true;
  }
  if (k == Qt::Key_F1 && mods == Qt::NoModifier) return repeat || ClickIfEnabled(HelpButton);
  if ((mods & Qt::AltModifier) && k >= Qt::Key_1 && k <= Qt::Key_5) {
    // Never typed into the page, whatever else is held.
    if (mods == Qt::AltModifier && !repeat) ClickIfEnabled(RepaintButtons[k - Qt::Key_1]);
    return true;
  }
  if ((mods & Qt::AltModifier) && k == Qt::Key_B) {
    if (mods == Qt::AltModifier && !repeat) ClickIfEnabled(BrowserButton);
    return true;
  }
  if (mods == Qt::ControlModifier && (k == Qt::Key_F || k == Qt::Key_R)) {
    if (!repeat) OpenSearch();
    return true;
  }
  if (mods == Qt::ControlModifier && k == Qt::Key_S) {
    if (!repeat && !running_ && SaveButton->isEnabled()) Save();
    return true;
  }
  return false;
}

bool MainWindow::AcceptsDrops() const {
  return activated_ && !running_ && ButtonPanel->isEnabled();
}

bool MainWindow::HandleFileDrag(QEvent* event) {
  auto* drag = static_cast<QDropEvent*>(event);  // DragEnter and DragMove are drop events too
  const std::vector<std::string> paths = DraggedFiles(drag->mimeData());
  if (paths.empty()) return false;  // text moved inside the editor
  if (!AcceptsDrops()) {
    drag->ignore();
    return true;
  }
  drag->setDropAction(Qt::CopyAction);
  drag->accept();
  if (event->type() == QEvent::Drop) {
    // After the drop has been answered: the questions it may ask are modal.
    QMetaObject::invokeMethod(this, [this, paths] { DropFiles(paths); }, Qt::QueuedConnection);
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Selections

void MainWindow::SelectFiles() {
  if (running_ || !FilesButton->isEnabled()) return;
  QWidget* page = Pages->currentWidget();
  EnablePanel(false);
  std::optional<std::vector<std::string>> files = dialogs_->ChooseFiles(this, *session_);
  SelectionKind kind = SelectionKind::None;
  if (files && !files->empty()) {
    kind = session_->Driver().Select({SelectionSource::Kind::PickedFiles, *files});
  }
  if (kind == SelectionKind::None) Pages->setCurrentWidget(page);
  if (kind == SelectionKind::SingleFile) Editor->setFocus();
  UpdateButtons();
  EnablePanel(true);
}

void MainWindow::SelectTree() {
  if (running_ || !TreeButton->isEnabled()) return;
  QWidget* page = Pages->currentWidget();
  EnablePanel(false);
  SelectionKind kind = SelectionKind::None;
  if (std::optional<std::string> dir = dialogs_->ChooseTree(this, *session_)) {
    RunDriver& driver = session_->Driver();
    driver.BeginTreeSelection();
    host_.Flush();
    std::optional<UserDialogs::TreeChoice> choice =
        dialogs_->ChooseFromTree(this, *session_, *dir);
    kind = choice ? driver.AcceptTree(choice->Scan, choice->Chosen)
                  : driver.AcceptTree(TreeScan{*dir, {}, {}, false}, {});
    host_.Flush();
  }
  if (kind == SelectionKind::None) Pages->setCurrentWidget(page);
  UpdateButtons();
  EnablePanel(true);
}

bool MainWindow::OpenSingleFile(const std::string& path) {
  const SelectionKind kind =
      session_->Driver().Select({SelectionSource::Kind::CommandLineFile, {path}});
  host_.Flush();
  UpdateButtons();
  return kind == SelectionKind::SingleFile;
}

bool MainWindow::LoadDocument(const std::string& path) {
  if (EqualsNoCase(path, NewDocumentPath())) {
    // A new document: the template, in the standard colours, unsaved from the start.
    Editor->SetDocument(EditorText{NewDocumentText(CurrentDocDateTime()), TextEncoding::Utf8},
                          /*saved=*/false);
    savedText_.clear();
    savedStatus_.clear();  // its save point is the empty text
    Repaint(1);
    Pages->setCurrentWidget(Editor);
    ShowEncoding();
    WriteScratch(Editor->Bytes());
    return true;
  }
  std::string bytes, err;
  if (!ReadWholeFile(path, bytes, &err)) {
    dialogs_->Message(this, MessageKind::Error, "Cannot open the file:\r\n" + err);
    return false;  // the editor keeps what it shows
  }
  SetEditorText(bytes);
  Pages->setCurrentWidget(Editor);
  ShowSavedStatus("File: " + path + "  " + FileSizeK(path));
  return true;
}

void MainWindow::SetEditorText(const std::string& fileBytes) {
  const EditorText text = ToEditorText(fileBytes);
  Editor->SetDocument(text);
  savedText_ = text.Bytes;
  ShowEncoding();
  WriteScratch(fileBytes);
}

void MainWindow::WriteScratch(const std::string& bytes) const {
  // "$tmp.htm" is a scratch copy for other tools only; the editor never reads it back.
  const std::string& scratch = session_->State().TempOutFile;
  if (!scratch.empty()) WriteFileAtomic(scratch, bytes, nullptr);
}

void MainWindow::ShowEncoding() {
  EncodingLabel->setText(SingleFileState() || Editor->Length() > 0
                             ? QString::fromUtf8(EncodingName(Editor->Encoding()))
                             : QString());
}

void MainWindow::ShowRunResult(const std::string& bytes) {
  SetEditorText(bytes);
  Editor->setCursorPosition(0, 0);
}

void MainWindow::DropFiles(const std::vector<std::string>& paths) {
  // While a selection or a run is under way a drop does nothing.
  if (paths.empty() || running_ || !ButtonPanel->isEnabled()) return;
  raise();
  activateWindow();
  const std::string& path = paths.front();
  if (!IsValidHtmlFile(path, session_->State().DoValidate, false)) {
    QApplication::beep();
    dialogs_->Message(this, MessageKind::Plain, "Tessel HTML:\r\nFile not accepted.\r\n" + path);
    return;
  }
  if (!AskSaveFirst("before opening another one?")) return;
  OpenSingleFile(path);
}

bool MainWindow::AskSaveFirst(const std::string& question) {
  // Only a loaded file can be unsaved: outside it the editor takes no typing.
  if (!SingleFileState() || !Editor->IsModified()) return true;
  const std::string text = "Save:\r\n" + session_->State().FileName + "\r\n" + question;
  const Answer answer = dialogs_->YesNoCancel(this, text);
  if (answer == Answer::Cancel) return false;
  return answer == Answer::No || Save();  // a failed save goes no further
}

// ---------------------------------------------------------------------------------------
// Runs

void MainWindow::StartRun(ProcessKind mode, std::function<void(const RunSummary&)> after) {
  if (running_) return;
  session_->State().ProcessMode = mode;
  afterRun_ = std::move(after);
  LockForRun(true);
  if (worker_.joinable()) worker_.join();
  workerDone_ = false;
  worker_ = std::thread([this] {
    const RunSummary summary = session_->Driver().Run();
    QMetaObject::invokeMethod(
        this,
        [this, summary] {
          if (!destroying_) FinishRun(summary);
        },
        Qt::QueuedConnection);
    workerDone_ = true;
  });
}

void MainWindow::FinishRun(const RunSummary& summary) {
  if (worker_.joinable()) worker_.join();
  host_.Flush();
  session_->Pipeline().engine().OutputLines.Clear();
  LockForRun(false);
  UpdateButtons();
  if (SingleFileState() && !Editor->IsModified()) savedStatus_ = StatusText().toStdString();
  emit RunFinished(summary);
  if (auto after = std::move(afterRun_)) {
    afterRun_ = nullptr;
    if (!closeAfterRun_) after(summary);
  }
  if (closeAfterRun_ && !running_) close();
}

void MainWindow::LockForRun(bool locked) {
  running_ = locked;
  host_.SetRunning(locked);
  EnablePanel(!locked);
  // Everything that could touch the run's state waits until it is over.
  EditorPanel->setEnabled(!locked);
  if (locked) Editor->setReadOnly(true);  // UpdateButtons opens it again
}

void MainWindow::Restore() {
  if (running_ || !RestoreButton->isEnabled()) return;
  RunState& state = session_->State();
  if (state.SelectionMode != SelectionKind::SingleFile) {
    StartRun(ProcessKind::Restore);
    return;
  }
  state.BackupFileName = SiblingBackupPath(state, state.FileName);
  std::string backup, err;
  if (!ReadWholeFile(state.BackupFileName, backup, &err)) return;  // no backup: nothing
  if (!dialogs_->ConfirmRestore(this, state.BackupFileName, backup)) return;
  std::string text;
  if (!RestoreSingleFile(state, state.FileName, &err, &text)) {
    dialogs_->Message(this, MessageKind::Error, err);
    return;
  }
  Editor->SetDocument(ToEditorText(text));
  savedText_ = Editor->Bytes();
  ShowEncoding();
  ShowSavedStatus(RestoredStatusText(state.FileName));
  UpdateButtons();
}

// ---------------------------------------------------------------------------------------
// Editor commands

std::optional<std::string> MainWindow::BytesForSave() {
  const std::string text = Editor->Bytes();
  std::size_t at = 0;
  if (std::optional<std::string> bytes = SavedBytes(text, Editor->Encoding(), &at)) return bytes;
  // Never drop a character without the user's word.
  const std::string_view character = Utf8Prefix(std::string_view(text).substr(at), 1);
  const long line = Editor->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION,
                                            static_cast<unsigned long>(at)) + 1;
  const std::string question = "The file was read as " +
                               std::string(EncodingName(Editor->Encoding())) +
                               ", which cannot hold the character \"" +
                               std::string(character) + "\" in line " + std::to_string(line) +
                               ".\r\nSave it as UTF-8 instead?\r\n(No: nothing is saved; the text "
                               "stays as it is.)";
  if (!dialogs_->YesNo(this, question)) return std::nullopt;
  Editor->SetEncoding(TextEncoding::Utf8);
  ShowEncoding();
  return SavedBytes(text, TextEncoding::Utf8);
}

bool MainWindow::Save() {
  RunState& state = session_->State();
  if (running_ || state.SelectionMode != SelectionKind::SingleFile) return false;
  RemoveBrowserCopy();
  if (IsNewDocument()) {
    SaveAs();
    return !Editor->IsModified();
  }
  const std::optional<std::string> bytes = BytesForSave();
  if (!bytes) return false;
  std::string err;
  if (!WriteFileAtomic(state.FileName, *bytes, &err)) {
    dialogs_->Message(this, MessageKind::Error, "The file was not saved:\r\n" + err);
    return false;  // the text stays as it is, and unsaved
  }
  WriteScratch(*bytes);
  savedText_ = Editor->Bytes();
  Editor->MarkSaved();
  UpdateButtons();
  ShowSavedStatus("Saved: " + QuotedPath(state.FileName));
  return true;
}

void MainWindow::SaveAs() {
  RunState& state = session_->State();
  if (running_ || state.SelectionMode != SelectionKind::SingleFile) return;
  RemoveBrowserCopy();
  const std::optional<std::string> bytes = BytesForSave();
  if (!bytes) return;
  std::optional<std::string> saved = dialogs_->SaveAs(
      this, *session_, state.FileName, [&bytes, this](const std::string& path) {
        std::string err;
        if (WriteFileAtomic(path, *bytes, &err)) return true;
        // The path, and why it could not be written (a full disk, a missing folder, ...).
        dialogs_->Message(this, MessageKind::Error, "Invalid Filename: " + path + "\r\n" + err);
        return false;
      });
  if (!saved) return;
  state.FileName = *saved;
  state.SourceDir = WithTrailingSeparator(fs::path(*saved).parent_path().string());
  WriteScratch(*bytes);
  savedText_ = Editor->Bytes();
  Editor->MarkSaved();
  UpdateButtons();
  ShowSavedStatus("Saved: " + QuotedPath(*saved));
}

std::string MainWindow::NewDocumentPath() const {
  return session_->State().ProgramDir + "tessel_html_new.htm";
}

bool MainWindow::IsNewDocument() const {
  return EqualsNoCase(session_->State().FileName, NewDocumentPath());
}

std::string MainWindow::BrowserCopyPath() const {
  const std::string& file = session_->State().FileName;
  return (fs::path(file).parent_path() / "$tesselhtml_tmp.htm").string();
}

void MainWindow::RemoveBrowserCopy() const {
  if (session_->State().FileName.empty()) return;
  std::error_code ec;
  fs::remove(BrowserCopyPath(), ec);  // the program's own scratch copy
}

void MainWindow::NewDocument() {
  if (running_ || !NewButton->isEnabled()) return;
  RemoveBrowserCopy();
  // The template lives under its own name until Save As; that name is no directory to
  // remember for the file dialog.
  session_->Driver().SelectSingleFile(NewDocumentPath(), /*remember=*/false);
  host_.Flush();
  FollowSavePoint();
}

void MainWindow::CancelAll() {
  if (running_ || !CancelAllButton->isEnabled()) return;
  RemoveBrowserCopy();
  RunState& state = session_->State();
  if (IsNewDocument()) {
    Editor->ClearDocument();
    state.SelectionMode = SelectionKind::None;
    state.FileName.clear();
    ShowEncoding();
    UpdateButtons();
    ShowStatus("Click <Select File(s)> or <Select Tree> to process ...");
    return;
  }
  // One undo step: Ctrl+Z brings the discarded text back.
  if (Editor->IsModified()) {
    Editor->ReplaceAllText(savedText_);
    Editor->MarkSaved();
  }
  UpdateButtons();
  ShowSavedStatus("Reloaded: " + state.FileName);
}

void MainWindow::FollowSavePoint() {
  if (Editor->IsModified()) {
    ShowStatus("Unsaved: " + QuotedPath(session_->State().FileName));
  } else if (StatusText().startsWith(QStringLiteral("Unsaved: "))) {
    ShowStatus(savedStatus_);  // undone back to where it was loaded or saved
  }
  UpdateButtons();
}

void MainWindow::ShowSavedStatus(const std::string& text) {
  savedStatus_ = text;
  ShowStatus(text);
}

void MainWindow::ShowInBrowser() {
  if (running_ || !BrowserButton->isEnabled()) return;
  const RunState& state = session_->State();
  if (!UndoButton->isEnabled() && !IsNewDocument()) {
    OpenPage(state.FileName);
    return;
  }
  // The unsaved text, beside the file so that its relative links still work.
  std::optional<std::string> bytes = SavedBytes(Editor->Bytes(), Editor->Encoding());
  if (!bytes) bytes = SavedBytes(Editor->Bytes(), TextEncoding::Utf8);
  std::string err;
  if (!WriteFreshFile(BrowserCopyPath(), *bytes, &err)) {  // never through a planted link
    dialogs_->Message(this, MessageKind::Error, "The page cannot be shown:\r\n" + err);
    return;
  }
  OpenPage(BrowserCopyPath());
}

void MainWindow::OpenPage(const std::string& path) {
  std::error_code ec;
  const bool exists = fs::is_regular_file(path, ec);
  if (exists && dialogs_->OpenDocument(path)) return;
  dialogs_->Message(this, MessageKind::Error,
                    "The page cannot be shown:\r\n" + path + "\r\n" +
                        (exists ? "No program on this desktop opens it."
                                : "The file is missing."));
}

void MainWindow::Repaint(int mode) {
  const std::optional<SyntaxPalette> palette = EmphasisPalette(mode);
  if (!palette) return;
  ProgramSettings& settings = session_->Settings();
  settings.TextCol = palette->TextCol;
  settings.TagCol = palette->TagCol;
  settings.QuotedCol = palette->QuotedCol;
  settings.CommentCol = palette->CommentCol;
  Editor->SetPalette(*palette);
  Editor->RepaintSyntax();
  UpdateButtons();
}

void MainWindow::OpenSearch() {
  if (running_ || !SingleFileState()) return;
  if (SearchReplace == nullptr) {
    SearchReplace = new SearchDialog(this);
    connect(SearchReplace, &SearchDialog::Search, this, &MainWindow::Search);
  }
  const ProgramSettings& settings = session_->Settings();
  SearchReplace->Open(ToQ(settings.LastSearch), ToQ(settings.LastReplace));
}

void MainWindow::Search(bool replace, bool all) {
  ProgramSettings& settings = session_->Settings();
  settings.LastSearch = SearchReplace->FindText().toStdString();
  settings.LastReplace = SearchReplace->ReplaceText().toStdString();
  if (running_ || !SingleFileState() || settings.LastSearch.empty()) return;
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
    Editor->ReplaceRange(result.ChangedStart, result.ChangedEndOld,
                           std::string_view(result.Text).substr(
                               result.ChangedStart, result.ChangedEndNew - result.ChangedStart));
    FollowSavePoint();
    dialogs_->Message(SearchReplace, MessageKind::Information,
                      "\"" + find + "\", Replace done: " + std::to_string(result.Count) + " times");
    return;
  }
  Editor->ReplaceRange(match, match + find.size(), settings.LastReplace);
  Editor->SendScintilla(QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(match),
                          long(match + settings.LastReplace.size()));
  FollowSavePoint();
}

void MainWindow::Undo() {
  if (!running_ && Editor->isUndoAvailable()) Editor->undo();
}

void MainWindow::ShowOptions() {
  if (running_ || !OptionsButton->isEnabled()) return;
  OptionsDialog dialog(*session_, *dialogs_, skin_, this);
  dialog.exec();
  // What depends on the settings and the style follows them now.
  const ProgramSettings& settings = session_->Settings();
  Editor->SetColouring(settings.DoColorTags);
  setWindowTitle(ToQ(session_->WindowCaption()));
  TrimButton->setToolTip(ToQ(BuildTrimHint(session_->TrimList())));
  UpdateButtons();
}

void MainWindow::ShowHelp() {
  OpenPage(ShippedFile(session_->ProgramDir(), "help/index.html").string());
}

void MainWindow::ShowAbout() {
  OpenPage(ShippedFile(session_->ProgramDir(), "help/about.html").string());
}

// ---------------------------------------------------------------------------------------
// The popup menu and the tag hints

void MainWindow::BuildEditorMenu() {
  EditorMenu = new QMenu(this);
  const std::vector<std::string> captions = PopupMenuCaptions(
      session_->Settings().PopUpStyleName, session_->Styles().StyleList());
  for (const std::string& caption : captions) {
    if (caption == kMenuSeparator) {
      EditorMenu->addSeparator();
      continue;
    }
    QAction* item = EditorMenu->addAction(ToQ(caption));
    connect(item, &QAction::triggered, this, [this, item] {
      RunMenuItem(item->text().toStdString());
    });
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
  if (start == end || running_ || Editor->isReadOnly()) return;
  const std::string text = Editor->Bytes();
  const MenuItemResult result = tessel::RunMenuItem(*session_, caption, text, start, end, fit_);
  if (!result.Done) {
    // The text stays as it is.
    if (!result.Error.empty()) dialogs_->Message(this, MessageKind::Error, result.Error);
    return;
  }
  Editor->InsertSelected(start, end, result.Text);
  Editor->setFocus();
  FollowSavePoint();
  EditorMenu->actions().front()->setText(
      ToQ(FormatSelectionCaption(session_->Settings().PopUpStyleName)));
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
  FollowSavePoint();
}

// ---------------------------------------------------------------------------------------
// Closing

void MainWindow::closeEvent(QCloseEvent* event) {
  if (running_) {
    // Closing during a run stops it between files, as Esc does, and closes after it.
    closeAfterRun_ = true;
    session_->State().UserBreak = true;
    event->ignore();
    return;
  }
  if (!AskSaveFirst("before close?")) {
    event->ignore();
    return;
  }
  SaveSettings();
  RemoveBrowserCopy();
  event->accept();
}

void MainWindow::SaveSettings() {
  ProgramSettings& settings = session_->Settings();
  settings.Left = x();
  settings.Top = y();
  settings.Width = width();
  settings.Height = height();
  const QSize screen = ScreenSize();
  std::string err;
  if (!session_->WriteSettings(screen.width(), screen.height(), &err)) {
    dialogs_->Message(this, MessageKind::Error,
                      "The settings could not be saved:\r\n" + err);
  }
}

}  // namespace tessel::gui
