// Replacing files on disk: every file the program writes (results, backups, restores,
// settings, style files, reports) goes through the one replace routine behind these.
//
// A replacement is written to a temporary file in the target's directory and renamed over
// the target, so the target is at every moment either its old content or its new content,
// whole: a failed or interrupted write (a full disk, a killed process, a read error of the
// source) leaves it as it was. It is not durable against a power loss or a system crash:
// nothing is fsync'ed, since a tree run of thousands of pages would then wait for the disk
// once per page. After such a crash a page can be empty or old, and its backup, which was
// complete before the page was touched, is what to restore from.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tessel {

/// Replaces `path` with `bytes`. A symbolic link is written through: the file it points to
/// is replaced and the link stays. An existing file keeps its permission bits (and, where
/// the process may, its owner); a new one gets 0666 less the umask. Refuses read-only files
/// and directories even when the process could override them. On failure the target is left
/// as it was, no temporary file remains, and *err says why.
bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes, std::string* err);

/// Byte copy of `source` over `target` in 16384-byte blocks, through the same replace; the
/// target gets the source's modification time. An existing target keeps its permission bits
/// (a read-only one is refused); a new one gets the source's. False on any failure, with
/// *err saying why; the target is then as it was.
bool CopyFileKeepDate(const std::string& source, const std::string& target,
                      std::string* err = nullptr);

}  // namespace tessel
