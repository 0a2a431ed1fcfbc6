#include "gui/Unit1.h"

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
#include "app/window_rules.h"
#include "base/ascii.h"
#include "batch/backups.h"
#include "batch/discovery.h"
#include "batch/restore.h"
#include "editor/new_document.h"
#include "gui/editor_view.h"
#include "gui/formatoptions.h"
#include "gui/search_dialog.h"
#include "gui/gui_text.h"
#include "gui/window_dialogs.h"
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

TForm1::TForm1(const fs::path& programDir, const CommandLine& commandLine, UserDialogs* dialogs)
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
  REScreen->SetColouring(settings.DoColorTags);
  REScreen->SetPalette({settings.TextCol, settings.TagCol, settings.QuotedCol, settings.CommentCol});
  ShowEncoding();
  move(settings.Left, settings.Top);
  resize(settings.Width, settings.Height);
  RunState& state = session_->State();
  state.CmdLineMode = commandLine_.CmdLineMode;
  if (!commandLine_.File.empty()) Edit1->setText(PathToQ(commandLine_.File));
  qApp->installEventFilter(this);  // the window sees every key first
  SetButtonState();
}

TForm1::~TForm1() {
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

void TForm1::BuildWindow() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(BuildButtonPanel());

  auto* panelMsg = new PicturePanel(this);
  panelMsg->SetPicture(skin_.Status);
  panelMsg->setFrameShape(QFrame::StyledPanel);
  auto* msgLayout = new QHBoxLayout(panelMsg);
  msgLayout->setContentsMargins(8, 4, 8, 4);
  Label1 = new QLabel(panelMsg);
  Label1->setTextFormat(Qt::PlainText);
  Label1->setMinimumWidth(1);  // a long path must not widen the window
  msgLayout->addWidget(Label1);
  layout->addWidget(panelMsg);

  layout->addWidget(BuildEditorPanel());
  ProgressActFile = new QProgressBar(this);
  ProgressActFile->setFixedHeight(10);
  ProgressActFile->setTextVisible(false);
  ShowEmpty(*ProgressActFile);
  layout->addWidget(ProgressActFile);

  Notebook1 = new QTabWidget(this);
  REScreen = new EditorView(Notebook1);
  RichProtokoll = new QPlainTextEdit(Notebook1);
  RichProtokoll->setReadOnly(true);
  RichProtokoll->setLineWrapMode(QPlainTextEdit::NoWrap);
  RichProtokoll->setUndoRedoEnabled(false);
  RichProtokoll->setStyleSheet(
      "QPlainTextEdit { color: #800000; background: #fffbf0; font-weight: bold; }");
  Notebook1->addTab(REScreen, QStringLiteral("HTML"));
  Notebook1->addTab(RichProtokoll, QStringLiteral("Protokoll"));
  layout->addWidget(Notebook1, 1);
  connect(REScreen, &QsciScintilla::modificationChanged, this, &TForm1::SetREToModified);
  connect(REScreen, &EditorView::Edited, this, &TForm1::SetREToModified);
  connect(REScreen, &EditorView::SelectionMoved, this, [this] {
    if (REScreen->TagHintsOn) ShowTagHint();
  });
  REScreen->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(REScreen, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (PopMenRE == nullptr || running_ || REScreen->isReadOnly()) return;
    PopMenPoP();
    // The menu opens with its right edge at the mouse pointer.
    const QPoint global = REScreen->mapToGlobal(at);
    PopMenRE->popup(QPoint(global.x() - PopMenRE->sizeHint().width(), global.y()));
  });

  ProgressAll = new QProgressBar(this);
  ProgressAll->setTextVisible(false);
  ProgressAll->setMaximumHeight(14);
  ShowEmpty(*ProgressAll);
  layout->addWidget(ProgressAll);

  auto* bottom = new QWidget(this);
  auto* bottomLayout = new QHBoxLayout(bottom);
  bottomLayout->setContentsMargins(4, 2, 4, 2);
  Edit1 = new QLineEdit(bottom);
  Edit1->setReadOnly(true);
  Edit1->setFocusPolicy(Qt::NoFocus);
  bottomLayout->addWidget(Edit1, 1);
  connect(Edit1, &QLineEdit::textChanged, this, &TForm1::Edit1Change);
  bottomLayout->addSpacing(196);  // the hint line is the window's width less 200
  layout->addWidget(bottom);
}

