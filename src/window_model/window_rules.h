// Rules of the main window and its dialogs that need no widgets: which buttons are live,
// what the confirmation before a run says, which files the file dialogs list and accept,
// where a file or tree dialog starts, and what path a name typed into the save dialog means.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/program_settings.h"
#include "app/session.h"
#include "batch/discovery.h"  // kFileTypes, the file types the dialogs offer
#include "batch/run_message.h"
#include "batch/run_state.h"

namespace tessel {

/// What the button states depend on.
struct WindowSituation {
  SelectionKind Selection = SelectionKind::None;
  bool Modified = false;      // the editor's text differs from its save point
  bool BackupExists = false;  // a backup to restore from
  bool ColourTags = true;     // DoColorTags
  bool Running = false;       // a run is under way
  bool ReadOnlyPage = false;  // the page is in an encoding that cannot be edited
};

/// Which controls are live: every button of the two panels, and whether the editor takes
/// typing. Nothing is live while a run is under way: every control could touch its state.
/// A page that cannot be edited is neither saved (not even as a copy) nor run over.
struct WindowControls {
  bool Files = false, Tree = false, New = false;        // a new selection
  bool Format = false, Compress = false, Trim = false;  // a run over the selection
  bool Restore = false;
  bool Options = false, Help = false, About = false;
  bool Save = false, CancelAll = false, Undo = false;    // the editor's unsaved text
  bool SaveAs = false, Search = false, Browser = false;  // the page in the editor
  bool Repaint = false;                                  // the repaint buttons 1 to 5 and Alt+1..5
  /// The editor takes typing only while one file is loaded: text typed anywhere else could
  /// never be saved.
  bool EditorWritable = false;
  bool operator==(const WindowControls&) const = default;
};

/// The one rule for every control of the main window.
WindowControls ControlsFor(const WindowSituation& s);

/// The confirmation before the run `state` describes: its caption and message (MakeMsg).
RunMessage ConfirmationOf(RunState& state);
/// Whether Restore has something to restore from: the single file's backup, a backup of one
/// of the picked files, or a numbered backup directory of the tree.
bool RestorableBackup(RunState& state);
/// The confirmation's check box: backups on or off for this run and in the settings at once.
void SetBackups(RunState& state, ProgramSettings& settings, bool on);

/// `dir` ending in exactly one "/", as [PATHS] keeps directories.
std::string AsDirectoryPath(std::string_view dir);

/// Whether the file dialog lists a file `name` under file type `index` (of kFileTypes), as
/// the tree scan matches it.
bool ListsFile(std::string_view name, int index);
/// Whether a single file picked in the file dialog may become the selection.
bool AcceptsPickedFile(const std::string& path, const RunState& state);

/// The directory a file or tree dialog opens in: the one remembered under [PATHS], else
/// the folder of the page in the editor, else the home folder, else "/". The data
/// directory is never offered (it is the default of [PATHS], and where a new document
/// lives): its files are the program's own.
/// `isDir` tells whether a path names a directory.
std::string DialogStartDir(const std::string& remembered, const std::string& pageDir,
                           const std::string& home, const std::string& dataDir,
                           const std::function<bool(const std::string&)>& isDir);
/// The same for the session's page and data directory, as the file system has them.
std::string DialogStartDir(const Session& session, const std::string& remembered,
                           const std::string& home);

/// The path a name typed into the save dialog stands for: blanks around it dropped; an
/// absolute path as it is; "~" and "~/..." below `home`; anything else inside `dir`.
/// Nothing for an empty name.
std::optional<std::string> TypedPath(const std::string& dir, const std::string& typed,
                                     const std::string& home);

/// The save dialog's caption: "Save file as: " and the path it would write, in double
/// quotes, with every doubled "/" reduced to one.
std::string SaveAsCaption(const std::string& dir, const std::string& typed,
                          const std::string& home);

}  // namespace tessel
