#include "test_support.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tessel::testing {

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tessel-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave read-only entries behind; make everything writable before removing.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::map<std::string, std::string> Snapshot(const std::filesystem::path& dir) {
  std::map<std::string, std::string> entries;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    struct stat st;
    if (lstat(e.path().c_str(), &st) != 0) continue;
    std::string& entry = entries[e.path().string()];
    entry = std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
            std::to_string(st.st_mtim.tv_nsec) + " ";
    if (S_ISREG(st.st_mode)) entry += ReadFile(e.path());
    if (S_ISLNK(st.st_mode)) entry += std::filesystem::read_symlink(e.path()).string();
  }
  return entries;
}

std::filesystem::path SourceDataDir() { return std::filesystem::path(TESSEL_SOURCE_DIR) / "data"; }

ProcessRun RunProgram(const std::filesystem::path& workDir, const std::filesystem::path& dataDir,
                      const std::string& args, const std::string& env, int seconds) {
  // The captured streams go elsewhere, so that runs over workDir never see them.
  TempDir capture;
  const std::filesystem::path out = capture / "out", err = capture / "err";
  // Started from a desktop session or not, the program sees no display unless `env` gives
  // it one: a command that would open the window says so and ends.
  std::string cmd = "cd '" + workDir.string() +
                    "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM TESSEL_HTML_HOME='" +
                    dataDir.string() + "' " + env + " timeout " + std::to_string(seconds) + " '" +
                    TESSEL_BINARY_PATH + "' " + args + " > '" + out.string() + "' 2> '" +
                    err.string() + "'";
  int raw = std::system(cmd.c_str());
  ProcessRun r;
  r.status = WIFEXITED(raw) && WEXITSTATUS(raw) != 124 ? WEXITSTATUS(raw) : -1;
  r.out = ReadFile(out);
  r.err = ReadFile(err);
  return r;
}

std::string AsUnprivilegedUser() {
  return geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
}

void GiveToNobody(const std::filesystem::path& dir) {
  if (geteuid() != 0) return;
  const std::string cmd = "chown -R 65534:65534 '" + dir.string() + "'";
  if (std::system(cmd.c_str()) != 0) throw std::runtime_error("chown failed");
}

}  // namespace tessel::testing
