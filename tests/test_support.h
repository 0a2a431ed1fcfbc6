// Small helpers shared by the tests: temporary directories and whole-file access.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

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
/// The lines of `text`, sorted: lists whose order does not matter, compared.
std::vector<std::string> SortedLines(const std::string& text);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

/// Everything below `dir` (links not followed), one entry per path: its kind, permission
/// bits, modification time and bytes (or link target). Equal snapshots: nothing changed.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& dir);

/// The repository's data/ directory.
std::filesystem::path SourceDataDir();

/// What a run of the built program left: exit status (-1 when it did not exit, e.g. killed
/// by the time limit), standard output and standard error.
struct ProcessRun {
  int status = -1;
  std::string out, err;
};

/// Runs tessel-html with `args` (shell words, redirections allowed) in `workDir`, with
/// `dataDir` as its data directory and `env` (NAME=value words) added to its environment.
/// A run that takes longer than `seconds` is killed, so a hang fails instead of blocking.
ProcessRun RunProgram(const std::filesystem::path& workDir, const std::filesystem::path& dataDir,
                      const std::string& args, const std::string& env = "", int seconds = 120);

/// For RunProgram's `env`: words that make the program run as the user nobody when the
/// tests run as root (who may read and enter every directory, so that a permission denial
/// cannot be shown otherwise); empty for any other user. The files it is to work on must
/// then belong to nobody: see GiveToNobody.
std::string AsUnprivilegedUser();

/// Makes nobody the owner of everything below `dir` when the tests run as root.
void GiveToNobody(const std::filesystem::path& dir);

}  // namespace tessel::testing
