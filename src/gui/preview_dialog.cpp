#include "gui/preview_dialog.h"

#include <Qsci/qsciscintilla.h>

#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "gui/dialog_parts.h"
#include "gui/gui_text.h"
#include "gui/skin.h"

namespace tessel::gui {
namespace {

constexpr int kPollMs = 100;  // the list grows ten times a second, in batches

/// A line of a diff view: its text as it is shown and its kind.
struct ViewLine {
  std::string Text;
  DiffLineKind Kind;
};

/// A read-only view of diff lines, each coloured by its kind across the whole width.
QsciScintilla* MakeDiffView(QWidget* parent) {
  auto* view = new QsciScintilla(parent);
  view->setUtf8(true);
  view->setWrapMode(QsciScintilla::WrapNone);
  view->setMarginWidth(1, 0);
  view->SendScintilla(QsciScintilla::SCI_SETMARGINLEFT, 0, 4L);
  view->SendScintilla(QsciScintilla::SCI_SETSCROLLWIDTHTRACKING, 1);
  view->SendScintilla(QsciScintilla::SCI_SETSCROLLWIDTH, 1);
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(10);
  view->SendScintilla(QsciScintilla::SCI_STYLESETFONT, QsciScintilla::STYLE_DEFAULT,
                      font.family().toUtf8().constData());
  view->SendScintilla(QsciScintilla::SCI_STYLESETSIZE, QsciScintilla::STYLE_DEFAULT, 10L);
  view->SendScintilla(QsciScintilla::SCI_STYLECLEARALL);
  struct Look {
    DiffLineKind Kind;
    long Fore, Back;  // 0xBBGGRR; Back -1: the view's own
    bool Bold, Italic;
  };
  const Look looks[] = {
      {DiffLineKind::Removed, 0x000080, 0xE0E0FF, false, false},
      {DiffLineKind::Added, 0x006000, 0xD8F5D8, false, false},
      {DiffLineKind::Hunk, 0x903000, 0xF8EEE8, false, false},
      {DiffLineKind::Header, 0x000000, -1, true, false},
      {DiffLineKind::Note, 0x606060, -1, false, true},
      {DiffLineKind::Filler, 0x000000, 0xEEEEEE, false, false},
  };
  for (const Look& look : looks) {
    const unsigned long style = static_cast<unsigned long>(look.Kind);
    view->SendScintilla(QsciScintilla::SCI_STYLESETFORE, style, look.Fore);
    if (look.Back >= 0) {
      view->SendScintilla(QsciScintilla::SCI_STYLESETBACK, style, look.Back);
      view->SendScintilla(QsciScintilla::SCI_STYLESETEOLFILLED, style, 1L);
    }
    view->SendScintilla(QsciScintilla::SCI_STYLESETBOLD, style, long(look.Bold));
    view->SendScintilla(QsciScintilla::SCI_STYLESETITALIC, style, long(look.Italic));
  }
  view->setReadOnly(true);
  return view;
}

void Fill(QsciScintilla* view, const std::vector<ViewLine>& lines) {
  std::string text, styles;
  for (const ViewLine& line : lines) {
    if (!text.empty()) {
      text += '\n';
      styles += styles.empty() ? char(DiffLineKind::Same) : styles.back();  // the line end
    }
    text += line.Text;
    styles.append(line.Text.size(), char(line.Kind));
  }
  view->setReadOnly(false);
  view->SendScintilla(QsciScintilla::SCI_SETUNDOCOLLECTION, 0L);
  view->SendScintilla(QsciScintilla::SCI_CLEARALL);
  view->SendScintilla(QsciScintilla::SCI_APPENDTEXT, static_cast<unsigned long>(text.size()),
                      text.data());
  view->SendScintilla(QsciScintilla::SCI_STARTSTYLING, 0UL, 0L);
  view->SendScintilla(QsciScintilla::SCI_SETSTYLINGEX, static_cast<uintptr_t>(styles.size()),
                      styles.data());
  view->SendScintilla(QsciScintilla::SCI_GOTOPOS, 0L);
  view->setReadOnly(true);
}

std::string Numbered(int number, const std::string& text) {
  char prefix[16];
  if (number > 0) {
    std::snprintf(prefix, sizeof prefix, "%6d  ", number);
  } else {
    std::snprintf(prefix, sizeof prefix, "%8s", "");
  }
  return prefix + text;
}

}  // namespace

PreviewDialog::PreviewDialog(const Skin& skin, QWidget* parent) : QDialog(parent) {
  ApplyDialogBackground(*this, skin);
  Summary = new QLabel(this);
  Summary->setWordWrap(true);
  Files = new QListWidget(this);
  Files->setUniformItemSizes(true);  // tens of thousands of rows lay out at once
  Files->setMinimumWidth(240);

  Unified = MakeDiffView(this);
  Before = MakeDiffView(this);
  After = MakeDiffView(this);
  auto* sides = new QSplitter(Qt::Horizontal, this);
  sides->addWidget(Before);
  sides->addWidget(After);
  // The two sides scroll together: their rows are the same lines.
  for (auto [from, to] : {std::pair{Before, After}, std::pair{After, Before}}) {
    connect(from->verticalScrollBar(), &QScrollBar::valueChanged, to->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(from->horizontalScrollBar(), &QScrollBar::valueChanged, to->horizontalScrollBar(),
            &QScrollBar::setValue);
  }
  Views = new QStackedWidget(this);
  Views->addWidget(Unified);
  Views->addWidget(sides);
  for (QsciScintilla* view : {Unified, Before, After}) {
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
  }

  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(Files);
  split->addWidget(Views);
  split->setStretchFactor(1, 3);
  split->setSizes({300, 900});

  SideBySide = new QCheckBox("&Side by side", this);
  KeepAllButton = new QPushButton("&Keep All", this);
  LeaveAllOutButton = new QPushButton("&Leave All Out", this);
  StopButton = new QPushButton("S&top", this);
  CloseButton = new QPushButton("Close", this);
  CloseButton->setAutoDefault(false);
  for (QPushButton* b : {KeepAllButton, LeaveAllOutButton, StopButton}) b->setAutoDefault(false);
  connect(SideBySide, &QCheckBox::toggled, this, [this](bool on) {
    Views->setCurrentIndex(on ? 1 : 0);
    ShowDiff(diff_);
  });
  connect(KeepAllButton, &QPushButton::clicked, this, [this] { TickAll(true); });
  connect(LeaveAllOutButton, &QPushButton::clicked, this, [this] { TickAll(false); });
  connect(StopButton, &QPushButton::clicked, this, [this] {
    if (work_) work_->Stop();
  });
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(Files, &QListWidget::currentRowChanged, this, &PreviewDialog::ShowSelected);
  connect(Files, &QListWidget::itemChanged, this, &PreviewDialog::Ticked);
  connect(&poll_, &QTimer::timeout, this, &PreviewDialog::Poll);
  poll_.setInterval(kPollMs);

  auto* row = new QHBoxLayout;
  row->addWidget(SideBySide);
  row->addSpacing(12);
  row->addWidget(KeepAllButton);
  row->addWidget(LeaveAllOutButton);
  row->addStretch(1);
  row->addWidget(StopButton);
  row->addWidget(CloseButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Summary);
  layout->addWidget(split, 1);
  layout->addLayout(row);
  resize(1100, 640);
}

PreviewDialog::~PreviewDialog() = default;

bool PreviewDialog::Show(const std::string& caption, const PreviewMaker& make,
                         const std::vector<PreviewTarget>& files, bool choosing,
                         std::set<std::string>& leftOut, std::string* err) {
  std::unique_ptr<ChangePreview> lister = make(err);
  if (!lister) return false;
  differ_ = make(err);
  if (!differ_) return false;
  setWindowTitle(ToQ("Preview of the run: " + caption));
  choosing_ = choosing;
  leftOut_ = leftOut;
  entries_.clear();
  last_ = {};
  Files->clear();
  ShowDiff("");
  for (QPushButton* b : {KeepAllButton, LeaveAllOutButton}) b->setVisible(choosing);
  StopButton->setEnabled(true);
  work_ = std::make_unique<PreviewWork>(std::move(lister), files);
  ShowSummary();
  work_->Start();
  poll_.start();
  Files->setFocus();
  exec();
  poll_.stop();
  work_->Stop();
  work_.reset();  // waits for the work
  leftOut = leftOut_;
  return true;
}

void PreviewDialog::Poll() {
  if (!work_) return;
  PreviewProgress now = work_->Take();
  AddRows(std::move(now.Entries));
  last_ = std::move(now);
  ShowSummary();
  if (!last_.Finished) return;
  poll_.stop();
  StopButton->setEnabled(false);
  emit Listed();
}

void PreviewDialog::AddRows(std::vector<PreviewEntry> entries) {
  if (entries.empty()) return;
  {
    const QSignalBlocker quiet(Files);  // a tick set here is no choice of the user's
    Files->setUpdatesEnabled(false);
    for (PreviewEntry& entry : entries) {
      const bool failed = entry.What == PreviewResult::Kind::Failed;
      auto* item =
          new QListWidgetItem(PathToQ(entry.File.Shown) + (failed ? "  (cannot be read)" : ""));
      item->setData(Qt::UserRole, int(entries_.size()));
      if (failed) item->setForeground(QColor(0x80, 0, 0));
      if (choosing_) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(leftOut_.contains(entry.File.Path) ? Qt::Unchecked : Qt::Checked);
      }
      Files->addItem(item);
      entries_.push_back(std::move(entry));
    }
    Files->setUpdatesEnabled(true);
  }
  if (Files->currentRow() < 0) Files->setCurrentRow(0);
}

void PreviewDialog::ShowSummary() {
  const size_t total = work_ ? work_->FileCount() : 0;
  Summary->setText(ToQ(PreviewSummary(last_.Counts, last_.Looked, total, last_.Finished,
                                      choosing_ ? leftOut_.size() : 0)));
}

void PreviewDialog::ShowSelected() {
  const QListWidgetItem* item = Files->currentItem();
  if (!item) return;
  const PreviewEntry& entry = entries_[size_t(item->data(Qt::UserRole).toInt())];
  std::string diff, err;
  if (entry.What == PreviewResult::Kind::Failed) {
    diff = "It cannot be read or processed: " + entry.Error + "\n";
  } else if (!differ_->Diff(entry.File, &diff, &err)) {
    diff = "It cannot be read or processed now: " + err + "\n";
  } else if (diff.empty()) {
    diff = "It would not change now.\n";  // changed on disk since it was looked at
  }
  ShowDiff(diff);
  emit DiffShown();
}

void PreviewDialog::ShowDiff(const std::string& diff) {
  diff_ = diff;
  const bool utf8 = DiffIsUtf8(diff);
  if (!SideBySide->isChecked()) {
    std::vector<ViewLine> lines;
    const std::vector<DiffLineKind> kinds = UnifiedLineKinds(diff);
    size_t start = 0;
    for (DiffLineKind kind : kinds) {
      size_t end = diff.find('\n', start);
      if (end == std::string::npos) end = diff.size();
      std::string_view line(diff.data() + start, end - start);
      if (line.ends_with('\r')) line.remove_suffix(1);
      lines.push_back({DisplayedDiffLine(line, utf8), kind});
      start = end + 1;
    }
    Fill(Unified, lines);
    return;
  }
  std::vector<ViewLine> left, right;
  for (const DiffRow& row : SideBySideRows(diff)) {
    left.push_back({Numbered(row.LeftNumber, DisplayedDiffLine(row.LeftText, utf8)), row.Left});
    right.push_back({Numbered(row.RightNumber, DisplayedDiffLine(row.RightText, utf8)), row.Right});
  }
  Fill(Before, left);
  Fill(After, right);
}

void PreviewDialog::Ticked(QListWidgetItem* item) {
  if (!choosing_) return;
  const std::string& path = entries_[size_t(item->data(Qt::UserRole).toInt())].File.Path;
  if (item->checkState() == Qt::Checked) {
    leftOut_.erase(path);
  } else {
    leftOut_.insert(path);
  }
  ShowSummary();
}

void PreviewDialog::TickAll(bool keep) {
  const QSignalBlocker quiet(Files);
  for (int r = 0; r < Files->count(); ++r) {
    QListWidgetItem* item = Files->item(r);
    item->setCheckState(keep ? Qt::Checked : Qt::Unchecked);
    const std::string& path = entries_[size_t(item->data(Qt::UserRole).toInt())].File.Path;
    if (keep) {
      leftOut_.erase(path);
    } else {
      leftOut_.insert(path);
    }
  }
  ShowSummary();
}

bool PreviewDialog::eventFilter(QObject* watched, QEvent* event) {
  // The views would take Esc for themselves; here it closes the preview, as everywhere.
  if (event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    reject();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tessel::gui
