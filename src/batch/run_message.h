// The confirmation shown before a run: caption and message for the mode and selection.
#pragma once

#include <string>

#include "batch/run_state.h"

namespace tessel {

struct RunMessage {
  std::string Caption;
  std::string Text;  // lines separated by CR LF
};

/// The confirmation for `state`'s ProcessMode, SelectionMode and DoCreateBackUps.
/// `siblingBackup` is the single file's backup path and `backupExists` whether it exists;
/// `nextBackupDir` is where a tree run would copy its files. A tree restore names
/// state.BackupFileName as the backup it restores from, and `nextBackupDir` as where the
/// pages it overwrites go (NextRestoreBackupDir).
RunMessage MakeMsg(const RunState& state, const std::string& siblingBackup, bool backupExists,
                   const std::string& nextBackupDir);

}  // namespace tessel
