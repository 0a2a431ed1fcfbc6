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
  const CommandLine none;
  if (args.empty() || args.size() > 2 || args.back().empty()) return none;
  CommandLine cmd;
  cmd.CmdLineMode = CmdLineKind::Open;
  cmd.File = LongPathName(args.back(), workingDir);
  // A command-line start always demands the tag, whatever DoValidate says.
  if (!IsValidHtmlFile(cmd.File, /*doValidate=*/false, /*cmdLineStart=*/true)) return none;
  if (args.size() == 1) return cmd;

  if (!args.front().starts_with("-")) return none;
  cmd.Options = AsciiUpperCase(args.front());
  auto has = [&](char letter) { return cmd.Options.find(letter) != std::string::npos; };
  if (has('C') && has('F')) return none;
  cmd.ProcessMode = has('C')   ? ProcessKind::Compress
                    : has('F') ? ProcessKind::Format
                    : has('T') ? ProcessKind::Trim
                               : ProcessKind::None;
  if (cmd.ProcessMode == ProcessKind::None) return none;
  if (has('A')) cmd.CmdLineMode = CmdLineKind::Automatic;
  cmd.Backup = has('B');
  cmd.Trim = has('T');
  return cmd;
}

}  // namespace tessel
