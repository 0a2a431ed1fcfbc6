#include "gui/options_dialog.h"

#include <Qsci/qsciscintilla.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "app/session.h"
#include "base/ascii.h"
#include "batch/backups.h"
#include "editor/editor_text.h"
#include "engine/line_ends.h"
#include "gui/add_tag_dialog.h"
#include "gui/dialog_parts.h"
#include "gui/editor_view.h"
#include "gui/gui_text.h"
#include "gui/new_style_dialog.h"
#include "gui/skin.h"
#include "gui/user_dialogs.h"
#include "io/text_file.h"
#include "window_model/options_rules.h"
#include "styles/style_files.h"
#include "styles/trim_list.h"

namespace tessel::gui {
namespace {

namespace fs = std::filesystem;

static_assert(kStoredBackupExtLength == kMaxBackupExtLength);

/// Marks the controls as being filled from the style for as long as it lives.
class Updating {
 public:
  explicit Updating(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
  ~Updating() { flag_ = before_; }

 private:
  bool& flag_;
  bool before_;
};

/// The trim list's items in six columns, row by row.
class ColumnList : public QListWidget {
 public:
  ColumnList(int columns, QWidget* parent) : QListWidget(parent), columns_(columns) {
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::SingleSelection);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    // A few pixels short of a sixth, or the last column wraps to the next row.
    setGridSize(
        QSize(std::max(60, viewport()->width() / columns_ - 4), fontMetrics().height() + 8));
    QListWidget::resizeEvent(event);
  }

 private:
  int columns_;
};

QSpinBox* Counter(const CounterRange& range, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setRange(range.Min, range.Max);
  box->setSingleStep(range.Step);
  box->setMinimumWidth(box->fontMetrics().horizontalAdvance("5000") + 40);
  box->setMaximumWidth(box->minimumWidth() + 20);
  return box;
}

/// A cream panel that a general option may tint; text stays dark on it in any theme.
QFrame* Panel(QWidget* parent) {
  auto* frame = new QFrame(parent);
  frame->setFrameShape(QFrame::StyledPanel);
  frame->setAutoFillBackground(true);
  return frame;
}

void Tint(QWidget* panel, bool warning) {
  const Rgb c = warning ? kWarningTint : kPanelColour;
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, QColor(c.R, c.G, c.B));
  palette.setColor(QPalette::WindowText, Qt::black);
  panel->setPalette(palette);
}

void SetItalic(QWidget* widget, bool on) {
  QFont font = widget->font();
  font.setItalic(on);
  widget->setFont(font);
}

void SetMarked(QWidget* widget, bool on) {
  QFont font = widget->font();
  font.setBold(on);
  font.setUnderline(on);
  widget->setFont(font);
}

/// A counter with its caption to the right, as the line break and indent groups show them.
QHBoxLayout* CounterRow(QSpinBox* box, const QString& caption, QWidget* parent) {
  auto* row = new QHBoxLayout;
  row->setContentsMargins(6, 3, 6, 3);
  row->addWidget(box);
  row->addWidget(new QLabel(caption, parent), 1);
  return row;
}

bool IsSampleName(const std::string& name) {
  return name.size() > 4 && EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".htm");
}

}  // namespace

OptionsDialog::OptionsDialog(Session& session, UserDialogs& dialogs, const Skin& skin,
                           QWidget* mainWindow)
    : QDialog(mainWindow), session_(session), dialogs_(dialogs), skin_(skin) {
  setWindowTitle("Format & Compress Options");
  ApplyDialogBackground(*this, skin);
  RunNested = [](QDialog& dialog) { return dialog.exec(); };

  // Top bar: the sample page and its buttons, then the style and its description.
  PreviewChoice = new QComboBox(this);
  PreviewChoice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  PreviewChoice->setMinimumContentsLength(24);
  auto* labelPreview = new QLabel("Preview File:", this);
  labelPreview->setBuddy(PreviewChoice);
  QStyle* style = this->style();
  ReloadButton = new QPushButton(style->standardIcon(QStyle::SP_BrowserReload), "Reload File", this);
  ReloadButton->setToolTip("Reload active preview file from disk");
  PreviewFormattedButton =
      new QPushButton(style->standardIcon(QStyle::SP_ArrowRight), "Preview Formatted", this);
  PreviewFormattedButton->setToolTip("Show preview file after formatting");
  PreviewCompressedButton =
      new QPushButton(style->standardIcon(QStyle::SP_ArrowRight), "Preview Compressed", this);
  PreviewCompressedButton->setToolTip("Show preview file after compression");

  StyleChoice = new QComboBox(this);
  StyleChoice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  StyleChoice->setMinimumContentsLength(16);
  auto* labelStyle = new QLabel("Style:", this);
  labelStyle->setBuddy(StyleChoice);
  DescriptionField = new QLineEdit(this);
  DescriptionField->setMaxLength(kDescriptionWidth);
  DescriptionField->setToolTip("Description of the style");

  // The editor's own view, plain and read-only: it fills a large page at once.
  Preview = new EditorView(this);
  Preview->SetColouring(false);
  Preview->setReadOnly(true);
  Preview->setMinimumHeight(120);
  Preview->installEventFilter(this);

  Pages = new QTabWidget(this);
  Pages->addTab(BuildGeneralPage(), "  General Options ");
  Pages->addTab(BuildTagsPage(), "  Tag Configuration ");
  Pages->addTab(BuildDocumentationPage(), "  Documentation Options ");
  Pages->addTab(BuildTrimPage(), "  Trim Options");
  Pages->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

  const OkCancel buttons = MakeOkCancel(*this);
  OkButton = buttons.Ok;
  CancelButton = buttons.Cancel;
  // Enter in a text field must not close the dialog and save the style.
  OkButton->setDefault(false);
  OkButton->setToolTip("Close window and save changes");
  CancelButton->setToolTip("Close window and purge changes");
  disconnect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  SaveNewStyleButton =
      new QPushButton(style->standardIcon(QStyle::SP_DialogSaveButton), "Save as new style", this);
  SaveNewStyleButton->setToolTip("Save current settings under a new style name");

  auto* previewRow = new QHBoxLayout;
  previewRow->addWidget(labelPreview);
  previewRow->addWidget(PreviewChoice);
  previewRow->addWidget(ReloadButton);
  previewRow->addStretch(1);
  previewRow->addWidget(PreviewFormattedButton);
  previewRow->addWidget(PreviewCompressedButton);
  auto* styleRow = new QHBoxLayout;
  styleRow->addWidget(labelStyle);
  styleRow->addWidget(StyleChoice);
  styleRow->addWidget(DescriptionField, 1);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(SaveNewStyleButton);
  buttonRow->addStretch(1);
  buttonRow->addWidget(OkButton);
  buttonRow->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(previewRow);
  layout->addWidget(Preview, 1);
  layout->addLayout(styleRow);
  layout->addWidget(Pages);
  layout->addLayout(buttonRow);

  connect(PreviewChoice, &QComboBox::activated, this, &OptionsDialog::ChoosePreview);
  connect(ReloadButton, &QPushButton::clicked, this, &OptionsDialog::ReloadPreview);
  connect(PreviewFormattedButton, &QPushButton::clicked, this, &OptionsDialog::PreviewFormatted);
  connect(PreviewCompressedButton, &QPushButton::clicked, this, &OptionsDialog::PreviewCompressed);
  connect(StyleChoice, &QComboBox::activated, this, &OptionsDialog::ChooseStyle);
  connect(DescriptionField, &QLineEdit::textEdited, this, &OptionsDialog::EditDescrChange);
  connect(Pages, &QTabWidget::currentChanged, this, &OptionsDialog::PageChanged);
  connect(SaveNewStyleButton, &QPushButton::clicked, this, &OptionsDialog::SaveAsNewStyle);
  connect(OkButton, &QPushButton::clicked, this, &OptionsDialog::AcceptChanges);
  connect(CancelButton, &QPushButton::clicked, this, &OptionsDialog::DiscardChanges);

  if (mainWindow) {
    const QRect main = mainWindow->geometry();
    setGeometry(main.x() + 4, main.y() + 25, main.width() - 8, main.height() - 30);
  } else {
    resize(1000, 720);
  }
}

