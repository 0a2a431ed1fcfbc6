// The data directory: settings, the trim list, styles, preview samples and scratch files.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tessel {

/// The environment the data directory is chosen from.
struct ProgramDirInputs {
  std::string TesselHome;                  // $TESSEL_HTML_HOME
  std::string XdgDataHome;                 // $XDG_DATA_HOME
  std::string Home;                        // $HOME
  std::filesystem::path ExecutableDir;     // where the running program lives
  std::filesystem::path InstalledDataDir;  // the shipped defaults
};

/// $TESSEL_HTML_HOME when set; else the executable's directory when it holds styles/ (a
/// portable layout or the build tree); else tessel-html/ below the user's data directory.
/// $TESSEL_HTML_HOME and the user's directory are seeded from the installed defaults while
/// they have no styles/ yet.
std::optional<std::filesystem::path> ResolveProgramDir(const ProgramDirInputs& inputs,
                                                       std::string* err);

/// Copies the tree `from` into `to`, creating directories as needed and never replacing a
/// file that is already there.
bool SeedDataDir(const std::filesystem::path& from, const std::filesystem::path& to,
                 std::string* err);

/// `relative` below the data directory, or, when the data directory lacks it (it was made
/// before that file shipped), the installed copy. Manuals and pictures are looked up this
/// way; they are the program's, not the user's.
std::filesystem::path ShippedFile(const std::filesystem::path& programDir,
                                  const std::filesystem::path& relative);

/// ResolveProgramDir for this process's environment.
std::optional<std::filesystem::path> ProgramDir(std::string* err);

}  // namespace tessel
