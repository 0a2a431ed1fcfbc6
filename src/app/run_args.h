// What the commands that work on files on disk share: their command line, the paths they
// accept, the selection those paths make, and the style or trim list they load. Checking
// and diffing take exactly the files, and process them exactly as, an in-place run would.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/filter_command.h"
#include "app/session.h"
#include "batch/run_driver.h"

namespace tessel {

/// What a command does with the processed files.
enum class RunAction { None, InPlace, Check, Diff };

struct RunArgs {
  RunAction action = RunAction::None;
  ProcessKind mode = ProcessKind::None;
  bool hasStyle = false;
  std::string style;
  bool backups = true;
  int types = 0;
  bool validate = false;
  bool verify = false;  // --verify: check whether each result could render differently
  bool force = false;   // --force: with --in-place --verify, write such results all the same
  ConventionRequest conventions;  // --line-ends, --indent
  std::string from;               // --from: the backup a tree restore restores from
  std::vector<std::string> paths;     // as named on the command line
  std::vector<std::string> resolved;  // the same, resolved by CheckRunPaths: what the run uses
};

/// Parses "--format|--compress|--trim|--restore --in-place|--check|--diff [--style NAME|DIR]
/// [--no-backup] [--types N] [--validate] [--verify [--force]] [--line-ends crlf|lf|keep]
/// [--indent spaces|tabs] [--from BACKUP] PATH...". --restore, --no-backup and --force belong
/// to --in-place only; --verify not to --restore; --from to --restore. False with *err for
/// a bad command line.
bool ParseRunArgs(const std::vector<std::string>& args, RunArgs& a, std::string* err);

/// Resolves every path once (links, "." and ".." as the file system sees them: realpath)
/// into a.resolved, and checks what that gives: every path must exist; a directory only
/// alone and never the file system's root. A restore of a directory (the tree from its
/// backup) always backs up what it overwrites, so it refuses --no-backup; --from only
/// restores a directory.
bool CheckRunPaths(RunArgs& a, std::string* err);

/// The selection a.resolved makes: a tree when the one path is a directory, else the files
/// picked. False with *err when a lone file is not of an accepted type.
bool MakeRunSelection(const RunArgs& a, SelectionSource& source, std::string* err);

/// What a run of `a` does about results that could render differently.
VerifyKind VerifyOf(const RunArgs& a);

/// Loads into `session` what a.mode works with: the style for --format and --compress, the
/// trim list for --trim. False, after the reason went to standard error, when it cannot.
bool LoadRunData(const RunArgs& a, Session& session, FilterIo& io);

}  // namespace tessel