QWidget* OptionsDialog::PagePanel() {
  auto* page = new PicturePanel;
  page->SetPicture(skin_.Option);
  return page;
}

QWidget* OptionsDialog::BuildGeneralPage() {
  QWidget* page = PagePanel();
  ValidateBox = new QCheckBox("Skip files without <HTML> Tag inside", page);
  BackupExtField = new QLineEdit(page);
  BackupExtField->setMaxLength(kBackupExtTypedWidth);
  BackupExtField->setFixedWidth(BackupExtField->fontMetrics().horizontalAdvance("MMMMMMM") + 12);
  auto* labelBack = new QLabel("Backup-File Extension", page);
  labelBack->setBuddy(BackupExtField);
  const QString restart = "Please restart Tessel HTML after changing this option";
  ColouringBox = new QCheckBox("Enable Syntax Coloring", page);
  ColouringBox->setToolTip(restart);
  WallpapersBox = new QCheckBox("Show Window Wallpapers", page);
  WallpapersBox->setToolTip(restart);

  PurgeCommentsBox = new QCheckBox("Purge comments in compressed files", page);
  NoBreakInTagsBox = new QCheckBox("No linebreak between '<' and '>'", page);
  DisableCommentsPanel = Panel(page);
  DisableCommentsBox = new QCheckBox("Disable all Auto Comments", DisableCommentsPanel);
  auto* disableLayout = new QHBoxLayout(DisableCommentsPanel);
  disableLayout->setContentsMargins(6, 3, 6, 3);
  disableLayout->addWidget(DisableCommentsBox);

  auto* caseFrame = new QFrame(page);
  caseFrame->setFrameShape(QFrame::StyledPanel);
  UpperCaseButton = new QRadioButton("Tags in Uppercase", caseFrame);
  LowerCaseButton = new QRadioButton("Tags in Lowercase", caseFrame);
  PreserveCaseButton = new QRadioButton("Preserve Case", caseFrame);
  auto* caseLayout = new QVBoxLayout(caseFrame);
  caseLayout->addWidget(UpperCaseButton);
  caseLayout->addWidget(LowerCaseButton);
  caseLayout->addWidget(PreserveCaseButton);

  LineSizeCounter = Counter(kLineSizeRange, page);
  IndentPanel = Panel(page);
  IndentCounter = Counter(kSpacingRange, IndentPanel);
  IndentPanel->setLayout(CounterRow(IndentCounter, "Indent Stepsize", IndentPanel));

  auto* backRow = new QHBoxLayout;
  backRow->addWidget(BackupExtField);
  backRow->addWidget(labelBack, 1);
  auto* program = new QVBoxLayout;
  program->addWidget(ValidateBox);
  program->addLayout(backRow);
  program->addWidget(ColouringBox);
  program->addWidget(WallpapersBox);
  program->addStretch(1);
  auto* style = new QVBoxLayout;
  style->addWidget(PurgeCommentsBox);
  style->addWidget(NoBreakInTagsBox);
  style->addWidget(DisableCommentsPanel);
  style->addStretch(1);
  auto* sizes = new QVBoxLayout;
  auto* lineSize = CounterRow(LineSizeCounter, "Textblock Linesize", page);
  lineSize->setContentsMargins(7, 4, 7, 4);  // lines up with the indent panel below
  sizes->addLayout(lineSize);
  sizes->addWidget(IndentPanel);
  sizes->addStretch(1);
  auto* cases = new QVBoxLayout;
  cases->addWidget(caseFrame);
  cases->addStretch(1);
  auto* layout = new QHBoxLayout(page);
  layout->addLayout(program);
  layout->addSpacing(12);
  layout->addLayout(style);
  layout->addSpacing(12);
  layout->addLayout(cases);
  layout->addSpacing(12);
  layout->addLayout(sizes);
  layout->addStretch(1);

  for (QCheckBox* box :
       {ValidateBox, PurgeCommentsBox, NoBreakInTagsBox, ColouringBox, WallpapersBox, DisableCommentsBox}) {
    connect(box, &QCheckBox::toggled, this, &OptionsDialog::OnGeneralChange);
  }
  for (QRadioButton* button : {UpperCaseButton, LowerCaseButton, PreserveCaseButton}) {
    connect(button, &QRadioButton::toggled, this, [this](bool on) {
      if (on) OnGeneralChange();
    });
  }
  for (QSpinBox* box : {IndentCounter, LineSizeCounter}) {
    connect(box, &QSpinBox::valueChanged, this, &OptionsDialog::OnGeneralChange);
  }
  connect(BackupExtField, &QLineEdit::textEdited, this, &OptionsDialog::OnGeneralChange);
  connect(BackupExtField, &QLineEdit::editingFinished, this, &OptionsDialog::EditBackExit);
  return page;
}

