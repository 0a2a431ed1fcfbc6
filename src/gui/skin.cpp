#include "gui/skin.h"

#include <QPainter>
#include <QPalette>

#include "gui/gui_text.h"
#include "styles/style_files.h"

namespace tessel::gui {
namespace {

QPixmap LoadPicture(const std::filesystem::path& dir, std::string_view name) {
  const std::filesystem::path file = FindNameNoCase(dir, name);
  return QPixmap(PathToQ(file.string()));  // null when it is missing or unreadable
}

}  // namespace

Skin Skin::Load(const std::filesystem::path& skinDir, bool enabled) {
  Skin skin;
  if (!enabled) return skin;
  skin.Status = LoadPicture(skinDir, "status.bmp");
  skin.Main = LoadPicture(skinDir, "main.bmp");
  skin.Option = LoadPicture(skinDir, "option.bmp");
  return skin;
}

PicturePanel::PicturePanel(QWidget* parent) : QFrame(parent) {}

void PicturePanel::SetPicture(const QPixmap& picture) {
  picture_ = picture;
  update();
}

void PicturePanel::paintEvent(QPaintEvent* event) {
  if (!picture_.isNull()) {
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), picture_);
  }
  QFrame::paintEvent(event);
}

void ApplyDialogBackground(QWidget& dialog, const Skin& skin) {
  if (skin.Main.isNull()) return;
  QPalette palette = dialog.palette();
  palette.setBrush(QPalette::Window, QBrush(skin.Main));
  dialog.setPalette(palette);
  dialog.setAutoFillBackground(true);
}

}  // namespace tessel::gui
