// The main window: the button panel, the status line, the editor tool bar, the progress
// bars, the pages with the editor ("HTML") and the protocol ("Protokoll"), and the hint
// line. A view over the main window's model: it lays the controls out, maps keys, clicks and
// drops to the model's operations and shows what they did.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "editor/partial_format.h"
#include "editor/tag_hints.h"
#include "gui/qt_run_host.h"
#include "gui/skin.h"
#include "gui/user_dialogs.h"
#include "window_model/main_window_model.h"

class QLabel;
class QMenu;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace tessel::gui {

class EditorView;
class SearchDialog;

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  /// Creation: the data directory's settings and the skin are read and the window is laid
  /// out; `commandLine` is what ParseCommandLine made of the program's arguments.
  /// `dialogs` puts every question to the user (the real dialogs when null).
  MainWindow(const std::filesystem::path& programDir, const CommandLine& commandLine,
             UserDialogs* dialogs = nullptr);
  ~MainWindow() override;

  Session& session() { return model_.session(); }
  UserDialogs& dialogs() { return *dialogs_; }
  const Skin& skin() const { return skin_; }

  // The status line and the protocol page.
  void ShowStatus(const std::string& text);
  void AppendStatus(const std::string& text);
  QString StatusText() const;
  QString ProtocolText() const;

  /// Enables every control as the model's rule has it for the selection, the editor's
  /// modified flag, the backups, the colouring setting and the run.
  void UpdateButtons();
  /// Enables or disables the whole button panel.
  void EnablePanel(bool enabled);
  bool Running() const { return model_.Running(); }
  /// The window was closed during a run: the run stops between files, then it closes.
  bool ClosingAfterRun() const { return closeAfterRun_; }
  /// Whether one file is loaded in the editor (the single-file state).
  bool SingleFileState() const { return model_.SingleFile(); }

  // The commands of the buttons; each does nothing while it is disabled.
  void SelectFiles();
  void SelectTree();
  void Format() { StartRun(ProcessKind::Format); }
  void Compress() { StartRun(ProcessKind::Compress); }
  void Trim() { StartRun(ProcessKind::Trim); }
  void Restore();
  void ShowOptions();
  void ShowHelp();
  void ShowAbout();
  /// Save (Ctrl+S): the editor's text over its file. False when it could not be written.
  bool Save();
  void SaveAs();
  void Undo();
  /// New: a new document from the template, never saved under its own name.
  void NewDocument();
  /// Cancel All (Esc): the text as last loaded or saved; a new document goes away.
  void CancelAll();
  void OpenSearch();
  /// The editor's file (or, when it is modified, its text) in the desktop's browser.
  void ShowInBrowser();
  /// The emphasis of the repaint buttons: 1 the standard palette, 2 to 5 one class.
  void Repaint(int mode);
  /// The status line and the buttons follow the editor's save point: "Unsaved: " while
  /// the text differs from it, the status of the last load or save once it is back there.
  void FollowSavePoint();
  /// The user changed the text: a warning about an earlier change no longer holds.
  void AfterEdit();
  /// Find Next, Replace or Replace All of the search dialog.
  void Search(bool replace, bool all);
  /// The name a new document lives under until it is saved.
  std::string NewDocumentPath() const { return model_.NewDocumentPath(); }
  bool IsNewDocument() { return model_.Document().IsNew(); }
  /// The browser view's copy of unsaved text, beside the file.
  std::string BrowserCopyPath() { return model_.Document().BrowserCopyPath(); }

  // The editor's menu and the tag hints.
  /// Before the menu opens: the selection is widened to whole tags (and lines), and the
  /// items are enabled when it is not empty.
  void PrepareEditorMenu();
  /// An item of the menu: format with the named style, compress or trim the selection.
  void RunMenuItem(const std::string& caption);
  /// The hint line follows the tag at the cursor.
  void ShowTagHint();
  /// Shift+F1: the hint line (or its selected part) into the editor at the cursor.
  void InsertHint();
  /// An item of the encoding menu: the page's file read again in `encoding`, after asking
  /// to save unsaved text; a new document is saved in it from then on.
  void ReopenAs(TextEncoding encoding);

