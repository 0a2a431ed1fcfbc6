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
#include "editor/editor_text.h"
#include "engine/line_ends.h"
#include "gui/add_tag_dialog.h"
#include "gui/dialog_parts.h"
#include "gui/editor_view.h"
#include "gui/gui_text.h"
#include "gui/new_style_dialog.h"
#include "gui/skin.h"
#include "gui/user_dialogs.h"
#include "window_model/options_rules.h"

namespace tessel::gui {
namespace {

namespace fs = std::filesystem;

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

}  // namespace

OptionsDialog::OptionsDialog(Session& session, UserDialogs& dialogs, const Skin& skin,
                             QWidget* mainWindow)
    : QDialog(mainWindow), session_(session), model_(session), dialogs_(dialogs), skin_(skin) {
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
  ReloadButton =
      new QPushButton(style->standardIcon(QStyle::SP_BrowserReload), "Reload File", this);
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
  connect(DescriptionField, &QLineEdit::textEdited, this, &OptionsDialog::DescriptionChanged);
  connect(Pages, &QTabWidget::currentChanged, this, &OptionsDialog::PageChanged);
  connect(SaveNewStyleButton, &QPushButton::clicked, this, &OptionsDialog::SaveAsNewStyle);
  connect(OkButton, &QPushButton::clicked, this, &OptionsDialog::AcceptChanges);

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
  VerifyBox = new QCheckBox("Check that pages render the same", page);
  VerifyBox->setToolTip(
      "Each run parses every page and its result as a browser does and marks in the protocol "
      "the files that could look different.\nRuns take several times longer.");

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
  SpacesOnlyBox = new QCheckBox("Indent with spaces only", IndentPanel);
  SpacesOnlyBox->setToolTip("Off: a TAB for each 8 columns of indentation, spaces for the rest");
  auto* indentLayout = new QVBoxLayout(IndentPanel);
  indentLayout->setContentsMargins(0, 0, 0, 3);
  indentLayout->setSpacing(0);
  QHBoxLayout* counterRow = CounterRow(IndentCounter, "Indent Stepsize", IndentPanel);
  counterRow->setSpacing(6);  // as the line size's row has it
  indentLayout->addLayout(counterRow);
  auto* spacesRow = new QHBoxLayout;
  spacesRow->setContentsMargins(6, 0, 6, 0);
  spacesRow->addWidget(SpacesOnlyBox);
  indentLayout->addLayout(spacesRow);

  auto* backRow = new QHBoxLayout;
  backRow->addWidget(BackupExtField);
  backRow->addWidget(labelBack, 1);
  auto* program = new QVBoxLayout;
  program->addWidget(ValidateBox);
  program->addLayout(backRow);
  program->addWidget(ColouringBox);
  program->addWidget(WallpapersBox);
  program->addWidget(VerifyBox);
  program->addLayout(BuildLineEndsRow(page));
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

  for (QCheckBox* box : {ValidateBox, PurgeCommentsBox, NoBreakInTagsBox, ColouringBox,
                         WallpapersBox, VerifyBox, DisableCommentsBox, SpacesOnlyBox}) {
    connect(box, &QCheckBox::toggled, this, &OptionsDialog::GeneralChanged);
  }
  for (QRadioButton* button : {UpperCaseButton, LowerCaseButton, PreserveCaseButton}) {
    connect(button, &QRadioButton::toggled, this, [this](bool on) {
      if (on) GeneralChanged();
    });
  }
  for (QSpinBox* box : {IndentCounter, LineSizeCounter}) {
    connect(box, &QSpinBox::valueChanged, this, &OptionsDialog::GeneralChanged);
  }
  connect(BackupExtField, &QLineEdit::textEdited, this, &OptionsDialog::GeneralChanged);
  connect(BackupExtField, &QLineEdit::editingFinished, this, &OptionsDialog::BackupExtEdited);
  return page;
}

QLayout* OptionsDialog::BuildLineEndsRow(QWidget* page) {
  LineEndsChoice = new QComboBox(page);
  // In the order of LineEndSetting.
  LineEndsChoice->addItems({"CR LF", "LF", "As the file has"});
  LineEndsChoice->setToolTip(
      "The line ends of every file written: CR LF, LF, or what each file has (its first line "
      "end decides; CR LF for a file without one).\nAn .editorconfig above a file decides "
      "before this setting.");
  auto* label = new QLabel("Line Ends", page);
  label->setBuddy(LineEndsChoice);
  auto* row = new QHBoxLayout;
  row->addWidget(LineEndsChoice);
  row->addWidget(label, 1);
  // Not the style's: nothing asks to save the style for it, and only OK keeps it.
  connect(LineEndsChoice, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!controlsUpdating_ && index >= 0) model_.SetLineEnds(LineEndSetting(index));
  });
  return row;
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
  BreaksBeforePanel->setLayout(
      CounterRow(BreaksBeforeCounter, "before opening tag", BreaksBeforePanel));
  BreaksAfterPanel = Panel(linesGroup);
  BreaksAfterCounter = Counter(kLineBreaksRange, BreaksAfterPanel);
  BreaksAfterPanel->setLayout(
      CounterRow(BreaksAfterCounter, "after closing tag", BreaksAfterPanel));
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
            if (!controlsUpdating_ && row >= 0 && row != previous) SelectTag(row + 1);
          });
  for (QRadioButton* button : {StandAloneButton, AsTextButton}) {
    connect(button, &QRadioButton::toggled, this, [this](bool on) {
      if (on) TagChanged();
    });
  }
  for (QSpinBox* box : {BreaksBeforeCounter, BreaksAfterCounter, CommentLengthCounter,
                        SelfIndentCounter, ContentIndentCounter}) {
    connect(box, &QSpinBox::valueChanged, this, &OptionsDialog::TagChanged);
  }
  for (QCheckBox* box :
       {StartCommentBox, EndCommentBox, CounterBox, CommentIndentBox, CleanInsideBox}) {
    connect(box, &QCheckBox::toggled, this, &OptionsDialog::TagChanged);
  }
  for (QLineEdit* edit : {StartCommentField, EndCommentField}) {
    connect(edit, &QLineEdit::textEdited, this, &OptionsDialog::TagChanged);
  }
  connect(SymbolChoice, &QComboBox::activated, this, &OptionsDialog::TagChanged);
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
    connect(box, &QCheckBox::toggled, this, &OptionsDialog::DocumentationChanged);
  }
  connect(UserInfoField, &QLineEdit::textEdited, this, &OptionsDialog::DocumentationChanged);
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
    FirstShow();
  }
  QDialog::showEvent(event);
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event) {
  // The preview would take Esc for itself; in this dialog Esc closes, from anywhere.
  if (watched == Preview && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    reject();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void OptionsDialog::FirstShow() {
  FillPreviewChoice();
  std::string message;
  // The dialog always starts from the style as stored.
  if (!model_.Open(&message)) ShowError(message);
  {
    Updating updating(controlsUpdating_);
    LineEndsChoice->setCurrentIndex(int(model_.LineEnds()));
  }
  FillStyleChoice();
  ShowStyle();
  TrimChoice->clear();
  for (const TrimEntry& entry : model_.TrimDraft()) {
    auto* item = new QListWidgetItem(ToQ(entry.Tag), TrimChoice);
    item->setData(Qt::UserRole, QByteArray::fromStdString(entry.Tag));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(entry.Selected ? Qt::Checked : Qt::Unchecked);
  }
  Pages->setCurrentIndex(GeneralPage);
}

void OptionsDialog::FillStyleChoice() {
  Updating updating(controlsUpdating_);
  StyleChoice->clear();
  for (const std::string& name : model_.StyleList()) StyleChoice->addItem(PathToQ(name));
}

// ---------------------------------------------------------------------------------------
// The preview

void OptionsDialog::FillPreviewChoice() {
  ShowInPreview("");
  const SamplePages pages = FindSamplePages(session_.ProgramDir());
  previewDir_ = pages.Dir;
  PreviewChoice->clear();
  for (const std::string& name : pages.Names) PreviewChoice->addItem(PathToQ(name));
  if (!pages.Names.empty()) {
    previewFile_ = previewDir_ + pages.Names.front();
    PreviewChoice->setCurrentIndex(0);
    if (const std::optional<std::string> text = SampleText(previewFile_, nullptr)) {
      ShowInPreview(*text);
      for (QWidget* w : std::initializer_list<QWidget*>{ReloadButton, PreviewFormattedButton,
                                                        PreviewCompressedButton, PreviewChoice})
        w->setEnabled(true);
      return;
    }
  }
  ShowNoSamplePage();
}

void OptionsDialog::ShowNoSamplePage() {
  previewFile_.clear();
  ShowInPreview("");
  PreviewChoice->clear();
  PreviewChoice->addItem(ToQ(kNoPreviewFile));
  for (QWidget* w : std::initializer_list<QWidget*>{ReloadButton, PreviewFormattedButton,
                                                    PreviewCompressedButton, PreviewChoice})
    w->setEnabled(false);
}

void OptionsDialog::ShowInPreview(std::string text) {
  Preview->SetDocument(EditorText{std::move(text), TextEncoding::Utf8});
}

void OptionsDialog::ChoosePreview(int index) {
  if (index < 0 || previewFile_.empty()) return;
  previewFile_ = previewDir_ + PathFromQ(PreviewChoice->itemText(index));
  ReloadPreview();
}

void OptionsDialog::ReloadPreview() {
  if (previewFile_.empty()) return;
  std::string err;
  if (const std::optional<std::string> text = SampleText(previewFile_, &err)) {
    ShowInPreview(*text);
  } else {
    ShowError(err);
  }
}

void OptionsDialog::PreviewProcessed(EngineMode mode) {
  if (previewFile_.empty()) return;
  // The settings as they stand in the dialog, saved or not; the sample file is only read.
  std::string err;
  if (std::optional<std::string> text = ProcessedSample(previewFile_, mode, model_.Draft(), &err)) {
    ShowInPreview(std::move(*text));
  } else {
    ShowError(err);
  }
}

// ---------------------------------------------------------------------------------------
// Showing the draft

void OptionsDialog::ShowStyle() {
  {
    Updating updating(controlsUpdating_);
    const std::string& name = model_.Draft().Options.StyleName;
    int index = -1;
    for (int i = 0; i < StyleChoice->count(); ++i) {
      if (EqualsNoCase(PathFromQ(StyleChoice->itemText(i)), name)) {
        index = i;
        break;
      }
    }
    StyleChoice->setCurrentIndex(index);
  }
  FillPages();
}

void OptionsDialog::FillPages() {
  Updating updating(controlsUpdating_);
  const StyleOptions& o = model_.Draft().Options;
  const GeneralSettings g = model_.General();
  DescriptionField->setText(ToQ(o.StyleDescription));
  DescriptionField->setCursorPosition(0);

  ValidateBox->setChecked(g.Validate);
  BackupExtField->setText(PathToQ(g.BackupExt));
  PurgeCommentsBox->setChecked(o.DoPurgeComments);
  NoBreakInTagsBox->setChecked(NoBreakInsideTags(o.BreakExcluder));
  ColouringBox->setChecked(g.ColourTags);
  WallpapersBox->setChecked(g.Wallpapers);
  VerifyBox->setChecked(g.Verify);
  DisableCommentsBox->setChecked(o.DoDisableComments);
  UpperCaseButton->setChecked(o.TagCase == 1);
  LowerCaseButton->setChecked(o.TagCase == 2);
  PreserveCaseButton->setChecked(o.TagCase == 3);
  LineSizeCounter->setValue(o.LineSize);
  IndentCounter->setValue(o.Spacing);
  SpacesOnlyBox->setChecked(o.DoIndentSpacesOnly);

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
  ShowTagControls(1);
  selectedTagRow_ = 1;
  SelectGridRow(1);
  ShowTagEmphasis();
}

void OptionsDialog::FillTagGrid() {
  Updating updating(controlsUpdating_);
  const int count = model_.Draft().Tags.TagCount;
  TagGrid->setRowCount(count);
  for (int row = 1; row <= count; ++row) ShowGridRow(row);
  // Without a tag there is nothing the tag controls could edit.
  for (QWidget* w : std::initializer_list<QWidget*>{
           StandAloneButton->parentWidget(), BreaksBeforePanel->parentWidget(),
           SelfIndentPanel->parentWidget(), StartCommentPanel->parentWidget(), RemoveTagButton}) {
    w->setEnabled(count > 0);
  }
}

void OptionsDialog::ShowGridRow(int row) {
  const TagGridRow cells = TagGridRowOf(model_.Draft().Tags.Entry(row));
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

void OptionsDialog::GeneralChanged() {
  if (controlsUpdating_) return;
  StoreGeneralPage();
  ShowPanelTints();
}

void OptionsDialog::StoreGeneralPage() {
  if (controlsUpdating_) return;
  StyleOptions& o = model_.Draft().Options;
  // The program settings take effect at once, for the next run as well.
  model_.SetGeneral({ValidateBox->isChecked(),
                     StoredBackupExt(CleanBackupExt(PathFromQ(BackupExtField->text()))),
                     ColouringBox->isChecked(), WallpapersBox->isChecked(),
                     VerifyBox->isChecked()});
  o.DoPurgeComments = PurgeCommentsBox->isChecked();
  o.DoDisableComments = DisableCommentsBox->isChecked();
  o.TagCase = TagCaseFor(UpperCaseButton->isChecked(), LowerCaseButton->isChecked(),
                         PreserveCaseButton->isChecked(), o.TagCase);
  o.BreakExcluder = BreakExcluderFor(NoBreakInTagsBox->isChecked());
  o.LineSize = LineSizeCounter->value();
  o.Spacing = IndentCounter->value();
  o.DoIndentSpacesOnly = SpacesOnlyBox->isChecked();
  model_.SetModified(true);
}

void OptionsDialog::BackupExtEdited() {
  if (controlsUpdating_) return;
  const QString typed = BackupExtField->text();
  const QString cleaned = PathToQ(CleanBackupExt(PathFromQ(typed)));
  if (cleaned == typed) return;
  {
    Updating updating(controlsUpdating_);
    BackupExtField->setText(cleaned);
  }
  StoreGeneralPage();
}

void OptionsDialog::DescriptionChanged() {
  if (controlsUpdating_) return;
  model_.Draft().Options.StyleDescription = DescriptionField->text().toStdString();
  model_.SetModified(true);
}

void OptionsDialog::DocumentationChanged() {
  if (controlsUpdating_) return;
  StyleOptions& o = model_.Draft().Options;
  o.DoIncludeUser = UserBox->isChecked();
  o.UserInfo = UserInfoFromField(UserInfoField->text().toStdString());
  o.DoIncludeDate = DateBox->isChecked();
  o.DoIncludeTime = TimeBox->isChecked();
  o.DoIncludeStyle = StyleNameBox->isChecked();
  o.DoIncludeVersion = VersionBox->isChecked();
  o.UseWhileFormat = InFormattedBox->isChecked();
  o.UseWhileCompress = InCompressedBox->isChecked();
  model_.SetModified(true);
  ShowDocLine();
}

void OptionsDialog::ShowDocLine() {
  DocLinePreview->setText(ToQ(BuildDocLine(model_.Draft().Options, CurrentDocDateTime())));
  DocLinePreview->setCursorPosition(0);
}

// ---------------------------------------------------------------------------------------
// Tags page

void OptionsDialog::StoreTagControls(int row) {
  const TagTable& tags = model_.Draft().Tags;
  if (row < 1 || row > tags.TagCount) return;
  TagEntry e = tags.Entry(row);
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
  // A tag just made Stand Alone gets at least one line break each side, in the counters too.
  SetLineBreakMinimum(LineBreakMinimum(e));
  e.CRLFLeading = BreaksBeforeCounter->value();
  e.CRLFFollowed = BreaksAfterCounter->value();
  model_.StoreTag(row, std::move(e));
}

void OptionsDialog::ShowTagControls(int row) {
  Updating updating(controlsUpdating_);
  const TagEntry& e = model_.Draft().Tags.Entry(std::clamp(row, 1, kMaxTags));
  SetLineBreakMinimum(LineBreakMinimum(e));
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

void OptionsDialog::SelectTag(int row) {
  Updating updating(controlsUpdating_);
  StoreTagControls(selectedTagRow_);  // the row left keeps what its controls show
  ShowTagControls(row);
  selectedTagRow_ = row;
  ShowTagEmphasis();
}

void OptionsDialog::TagChanged() {
  if (controlsUpdating_) return;
  StoreTagControls(selectedTagRow_);
  model_.SetModified(true);
  if (selectedTagRow_ <= model_.Draft().Tags.TagCount) ShowGridRow(selectedTagRow_);
  ShowTagEmphasis();
}

void OptionsDialog::ShowTagEmphasis() {
  const TagEntry& e = model_.Draft().Tags.Entry(std::clamp(selectedTagRow_, 1, kMaxTags));
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
  const PanelTints tints = PanelTintsOf(model_.Draft().Options);
  for (QWidget* panel :
       {DisableCommentsPanel, StartCommentPanel, EndCommentPanel, CommentFormPanel})
    Tint(panel, tints.Comments);
  for (QWidget* panel : {IndentPanel, SelfIndentPanel, ContentIndentPanel})
    Tint(panel, tints.Indent);
  for (QWidget* panel : {BreaksBeforePanel, BreaksAfterPanel}) Tint(panel, false);
}

void OptionsDialog::PageChanged(int page) {
  if (page != TagsPage) return;
  TagGrid->setFocus();
  SelectTag(std::max(1, TagGrid->currentRow() + 1));
}

// ---------------------------------------------------------------------------------------
// Styles and tags

void OptionsDialog::ShowError(const std::string& text) {
  dialogs_.Message(this, MessageKind::Error, text);
}

void OptionsDialog::ChooseStyle(int index) {
  if (index < 0) return;
  const std::string chosen = PathFromQ(StyleChoice->itemText(index));
  const std::string current = model_.Draft().Options.StyleName;
  if (chosen == current) return;
  const Answer answer =
      model_.Modified() ? dialogs_.YesNoCancel(this, SaveChangesQuestion(current)) : Answer::No;
  std::string message;
  if (answer == Answer::Cancel || !model_.SwitchStyle(chosen, answer == Answer::Yes, &message)) {
    if (!message.empty()) ShowError(message);
    // The edits stay, and so does the style they belong to.
    const bool modified = model_.Modified();
    ShowStyle();
    model_.SetModified(modified);
    return;
  }
  ShowStyle();
}

void OptionsDialog::SaveAsNewStyle() {
  NewStyleDialog dialog(model_.StyleList(), skin_, this);
  if (RunNested(dialog) != QDialog::Accepted || dialog.NewStyleName().empty()) return;
  std::string message;
  if (!model_.SaveAsNewStyle(dialog.NewStyleName(), &message)) {
    ShowError(message);
    return;
  }
  FillStyleChoice();
  ShowStyle();
}

void OptionsDialog::AddTag() {
  AddTagDialog dialog(model_.Draft(), dialogs_, skin_, this);
  if (RunNested(dialog) != QDialog::Accepted) return;
  std::string message;
  if (!model_.AddTag(dialog.NewTag(), &message)) {
    if (!message.empty()) ShowError(message);
    // The new tag stays in the draft with the other edits, shown and selected.
    const int added = model_.Draft().Tags.TagCount;
    FillTagGrid();
    SelectTag(added);
    SelectGridRow(added);
    return;
  }
  ShowStyle();
  const TagTable& tags = model_.Draft().Tags;
  dialogs_.Message(this, MessageKind::Information, TagAddedMessage(tags.Entry(tags.TagCount)));
}

void OptionsDialog::RemoveTag() {
  const TagTable& tags = model_.Draft().Tags;
  const int row = TagGrid->currentRow() + 1;
  if (row < 1 || row > tags.TagCount) return;
  if (!dialogs_.YesNo(this, RemoveTagQuestion(tags.Entry(row)))) return;
  std::string message;
  if (!model_.RemoveTag(row, &message)) {
    ShowError(message);
    return;
  }
  FillTagGrid();
  const int next = std::max(1, std::min(row, tags.TagCount));
  {
    Updating updating(controlsUpdating_);
    ShowTagControls(next);
    selectedTagRow_ = next;
    SelectGridRow(next);
  }
  ShowTagEmphasis();
}

void OptionsDialog::AcceptChanges() {
  TrimTagList& list = model_.TrimDraft();
  list.clear();
  for (int i = 0; i < TrimChoice->count(); ++i) {
    const QListWidgetItem* item = TrimChoice->item(i);
    list.push_back(
        {item->checkState() == Qt::Checked, item->data(Qt::UserRole).toByteArray().toStdString()});
  }
  std::string message;
  if (!model_.Commit(&message)) {
    ShowError(message);
    return;
  }
  accept();
}

}  // namespace tessel::gui
