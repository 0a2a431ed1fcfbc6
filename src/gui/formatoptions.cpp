#include "gui/formatoptions.h"

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
#include "gui/Form_addTag.h"
#include "gui/dialog_parts.h"
#include "gui/editor_view.h"
#include "gui/gui_text.h"
#include "gui/newstyle.h"
#include "gui/skin.h"
#include "gui/user_dialogs.h"
#include "io/text_file.h"
#include "styles/options_rules.h"
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

TFormOptions::TFormOptions(Session& session, UserDialogs& dialogs, const Skin& skin,
                           QWidget* mainWindow)
    : QDialog(mainWindow), session_(session), dialogs_(dialogs), skin_(skin) {
  setWindowTitle("Format & Compress Options");
  ApplyDialogBackground(*this, skin);
  RunNested = [](QDialog& dialog) { return dialog.exec(); };

  // Top bar: the sample page and its buttons, then the style and its description.
  ComboPreview = new QComboBox(this);
  ComboPreview->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  ComboPreview->setMinimumContentsLength(24);
  auto* labelPreview = new QLabel("Preview File:", this);
  labelPreview->setBuddy(ComboPreview);
  QStyle* style = this->style();
  BReload = new QPushButton(style->standardIcon(QStyle::SP_BrowserReload), "Reload File", this);
  BReload->setToolTip("Reload active preview file from disk");
  BpreviewF =
      new QPushButton(style->standardIcon(QStyle::SP_ArrowRight), "Preview Formatted", this);
  BpreviewF->setToolTip("Show preview file after formatting");
  BPreviewC =
      new QPushButton(style->standardIcon(QStyle::SP_ArrowRight), "Preview Compressed", this);
  BPreviewC->setToolTip("Show preview file after compression");

  ComboStyle = new QComboBox(this);
  ComboStyle->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  ComboStyle->setMinimumContentsLength(16);
  auto* labelStyle = new QLabel("Style:", this);
  labelStyle->setBuddy(ComboStyle);
  EditDescr = new QLineEdit(this);
  EditDescr->setMaxLength(kDescriptionWidth);
  EditDescr->setToolTip("Description of the style");

  // The editor's own view, plain and read-only: it fills a large page at once.
  MemoPreview = new EditorView(this);
  MemoPreview->SetColouring(false);
  MemoPreview->setReadOnly(true);
  MemoPreview->setMinimumHeight(120);
  MemoPreview->installEventFilter(this);

  TabSet1 = new QTabWidget(this);
  TabSet1->addTab(BuildGeneralPage(), "  General Options ");
  TabSet1->addTab(BuildTagsPage(), "  Tag Configuration ");
  TabSet1->addTab(BuildDocumentationPage(), "  Documentation Options ");
  TabSet1->addTab(BuildTrimPage(), "  Trim Options");
  TabSet1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

  const OkCancel buttons = MakeOkCancel(*this);
  BOK = buttons.Ok;
  BCancel = buttons.Cancel;
  // Enter in a text field must not close the dialog and save the style.
  BOK->setDefault(false);
  BOK->setToolTip("Close window and save changes");
  BCancel->setToolTip("Close window and purge changes");
  disconnect(BCancel, &QPushButton::clicked, this, &QDialog::reject);
  BSaveNewStyle =
      new QPushButton(style->standardIcon(QStyle::SP_DialogSaveButton), "Save as new style", this);
  BSaveNewStyle->setToolTip("Save current settings under a new style name");

  auto* previewRow = new QHBoxLayout;
  previewRow->addWidget(labelPreview);
  previewRow->addWidget(ComboPreview);
  previewRow->addWidget(BReload);
  previewRow->addStretch(1);
  previewRow->addWidget(BpreviewF);
  previewRow->addWidget(BPreviewC);
  auto* styleRow = new QHBoxLayout;
  styleRow->addWidget(labelStyle);
  styleRow->addWidget(ComboStyle);
  styleRow->addWidget(EditDescr, 1);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(BSaveNewStyle);
  buttonRow->addStretch(1);
  buttonRow->addWidget(BOK);
  buttonRow->addWidget(BCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(previewRow);
  layout->addWidget(MemoPreview, 1);
  layout->addLayout(styleRow);
  layout->addWidget(TabSet1);
  layout->addLayout(buttonRow);

  connect(ComboPreview, &QComboBox::activated, this, &TFormOptions::ComboPreviewChange);
  connect(BReload, &QPushButton::clicked, this, &TFormOptions::BReloadClick);
  connect(BpreviewF, &QPushButton::clicked, this, &TFormOptions::BpreviewFClick);
  connect(BPreviewC, &QPushButton::clicked, this, &TFormOptions::BPreviewCClick);
  connect(ComboStyle, &QComboBox::activated, this, &TFormOptions::ComboStyleChange);
  connect(EditDescr, &QLineEdit::textEdited, this, &TFormOptions::EditDescrChange);
  connect(TabSet1, &QTabWidget::currentChanged, this, &TFormOptions::PageChanged);
  connect(BSaveNewStyle, &QPushButton::clicked, this, &TFormOptions::BSaveNewStyleClick);
  connect(BOK, &QPushButton::clicked, this, &TFormOptions::BOKClick);
  connect(BCancel, &QPushButton::clicked, this, &TFormOptions::BCancelClick);

  if (mainWindow) {
    const QRect main = mainWindow->geometry();
    setGeometry(main.x() + 4, main.y() + 25, main.width() - 8, main.height() - 30);
  } else {
    resize(1000, 720);
  }
}

QWidget* TFormOptions::PagePanel() {
  auto* page = new PicturePanel;
  page->SetPicture(skin_.Option);
  return page;
}

QWidget* TFormOptions::BuildGeneralPage() {
  QWidget* page = PagePanel();
  CBValidate = new QCheckBox("Skip files without <HTML> Tag inside", page);
  EditBack = new QLineEdit(page);
  EditBack->setMaxLength(kBackupExtTypedWidth);
  EditBack->setFixedWidth(EditBack->fontMetrics().horizontalAdvance("MMMMMMM") + 12);
  auto* labelBack = new QLabel("Backup-File Extension", page);
  labelBack->setBuddy(EditBack);
  const QString restart = "Please restart Tessel HTML after changing this option";
  CBSyntax = new QCheckBox("Enable Syntax Coloring", page);
  CBSyntax->setToolTip(restart);
  CBWallPaper = new QCheckBox("Show Window Wallpapers", page);
  CBWallPaper->setToolTip(restart);

  CBPurgeComm = new QCheckBox("Purge comments in compressed files", page);
  CBBreakExcluder = new QCheckBox("No linebreak between '<' and '>'", page);
  PanelDisableComm = Panel(page);
  CBDisableComm = new QCheckBox("Disable all Auto Comments", PanelDisableComm);
  auto* disableLayout = new QHBoxLayout(PanelDisableComm);
  disableLayout->setContentsMargins(6, 3, 6, 3);
  disableLayout->addWidget(CBDisableComm);

  auto* caseFrame = new QFrame(page);
  caseFrame->setFrameShape(QFrame::StyledPanel);
  RBUpper = new QRadioButton("Tags in Uppercase", caseFrame);
  RBLower = new QRadioButton("Tags in Lowercase", caseFrame);
  RBLeave = new QRadioButton("Preserve Case", caseFrame);
  auto* caseLayout = new QVBoxLayout(caseFrame);
  caseLayout->addWidget(RBUpper);
  caseLayout->addWidget(RBLower);
  caseLayout->addWidget(RBLeave);

  UpDown2 = Counter(kLineSizeRange, page);
  PanelIndent = Panel(page);
  UpDown1 = Counter(kSpacingRange, PanelIndent);
  PanelIndent->setLayout(CounterRow(UpDown1, "Indent Stepsize", PanelIndent));

  auto* backRow = new QHBoxLayout;
  backRow->addWidget(EditBack);
  backRow->addWidget(labelBack, 1);
  auto* program = new QVBoxLayout;
  program->addWidget(CBValidate);
  program->addLayout(backRow);
  program->addWidget(CBSyntax);
  program->addWidget(CBWallPaper);
  program->addStretch(1);
  auto* style = new QVBoxLayout;
  style->addWidget(CBPurgeComm);
  style->addWidget(CBBreakExcluder);
  style->addWidget(PanelDisableComm);
  style->addStretch(1);
  auto* sizes = new QVBoxLayout;
  auto* lineSize = CounterRow(UpDown2, "Textblock Linesize", page);
  lineSize->setContentsMargins(7, 4, 7, 4);  // lines up with the indent panel below
  sizes->addLayout(lineSize);
  sizes->addWidget(PanelIndent);
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
       {CBValidate, CBPurgeComm, CBBreakExcluder, CBSyntax, CBWallPaper, CBDisableComm}) {
    connect(box, &QCheckBox::toggled, this, &TFormOptions::OnGeneralChange);
  }
  for (QRadioButton* button : {RBUpper, RBLower, RBLeave}) {
    connect(button, &QRadioButton::toggled, this, [this](bool on) {
      if (on) OnGeneralChange();
    });
  }
  for (QSpinBox* box : {UpDown1, UpDown2}) {
    connect(box, &QSpinBox::valueChanged, this, &TFormOptions::OnGeneralChange);
  }
  connect(EditBack, &QLineEdit::textEdited, this, &TFormOptions::OnGeneralChange);
  connect(EditBack, &QLineEdit::editingFinished, this, &TFormOptions::EditBackExit);
  return page;
}