  /// Opens `path` in the editor as the single file (command line, drop, file dialog).
  bool OpenSingleFile(const std::string& path);
  /// Files dropped on the window: the first one opens, after the save question.
  void DropFiles(const std::vector<std::string>& paths);

  // Called by the run host on the window's thread.
  void ApplyStatus(const std::string& text);
  void ApplyProgress(ProgressBar bar, int64_t maximum, int64_t position);
  void ApplyProtocol(bool cleared, bool showPage, const QString& lines);
  bool LoadDocument(const std::string& path);
  void ShowRunResult(const std::string& bytes);

  // The widgets, for the dialogs and the tests.
  QWidget* ButtonPanel = nullptr;
  QWidget* EditorPanel = nullptr;
  QLabel* StatusLine = nullptr;
  QPushButton *FilesButton, *TreeButton, *FormatButton, *CompressButton, *TrimButton,
      *RestoreButton, *OptionsButton, *HelpButton, *AboutButton;
  QPushButton *NewButton, *SaveAsButton, *SaveButton, *CancelAllButton, *UndoButton, *SearchButton,
      *BrowserButton;
  std::array<QPushButton*, 5> RepaintButtons{};
  QProgressBar *FileProgress, *RunProgress;
  QTabWidget* Pages = nullptr;
  EditorView* Editor = nullptr;
  QPlainTextEdit* ProtocolView = nullptr;
  QLineEdit* HintLine = nullptr;
  /// The encoding the editor's file is saved in, as a label; a click opens EncodingMenu.
  QToolButton* EncodingLabel = nullptr;
  /// Every encoding offered, by group, the page's checked: the page read again in another.
  QMenu* EncodingMenu = nullptr;
  SearchDialog* SearchReplace = nullptr;
  QMenu* EditorMenu = nullptr;

 signals:
  /// A run ended and the window is ready again.
  void RunFinished(const RunSummary& summary);
  /// The window was activated for the first time: start-up is over.
  void FirstActivated();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWindow();
  QWidget* BuildButtonPanel();
  QWidget* BuildEditorPanel();
  void BuildEditorMenu();
  void FirstShow();
  void FirstActivation();
  void RunCommandLine();
  bool HandleKeyPress(const QKeyEvent& key);
  /// Files dragged over any part of the window; other drags (text) go their own way.
  bool HandleFileDrag(QEvent* event);
  bool AcceptsDrops() const;
  /// Sets the status line to a text that describes the file at its save point.
  void ShowSavedStatus(const std::string& text);
  /// A page of the program or the editor's file in the desktop's browser, or an error box
  /// that names it.
  void OpenPage(const std::string& path);
  void StartRun(ProcessKind mode, std::function<void(const RunSummary&)> after = {});
  void FinishRun(const RunSummary& summary);
  void LockForRun(bool locked);
  /// Asks "Save: <file> <question>" with Yes, No and Cancel while the text is unsaved; true
  /// when the caller may go on (No, or Yes and the text was saved).
  bool AskSaveFirst(const std::string& question);
  /// The editor's text as the bytes a save writes, in the file's encoding; when that cannot
  /// hold a character, the user chooses UTF-8 or nothing is saved.
  std::optional<std::string> BytesForSave();
  void ShowEncoding();
  void BuildEncodingMenu();
  /// A page in an encoding that cannot be edited, loaded: why it is only shown.
  void SayWhyReadOnly();
  void HintChanged();
  void SaveSettings();
  bool ClickIfEnabled(QPushButton* button);

  std::unique_ptr<UserDialogs> ownDialogs_;
  UserDialogs* dialogs_;
  QtRunHost host_;
  MainWindowModel model_;  // after the host it reports to
  CommandLine commandLine_;
  Skin skin_;
  TagHints tagHints_;
  SelectionFit fit_;         // how the menu's result fits into the lines
  std::string savedStatus_;  // the status line at the editor's save point
  std::string renderWarning_;  // the editor menu's last result could render differently
  bool shown_ = false;
  bool activated_ = false;
  bool closeAfterRun_ = false;
  std::function<void(const RunSummary&)> afterRun_;
};

}  // namespace tessel::gui

Q_DECLARE_METATYPE(tessel::RunSummary)