QWidget* TForm1::BuildButtonPanel() {
  auto* panel = new PicturePanel(this);
  panel->SetPicture(skin_.Main);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(8, 6, 8, 6);
  BFiles = MakeButton(panel, "Select File(s)",
                      "<F3>: Load a single file (or more for batch processing)");
  BTree = MakeButton(panel, "Select Tree", "<F4>: Choose a directory tree for batch processing");
  BFormat = MakeButton(panel, "Format", "<F5>: Format and save file(s)");
  BCompress = MakeButton(panel, "Compress", "<F6>: Compress and save file(s)");
  BTrim = MakeButton(panel, "Trim", "<F7>: Trim specified tags and save file(s)");
  BRestore = MakeButton(panel, "Restore", "<F8>: Restore file(s) from last Backup");
  BOptions = MakeButton(panel, "Options", "<F9>: Open the Options Window");
  BEarth = MakeButton(panel, "About", "Visit Loomwork Homepage");
  BHelp = MakeButton(panel, "Help", "Show Help");
  for (QPushButton* b : {BFiles, BTree}) row->addWidget(b);
  row->addSpacing(16);
  for (QPushButton* b : {BFormat, BCompress, BTrim, BRestore}) row->addWidget(b);
  row->addSpacing(16);
  row->addWidget(BOptions);
  row->addStretch(1);
  row->addWidget(BEarth);
  row->addWidget(BHelp);
  connect(BFiles, &QPushButton::clicked, this, &TForm1::BFilesClick);
  connect(BTree, &QPushButton::clicked, this, &TForm1::BTreeClick);
  connect(BFormat, &QPushButton::clicked, this, &TForm1::BFormatClick);
  connect(BCompress, &QPushButton::clicked, this, &TForm1::BCompressClick);
  connect(BTrim, &QPushButton::clicked, this, &TForm1::BTrimClick);
  connect(BRestore, &QPushButton::clicked, this, &TForm1::BRestoreClick);
  connect(BOptions, &QPushButton::clicked, this, &TForm1::BOptionsClick);
  connect(BHelp, &QPushButton::clicked, this, &TForm1::BHelpClick);
  connect(BEarth, &QPushButton::clicked, this, &TForm1::BEarthClick);
  PanelButtons = panel;
  return panel;
}

QWidget* TForm1::BuildEditorPanel() {
  auto* panel = new PicturePanel(this);
  panel->SetPicture(skin_.Main);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(8, 3, 8, 3);
  BNew = MakeButton(panel, "New", "Create a new HTML file ");
  BSaveAs = MakeButton(panel, "Save As", "Save a copy of the current file");
  BSave = MakeButton(panel, "Save", "<CTRL><S>: Save current file");
  BCancel = MakeButton(panel, "Cancel All", "<ESC>: Cancel editing and undo all changes");
  BUndo = MakeButton(panel, "Undo", "<CTRL><Z>: Undo last change");
  BSearchRep = MakeButton(panel, "Search/Replace", "<CTRL><R>: Open Search&Replace Dialog");
  static const char* const kRepaintHints[5] = {
      "<ALT><1>: Repaint Syntax Highlight", "<ALT><2>: Emphasize Tags",
      "<ALT><3>: Emphasize quoted strings", "<ALT><4>: Emphasize floating text",
      "<ALT><5>: Emphasize comments"};
  BBrowser = MakeButton(panel, "Browser", "<ALT><B>:  View current file in default browser");
  for (QPushButton* b : {BNew, BSaveAs, BSave, BCancel, BUndo, BSearchRep}) row->addWidget(b);
  row->addStretch(1);
  LabelEncoding = new QLabel(panel);
  LabelEncoding->setToolTip(QStringLiteral("The encoding the file is saved in"));
  row->addWidget(LabelEncoding);
  row->addSpacing(12);
  for (int i = 0; i < 5; ++i) {
    BRepaint[i] = MakeButton(panel, std::to_string(i + 1).c_str(), kRepaintHints[i]);
    BRepaint[i]->setFixedWidth(BRepaint[i]->fontMetrics().horizontalAdvance("MM") + 12);
    row->addWidget(BRepaint[i]);
    connect(BRepaint[i], &QPushButton::clicked, this, [this, i] { BRepaintClick(i + 1); });
  }
  row->addSpacing(8);
  row->addWidget(BBrowser);
  connect(BNew, &QPushButton::clicked, this, &TForm1::BNewClick);
  connect(BCancel, &QPushButton::clicked, this, &TForm1::BCancelClick);
  connect(BSearchRep, &QPushButton::clicked, this, &TForm1::BSearchRepClick);
  connect(BBrowser, &QPushButton::clicked, this, &TForm1::BBrowserClick);
  connect(BSave, &QPushButton::clicked, this, [this] { BSaveClick(); });
  connect(BSaveAs, &QPushButton::clicked, this, &TForm1::BSaveAsClick);
  connect(BUndo, &QPushButton::clicked, this, &TForm1::BUndoClick);
  PanelEditor = panel;
  return panel;
}

// ---------------------------------------------------------------------------------------
// Start-up

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FirstShow();
}

