// The main window without its widgets: the session (settings, styles, the selection and its
// run state), the page in the editor, and the run under way. Which controls are live follows
// from these in one rule (ControlsFor). A run works off the window's thread on a copy of
// what it needs; the window's state is the run's again once it is over.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/session.h"
#include "window_model/background_job.h"
#include "window_model/editor_document.h"
#include "window_model/run_job.h"
#include "window_model/window_rules.h"

namespace tessel {

class MainWindowModel {
 public:
  /// Opens the data directory `programDir` (see Session); `host` shows what the runs and
  /// selections do.
  MainWindowModel(const std::filesystem::path& programDir, RunHost& host, int screenWidth,
                  int screenHeight);
  /// A run still under way is stopped between files and waited for.
  ~MainWindowModel();

  Session& session() { return *session_; }
  EditorDocument& Document() { return document_; }
  SelectionKind Selection() const { return session_->State().SelectionMode; }
  /// One file is selected and loaded in the editor.
  bool SingleFile() const { return Selection() == SelectionKind::SingleFile; }
  /// The file of the single-file selection (or the last one a batch run processed).
  const std::string& FileName() const { return session_->State().FileName; }

  /// Which controls are live while the editor's text is `modified` since its save point.
  WindowControls Controls(bool modified);

  // The page in the editor.
  /// Where a new document lives: in the data directory, never saved there.
  std::string NewDocumentPath() const;
  /// The file a single-file selection names as the document (a new document for
  /// NewDocumentPath): the text the editor is to show, unsaved for a new document. Nothing,
  /// with *err, when it cannot be read; the document stays as it was.
  std::optional<EditorText> OpenDocument(const std::string& path, std::string* err);
  /// Before the page is saved at `path` (its own when empty): the line end it is written
  /// with, decided as a run decides it. False, with *err, when the .editorconfig above it
  /// cannot be read: nothing is saved then.
  bool PrepareSave(const std::string& path, std::string* err);
  /// How the page is written (its indentation for the editor's menu), as a run decides it.
  bool DocumentConventions(FileConventions& out, std::string* err) const;
  /// The page's file read again in `encoding` (EditorDocument::Reopen).
  bool ReopenDocument(TextEncoding encoding, std::string* err) {
    return document_.Reopen(encoding, err);
  }
  /// The document saved at `path` by Save As: the selection is that file now.
  void SavedAs(const std::string& path);
  /// Cancel All of a new document: it goes away, and so does the selection.
  void DropNewDocument();
  /// Whether a file dropped on the window may be opened.
  bool AcceptsDroppedFile(const std::string& path) const;

  /// The single file's backup for the restore's preview, never read through a link;
  /// nothing when there is none (*err empty) or it cannot be read (*err says why).
  std::optional<std::string> BackupToRestore(std::string* err);
  /// The single file restored from that backup and the document reloaded from it. False,
  /// with *err, when it could not be.
  bool RestoreSingleFile(std::string* err);

  /// What a scan of the tree below `dir` needs, to run off the window's thread.
  TreeScanRequest ScanRequest(const std::string& dir) const;

  // Runs.
  bool Running() const { return running_; }
  /// Starts a run of `mode` over the selection, off the window's thread; `finished` is
  /// called on the run's thread with its summary. False while one is under way.
  bool StartRun(ProcessKind mode, std::function<void(const RunSummary&)> finished);
  /// The user's break: the run stops between files (after asking, in a batch).
  void StopRun() { job_.Cancel(); }
  /// On the window's thread once the run has finished: its run state is the session's.
  void RunOver();

 private:
  RunHost& host_;
  std::unique_ptr<Session> session_;
  EditorDocument document_;
  bool running_ = false;
  std::unique_ptr<RunJob> run_;
  BackgroundJob job_;  // last: stopped and waited for before the rest goes
};

// Status lines and messages about the page.
std::string UnsavedStatus(const std::string& path);
std::string SavedStatus(const std::string& path);
std::string OpenedStatus(const std::string& path);
std::string RestoredStatus(const std::string& path);

}  // namespace tessel
