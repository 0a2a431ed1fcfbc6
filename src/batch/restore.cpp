#include "batch/restore.h"

#include <sys/stat.h>

#include <cstring>

#include "batch/backups.h"
#include "engine/line_ends.h"
#include "io/safe_replace.h"
#include "io/text_file.h"

namespace tessel {
namespace {

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool RestoreFromBackup(RunState& state, const std::string& path, ProcessOutcome* outcome) {
  ProcessOutcome local;
  ProcessOutcome& out = outcome ? *outcome : local;
  state.BackupFileName = SiblingBackupPath(state, path);
  if (!IsFile(state.BackupFileName)) {
    out = {FileFault::NoBackup, "no backup"};
    return false;
  }
  std::string err;
  if (!CopyFileKeepDate(state.BackupFileName, path, &err)) {
    out = {FileFault::RestoreFailed, err};
    return false;
  }
  out = {};
  return true;
}

bool RestoreSingleFile(RunState& state, const std::string& path, std::string* err,
                       std::string* text) {
  state.BackupFileName = SiblingBackupPath(state, path);
  if (!IsFile(state.BackupFileName)) {
    if (err) *err = "No backup " + QuotedPath(state.BackupFileName);
    return false;
  }
  std::string bytes;
  if (!ReadWholeFile(state.BackupFileName, bytes, err)) return false;
  // The text would end at the NUL and the file would lose the rest.
  if (std::memchr(bytes.data(), '\0', bytes.size()) != nullptr) {
    if (err) *err = "Backup " + QuotedPath(state.BackupFileName) + " holds a NUL byte";
    return false;
  }
  NormalizeLineEndsInPlace(bytes, nullptr);
  std::string crlf;
  crlf.reserve(bytes.size() + bytes.size() / 16);
  for (char c : bytes) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  if (!WriteFileAtomic(path, crlf, err)) return false;
  // The editor's copy; the file itself is already restored.
  if (!state.TempOutFile.empty()) WriteFileAtomic(state.TempOutFile, crlf, nullptr);
  if (text) *text = std::move(crlf);
  return true;
}

std::string RestoredStatusText(const std::string& path) {
  return "Restored and saved: " + QuotedPath(path);
}

}  // namespace tessel
