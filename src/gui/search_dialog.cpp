#include "gui/search_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessel::gui {

ReplaceDialog::ReplaceDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Search & Replace"));
  setModal(false);
  EditFind = new QLineEdit(this);
  EditReplace = new QLineEdit(this);
  CBWholeWord = new QCheckBox(QStringLiteral("Match whole word only"), this);
  CBMatchCase = new QCheckBox(QStringLiteral("Match case"), this);
  BFindNext = new QPushButton(QStringLiteral("Find Next"), this);
  BReplace = new QPushButton(QStringLiteral("Replace"), this);
  BReplaceAll = new QPushButton(QStringLiteral("Replace All"), this);
  BClose = new QPushButton(QStringLiteral("Close"), this);
  BFindNext->setDefault(true);

  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel(QStringLiteral("Find what:"), this), 0, 0);
  fields->addWidget(EditFind, 0, 1);
  fields->addWidget(new QLabel(QStringLiteral("Replace with:"), this), 1, 0);
  fields->addWidget(EditReplace, 1, 1);
  fields->addWidget(CBWholeWord, 2, 1);
  fields->addWidget(CBMatchCase, 3, 1);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {BFindNext, BReplace, BReplaceAll, BClose}) buttons->addWidget(b);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(fields, 1);
  layout->addLayout(buttons);
  EditFind->setMinimumWidth(260);

  connect(BFindNext, &QPushButton::clicked, this, [this] { emit Search(false, false); });
  connect(BReplace, &QPushButton::clicked, this, [this] { emit Search(true, false); });
  connect(BReplaceAll, &QPushButton::clicked, this, [this] { emit Search(true, true); });
  connect(BClose, &QPushButton::clicked, this, &QDialog::close);
  connect(EditFind, &QLineEdit::textChanged, this, &ReplaceDialog::UpdateButtons);
  UpdateButtons();
}

void ReplaceDialog::Open(const QString& find, const QString& replace) {
  EditFind->setText(find);
  EditReplace->setText(replace);
  UpdateButtons();
  show();
  raise();
  activateWindow();
  EditFind->setFocus();
  EditFind->selectAll();
}

QString ReplaceDialog::FindText() const { return EditFind->text(); }
QString ReplaceDialog::ReplaceText() const { return EditReplace->text(); }

SearchOptions ReplaceDialog::Options() const {
  return SearchOptions{CBWholeWord->isChecked(), CBMatchCase->isChecked()};
}

void ReplaceDialog::UpdateButtons() {
  // Nothing to look for: an empty find text would match everywhere at once.
  const bool any = !EditFind->text().isEmpty();
  for (QPushButton* b : {BFindNext, BReplace, BReplaceAll}) b->setEnabled(any);
}

}  // namespace tessel::gui
