#include "batch/tree_restore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "base/shown_name.h"
#include "batch/backups.h"
#include "batch/discovery.h"
#include "io/file_at.h"
#include "io/posix_file.h"
#include "io/text_file.h"

namespace tessel {
namespace {

using posix::Fail;
using posix::Fd;

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string BackupName(const std::string& tree, int number) {
  return WithoutTrailingSeparator(tree) + "_BAK" + char('0' + number / 10) + char('0' + number % 10);
}

bool IsRealDirectory(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

enum class Kind { Missing, Folder, File, Link, Other };

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Folder:
      return "a folder";
    case Kind::File:
      return "a file";
    case Kind::Link:
      return "a symbolic link";
    default:
      return "neither a file nor a folder";
  }
}

Kind KindOf(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return Kind::Folder;
  if (S_ISREG(st.st_mode)) return Kind::File;
  if (S_ISLNK(st.st_mode)) return Kind::Link;
  return Kind::Other;
}

/// Walks the backup and the tree side by side, both opened relative to the directory above
/// and never through a link, and lists the backup's files.
class MirrorCheck {
 public:
  MirrorCheck(const std::string& source, const std::string& tree, std::vector<std::string>& files,
              std::string* err)
      : source_(source), tree_(tree), files_(files), err_(err) {}

