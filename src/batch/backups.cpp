#include "batch/backups.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "io/posix_file.h"
#include "io/safe_replace.h"
#include "io/text_file.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using namespace posix;

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string TwoDigits(int i) { return std::string(1, char('0' + i / 10)) + char('0' + i % 10); }

}  // namespace

std::string WithTrailingSeparator(std::string_view path) {
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  std::string out(path);
  out += '/';
  return out;
}

int64_t GetFileSize(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  return int64_t(st.st_size);
}

std::string SiblingBackupPath(const RunState& state, const std::string& file) {
  return file + state.BackupExt;
}

std::string MirrorBackupPath(const RunState& state, const std::string& file) {
  std::string_view rest(file);
  rest.remove_prefix(std::min(rest.size(), state.SourceDir.size()));
  return state.BackupDir + std::string(rest);
}

std::string NextBackupDir(const RunState& state) {
  std::string base = WithTrailingSeparator(state.SourceDir);
  base.pop_back();
  for (int i = 0; i < 100; ++i) {
    std::string candidate = base + "_BAK" + TwoDigits(i) + "/";
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(candidate, ec))) return candidate;
  }
  return {};
}

bool CreateBackupDir(RunState& state, std::string* err) {
  state.BackupDir.clear();
  // Another process may take a free number between the look and the mkdir; then the next
  // free one is tried, so an existing directory is never reused.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string dir = NextBackupDir(state);
    if (dir.empty()) return Fail(err, std::string(kTooManyBackupDirs));
    std::string name = dir.substr(0, dir.size() - 1);
    std::error_code ec;
    fs::path parent = fs::path(name).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);
    if (mkdir(name.c_str(), 0777) == 0) {
      state.BackupDir = dir;
      return true;
    }
    if (errno != EEXIST) return FailErrno(err, "Cannot create backup directory", name);
  }
  return Fail(err, std::string(kTooManyBackupDirs));
}

bool BackupExists(RunState& state) {
  switch (state.SelectionMode) {
    case SelectionKind::SingleFile:
      state.BackupFileName = SiblingBackupPath(state, state.FileName);
      return FileExists(state.BackupFileName);
    case SelectionKind::PickedFiles: {
      bool any = false;
      for (const std::string& file : state.FileList) {
        if (FileExists(SiblingBackupPath(state, file))) any = true;
      }
      return any;
    }
    case SelectionKind::Tree:
    case SelectionKind::None:
      return false;
  }
  return false;
}

std::string NormalizeBackupExt(std::string_view typed) {
  while (!typed.empty() && typed.front() == ' ') typed.remove_prefix(1);
  while (!typed.empty() && typed.back() == ' ') typed.remove_suffix(1);
  if (typed.empty()) return std::string(kDefaultBackupExt);
  std::string ext(typed);
  if (ext.front() != '.') ext.insert(ext.begin(), '.');
  if (ext.size() < 2) return std::string(kDefaultBackupExt);
  for (size_t i = 1; i < ext.size(); ++i) {
    if (ext[i] == ' ' || ext[i] == '.') ext[i] = '_';
  }
  return ext;
}

bool MakeBackup(RunState& state, const std::string& file, std::string* err, bool* linked) {
  if (linked) *linked = false;
  if (state.SelectionMode == SelectionKind::Tree) {
    state.BackupFileName = MirrorBackupPath(state, file);
    fs::path dir = fs::path(state.BackupFileName).parent_path();
    std::error_code ec;
    if (!dir.empty() && !DirectoryExists(dir.string()) && !fs::create_directories(dir, ec)) {
      return Fail(err, "Cannot create directory " + QuotedPath(dir) + ": " + ec.message());
    }
    if (linked && link(file.c_str(), state.BackupFileName.c_str()) == 0) {
      *linked = true;
      return true;
    }
  } else {
    state.BackupFileName = SiblingBackupPath(state, file);
  }
  return CopyFileKeepDate(file, state.BackupFileName, err);
}

bool DetachBackup(const RunState& state, const std::string& file, std::string* err) {
  // The link still names the page's own data: dropping it loses nothing.
  if (unlink(state.BackupFileName.c_str()) != 0 && errno != ENOENT) {
    return FailErrno(err, "Cannot replace", state.BackupFileName);
  }
  return CopyFileKeepDate(file, state.BackupFileName, err);
}

std::string SizeStats(int64_t before, int64_t after) {
  int64_t percent = before != 0 && after != 0 ? 100 - after * 100 / before : 0;
  std::string text(1, ' ');
  text += std::to_string(before);
  text += "->";
  text += std::to_string(after);
  text += " (";
  text += std::to_string(before - after);
  text += " bytes, ";
  text += std::to_string(percent);
  text += "%)  saved ";
  return text;
}

void AddProtocolLine(RunState& state, RunHost& host, std::string_view line) {
  state.Protokoll.Add(line);
  host.ProtocolAdded(line);
}

std::string FileNotProcessedLine(const std::string& path, std::string_view reason) {
  std::string line = "==> " + path + "   -  not processed";
  if (!reason.empty()) line += ": " + std::string(reason);
  return line;
}

std::string BackupFailedLine(const std::string& path, std::string_view reason) {
  return "==> " + path + "   -  backup failed, file left unchanged: " + std::string(reason);
}

std::string RestoreFailedLine(const std::string& path, std::string_view reason) {
  return "==> " + path + "   -  restore failed, file left unchanged: " + std::string(reason);
}

void LogFileResult(RunState& state, RunHost& host, int64_t before, int64_t after, bool done) {
  const std::string& path = state.FileName;
  std::string line;
  switch (state.ProcessMode) {
    case ProcessKind::Compress:
      line = "==> Compressed: " + path + " Size: " + std::to_string(before) + "->" +
             std::to_string(after) + " byte";
      break;
    case ProcessKind::Format:
      line = "==> Formatted: " + path;
      break;
    case ProcessKind::Trim:
      line = "==> Trimmed: " + path;
      break;
    case ProcessKind::Restore:
    case ProcessKind::None:
      line = "==> " + path + (done ? "   -  RESTORED" : "   -  skip");
      break;
  }
  const bool restore =
      state.ProcessMode == ProcessKind::Restore || state.ProcessMode == ProcessKind::None;
  if (!restore && !done) line = FileNotProcessedLine(path, {});
  if (!restore && done && state.DoCreateBackUps) line += "   ==> Backup: " + state.BackupFileName;
  AddProtocolLine(state, host, line);
  // Sizes of a file that was not processed say nothing about the run.
  if (restore || done) {
    state.TotalBytesBefore += before;
    state.TotalBytesAfter += after;
  }
}

}  // namespace tessel
