#include "app/command_line.h"

#include <filesystem>
#include <system_error>

#include "base/ascii.h"
#include "batch/discovery.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

/// The name `dir` lists for `name`: the exact name when it is there, else the one entry
/// that equals it without regard to case, else `name` itself.
std::string ListedName(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(dir / name, ec))) return name;
  std::string found;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string listed = it->path().filename().string();
    if (listed == name) return name;
    if (found.empty() && EqualsNoCase(listed, name)) found = listed;
  }
  return found.empty() ? name : found;
}

/// Why IsValidHtmlFile turned a command-line file down, as the end of a sentence.
std::string RejectionReason(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) return " does not exist";
  if (!fs::is_regular_file(status)) return " is not a file";
  if (!IsValidHtmlFile(path, /*doValidate=*/false, /*cmdLineStart=*/false)) {
    return " is not an HTML file (by its extension)";
  }
  return " has no <HTML> tag; a page opened from the command line needs one";
}

}  // namespace

std::string LongPathName(const std::string& path, const std::string& workingDir) {
  std::error_code ec;
  fs::path input(path);
  if (input.is_relative()) {
    const fs::path base = workingDir.empty() ? fs::current_path(ec) : fs::path(workingDir);
    input = base / input;
  }
  fs::path result = "/";
  for (const fs::path& part : input.relative_path()) {
    const std::string name = part.string();
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      result = result.parent_path();
      continue;
    }
    result /= ListedName(result, name);
  }
  return result.string();
}

CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& workingDir) {
  auto none = [](std::string why) {
    CommandLine nothing;
    nothing.NotOpened = "Not opened: " + std::move(why);
    return nothing;
  };
  if (args.empty()) return {};
  if (args.size() > 2) return none("give one file, or options and one file");
  if (args.back().empty()) return none("no file named");
  CommandLine cmd;
  cmd.CmdLineMode = CmdLineKind::Open;
  cmd.File = LongPathName(args.back(), workingDir);
  // A command-line start always demands the tag, whatever DoValidate says.
  if (!IsValidHtmlFile(cmd.File, /*doValidate=*/false, /*cmdLineStart=*/true)) {
    return none(cmd.File + RejectionReason(cmd.File));
  }
  if (args.size() == 1) return cmd;

  if (!args.front().starts_with("-")) return none("options begin with \"-\": " + args.front());
  cmd.Options = AsciiUpperCase(args.front());
  auto has = [&](char letter) { return cmd.Options.find(letter) != std::string::npos; };
  if (has('C') && has('F')) return none("the options " + cmd.Options + " ask for both C and F");
  cmd.ProcessMode = has('C')   ? ProcessKind::Compress
                    : has('F') ? ProcessKind::Format
                    : has('T') ? ProcessKind::Trim
                               : ProcessKind::None;
  if (cmd.ProcessMode == ProcessKind::None) {
    return none("the options " + cmd.Options + " name no mode (C, F or T)");
  }
  if (has('A')) cmd.CmdLineMode = CmdLineKind::Automatic;
  cmd.Backup = has('B');
  cmd.Trim = has('T');
  return cmd;
}

}  // namespace tessel
