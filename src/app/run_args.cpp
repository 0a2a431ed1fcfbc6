#include "app/run_args.h"

#include "base/shown_name.h"
#include "batch/discovery.h"
#include "io/directory_chain.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

bool SetOnce(ProcessKind& field, ProcessKind value, std::string* err) {
  if (field != ProcessKind::None && field != value) {
    *err = "choose one of --format, --compress, --trim and --restore";
    return false;
  }
  field = value;
  return true;
}

bool SetOnce(RunAction& field, RunAction value, std::string* err) {
  if (field != RunAction::None && field != value) {
    *err = "choose one of --in-place, --check and --diff";
    return false;
  }
  field = value;
  return true;
}

bool ParseTypes(const std::string& text, int* types) {
  if (text.size() != 1 || text[0] < '0' || text[0] > '5') return false;
  *types = text[0] - '0';
  return true;
}

// One word of the command line (with its value, if it takes one). False with *err.
bool ParseWord(const std::vector<std::string>& args, size_t& i, RunArgs& a, std::string* err) {
  const std::string& arg = args[i];
  auto value = [&](const char* what) -> const std::string* {
    if (i + 1 < args.size()) return &args[++i];
    *err = std::string(what) + " needs a value";
    return nullptr;
  };
  if (arg == "--in-place") return SetOnce(a.action, RunAction::InPlace, err);
  if (arg == "--check") return SetOnce(a.action, RunAction::Check, err);
  if (arg == "--diff") return SetOnce(a.action, RunAction::Diff, err);
  if (arg == "--format") return SetOnce(a.mode, ProcessKind::Format, err);
  if (arg == "--compress") return SetOnce(a.mode, ProcessKind::Compress, err);
  if (arg == "--trim") return SetOnce(a.mode, ProcessKind::Trim, err);
  if (arg == "--restore") return SetOnce(a.mode, ProcessKind::Restore, err);
  if (const int taken = ParseConventionOption(args, i, a.conventions, err)) return taken > 0;
  if (arg == "--no-backup") {
    a.backups = false;
  } else if (arg == "--validate") {
    a.validate = true;
  } else if (arg == "--verify") {
    a.verify = true;
  } else if (arg == "--force") {
    a.force = true;
  } else if (arg == "--style") {
    const std::string* v = value("--style");
    if (!v) return false;
    a.style = *v;
    a.hasStyle = true;
  } else if (arg == "--from") {
    const std::string* v = value("--from");
    if (!v) return false;
    a.from = *v;
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
  return true;
}

// The rules between the words, once all are read.
bool CheckCombination(const RunArgs& a, std::string* err) {
  const bool inPlace = a.action == RunAction::InPlace;
  if (a.action == RunAction::None) {
    *err = "choose one of --in-place, --check and --diff";
  } else if (a.mode == ProcessKind::None) {
    *err = inPlace ? "choose one of --format, --compress, --trim and --restore"
                   : "choose one of --format, --compress and --trim";
  } else if (!inPlace && a.mode == ProcessKind::Restore) {
    *err = "--check and --diff take --format, --compress or --trim";
  } else if (!inPlace && !a.backups) {
    *err = "--no-backup applies to --in-place only";
  } else if (a.verify && a.mode == ProcessKind::Restore) {
    *err = "--verify takes --format, --compress or --trim: a restore puts the backup back";
  } else if (a.force && (!inPlace || !a.verify)) {
    *err = "--force applies to --in-place with --verify only";
  } else if (a.paths.empty()) {
    *err = "name the files or the directory to process";
  } else if (a.hasStyle && (a.mode == ProcessKind::Trim || a.mode == ProcessKind::Restore)) {
    *err = "--style applies to --format and --compress only";
  } else if (!a.from.empty() && a.mode != ProcessKind::Restore) {
    *err = "--from applies to --restore only";
  } else {
    return true;
  }
  return false;
}

}  // namespace

bool ParseRunArgs(const std::vector<std::string>& args, RunArgs& a, std::string* err) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (!ParseWord(args, i, a, err)) return false;
  }
  return CheckCombination(a, err);
}

bool CheckRunPaths(RunArgs& a, std::string* err) {
  a.resolved.clear();
  for (const std::string& path : a.paths) {
    std::string resolved;
    std::error_code ec;
    if (!fs::exists(fs::status(path, ec)) || !ResolvePath(path, &resolved, err)) {
      *err = "no such file or directory: " + ShownName(path);
      return false;
    }
    const bool dir = fs::is_directory(resolved, ec);
    // A file named through a link is the file it points to, except for a restore: the
    // backup beside a link is not the backup of that file, so the run refuses the link.
    if (!dir && a.mode == ProcessKind::Restore) resolved = ResolvedFilePath(path, false);
    if (dir && a.paths.size() > 1) {
      *err = "a directory is processed on its own: " + ShownName(path);
      return false;
    }
    if (a.mode == ProcessKind::Restore && (dir ? !a.backups : !a.from.empty())) {
      *err = dir ? "a tree restore always backs up the pages it overwrites: --no-backup "
                   "does not apply"
                 : "--from names the backup of a directory, and " + ShownName(path) +
                       " is a file";
      return false;
    }
    // A stray blank before a path is enough to name the root, and a run there would rewrite
    // every page on the machine (and a check would wander through /proc). The path checked
    // is the one the run then uses, whatever links and ".." it was named through.
    if (dir && resolved == "/") {
      *err = "the root of the file system is no tree to process: " + ShownName(path);
      return false;
    }
    a.resolved.push_back(std::move(resolved));
  }
  return true;
}

bool MakeRunSelection(const RunArgs& a, SelectionSource& source, std::string* err) {
  source = {SelectionSource::Kind::PickedFiles, a.resolved};
  std::error_code ec;
  if (source.Paths.empty()) {
    *err = "name the files or the directory to process";
    return false;
  }
  if (fs::is_directory(source.Paths.front(), ec)) {
    source.What = SelectionSource::Kind::Tree;
  } else if (source.Paths.size() == 1 && !IsValidHtmlFile(source.Paths.front(), a.validate, false)) {
    *err = "not an HTML file of an accepted type" +
           std::string(a.validate ? " with an <HTML> tag" : "") + ": " +
           ShownName(source.Paths.front());
    return false;
  }
  return true;
}

VerifyKind VerifyOf(const RunArgs& a) {
  if (!a.verify) return VerifyKind::Off;
  return a.force ? VerifyKind::Mark : VerifyKind::Withhold;
}

bool LoadRunData(const RunArgs& a, Session& session, FilterIo& io) {
  if (a.mode == ProcessKind::Format || a.mode == ProcessKind::Compress) {
    StyleError err;
    if (session.LoadStyle(a.hasStyle ? &a.style : nullptr, &err)) return true;
    ReportStyleError(err, io);
    return false;
  }
  std::string err;
  if (a.mode == ProcessKind::Trim && !session.ReadTrimList(&err)) {
    io.WriteStderr("tessel-html: " + err + "\n");
    return false;
  }
  return true;
}

}  // namespace tessel
