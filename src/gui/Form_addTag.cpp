#include "gui/Form_addTag.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextOption>
#include <QVBoxLayout>
#include <iterator>

#include "gui/dialog_parts.h"
#include "gui/gui_text.h"
#include "gui/skin.h"
#include "gui/user_dialogs.h"
#include "styles/options_rules.h"

namespace tessel::gui {
namespace {

constexpr const char* kInformation[] = {
    "",
    "Please type in the pure name of your new tag, ",
    "without any arguments, blanks or slashes.",
    "",
    "Examples: <A> or <TABLE> and not e.g. <A HREF> or </TABLE>",
    "",
    "The following tags are not allowed to add, or will be overruled:",
    "<SCRIPT>,<STYLE>,<PRE>,<%...%>, <!-- ... -->, <TEXTAREA>",
    "",
    "Your new tag will be added to the current style only. ",
    "You may add up to 40 new tags.",
    "",
    "The tag will appear at the end (!) of your tag list.",
};

}  // namespace

TFormAddTag::TFormAddTag(Style& style, UserDialogs& dialogs, const Skin& skin, QWidget* parent)
    : QDialog(parent), style_(style), dialogs_(dialogs) {
  setWindowTitle(ToQ("Add new tag to style: " + style.Options.StyleName));
  ApplyDialogBackground(*this, skin);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setReadOnly(true);
  Memo1->setFocusPolicy(Qt::NoFocus);  // Enter and Esc belong to the field and the buttons
  Memo1->setUndoRedoEnabled(false);
  Memo1->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
  QStringList lines;
  for (const char* line : kInformation) lines << line;
  Memo1->setPlainText(lines.join('\n'));
  const QFontMetrics metrics = Memo1->fontMetrics();
  Memo1->setMinimumSize(metrics.horizontalAdvance(QString(kInformation[4])) + 40,
                        metrics.lineSpacing() * (int(std::size(kInformation)) + 1) + 16);

  ETag = new QLineEdit(this);
  auto* label = new QLabel("Enter new tag:", this);
  label->setBuddy(ETag);

  const OkCancel buttons = MakeOkCancel(*this, "Add tag");
  BOK = buttons.Ok;
  BCancel = buttons.Cancel;
  connect(BOK, &QPushButton::clicked, this, &TFormAddTag::BOKClick);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo1, 1);
  layout->addWidget(label);
  layout->addWidget(ETag);
  layout->addLayout(buttons.Row());
  ETag->setFocus();
}

void TFormAddTag::BOKClick() {
  const std::string tag = NormalizeNewTag(ETag->text().toStdString());
  ETag->setText(ToQ(tag));  // the user sees what was checked
  const std::string refusal = ValidateNewTag(tag, style_.Tags);
  if (!refusal.empty()) {
    dialogs_.Message(this, MessageKind::Error, refusal);
    return;
  }
  AppendNewTag(style_.Tags, tag);
  accept();
}

}  // namespace tessel::gui
