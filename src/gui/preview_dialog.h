// The preview of a run, opened from the confirmation: the files the run would change (and
// those it could not read), found off the window's thread while the list fills; for the
// file selected its differences, unified or side by side; and a tick for each file, which
// the user clears to leave the file out of the run. It writes nothing.
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "window_model/preview_model.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QsciScintilla;
class QStackedWidget;

namespace tessel::gui {

struct Skin;

class PreviewDialog : public QDialog {
  Q_OBJECT
 public:
  /// Makes a preview of the run, one for each thread that uses it; null, with *err, when
  /// the run's style cannot be read.
  using PreviewMaker = std::function<std::unique_ptr<ChangePreview>(std::string* err)>;

  PreviewDialog(const Skin& skin, QWidget* parent = nullptr);
  ~PreviewDialog() override;

  /// Shows the preview of `files` modally; `caption` names the run. The files in
  /// `leftOut` start unticked, and `leftOut` is what the user left out when the dialog
  /// closes. With `choosing` false the files have no ticks. False, with *err, when no
  /// preview can be made; nothing is shown then.
  bool Show(const std::string& caption, const PreviewMaker& make,
            const std::vector<PreviewTarget>& files, bool choosing, std::set<std::string>& leftOut,
            std::string* err);

  QLabel* Summary = nullptr;
  QListWidget* Files = nullptr;
  QStackedWidget* Views = nullptr;
  QsciScintilla* Unified = nullptr;
  QsciScintilla* Before = nullptr;
  QsciScintilla* After = nullptr;
  QCheckBox* SideBySide = nullptr;  // "Side by side" (Alt+S)
  QPushButton* KeepAllButton = nullptr;
  QPushButton* LeaveAllOutButton = nullptr;
  QPushButton* StopButton = nullptr;
  QPushButton* CloseButton = nullptr;

 signals:
  /// Every file was looked at, or the user stopped the preview.
  void Listed();
  /// The differences of the selected file are shown.
  void DiffShown();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Poll();
  void AddRows(std::vector<PreviewEntry> entries);
  void ShowSummary();
  void ShowSelected();
  void ShowDiff(const std::string& diff);
  void Ticked(QListWidgetItem* item);
  void TickAll(bool keep);

  bool choosing_ = true;
  std::set<std::string> leftOut_;
  std::vector<PreviewEntry> entries_;
  PreviewProgress last_;
  std::unique_ptr<ChangePreview> differ_;  // the selected file's differences, on this thread
  std::string diff_;                       // of the selected file
  QTimer poll_;
  std::unique_ptr<PreviewWork> work_;  // last: stopped and waited for first
};

}  // namespace tessel::gui
