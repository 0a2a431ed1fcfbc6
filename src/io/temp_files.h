// The hidden temporary files a replace writes beside its target (".tessel-tmp-XXXXXX"),
// and their removal when the program is interrupted while one exists.
#pragma once

#include <string>

namespace tessel {

inline constexpr const char* kTempFilePrefix = ".tessel-tmp-";

/// Makes SIGINT, SIGTERM and SIGHUP remove the temporary files being written, then end
/// the program by the same signal. A signal the program was started ignoring stays
/// ignored. SIGKILL cannot be caught: it may leave one such file, which is always safe to
/// delete.
void InstallTempFileCleanup();

/// A new, empty temporary file in the directory `dirFd`, created exclusively (never
/// through a link) with mode 0600, and known to the signal handlers until Forget() or the
/// end of this object. Valid() is false when it could not be made (errno says why).
class TempFile {
 public:
  explicit TempFile(int dirFd);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool Valid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string& Name() const { return name_; }
  /// Closes the file; false when the close reported an error (a write that did not land).
  bool Close();
  /// The name was renamed over its target: nothing is left to remove.
  void Forget();
  /// Removes the file (when it was not renamed) and forgets it.
  void Remove();

 private:
  int dirFd_;
  int fd_ = -1;
  int slot_ = -1;
  std::string name_;
};

}  // namespace tessel
