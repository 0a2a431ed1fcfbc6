// One file on disk through the current mode: free-space guard, loading, the engine stage
// or the restore copy, and writing the result back.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "batch/run_state.h"
#include "engine/engine.h"
#include "io/directory_chain.h"
#include "io/file_at.h"

namespace tessel {

/// Why a file was not processed.
enum class FileFault {
  None,
  Gone,           // the file no longer exists
  Unreadable,     // it could not be read (or is not a regular file)
  NulByte,        // it holds a NUL byte: not an HTML text file, left unchanged
  DiskFull,       // too little free space: the run must end (Message is the text to show)
  NoBackup,       // Restore: no sibling backup, the file is skipped
  RestoreFailed,  // Restore: the copy failed, the file is as it was
  BackupFailed,   // the backup could not be made, so the file was not touched
  WriteFailed,    // the result could not be written; the file is as it was
  Changed,        // another program changed the file after it was read: it is left as it is
  RendersDifferently,  // the result could render differently: the file is left as it was
};

struct ProcessOutcome {
  FileFault Fault = FileFault::None;
  /// Why, for the protocol; for DiskFull the whole message box text.
  std::string Message;
};

/// Free space of the file system holding a path, and where that file system is mounted.
struct FreeSpace {
  uint64_t FreeBytes = 0;
  std::string MountPoint;  // empty: looked up when it is needed
};
using FreeSpaceQuery = std::function<std::optional<FreeSpace>(const std::string& path)>;

/// statvfs of `path` (bytes available to unprivileged users) and its mount point;
/// nothing when the file system cannot tell.
std::optional<FreeSpace> QueryFreeSpace(const std::string& path);

/// The topmost directory above `path` on the same device as `path` itself.
std::string MountPointOf(const std::string& path);

/// "Disk full: <mount point>" CR LF "Program terminated."
std::string DiskFullMessage(std::string_view mountPoint);

/// The protocol line for a file that was not processed: "   -  skip" for NoBackup, the
/// restore-failed or backup-failed line for those faults, "   -  left unchanged: " and
/// Message for RendersDifferently, else the not-processed line with the reason ("cannot
/// write: " and Message for WriteFailed). The path is shown quoted
/// when it holds a control character (ShownName).
std::string FailedFileLine(const std::string& path, const ProcessOutcome& outcome);

/// The scratch dumps of the engine's token lists, for inspection only.
inline constexpr std::string_view kTokenDumpName = "0tmp_htm.htm";
inline constexpr std::string_view kBlockDumpName = "0tmp_nftags.htm";

/// Writes the scratch dumps of `engine`'s TokenList and BlockList into the data directory
/// `programDir` (ending in "/"; nothing when it is empty). Like every scratch file each
/// replaces whatever is at its name and is never written through a link; a failure is no
/// fault of anything.
void WriteListDumps(const std::string& programDir, const Engine& engine);
/// Writes a scratch copy ("$tmp.htm") in the same way.
void WriteScratchCopy(const std::string& path, std::string_view bytes);

/// The engine's mode for Format, Compress and Trim.
EngineMode EngineModeOf(ProcessKind mode);

/// Every file goes through this: its directory opened without following links (the path
/// must be absolute and hold no link, as ResolvePath gives it), the file itself never
/// followed when it is a link, read once, and replaced only while it is still the file
/// that was read.
class FilePipeline {
 public:
  FilePipeline(RunState& state, Style& style, const TrimTagList& trimList, RunHost& host);

  /// LoadFile, then RunStage.
  bool ProcessFile(const std::string& path, ProcessOutcome* outcome);

  /// Opens `path` and checks the free space; then, unless restoring, reads it (page()) and
  /// puts its text into engine().SourceText, and sets the engine to write it by its
  /// conventions. False when it is gone, a link, unreadable, holds a NUL byte, has an
  /// .editorconfig that cannot be read, or the disk is too full (DiskFull: the run must end).
  bool LoadFile(const std::string& path, ProcessOutcome* outcome);

  /// The stage of state.ProcessMode on the loaded file: the engine (its result is then in
  /// engine().OutputLines, for WriteResult), or the restore from its backup. False when the
  /// restore did not happen; *outcome says why.
  bool RunStage(ProcessOutcome* outcome);

  /// Opens and reads `path`: the file into engine().SourceText, every line ended by one
  /// LF. False when it is gone, unreadable or holds a NUL byte (then SourceText is empty).
  bool LoadSourceText(const std::string& path, ProcessOutcome* outcome);

  /// False, with the message to show, when the file system holding `path` has less than
  /// four times the file's size free. True when the free space cannot be determined.
  bool CheckDiskSpace(const std::string& path, std::string* message);

  /// OutputLines, each line followed by the file's line end: the bytes WriteResult writes
  /// for the file loaded last (made once, and kept until the next file is loaded).
  const std::string& Result();

  /// Result(), written over the loaded file
  /// (through a temporary file renamed over it, keeping its permissions) and then to
  /// state.TempOutFile. False, with WriteFailed or Changed in *outcome, when the file could
  /// not be written or is no longer the file that was read; it is then as it was.
  /// *bytesWritten (if given) is the size of the new file.
  bool WriteResult(ProcessOutcome* outcome, int64_t* bytesWritten = nullptr);

  Engine& engine() { return engine_; }
  /// How the last file loaded is written (state.Conventions applied to it).
  const FileConventions& Conventions() const { return conventions_; }
  /// The file last loaded: where it lies, its status and its bytes as read.
  const LoadedFile& page() const { return page_; }
  /// The bytes the last WriteResult wrote.
  const std::string& LastResult() const { return lastResult_; }
  /// Closes the directories kept open between files.
  void CloseDirectories() { dirs_.Clear(); }

  /// Whether the scratch files (the list dumps and TempOutFile) are written. A batch run
  /// writes them for its last file only: each would overwrite the one before.
  bool WriteScratchFiles = true;

  /// The free-space query; tests replace it to simulate a full disk.
  FreeSpaceQuery FreeSpaceOf = QueryFreeSpace;

 private:
  bool OpenPage(const std::string& path, ProcessOutcome& out);
  bool ReadPage(ProcessOutcome& out);

  RunState& state_;
  const TrimTagList& trimList_;
  RunHost& host_;
  Engine engine_;
  FileConventions conventions_;
  DirectoryChain dirs_;
  LoadedFile page_;
  std::string lastResult_;
  bool resultMade_ = false;  // lastResult_ holds the result of the file loaded last
};

}  // namespace tessel
