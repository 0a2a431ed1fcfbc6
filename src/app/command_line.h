// The command line that opens one file, or processes it and ends.
#pragma once

#include <string>
#include <vector>

#include "batch/run_state.h"

namespace tessel {

/// What ParseCommandLine found. With CmdLineMode None everything else is empty: the program
/// starts as without a command line.
struct CommandLine {
  CmdLineKind CmdLineMode = CmdLineKind::None;
  ProcessKind ProcessMode = ProcessKind::None;  // None: open the file only
  std::string Options;                          // the first parameter, upper-cased ("-FAB")
  std::string File;                             // full path, names as the file system lists them
  bool Backup = false;                          // "B": back up before processing
  bool Trim = false;  // "T": with Compress or Format, trim afterwards (without a backup)
  /// Set when parameters were given but nothing is opened: the status line says why.
  std::string NotOpened;
};

/// `args` are the parameters without the program name. One parameter names a file to open;
/// two are an option text beginning with "-" and the file. The mode is Compress for "C",
/// else Format for "F", else Trim for "T"; "C" with "F", no mode, a third parameter or a
/// file that is not accepted (it must hold an "<HTML" tag) give nothing. "A" makes the run
/// Automatic; other letters are ignored. A relative file is taken from `workingDir`, or
/// from the current directory when that is empty. When nothing is opened, NotOpened says why.
CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             const std::string& workingDir = {});

/// The absolute form of `path` with "." and ".." resolved by name and every existing
/// component spelled as its directory lists it (this matters on file systems that ignore
/// case); components that do not exist stay as typed.
std::string LongPathName(const std::string& path, const std::string& workingDir = {});

}  // namespace tessel
