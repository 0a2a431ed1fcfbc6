// The options dialog, "Format & Compress Options": a view over the options model's draft of
// the active style (general options, tag rules, documentation line) and of the trim list;
// it chooses another style, saves the settings as a new style, adds and removes tag rules,
// and holds four program settings. A sample page is shown unchanged, formatted or
// compressed with the settings as they stand, before anything is saved. OK writes the
// draft, Cancel drops it.
#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>
#include <string>

#include "engine/engine.h"
#include "gui/editor_view.h"
#include "window_model/options_model.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLayout;
class QLineEdit;
class QListWidget;
class QsciScintilla;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;

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
  bool StyleModified() const { return model_.Modified(); }

  // Buttons and choices, as a click calls them.
  void ChoosePreview(int index);
  void ReloadPreview();
  void PreviewFormatted() { PreviewProcessed(EngineMode::Format); }
  void PreviewCompressed() { PreviewProcessed(EngineMode::Compress); }
  void ChooseStyle(int index);
  void SaveAsNewStyle();
  void AddTag();
  void RemoveTag();
  /// OK: the draft and the trim list written; the dialog stays open when they cannot be.
  void AcceptChanges();

  // Top bar, preview and buttons.
  QComboBox* PreviewChoice = nullptr;
  QComboBox* StyleChoice = nullptr;
  QLineEdit* DescriptionField = nullptr;
  EditorView* Preview = nullptr;  // read-only; fills a large page at once
  QTabWidget* Pages = nullptr;
  QPushButton *OkButton, *CancelButton, *SaveNewStyleButton, *ReloadButton, *PreviewFormattedButton,
      *PreviewCompressedButton;

  // General page. A counter and its edit field are one spin box.
  QCheckBox *ValidateBox, *PurgeCommentsBox, *NoBreakInTagsBox, *ColouringBox, *WallpapersBox,
      *VerifyBox, *DisableCommentsBox;
  QComboBox* LineEndsChoice = nullptr;     // CR LF, LF, as the file has: kept by OK only
  QCheckBox* SpacesOnlyBox = nullptr;      // DoIndentSpacesOnly, in the indent panel
  QLineEdit* BackupExtField = nullptr;
  QRadioButton *UpperCaseButton, *LowerCaseButton, *PreserveCaseButton;
  QSpinBox* LineSizeCounter = nullptr;  // EditLineSize
  QSpinBox* IndentCounter = nullptr;    // EditIndent
  QFrame *DisableCommentsPanel, *IndentPanel;

  // Tags page.
  QTableWidget* TagGrid = nullptr;
  QRadioButton *StandAloneButton, *AsTextButton;
  QSpinBox* BreaksBeforeCounter = nullptr;  // EditLinesAtOpen
  QSpinBox* BreaksAfterCounter = nullptr;   // EditLinesAtClose
  QCheckBox *StartCommentBox, *EndCommentBox, *CounterBox, *CommentIndentBox, *CleanInsideBox;
  QLineEdit *StartCommentField, *EndCommentField;
  QComboBox* SymbolChoice = nullptr;
  QSpinBox* CommentLengthCounter = nullptr;  // EditCLength
  QSpinBox* SelfIndentCounter = nullptr;     // EditSi
  QSpinBox* ContentIndentCounter = nullptr;  // EditCi
  QPushButton *AddTagButton, *RemoveTagButton;
  QFrame *BreaksBeforePanel, *BreaksAfterPanel, *StartCommentPanel, *EndCommentPanel,
      *CommentFormPanel, *SelfIndentPanel, *ContentIndentPanel;

  // Documentation page.
  QCheckBox *UserBox, *DateBox, *TimeBox, *StyleNameBox, *VersionBox, *InFormattedBox,
      *InCompressedBox;
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
  QLayout* BuildLineEndsRow(QWidget* page);
  QWidget* BuildTagsPage();
  QWidget* BuildDocumentationPage();
  QWidget* BuildTrimPage();
  QWidget* PagePanel();

  void FirstShow();
  void FillStyleChoice();
  void FillPreviewChoice();
  void ShowNoSamplePage();
  void ShowInPreview(std::string text);
  void PreviewProcessed(EngineMode mode);

  /// The draft's style chosen in the style box, and every page filled from the draft.
  void ShowStyle();
  void FillPages();
  void FillTagGrid();
  void ShowGridRow(int row);
  void SelectGridRow(int row);
  void GeneralChanged();
  void StoreGeneralPage();
  void BackupExtEdited();
  void DescriptionChanged();
  void DocumentationChanged();
  void ShowDocLine();
  void StoreTagControls(int row);
  void ShowTagControls(int row);
  void SetLineBreakMinimum(int minimum);
  void SelectTag(int row);
  void TagChanged();
  void ShowTagEmphasis();
  void ShowPanelTints();
  void PageChanged(int page);
  void ShowError(const std::string& text);

  Session& session_;
  OptionsModel model_;
  UserDialogs& dialogs_;
  const Skin& skin_;
  bool controlsUpdating_ = false;  // the controls are being filled: change handlers wait
  int selectedTagRow_ = 1;         // the tag the tag controls show (1-based)
  std::string previewDir_;
  std::string previewFile_;  // the sample page shown; empty when there is none
  bool shown_ = false;
};

}  // namespace tessel::gui
