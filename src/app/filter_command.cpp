#include "app/filter_command.h"

#include <algorithm>

#include "app/session.h"
#include "batch/render_verify.h"
#include "conventions/file_conventions.h"
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
  bool verify = false;  // --verify: tell whether the result could render differently
  ConventionRequest conventions;  // --line-ends, --indent
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
    if (const int taken = ParseConventionOption(args, i, a.conventions, err)) {
      if (taken < 0) return false;
      continue;
    }
    bool ok = true;
    if (arg == "--format") {
      ok = SetMode(a, Mode::Format, err);
    } else if (arg == "--compress") {
      ok = SetMode(a, Mode::Compress, err);
    } else if (arg == "--trim") {
      ok = SetMode(a, Mode::Trim, err);
    } else if (arg == "--verify") {
      a.verify = true;
    } else if (arg == "--force") {
      *err = "--force applies to --in-place with --verify only";
      return false;
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

std::string InputName(const FilterArgs& a) { return a.file == "-" ? "standard input" : a.file; }

// The input as the engine reads it, with the conventions it is written by (decided on its
// bytes as they are); with `original`, also the bytes as they were read.
bool ReadInput(const FilterArgs& a, FilterIo& io, std::string& text, FileConventions& conventions,
               std::string* original, std::string* err) {
  if (a.file == "-" ? !io.ReadStdin(text, err) : !ReadWholeFile(a.file, text, err)) return false;
  if (!DecideConventions(a.conventions, a.file == "-" ? "" : a.file, text, conventions, err)) {
    return false;
  }
  if (original) *original = text;
  bool hadNul = false;
  NormalizeLineEndsInPlace(text, &hadNul);
  if (hadNul) {
    // Writing the text back would cut it at the NUL byte.
    *err = InputName(a) + " holds a NUL byte: it is not an HTML text file";
    return false;
  }
  return true;
}

bool WriteLines(const LineList& lines, std::string_view eol, FilterIo& io) {
  constexpr size_t kChunk = 1 << 20;
  std::string buf;
  buf.reserve(kChunk + 4096);
  for (size_t i = 0; i < lines.size(); ++i) {
    buf += lines[i];
    buf += eol;
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
         "  tessel-html --format   [--style NAME|DIR] [FORM] [FILE|-]\n"
         "  tessel-html --compress [--style NAME|DIR] [FORM] [FILE|-]\n"
         "  tessel-html --trim     [FORM] [FILE|-]\n"
         "  tessel-html --format|--compress|--trim|--restore --in-place [--style NAME|DIR]\n"
         "              [--no-backup] [--types N] [--validate] [--verify [--force]]\n"
         "              [FORM] PATH...\n"
         "  tessel-html --restore --in-place [--from BACKUP] DIR\n"
         "  tessel-html --format|--compress|--trim --check|--diff [--style NAME|DIR]\n"
         "              [--types N] [--validate] [--verify] [FORM] PATH...\n"
         "  tessel-html --help | --version\n"
         "FORM is [--line-ends crlf|lf|keep] [--indent spaces|tabs].\n"
         "Reads FILE (or standard input), writes the result to standard output, and never\n"
         "changes FILE. NAME is a style of the styles directory (any letter case); a value\n"
         "with a '/' is the path of a style directory.\n"
         "Every line ends with CR LF, or with LF, or (keep) as the file's first line ends;\n"
         "the style decides between TABs and spaces for indentation. Without --line-ends or\n"
         "--indent an .editorconfig above the file decides them (end_of_line, indent_style).\n"
         "--in-place rewrites the files, or every accepted file below the directory, after\n"
         "backing them up (see man tessel-html). --restore of a directory puts the tree\n"
         "back to its newest numbered backup (DIR_BAKnn), or to the one --from names, after\n"
         "backing up the pages it overwrites.\n"
         "--check lists the files (or those below the directory) that processing in place\n"
         "would change, --diff shows the changes as a unified diff; neither writes a file.\n"
         "They exit 0 when nothing would change, 1 when something would, 2 on an error.\n"
         "--verify (also with the filter) parses each page and its result with an HTML5\n"
         "parser and reports on standard error, or in the protocol, each result that could\n"
         "render differently in a browser, with its first difference; the exit status is\n"
         "then 1. With --in-place such files are left unchanged unless --force is given.\n";
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
    return io.WriteStdout(std::string(kVersionLine) + "\n") ? kExitOk : kExitFailed;
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
  std::string text, original;
  FileConventions conventions;
  if (!ReadInput(a, io, text, conventions, a.verify ? &original : nullptr, &err)) {
    return fail(kExitUsage);
  }
  conventions.ApplyTo(engine);
  const EngineMode mode = a.mode == Mode::Trim       ? EngineMode::Trim
                          : a.mode == Mode::Format ? EngineMode::Format
                                                   : EngineMode::Compress;
  const LineList& lines = engine.Process(mode, std::move(text), session.TrimList());
  // The check needs the result in one piece; without it, lines go out in chunks.
  const std::string result = a.verify ? engine.OutputBytes() : std::string();
  const bool written = a.verify ? io.WriteStdout(result)
                                : WriteLines(lines, LineEndBytes(engine.OutputLineEnd), io);
  if (!written) {
    err = "cannot write to standard output";
    return fail(kExitFailed);
  }
  if (!a.verify) return kExitOk;
  const std::optional<RenderDifference> found = FirstRenderDifference(original, result);
  if (!found) return kExitOk;
  err = InputName(a) + " " + RenderNote(*found);
  return fail(kExitFailed);
}

}  // namespace tessel
