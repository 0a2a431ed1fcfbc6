#include "app/batch_command.h"

#include <algorithm>
#include <filesystem>

#include "app/command_line.h"
#include "app/command_style.h"
#include "app/program_settings.h"
#include "batch/backups.h"
#include "batch/discovery.h"
#include "batch/run_driver.h"
#include "styles/trim_list.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

// CR LF pairs of the protocol become the terminal's line feeds.
std::string Lines(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    s.push_back(text[i]);
  }
  return s;
}

struct InPlaceArgs {
  ProcessKind mode = ProcessKind::None;
  bool hasStyle = false;
  std::string style;
  bool backups = true;
  int types = 0;
  bool validate = false;
  std::vector<std::string> paths;
};

bool SetMode(InPlaceArgs& a, ProcessKind mode, std::string* err) {
  if (a.mode != ProcessKind::None && a.mode != mode) {
    *err = "choose one of --format, --compress, --trim and --restore";
    return false;
  }
  a.mode = mode;
  return true;
}

bool ParseTypes(const std::string& text, int* types) {
  if (text.size() != 1 || text[0] < '0' || text[0] > '5') return false;
  *types = text[0] - '0';
  return true;
}

bool ParseInPlaceArgs(const std::vector<std::string>& args, InPlaceArgs& a, std::string* err) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](const char* what) -> const std::string* {
      if (i + 1 < args.size()) return &args[++i];
      *err = std::string(what) + " needs a value";
      return nullptr;
    };
    bool ok = true;
    if (arg == "--in-place") {
    } else if (arg == "--format") {
      ok = SetMode(a, ProcessKind::Format, err);
    } else if (arg == "--compress") {
      ok = SetMode(a, ProcessKind::Compress, err);
    } else if (arg == "--trim") {
      ok = SetMode(a, ProcessKind::Trim, err);
    } else if (arg == "--restore") {
      ok = SetMode(a, ProcessKind::Restore, err);
    } else if (arg == "--no-backup") {
      a.backups = false;
    } else if (arg == "--validate") {
      a.validate = true;
    } else if (arg == "--style") {
      const std::string* v = value("--style");
      if (!v) return false;
      a.style = *v;
      a.hasStyle = true;
    } else if (arg == "--types") {
      const std::string* v = value("--types");
      if (!v) return false;
      if (!ParseTypes(*v, &a.types)) {
        *err = "--types takes a number from 0 to 5, not '" + *v + "'";
        return false;
      }
    } else if (arg.starts_with("-") && arg != "-") {
      *err = "unknown option '" + arg + "'";
      return false;
    } else {
      a.paths.push_back(arg);
    }
    if (!ok) return false;
  }
  if (a.mode == ProcessKind::None) {
    *err = "choose one of --format, --compress, --trim and --restore";
  } else if (a.paths.empty()) {
    *err = "name the files or the directory to process";
  } else if (a.hasStyle && (a.mode == ProcessKind::Trim || a.mode == ProcessKind::Restore)) {
    *err = "--style applies to --format and --compress only";
  } else {
    return true;
  }
  return false;
}

// Every path must exist; a directory only alone, and never for a restore.
bool CheckPaths(const InPlaceArgs& a, std::string* err) {
  for (const std::string& path : a.paths) {
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    if (!fs::exists(st)) {
      *err = "no such file or directory: " + path;
      return false;
    }
    if (fs::is_directory(st) && (a.paths.size() > 1 || a.mode == ProcessKind::Restore)) {
      *err = a.mode == ProcessKind::Restore ? "--restore takes files, not a directory: " + path
                                            : "a directory is processed on its own: " + path;
      return false;
    }
  }
  return true;
}

std::string FullPath(const std::string& path) {
  return fs::absolute(path).lexically_normal().string();
}

int ExitStatus(const RunSummary& s) {
  if (s.BackupDirFailed) return kExitUsage;
  if (s.Cancelled || s.Stopped || s.Aborted || s.Ignored > 0) return kExitFailed;
  return kExitOk;
}

void InitState(RunState& state, const fs::path& programDir) {
  state.ProgramDir = WithTrailingSeparator(programDir.string());
  state.TempOutFile = state.ProgramDir + "$tmp.htm";
  ProgramSettings settings;
  std::string ignored;
  ReadProgramSettings(programDir / "prg.ini", 0, 0, settings, &ignored);
  state.BackupExt = settings.BackupExt;
  state.DoCreateBackUps = settings.DoCreateBackUps;
  state.DoValidate = settings.DoValidate;
}

}  // namespace

void ConsoleHost::ProtocolAdded(std::string_view text) {
  if (drawn_) io_.WriteStderr("\r\033[K");
  io_.WriteStdout(Lines(text) + "\n");
  drawn_ = false;
  Redraw();
}

void ConsoleHost::ShowStatus(std::string_view text) {
  status_ = text;
  Redraw();
}

void ConsoleHost::InitProgress(ProgressBar bar, int64_t maximum) {
  if (bar != ProgressBar::All) return;
  total_ = maximum + 1;
  done_ = -1;
}

void ConsoleHost::SetProgress(ProgressBar bar, int64_t position) {
  if (bar != ProgressBar::All) return;
  done_ = position;
  Redraw();
}

void ConsoleHost::Redraw() {
  if (!interactive_) return;
  std::string line = "\r\033[K";
  if (total_ > 0) {
    int64_t done = std::clamp<int64_t>(done_ + 1, 0, total_);
    int filled = static_cast<int>(20 * done / total_);
    line.append("[").append(filled, '#').append(20 - filled, '-').append("] ");
    line.append(std::to_string(done)).append("/").append(std::to_string(total_)).append(" ");
  }
  line += status_.substr(0, 100);
  io_.WriteStderr(line);
  drawn_ = true;
}

