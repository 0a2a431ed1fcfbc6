#include "app/batch_command.h"

#include <algorithm>
#include <filesystem>

#include "app/command_line.h"
#include "app/command_style.h"
#include "app/program_settings.h"
#include "app/run_args.h"
#include "batch/backups.h"
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
  RunArgs a;
  std::string err;
  auto fail = [&](int code) {
    io.WriteStderr("tessel-html: " + err + "\n");
    return code;
  };
  if (!ParseRunArgs(args, a, &err) || !CheckRunPaths(a, &err)) return fail(kExitUsage);

  Style style;
  StyleLibrary library(programDir / "styles", style);
  TrimTagList trimList;
  if (!LoadRunData(a, programDir, library, trimList, io)) return kExitUsage;

  RunState state;
  InitState(state, programDir);
  state.ProcessMode = a.mode;
  state.DoCreateBackUps = a.backups;
  state.DoValidate = a.validate;
  state.FilterIndex = a.types;
  ConsoleHost host(io, interactive);
  RunDriver driver(state, style, trimList, host, RunStyleReloader(a, library, style));

  SelectionSource source;
  if (!MakeRunSelection(a, source, &err)) return fail(kExitUsage);
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