QWidget* TFormOptions::BuildTagsPage() {
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
  BAddTag = new QPushButton("Add a new tag", page);
  BDelTag = new QPushButton("Remove tag", page);

  auto* typeGroup = new QGroupBox("T: Specify Tag Type:", page);
  RBAlone = new QRadioButton("'Stand Alone' tag", typeGroup);
  RBAsText = new QRadioButton("'As Text' Tag", typeGroup);
  auto* typeLayout = new QVBoxLayout(typeGroup);
  typeLayout->addWidget(RBAlone);
  typeLayout->addWidget(RBAsText);
  typeLayout->addStretch(1);

  auto* linesGroup = new QGroupBox("L: Number of Linebreaks:", page);
  PanelBefore = Panel(linesGroup);
  UpDownBefore = Counter(kLineBreaksRange, PanelBefore);
  PanelBefore->setLayout(CounterRow(UpDownBefore, "before opening tag", PanelBefore));
  PanelAfter = Panel(linesGroup);
  UpDownAfter = Counter(kLineBreaksRange, PanelAfter);
  PanelAfter->setLayout(CounterRow(UpDownAfter, "after closing tag", PanelAfter));
  auto* linesLayout = new QVBoxLayout(linesGroup);
  linesLayout->addWidget(PanelBefore);
  linesLayout->addWidget(PanelAfter);
  linesLayout->addStretch(1);

  auto* indentGroup = new QGroupBox("I: Number of Indent Steps for:", page);
  PanelSelfIndent = Panel(indentGroup);
  UpDownSelfIndent = Counter(kIndentStepsRange, PanelSelfIndent);
  PanelSelfIndent->setLayout(CounterRow(UpDownSelfIndent, "This tag itself", PanelSelfIndent));
  PanelContentIndent = Panel(indentGroup);
  UpDownContentIndent = Counter(kIndentStepsRange, PanelContentIndent);
  PanelContentIndent->setLayout(
      CounterRow(UpDownContentIndent, "This tag's content", PanelContentIndent));
  auto* indentLayout = new QVBoxLayout(indentGroup);
  indentLayout->addWidget(PanelSelfIndent);
  indentLayout->addWidget(PanelContentIndent);
  indentLayout->addStretch(1);

  auto* commentGroup = new QGroupBox("C: Auto Comment Settings:", page);
  PanelSComment = Panel(commentGroup);
  CBSComment = new QCheckBox("Enable Comment at start-tag:", PanelSComment);
  EditScomment = new QLineEdit(PanelSComment);
  PanelEComment = Panel(commentGroup);
  CBEComment = new QCheckBox("Enable Comment at end-tag:", PanelEComment);
  EditEComment = new QLineEdit(PanelEComment);
  for (QLineEdit* edit : {EditScomment, EditEComment}) {
    edit->setMaxLength(int(kCommentFieldWidth));
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(22, 'x')));
  }
  auto* sLayout = new QVBoxLayout(PanelSComment);
  sLayout->addWidget(CBSComment);
  sLayout->addWidget(EditScomment);
  auto* eLayout = new QVBoxLayout(PanelEComment);
  eLayout->addWidget(CBEComment);
  eLayout->addWidget(EditEComment);
  PanelCommentForm = Panel(commentGroup);
  CBCounter = new QCheckBox("Counter", PanelCommentForm);
  CBSymbol = new QComboBox(PanelCommentForm);
  for (char symbol : kCommentSymbols) CBSymbol->addItem(QString(QChar(symbol)));
  auto* labelSymbol = new QLabel("Symbol:", PanelCommentForm);
  labelSymbol->setBuddy(CBSymbol);
  UpDownLength = Counter(kCommentLengthRange, PanelCommentForm);
  auto* labelLength = new QLabel("Length:", PanelCommentForm);
  labelLength->setBuddy(UpDownLength);
  CBCIndent = new QCheckBox("Indent", PanelCommentForm);
  auto* formLayout = new QGridLayout(PanelCommentForm);
  formLayout->addWidget(CBCounter, 0, 0);
  formLayout->addWidget(CBCIndent, 1, 0);
  formLayout->addWidget(labelSymbol, 0, 1);
  formLayout->addWidget(CBSymbol, 0, 2);
  formLayout->addWidget(labelLength, 1, 1);
  formLayout->addWidget(UpDownLength, 1, 2);
  auto* commentLayout = new QHBoxLayout(commentGroup);
  commentLayout->addWidget(PanelSComment, 1);
  commentLayout->addWidget(PanelEComment, 1);
  commentLayout->addWidget(PanelCommentForm);

  // "Clean tag inside" is carried along with the entry but has no effect: not shown.
  CBClean = new QCheckBox("Clean tag inside", page);
  CBClean->hide();

  auto* gridButtons = new QHBoxLayout;
  gridButtons->addWidget(BAddTag);
  gridButtons->addWidget(BDelTag);
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
  for (QRadioButton* button : {RBAlone, RBAsText}) {
    connect(button, &QRadioButton::toggled, this, [this](bool on) {
      if (on) OnTagChange();
    });
  }
  for (QSpinBox* box :
       {UpDownBefore, UpDownAfter, UpDownLength, UpDownSelfIndent, UpDownContentIndent}) {
    connect(box, &QSpinBox::valueChanged, this, &TFormOptions::OnTagChange);
  }
  for (QCheckBox* box : {CBSComment, CBEComment, CBCounter, CBCIndent, CBClean}) {
    connect(box, &QCheckBox::toggled, this, &TFormOptions::OnTagChange);
  }
  for (QLineEdit* edit : {EditScomment, EditEComment}) {
    connect(edit, &QLineEdit::textEdited, this, &TFormOptions::OnTagChange);
  }
  connect(CBSymbol, &QComboBox::activated, this, &TFormOptions::OnTagChange);
  connect(BAddTag, &QPushButton::clicked, this, &TFormOptions::BAddTagClick);
  connect(BDelTag, &QPushButton::clicked, this, &TFormOptions::BDelTagClick);
  return page;
}

