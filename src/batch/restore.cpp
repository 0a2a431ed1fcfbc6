#include "batch/restore.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "batch/backups.h"
#include "engine/line_ends.h"
#include "io/directory_chain.h"
#include "io/posix_file.h"
#include "io/safe_replace.h"
#include "io/text_file.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

enum class BackupRead { Read, Missing, Refused };

/// The sibling backup of `page`, never through a link.
BackupRead ReadBackup(const FileAt& backup, std::string& bytes, struct stat& st,
                      std::string* err) {
  struct stat look;
  if (!StatAt(backup, &look)) {
    if (errno == ENOENT) return BackupRead::Missing;
    posix::FailErrno(err, "Cannot read", backup.Path);
    return BackupRead::Refused;
  }
  if (S_ISLNK(look.st_mode)) {
    if (err) *err = "the backup " + QuotedPath(backup.Path) + " is a symbolic link, which is not read";
    return BackupRead::Refused;
  }
  if (!S_ISREG(look.st_mode)) return BackupRead::Missing;
  return ReadFileAt(backup, bytes, &st, err) ? BackupRead::Read : BackupRead::Refused;
}

FileAt BackupOf(const RunState& state, const FileAt& page) {
  return {page.Dir, page.Name + state.BackupExt, SiblingBackupPath(state, page.Path)};
}

/// The single file `path` in its directory, resolved once and opened (kept in `dirs`);
/// nothing below it is followed. False, with *err, when the directory cannot be opened.
bool OpenSingleFile(const std::string& path, DirectoryChain& dirs, FileAt& page,
                    std::string* err) {
  const fs::path full = fs::absolute(path);
  std::string dirPath;
  if (!ResolvePath(full.parent_path().string(), &dirPath, err)) return false;
  const int dir = dirs.Open(dirPath, err);
  if (dir < 0) return false;
  page = {dir, full.filename().string(), path};
  return true;
}

}  // namespace

bool RestoreFromBackup(RunState& state, const FileAt& page, ProcessOutcome* outcome) {
  ProcessOutcome local;
  ProcessOutcome& out = outcome ? *outcome : local;
  const FileAt backup = BackupOf(state, page);
  state.BackupFileName = backup.Path;
  std::string bytes, err;
  struct stat st;
  switch (ReadBackup(backup, bytes, st, &err)) {
    case BackupRead::Missing:
      out = {FileFault::NoBackup, "no backup"};
      return false;
    case BackupRead::Refused:
      out = {FileFault::RestoreFailed, err};
      return false;
    case BackupRead::Read:
      break;
  }
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  ReplaceOptions options;
  options.NewFileMode = mode_t(st.st_mode & 07777);
  options.Times = times;
  if (!ReplaceFileAt(page, bytes, options, &err)) {
    out = {FileFault::RestoreFailed, err};
    return false;
  }
  out = {};
  return true;
}

std::optional<std::string> ReadSingleFileBackup(RunState& state, const std::string& path,
                                                std::string* err) {
  state.BackupFileName = SiblingBackupPath(state, path);
  DirectoryChain dirs;
  FileAt page;
  std::string bytes, why;
  struct stat st;
  if (OpenSingleFile(path, dirs, page, &why) &&
      ReadBackup(BackupOf(state, page), bytes, st, &why) == BackupRead::Read) {
    return bytes;
  }
  if (err) *err = why;
  return std::nullopt;
}

bool RestoreSingleFile(RunState& state, const std::string& path, std::string* err,
                       std::string* text) {
  state.BackupFileName = SiblingBackupPath(state, path);
  DirectoryChain dirs;
  FileAt page;
  if (!OpenSingleFile(path, dirs, page, err)) return false;
  std::string bytes;
  struct stat st;
  switch (ReadBackup(BackupOf(state, page), bytes, st, err)) {
    case BackupRead::Missing:
      return posix::Fail(err, "No backup " + QuotedPath(state.BackupFileName));
    case BackupRead::Refused:
      return false;
    case BackupRead::Read:
      break;
  }
  // The text would end at the NUL and the file would lose the rest.
  if (std::memchr(bytes.data(), '\0', bytes.size()) != nullptr) {
    return posix::Fail(err, "Backup " + QuotedPath(state.BackupFileName) + " holds a NUL byte");
  }
  NormalizeLineEndsInPlace(bytes, nullptr);
  std::string crlf;
  crlf.reserve(bytes.size() + bytes.size() / 16);
  for (char c : bytes) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  if (!ReplaceFileAt(page, crlf, {}, err)) return false;
  // The editor's copy; the file itself is already restored.
  WriteScratchCopy(state.TempOutFile, crlf);
  if (text) *text = std::move(crlf);
  return true;
}

std::string RestoredStatusText(const std::string& path) {
  return "Restored and saved: " + QuotedPath(path);
}

}  // namespace tessel
