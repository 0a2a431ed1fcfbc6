// FormOptions, "Format & Compress Options": edits the active style in place (general
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

class TFormOptions : public QDialog {
  Q_OBJECT
 public:
  /// Placed over `mainWindow` (4 pixels in from its left, 25 down, 8 narrower, 30 lower).
  /// Opening loads the active style afresh from its files.
  TFormOptions(Session& session, UserDialogs& dialogs, const Skin& skin, QWidget* mainWindow);

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
  void ComboPreviewChange(int index);
  void BReloadClick();
  void BpreviewFClick() { ManipulatePreviewFile(EngineMode::Format); }
  void BPreviewCClick() { ManipulatePreviewFile(EngineMode::Compress); }
  void ComboStyleChange(int index);
  void BSaveNewStyleClick();
  void BAddTagClick();
  void BDelTagClick();
  void BOKClick();
  void BCancelClick();
  /// However the dialog closes, the run state follows the program settings it holds.
  void done(int result) override;

  // Top bar, preview and buttons.
  QComboBox* ComboPreview = nullptr;
  QComboBox* ComboStyle = nullptr;
  QLineEdit* EditDescr = nullptr;
  EditorView* MemoPreview = nullptr;  // read-only; fills a large page at once
  QTabWidget* TabSet1 = nullptr;
  QPushButton *BOK, *BCancel, *BSaveNewStyle, *BReload, *BpreviewF, *BPreviewC;

  // General page. A counter and its edit field are one spin box.
  QCheckBox *CBValidate, *CBPurgeComm, *CBBreakExcluder, *CBSyntax, *CBWallPaper, *CBDisableComm;
  QLineEdit* EditBack = nullptr;
  QRadioButton *RBUpper, *RBLower, *RBLeave;
  QSpinBox* UpDown2 = nullptr;  // EditLineSize
  QSpinBox* UpDown1 = nullptr;  // EditIndent
  QFrame *PanelDisableComm, *PanelIndent;

  // Tags page.
  QTableWidget* TagGrid = nullptr;
  QRadioButton *RBAlone, *RBAsText;
  QSpinBox* UpDownBefore = nullptr;  // EditLinesAtOpen
  QSpinBox* UpDownAfter = nullptr;   // EditLinesAtClose
  QCheckBox *CBSComment, *CBEComment, *CBCounter, *CBCIndent, *CBClean;
  QLineEdit *EditScomment, *EditEComment;
  QComboBox* CBSymbol = nullptr;
  QSpinBox* UpDownLength = nullptr;         // EditCLength
  QSpinBox* UpDownSelfIndent = nullptr;     // EditSi
  QSpinBox* UpDownContentIndent = nullptr;  // EditCi
  QPushButton *BAddTag, *BDelTag;
  QFrame *PanelBefore, *PanelAfter, *PanelSComment, *PanelEComment, *PanelCommentForm,
      *PanelSelfIndent, *PanelContentIndent;

  // Documentation page.
  QCheckBox *CBUser, *CBDate, *CBTime, *CBStyle, *CBVersion, *CBUseWhileFormat, *CBUseWhileCompress;
  QLineEdit* EditUserInfo = nullptr;
  QLineEdit* EditDokuPrev = nullptr;

  // Trim page.
  QListWidget* CLTrim = nullptr;

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
  void SetPanelStatus();
  void SetPanelColors();
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
