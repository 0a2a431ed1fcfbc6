#include "io/safe_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <system_error>

#include "io/posix_file.h"
#include "io/text_file.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using namespace posix;

constexpr size_t kCopyBlock = 16384;

/// What a replacement writes, and what it carries over besides the bytes.
struct NewContent {
  /// Writes the content to the temporary file; errno tells a failure.
  std::function<bool(int fd)> Fill;
  /// The permission bits of a target that does not exist yet; none: 0666 less the umask.
  std::optional<mode_t> NewFileMode;
  /// Access and modification time to give the file; none: the time of writing.
  const struct timespec* Times = nullptr;
  /// The start of the message when the write fails ("Cannot write "x"").
  std::string Failure;
};

/// What an existing target needs carried over to its replacement.
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

/// Writing through a symbolic link replaces the file it points to and keeps the link.
fs::path WriteTarget(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_symlink(path, ec)) return path;
  fs::path resolved = fs::weakly_canonical(path, ec);
  return ec ? path : resolved;
}

// Permission bits are checked by hand as well as with access(): running as root, access()
// grants everything, but a user who made a file or directory read-only means it.
bool CheckDirectory(const fs::path& dir, std::string* err) {
  struct stat st;
  if (stat(dir.c_str(), &st) != 0) {
    if (errno == ENOENT) return Fail(err, "Directory " + QuotedPath(dir) + " does not exist");
    return FailErrno(err, "Cannot use directory", dir);
  }
  if (!S_ISDIR(st.st_mode)) return Fail(err, QuotedPath(dir) + " is not a directory");
  if ((st.st_mode & kWriteBits) == 0 || access(dir.c_str(), W_OK) != 0) {
    return Fail(err, "Directory " + QuotedPath(dir) + " is read-only");
  }
  return true;
}

bool CheckTarget(const fs::path& target, TargetInfo& info, std::string* err) {
  struct stat st;
  if (stat(target.c_str(), &st) != 0) {
    if (errno == ENOENT) return true;
    return FailErrno(err, "Cannot write", target);
  }
  if (!S_ISREG(st.st_mode)) return Fail(err, QuotedPath(target) + " is not a regular file");
  if ((st.st_mode & kWriteBits) == 0 || access(target.c_str(), W_OK) != 0) {
    return Fail(err, "File " + QuotedPath(target) + " is read-only");
  }
  info = {true, mode_t(st.st_mode & 07777), st.st_uid, st.st_gid};
  return true;
}

/// Fills the temporary file and gives it its mode and times; errno tells a failure.
bool FillTemp(int fd, const NewContent& content, const TargetInfo& info) {
  if (!content.Fill(fd)) return false;
  // Give the file back to its owner where we may (as root); elsewhere this fails harmlessly
  // and the writer owns the new file. Before fchmod, since a change of owner clears set-id bits.
  if (info.Exists && (info.Uid != geteuid() || info.Gid != getegid())) {
    [[maybe_unused]] int ignored = fchown(fd, info.Uid, info.Gid);
  }
  mode_t mode = info.Exists ? info.Mode : content.NewFileMode.value_or(0666 & ~CurrentUmask());
  if (fchmod(fd, mode) != 0) return false;
  return content.Times == nullptr || futimens(fd, content.Times) == 0;
}

/// The one replace: temporary file in the target's directory, then a rename over it.
bool ReplaceFile(const fs::path& path, const NewContent& content, std::string* err) {
  const fs::path target = WriteTarget(path);
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  TargetInfo info;
  if (!CheckDirectory(dir, err) || !CheckTarget(target, info, err)) return false;

  std::string temp = (dir / ".tessel-tmp-XXXXXX").string();
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return FailErrno(err, "Cannot create a temporary file in", dir);
  Fd closer(fd);
  bool ok = FillTemp(fd, content, info);
  ok = ok && closer.Close();
  ok = ok && rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    int code = errno;
    unlink(temp.c_str());
    return Fail(err, content.Failure + ": " + ErrnoText(code));
  }
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
  NewContent content;
  content.Fill = [bytes](int fd) { return WriteAll(fd, bytes); };
  content.Failure = "Cannot write " + QuotedPath(WriteTarget(path));
  return ReplaceFile(path, content, err);
}

bool CopyFileKeepDate(const std::string& source, const std::string& target, std::string* err) {
  Fd in(open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (in.get() < 0) return FailErrno(err, "Cannot read", source);
  struct stat src;
  if (fstat(in.get(), &src) != 0) return FailErrno(err, "Cannot read", source);
  if (!S_ISREG(src.st_mode)) return Fail(err, QuotedPath(source) + " is not a regular file");

  const struct timespec times[2] = {src.st_atim, src.st_mtim};
  NewContent content;
  content.Fill = [&in](int fd) { return CopyBlocks(in.get(), fd); };
  content.NewFileMode = mode_t(src.st_mode & 07777);
  content.Times = times;
  content.Failure = "Cannot copy " + QuotedPath(source) + " to " + QuotedPath(target);
  return ReplaceFile(target, content, err);
}

}  // namespace tessel