void TForm1::FirstShow() {
  StyleError err;
  if (!session_->LoadStyle(nullptr, &err)) {
    // Without any style the program cannot work at all: it ends here.
    dialogs_->Message(this, MessageKind::Error, err.Text);
    QMetaObject::invokeMethod(qApp, [] { QApplication::exit(2); }, Qt::QueuedConnection);
    return;
  }
  setWindowTitle(ToQ(session_->Styles().WindowCaption()));
  std::string trimErr;
  if (!session_->ReadTrimList(&trimErr)) dialogs_->Message(this, MessageKind::Error, trimErr);
  BTrim->setToolTip(ToQ(BuildTrimHint(session_->TrimList())));
  ResetCounters(session_->ActiveStyle().Tags);
  BuildPopupMenu();
  tagHints_ = TagHints::Load(session_->ProgramDir() / std::string(kTagSyntaxFileName));
  if (commandLine_.CmdLineMode == CmdLineKind::None) Notebook1->setCurrentWidget(RichProtokoll);
  Edit1->setText(QString::fromUtf8(kHintNote));
  // A file named on the command line that is not opened: the user learns why.
  if (!commandLine_.NotOpened.empty()) ShowStatus(commandLine_.NotOpened);
  if (commandLine_.CmdLineMode != CmdLineKind::None && commandLine_.ProcessMode == ProcessKind::None) {
    RunCommandLine();
  }
}

bool TForm1::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  if (event->type() == QEvent::WindowActivate && !activated_ && shown_) {
    activated_ = true;
    FirstActivation();
  }
  return handled;
}

void TForm1::FirstActivation() {
  if (commandLine_.CmdLineMode != CmdLineKind::None && commandLine_.ProcessMode != ProcessKind::None) {
    RunCommandLine();
  }
  REScreen->MarkSaved();
  SetButtonState();
  setAcceptDrops(true);
  session_->State().CmdLineMode = CmdLineKind::None;
  emit FirstActivated();
}

