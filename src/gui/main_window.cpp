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
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/program_dir.h"
#include "gui/editor_view.h"
#include "gui/gui_text.h"
#include "gui/window_dialogs.h"
#include "styles/trim_list.h"

namespace tessel::gui {
namespace {

constexpr const char* kHintNote =
    "Note: Tessel HTML v3.x supports partial code formatting via right mouse button! More "
    "enhancements? -> see 'Help' ";
constexpr int kHintVisibleMs = 5000;

QSize ScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize(0, 0);
}

/// A button of the panels, named by its role for the tests and accessibility tools.
QPushButton* MakeButton(QWidget* parent, const char* role, const char* caption, const char* hint) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromUtf8(role));
  button->setToolTip(QString::fromUtf8(hint));
  button->setToolTipDuration(kHintVisibleMs);
  button->setFocusPolicy(Qt::NoFocus);  // keys belong to the editor and the key map
  // Room around every caption, and buttons of one row alike in width.
  const int text = button->fontMetrics().horizontalAdvance(button->text());
  button->setMinimumWidth(std::max(text + 28, 84));
  return button;
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

MainWindow::MainWindow(const std::filesystem::path& programDir, const CommandLine& commandLine,
                       UserDialogs* dialogs)
    : ownDialogs_(dialogs ? nullptr : std::make_unique<WindowDialogs>(skin_)),
      dialogs_(dialogs ? dialogs : ownDialogs_.get()),
      host_(*this),
      model_(programDir, host_, ScreenSize().width(), ScreenSize().height()),
      commandLine_(commandLine) {
  const ProgramSettings& settings = session().Settings();
  skin_ = Skin::Load(ShippedFile(programDir, "skin"), settings.DoLoadWallPapers);
  setWindowTitle(QString::fromUtf8(kProgramTitle.data(), qsizetype(kProgramTitle.size())));
  BuildWindow();
  Editor->SetColouring(settings.DoColorTags);
  Editor->SetPalette({settings.TextCol, settings.TagCol, settings.QuotedCol, settings.CommentCol});
  ShowEncoding();
  move(settings.Left, settings.Top);
  resize(settings.Width, settings.Height);
  session().State().CmdLineMode = commandLine_.CmdLineMode;
  if (!commandLine_.File.empty()) HintLine->setText(PathToQ(commandLine_.File));
  qApp->installEventFilter(this);  // the window sees every key first
  UpdateButtons();
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  // Gone with a run under way (the application is quitting): the run ends at the next
  // file, and its questions are answered without the user, as nobody is left to ask. The
  // model waits for it.
  host_.Detach();
  model_.StopRun();
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
  StatusLine->setObjectName("statusLine");
  StatusLine->setTextFormat(Qt::PlainText);
  StatusLine->setMinimumWidth(1);  // a long path must not widen the window
  msgLayout->addWidget(StatusLine);
  layout->addWidget(panelMsg);

  layout->addWidget(BuildEditorPanel());
  FileProgress = new QProgressBar(this);
  FileProgress->setObjectName("fileProgress");
  FileProgress->setFixedHeight(10);
  FileProgress->setTextVisible(false);
  ShowEmpty(*FileProgress);
  layout->addWidget(FileProgress);

  Pages = new QTabWidget(this);
  Pages->setObjectName("pages");
  Editor = new EditorView(Pages);
  Editor->setObjectName("editor");
  ProtocolView = new QPlainTextEdit(Pages);
  ProtocolView->setObjectName("protocolView");
  ProtocolView->setReadOnly(true);
  ProtocolView->setLineWrapMode(QPlainTextEdit::NoWrap);
  ProtocolView->setUndoRedoEnabled(false);
  ProtocolView->setStyleSheet(
      "QPlainTextEdit { color: #800000; background: #fffbf0; font-weight: bold; }");
  Pages->addTab(Editor, QStringLiteral("HTML"));
  Pages->addTab(ProtocolView, QStringLiteral("Protokoll"));
  layout->addWidget(Pages, 1);
  // Queued: the component tells of its save point in the middle of a change, and the
  // status line's repaint would paint the editor while its lines are half updated.
  connect(Editor, &QsciScintilla::modificationChanged, this, &MainWindow::FollowSavePoint,
          Qt::QueuedConnection);
  connect(Editor, &EditorView::Edited, this, &MainWindow::AfterEdit);
  connect(Editor, &EditorView::SelectionMoved, this, [this] {
    if (Editor->TagHintsOn) ShowTagHint();
  });
  Editor->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Editor, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (EditorMenu == nullptr || Running() || Editor->isReadOnly()) return;
    PrepareEditorMenu();
    // The menu opens with its right edge at the mouse pointer.
    const QPoint global = Editor->mapToGlobal(at);
    EditorMenu->popup(QPoint(global.x() - EditorMenu->sizeHint().width(), global.y()));
  });

  RunProgress = new QProgressBar(this);
  RunProgress->setObjectName("runProgress");
  RunProgress->setTextVisible(false);
  RunProgress->setMaximumHeight(14);
  ShowEmpty(*RunProgress);
  layout->addWidget(RunProgress);

  auto* bottom = new QWidget(this);
  auto* bottomLayout = new QHBoxLayout(bottom);
  bottomLayout->setContentsMargins(4, 2, 4, 2);
  HintLine = new QLineEdit(bottom);
  HintLine->setObjectName("hintLine");
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
  FilesButton = MakeButton(panel, "filesButton", "Select File(s)",
                           "<F3>: Load a single file (or more for batch processing)");
  TreeButton = MakeButton(panel, "treeButton", "Select Tree",
                          "<F4>: Choose a directory tree for batch processing");
  FormatButton = MakeButton(panel, "formatButton", "Format", "<F5>: Format and save file(s)");
  CompressButton =
      MakeButton(panel, "compressButton", "Compress", "<F6>: Compress and save file(s)");
  TrimButton =
      MakeButton(panel, "trimButton", "Trim", "<F7>: Trim specified tags and save file(s)");
  RestoreButton =
      MakeButton(panel, "restoreButton", "Restore", "<F8>: Restore file(s) from last Backup");
  OptionsButton = MakeButton(panel, "optionsButton", "Options", "<F9>: Open the Options Window");
  AboutButton = MakeButton(panel, "aboutButton", "About", "Visit Loomwork Homepage");
  HelpButton = MakeButton(panel, "helpButton", "Help", "Show Help");
  for (QPushButton* b : {FilesButton, TreeButton}) row->addWidget(b);
  row->addSpacing(16);
  for (QPushButton* b : {FormatButton, CompressButton, TrimButton, RestoreButton})
    row->addWidget(b);
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
  panel->setObjectName("buttonPanel");
  return panel;
}

