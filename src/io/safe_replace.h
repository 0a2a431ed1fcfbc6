// Replacing files named by a path: settings, style files, reports, scratch copies and the
// files the user saves. All go through the one replace of file_at.h (a temporary file in
// the target's directory, renamed over it), so the target is at every moment either its
// old content or its new content, whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tessel {

/// Which file a name held when it was written: its device and inode.
struct FileIdentity {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

/// Replaces `path` with `bytes`. A symbolic link is written through: the file it points to
/// is replaced and the link stays (a user's settings or style file may well be a link into
/// a folder of their own). An existing file keeps its permission bits (and, where the
/// process may, its owner); a new one gets 0666 less the umask. Refuses read-only files
/// and directories even when the process could override them. On failure the target is left
/// as it was, no temporary file remains, and *err says why.
bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes, std::string* err);

/// Replaces a file of the program's own (a report, a scratch copy, a list dump) with
/// `bytes`: whatever is at the name, a symbolic link included, is replaced by a regular
/// file, and nothing is ever written through a link.
bool WriteOwnFile(const std::filesystem::path& path, std::string_view bytes, std::string* err);

/// Writes a copy the program makes beside a user's file under a fixed name (the browser
/// view's "$tesselhtml_tmp.htm"): a copy left there before, a regular file of this user, is
/// removed first; then the file is created exclusively with mode 0600, so that a link or a
/// file someone else planted at the name is never written to (that is refused instead).
/// *written (if given) identifies the copy for RemoveFreshFile.
bool WriteFreshFile(const std::filesystem::path& path, std::string_view bytes, std::string* err,
                    FileIdentity* written = nullptr);

/// Takes away the copy WriteFreshFile made at `path`, only while the name still holds that
/// very file (`written`): a link, a directory or any other file put there meanwhile stays.
/// True when nothing of ours is left there.
bool RemoveFreshFile(const std::filesystem::path& path, const FileIdentity& written,
                     std::string* err);

/// Byte copy of `source` over `target` in 16384-byte blocks, through the same replace; the
/// target gets the source's modification time. An existing target keeps its permission bits
/// (a read-only one is refused); a new one gets the source's. False on any failure, with
/// *err saying why; the target is then as it was.
bool CopyFileKeepDate(const std::string& source, const std::string& target,
                      std::string* err = nullptr);

}  // namespace tessel
