// Opening the directories a run works in without ever following a symbolic link, and
// resolving the paths a user names once, before a run.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace tessel {

/// `path` with every link, "." and ".." resolved (realpath). False with *err when it
/// cannot be resolved (a part is missing or cannot be searched).
bool ResolvePath(const std::string& path, std::string* resolved, std::string* err);

/// The path a run uses for a file the user named: its directory resolved (ResolvePath),
/// and with `followLinkAtName` a link at the name itself too (the user named the file it
/// points to). When the file does not exist, its directory resolved and its name kept; as
/// given when even that fails (the run then says why the file cannot be read).
std::string ResolvedFilePath(const std::string& path, bool followLinkAtName = true);

/// The directories of the files a run works on, each opened from the root of the file
/// system one name at a time with O_NOFOLLOW, and kept open along the path last asked for:
/// a run takes its files depth first, so the next file mostly shares the directories of
/// the one before. Each kept directory is checked to be still the one under its name, so
/// a directory renamed or replaced by a link during the run is noticed, not followed.
class DirectoryChain {
 public:
  DirectoryChain() = default;
  ~DirectoryChain();
  DirectoryChain(const DirectoryChain&) = delete;
  DirectoryChain& operator=(const DirectoryChain&) = delete;

  /// A handle (O_PATH) of the directory `dir`, an absolute path without links, "." or
  /// ".." (as ResolvePath gives it); valid until the next call. -1, with *err and errno,
  /// when a part of it is missing, not a directory or a symbolic link. With `create`, missing
  /// directories are made (mode 0777 less the umask).
  int Open(std::string_view dir, std::string* err, bool create = false);

  /// Directories down to `root` (a path as for Open, "" for none) are taken as opened, not
  /// checked again: the tree of a run is the directory that was resolved and opened, even
  /// should a folder above it be renamed. Only what lies below it is checked.
  void TrustUpTo(std::string_view root);

  /// Closes every directory.
  void Clear();

 private:
  struct Opened {
    std::string Name;  // "" for the root
    int Fd = -1;
    dev_t Dev = 0;
    ino_t Ino = 0;
  };
  void KeepFirst(size_t count);
  bool StillInPlace(size_t index) const;

  std::vector<Opened> opened_;  // the root first
  std::string trustedRoot_;           // the directory given to TrustUpTo
  std::vector<std::string> trusted_;  // its names
};

}  // namespace tessel
