#include "window_model/main_window_model.h"

#include "base/ascii.h"
#include "batch/backups.h"
#include "batch/discovery.h"
#include "batch/restore.h"
#include "io/text_file.h"

namespace tessel {

namespace fs = std::filesystem;

MainWindowModel::MainWindowModel(const fs::path& programDir, RunHost& host, int screenWidth,
                                 int screenHeight)
    : host_(host),
      session_(std::make_unique<Session>(programDir, host, screenWidth, screenHeight)),
      document_(session_->State().TempOutFile) {}

MainWindowModel::~MainWindowModel() {
  job_.Cancel();
  job_.Wait();
}

WindowControls MainWindowModel::Controls(bool modified) {
  RunState& state = session_->State();
  return ControlsFor({state.SelectionMode, modified, RestorableBackup(state),
                      session_->Settings().DoColorTags, running_, !document_.Refusal().empty()});
}

std::string MainWindowModel::NewDocumentPath() const {
  return session_->State().ProgramDir + "tessel_html_new.htm";
}

std::optional<EditorText> MainWindowModel::OpenDocument(const std::string& path, std::string* err) {
  if (EqualsNoCase(path, NewDocumentPath())) {
    return EditorText{document_.New(path, CurrentDocDateTime()), TextEncoding::Utf8};
  }
  if (!document_.Open(path, session_->State().Conventions, err)) return std::nullopt;
  return document_.Saved();
}

bool MainWindowModel::PrepareSave(const std::string& path, std::string* err) {
  FileConventions conventions;
  if (!document_.Conventions(session_->State().Conventions, path, conventions, err)) return false;
  document_.SetSaveLineEnd(conventions.Eol);
  return true;
}

bool MainWindowModel::DocumentConventions(FileConventions& out, std::string* err) const {
  return document_.Conventions(session_->State().Conventions, {}, out, err);
}

void MainWindowModel::SavedAs(const std::string& path) {
  RunState& state = session_->State();
  state.FileName = path;
  state.SourceDir = WithTrailingSeparator(fs::path(path).parent_path().string());
}

void MainWindowModel::DropNewDocument() {
  document_.Close();
  RunState& state = session_->State();
  state.SelectionMode = SelectionKind::None;
  state.FileName.clear();
}

bool MainWindowModel::AcceptsDroppedFile(const std::string& path) const {
  return IsValidHtmlFile(path, session_->State().DoValidate, false);
}

std::optional<std::string> MainWindowModel::BackupToRestore(std::string* err) {
  RunState& state = session_->State();
  return ReadSingleFileBackup(state, state.FileName, err);
}

bool MainWindowModel::RestoreSingleFile(std::string* err) {
  RunState& state = session_->State();
  std::string text;
  if (!tessel::RestoreSingleFile(state, state.FileName, err, &text)) return false;
  document_.Reload(text);
  return true;
}

TreeScanRequest MainWindowModel::ScanRequest(const std::string& dir) const {
  return session_->Driver().ScanRequest(dir);
}

bool MainWindowModel::StartRun(ProcessKind mode, std::function<void(const RunSummary&)> finished) {
  if (running_) return false;
  running_ = true;
  run_ = std::make_unique<RunJob>(*session_, host_, mode);
  RunJob* run = run_.get();
  auto summary = std::make_shared<RunSummary>();
  job_.Start([run, summary](CancelToken& userBreak) { *summary = run->Run(userBreak); },
             [summary, finished = std::move(finished)] { finished(*summary); });
  return true;
}

void MainWindowModel::RunOver() {
  if (!run_) return;
  job_.Wait();
  run_->ReturnState(session_->State());
  run_.reset();
  running_ = false;
}

std::string UnsavedStatus(const std::string& path) { return "Unsaved: " + QuotedPath(path); }

std::string SavedStatus(const std::string& path) { return "Saved: " + QuotedPath(path); }

std::string RestoredStatus(const std::string& path) { return RestoredStatusText(path); }

std::string OpenedStatus(const std::string& path) {
  return "File: " + path + "  " + std::to_string(GetFileSize(path) / 1000) + "K";
}

}  // namespace tessel