  /// The backup's folder `backup` (listed, then closed) and the tree's `tree` (an O_PATH
  /// handle, closed; -1 when the tree has no such folder), both at `rel` ("" or ending "/").
  bool Walk(int backup, int tree, const std::string& rel) {
    Fd treeCloser(tree);
    DIR* opened = fdopendir(backup);
    if (opened == nullptr) {
      const int code = errno;
      close(backup);
      return Unlistable(rel, code);
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> list(opened, closedir);
    struct stat st;
    if (fstat(dirfd(opened), &st) != 0) return Unlistable(rel, errno);
    // Links are never followed, but a bind mount could still lead back up.
    const std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
    if (std::find(ancestors_.begin(), ancestors_.end(), id) != ancestors_.end()) return true;
    std::vector<std::string> names;
    if (!List(opened, rel, names)) return false;
    ancestors_.push_back(id);
    for (const std::string& name : names) {
      if (!Visit(dirfd(opened), tree, rel, name)) return false;
    }
    ancestors_.pop_back();
    return true;
  }

 private:
  /// The names in the backup's folder that belong to the mirror, sorted.
  bool List(DIR* list, const std::string& rel, std::vector<std::string>& names) {
    for (;;) {
      errno = 0;
      const dirent* entry = readdir(list);
      if (entry == nullptr) break;
      const std::string_view name = entry->d_name;
      if (name.starts_with('.')) continue;  // hidden, "." and ".."
      if (rel.empty() && name == kBackupReportName) continue;  // the protocol of the backup's run
      names.emplace_back(name);
    }
    if (errno != 0) return Unlistable(rel, errno);
    std::sort(names.begin(), names.end());
    return true;
  }

  bool Visit(int backup, int tree, const std::string& rel, const std::string& name) {
    const std::string path = rel + name;
    struct stat st;
    if (fstatat(backup, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      return Fail(err_, "Cannot look at " + QuotedPath(source_ + path) + ": " + std::strerror(errno));
    }
    const Kind inBackup = KindOf(st);
    if (inBackup == Kind::Folder && IsPublishingMetaDir(name)) return true;
    if (inBackup != Kind::Folder && inBackup != Kind::File) {
      return Mismatch(ShownName(path) + " is " + KindName(inBackup) + " in the backup");
    }
    Kind inTree = Kind::Missing;
    if (tree >= 0 && fstatat(tree, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      inTree = KindOf(st);
    } else if (tree >= 0 && errno != ENOENT) {
      return Fail(err_, "Cannot look at " + QuotedPath(tree_ + path) + ": " + std::strerror(errno));
    }
    if (inTree != Kind::Missing && inTree != inBackup) {
      return Mismatch(ShownName(path) + " is " + KindName(inBackup) + " in the backup but " +
                      KindName(inTree) + " in the tree");
    }
    if (inBackup == Kind::File) {
      files_.push_back(path);
      return true;
    }
    const int sub = openat(backup, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub < 0) return Unlistable(path + "/", errno);
    const int subTree = inTree == Kind::Missing
                            ? -1
                            : openat(tree, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (inTree != Kind::Missing && subTree < 0) {
      const int code = errno;
      close(sub);
      return Fail(err_, "Cannot open " + QuotedPath(tree_ + path) + ": " + std::strerror(code));
    }
    return Walk(sub, subTree, path + "/");
  }

  bool Mismatch(const std::string& what) {
    return Fail(err_, "the backup " + QuotedPath(source_) + " does not mirror the tree " +
                          QuotedPath(tree_) + ": " + what);
  }

  bool Unlistable(const std::string& rel, int code) {
    return Fail(err_, "Cannot list " + QuotedPath(source_ + rel) + ": " + std::strerror(code));
  }

  const std::string& source_;
  const std::string& tree_;
  std::vector<std::string>& files_;
  std::string* err_;
  std::vector<std::pair<dev_t, ino_t>> ancestors_;
};

/// The folder part of `rel` ("" or ending with "/") and its name.
std::pair<std::string, std::string> SplitRel(const std::string& rel) {
  const size_t slash = rel.rfind('/');
  if (slash == std::string::npos) return {"", rel};
  return {rel.substr(0, slash + 1), rel.substr(slash + 1)};
}

/// The page stays as it was: a backup that is a hard link to it must not follow its later
/// edits, so it becomes a copy of its own. "" when it is one, else what to add to the
/// page's protocol line.
std::string KeepBackupApart(RunState& state, LoadedFile& page, bool read, DirectoryChain& backupDirs) {
  struct stat st;
  if (!StatAt(page.File, &st) || st.st_dev != page.Status.st_dev || st.st_ino != page.Status.st_ino) {
    return "";  // the name holds another file now: the backup has the old one to itself
  }
  std::string err;
  if ((read || ReadFileAt(page.File, page.Bytes, &page.Status, &err)) &&
      DetachBackup(state, page, backupDirs, &err)) {
    return "";
  }
  return "; its backup " + QuotedPath(state.BackupFileName) +
         " is still a hard link to it, not a copy of its own: " + err;
}

RestoredPage Failed(FileFault fault, std::string why) {
  RestoredPage out;
  out.Outcome = {fault, std::move(why)};
  return out;
}

}  // namespace

int TreeBackupNumber(const std::string& tree, const std::string& dir) {
  const std::string base = WithoutTrailingSeparator(tree) + "_BAK";
  const std::string name = WithoutTrailingSeparator(dir);
  if (name.size() != base.size() + 2 || !name.starts_with(base)) return -1;
  const char tens = name[base.size()], ones = name[base.size() + 1];
  if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return -1;
  return (tens - '0') * 10 + (ones - '0');
}

int NewestTreeBackup(const std::string& tree, std::string* dir) {
  for (int i = 99; i >= 0; --i) {
    const std::string candidate = BackupName(tree, i);
    if (IsRealDirectory(candidate)) {
      if (dir) *dir = candidate + "/";
      return i;
    }
  }
  if (dir) dir->clear();
  return -1;
}

TreeRestore::TreeRestore(const std::string& tree) : tree_(WithTrailingSeparator(tree)) {
  treeDirs_.TrustUpTo(tree_);
}

bool TreeRestore::ChooseSource(const std::string& from, std::string* err) {
  source_.clear();
  number_ = -1;
  if (from.empty()) {
    number_ = NewestTreeBackup(tree_, &source_);
    if (number_ < 0) {
      return Fail(err, "there is no backup of " + QuotedPath(tree_) + " to restore from (" +
                           QuotedPath(BackupName(tree_, 0) + "/") + " and on)");
    }
  } else {
    std::string resolved;
    if (ResolvePath(from, &resolved, nullptr)) number_ = TreeBackupNumber(tree_, resolved);
    if (number_ < 0 || !IsRealDirectory(resolved)) {
      number_ = -1;
      return Fail(err, QuotedPath(from) + " is not a backup directory of " + QuotedPath(tree_) +
                           " (one of " + QuotedPath(BackupName(tree_, 0) + "/") + " to " +
                           QuotedPath(BackupName(tree_, 99) + "/") + " beside it)");
    }
    source_ = WithTrailingSeparator(resolved);
  }
  sourceDirs_.Clear();
  sourceDirs_.TrustUpTo(source_);
  return true;
}

bool TreeRestore::ReadSource(std::string* err) {
  files_.clear();
  std::string why;
  const int sourceHandle = sourceDirs_.Open(source_, &why);
  const int source = sourceHandle < 0 ? -1 : openat(sourceHandle, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (source < 0) return Fail(err, sourceHandle < 0 ? why : "Cannot list " + QuotedPath(source_));
  const int treeHandle = treeDirs_.Open(tree_, &why);
  if (treeHandle < 0) {
    close(source);
    return Fail(err, why);
  }
  const int tree = openat(treeHandle, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (tree < 0) {
    close(source);
    return posix::FailErrno(err, "Cannot open", tree_);
  }
  MirrorCheck check(source_, tree_, files_, err);
  if (check.Walk(source, tree, "")) return true;
  files_.clear();
  return false;
}

int TreeRestore::OwnBackupNumber() const {
  return std::max(NewestTreeBackup(tree_, nullptr), number_) + 1;
}

std::string NextRestoreBackupDir(const RunState& state) {
  return NextBackupDir(state, NewestTreeBackup(state.SourceDir, nullptr) + 1);
}

bool TreeRestore::ReadPage(const std::string& rel, std::string& bytes, struct stat& st,
                           RestoredPage& out) {
  const auto [folder, name] = SplitRel(rel);
  std::string err;
  const int dir = sourceDirs_.Open(source_ + folder, &err);
  if (dir < 0 || !ReadFileAt({dir, name, source_ + rel}, bytes, &st, &err)) {
    out = Failed(FileFault::RestoreFailed, "its backup cannot be read: " + err);
    return false;
  }
  return true;
}

RestoredPage TreeRestore::RestorePage(const std::string& rel, RunState& state,
                                      DirectoryChain& backupDirs, const FreeSpaceQuery& freeSpace) {
  RestoredPage out;
  std::string bytes;
  struct stat kept;
  if (!ReadPage(rel, bytes, kept, out)) return out;
  if (const auto space = freeSpace ? freeSpace(tree_) : std::nullopt;
      space && uint64_t(bytes.size()) * 4 > space->FreeBytes) {
    return Failed(FileFault::DiskFull,
                  DiskFullMessage(space->MountPoint.empty() ? MountPointOf(tree_) : space->MountPoint));
  }
  const auto [folder, name] = SplitRel(rel);
  std::string err;
  const int dir = treeDirs_.Open(tree_ + folder, &err, /*create=*/true);
  if (dir < 0) return Failed(FileFault::RestoreFailed, err);
  LoadedFile now{{dir, name, tree_ + rel}, {}, {}};
  const bool exists = StatAt(now.File, &now.Status);
  if (!exists && errno != ENOENT) return Failed(FileFault::RestoreFailed, std::strerror(errno));
  if (exists && S_ISLNK(now.Status.st_mode)) {
    return Failed(FileFault::RestoreFailed,
                  QuotedPath(now.File.Path) + " is a symbolic link, which is not followed");
  }
  // The page is read only when it has to be: to compare it when its size gives no answer,
  // and to copy it when its backup cannot be a hard link.
  bool read = false;
  auto readPage = [&] { return read = ReadFileAt(now.File, now.Bytes, &now.Status, &err); };
  if (exists && uint64_t(now.Status.st_size) == bytes.size()) {
    if (!readPage()) return Failed(FileFault::RestoreFailed, err);
    if (now.Bytes == bytes && (now.Status.st_mode & 07777) == (kept.st_mode & 07777)) {
      out.What = RestoredPage::End::Unchanged;
      return out;
    }
  }
  const bool linked = exists && S_ISREG(now.Status.st_mode) && LinkTreeBackup(state, now, backupDirs, &err);
  if (exists && !linked) {
    if (!read && !readPage()) return Failed(FileFault::RestoreFailed, err);
    if (!MakeBackup(state, now, backupDirs, &err)) return Failed(FileFault::BackupFailed, err);
  }
  const struct timespec times[2] = {kept.st_atim, kept.st_mtim};
  ReplaceOptions options;
  options.Expected = exists ? &now.Status : nullptr;
  options.MustBeAbsent = !exists;
  options.NewFileMode = mode_t(kept.st_mode & 07777);
  options.TakeNewFileMode = true;
  options.Times = times;
  bool changed = false;
  if (!ReplaceFileAt(now.File, bytes, options, &err, &changed)) {
    if (changed) err = "it was changed by another program after it was read; left as it is";
    if (linked) err += KeepBackupApart(state, now, read, backupDirs);
    return Failed(FileFault::RestoreFailed, err);
  }
  out.What = RestoredPage::End::Restored;
  out.BackedUp = exists;
  out.Created = !exists;
  return out;
}

}  // namespace tessel
