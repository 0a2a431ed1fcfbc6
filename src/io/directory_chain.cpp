#include "io/directory_chain.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "io/posix_file.h"
#include "io/text_file.h"

namespace tessel {
namespace {

using namespace posix;

constexpr int kDirFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

/// The names of an absolute path; false when it is not absolute or holds "." or "..".
bool SplitPath(std::string_view path, std::vector<std::string_view>& names) {
  if (path.empty() || path.front() != '/') return false;
  while (!path.empty()) {
    const size_t slash = path.find('/');
    const std::string_view name = path.substr(0, slash);
    if (name == "." || name == "..") return false;
    if (!name.empty()) names.push_back(name);
    path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
  }
  return true;
}

std::string Joined(const std::vector<std::string_view>& names, size_t count) {
  std::string path;
  for (size_t i = 0; i < count; ++i) path.append("/").append(names[i]);
  return path.empty() ? "/" : path;
}

}  // namespace

bool ResolvePath(const std::string& path, std::string* resolved, std::string* err) {
  char* real = realpath(path.empty() ? "." : path.c_str(), nullptr);
  if (real == nullptr) return FailErrno(err, "Cannot resolve", path);
  *resolved = real;
  std::free(real);
  return true;
}

std::string ResolvedFilePath(const std::string& path, bool followLinkAtName) {
  std::string resolved;
  if (followLinkAtName && ResolvePath(path, &resolved, nullptr)) return resolved;
  const std::filesystem::path named(path);
  std::string dir;
  if (!named.has_filename() || !ResolvePath(named.parent_path().string(), &dir, nullptr)) {
    return path;
  }
  return (std::filesystem::path(dir) / named.filename()).string();
}

DirectoryChain::~DirectoryChain() { Clear(); }

void DirectoryChain::Clear() { KeepFirst(0); }

void DirectoryChain::KeepFirst(size_t count) {
  while (opened_.size() > count) {
    close(opened_.back().Fd);
    opened_.pop_back();
  }
}

void DirectoryChain::TrustUpTo(std::string_view root) {
  if (root == trustedRoot_) return;
  trustedRoot_ = root;
  std::vector<std::string_view> names;
  trusted_.clear();
  if (SplitPath(root, names)) trusted_.assign(names.begin(), names.end());
}

bool DirectoryChain::StillInPlace(size_t index) const {
  if (index == 0) return true;  // the root cannot be replaced
  struct stat st;
  const Opened& dir = opened_[index];
  return fstatat(opened_[index - 1].Fd, dir.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISDIR(st.st_mode) && st.st_dev == dir.Dev && st.st_ino == dir.Ino;
}

int DirectoryChain::Open(std::string_view dir, std::string* err, bool create) {
  std::vector<std::string_view> names;
  if (!SplitPath(dir, names)) {
    Fail(err, QuotedPath(std::string(dir)) + " is not an absolute path without links");
    return -1;
  }
  // How many of the names lead down to the trusted directory.
  size_t trusted = 0;
  while (trusted < trusted_.size() && trusted < names.size() && trusted_[trusted] == names[trusted]) {
    ++trusted;
  }
  if (trusted < trusted_.size()) trusted = 0;  // not below it: everything is checked
  // The directories already open that lead to `dir` and are still where they were.
  size_t keep = 0;
  while (keep < opened_.size() &&
         (keep == 0 || (keep - 1 < names.size() && opened_[keep].Name == names[keep - 1] &&
                        (keep <= trusted || StillInPlace(keep))))) {
    ++keep;
  }
  KeepFirst(keep);
  for (size_t i = opened_.size(); i <= names.size(); ++i) {
    const std::string name = i == 0 ? std::string() : std::string(names[i - 1]);
    int fd = i == 0 ? open("/", kDirFlags) : openat(opened_.back().Fd, name.c_str(), kDirFlags);
    if (fd < 0 && errno == ENOENT && create &&
        (mkdirat(opened_.back().Fd, name.c_str(), 0777) == 0 || errno == EEXIST)) {
      fd = openat(opened_.back().Fd, name.c_str(), kDirFlags);
    }
    struct stat st;
    if (fd >= 0 && fstat(fd, &st) != 0) {
      close(fd);
      fd = -1;
    }
    if (fd < 0) {
      const int code = errno;
      const std::string path = Joined(names, i);
      struct stat link;
      if (i > 0 && fstatat(opened_.back().Fd, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISLNK(link.st_mode)) {
        Fail(err, "Cannot open directory " + QuotedPath(path) +
                      ": it is a symbolic link, which is not followed");
      } else {
        Fail(err, "Cannot open directory " + QuotedPath(path) + ": " + ErrnoText(code));
      }
      errno = code;
      return -1;
    }
    opened_.push_back({name, fd, st.st_dev, st.st_ino});
  }
  return opened_.back().Fd;
}

}  // namespace tessel
