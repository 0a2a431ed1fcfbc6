#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "app/batch_command.h"
#include "app/check_command.h"
#include "app/filter_command.h"
#include "app/program_dir.h"
#include "app/window_loader.h"
#include "io/posix_file.h"
#include "io/temp_files.h"

namespace {

bool ReadAll(int fd, std::string& bytes, std::string* err) {
  char buf[1 << 16];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      *err = "cannot read standard input";
      return false;
    }
    bytes.append(buf, static_cast<size_t>(n));
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Ctrl+C or kill while a file is being replaced must not leave its temporary file behind.
  tessel::InstallTempFileCleanup();
  std::vector<std::string> args(argv + 1, argv + argc);
  tessel::FilterIo io;
  io.ReadStdin = [](std::string& bytes, std::string* err) { return ReadAll(0, bytes, err); };
  io.WriteStdout = [](std::string_view bytes) { return tessel::posix::WriteAll(1, bytes); };
  io.WriteStderr = [](std::string_view text) { tessel::posix::WriteAll(2, text); };
  if (tessel::WantsWindow(args)) return tessel::RunWindow(argc, argv, io);
  std::string err;
  bool needsData = true;
  for (const std::string& a : args)
    needsData = needsData && a != "--help" && a != "-h" && a != "--version";
  auto programDir = needsData ? tessel::ProgramDir(&err) : std::filesystem::path();
  if (!programDir) {
    io.WriteStderr("tessel-html: " + err + "\n");
    return tessel::kExitUsage;
  }
  if (tessel::IsInPlaceCommand(args)) {
    return tessel::RunInPlaceCommand(args, *programDir, io, isatty(2) == 1);
  }
  if (tessel::IsCheckCommand(args)) return tessel::RunCheckCommand(args, *programDir, io);
  if (tessel::IsFilterCommand(args)) return tessel::RunFilterCommand(args, *programDir, io);
  return tessel::RunCommandLine(args, *programDir, io);
}
