// The automatic command line: parameters separated by NUL bytes, against a scratch
// directory of pages, non-pages, a directory, links and a FIFO.
//
// Checked: a rejected command line leaves everything else empty; an accepted one names an
// absolute, normalised path of a regular file that holds an "<HTML" tag, with mode and
// flags exactly as the option letters say (in either case); and a well-formed command line
// for a plain page is never rejected.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "app/command_line.h"
#include "batch/discovery.h"
#include "scratch_dir.h"

namespace tessel::fuzz {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(std::string_view what, const std::vector<std::string>& args) {
  std::fprintf(stderr, "\n*** fuzz_command_line property violated: %.*s\nargs:", int(what.size()),
               what.data());
  for (const std::string& a : args) std::fprintf(stderr, " '%s'", a.c_str());
  std::fprintf(stderr, "\n");
  std::abort();
}

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

const fs::path& Scratch() {
  static const fs::path dir = [] {
    const fs::path d = MakeScratchDir("tessel-fuzz-cmd-");
    Write(d / "page.htm", "<!DOCTYPE html>\n<html><body>x</body></html>\n");
    Write(d / "Mixed.HTML", "<HTML>");
    Write(d / "notag.htm", "<body>no tag</body>");
    Write(d / "notes.txt", "<html>");
    Write(d / "noext", "<html>");
    Write(d / "space page.htm", "<Html>");
    // The tag straddles the reader's 64 KiB blocks.
    Write(d / "big.htm", std::string(65534, 'x') + "<hTmL>");
    fs::create_directories(d / "sub" / "deeper");
    Write(d / "sub" / "inner.asp", "<html>");
    Write(d / "sub" / "deeper" / "deep.cfm", "x<html");
    fs::create_directories(d / "dir.htm");
    fs::create_symlink("page.htm", d / "link.htm");
    fs::create_symlink("missing.htm", d / "dangling.htm");
    fs::create_directory_symlink("sub/deeper", d / "elsewhere");
    mkfifo((d / "fifo.htm").c_str(), 0600);
    return d;
  }();
  return dir;
}



bool HoldsHtmlTag(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buf;
  buf << in.rdbuf();
  return AsciiUpperCase(buf.str()).find("<HTML") != std::string::npos;
}

bool IsNormalAbsolute(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  if (path.size() > 1 && path.back() == '/') return false;
  return path.find("//") == std::string::npos && path.find("/./") == std::string::npos &&
         path.find("/../") == std::string::npos && !path.ends_with("/.") && !path.ends_with("/..");
}

// A page any reading of the rules accepts: a plain regular file of the main types,
// holding the tag.
bool IsPlainPage(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  const std::string ext = AsciiUpperCase(path.extension().string());
  static constexpr std::string_view kTypes[] = {".HTM", ".ASP", ".SHT", ".DHT", ".CFM"};
  bool typed = std::any_of(std::begin(kTypes), std::end(kTypes),
                           [&](std::string_view t) { return ext.starts_with(t); });
  return typed && HoldsHtmlTag(path);
}

void Check(const std::vector<std::string>& args, const std::string& workingDir) {
  const CommandLine cmd = ParseCommandLine(args, workingDir);
  if (cmd.CmdLineMode == CmdLineKind::None) {
    if (cmd.ProcessMode != ProcessKind::None || !cmd.Options.empty() || !cmd.File.empty() ||
        cmd.Backup || cmd.Trim) {
      Fail("a rejected command line carries values", args);
    }
  } else {
    if (args.empty() || args.size() > 2) Fail("accepted with a wrong parameter count", args);
    if (!IsNormalAbsolute(cmd.File)) Fail("file path not absolute and normalised", args);
    if (LongPathName(cmd.File, "/") != cmd.File) Fail("file path not in its long form", args);
    std::error_code ec;
    if (!fs::is_regular_file(cmd.File, ec) || !HoldsHtmlTag(cmd.File)) {
      Fail("accepted a file that is no page", args);
    }
    if (args.size() == 1) {
      if (cmd.CmdLineMode != CmdLineKind::Open || cmd.ProcessMode != ProcessKind::None ||
          !cmd.Options.empty() || cmd.Backup || cmd.Trim) {
        Fail("a lone file opens it and does nothing else", args);
      }
    } else {
      const std::string letters = AsciiUpperCase(args[0]);
      auto has = [&](char c) { return letters.find(c) != std::string::npos; };
      const ProcessKind mode = has('C')   ? ProcessKind::Compress
                               : has('F') ? ProcessKind::Format
                                          : ProcessKind::Trim;
      if (cmd.Options != letters || !letters.starts_with('-') || (has('C') && has('F')) ||
          !(has('C') || has('F') || has('T')) || cmd.ProcessMode != mode ||
          (cmd.CmdLineMode == CmdLineKind::Automatic) != has('A') || cmd.Backup != has('B') ||
          cmd.Trim != has('T')) {
        Fail("options and result disagree", args);
      }
    }
  }

  // Letters count in either case.
  if (args.size() == 2) {
    const CommandLine lower = ParseCommandLine({AsciiLowerCase(args[0]), args[1]}, workingDir);
    if (lower.CmdLineMode != cmd.CmdLineMode || lower.ProcessMode != cmd.ProcessMode ||
        lower.Options != cmd.Options || lower.File != cmd.File || lower.Backup != cmd.Backup ||
        lower.Trim != cmd.Trim) {
      Fail("lower-case options give another result", args);
    }
  }

  // Well-formed command lines for a plain page are accepted.
  if (args.empty() || args.size() > 2 || args.back().empty()) return;
  fs::path typed(args.back());
  if (typed.is_relative()) typed = fs::path(workingDir) / typed;
  if (!IsPlainPage(typed) || typed.string().find("..") != std::string::npos) return;
  const std::string letters = AsciiUpperCase(args[0]);
  auto has = [&](char c) { return letters.find(c) != std::string::npos; };
  const bool wellFormed =
      args.size() == 1 ||
      (letters.starts_with('-') && !(has('C') && has('F')) && (has('C') || has('F') || has('T')));
  if (wellFormed && cmd.CmdLineMode == CmdLineKind::None)
    Fail("rejected a good command line", args);
}

}  // namespace
}  // namespace tessel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel::fuzz;
  std::vector<std::string> args;
  if (size > 0) {
    std::string_view all(reinterpret_cast<const char*>(data), size);
    for (size_t from = 0;;) {
      size_t nul = all.find('\0', from);
      args.emplace_back(all.substr(from, nul - from));
      if (nul == std::string_view::npos || args.size() > 4) break;
      from = nul + 1;
    }
  }
  // Relative names from the scratch directory, from below it, or through "..".
  static const std::string dirs[] = {Scratch().string(), (Scratch() / "sub").string(),
                                     (Scratch() / "sub" / "..").string()};
  const std::string& workingDir = dirs[size % 3];
  // Absolute names start in the scratch directory too, and names that climb out of it are
  // not tried: the fuzzer learns listed names and could make the check read any file of the
  // machine (/proc/kcore never ends).
  if (!args.empty() && args.back().starts_with('/')) args.back() = Scratch().string() + args.back();
  if (!args.empty()) {
    const std::filesystem::path typed =
        (std::filesystem::path(workingDir) / args.back()).lexically_normal();
    if (!typed.string().starts_with(Scratch().string())) return 0;
  }
  Check(args, workingDir);
  return 0;
}
