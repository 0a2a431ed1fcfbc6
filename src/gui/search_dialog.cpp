#include "gui/search_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessel::gui {

SearchDialog::SearchDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Search & Replace"));
  setModal(false);
  FindField = new QLineEdit(this);
  ReplaceField = new QLineEdit(this);
  WholeWordBox = new QCheckBox(QStringLiteral("Match whole word only"), this);
  MatchCaseBox = new QCheckBox(QStringLiteral("Match case"), this);
  FindNextButton = new QPushButton(QStringLiteral("Find Next"), this);
  ReplaceButton = new QPushButton(QStringLiteral("Replace"), this);
  ReplaceAllButton = new QPushButton(QStringLiteral("Replace All"), this);
  CloseButton = new QPushButton(QStringLiteral("Close"), this);
  FindNextButton->setDefault(true);

  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel(QStringLiteral("Find what:"), this), 0, 0);
  fields->addWidget(FindField, 0, 1);
  fields->addWidget(new QLabel(QStringLiteral("Replace with:"), this), 1, 0);
  fields->addWidget(ReplaceField, 1, 1);
  fields->addWidget(WholeWordBox, 2, 1);
  fields->addWidget(MatchCaseBox, 3, 1);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {FindNextButton, ReplaceButton, ReplaceAllButton, CloseButton}) buttons->addWidget(b);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(fields, 1);
  layout->addLayout(buttons);
  FindField->setMinimumWidth(260);

  connect(FindNextButton, &QPushButton::clicked, this, [this] { emit Search(false, false); });
  connect(ReplaceButton, &QPushButton::clicked, this, [this] { emit Search(true, false); });
  connect(ReplaceAllButton, &QPushButton::clicked, this, [this] { emit Search(true, true); });
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);
  connect(FindField, &QLineEdit::textChanged, this, &SearchDialog::UpdateButtons);
  UpdateButtons();
}

void SearchDialog::Open(const QString& find, const QString& replace) {
  FindField->setText(find);
  ReplaceField->setText(replace);
  UpdateButtons();
  show();
  raise();
  activateWindow();
  FindField->setFocus();
  FindField->selectAll();
}

QString SearchDialog::FindText() const { return FindField->text(); }
QString SearchDialog::ReplaceText() const { return ReplaceField->text(); }

SearchOptions SearchDialog::Options() const {
  return SearchOptions{WholeWordBox->isChecked(), MatchCaseBox->isChecked()};
}

void SearchDialog::UpdateButtons() {
  // Nothing to look for: an empty find text would match everywhere at once.
  const bool any = !FindField->text().isEmpty();
  for (QPushButton* b : {FindNextButton, ReplaceButton, ReplaceAllButton}) b->setEnabled(any);
}

}  // namespace tessel::gui
