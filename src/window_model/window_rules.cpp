#include "window_model/window_rules.h"

#include <filesystem>

#include "batch/backups.h"
#include "batch/tree_restore.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

std::string Normal(const std::string& path) {
  std::string s = fs::path(path).lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

std::string Trimmed(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

WindowControls ControlsFor(const WindowSituation& s) {
  WindowControls c;
  if (s.Running) return c;
  const bool single = s.Selection == SelectionKind::SingleFile;
  // Unsaved text is saved or dropped before anything else is selected or run.
  const bool settled = !single || !s.Modified;
  c.Files = c.Tree = c.New = settled;
  c.Format = c.Compress = c.Trim = single ? !s.Modified : s.Selection != SelectionKind::None;
  c.Restore = s.BackupExists && settled;
  c.Options = c.Help = c.About = true;
  c.Save = c.CancelAll = c.Undo = single && s.Modified;
  c.SaveAs = c.Search = c.Browser = single;
  c.Repaint = single && s.ColourTags;
  c.EditorWritable = single && !s.ReadOnlyPage;
  // Nothing the window writes goes over such a page: bytes of its text could be taken
  // for markup.
  if (s.ReadOnlyPage && single) c.Save = c.SaveAs = c.Format = c.Compress = c.Trim = false;
  return c;
}

RunMessage ConfirmationOf(RunState& state) {
  // A tree restore backs the pages it overwrites up above every backup there is.
  const bool treeRestore =
      state.SelectionMode == SelectionKind::Tree && state.ProcessMode == ProcessKind::Restore;
  return MakeMsg(state, SiblingBackupPath(state, state.FileName), BackupExists(state),
                 treeRestore ? NextRestoreBackupDir(state) : NextBackupDir(state));
}

bool RestorableBackup(RunState& state) {
  if (state.SelectionMode != SelectionKind::Tree) return BackupExists(state);
  return !state.SourceDir.empty() && NewestTreeBackup(state.SourceDir, nullptr) >= 0;
}

void SetBackups(RunState& state, ProgramSettings& settings, bool on) {
  state.DoCreateBackUps = on;
  settings.DoCreateBackUps = on;
}

std::string AsDirectoryPath(std::string_view dir) { return WithTrailingSeparator(dir); }

bool ListsFile(std::string_view name, int index) { return MatchesFilter(name, index); }

bool AcceptsPickedFile(const std::string& path, const RunState& state) {
  return IsValidHtmlFile(path, state.DoValidate, state.CmdLineMode != CmdLineKind::None);
}

std::string DialogStartDir(const std::string& remembered, const std::string& pageDir,
                           const std::string& home, const std::string& dataDir,
                           const std::function<bool(const std::string&)>& isDir) {
  for (const std::string& dir : {remembered, pageDir}) {
    if (dir.empty() || !fs::path(dir).is_absolute() || Normal(dir) == Normal(dataDir)) continue;
    if (isDir(Normal(dir))) return Normal(dir);
  }
  if (!home.empty() && isDir(home)) return Normal(home);
  return "/";
}

std::string DialogStartDir(const Session& session, const std::string& remembered,
                           const std::string& home) {
  const std::string& page = session.State().FileName;
  const std::string pageDir = page.empty() ? "" : fs::path(page).parent_path().string();
  auto isDir = [](const std::string& dir) {
    std::error_code ec;
    return fs::is_directory(dir, ec);
  };
  return DialogStartDir(remembered, pageDir, home, session.ProgramDir().string(), isDir);
}

std::optional<std::string> TypedPath(const std::string& dir, const std::string& typed,
                                     const std::string& home) {
  const std::string name = Trimmed(typed);
  if (name.empty()) return std::nullopt;
  if (name.front() == '/') return name;
  if (name == "~" || name.starts_with("~/")) return Normal(home) + name.substr(1);
  const std::string base = Normal(dir);
  return base + (base == "/" ? "" : "/") + name;
}

std::string SaveAsCaption(const std::string& dir, const std::string& typed,
                          const std::string& home) {
  std::string path = TypedPath(dir, typed, home).value_or(Normal(dir) + "/");
  for (size_t at; (at = path.find("//")) != std::string::npos;) path.erase(at, 1);
  return "Save file as: \"" + path + "\"";
}

}  // namespace tessel
