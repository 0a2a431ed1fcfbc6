// Reading and replacing a file named by an open directory and a name in it. Every read
// and write of a user's page goes through these: its directory was opened once, so a
// directory renamed, or replaced by a link, after that cannot redirect the read or the
// write, and a symbolic link at the name itself is never followed.
//
// A replacement is written to a temporary file in the same directory and renamed over the
// name, so the file is at every moment either its old content or its new content, whole:
// a failed or interrupted write (a full disk, a killed process) leaves it as it was. It
// is not durable against a power loss or a system crash: nothing is fsync'ed, since a tree
// run of thousands of pages would then wait for the disk once per page. After such a
// crash a page can be empty or old, and its backup, which was complete before the page was
// touched, is what to restore from.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tessel {

/// A file: the handle of its directory (kept open by the caller), its name in there, and
/// its full path, which only messages use.
struct FileAt {
  int Dir = -1;
  std::string Name;
  std::string Path;
};

/// A file as it was read: where it lies, its status when it was opened, and its bytes.
struct LoadedFile {
  FileAt File;
  struct stat Status {};
  std::string Bytes;
};

/// Whether `now` is still the file that `before` described: the same inode, size and
/// modification time.
bool SameFileContent(const struct stat& before, const struct stat& now);

/// lstat of the file. False, with errno set, when there is none or it cannot be looked at.
bool StatAt(const FileAt& file, struct stat* st);

/// The whole file, byte for byte, and its status when it was opened (`st`, if given).
/// Refuses a symbolic link at the name, directories, FIFOs and other non-regular files.
bool ReadFileAt(const FileAt& file, std::string& bytes, struct stat* st, std::string* err);

/// What a replace may find at the name, and what the new file takes over.
struct ReplaceOptions {
  /// A symbolic link at the name is replaced by the new file (the link goes, the file it
  /// points to is not touched). Without it a link is refused.
  bool ReplaceLink = false;
  /// The name must still hold this file, unchanged (SameFileContent); when it does not,
  /// nothing is written and *changed is set.
  const struct stat* Expected = nullptr;
  /// An existing file keeps its permission bits and owner, and a read-only one (no write
  /// bit, even for root) is refused. Without it, whatever is there is replaced and the new
  /// file gets NewFileMode.
  bool KeepExisting = true;
  /// Permission bits of a new file; none: 0666 less the umask.
  std::optional<mode_t> NewFileMode;
  /// With KeepExisting, an existing file still hands on its owner and a read-only one is
  /// still refused, but the new file gets NewFileMode: a restore puts back the mode the
  /// backup kept.
  bool TakeNewFileMode = false;
  /// Nothing may be at the name: the file is created, and should another program make one
  /// there meanwhile, nothing is written and *changed is set.
  bool MustBeAbsent = false;
  /// Access and modification time of the new file; none: the time of writing.
  const struct timespec* Times = nullptr;
};

/// Replaces the file with `bytes`. False with *err when it could not (the file is then as
/// it was, and no temporary file remains); *changed (if given) tells whether that was
/// because Expected no longer held.
bool ReplaceFileAt(const FileAt& target, std::string_view bytes, const ReplaceOptions& options,
                   std::string* err, bool* changed = nullptr);

/// The same with content written by `fill` (false, with errno, when it fails); `failure`
/// begins the message of a failed write ("Cannot copy ...").
bool ReplaceFileAtBy(const FileAt& target, const std::function<bool(int fd)>& fill,
                     const ReplaceOptions& options, const std::string& failure, std::string* err,
                     bool* changed = nullptr);

/// Creates the file, which must not exist, with `bytes` and mode 0600: exclusively, so
/// that nothing planted at the name (a link, a file) is ever written to. *created (if
/// given) receives its status.
bool CreateFileAt(const FileAt& target, std::string_view bytes, std::string* err,
                  struct stat* created = nullptr);

}  // namespace tessel
