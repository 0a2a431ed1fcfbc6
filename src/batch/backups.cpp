#include "batch/backups.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "base/shown_name.h"
#include "io/posix_file.h"
#include "io/safe_replace.h"
#include "io/text_file.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using namespace posix;

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

std::string NextBackupDir(const RunState& state, int from) {
  std::string base = WithTrailingSeparator(state.SourceDir);
  base.pop_back();
  for (int i = std::max(from, 0); i < 100; ++i) {
    std::string candidate = base + "_BAK" + TwoDigits(i) + "/";
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(candidate, ec))) return candidate;
  }
  return {};
}

bool CreateBackupDir(RunState& state, std::string* err, int from) {
  state.BackupDir.clear();
  // Another process may take a free number between the look and the mkdir; then the next
  // free one is tried, so an existing directory is never reused.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string dir = NextBackupDir(state, from);
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

namespace {

/// The page and its backup as one file with two names, when the name still holds what was
/// read; false (and no link left) otherwise.
bool LinkBackup(const LoadedFile& page, const FileAt& backup) {
  if (linkat(page.File.Dir, page.File.Name.c_str(), backup.Dir, backup.Name.c_str(), 0) != 0) {
    return false;
  }
  struct stat st;
  if (StatAt(backup, &st) && SameFileContent(page.Status, st)) return true;
  unlinkat(backup.Dir, backup.Name.c_str(), 0);  // the link just made: not what was read
  return false;
}

/// A new regular file with the page's bytes, mode and times.
ReplaceOptions CopyOf(const LoadedFile& page, struct timespec (&times)[2]) {
  times[0] = page.Status.st_atim;
  times[1] = page.Status.st_mtim;
  ReplaceOptions options;
  options.ReplaceLink = true;
  options.NewFileMode = mode_t(page.Status.st_mode & 07777);
  options.Times = times;
  return options;
}

/// The backup's directory in the mirror tree, made when missing.
bool OpenMirrorBackup(const std::string& backupPath, DirectoryChain& backupDirs, FileAt& backup,
                      std::string* err) {
  const fs::path path(backupPath);
  const int dir = backupDirs.Open(path.parent_path().string(), err, /*create=*/true);
  if (dir < 0) return false;
  backup = {dir, path.filename().string(), backupPath};
  return true;
}

}  // namespace

bool MakeBackup(RunState& state, const LoadedFile& page, DirectoryChain& backupDirs,
                std::string* err, bool* linked) {
  if (linked) *linked = false;
  struct timespec times[2];
  const ReplaceOptions copy = CopyOf(page, times);
  if (state.SelectionMode != SelectionKind::Tree) {
    state.BackupFileName = SiblingBackupPath(state, page.File.Path);
    const FileAt backup{page.File.Dir, page.File.Name + state.BackupExt, state.BackupFileName};
    return ReplaceFileAt(backup, page.Bytes, copy, err);
  }
  state.BackupFileName = MirrorBackupPath(state, page.File.Path);
  FileAt backup;
  if (!OpenMirrorBackup(state.BackupFileName, backupDirs, backup, err)) return false;
  if (linked && LinkBackup(page, backup)) {
    *linked = true;
    return true;
  }
  return ReplaceFileAt(backup, page.Bytes, copy, err);
}

bool LinkTreeBackup(RunState& state, const LoadedFile& page, DirectoryChain& backupDirs,
                    std::string* err) {
  state.BackupFileName = MirrorBackupPath(state, page.File.Path);
  FileAt backup;
  return OpenMirrorBackup(state.BackupFileName, backupDirs, backup, err) && LinkBackup(page, backup);
}

bool DetachBackup(const RunState& state, const LoadedFile& page, DirectoryChain& backupDirs,
                  std::string* err) {
  FileAt backup;
  if (!OpenMirrorBackup(state.BackupFileName, backupDirs, backup, err)) return false;
  struct timespec times[2];
  ReplaceOptions copy = CopyOf(page, times);
  copy.KeepExisting = false;  // the link shares the page's mode, read-only or not
  return ReplaceFileAt(backup, page.Bytes, copy, err);
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
  std::string line = "==> " + ShownName(path) + "   -  not processed";
  if (!reason.empty()) line += ": " + std::string(reason);
  return line;
}

std::string BackupFailedLine(const std::string& path, std::string_view reason) {
  return "==> " + ShownName(path) + "   -  backup failed, file left unchanged: " +
         std::string(reason);
}

std::string RestoreFailedLine(const std::string& path, std::string_view reason) {
  return "==> " + ShownName(path) + "   -  restore failed, file left unchanged: " +
         std::string(reason);
}

void LogFileResult(RunState& state, RunHost& host, int64_t before, int64_t after, bool done) {
  const std::string path = ShownName(state.FileName);
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
  if (!restore && !done) line = FileNotProcessedLine(state.FileName, {});
  if (!restore && done && state.DoCreateBackUps) {
    line += "   ==> Backup: " + ShownName(state.BackupFileName);
  }
  AddProtocolLine(state, host, line);
  // Sizes of a file that was not processed say nothing about the run.
  if (restore || done) {
    state.TotalBytesBefore += before;
    state.TotalBytesAfter += after;
  }
}

}  // namespace tessel
