// The skin: pictures tiled behind the window's panels and the dialogs, when the settings
// ask for them ("Show Window Wallpapers"). A missing picture leaves a plain panel.
#pragma once

#include <QFrame>
#include <QPixmap>
#include <filesystem>

namespace tessel::gui {

struct Skin {
  QPixmap Status;  // "status.bmp": behind the status line
  QPixmap Main;    // "main.bmp": behind the button panels and every dialog
  QPixmap Option;  // "option.bmp": the options dialog

  /// The pictures of `skinDir` (names matched without regard to case); none when `enabled`
  /// is false.
  static Skin Load(const std::filesystem::path& skinDir, bool enabled);
};

/// A panel that tiles its picture behind its children.
class PicturePanel : public QFrame {
 public:
  explicit PicturePanel(QWidget* parent = nullptr);
  void SetPicture(const QPixmap& picture);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap picture_;
};

/// Gives a dialog the tiled main picture as its background (nothing when there is none).
void ApplyDialogBackground(QWidget& dialog, const Skin& skin);

}  // namespace tessel::gui
