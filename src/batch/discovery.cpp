#include "batch/discovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/ascii.h"
#include "io/directory_chain.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

/// The extension with its point, as the file system layer sees it: "" for "readme" and
/// for ".profile", "." for "name.".
std::string Extension(std::string_view name) { return fs::path(name).extension().string(); }

enum class TagSearch { Found, NotFound, ReadError };

/// Searches the open file block by block, so a huge file is never held whole and a tag
/// near the start ends the read early. The last bytes of a block are kept in front of the
/// next one, so a tag split by a block boundary is still found.
TagSearch SearchHtmlTag(int fd) {
  constexpr size_t kBlock = 64 * 1024;
  constexpr size_t kKeep = 4;  // "<HTML" minus one
  std::string buffer(kKeep + kBlock, '\0');
  size_t kept = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data() + kept, kBlock);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return TagSearch::ReadError;
    if (n == 0) return TagSearch::NotFound;
    const size_t have = kept + static_cast<size_t>(n);
    if (ContainsHtmlTag(std::string_view(buffer.data(), have))) return TagSearch::Found;
    kept = std::min(kKeep, have);
    std::memmove(buffer.data(), buffer.data() + have - kept, kept);
  }
}

// O_NONBLOCK: should the file turn into a FIFO after the type check, open must not hang.
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

bool FileHoldsHtmlTag(const std::string& path) {
  const int fd = ::open(path.c_str(), kReadFlags);
  if (fd < 0) return false;
  const bool found = SearchHtmlTag(fd) == TagSearch::Found;  // a read error: not valid
  ::close(fd);
  return found;
}

/// "*" + the extension, cut to 5 characters and upper-cased, occurs in the type list (a
/// name without an extension passes).
bool HasListedExtension(std::string_view name) {
  std::string key = "*";
  key += Extension(name);
  key = AsciiUpperCase(std::string_view(key).substr(0, 5));
  static const std::string kUpperList = AsciiUpperCase(FileTypeList());
  return kUpperList.find(key) != std::string::npos;
}

bool IsHidden(std::string_view name) { return !name.empty() && name.front() == '.'; }

struct DirId {
  dev_t Dev;
  ino_t Ino;
  bool operator==(const DirId&) const = default;
};

unsigned char TypeOf(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return DT_DIR;
  if (S_ISREG(st.st_mode)) return DT_REG;
  if (S_ISLNK(st.st_mode)) return DT_LNK;
  return DT_UNKNOWN;
}

// Every directory is opened relative to the one above it, and no symbolic link is ever
// followed: what the scan lists lies inside the tree, whatever is renamed meanwhile.
class Scanner {
 public:
  Scanner(int filterIndex, bool doValidate, std::vector<std::string>& fileList,
          const ScanCallback& callback)
      : filterIndex_(filterIndex),
        doValidate_(doValidate),
        fileList_(fileList),
        callback_(callback) {}

