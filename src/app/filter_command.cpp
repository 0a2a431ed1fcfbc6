#include "app/filter_command.h"

#include <algorithm>

#include "app/session.h"
#include "engine/engine.h"
#include "engine/line_ends.h"
#include "io/text_file.h"

namespace tessel {
namespace {

enum class Mode { None, Format, Compress, Trim, Help, Version };

struct FilterArgs {
  Mode mode = Mode::None;
  std::string style;
  bool hasStyle = false;
  std::string file = "-";
  bool hasFile = false;
};

std::string OneLine(std::string_view text) {
  std::string s(text);
  std::replace(s.begin(), s.end(), '\r', ' ');
  std::replace(s.begin(), s.end(), '\n', ' ');
  return s;
}

bool SetMode(FilterArgs& a, Mode m, std::string* err) {
  if (a.mode != Mode::None && a.mode != m) {
    *err = "choose one of --format, --compress and --trim";
    return false;
  }
  a.mode = m;
  return true;
}

bool ParseFilterArgs(const std::vector<std::string>& args, FilterArgs& a, std::string* err) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      a.mode = Mode::Help;
      return true;
    }
    if (arg == "--version") {
      a.mode = Mode::Version;
      return true;
    }
    bool ok = true;
    if (arg == "--format") {
      ok = SetMode(a, Mode::Format, err);
    } else if (arg == "--compress") {
      ok = SetMode(a, Mode::Compress, err);
    } else if (arg == "--trim") {
      ok = SetMode(a, Mode::Trim, err);
    } else if (arg == "--style" || arg.starts_with("--style=")) {
      if (arg == "--style" && i + 1 >= args.size()) {
        *err = "--style needs a style name or directory";
        return false;
      }
      a.style = arg == "--style" ? args[++i] : arg.substr(8);
      a.hasStyle = true;
    } else if (arg != "-" && arg.starts_with("-")) {
      *err = "unknown option '" + arg + "'";
      return false;
    } else if (a.hasFile) {
      *err = "only one file can be given (got '" + a.file + "' and '" + arg + "')";
      return false;
    } else {
      a.file = arg;
      a.hasFile = true;
    }
    if (!ok) return false;
  }
  if (a.mode == Mode::None) {
    *err = "choose one of --format, --compress and --trim";
    return false;
  }
  if (a.mode == Mode::Trim && a.hasStyle) {
    *err = "--trim uses the trim list, not a style; drop --style";
    return false;
  }
  return true;
}

bool ReadInput(const FilterArgs& a, FilterIo& io, std::string& text, std::string* err) {
  std::string name = a.file == "-" ? "standard input" : a.file;
  if (a.file == "-" ? !io.ReadStdin(text, err) : !ReadWholeFile(a.file, text, err)) return false;
  bool hadNul = false;
  NormalizeLineEndsInPlace(text, &hadNul);
  if (hadNul) {
    // Writing the text back would cut it at the NUL byte.
    *err = name + " holds a NUL byte: it is not an HTML text file";
    return false;
  }
  return true;
}

bool WriteLines(const LineList& lines, FilterIo& io) {
  constexpr size_t kChunk = 1 << 20;
  std::string buf;
  buf.reserve(kChunk + 4096);
  for (size_t i = 0; i < lines.size(); ++i) {
    buf += lines[i];
    buf += "\r\n";
    if (buf.size() >= kChunk) {
      if (!io.WriteStdout(buf)) return false;
      buf.clear();
    }
  }
  return buf.empty() || io.WriteStdout(buf);
}

}  // namespace

std::string UsageText() {
  return "Usage:\n"
         "  tessel-html --format   [--style NAME|DIR] [FILE|-]\n"
         "  tessel-html --compress [--style NAME|DIR] [FILE|-]\n"
         "  tessel-html --trim     [FILE|-]\n"
         "  tessel-html --format|--compress|--trim|--restore --in-place [--style NAME|DIR]\n"
         "              [--no-backup] [--types N] [--validate] PATH...\n"
         "  tessel-html --format|--compress|--trim --check|--diff [--style NAME|DIR]\n"
         "              [--types N] [--validate] PATH...\n"
         "  tessel-html --help | --version\n"
         "Reads FILE (or standard input), writes the result to standard output with CR LF\n"
         "line ends, and never changes FILE. NAME is a style of the styles directory (any\n"
         "letter case); a value with a '/' is the path of a style directory.\n"
         "--in-place rewrites the files, or every accepted file below the directory, after\n"
         "backing them up (see README.md).\n"
         "--check lists the files (or those below the directory) that processing in place\n"
         "would change, --diff shows the changes as a unified diff; neither writes a file.\n"
         "They exit 0 when nothing would change, 1 when something would, 2 on an error.\n";
}

void ReportStyleError(const StyleError& err, FilterIo& io) {
  io.WriteStderr(err.NoValidStyle ? NoValidStyleText(err) : "tessel-html: " + OneLine(err.Text) + "\n");
}

bool IsFilterCommand(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--format" || a == "--compress" || a == "--trim" || a == "--help" || a == "-h" ||
        a == "--version") {
      return true;
    }
  }
  return false;
}

int RunFilterCommand(const std::vector<std::string>& args, const std::filesystem::path& programDir,
                     FilterIo& io) {
  FilterArgs a;
  std::string err;
  auto fail = [&](int code) {
    io.WriteStderr("tessel-html: " + OneLine(err) + "\n");
    return code;
  };
  if (!ParseFilterArgs(args, a, &err)) {
    err += " (see tessel-html --help)";
    return fail(kExitUsage);
  }
  if (a.mode == Mode::Help) return io.WriteStdout(UsageText()) ? kExitOk : kExitFailed;
  if (a.mode == Mode::Version) {
    return io.WriteStdout(std::string(kProgramVersion) + "\n") ? kExitOk : kExitFailed;
  }
  RunHost quiet;  // the filter shows no status or progress
  Session session(programDir, quiet);
  if (a.mode == Mode::Trim) {
    if (!session.ReadTrimList(&err)) return fail(kExitUsage);
  } else if (StyleError styleErr; !session.LoadStyle(a.hasStyle ? &a.style : nullptr, &styleErr)) {
    ReportStyleError(styleErr, io);
    return kExitUsage;
  }
  Engine engine(session.ActiveStyle());
  engine.FileName = a.file;
  std::string text;
  if (!ReadInput(a, io, text, &err)) return fail(kExitUsage);
  const EngineMode mode = a.mode == Mode::Trim       ? EngineMode::Trim
                          : a.mode == Mode::Format ? EngineMode::Format
                                                   : EngineMode::Compress;
  if (!WriteLines(engine.Process(mode, std::move(text), session.TrimList()), io)) {
    err = "cannot write to standard output";
    return fail(kExitFailed);
  }
  return kExitOk;
}

}  // namespace tessel
