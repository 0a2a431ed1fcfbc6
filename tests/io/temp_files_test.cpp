#include "io/temp_files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "io/safe_replace.h"
#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

bool HasTempFile(const fs::path& dir) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().filename().string().starts_with(kTempFilePrefix)) return true;
  }
  return false;
}

// Ctrl+C or kill while a file is being replaced: the temporary file goes, the file is as it
// was, and the program still ends by that signal. A child process writes ever bigger
// files until the signal catches it at work.
TEST(TempFiles, AnInterruptedReplaceLeavesNoTemporaryFile) {
  for (int sig : {SIGINT, SIGTERM}) {
    bool caught = false;
    for (size_t size = size_t(32) << 20; !caught && size <= (size_t(512) << 20); size *= 2) {
      TempDir tmp;
      testing::WriteFile(tmp / "page.htm", "old");
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        signal(sig, SIG_DFL);  // whatever the test runner was started with
        InstallTempFileCleanup();
        WriteFileAtomic(tmp / "page.htm", std::string(size, 'x'), nullptr);
        _exit(0);
      }
      int status = 0;
      bool seen = false;
      while (!seen && waitpid(child, &status, WNOHANG) == 0) seen = HasTempFile(tmp.path());
      if (!seen) continue;  // done before it was seen: try a bigger file
      kill(child, sig);
      ASSERT_EQ(waitpid(child, &status, 0), child);
      if (!WIFSIGNALED(status)) continue;
      caught = true;
      EXPECT_EQ(WTERMSIG(status), sig);
      EXPECT_FALSE(HasTempFile(tmp.path())) << sig;
      const std::string now = testing::ReadFile(tmp / "page.htm");
      EXPECT_TRUE(now == "old" || now.size() == size);  // never half a file
    }
    EXPECT_TRUE(caught) << "every write ended before signal " << sig << " came";
  }
}

}  // namespace
}  // namespace tessel