QWidget* MainWindow::BuildEditorPanel() {
  auto* panel = new PicturePanel(this);
  panel->SetPicture(skin_.Main);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(8, 3, 8, 3);
  NewButton = MakeButton(panel, "newButton", "New", "Create a new HTML file ");
  SaveAsButton = MakeButton(panel, "saveAsButton", "Save As", "Save a copy of the current file");
  SaveButton = MakeButton(panel, "saveButton", "Save", "<CTRL><S>: Save current file");
  CancelAllButton = MakeButton(panel, "cancelAllButton", "Cancel All",
                               "<ESC>: Cancel editing and undo all changes");
  UndoButton = MakeButton(panel, "undoButton", "Undo", "<CTRL><Z>: Undo last change");
  SearchButton =
      MakeButton(panel, "searchButton", "Search/Replace", "<CTRL><R>: Open Search&Replace Dialog");
  static const char* const kRepaintHints[5] = {
      "<ALT><1>: Repaint Syntax Highlight", "<ALT><2>: Emphasize Tags",
      "<ALT><3>: Emphasize quoted strings", "<ALT><4>: Emphasize floating text",
      "<ALT><5>: Emphasize comments"};
  BrowserButton = MakeButton(panel, "browserButton", "Browser",
                             "<ALT><B>:  View current file in default browser");
  for (QPushButton* b :
       {NewButton, SaveAsButton, SaveButton, CancelAllButton, UndoButton, SearchButton})
    row->addWidget(b);
  row->addStretch(1);
  EncodingLabel = new QToolButton(panel);
  EncodingLabel->setObjectName("encodingLabel");
  EncodingLabel->setAutoRaise(true);
  EncodingLabel->setPopupMode(QToolButton::InstantPopup);
  EncodingLabel->setFocusPolicy(Qt::NoFocus);  // the editor keeps the keys
  QSizePolicy keepPlace = EncodingLabel->sizePolicy();
  keepPlace.setRetainSizeWhenHidden(true);  // the buttons beside it stay where they are
  EncodingLabel->setSizePolicy(keepPlace);
  BuildEncodingMenu();
  row->addWidget(EncodingLabel);
  row->addSpacing(12);
  for (int i = 0; i < 5; ++i) {
    RepaintButtons[i] = MakeButton(panel, ("repaintButton" + std::to_string(i + 1)).c_str(),
                                   std::to_string(i + 1).c_str(), kRepaintHints[i]);
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
  panel->setObjectName("editorPanel");
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
  if (!session().LoadStyle(nullptr, &err)) {
    // Without any style the program cannot work at all: it ends here.
    dialogs_->Message(this, MessageKind::Error, err.Text);
    QMetaObject::invokeMethod(
        qApp, [] { QApplication::exit(2); }, Qt::QueuedConnection);
    return;
  }
  setWindowTitle(ToQ(session().WindowCaption()));
  std::string trimErr;
  if (!session().ReadTrimList(&trimErr)) dialogs_->Message(this, MessageKind::Error, trimErr);
  TrimButton->setToolTip(ToQ(BuildTrimHint(session().TrimList())));
  ResetCounters(session().ActiveStyle().Tags);
  BuildEditorMenu();
  tagHints_ = TagHints::Load(session().ProgramDir() / std::string(kTagSyntaxFileName));
  if (commandLine_.CmdLineMode == CmdLineKind::None) Pages->setCurrentWidget(ProtocolView);
  HintLine->setText(QString::fromUtf8(kHintNote));
  // A file named on the command line that is not opened: the user learns why.
  if (!commandLine_.NotOpened.empty()) ShowStatus(commandLine_.NotOpened);
  if (commandLine_.CmdLineMode != CmdLineKind::None &&
      commandLine_.ProcessMode == ProcessKind::None) {
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
  if (commandLine_.CmdLineMode != CmdLineKind::None &&
      commandLine_.ProcessMode != ProcessKind::None) {
    RunCommandLine();
  }
  Editor->MarkSaved();
  UpdateButtons();
  setAcceptDrops(true);
  session().State().CmdLineMode = CmdLineKind::None;
  emit FirstActivated();
}

void MainWindow::RunCommandLine() {
  Pages->setCurrentWidget(Editor);
  if (!OpenSingleFile(commandLine_.File)) return;
  if (commandLine_.ProcessMode == ProcessKind::None) {
    Editor->setFocus();
    return;
  }
  RunState& state = session().State();
  const bool backups = state.DoCreateBackUps;
  state.DoCreateBackUps = commandLine_.Backup;  // for these runs only
  StartRun(commandLine_.ProcessMode, [this, backups](const RunSummary& first) {
    RunState& state = session().State();
    auto done = [this, backups](const RunSummary&) {
      session().State().DoCreateBackUps = backups;
      Editor->setFocus();
    };
    if (first.Processed == 1 && commandLine_.Trim &&
        commandLine_.ProcessMode != ProcessKind::Trim) {
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

void MainWindow::UpdateButtons() {
  const WindowControls c = model_.Controls(Editor->IsModified());
  const std::pair<QPushButton*, bool> states[] = {
      {FilesButton, c.Files},     {TreeButton, c.Tree},         {NewButton, c.New},
      {FormatButton, c.Format},   {CompressButton, c.Compress}, {TrimButton, c.Trim},
      {RestoreButton, c.Restore}, {OptionsButton, c.Options},   {HelpButton, c.Help},
      {AboutButton, c.About},     {SaveButton, c.Save},         {CancelAllButton, c.CancelAll},
      {UndoButton, c.Undo},       {SaveAsButton, c.SaveAs},     {SearchButton, c.Search},
      {BrowserButton, c.Browser}};
  for (const auto& [button, enabled] : states) button->setEnabled(enabled);
  for (QPushButton* b : RepaintButtons) b->setEnabled(c.Repaint);
  Editor->setReadOnly(!c.EditorWritable);
  ShowEncoding();
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
  if (!button->isEnabled() || !button->parentWidget()->isEnabled() || Running()) return true;
  button->click();
  return true;
}

bool MainWindow::HandleKeyPress(const QKeyEvent& key) {
  const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
  const bool repeat = key.isAutoRepeat();  // a held key starts its command once
  const int k = key.key();
  if (k >= Qt::Key_F3 && k <= Qt::Key_F9) {
    QPushButton* const buttons[] = {FilesButton, TreeButton,    FormatButton, CompressButton,
                                    TrimButton,  RestoreButton, OptionsButton};
    return repeat || ClickIfEnabled(buttons[k - Qt::Key_F3]);
  }
  if (k == Qt::Key_Escape) {
    if (Running()) {
      model_.StopRun();  // stops between files, after asking
    } else if (!repeat && SingleFileState() && CancelAllButton->isEnabled()) {
      CancelAll();
    }
    return true;
  }
  if (k == Qt::Key_F1 && mods == Qt::ShiftModifier) {
    if (!repeat && SingleFileState() && !Running()) InsertHint();
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
    if (!repeat && !Running() && SaveButton->isEnabled()) Save();
    return true;
  }
  return false;
}

bool MainWindow::AcceptsDrops() const {
  return activated_ && !Running() && ButtonPanel->isEnabled();
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
    QMetaObject::invokeMethod(
        this, [this, paths] { DropFiles(paths); }, Qt::QueuedConnection);
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Selections

void MainWindow::SelectFiles() {
  if (Running() || !FilesButton->isEnabled()) return;
  QWidget* page = Pages->currentWidget();
  EnablePanel(false);
  std::optional<std::vector<std::string>> files = dialogs_->ChooseFiles(this, session());
  SelectionKind kind = SelectionKind::None;
  if (files && !files->empty()) {
    kind = session().Driver().Select({SelectionSource::Kind::PickedFiles, *files});
  }
  if (kind == SelectionKind::None) Pages->setCurrentWidget(page);
  if (kind == SelectionKind::SingleFile) Editor->setFocus();
  UpdateButtons();
  EnablePanel(true);
}

void MainWindow::SelectTree() {
  if (Running() || !TreeButton->isEnabled()) return;
  QWidget* page = Pages->currentWidget();
  EnablePanel(false);
  SelectionKind kind = SelectionKind::None;
  if (std::optional<std::string> dir = dialogs_->ChooseTree(this, session())) {
    RunDriver& driver = session().Driver();
    driver.BeginTreeSelection();
    host_.Flush();
    std::optional<UserDialogs::TreeChoice> choice =
        dialogs_->ChooseFromTree(this, model_.ScanRequest(*dir));
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
      session().Driver().Select({SelectionSource::Kind::CommandLineFile, {path}});
  host_.Flush();
  UpdateButtons();
  return kind == SelectionKind::SingleFile;
}

void MainWindow::DropFiles(const std::vector<std::string>& paths) {
  // While a selection or a run is under way a drop does nothing.
  if (paths.empty() || Running() || !ButtonPanel->isEnabled()) return;
  raise();
  activateWindow();
  const std::string& path = paths.front();
  if (!model_.AcceptsDroppedFile(path)) {
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
  const std::string text = "Save:\r\n" + model_.FileName() + "\r\n" + question;
  const Answer answer = dialogs_->YesNoCancel(this, text);
  if (answer == Answer::Cancel) return false;
  return answer == Answer::No || Save();  // a failed save goes no further
}

// ---------------------------------------------------------------------------------------
// Runs

void MainWindow::StartRun(ProcessKind mode, std::function<void(const RunSummary&)> after) {
  if (Running()) return;
  afterRun_ = std::move(after);
  LockForRun(true);
  model_.StartRun(mode, [this](const RunSummary& summary) {
    // On the run's thread: the window takes it up on its own.
    QMetaObject::invokeMethod(
        this, [this, summary] { FinishRun(summary); }, Qt::QueuedConnection);
  });
}

void MainWindow::FinishRun(const RunSummary& summary) {
  model_.RunOver();
  host_.Flush();
  LockForRun(false);
  UpdateButtons();
  if (SingleFileState() && !Editor->IsModified()) savedStatus_ = StatusText().toStdString();
  emit RunFinished(summary);
  if (auto after = std::move(afterRun_)) {
    afterRun_ = nullptr;
    if (!closeAfterRun_) after(summary);
  }
  if (closeAfterRun_ && !Running()) close();
}

void MainWindow::LockForRun(bool locked) {
  host_.SetRunning(locked);
  EnablePanel(!locked);
  // Everything that could touch the run's state waits until it is over.
  EditorPanel->setEnabled(!locked);
  if (locked) Editor->setReadOnly(true);  // UpdateButtons opens it again
}

// ---------------------------------------------------------------------------------------
// Closing

void MainWindow::closeEvent(QCloseEvent* event) {
  if (Running()) {
    // Closing during a run stops it between files, as Esc does, and closes after it.
    closeAfterRun_ = true;
    model_.StopRun();
    event->ignore();
    return;
  }
  if (!AskSaveFirst("before close?")) {
    event->ignore();
    return;
  }
  SaveSettings();
  model_.Document().RemoveBrowserCopy();
  event->accept();
}

void MainWindow::SaveSettings() {
  ProgramSettings& settings = session().Settings();
  settings.Left = x();
  settings.Top = y();
  settings.Width = width();
  settings.Height = height();
  const QSize screen = ScreenSize();
  std::string err;
  if (!session().WriteSettings(screen.width(), screen.height(), &err)) {
    dialogs_->Message(this, MessageKind::Error, "The settings could not be saved:\r\n" + err);
  }
}

}  // namespace tessel::gui
