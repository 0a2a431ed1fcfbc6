// Small helpers shared by the tests: temporary directories and whole-file access.
#pragma once

#include <filesystem>
#include <string>

namespace tessel::testing {

/// A fresh directory below the system temp dir, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

/// The repository's data/ directory.
std::filesystem::path SourceDataDir();

}  // namespace tessel::testing
