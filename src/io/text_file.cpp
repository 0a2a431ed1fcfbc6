#include "io/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/shown_name.h"
#include "io/posix_file.h"

namespace tessel {

using namespace posix;

std::string QuotedPath(const std::filesystem::path& path) { return CQuoted(path.native()); }

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string* err) {
  // O_NONBLOCK keeps a named pipe from hanging the open; it is rejected just below.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return FailErrno(err, "Cannot read", path);
  Fd closer(fd);
  return ReadOpenFile(fd, path, bytes, nullptr, err);
}

bool ReadOpenFile(int fd, const std::filesystem::path& path, std::string& bytes,
                  struct stat* status, std::string* err) {
  struct stat st;
  if (fstat(fd, &st) != 0) return FailErrno(err, "Cannot read", path);
  if (status) *status = st;
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

}  // namespace tessel
