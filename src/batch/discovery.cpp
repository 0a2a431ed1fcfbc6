#include "batch/discovery.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/ascii.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

/// The extension with its point, as the file system layer sees it: "" for "readme" and
/// for ".profile", "." for "name.".
std::string Extension(std::string_view name) { return fs::path(name).extension().string(); }

/// Searches the file block by block, so a huge file is never held whole and a tag near the
/// start ends the read early. The last bytes of a block are kept in front of the next one,
/// so a tag split by a block boundary is still found.
bool FileHoldsHtmlTag(const std::string& path) {
  // O_NONBLOCK: should the file turn into a FIFO after the type check, open must not hang.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  constexpr size_t kBlock = 64 * 1024;
  constexpr size_t kKeep = 4;  // "<HTML" minus one
  std::string buffer(kKeep + kBlock, '\0');
  size_t kept = 0;
  bool found = false;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data() + kept, kBlock);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // end of file, or a read error: not valid
    const size_t have = kept + static_cast<size_t>(n);
    if (ContainsHtmlTag(std::string_view(buffer.data(), have))) {
      found = true;
      break;
    }
    kept = std::min(kKeep, have);
    std::memmove(buffer.data(), buffer.data() + have - kept, kept);
  }
  ::close(fd);
  return found;
}

bool IsHidden(std::string_view name) { return !name.empty() && name.front() == '.'; }

bool IsPublishingMetaDir(std::string_view name) {
  return AsciiUpperCase(name).find("_VTI_CNF") != std::string::npos;
}

struct DirId {
  dev_t Dev;
  ino_t Ino;
  bool operator==(const DirId&) const = default;
};

class Scanner {
 public:
  Scanner(int filterIndex, bool doValidate, std::vector<std::string>& fileList,
          const ScanCallback& callback)
      : filterIndex_(filterIndex),
        doValidate_(doValidate),
        fileList_(fileList),
        callback_(callback) {}

  /// `dir` ends with "/". False when the callback stopped the scan.
  bool Scan(const std::string& dir) {
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0) {
      return Report(ScanEvent::Kind::Unreadable, dir, std::strerror(errno));
    }
    // Links are never followed, but a bind mount can still lead back to an ancestor.
    const DirId id{st.st_dev, st.st_ino};
    for (const DirId& ancestor : ancestors_) {
      if (ancestor == id) return true;
    }
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) return Report(ScanEvent::Kind::Unreadable, dir, ec.message());
    ancestors_.push_back(id);
    bool go_on = true;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
      if (!(go_on = Visit(dir, *it))) break;
      if (ec) break;
    }
    // A listing that breaks off half way is reported too: some files were not seen.
    if (go_on && ec) go_on = Report(ScanEvent::Kind::Unreadable, dir, ec.message());
    ancestors_.pop_back();
    return go_on;
  }

 private:
  bool Visit(const std::string& dir, const fs::directory_entry& entry) {
    const std::string name = entry.path().filename().string();
    std::string path = dir + name;
    if (!Report(ScanEvent::Kind::Entry, path, {})) return false;
    if (IsHidden(name)) return true;  // also "." and ".."
    std::error_code ec;
    const fs::file_status status = entry.symlink_status(ec);
    if (ec || fs::is_symlink(status)) return true;
    if (fs::is_directory(status)) {
      if (IsPublishingMetaDir(name)) return true;
      path += '/';
      return Scan(path);
    }
    if (fs::is_regular_file(status) && MatchesFilter(name, filterIndex_) &&
        IsValidHtmlFile(path, doValidate_, /*cmdLineStart=*/false)) {
      fileList_.push_back(std::move(path));
    }
    return true;
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
  std::string key = "*";
  key += Extension(fs::path(path).filename().string());
  key = AsciiUpperCase(std::string_view(key).substr(0, 5));
  static const std::string kUpperList = AsciiUpperCase(FileTypeList());
  if (kUpperList.find(key) == std::string::npos) return false;
  if (!doValidate && !cmdLineStart) return true;
  return FileHoldsHtmlTag(path);
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
  return Scanner(filterIndex, doValidate, fileList, callback).Scan(root);
}

}  // namespace tessel
