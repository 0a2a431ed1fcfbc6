#include "gui/new_style_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialog_parts.h"
#include "gui/gui_text.h"
#include "gui/skin.h"
#include "window_model/options_rules.h"

namespace tessel::gui {

NewStyleDialog::NewStyleDialog(const std::vector<std::string>& styles, const Skin& skin,
                             QWidget* parent)
    : QDialog(parent), styles_(styles) {
  setWindowTitle("Save new style");
  ApplyDialogBackground(*this, skin);

  ExistingStyles = new QListWidget(this);
  ExistingStyles->setSelectionMode(QAbstractItemView::NoSelection);
  ExistingStyles->setFocusPolicy(Qt::NoFocus);  // for reading only: the name is typed below
  for (const std::string& name : styles_) ExistingStyles->addItem(PathToQ(name));
  NameField = new QLineEdit(this);
  auto* labelExist = new QLabel("Existing styles:", this);
  auto* labelNew = new QLabel("New Style Name:", this);
  labelNew->setBuddy(NameField);

  const OkCancel buttons = MakeOkCancel(*this);
  OkButton = buttons.Ok;
  CancelButton = buttons.Cancel;
  connect(NameField, &QLineEdit::textChanged, this, &NewStyleDialog::NameChanged);
  connect(OkButton, &QPushButton::clicked, this, [this] {
    NameChanged();
    if (!newStyleName_.empty()) accept();
  });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(labelExist);
  layout->addWidget(ExistingStyles, 1);
  layout->addWidget(labelNew);
  layout->addWidget(NameField);
  layout->addLayout(buttons.Row());
  resize(340, 320);

  NameField->clear();
  NameChanged();
  NameField->setFocus();
}

void NewStyleDialog::NameChanged() {
  newStyleName_ = CheckNewStyle(PathFromQ(NameField->text()), styles_);
  OkButton->setEnabled(!newStyleName_.empty());
}

}  // namespace tessel::gui
