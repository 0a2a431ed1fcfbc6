#include "app/batch_command.h"

#include <algorithm>
#include <filesystem>

#include "app/command_line.h"
#include "app/run_args.h"
#include "app/session.h"

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
  if (s.BackupDirFailed || s.BackupRefused) return kExitUsage;
  // A result that could render differently fails the check, whether it was written or not.
  if (s.Cancelled || s.Stopped || s.Aborted || s.Ignored > 0 || s.NotSearched > 0 ||
      s.Differing > 0) {
    return kExitFailed;
  }
  return kExitOk;
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
  SelectionSource source;
  std::string err;
  auto fail = [&](int code) {
    io.WriteStderr("tessel-html: " + err + "\n");
    return code;
  };
  if (!ParseRunArgs(args, a, &err) || !CheckRunPaths(a, &err)) return fail(kExitUsage);

  ConsoleHost host(io, interactive);
  Session session(programDir, host);
  if (!LoadRunData(a, session, io)) return kExitUsage;
  RunState& state = session.State();
  state.ProcessMode = a.mode;
  state.DoCreateBackUps = a.backups;
  state.DoValidate = a.validate;
  state.FilterIndex = a.types;
  state.Conventions = a.conventions;
  state.Verify = VerifyOf(a);  // the command line's, whatever the window's settings say

  if (!MakeRunSelection(a, source, &err)) return fail(kExitUsage);
  RunDriver& driver = session.Driver();
  const bool treeRestore =
      a.mode == ProcessKind::Restore && source.What == SelectionSource::Kind::Tree;
  driver.RestoreFrom = a.from;
  if (treeRestore ? driver.SelectTreeToRestore(source.Paths.front()) == SelectionKind::None
                  : driver.Select(source) == SelectionKind::None) {
    host.Finish();
    err = "no accepted HTML files found";
    return fail(kExitFailed);
  }
  RunSummary summary = driver.Run();
  host.Finish();
  // A single file has no protocol: its mark goes where its errors go.
  if (!summary.RenderNote.empty()) io.WriteStderr("tessel-html: " + summary.RenderNote + "\n");
  return ExitStatus(summary);
}

int RunCommandLine(const std::vector<std::string>& args, const fs::path& programDir, FilterIo& io) {
  CommandLine line = ParseCommandLine(args);
  if (line.CmdLineMode == CmdLineKind::None) {
    io.WriteStderr("tessel-html: not a command this program understands\n" + UsageText());
    return kExitUsage;
  }
  if (line.CmdLineMode != CmdLineKind::Automatic) {  // the window opens such a file
    io.WriteStderr("tessel-html: add A to the options for a run without the window\n");
    return kExitUsage;
  }
  ConsoleHost host(io, false);
  Session session(programDir, host);
  StyleError styleErr;
  if (!session.LoadStyle(nullptr, &styleErr)) {
    ReportStyleError(styleErr, io);
    return kExitUsage;
  }
  std::string err;
  if (line.Trim && !session.ReadTrimList(&err)) {
    io.WriteStderr("tessel-html: " + err + "\n");
    return kExitUsage;
  }
  RunState& state = session.State();
  state.CmdLineMode = CmdLineKind::Automatic;
  state.ProcessMode = line.ProcessMode;
  state.DoCreateBackUps = line.Backup;
  RunDriver& driver = session.Driver();
  driver.Select({SelectionSource::Kind::CommandLineFile, {line.File}});
  // With DoVerify, each run's finding goes where its errors go.
  auto run = [&] {
    RunSummary s = driver.Run();
    if (!s.RenderNote.empty()) io.WriteStderr("tessel-html: " + s.RenderNote + "\n");
    return s;
  };
  RunSummary summary = run();
  if (summary.Processed == 1 && line.Trim && line.ProcessMode != ProcessKind::Trim) {
    state.ProcessMode = ProcessKind::Trim;
    state.DoCreateBackUps = false;
    summary = run();
  }
  return summary.Processed == 1 ? kExitOk : kExitFailed;
}

}  // namespace tessel