void ConsoleHost::ShowMessage(MessageKind, std::string_view text) {
  if (drawn_) io_.WriteStderr("\r\033[K");
  drawn_ = false;
  std::string s = Lines(text);
  std::replace(s.begin(), s.end(), '\n', ' ');
  io_.WriteStderr("tessel-html: " + s + "\n");
}

void ConsoleHost::Finish() {
  if (drawn_) io_.WriteStderr("\n");
  drawn_ = false;
}

bool IsInPlaceCommand(const std::vector<std::string>& args) {
  return std::find(args.begin(), args.end(), "--in-place") != args.end();
}

int RunInPlaceCommand(const std::vector<std::string>& args, const fs::path& programDir,
                      FilterIo& io, bool interactive) {
  InPlaceArgs a;
  std::string err;
  auto fail = [&](int code) {
    io.WriteStderr("tessel-html: " + err + "\n");
    return code;
  };
  if (!ParseInPlaceArgs(args, a, &err)) return fail(kExitUsage);
  if (!CheckPaths(a, &err)) return fail(kExitUsage);

  Style style;
  StyleLibrary library(programDir / "styles", style);
  TrimTagList trimList;
  if (a.mode == ProcessKind::Format || a.mode == ProcessKind::Compress) {
    bool noStyle = false;
    if (!LoadCommandStyle(library, a.hasStyle ? &a.style : nullptr, programDir, &err, &noStyle)) {
      if (!noStyle) return fail(kExitUsage);
      io.WriteStderr(NoValidStyleText());
      return kExitUsage;
    }
  } else if (a.mode == ProcessKind::Trim && !ReadTrimList(programDir, trimList, &err)) {
    return fail(kExitUsage);
  }

  RunState state;
  InitState(state, programDir);
  state.ProcessMode = a.mode;
  state.DoCreateBackUps = a.backups;
  state.DoValidate = a.validate;
  state.FilterIndex = a.types;
  ConsoleHost host(io, interactive);
  std::function<bool(std::string*)> reload;
  if (a.mode == ProcessKind::Format || a.mode == ProcessKind::Compress) {
    reload = StyleReloader(library, a.hasStyle && a.style.find('/') != std::string::npos
                                        ? a.style
                                        : style.Options.StyleName);
  }
  RunDriver driver(state, style, trimList, host, reload);

  SelectionSource source{SelectionSource::Kind::PickedFiles, {}};
  for (const std::string& p : a.paths) source.Paths.push_back(FullPath(p));
  std::error_code ec;
  if (fs::is_directory(source.Paths.front(), ec)) {
    source.What = SelectionSource::Kind::Tree;
  } else if (source.Paths.size() == 1 &&
             !IsValidHtmlFile(source.Paths.front(), state.DoValidate, false)) {
    err = "not an HTML file of an accepted type" +
          std::string(state.DoValidate ? " with an <HTML> tag" : "") + ": " + source.Paths.front();
    return fail(kExitUsage);
  }
  SelectionKind selected = driver.ShowFileSelection(source);
  if (selected == SelectionKind::None) {
    host.Finish();
    err = "no accepted HTML files found";
    return fail(kExitFailed);
  }
  RunSummary summary = driver.LetsGo();
  host.Finish();
  return ExitStatus(summary);
}

int RunCommandLine(const std::vector<std::string>& args, const fs::path& programDir, FilterIo& io) {
  CommandLine line = ParseCommandLine(args);
  if (line.CmdLineMode == CmdLineKind::None) {
    io.WriteStderr("tessel-html: not a command this program understands\n" + UsageText());
    return kExitUsage;
  }
  if (line.CmdLineMode != CmdLineKind::Automatic) {
    io.WriteStderr(
        "tessel-html: opening a file in the window is not available in this build; "
        "add A to the options (-" +
        line.Options.substr(1) + "A) for an automatic run\n");
    return kExitUsage;
  }
  Style style;
  StyleLibrary library(programDir / "styles", style);
  std::string err;
  bool noStyle = false;
  if (!LoadCommandStyle(library, nullptr, programDir, &err, &noStyle)) {
    io.WriteStderr(noStyle ? NoValidStyleText() : "tessel-html: " + err + "\n");
    return kExitUsage;
  }
  TrimTagList trimList;
  if (line.Trim && !ReadTrimList(programDir, trimList, &err)) {
    io.WriteStderr("tessel-html: " + err + "\n");
    return kExitUsage;
  }
  RunState state;
  InitState(state, programDir);
  state.CmdLineMode = CmdLineKind::Automatic;
  state.ProcessMode = line.ProcessMode;
  state.DoCreateBackUps = line.Backup;
  ConsoleHost host(io, false);
  RunDriver driver(state, style, trimList, host, StyleReloader(library, style.Options.StyleName));
  driver.ShowFileSelection({SelectionSource::Kind::CommandLineFile, {line.File}});
  RunSummary summary = driver.LetsGo();
  if (summary.Processed == 1 && line.Trim && line.ProcessMode != ProcessKind::Trim) {
    state.ProcessMode = ProcessKind::Trim;
    state.DoCreateBackUps = false;
    summary = driver.LetsGo();
  }
  return summary.Processed == 1 ? kExitOk : kExitFailed;
}

}  // namespace tessel
