#include "io/safe_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "io/file_at.h"
#include "io/posix_file.h"
#include "io/text_file.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using namespace posix;

constexpr size_t kCopyBlock = 16384;

/// Writing through a symbolic link replaces the file it points to and keeps the link.
fs::path WriteTarget(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_symlink(path, ec)) return path;
  fs::path resolved = fs::weakly_canonical(path, ec);
  return ec ? path : resolved;
}

/// `path` as its opened directory and its name; the directory handle is kept by `holder`.
bool OpenParent(const fs::path& path, FileAt& file, int& holder, std::string* err) {
  fs::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  holder = open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (holder < 0) {
    if (errno == ENOENT) return Fail(err, "Directory " + QuotedPath(dir) + " does not exist");
    if (errno == ENOTDIR) return Fail(err, QuotedPath(dir) + " is not a directory");
    return FailErrno(err, "Cannot use directory", dir);
  }
  file = {holder, path.filename().string(), path.string()};
  return true;
}

/// Copies the rest of `in` to `out`; errno tells a failure.
bool CopyBlocks(int in, int out) {
  char buffer[kCopyBlock];
  for (;;) {
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(out, std::string_view(buffer, size_t(n)))) return false;
  }
}

}  // namespace

bool WriteFileAtomic(const fs::path& path, std::string_view bytes, std::string* err) {
  FileAt file;
  int dir = -1;
  const bool opened = OpenParent(WriteTarget(path), file, dir, err);
  Fd closer(dir);
  return opened && ReplaceFileAt(file, bytes, {}, err);
}

bool WriteOwnFile(const fs::path& path, std::string_view bytes, std::string* err) {
  FileAt file;
  int dir = -1;
  const bool opened = OpenParent(path, file, dir, err);
  Fd closer(dir);
  ReplaceOptions options;
  options.ReplaceLink = true;
  return opened && ReplaceFileAt(file, bytes, options, err);
}

bool WriteFreshFile(const fs::path& path, std::string_view bytes, std::string* err,
                    FileIdentity* written) {
  FileAt file;
  int dir = -1;
  const bool opened = OpenParent(path, file, dir, err);
  Fd closer(dir);
  if (!opened) return false;
  struct stat st;
  if (StatAt(file, &st)) {
    // Only a copy this user left (a regular file of theirs) is taken away; anything else at
    // the name was put there by someone else and stays, and the copy is not made.
    if (!S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
      return Fail(err, "Cannot write " + QuotedPath(path) +
                           ": something else is in its place (a link, or a file of another user)");
    }
    if (unlinkat(dir, file.Name.c_str(), 0) != 0 && errno != ENOENT) {
      return FailErrno(err, "Cannot replace", path);
    }
  }
  struct stat created {};
  if (!CreateFileAt(file, bytes, err, &created)) return false;
  if (written) *written = {std::uint64_t(created.st_dev), std::uint64_t(created.st_ino)};
  return true;
}

bool RemoveFreshFile(const fs::path& path, const FileIdentity& written, std::string* err) {
  FileAt file;
  int dir = -1;
  const bool opened = OpenParent(path, file, dir, err);
  Fd closer(dir);
  if (!opened) return false;
  struct stat st;
  if (!StatAt(file, &st)) return errno == ENOENT || FailErrno(err, "Cannot look at", path);
  const FileIdentity there{std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
  if (!S_ISREG(st.st_mode) || there != written) return true;  // not ours: left alone
  if (unlinkat(dir, file.Name.c_str(), 0) != 0 && errno != ENOENT) {
    return FailErrno(err, "Cannot remove", path);
  }
  return true;
}

bool CopyFileKeepDate(const std::string& source, const std::string& target, std::string* err) {
  Fd in(open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in.get() < 0) return FailErrno(err, "Cannot read", source);
  struct stat src;
  if (fstat(in.get(), &src) != 0) return FailErrno(err, "Cannot read", source);
  if (!S_ISREG(src.st_mode)) return Fail(err, QuotedPath(source) + " is not a regular file");

  FileAt file;
  int dir = -1;
  const bool opened = OpenParent(WriteTarget(target), file, dir, err);
  Fd closer(dir);
  if (!opened) return false;
  const struct timespec times[2] = {src.st_atim, src.st_mtim};
  ReplaceOptions options;
  options.NewFileMode = mode_t(src.st_mode & 07777);
  options.Times = times;
  return ReplaceFileAtBy(
      file, [&in](int fd) { return CopyBlocks(in.get(), fd); }, options,
      "Cannot copy " + QuotedPath(source) + " to " + QuotedPath(target), err);
}

}  // namespace tessel
