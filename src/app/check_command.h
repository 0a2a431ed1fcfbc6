// Runs that only tell what processing files in place would change: --check lists the
// files, --diff shows the changes. Neither writes a file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/filter_command.h"

namespace tessel {

/// True when `args` hold "--check" or "--diff".
bool IsCheckCommand(const std::vector<std::string>& args);

/// tessel-html --format|--compress|--trim --check|--diff [--style NAME|DIR] [--types N]
///   [--validate] PATH...
/// Takes the files an in-place run would take and processes them the same way, but only
/// lists (--check) or diffs (--diff) those whose bytes would change. Exit status 0 when
/// none would change, 1 when one would, 2 for a bad command line, no valid style, no
/// accepted file, or a file or directory that could not be checked (then the answer is
/// incomplete, whatever the other files showed).
int RunCheckCommand(const std::vector<std::string>& args, const std::filesystem::path& programDir,
                    FilterIo& io);

}  // namespace tessel