QWidget* OptionsDialog::BuildTagsPage() {
  QWidget* page = PagePanel();
  TagGrid = new QTableWidget(0, int(kTagGridHeader.size()), page);
  QStringList header;
  for (std::string_view title : kTagGridHeader) header << ToQ(title);
  TagGrid->setHorizontalHeaderLabels(header);
  TagGrid->verticalHeader()->hide();
  TagGrid->verticalHeader()->setDefaultSectionSize(TagGrid->fontMetrics().height() + 4);
  TagGrid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  TagGrid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  const int narrow = TagGrid->fontMetrics().horizontalAdvance(" 00 ") + 10;
  for (int column = 1; column < TagGrid->columnCount(); ++column) {
    TagGrid->horizontalHeader()->setSectionResizeMode(column, QHeaderView::Fixed);
    TagGrid->setColumnWidth(column, narrow);
  }
  TagGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TagGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  TagGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  TagGrid->setMinimumWidth(TagGrid->fontMetrics().horizontalAdvance("<BLOCKQUOTE>") + 40 +
                           4 * narrow);
  AddTagButton = new QPushButton("Add a new tag", page);
  RemoveTagButton = new QPushButton("Remove tag", page);

  auto* typeGroup = new QGroupBox("T: Specify Tag Type:", page);
  StandAloneButton = new QRadioButton("'Stand Alone' tag", typeGroup);
  AsTextButton = new QRadioButton("'As Text' Tag", typeGroup);
  auto* typeLayout = new QVBoxLayout(typeGroup);
  typeLayout->addWidget(StandAloneButton);
  typeLayout->addWidget(AsTextButton);
  typeLayout->addStretch(1);

  auto* linesGroup = new QGroupBox("L: Number of Linebreaks:", page);
  BreaksBeforePanel = Panel(linesGroup);
  BreaksBeforeCounter = Counter(kLineBreaksRange, BreaksBeforePanel);
  BreaksBeforePanel->setLayout(CounterRow(BreaksBeforeCounter, "before opening tag", BreaksBeforePanel));
  BreaksAfterPanel = Panel(linesGroup);
  BreaksAfterCounter = Counter(kLineBreaksRange, BreaksAfterPanel);
  BreaksAfterPanel->setLayout(CounterRow(BreaksAfterCounter, "after closing tag", BreaksAfterPanel));
  auto* linesLayout = new QVBoxLayout(linesGroup);
  linesLayout->addWidget(BreaksBeforePanel);
  linesLayout->addWidget(BreaksAfterPanel);
  linesLayout->addStretch(1);

  auto* indentGroup = new QGroupBox("I: Number of Indent Steps for:", page);
  SelfIndentPanel = Panel(indentGroup);
  SelfIndentCounter = Counter(kIndentStepsRange, SelfIndentPanel);
  SelfIndentPanel->setLayout(CounterRow(SelfIndentCounter, "This tag itself", SelfIndentPanel));
  ContentIndentPanel = Panel(indentGroup);
  ContentIndentCounter = Counter(kIndentStepsRange, ContentIndentPanel);
  ContentIndentPanel->setLayout(
      CounterRow(ContentIndentCounter, "This tag's content", ContentIndentPanel));
  auto* indentLayout = new QVBoxLayout(indentGroup);
  indentLayout->addWidget(SelfIndentPanel);
  indentLayout->addWidget(ContentIndentPanel);
  indentLayout->addStretch(1);

  auto* commentGroup = new QGroupBox("C: Auto Comment Settings:", page);
  StartCommentPanel = Panel(commentGroup);
  StartCommentBox = new QCheckBox("Enable Comment at start-tag:", StartCommentPanel);
  StartCommentField = new QLineEdit(StartCommentPanel);
  EndCommentPanel = Panel(commentGroup);
  EndCommentBox = new QCheckBox("Enable Comment at end-tag:", EndCommentPanel);
  EndCommentField = new QLineEdit(EndCommentPanel);
  for (QLineEdit* edit : {StartCommentField, EndCommentField}) {
    edit->setMaxLength(int(kCommentFieldWidth));
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(22, 'x')));
  }
  auto* sLayout = new QVBoxLayout(StartCommentPanel);
  sLayout->addWidget(StartCommentBox);
  sLayout->addWidget(StartCommentField);
  auto* eLayout = new QVBoxLayout(EndCommentPanel);
  eLayout->addWidget(EndCommentBox);
  eLayout->addWidget(EndCommentField);
  CommentFormPanel = Panel(commentGroup);
  CounterBox = new QCheckBox("Counter", CommentFormPanel);
  SymbolChoice = new QComboBox(CommentFormPanel);
  for (char symbol : kCommentSymbols) SymbolChoice->addItem(QString(QChar(symbol)));
  auto* labelSymbol = new QLabel("Symbol:", CommentFormPanel);
  labelSymbol->setBuddy(SymbolChoice);
  CommentLengthCounter = Counter(kCommentLengthRange, CommentFormPanel);
  auto* labelLength = new QLabel("Length:", CommentFormPanel);
  labelLength->setBuddy(CommentLengthCounter);
  CommentIndentBox = new QCheckBox("Indent", CommentFormPanel);
  auto* formLayout = new QGridLayout(CommentFormPanel);
  formLayout->addWidget(CounterBox, 0, 0);
  formLayout->addWidget(CommentIndentBox, 1, 0);
  formLayout->addWidget(labelSymbol, 0, 1);
  formLayout->addWidget(SymbolChoice, 0, 2);
  formLayout->addWidget(labelLength, 1, 1);
  formLayout->addWidget(CommentLengthCounter, 1, 2);
  auto* commentLayout = new QHBoxLayout(commentGroup);
  commentLayout->addWidget(StartCommentPanel, 1);
  commentLayout->addWidget(EndCommentPanel, 1);
  commentLayout->addWidget(CommentFormPanel);

  // "Clean tag inside" is carried along with the entry but has no effect: not shown.
  CleanInsideBox = new QCheckBox("Clean tag inside", page);
  CleanInsideBox->hide();

  auto* gridButtons = new QHBoxLayout;
  gridButtons->addWidget(AddTagButton);
  gridButtons->addWidget(RemoveTagButton);
  auto* left = new QVBoxLayout;
  left->addWidget(TagGrid, 1);
  left->addLayout(gridButtons);
  auto* right = new QGridLayout;
  right->addWidget(typeGroup, 0, 0);
  right->addWidget(linesGroup, 0, 1);
  right->addWidget(indentGroup, 0, 2);
  right->addWidget(commentGroup, 1, 0, 1, 3);
  right->setRowStretch(2, 1);
  right->setColumnStretch(3, 1);
  auto* layout = new QHBoxLayout(page);
  layout->addLayout(left);
  layout->addLayout(right, 1);

  connect(TagGrid, &QTableWidget::currentCellChanged, this,
          [this](int row, int, int previous, int) {
            if (!controlsUpdating_ && row >= 0 && row != previous) TagGridClick(row + 1);
          });
  for (QRadioButton* button : {StandAloneButton, AsTextButton}) {
    connect(button, &QRadioButton::toggled, this, [this](bool on) {
      if (on) OnTagChange();
    });
  }
  for (QSpinBox* box :
       {BreaksBeforeCounter, BreaksAfterCounter, CommentLengthCounter, SelfIndentCounter, ContentIndentCounter}) {
    connect(box, &QSpinBox::valueChanged, this, &OptionsDialog::OnTagChange);
  }
  for (QCheckBox* box : {StartCommentBox, EndCommentBox, CounterBox, CommentIndentBox, CleanInsideBox}) {
    connect(box, &QCheckBox::toggled, this, &OptionsDialog::OnTagChange);
  }
  for (QLineEdit* edit : {StartCommentField, EndCommentField}) {
    connect(edit, &QLineEdit::textEdited, this, &OptionsDialog::OnTagChange);
  }
  connect(SymbolChoice, &QComboBox::activated, this, &OptionsDialog::OnTagChange);
  connect(AddTagButton, &QPushButton::clicked, this, &OptionsDialog::AddTag);
  connect(RemoveTagButton, &QPushButton::clicked, this, &OptionsDialog::RemoveTag);
  return page;
}

