// Small POSIX helpers shared by the code that reads, writes and copies users' files.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "io/text_file.h"

namespace tessel::posix {

/// Any write permission bit: a file or directory without one is read-only to us, even as root.
inline constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

inline bool Fail(std::string* err, std::string message) {
  if (err) *err = std::move(message);
  return false;
}

inline std::string ErrnoText(int code) { return std::generic_category().message(code); }

/// '<what> "<path>": <reason of errno>', with errno taken before anything can change it.
inline bool FailErrno(std::string* err, std::string_view what, const std::filesystem::path& path) {
  const int code = errno;
  return Fail(err, std::string(what) + " " + QuotedPath(path) + ": " + ErrnoText(code));
}

/// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  /// Closes now and reports whether the close succeeded.
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

/// Writes all of `bytes`, going on after interrupted or short writes. A write of nothing
/// fails, or a stuck descriptor would loop for ever.
inline bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(size_t(n));
  }
  return true;
}

}  // namespace tessel::posix
