#include "app/program_dir.h"

#include <cstdlib>
#include <string_view>

#include "io/safe_replace.h"
#include "io/text_file.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kDataDirName = "tessel-html";
constexpr std::string_view kStylesDirName = "styles";

bool Fail(std::string* err, std::string message) {
  if (err) *err = std::move(message);
  return false;
}

/// The directory relative names are resolved against once, so a later change of the
/// working directory cannot move the data.
fs::path Absolute(const fs::path& path) {
  std::error_code ec;
  fs::path full = fs::absolute(path, ec);
  return ec ? path : full.lexically_normal();
}

std::optional<fs::path> UserDataDir(const ProgramDirInputs& in, std::string* err) {
  // A relative XDG_DATA_HOME is invalid by its own rules and is ignored.
  if (!in.XdgDataHome.empty() && fs::path(in.XdgDataHome).is_absolute()) {
    return fs::path(in.XdgDataHome) / kDataDirName;
  }
  if (in.Home.empty()) {
    Fail(err, "Cannot find a data directory: neither HOME nor XDG_DATA_HOME is set");
    return std::nullopt;
  }
  return fs::path(in.Home) / ".local" / "share" / kDataDirName;
}

// Seeding also runs while styles/ is missing, so a first start that was cut short, or a
// directory the user made by hand, gets completed; existing files are never replaced.
bool EnsureSeeded(const fs::path& dir, const fs::path& installed, std::string* err) {
  std::error_code ec;
  if (fs::is_directory(dir / kStylesDirName, ec)) return true;
  if (installed.empty() || !fs::is_directory(installed, ec)) {
    return Fail(err, "Cannot set up the data directory " + QuotedPath(dir) +
                         ": the installed defaults " + QuotedPath(installed) + " are missing");
  }
  fs::create_directories(dir, ec);
  if (ec)
    return Fail(err, "Cannot create the data directory " + QuotedPath(dir) + ": " + ec.message());
  return SeedDataDir(installed, dir, err);
}

bool SeedEntry(const fs::directory_entry& entry, const fs::path& target, std::string* err) {
  std::error_code ec;
  if (entry.is_directory(ec)) {
    fs::create_directories(target, ec);
  } else {
    std::error_code probe;
    if (fs::symlink_status(target, probe).type() != fs::file_type::not_found) return true;
    // Through the safe replace: a copy cut short never stays behind as a half file, which
    // seeding would then keep for good.
    std::string copyErr;
    if (!CopyFileKeepDate(entry.path().string(), target.string(), &copyErr)) {
      return Fail(err, copyErr);
    }
    // Installed files may be read-only; the user's copies are theirs to change.
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                    ec);
  }
  if (ec)
    return Fail(err, "Cannot copy " + QuotedPath(entry.path()) + " to " + QuotedPath(target) +
                         ": " + ec.message());
  return true;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

fs::path ExecutableDir() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
}

}  // namespace

bool SeedDataDir(const fs::path& from, const fs::path& to, std::string* err) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
    if (!SeedEntry(*it, to / it->path().lexically_relative(from), err)) return false;
  }
  if (ec)
    return Fail(err,
                "Cannot read the installed defaults " + QuotedPath(from) + ": " + ec.message());
  return true;
}

std::optional<fs::path> ResolveProgramDir(const ProgramDirInputs& inputs, std::string* err) {
  std::error_code ec;
  if (!inputs.TesselHome.empty()) {
    fs::path home = Absolute(inputs.TesselHome);
    if (!fs::is_directory(home, ec)) {
      Fail(err, "TESSEL_HTML_HOME names " + QuotedPath(home) + ", which is not a directory");
      return std::nullopt;
    }
    // Filled like the user's data directory, from the installed defaults or, for a program
    // run from its build, the data beside it; with neither it is taken as it is, and a
    // missing style is reported with the directory searched.
    fs::path defaults;
    if (!inputs.InstalledDataDir.empty() && fs::is_directory(inputs.InstalledDataDir, ec)) {
      defaults = inputs.InstalledDataDir;
    } else if (!inputs.ExecutableDir.empty() &&
               fs::is_directory(inputs.ExecutableDir / kStylesDirName, ec) &&
               !fs::equivalent(inputs.ExecutableDir, home, ec)) {
      defaults = inputs.ExecutableDir;
    }
    if (!defaults.empty() && !EnsureSeeded(home, defaults, err)) return std::nullopt;
    return home;
  }
  if (!inputs.ExecutableDir.empty() &&
      fs::is_directory(inputs.ExecutableDir / kStylesDirName, ec)) {
    return Absolute(inputs.ExecutableDir);
  }
  std::optional<fs::path> dir = UserDataDir(inputs, err);
  if (!dir || !EnsureSeeded(*dir, inputs.InstalledDataDir, err)) return std::nullopt;
  return Absolute(*dir);
}

fs::path ShippedFile(const fs::path& programDir, const fs::path& relative) {
  std::error_code ec;
  const fs::path own = programDir / relative;
#ifdef TESSEL_INSTALLED_DATA_DIR
  const fs::path installed = fs::path(TESSEL_INSTALLED_DATA_DIR) / relative;
  if (!fs::exists(own, ec) && fs::exists(installed, ec)) return installed;
#endif
  return own;
}

std::optional<fs::path> ProgramDir(std::string* err) {
  ProgramDirInputs inputs;
  inputs.TesselHome = Env("TESSEL_HTML_HOME");
  inputs.XdgDataHome = Env("XDG_DATA_HOME");
  inputs.Home = Env("HOME");
  inputs.ExecutableDir = ExecutableDir();
#ifdef TESSEL_INSTALLED_DATA_DIR
  inputs.InstalledDataDir = TESSEL_INSTALLED_DATA_DIR;
#endif
  return ResolveProgramDir(inputs, err);
}

}  // namespace tessel
