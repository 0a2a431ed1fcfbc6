// Every question, message and modal dialog the main window puts to the user goes through
// this one interface. The window uses the real dialogs; tests answer for the user instead.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"

class QWidget;

namespace tessel::gui {

struct Skin;

/// Yes, No or Cancel.
enum class Answer { Yes, No, Cancel };

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  /// A message box with an OK button: an error, an information, or plain. "\r\n" in the
  /// text is a line break.
  virtual void Message(QWidget* parent, MessageKind kind, const std::string& text) = 0;
  /// A confirmation with Yes and No; true for Yes.
  virtual bool YesNo(QWidget* parent, const std::string& text) = 0;
  /// A confirmation with Yes, No and Cancel.
  virtual Answer YesNoCancel(QWidget* parent, const std::string& text) = 0;

  /// The confirmation before a run: its check box may change
  /// state.DoCreateBackUps and the stored setting at once. True for OK.
  virtual bool ConfirmRun(QWidget* parent, Session& session, RunState& state) = 0;
  /// The tree dialog: the chosen directory, or nothing. Sets the file type
  /// (state.FilterIndex) and remembers the directory under [PATHS] "Tree".
  virtual std::optional<std::string> ChooseTree(QWidget* parent, Session& session) = 0;
  /// The file list dialog: scans the tree `request` names and lets the user keep some of
  /// the files found. The files kept, in order, with the scan; nothing on Cancel.
  struct TreeChoice {
    TreeScan Scan;
    std::vector<std::string> Chosen;
  };
  virtual std::optional<TreeChoice> ChooseFromTree(QWidget* parent,
                                                   const TreeScanRequest& request) = 0;
  /// The file dialog in its selection role: the selected files, or nothing.
  virtual std::optional<std::vector<std::string>> ChooseFiles(QWidget* parent,
                                                              Session& session) = 0;
  /// The file dialog in its save role: `save` writes the editor's text to a path and says
  /// whether it could; the path saved to, or nothing.
  virtual std::optional<std::string> SaveAs(
      QWidget* parent, Session& session, const std::string& fileName,
      const std::function<bool(const std::string& path)>& save) = 0;
  /// The restore preview of a backup's text; true for OK.
  virtual bool ConfirmRestore(QWidget* parent, const std::string& backupPath,
                              const std::string& text) = 0;
  /// Asks the desktop to open a local file (the manual, a page in the browser); false when
  /// no program could be started for it.
  virtual bool OpenDocument(const std::string& path) = 0;
};

}  // namespace tessel::gui
