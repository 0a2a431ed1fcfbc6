#include "window_model/window_rules.h"

#include <filesystem>

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
  const bool single = s.Selection == SelectionKind::SingleFile;
  c.Select = !single || !s.Modified;
  c.Process = single ? !s.Modified : s.Selection != SelectionKind::None;
  c.Restore = s.BackupExists && (!single || !s.Modified);
  c.SaveCancelUndo = single && s.Modified;
  c.SaveAsSearchBrowser = single;
  c.Repaint = single && s.ColourTags;
  c.EditorWritable = single && !s.Running;
  return c;
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
