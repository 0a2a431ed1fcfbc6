// The options dialog, "Format & Compress Options": edits the active style in place (general
// options, tag rules, documentation line), chooses another style, saves the settings as a
// new style, adds and removes tag rules, chooses the trim list and holds four program
// settings. A sample page is shown unchanged, formatted or compressed with the settings as
// they stand, before anything is saved.
#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>
#include <string>

#include "gui/editor_view.h"
#include "engine/engine.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QsciScintilla;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;

namespace tessel {
class Session;
struct TagEntry;
}  // namespace tessel

namespace tessel::gui {

struct Skin;
class UserDialogs;

class OptionsDialog : public QDialog {
  Q_OBJECT
 public:
  /// Placed over `mainWindow` (4 pixels in from its left, 25 down, 8 narrower, 30 lower).
  /// Opening loads the active style afresh from its files.
  OptionsDialog(Session& session, UserDialogs& dialogs, const Skin& skin, QWidget* mainWindow);

  /// How the new-style and add-tag dialogs are shown: modally, unless a test answers them.
  std::function<int(QDialog&)> RunNested;

  /// Something on the General, Tags or Documentation page (or the description) was changed
  /// since the style was last shown: choosing another style asks to save first.
  bool StyleModified() const { return styleModified_; }
  /// The controls are being filled from the style: change handlers do nothing.
  bool ControlsUpdating() const { return controlsUpdating_; }
  /// The grid row (1-based, the tag's place in the table) the tag controls show.
  int SelectedTagRow() const { return selectedTagRow_; }
  /// The sample page shown; empty when there is none.
  const std::string& PreviewFile() const { return previewFile_; }

  // Buttons and choices, as a click calls them.
  void ChoosePreview(int index);
  void ReloadPreview();
  void PreviewFormatted() { ManipulatePreviewFile(EngineMode::Format); }
  void PreviewCompressed() { ManipulatePreviewFile(EngineMode::Compress); }
  void ChooseStyle(int index);
  void SaveAsNewStyle();
  void AddTag();
  void RemoveTag();
  void AcceptChanges();
  void DiscardChanges();
  /// However the dialog closes, the run state follows the program settings it holds.
  void done(int result) override;

  // Top bar, preview and buttons.
  QComboBox* PreviewChoice = nullptr;
  QComboBox* StyleChoice = nullptr;
  QLineEdit* DescriptionField = nullptr;
  EditorView* Preview = nullptr;  // read-only; fills a large page at once
  QTabWidget* Pages = nullptr;
  QPushButton *OkButton, *CancelButton, *SaveNewStyleButton, *ReloadButton, *PreviewFormattedButton, *PreviewCompressedButton;

  // General page. A counter and its edit field are one spin box.
  QCheckBox *ValidateBox, *PurgeCommentsBox, *NoBreakInTagsBox, *ColouringBox, *WallpapersBox, *DisableCommentsBox;
  QLineEdit* BackupExtField = nullptr;
  QRadioButton *UpperCaseButton, *LowerCaseButton, *PreserveCaseButton;
  QSpinBox* LineSizeCounter = nullptr;  // EditLineSize
  QSpinBox* IndentCounter = nullptr;  // EditIndent
  QFrame *DisableCommentsPanel, *IndentPanel;

  // Tags page.
  QTableWidget* TagGrid = nullptr;
  QRadioButton *StandAloneButton, *AsTextButton;
  QSpinBox* BreaksBeforeCounter = nullptr;  // EditLinesAtOpen
  QSpinBox* BreaksAfterCounter = nullptr;   // EditLinesAtClose
  QCheckBox *StartCommentBox, *EndCommentBox, *CounterBox, *CommentIndentBox, *CleanInsideBox;
  QLineEdit *StartCommentField, *EndCommentField;
  QComboBox* SymbolChoice = nullptr;
  QSpinBox* CommentLengthCounter = nullptr;         // EditCLength
  QSpinBox* SelfIndentCounter = nullptr;     // EditSi
  QSpinBox* ContentIndentCounter = nullptr;  // EditCi
  QPushButton *AddTagButton, *RemoveTagButton;
  QFrame *BreaksBeforePanel, *BreaksAfterPanel, *StartCommentPanel, *EndCommentPanel, *CommentFormPanel,
      *SelfIndentPanel, *ContentIndentPanel;

  // Documentation page.
  QCheckBox *UserBox, *DateBox, *TimeBox, *StyleNameBox, *VersionBox, *InFormattedBox, *InCompressedBox;
  QLineEdit* UserInfoField = nullptr;
  QLineEdit* DocLinePreview = nullptr;

  // Trim page.
  QListWidget* TrimChoice = nullptr;

  enum Page { GeneralPage, TagsPage, DocumentationPage, TrimPage };

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildGeneralPage();
  QWidget* BuildTagsPage();
  QWidget* BuildDocumentationPage();
  QWidget* BuildTrimPage();
  QWidget* PagePanel();

  void FormShow();
  void InitPreviewCombo();
  void NoPreviewFile();
  /// The sample page, unchanged, into the memo; false (with *err) when it cannot be read.
  bool LoadPreviewMemo(std::string* err);
  void ShowInMemo(std::string text);
  void ManipulatePreviewFile(EngineMode mode);

  void SetStyle(const std::string& name);
  void InitPage0();
  void FillTagGrid();
  void SetGridRow(int row);
  void SelectGridRow(int row);
  void OnGeneralChange();
  void StoreGeneralProps();
  void SyncRunState();
  void EditBackExit();
  void EditDescrChange();
  void OnDokuChange();
  void StoreDokuProps();
  void ShowDocLine();
  void StoreTagProps(int row);
  void ShowSelectedTagProps(int row);
  void SetLineBreakMinimum(int minimum);
  void TagGridClick(int row);
  void OnTagChange();
  void ShowTagEmphasis();
  void ShowPanelTints();
  void PageChanged(int page);

  bool LoadStyleNamed(const std::string& name);
  bool ReloadActiveStyle();
  /// options.ini and tag.ini into `dir`; on failure an error box names the file.
  bool WriteStyle(const std::filesystem::path& dir);
  void ShowError(const std::string& text);

  Session& session_;
  UserDialogs& dialogs_;
  const Skin& skin_;
  bool styleModified_ = false;
  bool controlsUpdating_ = false;
  int selectedTagRow_ = 1;
  std::string previewDir_;
  std::string previewFile_;
  bool shown_ = false;
};

}  // namespace tessel::gui
