// Putting a whole tree back to one of its numbered backups (site_BAKnn/ beside site/).
// The backup is read through directory handles that never follow a link, must mirror the
// tree, and every page it holds is copied back through the safe replace after the page as
// it is now went into a numbered backup of its own, so that the restore can be undone.
#pragma once

#include <string>
#include <vector>

#include "batch/pipeline.h"
#include "batch/run_state.h"
#include "io/directory_chain.h"

namespace tessel {

inline constexpr std::string_view kBackupReportName = "report.txt";

/// The number nn of `dir` when it is named `<tree>_BAKnn` (a trailing "/" allowed) beside
/// `tree` (both as ResolvePath gives them); -1 otherwise.
int TreeBackupNumber(const std::string& tree, const std::string& dir);

/// The numbered backup directory of `tree` with the highest number: a real directory, not
/// a link. -1 and "" when there is none.
int NewestTreeBackup(const std::string& tree, std::string* dir);

/// Where a restore of state.SourceDir backs up the pages it overwrites: the first free
/// numbered backup directory above every one there is ("" when that would pass 99).
std::string NextRestoreBackupDir(const RunState& state);

/// What became of one page of a tree restore.
struct RestoredPage {
  enum class End {
    Restored,   // the backup's bytes, mode and times are the page's now
    Unchanged,  // the page already held the backup's bytes and mode: nothing written
    Failed,     // left as it was; Outcome says why
    DiskFull,   // too little free space: the run must end (Outcome.Message is the text)
  };
  End What = End::Failed;
  ProcessOutcome Outcome;
  bool BackedUp = false;  // the page as it was went to state.BackupFileName first
  bool Created = false;   // there was no page: it was made
};

class TreeRestore {
 public:
  /// `tree` is the tree's directory, resolved (RunState::SourceDir).
  explicit TreeRestore(const std::string& tree);

  /// Chooses what to restore from: `from` (any path naming a backup directory of the tree:
  /// `<tree>_BAKnn` beside it once resolved), or, when empty, the newest backup. False with
  /// *err when there is none or `from` is not one.
  bool ChooseSource(const std::string& from, std::string* err);
  const std::string& Source() const { return source_; }  // ends with "/"
  int SourceNumber() const { return number_; }

  /// Lists the files the source holds and checks that it mirrors the tree: no symbolic
  /// link and nothing but directories and regular files in it, and where the tree has an
  /// entry of the same path it is of the same kind and no link. Hidden entries, "_vti_cnf"
  /// folders and the run's own "report.txt" at the top are not part of the mirror (a tree
  /// run backs up none of them). False with *err when it does not mirror the tree or a
  /// folder of it cannot be listed: nothing may then be restored.
  bool ReadSource(std::string* err);
  /// The files to restore, relative to the tree, in name order, depth first.
  const std::vector<std::string>& Files() const { return files_; }

  /// The lowest number the restore's own backup directory may take: one above every
  /// backup there is, so that it is then the newest and a restore from the newest undoes
  /// this one.
  int OwnBackupNumber() const;

  /// Restores the page `rel`: reads the source's copy (never through a link), backs the page
  /// as it is now up into state.BackupDir (opened through `backupDirs`), and replaces it
  /// with the copy, whose mode and times it takes; a missing page (or folder) is made. A
  /// page that is a link, read-only, or changed between being read and being replaced is
  /// left as it was. state.BackupFileName names the page's backup when one was made.
  RestoredPage RestorePage(const std::string& rel, RunState& state, DirectoryChain& backupDirs,
                           const FreeSpaceQuery& freeSpace);

 private:
  bool ReadPage(const std::string& rel, std::string& bytes, struct stat& st, RestoredPage& out);

  std::string tree_;    // ends with "/"
  std::string source_;  // ends with "/"
  int number_ = -1;
  std::vector<std::string> files_;
  DirectoryChain sourceDirs_;
  DirectoryChain treeDirs_;
};

}  // namespace tessel