QWidget* TFormOptions::BuildDocumentationPage() {
  QWidget* page = PagePanel();
  CBUser = new QCheckBox("Include User Info:", page);
  EditUserInfo = new QLineEdit(page);
  EditUserInfo->setMaxLength(kUserInfoWidth);
  CBDate = new QCheckBox("Include System Date", page);
  CBTime = new QCheckBox("Include System Time", page);
  CBStyle = new QCheckBox("Include Style Name", page);
  CBVersion = new QCheckBox("Include Tessel HTML Version Info", page);
  auto* labelWhere = new QLabel("Insert this line in:", page);
  CBUseWhileFormat = new QCheckBox("Formatted Files", page);
  CBUseWhileCompress = new QCheckBox("Compressed Files", page);
  EditDokuPrev = new QLineEdit(page);
  EditDokuPrev->setReadOnly(true);
  EditDokuPrev->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  auto* layout = new QGridLayout(page);
  auto* userRow = new QHBoxLayout;
  userRow->addWidget(CBUser);
  userRow->addWidget(EditUserInfo, 1);
  layout->addLayout(userRow, 0, 0);
  layout->addWidget(CBDate, 1, 0);
  layout->addWidget(CBTime, 2, 0);
  layout->addWidget(CBStyle, 3, 0);
  layout->addWidget(CBVersion, 4, 0);
  layout->addWidget(labelWhere, 0, 2);
  layout->addWidget(CBUseWhileFormat, 1, 2);
  layout->addWidget(CBUseWhileCompress, 2, 2);
  layout->addWidget(EditDokuPrev, 5, 0, 1, 4);
  layout->setColumnMinimumWidth(1, 24);
  layout->setColumnStretch(0, 1);
  layout->setColumnStretch(3, 1);
  layout->setRowStretch(6, 1);

  for (QCheckBox* box :
       {CBUser, CBDate, CBTime, CBStyle, CBVersion, CBUseWhileFormat, CBUseWhileCompress}) {
    connect(box, &QCheckBox::toggled, this, &TFormOptions::OnDokuChange);
  }
  connect(EditUserInfo, &QLineEdit::textEdited, this, &TFormOptions::OnDokuChange);
  return page;
}