QWidget* OptionsDialog::BuildDocumentationPage() {
  QWidget* page = PagePanel();
  UserBox = new QCheckBox("Include User Info:", page);
  UserInfoField = new QLineEdit(page);
  UserInfoField->setMaxLength(kUserInfoWidth);
  DateBox = new QCheckBox("Include System Date", page);
  TimeBox = new QCheckBox("Include System Time", page);
  StyleNameBox = new QCheckBox("Include Style Name", page);
  VersionBox = new QCheckBox("Include Tessel HTML Version Info", page);
  auto* labelWhere = new QLabel("Insert this line in:", page);
  InFormattedBox = new QCheckBox("Formatted Files", page);
  InCompressedBox = new QCheckBox("Compressed Files", page);
  DocLinePreview = new QLineEdit(page);
  DocLinePreview->setReadOnly(true);
  DocLinePreview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  auto* layout = new QGridLayout(page);
  auto* userRow = new QHBoxLayout;
  userRow->addWidget(UserBox);
  userRow->addWidget(UserInfoField, 1);
  layout->addLayout(userRow, 0, 0);
  layout->addWidget(DateBox, 1, 0);
  layout->addWidget(TimeBox, 2, 0);
  layout->addWidget(StyleNameBox, 3, 0);
  layout->addWidget(VersionBox, 4, 0);
  layout->addWidget(labelWhere, 0, 2);
  layout->addWidget(InFormattedBox, 1, 2);
  layout->addWidget(InCompressedBox, 2, 2);
  layout->addWidget(DocLinePreview, 5, 0, 1, 4);
  layout->setColumnMinimumWidth(1, 24);
  layout->setColumnStretch(0, 1);
  layout->setColumnStretch(3, 1);
  layout->setRowStretch(6, 1);

  for (QCheckBox* box :
       {UserBox, DateBox, TimeBox, StyleNameBox, VersionBox, InFormattedBox, InCompressedBox}) {
    connect(box, &QCheckBox::toggled, this, &OptionsDialog::OnDokuChange);
  }
  connect(UserInfoField, &QLineEdit::textEdited, this, &OptionsDialog::OnDokuChange);
  return page;
}

