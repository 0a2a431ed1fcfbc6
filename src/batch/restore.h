// Putting files back to the content of their sibling backups.
#pragma once

#include <optional>
#include <string>

#include "batch/pipeline.h"
#include "batch/run_state.h"
#include "io/file_at.h"

namespace tessel {

/// The batch restore of one file: a byte copy of its sibling backup over it, keeping the
/// backup's date, through a temporary file so a failed copy leaves the file as it was.
/// Sets BackupFileName. False with NoBackup when there is no backup (the file is skipped),
/// RestoreFailed when the copy failed, or when the backup or the page is a symbolic link:
/// a backup that is a link is never read, and a page that is one never written through.
bool RestoreFromBackup(RunState& state, const FileAt& page, ProcessOutcome* outcome);

/// The restore of the single file in the editor: the backup's text, every line (the last
/// included) ended by CR LF, written over `path` and then to TempOutFile. Sets
/// BackupFileName. False with *err when there is no backup, it is a link, it cannot be
/// read, it holds a NUL byte, or `path` is a link or cannot be written (then `path` is as
/// it was). *text (if given) receives the text written.
bool RestoreSingleFile(RunState& state, const std::string& path, std::string* err,
                       std::string* text = nullptr);

/// The text of the single file's sibling backup for the restore's preview, read as a
/// restore reads it: never through a link. Sets BackupFileName. Nothing when there is no
/// backup (*err empty) or, with *err saying why, when it is a link or cannot be read.
std::optional<std::string> ReadSingleFileBackup(RunState& state, const std::string& path,
                                                std::string* err);

/// The status text after a single-file restore.
std::string RestoredStatusText(const std::string& path);

}  // namespace tessel
