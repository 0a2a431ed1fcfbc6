// A scratch directory per fuzzer process, below TMPDIR (scripts/fuzz.sh points it into its
// own work directory). libFuzzer ends with _Exit, so nothing runs at exit: directories left
// by processes that are gone are removed when the next one starts.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace tessel::fuzz {

inline std::filesystem::path MakeScratchDir(std::string_view prefix) {
  namespace fs = std::filesystem;
  const fs::path base = fs::temp_directory_path();
  std::error_code ec;
  for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with(prefix)) continue;
    const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
    std::error_code removeEc;
    if (pid > 0 && kill(pid_t(pid), 0) != 0 && errno == ESRCH) fs::remove_all(it->path(), removeEc);
  }
  const fs::path dir = base / (std::string(prefix) + std::to_string(getpid()));
  fs::remove_all(dir, ec);
  fs::create_directories(dir);
  return dir;
}

}  // namespace tessel::fuzz