QWidget* OptionsDialog::BuildTrimPage() {
  QWidget* page = PagePanel();
  TrimChoice = new ColumnList(6, page);
  auto* label = new QLabel("Select tags to trim:", page);
  label->setBuddy(TrimChoice);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(label);
  layout->addWidget(TrimChoice, 1);
  return page;
}

// ---------------------------------------------------------------------------------------
// Opening

void OptionsDialog::showEvent(QShowEvent* event) {
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
  QDialog::showEvent(event);
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event) {
  // The memo would take Esc for itself; in this dialog Esc closes, from anywhere.
  if (watched == Preview && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    reject();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void OptionsDialog::FormShow() {
  InitPreviewCombo();
  ReloadActiveStyle();  // the dialog always starts from the style as stored
  StyleChoice->clear();
  for (const std::string& name : session_.Styles().StyleList()) StyleChoice->addItem(PathToQ(name));
  SetStyle(session_.ActiveStyle().Options.StyleName);
  TrimChoice->clear();
  for (const TrimEntry& entry : session_.TrimList()) {
    auto* item = new QListWidgetItem(ToQ(entry.Tag), TrimChoice);
    item->setData(Qt::UserRole, QByteArray::fromStdString(entry.Tag));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(entry.Selected ? Qt::Checked : Qt::Unchecked);
  }
  Pages->setCurrentIndex(GeneralPage);
}

// ---------------------------------------------------------------------------------------
// The preview

void OptionsDialog::InitPreviewCombo() {
  ShowInMemo("");
  const fs::path programDir = session_.ProgramDir();
  fs::path dir = FindNameNoCase(programDir, "preview");
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) dir = programDir;
  previewDir_ = WithTrailingSeparator(dir.string());

  std::vector<std::string> names;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeEc;
    const std::string name = it->path().filename().string();
    if (IsSampleName(name) && it->is_regular_file(typeEc)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
  PreviewChoice->clear();
  for (const std::string& name : names) PreviewChoice->addItem(PathToQ(name));
  if (!names.empty()) {
    previewFile_ = previewDir_ + names.front();
    PreviewChoice->setCurrentIndex(0);
    if (LoadPreviewMemo(nullptr)) {
      for (QWidget* w :
           std::initializer_list<QWidget*>{ReloadButton, PreviewFormattedButton, PreviewCompressedButton, PreviewChoice})
        w->setEnabled(true);
      return;
    }
  }
  NoPreviewFile();
}

void OptionsDialog::NoPreviewFile() {
  previewFile_.clear();
  ShowInMemo("");
  PreviewChoice->clear();
  PreviewChoice->addItem(ToQ(kNoPreviewFile));
  for (QWidget* w : std::initializer_list<QWidget*>{ReloadButton, PreviewFormattedButton, PreviewCompressedButton, PreviewChoice})
    w->setEnabled(false);
}

bool OptionsDialog::LoadPreviewMemo(std::string* err) {
  std::string bytes;
  if (previewFile_.empty() || !ReadWholeFile(previewFile_, bytes, err)) return false;
  NormalizeLineEndsInPlace(bytes, nullptr);
  ShowInMemo(std::move(bytes));
  return true;
}

void OptionsDialog::ShowInMemo(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  // Pages that are no UTF-8 are taken as Windows-1252, as the editor takes them.
  if (!IsValidUtf8(text)) text = Windows1252ToUtf8(text);
  Preview->SetDocument(EditorText{std::move(text), TextEncoding::Utf8});
}

void OptionsDialog::ChoosePreview(int index) {
  if (index < 0 || previewFile_.empty()) return;
  previewFile_ = previewDir_ + PathFromQ(PreviewChoice->itemText(index));
  ReloadPreview();
}

void OptionsDialog::ReloadPreview() {
  std::string err;
  if (!previewFile_.empty() && !LoadPreviewMemo(&err)) ShowError(err);
}

void OptionsDialog::ManipulatePreviewFile(EngineMode mode) {
  if (previewFile_.empty()) return;
  std::string bytes, err;
  if (!ReadWholeFile(previewFile_, bytes, &err)) {
    ShowError(err);
    return;
  }
  NormalizeLineEndsInPlace(bytes, nullptr);
  // The settings as they stand in the dialog, saved or not; the sample file is only read.
  Engine engine(session_.ActiveStyle());
  LineList sink;
  engine.PreviewSink = &sink;
  engine.FileName = previewFile_;
  engine.Process(mode, std::move(bytes));
  ShowInMemo(sink.Joined("\n"));
}

// ---------------------------------------------------------------------------------------
// Showing a style

void OptionsDialog::SetStyle(const std::string& name) {
  {
    Updating updating(controlsUpdating_);
    int index = -1;
    for (int i = 0; i < StyleChoice->count(); ++i) {
      if (EqualsNoCase(PathFromQ(StyleChoice->itemText(i)), name)) {
        index = i;
        break;
      }
    }
    StyleChoice->setCurrentIndex(index);
  }
  InitPage0();
  styleModified_ = false;
}

void OptionsDialog::InitPage0() {
  Updating updating(controlsUpdating_);
  const StyleOptions& o = session_.ActiveStyle().Options;
  const ProgramSettings& s = session_.Settings();
  DescriptionField->setText(ToQ(o.StyleDescription));
  DescriptionField->setCursorPosition(0);

  ValidateBox->setChecked(s.DoValidate);
  BackupExtField->setText(PathToQ(s.BackupExt));
  PurgeCommentsBox->setChecked(o.DoPurgeComments);
  NoBreakInTagsBox->setChecked(NoBreakInsideTags(o.BreakExcluder));
  ColouringBox->setChecked(s.DoColorTags);
  WallpapersBox->setChecked(s.DoLoadWallPapers);
  DisableCommentsBox->setChecked(o.DoDisableComments);
  UpperCaseButton->setChecked(o.TagCase == 1);
  LowerCaseButton->setChecked(o.TagCase == 2);
  PreserveCaseButton->setChecked(o.TagCase == 3);
  LineSizeCounter->setValue(o.LineSize);
  IndentCounter->setValue(o.Spacing);

  UserBox->setChecked(o.DoIncludeUser);
  UserInfoField->setText(ToQ(o.UserInfo));
  DateBox->setChecked(o.DoIncludeDate);
  TimeBox->setChecked(o.DoIncludeTime);
  StyleNameBox->setChecked(o.DoIncludeStyle);
  VersionBox->setChecked(o.DoIncludeVersion);
  InFormattedBox->setChecked(o.UseWhileFormat);
  InCompressedBox->setChecked(o.UseWhileCompress);
  ShowDocLine();

  ShowPanelTints();
  FillTagGrid();
  ShowSelectedTagProps(1);
  selectedTagRow_ = 1;
  SelectGridRow(1);
  ShowTagEmphasis();
}

void OptionsDialog::FillTagGrid() {
  Updating updating(controlsUpdating_);
  const int count = session_.ActiveStyle().Tags.TagCount;
  TagGrid->setRowCount(count);
  for (int row = 1; row <= count; ++row) SetGridRow(row);
  // Without a tag there is nothing the tag controls could edit.
  for (QWidget* w : std::initializer_list<QWidget*>{
           StandAloneButton->parentWidget(), BreaksBeforePanel->parentWidget(), SelfIndentPanel->parentWidget(),
           StartCommentPanel->parentWidget(), RemoveTagButton}) {
    w->setEnabled(count > 0);
  }
}

void OptionsDialog::SetGridRow(int row) {
  const TagGridRow cells = TagGridRowOf(session_.ActiveStyle().Tags.Entry(row));
  for (int column = 0; column < int(cells.size()); ++column) {
    QTableWidgetItem* item = TagGrid->item(row - 1, column);
    if (!item) {
      item = new QTableWidgetItem;
      TagGrid->setItem(row - 1, column, item);
    }
    item->setText(ToQ(cells[size_t(column)]));
  }
}

void OptionsDialog::SelectGridRow(int row) {
  Updating updating(controlsUpdating_);
  if (row >= 1 && row <= TagGrid->rowCount()) TagGrid->setCurrentCell(row - 1, 0);
}

// ---------------------------------------------------------------------------------------
// General and Documentation pages

void OptionsDialog::OnGeneralChange() {
  if (controlsUpdating_) return;
  StoreGeneralProps();
  ShowPanelTints();
}

void OptionsDialog::StoreGeneralProps() {
  if (controlsUpdating_) return;
  StyleOptions& o = session_.ActiveStyle().Options;
  ProgramSettings& s = session_.Settings();
  s.DoValidate = ValidateBox->isChecked();
  s.BackupExt = StoredBackupExt(NormalizeBackupExt(PathFromQ(BackupExtField->text())));
  o.DoPurgeComments = PurgeCommentsBox->isChecked();
  s.DoColorTags = ColouringBox->isChecked();
  s.DoLoadWallPapers = WallpapersBox->isChecked();
  o.DoDisableComments = DisableCommentsBox->isChecked();
  o.TagCase =
      TagCaseFor(UpperCaseButton->isChecked(), LowerCaseButton->isChecked(), PreserveCaseButton->isChecked(), o.TagCase);
  o.BreakExcluder = BreakExcluderFor(NoBreakInTagsBox->isChecked());
  o.LineSize = LineSizeCounter->value();
  o.Spacing = IndentCounter->value();
  SyncRunState();  // the program settings take effect at once, for the next run as well
  styleModified_ = true;
}

void OptionsDialog::SyncRunState() {
  const ProgramSettings& s = session_.Settings();
  RunState& state = session_.State();
  state.BackupExt = s.BackupExt;
  state.DoValidate = s.DoValidate;
  state.DoCreateBackUps = s.DoCreateBackUps;
}

void OptionsDialog::done(int result) {
  SyncRunState();
  QDialog::done(result);
}

void OptionsDialog::EditBackExit() {
  if (controlsUpdating_) return;
  const QString typed = BackupExtField->text();
  const QString cleaned = PathToQ(NormalizeBackupExt(PathFromQ(typed)));
  if (cleaned == typed) return;
  {
    Updating updating(controlsUpdating_);
    BackupExtField->setText(cleaned);
  }
  StoreGeneralProps();
}

void OptionsDialog::EditDescrChange() {
  if (controlsUpdating_) return;
  session_.ActiveStyle().Options.StyleDescription = DescriptionField->text().toStdString();
  styleModified_ = true;
}

void OptionsDialog::OnDokuChange() {
  if (controlsUpdating_) return;
  StoreDokuProps();
  ShowDocLine();
}

void OptionsDialog::StoreDokuProps() {
  StyleOptions& o = session_.ActiveStyle().Options;
  o.DoIncludeUser = UserBox->isChecked();
  o.UserInfo = UserInfoFromField(UserInfoField->text().toStdString());
  o.DoIncludeDate = DateBox->isChecked();
  o.DoIncludeTime = TimeBox->isChecked();
  o.DoIncludeStyle = StyleNameBox->isChecked();
  o.DoIncludeVersion = VersionBox->isChecked();
  o.UseWhileFormat = InFormattedBox->isChecked();
  o.UseWhileCompress = InCompressedBox->isChecked();
  styleModified_ = true;
}

void OptionsDialog::ShowDocLine() {
  DocLinePreview->setText(ToQ(BuildDocLine(session_.ActiveStyle().Options, CurrentDocDateTime())));
  DocLinePreview->setCursorPosition(0);
}

// ---------------------------------------------------------------------------------------
// Tags page

void OptionsDialog::StoreTagProps(int row) {
  TagTable& tags = session_.ActiveStyle().Tags;
  if (row < 1 || row > tags.TagCount) return;
  TagEntry& e = tags.Entry(row);
  e.TreatAsText = AsTextButton->isChecked();
  e.isSelfIndent = SelfIndentCounter->value();
  e.isContentIndent = ContentIndentCounter->value();
  e.DoGenerateSComment = StartCommentBox->isChecked();
  e.DoGenerateEComment = EndCommentBox->isChecked();
  e.StartComment = StartCommentField->text().toStdString();
  e.EndComment = EndCommentField->text().toStdString();
  e.CommentLength = CommentLengthCounter->value();
  e.CommentSymbol = SymbolChoice->currentText().toStdString();
  e.Cindent = CommentIndentBox->isChecked();
  e.EnableCounter = CounterBox->isChecked();
  e.CleanInside = CleanInsideBox->isChecked();
  CutTagFields(e);
  // A tag just made Stand Alone gets at least one line break each side, in the counters too.
  SetLineBreakMinimum(SetUpDownMinMax(e));
  e.CRLFLeading = BreaksBeforeCounter->value();
  e.CRLFFollowed = BreaksAfterCounter->value();
}

void OptionsDialog::ShowSelectedTagProps(int row) {
  Updating updating(controlsUpdating_);
  TagTable& tags = session_.ActiveStyle().Tags;
  TagEntry& e = tags.Entry(std::clamp(row, 1, kMaxTags));
  SetLineBreakMinimum(SetUpDownMinMax(e));
  StandAloneButton->setChecked(!e.TreatAsText);
  AsTextButton->setChecked(e.TreatAsText);
  BreaksBeforeCounter->setValue(e.CRLFLeading);
  BreaksAfterCounter->setValue(e.CRLFFollowed);
  SelfIndentCounter->setValue(e.isSelfIndent);
  ContentIndentCounter->setValue(e.isContentIndent);
  StartCommentBox->setChecked(e.DoGenerateSComment);
  EndCommentBox->setChecked(e.DoGenerateEComment);
  StartCommentField->setText(ToQ(e.StartComment));
  EndCommentField->setText(ToQ(e.EndComment));
  CommentLengthCounter->setValue(e.CommentLength);
  SymbolChoice->setCurrentIndex(std::max(0, SymbolChoice->findText(ToQ(e.CommentSymbol))));
  CommentIndentBox->setChecked(e.Cindent);
  CounterBox->setChecked(e.EnableCounter);
  CleanInsideBox->setChecked(e.CleanInside);
}

void OptionsDialog::SetLineBreakMinimum(int minimum) {
  Updating updating(controlsUpdating_);
  BreaksBeforeCounter->setMinimum(minimum);
  BreaksAfterCounter->setMinimum(minimum);
}

void OptionsDialog::TagGridClick(int row) {
  Updating updating(controlsUpdating_);
  StoreTagProps(selectedTagRow_);
  ShowSelectedTagProps(row);
  selectedTagRow_ = row;
  ShowTagEmphasis();
}

void OptionsDialog::OnTagChange() {
  if (controlsUpdating_) return;
  StoreTagProps(selectedTagRow_);
  if (selectedTagRow_ <= session_.ActiveStyle().Tags.TagCount) SetGridRow(selectedTagRow_);
  ShowTagEmphasis();
  styleModified_ = true;
}

void OptionsDialog::ShowTagEmphasis() {
  const TagEntry& e = session_.ActiveStyle().Tags.Entry(std::clamp(selectedTagRow_, 1, kMaxTags));
  const TagEmphasis emphasis = TagEmphasisOf(e);
  SetMarked(StandAloneButton, emphasis.AloneMarked);
  SetMarked(AsTextButton, emphasis.AsTextMarked);
  SetItalic(SelfIndentPanel, emphasis.IndentItalic);
  SetItalic(ContentIndentPanel, emphasis.IndentItalic);
  SetItalic(StartCommentPanel, emphasis.StartCommentItalic);
  SetItalic(EndCommentPanel, emphasis.EndCommentItalic);
  SetItalic(BreaksBeforePanel, emphasis.BeforeItalic);
  SetItalic(BreaksAfterPanel, emphasis.AfterItalic);
}

void OptionsDialog::ShowPanelTints() {
  const PanelTints tints = PanelTintsOf(session_.ActiveStyle().Options);
  for (QWidget* panel : {DisableCommentsPanel, StartCommentPanel, EndCommentPanel, CommentFormPanel})
    Tint(panel, tints.Comments);
  for (QWidget* panel : {IndentPanel, SelfIndentPanel, ContentIndentPanel})
    Tint(panel, tints.Indent);
  for (QWidget* panel : {BreaksBeforePanel, BreaksAfterPanel}) Tint(panel, false);
}

void OptionsDialog::PageChanged(int page) {
  if (page != TagsPage) return;
  TagGrid->setFocus();
  TagGridClick(std::max(1, TagGrid->currentRow() + 1));
}

// ---------------------------------------------------------------------------------------
// Styles and tags

bool OptionsDialog::LoadStyleNamed(const std::string& name) {
  StyleError err;
  if (!session_.LoadStyle(&name, &err)) {
    ShowError(err.Text);
    return false;
  }
  // The style chosen here stays the active one, for the next start as well.
  session_.Settings().StyleName = session_.ActiveStyle().Options.StyleName;
  return true;
}

bool OptionsDialog::ReloadActiveStyle() {
  bool loaded;
  std::string text;
  if (session_.StyleLoaded()) {
    loaded = session_.ReloadStyle(&text);
  } else {
    StyleError err;
    loaded = session_.LoadStyle(nullptr, &err);
    text = err.Text;
  }
  if (!loaded) ShowError(text);
  return loaded;
}

bool OptionsDialog::WriteStyle(const fs::path& dir) {
  std::string err;
  Style& style = session_.ActiveStyle();
  if (!WriteTagTable(dir, style.Tags, &err)) {
    ShowError("The style could not be saved to " + QuotedPath(FindNameNoCase(dir, kTagFileName)) +
              ":\r\n" + err);
    return false;
  }
  if (!WriteStyleOptions(dir, style.Options, &err)) {
    ShowError("The style could not be saved to " +
              QuotedPath(FindNameNoCase(dir, kOptionsFileName)) + ":\r\n" + err);
    return false;
  }
  return true;
}

void OptionsDialog::ShowError(const std::string& text) {
  dialogs_.Message(this, MessageKind::Error, text);
}

void OptionsDialog::ChooseStyle(int index) {
  if (index < 0) return;
  const std::string chosen = PathFromQ(StyleChoice->itemText(index));
  const std::string current = session_.ActiveStyle().Options.StyleName;
  if (chosen == current) return;
  const Answer answer =
      styleModified_ ? dialogs_.YesNoCancel(this, SaveChangesQuestion(current)) : Answer::No;
  const bool save = answer == Answer::Yes;
  if (answer == Answer::Cancel || (save && !WriteStyle(session_.ActiveStylePath())) ||
      !LoadStyleNamed(chosen)) {
    // The edits stay, and so does the style they belong to.
    const bool modified = styleModified_;
    SetStyle(current);
    styleModified_ = modified;
    return;
  }
  SetStyle(session_.ActiveStyle().Options.StyleName);
}

void OptionsDialog::SaveAsNewStyle() {
  NewStyleDialog dialog(session_.Styles().StyleList(), skin_, this);
  if (RunNested(dialog) != QDialog::Accepted || dialog.NewStyleName().empty()) return;
  const std::string name = dialog.NewStyleName();
  // Named as typed (cleaned): styles are found without regard to case, but the file system
  // tells cases apart, so an upper-cased directory would name another style.
  const fs::path dir = session_.ProgramDir() / "styles" / name;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    ShowError("Cannot create the style directory " + QuotedPath(dir) + ":\r\n" + ec.message());
    return;
  }
  StyleOptions& options = session_.ActiveStyle().Options;
  const std::string oldName = options.StyleName;
  options.StyleName = name;
  if (!WriteStyle(dir)) {
    options.StyleName = oldName;
    return;
  }
  if (LoadStyleNamed(name)) {
    Updating updating(controlsUpdating_);
    StyleChoice->clear();
    for (const std::string& style : session_.Styles().StyleList())
      StyleChoice->addItem(PathToQ(style));
  }
  SetStyle(session_.ActiveStyle().Options.StyleName);
}

void OptionsDialog::AddTag() {
  Style& style = session_.ActiveStyle();
  AddTagDialog dialog(style, dialogs_, skin_, this);
  if (RunNested(dialog) != QDialog::Accepted) return;
  const int added = style.Tags.TagCount;
  if (!WriteStyle(session_.ActiveStylePath())) {
    // The new tag stays in memory with the other edits, shown and selected.
    FillTagGrid();
    TagGridClick(added);
    SelectGridRow(added);
    styleModified_ = true;
    return;
  }
  ReloadActiveStyle();
  SetStyle(style.Options.StyleName);
  dialogs_.Message(this, MessageKind::Information,
                   TagAddedMessage(style.Tags.Entry(style.Tags.TagCount)));
}

void OptionsDialog::RemoveTag() {
  TagTable& tags = session_.ActiveStyle().Tags;
  const int row = TagGrid->currentRow() + 1;
  if (row < 1 || row > tags.TagCount) return;
  const TagEntry entry = tags.Entry(row);
  if (!dialogs_.YesNo(this, RemoveTagQuestion(entry))) return;
  std::string err;
  if (!EraseTagSection(session_.ActiveStylePath(), entry.TagName, &err)) {
    ShowError("The tag could not be removed from " +
              QuotedPath(FindNameNoCase(session_.ActiveStylePath(), kTagFileName)) +
              ":\r\n" + err);
    return;
  }
  // Only this entry goes: the other edits of the style stay, unsaved as they were.
  RemoveTagEntry(tags, row);
  FillTagGrid();
  const int next = std::max(1, std::min(row, tags.TagCount));
  {
    Updating updating(controlsUpdating_);
    ShowSelectedTagProps(next);
    selectedTagRow_ = next;
    SelectGridRow(next);
  }
  ShowTagEmphasis();
}

void OptionsDialog::AcceptChanges() {
  if (!WriteStyle(session_.ActiveStylePath())) return;
  TrimTagList& list = session_.TrimList();
  list.clear();
  for (int i = 0; i < TrimChoice->count(); ++i) {
    const QListWidgetItem* item = TrimChoice->item(i);
    list.push_back(
        {item->checkState() == Qt::Checked, item->data(Qt::UserRole).toByteArray().toStdString()});
  }
  std::string err;
  if (!session_.WriteTrimList(&err)) {
    ShowError("The trim list could not be saved to " +
              QuotedPath(FindNameNoCase(session_.ProgramDir(), kTrimFileName)) + ":\r\n" + err);
    return;
  }
  accept();
}

void OptionsDialog::DiscardChanges() {
  std::string err;
  if (!session_.ReadTrimList(&err)) ShowError(err);
  reject();
}

}  // namespace tessel::gui
