#include "gui/newstyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialog_parts.h"
#include "gui/gui_text.h"
#include "gui/skin.h"
#include "styles/options_rules.h"

namespace tessel::gui {

TFormNewStyle::TFormNewStyle(const std::vector<std::string>& styles, const Skin& skin,
                             QWidget* parent)
    : QDialog(parent), styles_(styles) {
  setWindowTitle("Save new style");
  ApplyDialogBackground(*this, skin);

  LBExist = new QListWidget(this);
  LBExist->setSelectionMode(QAbstractItemView::NoSelection);
  LBExist->setFocusPolicy(Qt::NoFocus);  // for reading only: the name is typed below
  for (const std::string& name : styles_) LBExist->addItem(PathToQ(name));
  EditStyle = new QLineEdit(this);
  auto* labelExist = new QLabel("Existing styles:", this);
  auto* labelNew = new QLabel("New Style Name:", this);
  labelNew->setBuddy(EditStyle);

  const OkCancel buttons = MakeOkCancel(*this);
  BOK = buttons.Ok;
  BCancel = buttons.Cancel;
  connect(EditStyle, &QLineEdit::textChanged, this, &TFormNewStyle::EditStyleChange);
  connect(BOK, &QPushButton::clicked, this, [this] {
    EditStyleChange();
    if (!newStyleName_.empty()) accept();
  });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(labelExist);
  layout->addWidget(LBExist, 1);
  layout->addWidget(labelNew);
  layout->addWidget(EditStyle);
  layout->addLayout(buttons.Row());
  resize(340, 320);

  EditStyle->clear();
  EditStyleChange();
  EditStyle->setFocus();
}

void TFormNewStyle::EditStyleChange() {
  newStyleName_ = CheckNewStyle(PathFromQ(EditStyle->text()), styles_);
  BOK->setEnabled(!newStyleName_.empty());
}

}  // namespace tessel::gui