QWidget* TFormOptions::BuildTrimPage() {
  QWidget* page = PagePanel();
  CLTrim = new ColumnList(6, page);
  auto* label = new QLabel("Select tags to trim:", page);
  label->setBuddy(CLTrim);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(label);
  layout->addWidget(CLTrim, 1);
  return page;
}

// ---------------------------------------------------------------------------------------
// Opening

void TFormOptions::showEvent(QShowEvent* event) {
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
  QDialog::showEvent(event);
}

bool TFormOptions::eventFilter(QObject* watched, QEvent* event) {
  // The memo would take Esc for itself; in this dialog Esc closes, from anywhere.
  if (watched == MemoPreview && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    reject();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TFormOptions::FormShow() {
  InitPreviewCombo();
  ReloadActiveStyle();  // the dialog always starts from the style as stored
  ComboStyle->clear();
  for (const std::string& name : session_.Styles().StyleList()) ComboStyle->addItem(PathToQ(name));
  SetStyle(session_.ActiveStyle().Options.StyleName);
  CLTrim->clear();
  for (const TrimEntry& entry : session_.TrimList()) {
    auto* item = new QListWidgetItem(ToQ(entry.Tag), CLTrim);
    item->setData(Qt::UserRole, QByteArray::fromStdString(entry.Tag));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(entry.Selected ? Qt::Checked : Qt::Unchecked);
  }
  TabSet1->setCurrentIndex(GeneralPage);
}

// ---------------------------------------------------------------------------------------
// The preview

void TFormOptions::InitPreviewCombo() {
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
  ComboPreview->clear();
  for (const std::string& name : names) ComboPreview->addItem(PathToQ(name));
  if (!names.empty()) {
    previewFile_ = previewDir_ + names.front();
    ComboPreview->setCurrentIndex(0);
    if (LoadPreviewMemo(nullptr)) {
      for (QWidget* w :
           std::initializer_list<QWidget*>{BReload, BpreviewF, BPreviewC, ComboPreview})
        w->setEnabled(true);
      return;
    }
  }
  NoPreviewFile();
}

void TFormOptions::NoPreviewFile() {
  previewFile_.clear();
  ShowInMemo("");
  ComboPreview->clear();
  ComboPreview->addItem(ToQ(kNoPreviewFile));
  for (QWidget* w : std::initializer_list<QWidget*>{BReload, BpreviewF, BPreviewC, ComboPreview})
    w->setEnabled(false);
}

bool TFormOptions::LoadPreviewMemo(std::string* err) {
  std::string bytes;
  if (previewFile_.empty() || !ReadWholeFile(previewFile_, bytes, err)) return false;
  NormalizeLineEndsInPlace(bytes, nullptr);
  ShowInMemo(std::move(bytes));
  return true;
}

void TFormOptions::ShowInMemo(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  // Pages that are no UTF-8 are taken as Windows-1252, as the editor takes them.
  if (!IsValidUtf8(text)) text = Windows1252ToUtf8(text);
  MemoPreview->SetDocument(EditorText{std::move(text), TextEncoding::Utf8});
}

void TFormOptions::ComboPreviewChange(int index) {
  if (index < 0 || previewFile_.empty()) return;
  previewFile_ = previewDir_ + PathFromQ(ComboPreview->itemText(index));
  BReloadClick();
}

void TFormOptions::BReloadClick() {
  std::string err;
  if (!previewFile_.empty() && !LoadPreviewMemo(&err)) ShowError(err);
}

void TFormOptions::ManipulatePreviewFile(EngineMode mode) {
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

void TFormOptions::SetStyle(const std::string& name) {
  {
    Updating updating(controlsUpdating_);
    int index = -1;
    for (int i = 0; i < ComboStyle->count(); ++i) {
      if (EqualsNoCase(PathFromQ(ComboStyle->itemText(i)), name)) {
        index = i;
        break;
      }
    }
    ComboStyle->setCurrentIndex(index);
  }
  InitPage0();
  styleModified_ = false;
}

void TFormOptions::InitPage0() {
  Updating updating(controlsUpdating_);
  const StyleOptions& o = session_.ActiveStyle().Options;
  const ProgramSettings& s = session_.Settings();
  EditDescr->setText(ToQ(o.StyleDescription));
  EditDescr->setCursorPosition(0);

  CBValidate->setChecked(s.DoValidate);
  EditBack->setText(PathToQ(s.BackupExt));
  CBPurgeComm->setChecked(o.DoPurgeComments);
  CBBreakExcluder->setChecked(NoBreakInsideTags(o.BreakExcluder));
  CBSyntax->setChecked(s.DoColorTags);
  CBWallPaper->setChecked(s.DoLoadWallPapers);
  CBDisableComm->setChecked(o.DoDisableComments);
  RBUpper->setChecked(o.TagCase == 1);
  RBLower->setChecked(o.TagCase == 2);
  RBLeave->setChecked(o.TagCase == 3);
  UpDown2->setValue(o.LineSize);
  UpDown1->setValue(o.Spacing);

  CBUser->setChecked(o.DoIncludeUser);
  EditUserInfo->setText(ToQ(o.UserInfo));
  CBDate->setChecked(o.DoIncludeDate);
  CBTime->setChecked(o.DoIncludeTime);
  CBStyle->setChecked(o.DoIncludeStyle);
  CBVersion->setChecked(o.DoIncludeVersion);
  CBUseWhileFormat->setChecked(o.UseWhileFormat);
  CBUseWhileCompress->setChecked(o.UseWhileCompress);
  ShowDocLine();

  SetPanelColors();
  FillTagGrid();
  ShowSelectedTagProps(1);
  selectedTagRow_ = 1;
  SelectGridRow(1);
  SetPanelStatus();
}

void TFormOptions::FillTagGrid() {
  Updating updating(controlsUpdating_);
  const int count = session_.ActiveStyle().Tags.TagCount;
  TagGrid->setRowCount(count);
  for (int row = 1; row <= count; ++row) SetGridRow(row);
  // Without a tag there is nothing the tag controls could edit.
  for (QWidget* w : std::initializer_list<QWidget*>{
           RBAlone->parentWidget(), PanelBefore->parentWidget(), PanelSelfIndent->parentWidget(),
           PanelSComment->parentWidget(), BDelTag}) {
    w->setEnabled(count > 0);
  }
}

void TFormOptions::SetGridRow(int row) {
  const TagGridRow cells = SetCharInLineRow(session_.ActiveStyle().Tags.Entry(row));
  for (int column = 0; column < int(cells.size()); ++column) {
    QTableWidgetItem* item = TagGrid->item(row - 1, column);
    if (!item) {
      item = new QTableWidgetItem;
      TagGrid->setItem(row - 1, column, item);
    }
    item->setText(ToQ(cells[size_t(column)]));
  }
}

void TFormOptions::SelectGridRow(int row) {
  Updating updating(controlsUpdating_);
  if (row >= 1 && row <= TagGrid->rowCount()) TagGrid->setCurrentCell(row - 1, 0);
}

// ---------------------------------------------------------------------------------------
// General and Documentation pages

void TFormOptions::OnGeneralChange() {
  if (controlsUpdating_) return;
  StoreGeneralProps();
  SetPanelColors();
}

void TFormOptions::StoreGeneralProps() {
  if (controlsUpdating_) return;
  StyleOptions& o = session_.ActiveStyle().Options;
  ProgramSettings& s = session_.Settings();
  s.DoValidate = CBValidate->isChecked();
  s.BackupExt = StoredBackupExt(NormalizeBackupExt(PathFromQ(EditBack->text())));
  o.DoPurgeComments = CBPurgeComm->isChecked();
  s.DoColorTags = CBSyntax->isChecked();
  s.DoLoadWallPapers = CBWallPaper->isChecked();
  o.DoDisableComments = CBDisableComm->isChecked();
  o.TagCase =
      TagCaseFor(RBUpper->isChecked(), RBLower->isChecked(), RBLeave->isChecked(), o.TagCase);
  o.BreakExcluder = BreakExcluderFor(CBBreakExcluder->isChecked());
  o.LineSize = UpDown2->value();
  o.Spacing = UpDown1->value();
  SyncRunState();  // the program settings take effect at once, for the next run as well
  styleModified_ = true;
}

void TFormOptions::SyncRunState() {
  const ProgramSettings& s = session_.Settings();
  RunState& state = session_.State();
  state.BackupExt = s.BackupExt;
  state.DoValidate = s.DoValidate;
  state.DoCreateBackUps = s.DoCreateBackUps;
}

void TFormOptions::done(int result) {
  SyncRunState();
  QDialog::done(result);
}

void TFormOptions::EditBackExit() {
  if (controlsUpdating_) return;
  const QString typed = EditBack->text();
  const QString cleaned = PathToQ(NormalizeBackupExt(PathFromQ(typed)));
  if (cleaned == typed) return;
  {
    Updating updating(controlsUpdating_);
    EditBack->setText(cleaned);
  }
  StoreGeneralProps();
}

void TFormOptions::EditDescrChange() {
  if (controlsUpdating_) return;
  session_.ActiveStyle().Options.StyleDescription = EditDescr->text().toStdString();
  styleModified_ = true;
}

void TFormOptions::OnDokuChange() {
  if (controlsUpdating_) return;
  StoreDokuProps();
  ShowDocLine();
}

void TFormOptions::StoreDokuProps() {
  StyleOptions& o = session_.ActiveStyle().Options;
  o.DoIncludeUser = CBUser->isChecked();
  o.UserInfo = UserInfoFromField(EditUserInfo->text().toStdString());
  o.DoIncludeDate = CBDate->isChecked();
  o.DoIncludeTime = CBTime->isChecked();
  o.DoIncludeStyle = CBStyle->isChecked();
  o.DoIncludeVersion = CBVersion->isChecked();
  o.UseWhileFormat = CBUseWhileFormat->isChecked();
  o.UseWhileCompress = CBUseWhileCompress->isChecked();
  styleModified_ = true;
}

void TFormOptions::ShowDocLine() {
  EditDokuPrev->setText(ToQ(BuildDocLine(session_.ActiveStyle().Options, CurrentDocDateTime())));
  EditDokuPrev->setCursorPosition(0);
}

// ---------------------------------------------------------------------------------------
// Tags page

void TFormOptions::StoreTagProps(int row) {
  TagTable& tags = session_.ActiveStyle().Tags;
  if (row < 1 || row > tags.TagCount) return;
  TagEntry& e = tags.Entry(row);
  e.TreatAsText = RBAsText->isChecked();
  e.isSelfIndent = UpDownSelfIndent->value();
  e.isContentIndent = UpDownContentIndent->value();
  e.DoGenerateSComment = CBSComment->isChecked();
  e.DoGenerateEComment = CBEComment->isChecked();
  e.StartComment = EditScomment->text().toStdString();
  e.EndComment = EditEComment->text().toStdString();
  e.CommentLength = UpDownLength->value();
  e.CommentSymbol = CBSymbol->currentText().toStdString();
  e.Cindent = CBCIndent->isChecked();
  e.EnableCounter = CBCounter->isChecked();
  e.CleanInside = CBClean->isChecked();
  CutTagFields(e);
  // A tag just made Stand Alone gets at least one line break each side, in the counters too.
  SetLineBreakMinimum(SetUpDownMinMax(e));
  e.CRLFLeading = UpDownBefore->value();
  e.CRLFFollowed = UpDownAfter->value();
}

void TFormOptions::ShowSelectedTagProps(int row) {
  Updating updating(controlsUpdating_);
  TagTable& tags = session_.ActiveStyle().Tags;
  TagEntry& e = tags.Entry(std::clamp(row, 1, kMaxTags));
  SetLineBreakMinimum(SetUpDownMinMax(e));
  RBAlone->setChecked(!e.TreatAsText);
  RBAsText->setChecked(e.TreatAsText);
  UpDownBefore->setValue(e.CRLFLeading);
  UpDownAfter->setValue(e.CRLFFollowed);
  UpDownSelfIndent->setValue(e.isSelfIndent);
  UpDownContentIndent->setValue(e.isContentIndent);
  CBSComment->setChecked(e.DoGenerateSComment);
  CBEComment->setChecked(e.DoGenerateEComment);
  EditScomment->setText(ToQ(e.StartComment));
  EditEComment->setText(ToQ(e.EndComment));
  UpDownLength->setValue(e.CommentLength);
  CBSymbol->setCurrentIndex(std::max(0, CBSymbol->findText(ToQ(e.CommentSymbol))));
  CBCIndent->setChecked(e.Cindent);
  CBCounter->setChecked(e.EnableCounter);
  CBClean->setChecked(e.CleanInside);
}

void TFormOptions::SetLineBreakMinimum(int minimum) {
  Updating updating(controlsUpdating_);
  UpDownBefore->setMinimum(minimum);
  UpDownAfter->setMinimum(minimum);
}

void TFormOptions::TagGridClick(int row) {
  Updating updating(controlsUpdating_);
  StoreTagProps(selectedTagRow_);
  ShowSelectedTagProps(row);
  selectedTagRow_ = row;
  SetPanelStatus();
}

void TFormOptions::OnTagChange() {
  if (controlsUpdating_) return;
  StoreTagProps(selectedTagRow_);
  if (selectedTagRow_ <= session_.ActiveStyle().Tags.TagCount) SetGridRow(selectedTagRow_);
  SetPanelStatus();
  styleModified_ = true;
}

void TFormOptions::SetPanelStatus() {
  const TagEntry& e = session_.ActiveStyle().Tags.Entry(std::clamp(selectedTagRow_, 1, kMaxTags));
  const TagEmphasis emphasis = tessel::SetPanelStatus(e);
  SetMarked(RBAlone, emphasis.AloneMarked);
  SetMarked(RBAsText, emphasis.AsTextMarked);
  SetItalic(PanelSelfIndent, emphasis.IndentItalic);
  SetItalic(PanelContentIndent, emphasis.IndentItalic);
  SetItalic(PanelSComment, emphasis.StartCommentItalic);
  SetItalic(PanelEComment, emphasis.EndCommentItalic);
  SetItalic(PanelBefore, emphasis.BeforeItalic);
  SetItalic(PanelAfter, emphasis.AfterItalic);
}

void TFormOptions::SetPanelColors() {
  const PanelTints tints = tessel::SetPanelColors(session_.ActiveStyle().Options);
  for (QWidget* panel : {PanelDisableComm, PanelSComment, PanelEComment, PanelCommentForm})
    Tint(panel, tints.Comments);
  for (QWidget* panel : {PanelIndent, PanelSelfIndent, PanelContentIndent})
    Tint(panel, tints.Indent);
  for (QWidget* panel : {PanelBefore, PanelAfter}) Tint(panel, false);
}

void TFormOptions::PageChanged(int page) {
  if (page != TagsPage) return;
  TagGrid->setFocus();
  TagGridClick(std::max(1, TagGrid->currentRow() + 1));
}

// ---------------------------------------------------------------------------------------
// Styles and tags

bool TFormOptions::LoadStyleNamed(const std::string& name) {
  StyleError err;
  if (!session_.LoadStyle(&name, &err)) {
    ShowError(err.Text);
    return false;
  }
  // The style chosen here stays the active one, for the next start as well.
  session_.Settings().StyleName = session_.ActiveStyle().Options.StyleName;
  return true;
}

bool TFormOptions::ReloadActiveStyle() {
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

bool TFormOptions::WriteStyle(const fs::path& dir) {
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

void TFormOptions::ShowError(const std::string& text) {
  dialogs_.Message(this, MessageKind::Error, text);
}

void TFormOptions::ComboStyleChange(int index) {
  if (index < 0) return;
  const std::string chosen = PathFromQ(ComboStyle->itemText(index));
  const std::string current = session_.ActiveStyle().Options.StyleName;
  if (chosen == current) return;
  const Answer answer =
      styleModified_ ? dialogs_.YesNoCancel(this, SaveChangesQuestion(current)) : Answer::No;
  const bool save = answer == Answer::Yes;
  if (answer == Answer::Cancel || (save && !WriteStyle(session_.Styles().ActiveStylePath())) ||
      !LoadStyleNamed(chosen)) {
    // The edits stay, and so does the style they belong to.
    const bool modified = styleModified_;
    SetStyle(current);
    styleModified_ = modified;
    return;
  }
  SetStyle(session_.ActiveStyle().Options.StyleName);
}

void TFormOptions::BSaveNewStyleClick() {
  TFormNewStyle dialog(session_.Styles().StyleList(), skin_, this);
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
    ComboStyle->clear();
    for (const std::string& style : session_.Styles().StyleList())
      ComboStyle->addItem(PathToQ(style));
  }
  SetStyle(session_.ActiveStyle().Options.StyleName);
}

void TFormOptions::BAddTagClick() {
  Style& style = session_.ActiveStyle();
  TFormAddTag dialog(style, dialogs_, skin_, this);
  if (RunNested(dialog) != QDialog::Accepted) return;
  const int added = style.Tags.TagCount;
  if (!WriteStyle(session_.Styles().ActiveStylePath())) {
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

void TFormOptions::BDelTagClick() {
  TagTable& tags = session_.ActiveStyle().Tags;
  const int row = TagGrid->currentRow() + 1;
  if (row < 1 || row > tags.TagCount) return;
  const TagEntry entry = tags.Entry(row);
  if (!dialogs_.YesNo(this, RemoveTagQuestion(entry))) return;
  std::string err;
  if (!EraseTagSection(session_.Styles().ActiveStylePath(), entry.TagName, &err)) {
    ShowError("The tag could not be removed from " +
              QuotedPath(FindNameNoCase(session_.Styles().ActiveStylePath(), kTagFileName)) +
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
  SetPanelStatus();
}

void TFormOptions::BOKClick() {
  if (!WriteStyle(session_.Styles().ActiveStylePath())) return;
  TrimTagList& list = session_.TrimList();
  list.clear();
  for (int i = 0; i < CLTrim->count(); ++i) {
    const QListWidgetItem* item = CLTrim->item(i);
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

void TFormOptions::BCancelClick() {
  std::string err;
  if (!session_.ReadTrimList(&err)) ShowError(err);
  reject();
}

}  // namespace tessel::gui
