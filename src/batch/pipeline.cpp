#include "batch/pipeline.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/shown_name.h"
#include "batch/backups.h"
#include "batch/restore.h"
#include "engine/line_ends.h"
#include "io/safe_replace.h"
#include "io/text_file.h"

namespace tessel {
namespace fs = std::filesystem;

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

void WriteScratchCopy(const std::string& path, std::string_view bytes) {
  if (!path.empty()) WriteOwnFile(path, bytes, nullptr);
}

void WriteListDumps(const std::string& programDir, const Engine& engine) {
  if (programDir.empty()) return;
  WriteScratchCopy(programDir + std::string(kTokenDumpName), engine.TokenList.Joined("\r\n"));
  WriteScratchCopy(programDir + std::string(kBlockDumpName), engine.BlockList.Joined("\r\n"));
}

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
      return "==> " + ShownName(path) + "   -  skip";
    case FileFault::RestoreFailed:
      return RestoreFailedLine(path, outcome.Message);
    case FileFault::BackupFailed:
      return BackupFailedLine(path, outcome.Message);
    case FileFault::WriteFailed:
      return FileNotProcessedLine(path, "cannot write: " + outcome.Message);
    case FileFault::RendersDifferently:
      return "==> " + ShownName(path) + "   -  left unchanged: " + outcome.Message;
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

bool FilePipeline::OpenPage(const std::string& path, ProcessOutcome& out) {
  page_ = {};
  const fs::path full = fs::absolute(path);
  std::string err;
  dirs_.TrustUpTo(state_.SelectionMode == SelectionKind::Tree ? state_.SourceDir : "");
  const int dir = dirs_.Open(full.parent_path().string(), &err);
  if (dir < 0) {
    out = errno == ENOENT ? ProcessOutcome{FileFault::Gone, "file not found"}
                          : ProcessOutcome{FileFault::Unreadable, err};
    return false;
  }
  page_.File = {dir, full.filename().string(), path};
  struct stat st;
  if (!StatAt(page_.File, &st)) {
    if (errno == ENOENT) {
      out = {FileFault::Gone, "file not found"};
    } else {
      out = {FileFault::Unreadable, "Cannot read " + QuotedPath(path) + ": " + std::strerror(errno)};
    }
    return false;
  }
  if (S_ISLNK(st.st_mode)) {
    const bool restore = state_.ProcessMode == ProcessKind::Restore;
    out = {restore ? FileFault::RestoreFailed : FileFault::Unreadable,
           QuotedPath(path) + " is a symbolic link, which is not followed"};
    return false;
  }
  return true;
}

bool FilePipeline::ReadPage(ProcessOutcome& out) {
  std::string& text = engine_.SourceText;
  text.clear();
  host_.ShowStatus("Loading: " + ShownName(page_.File.Path));
  std::string err;
  if (!ReadFileAt(page_.File, page_.Bytes, &page_.Status, &err)) {
    out = {FileFault::Unreadable, err};
    return false;
  }
  // Reading on past a NUL would change the file's bytes, and stopping at it would cut the
  // file when it is written back: such a file is not ours to touch.
  if (std::memchr(page_.Bytes.data(), '\0', page_.Bytes.size()) != nullptr) {
    out = {FileFault::NulByte, "it holds a NUL byte (not an HTML text file)"};
    return false;
  }
  // Its line ends and indentation are decided on the bytes as they are.
  std::string why;
  if (!DecideConventions(state_.Conventions, page_.File.Path, page_.Bytes, conventions_, &why)) {
    out = {FileFault::Unreadable, why};
    return false;
  }
  conventions_.ApplyTo(engine_);
  // The bytes as read stay for the backup and for comparing; the engine gets its own copy.
  text.reserve(page_.Bytes.size() + 1);  // room for the line feed a last line may get
  text = page_.Bytes;
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

bool FilePipeline::LoadSourceText(const std::string& path, ProcessOutcome* outcome) {
  ProcessOutcome local;
  ProcessOutcome& out = outcome ? *outcome : local;
  engine_.SourceText.clear();
  return OpenPage(path, out) && ReadPage(out);
}

bool FilePipeline::LoadFile(const std::string& path, ProcessOutcome* outcome) {
  ProcessOutcome local;
  ProcessOutcome& out = outcome ? *outcome : local;
  out = {};
  engine_.OutputLines.Clear();
  resultMade_ = false;
  conventions_ = {};
  engine_.SourceText.clear();
  if (!OpenPage(path, out)) return false;
  std::string message;
  if (!CheckDiskSpace(path, &message)) {
    out = {FileFault::DiskFull, message};
    return false;
  }
  if (state_.ProcessMode == ProcessKind::Restore) return true;  // the page itself is not read
  engine_.FileName = path;
  return ReadPage(out);
}

bool FilePipeline::RunStage(ProcessOutcome* outcome) {
  ProcessOutcome local;
  ProcessOutcome& out = outcome ? *outcome : local;
  out = {};
  if (state_.ProcessMode == ProcessKind::Restore) return RestoreFromBackup(state_, page_.File, &out);
  host_.SetProgress(ProgressBar::ActFile, 0);
  resultMade_ = false;
  engine_.Process(EngineModeOf(state_.ProcessMode), std::move(engine_.SourceText), trimList_);
  // The stage leaves the token lists as the tokenizer made them (in Trim, those of the last
  // tokenized file).
  if (WriteScratchFiles) WriteListDumps(state_.ProgramDir, engine_);
  return true;
}

bool FilePipeline::ProcessFile(const std::string& path, ProcessOutcome* outcome) {
  return LoadFile(path, outcome) && RunStage(outcome);
}

const std::string& FilePipeline::Result() {
  if (!resultMade_) lastResult_ = engine_.OutputBytes();
  resultMade_ = true;
  return lastResult_;
}

bool FilePipeline::WriteResult(ProcessOutcome* outcome, int64_t* bytesWritten) {
  ProcessOutcome local;
  ProcessOutcome& out = outcome ? *outcome : local;
  Result();
  // Written only over the very file that was read: an edit saved meanwhile by another
  // program is neither in the result nor in the backup, and must not be lost.
  ReplaceOptions options;
  options.Expected = &page_.Status;
  std::string err;
  bool changed = false;
  if (!ReplaceFileAt(page_.File, lastResult_, options, &err, &changed)) {
    out = changed ? ProcessOutcome{FileFault::Changed,
                                   "it was changed by another program after it was read; "
                                   "left as it is"}
                  : ProcessOutcome{FileFault::WriteFailed, err};
    return false;
  }
  if (bytesWritten) *bytesWritten = int64_t(lastResult_.size());
  // The scratch copy of the last result; the file itself is already safe.
  if (WriteScratchFiles) WriteScratchCopy(state_.TempOutFile, lastResult_);
  return true;
}

}  // namespace tessel
