#include "batch/pipeline.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "batch/backups.h"
#include "batch/restore.h"
#include "engine/line_ends.h"
#include "io/safe_replace.h"
#include "io/text_file.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

/// The topmost directory above `path` on the same device as `path` itself.
std::string MountPointOf(const std::string& path) {
  std::error_code ec;
  fs::path at = fs::weakly_canonical(fs::absolute(path, ec), ec);
  struct stat st;
  while (stat(at.c_str(), &st) != 0) {
    if (!at.has_relative_path()) return at.string();
    at = at.parent_path();
  }
  while (at.has_relative_path()) {
    fs::path parent = at.parent_path();
    struct stat up;
    if (stat(parent.c_str(), &up) != 0 || up.st_dev != st.st_dev) break;
    at = parent;
  }
  return at.string();
}

/// Scratch files are for inspection only: a failure to write one is no fault of the run.
void WriteScratch(const std::string& path, const std::string& bytes) {
  WriteFileAtomic(path, bytes, nullptr);
}

}  // namespace

std::optional<FreeSpace> QueryFreeSpace(const std::string& path) {
  struct statvfs vfs;
  if (statvfs(path.c_str(), &vfs) != 0) return std::nullopt;
  // The mount point is looked up only for the message of a full disk: it costs a walk up
  // the directories, once per file otherwise.
  return FreeSpace{uint64_t(vfs.f_bavail) * uint64_t(vfs.f_frsize), {}};
}

std::string DiskFullMessage(std::string_view mountPoint) {
  return "Disk full: " + std::string(mountPoint) + "\r\nProgram terminated.";
}

std::string FailedFileLine(const std::string& path, const ProcessOutcome& outcome) {
  switch (outcome.Fault) {
    case FileFault::NoBackup:
      return "==> " + path + "   -  skip";
    case FileFault::RestoreFailed:
      return RestoreFailedLine(path, outcome.Message);
    case FileFault::BackupFailed:
      return BackupFailedLine(path, outcome.Message);
    case FileFault::WriteFailed:
      return FileNotProcessedLine(path, "cannot write: " + outcome.Message);
    default:
      return FileNotProcessedLine(path, outcome.Message);
  }
}

FilePipeline::FilePipeline(RunState& state, Style& style, const TrimTagList& trimList,
                           RunHost& host)
    : state_(state), trimList_(trimList), host_(host), engine_(style, &host) {}

EngineMode EngineModeOf(ProcessKind mode) {
  switch (mode) {
    case ProcessKind::Compress:
      return EngineMode::Compress;
    case ProcessKind::Trim:
      return EngineMode::Trim;
    default:
      return EngineMode::Format;
  }
}

bool FilePipeline::CheckDiskSpace(const std::string& path, std::string* message) {
  const int64_t size = GetFileSize(path);
  std::optional<FreeSpace> space = FreeSpaceOf ? FreeSpaceOf(path) : std::nullopt;
  if (!space) return true;
  if (uint64_t(size) * 4 > space->FreeBytes) {
    if (message) {
      *message = DiskFullMessage(space->MountPoint.empty() ? MountPointOf(path) : space->MountPoint);
    }
    return false;
  }
  return true;
}

bool FilePipeline::LoadSourceText(const std::string& path, ProcessOutcome* outcome) {
  ProcessOutcome local;
  ProcessOutcome& out = outcome ? *outcome : local;
  std::string& text = engine_.SourceText;
  text.clear();
  struct stat st;
  if (stat(path.c_str(), &st) != 0 && errno == ENOENT) {
    out = {FileFault::Gone, "file not found"};
    return false;
  }
  host_.ShowStatus("Loading: " + path);
  std::string err;
  if (!ReadWholeFile(path, text, &err)) {
    text.clear();
    out = {FileFault::Unreadable, err};
    return false;
  }
  // Reading on past a NUL would change the file's bytes, and stopping at it would cut the
  // file when it is written back: such a file is not ours to touch.
  if (std::memchr(text.data(), '\0', text.size()) != nullptr) {
    text.clear();
    out = {FileFault::NulByte, "it holds a NUL byte (not an HTML text file)"};
    return false;
  }
  // Its line ends and indentation are decided on the bytes as they are.
  std::string why;
  if (!DecideConventions(state_.Conventions, path, text, conventions_, &why)) {
    text.clear();
    out = {FileFault::Unreadable, why};
    return false;
  }
  conventions_.ApplyTo(engine_);
  NormalizeLineEndsInPlace(text, nullptr);

  // Progress in tenths of the text as read with CR LF line ends.
  const int64_t lines = int64_t(std::count(text.begin(), text.end(), '\n'));
  const int64_t n = int64_t(text.size()) + lines;
  const int64_t step = n / 10 > 0 ? n / 10 : 1;
  host_.InitProgress(ProgressBar::ActFile, n);
  for (int64_t at = step; at <= n; at += step) host_.SetProgress(ProgressBar::ActFile, at);
  host_.InitProgress(ProgressBar::ActFile, 0);
  out = {};
  return true;
}

void FilePipeline::WriteDumps() {
  if (state_.ProgramDir.empty()) return;
  WriteScratch(state_.ProgramDir + std::string(kTokenDumpName), engine_.TokenList.Joined("\r\n"));
  WriteScratch(state_.ProgramDir + std::string(kBlockDumpName), engine_.BlockList.Joined("\r\n"));
}

bool FilePipeline::ProcessFile(const std::string& path, ProcessOutcome* outcome) {
  ProcessOutcome local;
  ProcessOutcome& out = outcome ? *outcome : local;
  out = {};
  engine_.OutputLines.Clear();
  conventions_ = {};
  struct stat st;
  if (stat(path.c_str(), &st) != 0 && errno == ENOENT) {
    out = {FileFault::Gone, "file not found"};
    return false;
  }
  std::string message;
  if (!CheckDiskSpace(path, &message)) {
    out = {FileFault::DiskFull, message};
    return false;
  }
  if (state_.ProcessMode == ProcessKind::Restore) return RestoreFromBackup(state_, path, &out);

  engine_.FileName = path;
  if (!LoadSourceText(path, &out)) return false;
  host_.SetProgress(ProgressBar::ActFile, 0);
  engine_.Process(EngineModeOf(state_.ProcessMode), std::move(engine_.SourceText), trimList_);
  // The stage leaves the token lists as the tokenizer made them (in Trim, those of the last
  // tokenized file).
  if (WriteScratchFiles) WriteDumps();
  return true;
}

bool FilePipeline::WriteResult(const std::string& path, std::string* err, int64_t* bytesWritten) {
  lastResult_ = engine_.OutputBytes();
  if (!WriteFileAtomic(path, lastResult_, err)) return false;
  if (bytesWritten) *bytesWritten = int64_t(lastResult_.size());
  // The scratch copy of the last result; the file itself is already safe.
  if (WriteScratchFiles && !state_.TempOutFile.empty()) WriteScratch(state_.TempOutFile, lastResult_);
  return true;
}

}  // namespace tessel
