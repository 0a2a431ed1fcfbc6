#include "app/startup_mark.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace tessel {

namespace fs = std::filesystem;

fs::path StartupMark::DefaultDir() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime == '/') return runtime;
  std::error_code ec;
  return fs::temp_directory_path(ec);
}

StartupMark::StartupMark(const fs::path& dir) : path_(dir / "tessel-html.starting") {
  const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  made_ = fd >= 0;
  if (made_) close(fd);
}

void StartupMark::Release() {
  if (!made_) return;
  made_ = false;
  unlink(path_.c_str());
}

}  // namespace tessel
