// The program's mark while it starts: a file in the runtime directory that exists from the
// start until the window is first activated (or the program ends before that). It is made
// only when it is not there already, and removed only by the instance that made it.
#pragma once

#include <filesystem>

namespace tessel {

class StartupMark {
 public:
  /// Makes the mark in `dir` (by default $XDG_RUNTIME_DIR, else the temporary directory).
  explicit StartupMark(const std::filesystem::path& dir = DefaultDir());
  ~StartupMark() { Release(); }
  StartupMark(const StartupMark&) = delete;
  StartupMark& operator=(const StartupMark&) = delete;

  /// Removes the mark if this instance made it; later calls do nothing.
  void Release();
  /// Whether this instance made the mark and still holds it.
  bool Holds() const { return made_; }
  const std::filesystem::path& Path() const { return path_; }

  static std::filesystem::path DefaultDir();

 private:
  std::filesystem::path path_;
  bool made_ = false;
};

}  // namespace tessel
