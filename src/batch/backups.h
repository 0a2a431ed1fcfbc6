// Backups of processed files, file sizes, and the protocol line written for each file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "batch/run_state.h"
#include "io/directory_chain.h"
#include "io/file_at.h"

namespace tessel {

inline constexpr std::string_view kDefaultBackupExt = ".pbak";
/// How many characters of a backup extension are stored.
inline constexpr size_t kMaxBackupExtLength = 5;
inline constexpr std::string_view kTooManyBackupDirs = "Too many existing BACKUP-Directories";

/// `path` without its trailing "/" characters, followed by exactly one "/".
std::string WithTrailingSeparator(std::string_view path);

/// Size in bytes of a regular file (symbolic links followed); 0 when there is none.
int64_t GetFileSize(const std::string& path);

/// `file` followed by state.BackupExt.
std::string SiblingBackupPath(const RunState& state, const std::string& file);

/// The place of `file` inside state.BackupDir: its path relative to state.SourceDir.
std::string MirrorBackupPath(const RunState& state, const std::string& file);

/// The first of SourceDir_BAK00/ .. SourceDir_BAK99/ that does not exist; "" when all do.
/// With `from`, numbers below it are not considered.
std::string NextBackupDir(const RunState& state, int from = 0);

/// Makes the numbered backup directory of a tree run (missing parents included) and stores
/// it in state.BackupDir. False when all 100 numbers are taken (*err is kTooManyBackupDirs)
/// or the directory cannot be made; BackupDir is then empty. Shows nothing itself. `from`
/// as for NextBackupDir.
bool CreateBackupDir(RunState& state, std::string* err, int from = 0);

/// Whether a sibling backup exists for the current selection: the single file (which also
/// sets BackupFileName), any of the picked files; never for a tree or no selection.
bool BackupExists(RunState& state);

/// A typed backup extension made usable: trimmed, inner spaces and later points become
/// "_", a leading "." added, ".pbak" when nothing is left. The caller stores at most
/// kMaxBackupExtLength characters of it.
std::string NormalizeBackupExt(std::string_view typed);

/// Backs up `page` (as it was read) before it is processed: to its mirror path in a tree
/// run (creating the folders it needs, opened through `backupDirs`), else to its sibling
/// path. A backup is always a regular file written by replacing its name: a symbolic link
/// found there is replaced, and what it points to is never touched. Sets BackupFileName.
/// False with *err when it failed; the file must then be left unchanged.
/// With `linked`, a tree backup may instead be a hard link to the page (the same file
/// system): no data is copied, and once the result is renamed over the page the link is the
/// untouched original. *linked tells which; a page that is then not rewritten must have
/// its backup detached, or later changes to the page would reach the backup.
bool MakeBackup(RunState& state, const LoadedFile& page, DirectoryChain& backupDirs,
                std::string* err, bool* linked = nullptr);

/// The tree backup of `page` as a hard link to it, without reading it: `page` needs only
/// its File and Status. False, with nothing left behind, when no such link can be made (or
/// the name no longer holds what Status describes); the page is then to be read and backed
/// up with MakeBackup. Sets BackupFileName.
bool LinkTreeBackup(RunState& state, const LoadedFile& page, DirectoryChain& backupDirs,
                    std::string* err);

/// Turns a linked backup of `page` (state.BackupFileName) into a copy of its own, in one
/// rename: the name holds the link until the copy replaces it, so on failure the backup is
/// still there, a hard link to the page.
bool DetachBackup(const RunState& state, const LoadedFile& page, DirectoryChain& backupDirs,
                  std::string* err);

/// " before->after (saved bytes, percent%)  saved ".
std::string SizeStats(int64_t before, int64_t after);

/// Adds the protocol line of state.FileName for the current mode, with its backup when one
/// was made, and adds the sizes to the run's totals. In Format, Compress and Trim a file
/// that was not `done` gets the line of FileNotProcessedLine without a reason and adds
/// nothing to the totals.
void LogFileResult(RunState& state, RunHost& host, int64_t before, int64_t after, bool done);

// Paths in protocol lines are shown by ShownName: quoted when they hold a control character.

/// "==> <path>   -  not processed: <reason>" (the reason part only when there is one).
std::string FileNotProcessedLine(const std::string& path, std::string_view reason);
/// "==> <path>   -  backup failed, file left unchanged: <reason>".
std::string BackupFailedLine(const std::string& path, std::string_view reason);
/// "==> <path>   -  restore failed, file left unchanged: <reason>".
std::string RestoreFailedLine(const std::string& path, std::string_view reason);

/// Adds `line` to the protocol page and tells the host.
void AddProtocolLine(RunState& state, RunHost& host, std::string_view line);

}  // namespace tessel