  /// Lists the directory open as `fd` (which it closes), whose path `dir` ends with "/".
  /// False when the callback stopped the scan.
  bool Scan(int fd, const std::string& dir) {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
      const int code = errno;
      ::close(fd);
      return Unreadable(dir, code);
    }
    // Links are never followed, but a bind mount can still lead back to an ancestor.
    const DirId id{st.st_dev, st.st_ino};
    for (const DirId& ancestor : ancestors_) {
      if (ancestor == id) {
        ::close(fd);
        return true;
      }
    }
    DIR* list = ::fdopendir(fd);
    if (list == nullptr) {
      const int code = errno;
      ::close(fd);
      return Unreadable(dir, code);
    }
    ancestors_.push_back(id);
    bool go_on = true;
    for (;;) {
      errno = 0;
      const dirent* entry = ::readdir(list);
      if (entry == nullptr) {
        // A listing that breaks off half way is reported too: some files were not seen.
        if (errno != 0) go_on = Unreadable(dir, errno);
        break;
      }
      if (!(go_on = Visit(::dirfd(list), dir, *entry))) break;
    }
    ancestors_.pop_back();
    ::closedir(list);
    return go_on;
  }

 private:
  bool Visit(int dirFd, const std::string& dir, const dirent& entry) {
    const std::string_view name = entry.d_name;
    std::string path = dir;
    path += name;
    if (!Report(ScanEvent::Kind::Entry, path, {})) return false;
    if (IsHidden(name)) return true;  // also "." and ".."
    unsigned char type = entry.d_type;
    struct stat st;
    bool looked = false;
    if (type == DT_UNKNOWN) {
      if (::fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return Unreadable(path, errno);
      type = TypeOf(st);
      looked = true;
    }
    if (type == DT_DIR) {
      if (IsPublishingMetaDir(name)) return true;
      path += '/';
      const int sub = ::openat(dirFd, entry.d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub < 0) return Unreadable(path, errno);
      return Scan(sub, path);
    }
    if (type != DT_REG || !MatchesFilter(name, filterIndex_) || !HasListedExtension(name)) {
      return true;  // links of every kind, devices, pipes, other types
    }
    // The file is looked at itself: one that cannot be is a file the run does not see.
    if (!looked && ::fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
      return Unreadable(path, errno);
    }
    if (!S_ISREG(st.st_mode)) return true;
    if (doValidate_) {
      const int fd = ::openat(dirFd, entry.d_name, kReadFlags | O_NOFOLLOW);
      if (fd < 0) return Unreadable(path, errno);
      const TagSearch found = SearchHtmlTag(fd);
      const int code = errno;
      ::close(fd);
      if (found == TagSearch::ReadError) return Unreadable(path, code);
      if (found == TagSearch::NotFound) return true;
    }
    fileList_.push_back(std::move(path));
    return true;
  }

  bool Unreadable(std::string_view path, int code) {
    return Report(ScanEvent::Kind::Unreadable, path, std::strerror(code));
  }

  bool Report(ScanEvent::Kind kind, std::string_view path, std::string_view error) {
    return !callback_ || callback_(ScanEvent{kind, path, error});
  }

  int filterIndex_;
  bool doValidate_;
  std::vector<std::string>& fileList_;
  const ScanCallback& callback_;
  std::vector<DirId> ancestors_;  // the directories being listed, outermost first
};

}  // namespace

std::string FileTypeList() {
  std::string list;
  for (const FileType& row : kFileTypes) {
    if (!list.empty()) list += '|';
    list.append(row.Label).append("|").append(row.Mask);
  }
  return list;
}

bool ContainsHtmlTag(std::string_view text) {
  for (size_t i = text.find('<'); i != std::string_view::npos; i = text.find('<', i + 1)) {
    if (text.size() - i >= 5 && EqualsNoCase(text.substr(i + 1, 4), "HTML")) {
      return true;
    }
  }
  return false;
}

bool IsValidHtmlFile(const std::string& path, bool doValidate, bool cmdLineStart) {
  std::error_code ec;
  if (path.empty() || !fs::is_regular_file(path, ec)) return false;
  if (!HasListedExtension(fs::path(path).filename().string())) return false;
  if (!doValidate && !cmdLineStart) return true;
  return FileHoldsHtmlTag(path);
}

bool IsPublishingMetaDir(std::string_view name) {
  return AsciiUpperCase(name).find("_VTI_CNF") != std::string::npos;
}

bool MatchesFilter(std::string_view name, int filterIndex) {
  if (filterIndex < 0 || filterIndex >= static_cast<int>(kFileTypes.size())) return false;
  const std::string ext = AsciiUpperCase(Extension(name));
  std::string_view masks = kFileTypes[filterIndex].Mask;
  while (!masks.empty()) {
    const size_t end = std::min(masks.find(';'), masks.size());
    std::string_view mask = masks.substr(0, end);
    masks.remove_prefix(std::min(end + 1, masks.size()));
    if (!mask.empty() && mask.front() == '*') mask.remove_prefix(1);
    if (!mask.empty() && ext.starts_with(AsciiUpperCase(mask))) return true;
  }
  return false;
}

bool ScanDirectory(const std::string& dir, int filterIndex, bool doValidate,
                   std::vector<std::string>& fileList, const ScanCallback& callback) {
  std::error_code ec;
  std::string root = fs::absolute(dir.empty() ? "." : dir, ec).string();
  if (ec) root = dir;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (root != "/") root += '/';
  Scanner scanner(filterIndex, doValidate, fileList, callback);
  // The root as named (resolved by the caller), then nothing but what lies inside it.
  DirectoryChain chain;
  std::string err;
  const int handle = chain.Open(root, &err);
  const int fd = handle < 0 ? -1 : ::openat(handle, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (handle >= 0) err = std::strerror(errno);
    return !callback || callback(ScanEvent{ScanEvent::Kind::Unreadable, root, err});
  }
  return scanner.Scan(fd, root);
}

}  // namespace tessel
