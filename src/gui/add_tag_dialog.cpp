#include "gui/add_tag_dialog.h"

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
#include "window_model/options_rules.h"

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

AddTagDialog::AddTagDialog(const Style& style, UserDialogs& dialogs, const Skin& skin,
                           QWidget* parent)
    : QDialog(parent), style_(style), dialogs_(dialogs) {
  setWindowTitle(ToQ("Add new tag to style: " + style.Options.StyleName));
  ApplyDialogBackground(*this, skin);

  Information = new QPlainTextEdit(this);
  Information->setReadOnly(true);
  Information->setFocusPolicy(Qt::NoFocus);  // Enter and Esc belong to the field and the buttons
  Information->setUndoRedoEnabled(false);
  Information->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
  QStringList lines;
  for (const char* line : kInformation) lines << line;
  Information->setPlainText(lines.join('\n'));
  const QFontMetrics metrics = Information->fontMetrics();
  Information->setMinimumSize(metrics.horizontalAdvance(QString(kInformation[4])) + 40,
                        metrics.lineSpacing() * (int(std::size(kInformation)) + 1) + 16);

  TagField = new QLineEdit(this);
  auto* label = new QLabel("Enter new tag:", this);
  label->setBuddy(TagField);

  const OkCancel buttons = MakeOkCancel(*this, "Add tag");
  AddButton = buttons.Ok;
  CancelButton = buttons.Cancel;
  connect(AddButton, &QPushButton::clicked, this, &AddTagDialog::Add);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Information, 1);
  layout->addWidget(label);
  layout->addWidget(TagField);
  layout->addLayout(buttons.Row());
  TagField->setFocus();
}

void AddTagDialog::Add() {
  const std::string tag = NormalizeNewTag(TagField->text().toStdString());
  TagField->setText(ToQ(tag));  // the user sees what was checked
  const std::string refusal = ValidateNewTag(tag, style_.Tags);
  if (!refusal.empty()) {
    dialogs_.Message(this, MessageKind::Error, refusal);
    return;
  }
  newTag_ = tag;
  accept();
}

}  // namespace tessel::gui