void TForm1::RunCommandLine() {
  Notebook1->setCurrentWidget(REScreen);
  if (!OpenSingleFile(commandLine_.File)) return;
  if (commandLine_.ProcessMode == ProcessKind::None) {
    REScreen->setFocus();
    return;
  }
  RunState& state = session_->State();
  const bool backups = state.DoCreateBackUps;
  state.DoCreateBackUps = commandLine_.Backup;
  StartRun(commandLine_.ProcessMode, [this, backups](const RunSummary& first) {
    RunState& state = session_->State();
    auto done = [this, backups](const RunSummary&) {
      session_->State().DoCreateBackUps = backups;
      REScreen->setFocus();
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

void TForm1::ShowStatus(const std::string& text) { host_.ShowStatus(text); }

void TForm1::AppendStatus(const std::string& text) { host_.AppendStatus(text); }

QString TForm1::StatusText() const { return Label1->text(); }

QString TForm1::ProtocolText() const { return RichProtokoll->toPlainText(); }

void TForm1::ApplyStatus(const std::string& text) {
  const QString shown = ToQ(text);
  if (Label1->text() == shown) return;
  Label1->setText(shown);
  Label1->repaint();
}

void TForm1::ApplyProgress(ProgressBar bar, int64_t maximum, int64_t position) {
  QProgressBar* target = bar == ProgressBar::ActFile ? ProgressActFile : ProgressAll;
  if (maximum <= 0) {
    ShowEmpty(*target);
    return;
  }
  // The bars count in 32 bits: a huge file is shown in proportion.
  const int64_t scale = maximum > INT32_MAX ? maximum / INT32_MAX + 1 : 1;
  target->setRange(0, int(maximum / scale));
  target->setValue(int(std::clamp<int64_t>(position, 0, maximum) / scale));
}

void TForm1::ApplyProtocol(bool cleared, bool showPage, const QString& lines) {
  if (cleared) {
    RichProtokoll->clear();
    Notebook1->setCurrentWidget(showPage ? static_cast<QWidget*>(RichProtokoll) : REScreen);
  }
  if (!lines.isEmpty()) RichProtokoll->appendPlainText(lines);
}

bool TForm1::SingleFileState() const {
  return session_->State().SelectionMode == SelectionKind::SingleFile;
}

void TForm1::SetButtonState() {
  RunState& state = session_->State();
  const WindowControls c = ControlsFor({state.SelectionMode, REScreen->IsModified(),
                                        BackupExists(state), session_->Settings().DoColorTags,
                                        running_});
  for (QPushButton* b : {BFiles, BTree, BNew}) b->setEnabled(c.Select);
  for (QPushButton* b : {BFormat, BCompress, BTrim}) b->setEnabled(c.Process);
  BRestore->setEnabled(c.Restore);
  for (QPushButton* b : {BSave, BCancel, BUndo}) b->setEnabled(c.SaveCancelUndo);
  for (QPushButton* b : {BSaveAs, BSearchRep, BBrowser}) b->setEnabled(c.SaveAsSearchBrowser);
  for (QPushButton* b : BRepaint) b->setEnabled(c.Repaint);
  REScreen->setReadOnly(!c.EditorWritable);
}

void TForm1::PanelState(bool enabled) { PanelButtons->setEnabled(enabled); }

// ---------------------------------------------------------------------------------------
// Keys

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
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

bool TForm1::ClickIfEnabled(QPushButton* button) {
  // A disabled panel (a selection or a run is under way) starts nothing.
  if (!button->isEnabled() || !button->parentWidget()->isEnabled() || running_) return true;
  button->click();
  return true;
}

bool TForm1::HandleKeyPress(const QKeyEvent& key) {
  const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
  const bool repeat = key.isAutoRepeat();  // a held key starts its command once
  const int k = key.key();
  if (k >= Qt::Key_F3 && k <= Qt::Key_F9) {
    QPushButton* const buttons[] = {BFiles, BTree, BFormat, BCompress, BTrim, BRestore, BOptions};
    return repeat || ClickIfEnabled(buttons[k - Qt::Key_F3]);
  }
  if (k == Qt::Key_Escape) {
    if (running_ || !SingleFileState() || !BCancel->isEnabled()) {
      session_->State().UserBreak = true;
    } else if (!repeat) {
      BCancelClick();
    }
    return true;
  }
  if (k == Qt::Key_F1 && mods == Qt::ShiftModifier) {
    if (!repeat && SingleFileState() && !running_) CopyFromEditToRichEdit();
    return true;
  }
  if (k == Qt::Key_F1 && mods == Qt::NoModifier) return repeat || ClickIfEnabled(BHelp);
  if ((mods & Qt::AltModifier) && k >= Qt::Key_1 && k <= Qt::Key_5) {
    // Never typed into the page, whatever else is held.
    if (mods == Qt::AltModifier && !repeat) ClickIfEnabled(BRepaint[k - Qt::Key_1]);
    return true;
  }
  if ((mods & Qt::AltModifier) && k == Qt::Key_B) {
    if (mods == Qt::AltModifier && !repeat) ClickIfEnabled(BBrowser);
    return true;
  }
  if (mods == Qt::ControlModifier && (k == Qt::Key_F || k == Qt::Key_R)) {
    if (!repeat) BSearchRepClick();
    return true;
  }
  if (mods == Qt::ControlModifier && k == Qt::Key_S) {
    if (!repeat && !running_ && BSave->isEnabled()) BSaveClick();
    return true;
  }
  return false;
}

bool TForm1::AcceptsDrops() const {
  return activated_ && !running_ && PanelButtons->isEnabled();
}

bool TForm1::HandleFileDrag(QEvent* event) {
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

void TForm1::BFilesClick() {
  if (running_ || !BFiles->isEnabled()) return;
  QWidget* page = Notebook1->currentWidget();
  PanelState(false);
  std::optional<std::vector<std::string>> files = dialogs_->ChooseFiles(this, *session_);
  SelectionKind kind = SelectionKind::None;
  if (files && !files->empty()) {
    kind = session_->Driver().ShowFileSelection({SelectionSource::Kind::PickedFiles, *files});
  }
  if (kind == SelectionKind::None) Notebook1->setCurrentWidget(page);
  if (kind == SelectionKind::SingleFile) REScreen->setFocus();
  SetButtonState();
  PanelState(true);
}

void TForm1::BTreeClick() {
  if (running_ || !BTree->isEnabled()) return;
  QWidget* page = Notebook1->currentWidget();
  PanelState(false);
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
  if (kind == SelectionKind::None) Notebook1->setCurrentWidget(page);
  SetButtonState();
  PanelState(true);
}

bool TForm1::OpenSingleFile(const std::string& path) {
  const SelectionKind kind =
      session_->Driver().ShowFileSelection({SelectionSource::Kind::CommandLineFile, {path}});
  host_.Flush();
  SetButtonState();
  return kind == SelectionKind::SingleFile;
}

bool TForm1::LoadEditorFile(const std::string& path) {
  if (EqualsNoCase(path, NewFileName())) {
    // A new document: the template, in the standard colours, unsaved from the start.
    REScreen->SetDocument(EditorText{NewDocumentText(CurrentDocDateTime()), TextEncoding::Utf8},
                          /*saved=*/false);
    savedText_.clear();
    savedStatus_.clear();  // its save point is the empty text
    BRepaintClick(1);
    Notebook1->setCurrentWidget(REScreen);
    ShowEncoding();
    WriteScratch(REScreen->Bytes());
    return true;
  }
  std::string bytes, err;
  if (!ReadWholeFile(path, bytes, &err)) {
    dialogs_->Message(this, MessageKind::Error, "Cannot open the file:\r\n" + err);
    return false;  // the editor keeps what it shows
  }
  SetEditorText(bytes);
  Notebook1->setCurrentWidget(REScreen);
  ShowSavedStatus("File: " + path + "  " + FileSizeK(path));
  return true;
}

void TForm1::SetEditorText(const std::string& fileBytes) {
  const EditorText text = ToEditorText(fileBytes);
  REScreen->SetDocument(text);
  savedText_ = text.Bytes;
  ShowEncoding();
  WriteScratch(fileBytes);
}

void TForm1::WriteScratch(const std::string& bytes) const {
  // "$tmp.htm" is a scratch copy for other tools only; the editor never reads it back.
  const std::string& scratch = session_->State().TempOutFile;
  if (!scratch.empty()) WriteFileAtomic(scratch, bytes, nullptr);
}

void TForm1::ShowEncoding() {
  LabelEncoding->setText(SingleFileState() || REScreen->Length() > 0
                             ? QString::fromUtf8(EncodingName(REScreen->Encoding()))
                             : QString());
}

void TForm1::ShowRunResult(const std::string& bytes) {
  SetEditorText(bytes);
  REScreen->setCursorPosition(0, 0);
}

void TForm1::DropFiles(const std::vector<std::string>& paths) {
  // While a selection or a run is under way a drop does nothing.
  if (paths.empty() || running_ || !PanelButtons->isEnabled()) return;
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

bool TForm1::AskSaveFirst(const std::string& question) {
  // Only a loaded file can be unsaved: outside it the editor takes no typing.
  if (!SingleFileState() || !REScreen->IsModified()) return true;
  const std::string text = "Save:\r\n" + session_->State().FileName + "\r\n" + question;
  const Answer answer = dialogs_->YesNoCancel(this, text);
  if (answer == Answer::Cancel) return false;
  return answer == Answer::No || BSaveClick();  // a failed save goes no further
}

// ---------------------------------------------------------------------------------------
// Runs

void TForm1::StartRun(ProcessKind mode, std::function<void(const RunSummary&)> after) {
  if (running_) return;
  session_->State().ProcessMode = mode;
  afterRun_ = std::move(after);
  LockForRun(true);
  if (worker_.joinable()) worker_.join();
  workerDone_ = false;
  worker_ = std::thread([this] {
    const RunSummary summary = session_->Driver().LetsGo();
    QMetaObject::invokeMethod(
        this,
        [this, summary] {
          if (!destroying_) FinishRun(summary);
        },
        Qt::QueuedConnection);
    workerDone_ = true;
  });
}

void TForm1::FinishRun(const RunSummary& summary) {
  if (worker_.joinable()) worker_.join();
  host_.Flush();
  session_->Pipeline().engine().OutputLines.Clear();
  LockForRun(false);
  SetButtonState();
  if (SingleFileState() && !REScreen->IsModified()) savedStatus_ = StatusText().toStdString();
  emit RunFinished(summary);
  if (auto after = std::move(afterRun_)) {
    afterRun_ = nullptr;
    if (!closeAfterRun_) after(summary);
  }
  if (closeAfterRun_ && !running_) close();
}

void TForm1::LockForRun(bool locked) {
  running_ = locked;
  host_.SetRunning(locked);
  PanelState(!locked);
  // Everything that could touch the run's state waits until it is over.
  PanelEditor->setEnabled(!locked);
  if (locked) REScreen->setReadOnly(true);  // SetButtonState opens it again
}

void TForm1::BRestoreClick() {
  if (running_ || !BRestore->isEnabled()) return;
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
  REScreen->SetDocument(ToEditorText(text));
  savedText_ = REScreen->Bytes();
  ShowEncoding();
  ShowSavedStatus(RestoredStatusText(state.FileName));
  SetButtonState();
}

// ---------------------------------------------------------------------------------------
// Editor commands

std::optional<std::string> TForm1::BytesForSave() {
  const std::string text = REScreen->Bytes();
  std::size_t at = 0;
  if (std::optional<std::string> bytes = SavedBytes(text, REScreen->Encoding(), &at)) return bytes;
  // Never drop a character without the user's word.
  const std::string_view character = Utf8Prefix(std::string_view(text).substr(at), 1);
  const long line = REScreen->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION,
                                            static_cast<unsigned long>(at)) + 1;
  const std::string question = "The file was read as " +
                               std::string(EncodingName(REScreen->Encoding())) +
                               ", which cannot hold the character \"" +
                               std::string(character) + "\" in line " + std::to_string(line) +
                               ".\r\nSave it as UTF-8 instead?\r\n(No: nothing is saved; the text "
                               "stays as it is.)";
  if (!dialogs_->YesNo(this, question)) return std::nullopt;
  REScreen->SetEncoding(TextEncoding::Utf8);
  ShowEncoding();
  return SavedBytes(text, TextEncoding::Utf8);
}

bool TForm1::BSaveClick() {
  RunState& state = session_->State();
  if (running_ || state.SelectionMode != SelectionKind::SingleFile) return false;
  DeleteBrowserTemp();
  if (IsNewDocument()) {
    BSaveAsClick();
    return !REScreen->IsModified();
  }
  const std::optional<std::string> bytes = BytesForSave();
  if (!bytes) return false;
  std::string err;
  if (!WriteFileAtomic(state.FileName, *bytes, &err)) {
    dialogs_->Message(this, MessageKind::Error, "The file was not saved:\r\n" + err);
    return false;  // the text stays as it is, and unsaved
  }
  WriteScratch(*bytes);
  savedText_ = REScreen->Bytes();
  REScreen->MarkSaved();
  SetButtonState();
  ShowSavedStatus("Saved: " + QuotedPath(state.FileName));
  return true;
}

void TForm1::BSaveAsClick() {
  RunState& state = session_->State();
  if (running_ || state.SelectionMode != SelectionKind::SingleFile) return;
  DeleteBrowserTemp();
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
  savedText_ = REScreen->Bytes();
  REScreen->MarkSaved();
  SetButtonState();
  ShowSavedStatus("Saved: " + QuotedPath(*saved));
}

std::string TForm1::NewFileName() const {
  return session_->State().ProgramDir + "tessel_html_new.htm";
}

bool TForm1::IsNewDocument() const {
  return EqualsNoCase(session_->State().FileName, NewFileName());
}

std::string TForm1::BrowserTempFile() const {
  const std::string& file = session_->State().FileName;
  return (fs::path(file).parent_path() / "$tesselhtml_tmp.htm").string();
}

void TForm1::DeleteBrowserTemp() const {
  if (session_->State().FileName.empty()) return;
  std::error_code ec;
  fs::remove(BrowserTempFile(), ec);  // the program's own scratch copy
}

void TForm1::BNewClick() {
  if (running_ || !BNew->isEnabled()) return;
  DeleteBrowserTemp();
  // The template lives under its own name until Save As; that name is no directory to
  // remember for the file dialog.
  session_->Driver().SelectSingleFile(NewFileName(), /*remember=*/false);
  host_.Flush();
  SetREToModified();
}

void TForm1::BCancelClick() {
  if (running_ || !BCancel->isEnabled()) return;
  DeleteBrowserTemp();
  RunState& state = session_->State();
  if (IsNewDocument()) {
    REScreen->ClearDocument();
    state.SelectionMode = SelectionKind::None;
    state.FileName.clear();
    ShowEncoding();
    SetButtonState();
    ShowStatus("Click <Select File(s)> or <Select Tree> to process ...");
    return;
  }
  // One undo step: Ctrl+Z brings the discarded text back.
  if (REScreen->IsModified()) {
    REScreen->ReplaceAllText(savedText_);
    REScreen->MarkSaved();
  }
  SetButtonState();
  ShowSavedStatus("Reloaded: " + state.FileName);
}

void TForm1::SetREToModified() {
  if (REScreen->IsModified()) {
    ShowStatus("Unsaved: " + QuotedPath(session_->State().FileName));
  } else if (StatusText().startsWith(QStringLiteral("Unsaved: "))) {
    ShowStatus(savedStatus_);  // undone back to where it was loaded or saved
  }
  SetButtonState();
}

void TForm1::ShowSavedStatus(const std::string& text) {
  savedStatus_ = text;
  ShowStatus(text);
}

void TForm1::BBrowserClick() {
  if (running_ || !BBrowser->isEnabled()) return;
  const RunState& state = session_->State();
  if (!BUndo->isEnabled() && !IsNewDocument()) {
    ShowInBrowser(state.FileName);
    return;
  }
  // The unsaved text, beside the file so that its relative links still work.
  std::optional<std::string> bytes = SavedBytes(REScreen->Bytes(), REScreen->Encoding());
  if (!bytes) bytes = SavedBytes(REScreen->Bytes(), TextEncoding::Utf8);
  std::string err;
  if (!WriteFreshFile(BrowserTempFile(), *bytes, &err)) {  // never through a planted link
    dialogs_->Message(this, MessageKind::Error, "The page cannot be shown:\r\n" + err);
    return;
  }
  ShowInBrowser(BrowserTempFile());
}

void TForm1::ShowInBrowser(const std::string& path) {
  std::error_code ec;
  const bool exists = fs::is_regular_file(path, ec);
  if (exists && dialogs_->OpenDocument(path)) return;
  dialogs_->Message(this, MessageKind::Error,
                    "The page cannot be shown:\r\n" + path + "\r\n" +
                        (exists ? "No program on this desktop opens it."
                                : "The file is missing."));
}

void TForm1::BRepaintClick(int mode) {
  const std::optional<SyntaxPalette> palette = EmphasisPalette(mode);
  if (!palette) return;
  ProgramSettings& settings = session_->Settings();
  settings.TextCol = palette->TextCol;
  settings.TagCol = palette->TagCol;
  settings.QuotedCol = palette->QuotedCol;
  settings.CommentCol = palette->CommentCol;
  REScreen->SetPalette(*palette);
  REScreen->RepaintSyntax();
  SetButtonState();
}

void TForm1::BSearchRepClick() {
  if (running_ || !SingleFileState()) return;
  if (ReplaceDialog1 == nullptr) {
    ReplaceDialog1 = new ReplaceDialog(this);
    connect(ReplaceDialog1, &ReplaceDialog::Search, this, &TForm1::Search);
  }
  const ProgramSettings& settings = session_->Settings();
  ReplaceDialog1->Open(ToQ(settings.LastSearch), ToQ(settings.LastReplace));
}

void TForm1::Search(bool replace, bool all) {
  ProgramSettings& settings = session_->Settings();
  settings.LastSearch = ReplaceDialog1->FindText().toStdString();
  settings.LastReplace = ReplaceDialog1->ReplaceText().toStdString();
  if (running_ || !SingleFileState() || settings.LastSearch.empty()) return;
  const std::string& find = settings.LastSearch;
  const SearchOptions options = ReplaceDialog1->Options();
  const std::string text = REScreen->Bytes();
  const long selStart = REScreen->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART);
  const long selEnd = REScreen->SendScintilla(QsciScintilla::SCI_GETSELECTIONEND);
  const std::size_t match = FindNext(text, find, SearchStart(selStart, selEnd - selStart), options);
  if (match == kNoMatch) {
    // Over the search dialog, which has the focus again once the box is closed.
    dialogs_->Message(ReplaceDialog1, MessageKind::Information, "\"" + find + "\" not found.");
    return;
  }
  REScreen->SendScintilla(QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(match),
                          long(match + find.size()));
  if (REScreen->isVisible() && REScreen->isEnabled()) REScreen->setFocus();
  if (!replace || REScreen->isReadOnly()) return;
  if (all) {
    const ReplaceAllResult result = ReplaceAll(text, find, settings.LastReplace, options, match);
    REScreen->ReplaceRange(result.ChangedStart, result.ChangedEndOld,
                           std::string_view(result.Text).substr(
                               result.ChangedStart, result.ChangedEndNew - result.ChangedStart));
    SetREToModified();
    dialogs_->Message(ReplaceDialog1, MessageKind::Information,
                      "\"" + find + "\", Replace done: " + std::to_string(result.Count) + " times");
    return;
  }
  REScreen->ReplaceRange(match, match + find.size(), settings.LastReplace);
  REScreen->SendScintilla(QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(match),
                          long(match + settings.LastReplace.size()));
  SetREToModified();
}

void TForm1::BUndoClick() {
  if (!running_ && REScreen->isUndoAvailable()) REScreen->undo();
}

void TForm1::BOptionsClick() {
  if (running_ || !BOptions->isEnabled()) return;
  TFormOptions dialog(*session_, *dialogs_, skin_, this);
  dialog.exec();
  // What depends on the settings and the style follows them now.
  const ProgramSettings& settings = session_->Settings();
  REScreen->SetColouring(settings.DoColorTags);
  setWindowTitle(ToQ(session_->Styles().WindowCaption()));
  BTrim->setToolTip(ToQ(BuildTrimHint(session_->TrimList())));
  SetButtonState();
}

void TForm1::BHelpClick() {
  ShowInBrowser(ShippedFile(session_->ProgramDir(), "help/index.html").string());
}

void TForm1::BEarthClick() {
  ShowInBrowser(ShippedFile(session_->ProgramDir(), "help/about.html").string());
}

// ---------------------------------------------------------------------------------------
// The popup menu and the tag hints

void TForm1::BuildPopupMenu() {
  PopMenRE = new QMenu(this);
  const std::vector<std::string> captions = PopupMenuCaptions(
      session_->Settings().PopUpStyleName, session_->Styles().StyleList());
  for (const std::string& caption : captions) {
    if (caption == kMenuSeparator) {
      PopMenRE->addSeparator();
      continue;
    }
    QAction* item = PopMenRE->addAction(ToQ(caption));
    connect(item, &QAction::triggered, this, [this, item] {
      MyPopupHandler(item->text().toStdString());
    });
  }
}

void TForm1::PopMenPoP() {
  const long start = REScreen->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART);
  const long end = REScreen->SendScintilla(QsciScintilla::SCI_GETSELECTIONEND);
  const std::string text = REScreen->Bytes();
  if (const std::optional<AdjustedSelection> wider = AdjustSelection(text, start, end - start)) {
    fit_ = wider->Fit;
    if (wider->Start != start || wider->End != end) {
      REScreen->SendScintilla(QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(wider->Start),
                              long(wider->End));
    }
  }
  const bool selected = REScreen->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART) !=
                        REScreen->SendScintilla(QsciScintilla::SCI_GETSELECTIONEND);
  for (QAction* item : PopMenRE->actions()) item->setEnabled(selected);
}

void TForm1::MyPopupHandler(const std::string& caption) {
  const long start = REScreen->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART);
  const long end = REScreen->SendScintilla(QsciScintilla::SCI_GETSELECTIONEND);
  if (start == end || running_ || REScreen->isReadOnly()) return;
  StyleLibrary& styles = session_->Styles();
  ProgramSettings& settings = session_->Settings();
  const std::string remembered = session_->ActiveStyle().Options.StyleName;
  const std::string name = MenuItemName(caption);
  const EngineMode mode = MenuItemMode(name);
  if (mode == EngineMode::Format) {
    // The named style for this selection only; a style gone since start-up gives the first.
    // When none can be read the text stays as it is and the style in memory is kept.
    if (!styles.LoadStyle(name)) {
      dialogs_->Message(this, MessageKind::Error, "The style cannot be loaded: " + styles.LastError());
      return;
    }
    settings.PopUpStyleName = session_->ActiveStyle().Options.StyleName;
    setWindowTitle(ToQ(styles.WindowCaption()));
  }
  if (!partialEngine_) partialEngine_ = std::make_unique<Engine>(session_->ActiveStyle());
  const std::string text = REScreen->Bytes();
  const std::string result = ProcessSelection(
      *partialEngine_, mode, std::string_view(text).substr(size_t(start), size_t(end - start)),
      SelectionIndentAt(text, start), fit_, session_->TrimList());
  // The scratch dumps of the token lists, for inspection only.
  const std::string& dir = session_->State().ProgramDir;
  WriteFileAtomic(dir + std::string(kTokenDumpFileName), partialEngine_->TokenList.Joined("\r\n"), nullptr);
  WriteFileAtomic(dir + std::string(kBlockDumpFileName), partialEngine_->BlockList.Joined("\r\n"), nullptr);
  REScreen->InsertSelected(start, end, result);
  REScreen->setFocus();
  SetREToModified();
  if (mode == EngineMode::Format) {
    PopMenRE->actions().front()->setText(ToQ(FormatSelectionCaption(settings.PopUpStyleName)));
    if (!styles.LoadStyle(remembered)) {
      dialogs_->Message(this, MessageKind::Error,
                        "The style \"" + remembered + "\" cannot be loaded again: " +
                            styles.LastError());
    }
    setWindowTitle(ToQ(styles.WindowCaption()));
  }
}

void TForm1::ShowTagHint() {
  if (tagHints_.empty()) return;
  const std::optional<std::string> key =
      REScreen->HintKeyAt(REScreen->SendScintilla(QsciScintilla::SCI_GETCURRENTPOS));
  if (!key) return;  // no tag around the cursor: the line keeps its text
  const QString hint = ToQ(tagHints_.Lookup(*key));
  if (Edit1->text() != hint) Edit1->setText(hint);
}

void TForm1::Edit1Change() {
  if (const std::optional<std::string> tip = HintLineTooltip(Edit1->text().toStdString())) {
    Edit1->setToolTip(ToQ(*tip));
  }
}

void TForm1::CopyFromEditToRichEdit() {
  if (Notebook1->currentWidget() != REScreen || REScreen->isReadOnly()) return;
  const std::string insert =
      HintInsertion(Edit1->text().toStdString(), Edit1->selectedText().toStdString());
  if (insert.empty()) return;
  const long start = REScreen->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART);
  const long end = REScreen->SendScintilla(QsciScintilla::SCI_GETSELECTIONEND);
  REScreen->InsertSelected(start, end, insert);
  REScreen->setFocus();
  SetREToModified();
}

// ---------------------------------------------------------------------------------------
// Closing

void TForm1::closeEvent(QCloseEvent* event) {
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
  DeleteBrowserTemp();
  event->accept();
}

void TForm1::SaveSettings() {
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
