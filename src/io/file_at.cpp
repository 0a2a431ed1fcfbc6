#include "io/file_at.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "io/posix_file.h"
#include "io/temp_files.h"
#include "io/text_file.h"

namespace tessel {
namespace {

using namespace posix;

/// What an existing target hands on to its replacement.
struct TargetInfo {
  bool Exists = false;
  mode_t Mode = 0;
  uid_t Uid = 0;
  gid_t Gid = 0;
};

/// The umask, read without changing it (umask() itself would, racily).
mode_t CurrentUmask() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.starts_with("Umask:")) return mode_t(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  return 022;
}

std::string DirectoryPart(const std::string& path) {
  std::string dir = std::filesystem::path(path).parent_path().string();
  return dir.empty() ? "." : dir;
}

// Permission bits are checked by hand as well as with access(): running as root, access()
// grants everything, but a user who made a file or directory read-only means it.
bool CheckDirectory(const FileAt& target, std::string* err) {
  struct stat st;
  if (fstat(target.Dir, &st) != 0) return FailErrno(err, "Cannot use directory", DirectoryPart(target.Path));
  if ((st.st_mode & kWriteBits) == 0 || faccessat(target.Dir, ".", W_OK, 0) != 0) {
    return Fail(err, "Directory " + QuotedPath(DirectoryPart(target.Path)) + " is read-only");
  }
  return true;
}

std::string ChangedText(const FileAt& target) {
  return QuotedPath(target.Path) + " was changed by another program after it was read";
}

/// What is at the name now, against what the options allow. False with *err (and
/// *changed) when the replace must not go on.
bool CheckTarget(const FileAt& target, const ReplaceOptions& options, TargetInfo& info,
                 std::string* err, bool* changed) {
  info = {};
  struct stat st;
  const bool found = fstatat(target.Dir, target.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  if (!found && errno != ENOENT) return FailErrno(err, "Cannot write", target.Path);
  if (options.MustBeAbsent && found) {
    if (changed) *changed = true;
    return Fail(err, QuotedPath(target.Path) + " was made by another program meanwhile");
  }
  if (options.Expected && (!found || !SameFileContent(*options.Expected, st))) {
    if (changed) *changed = true;
    return Fail(err, ChangedText(target));
  }
  if (!found) return true;
  if (S_ISLNK(st.st_mode)) {
    if (options.ReplaceLink) return true;  // the link goes; what it points to stays as it is
    return Fail(err, QuotedPath(target.Path) + " is a symbolic link: it is not written through");
  }
  if (!S_ISREG(st.st_mode)) return Fail(err, QuotedPath(target.Path) + " is not a regular file");
  if (!options.KeepExisting) return true;
  if ((st.st_mode & kWriteBits) == 0 ||
      faccessat(target.Dir, target.Name.c_str(), W_OK, 0) != 0) {
    return Fail(err, "File " + QuotedPath(target.Path) + " is read-only");
  }
  info = {true, mode_t(st.st_mode & 07777), st.st_uid, st.st_gid};
  return true;
}

/// Fills the temporary file and gives it its mode and times; errno tells a failure.
bool FillTemp(int fd, const std::function<bool(int)>& fill, const ReplaceOptions& options,
              const TargetInfo& info) {
  if (!fill(fd)) return false;
  // Give the file back to its owner where we may (as root); elsewhere this fails harmlessly
  // and the writer owns the new file. Before fchmod, since a change of owner clears set-id bits.
  if (info.Exists && (info.Uid != geteuid() || info.Gid != getegid())) {
    [[maybe_unused]] int ignored = fchown(fd, info.Uid, info.Gid);
  }
  const bool keepMode = info.Exists && !(options.TakeNewFileMode && options.NewFileMode);
  const mode_t mode =
      keepMode ? info.Mode : options.NewFileMode.value_or(0666 & ~CurrentUmask());
  if (fchmod(fd, mode) != 0) return false;
  return options.Times == nullptr || futimens(fd, options.Times) == 0;
}

/// Renames the finished temporary file to the target's name, which must still be free: a
/// file another program made there in the meantime is never replaced.
bool PutInPlaceOfNothing(const FileAt& target, TempFile& temp, const std::string& failure,
                         std::string* err, bool* changed) {
  int done = renameat2(target.Dir, temp.Name().c_str(), target.Dir, target.Name.c_str(),
                       RENAME_NOREPLACE);
  if (done != 0 && errno == EINVAL) {  // a file system without it: a hard link cannot replace
    done = linkat(target.Dir, temp.Name().c_str(), target.Dir, target.Name.c_str(), 0);
    if (done == 0) {
      temp.Remove();
      return true;
    }
  }
  if (done == 0) {
    temp.Forget();
    return true;
  }
  const int code = errno;
  if (code == EEXIST) {
    if (changed) *changed = true;
    return Fail(err, QuotedPath(target.Path) + " was made by another program meanwhile");
  }
  return Fail(err, failure + ": " + ErrnoText(code));
}

}  // namespace

bool SameFileContent(const struct stat& before, const struct stat& now) {
  return before.st_dev == now.st_dev && before.st_ino == now.st_ino &&
         before.st_size == now.st_size && before.st_mtim.tv_sec == now.st_mtim.tv_sec &&
         before.st_mtim.tv_nsec == now.st_mtim.tv_nsec;
}

bool StatAt(const FileAt& file, struct stat* st) {
  return fstatat(file.Dir, file.Name.c_str(), st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool ReadFileAt(const FileAt& file, std::string& bytes, struct stat* st, std::string* err) {
  // O_NONBLOCK keeps a named pipe from hanging the open; it is refused just after.
  const int fd = openat(file.Dir, file.Name.c_str(),
                        O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY);
  if (fd < 0 && errno == ELOOP) {
    return Fail(err, "Cannot read " + QuotedPath(file.Path) + ": it is a symbolic link");
  }
  if (fd < 0) return FailErrno(err, "Cannot read", file.Path);
  Fd closer(fd);
  return ReadOpenFile(fd, file.Path, bytes, st, err);
}

bool ReplaceFileAtBy(const FileAt& target, const std::function<bool(int fd)>& fill,
                     const ReplaceOptions& options, const std::string& failure, std::string* err,
                     bool* changed) {
  if (changed) *changed = false;
  TargetInfo info;
  if (!CheckDirectory(target, err) || !CheckTarget(target, options, info, err, changed)) {
    return false;
  }
  TempFile temp(target.Dir);
  if (!temp.Valid()) {
    return FailErrno(err, "Cannot create a temporary file in", DirectoryPart(target.Path));
  }
  bool ok = FillTemp(temp.fd(), fill, options, info);
  ok = ok && temp.Close();
  if (!ok) {
    const int code = errno;
    return Fail(err, failure + ": " + ErrnoText(code));
  }
  // Looked at again just before the rename, to keep the window for a change small.
  TargetInfo again;
  if ((options.Expected || options.MustBeAbsent || !options.ReplaceLink) &&
      !CheckTarget(target, options, again, err, changed)) {
    return false;
  }
  if (options.MustBeAbsent) return PutInPlaceOfNothing(target, temp, failure, err, changed);
  if (renameat(target.Dir, temp.Name().c_str(), target.Dir, target.Name.c_str()) != 0) {
    const int code = errno;
    return Fail(err, failure + ": " + ErrnoText(code));
  }
  temp.Forget();
  return true;
}

bool ReplaceFileAt(const FileAt& target, std::string_view bytes, const ReplaceOptions& options,
                   std::string* err, bool* changed) {
  return ReplaceFileAtBy(
      target, [bytes](int fd) { return WriteAll(fd, bytes); }, options,
      "Cannot write " + QuotedPath(target.Path), err, changed);
}

bool CreateFileAt(const FileAt& target, std::string_view bytes, std::string* err,
                  struct stat* created) {
  const int fd = openat(target.Dir, target.Name.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return FailErrno(err, "Cannot create", target.Path);
  Fd closer(fd);
  if (created) fstat(fd, created);
  if (!WriteAll(fd, bytes) || !closer.Close()) {
    const int code = errno;
    unlinkat(target.Dir, target.Name.c_str(), 0);
    return Fail(err, "Cannot write " + QuotedPath(target.Path) + ": " + ErrnoText(code));
  }
  return true;
}

}  // namespace tessel
