#include "batch/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>

#include "batch/posix_file.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using namespace posix;

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

/// Fills the temporary file and gives it the target's mode; errno tells a failure.
bool FillTemp(int fd, std::string_view bytes, const TargetInfo& info) {
  if (!WriteAll(fd, bytes)) return false;
  // Give the file back to its owner where we may (as root); elsewhere this fails harmlessly
  // and the writer owns the new file. Before fchmod, since a change of owner clears set-id bits.
  if (info.Exists && (info.Uid != geteuid() || info.Gid != getegid())) {
    [[maybe_unused]] int ignored = fchown(fd, info.Uid, info.Gid);
  }
  mode_t mode = info.Exists ? info.Mode : mode_t(0666 & ~CurrentUmask());
  return fchmod(fd, mode) == 0;
}

}  // namespace

bool WriteFileAtomic(const fs::path& path, std::string_view bytes, std::string* err) {
  const fs::path target = WriteTarget(path);
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  TargetInfo info;
  if (!CheckDirectory(dir, err) || !CheckTarget(target, info, err)) return false;

  std::string temp = (dir / ".tessel-tmp-XXXXXX").string();
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return FailErrno(err, "Cannot create a temporary file in", dir);
  Fd closer(fd);
  bool ok = FillTemp(fd, bytes, info);
  ok = ok && closer.Close();
  ok = ok && rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    int code = errno;
    unlink(temp.c_str());
    return Fail(err, "Cannot write " + QuotedPath(target) + ": " + ErrnoText(code));
  }
  return true;
}

void NormalizeLineEndsInPlace(std::string& text, bool* hadNul) {
  const void* nul = std::memchr(text.data(), '\0', text.size());
  if (hadNul) *hadNul = nul != nullptr;
  if (nul) text.resize(size_t(static_cast<const char*>(nul) - text.data()));
  // Every CR ends a line; a line feed right after it belongs to it. The text only shrinks,
  // so it is rewritten in place, and a file without CR is not touched at all.
  char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* r = begin;
  char* w = begin;
  while (r < end) {
    const char* cr = static_cast<const char*>(std::memchr(r, '\r', size_t(end - r)));
    const char* stop = cr ? cr : end;
    if (w != r) std::memmove(w, r, size_t(stop - r));
    w += stop - r;
    if (!cr) break;
    *w++ = '\n';
    r = cr + 1;
    if (r < end && *r == '\n') ++r;
  }
  text.resize(size_t(w - begin));
  if (!text.empty() && text.back() != '\n') text.push_back('\n');
}

std::string NormalizeLineEnds(std::string_view bytes, bool* hadNul) {
  std::string text(bytes);
  NormalizeLineEndsInPlace(text, hadNul);
  return text;
}

std::string QuotedPath(const fs::path& path) {
  std::string out(1, '"');
  out += path.string();
  out += '"';
  return out;
}

bool ReadWholeFile(const fs::path& path, std::string& bytes, std::string* err) {
  // O_NONBLOCK keeps a named pipe from hanging the open; it is rejected just below.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return FailErrno(err, "Cannot read", path);
  Fd closer(fd);
  struct stat st;
  if (fstat(fd, &st) != 0) return FailErrno(err, "Cannot read", path);
  if (S_ISDIR(st.st_mode))
    return Fail(err, "Cannot read " + QuotedPath(path) + ": it is a directory");
  if (!S_ISREG(st.st_mode))
    return Fail(err, "Cannot read " + QuotedPath(path) + ": not a regular file");

  std::string out;
  out.reserve(size_t(st.st_size) + 1);  // room for the line feed a last line may get
  out.resize(size_t(st.st_size));
  size_t got = 0;
  for (;;) {
    ssize_t n;
    char probe[4096];
    if (got < out.size()) {
      n = read(fd, out.data() + got, out.size() - got);
      if (n > 0) got += size_t(n);
    } else {
      // The size was reached: a small read tells whether the file grew meanwhile, without
      // growing (and copying) the buffer for the usual answer, which is no.
      n = read(fd, probe, sizeof probe);
      if (n > 0) {
        out.append(probe, size_t(n));
        got = out.size();
      }
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FailErrno(err, "Cannot read", path);
    if (n == 0) break;
  }
  out.resize(got);
  bytes = std::move(out);
  return true;
}

bool ReadTextForProcessing(const fs::path& path, std::string& text, bool* hadNul,
                           std::string* err) {
  if (!ReadWholeFile(path, text, err)) return false;
  NormalizeLineEndsInPlace(text, hadNul);
  return true;
}

}  // namespace tessel
