// Rules of the main window and its dialogs that need no widgets: which buttons are live,
// where a file or tree dialog starts, and what path a name typed into the save dialog means.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "batch/run_state.h"

namespace tessel {

/// What the button states depend on.
struct WindowSituation {
  SelectionKind Selection = SelectionKind::None;
  bool Modified = false;      // the editor's text differs from its save point
  bool BackupExists = false;  // a backup to restore from
  bool ColourTags = true;     // DoColorTags
  bool Running = false;       // a run is under way
};

/// Which controls are live. The editor takes typing only while one file is loaded and no
/// run is under way: text typed anywhere else could never be saved.
struct WindowControls {
  bool Select = false;       // Select File(s), Select Tree, New
  bool Process = false;      // Format, Compress, Trim
  bool Restore = false;
  bool SaveCancelUndo = false;
  bool SaveAsSearchBrowser = false;
  bool Repaint = false;      // the repaint buttons 1 to 5 and Alt+1..5
  bool EditorWritable = false;
};

WindowControls ControlsFor(const WindowSituation& s);

/// The directory a file or tree dialog opens in: the one remembered under [PATHS], else
/// the folder of the page in the editor, else the home folder, else "/". The data
/// directory is never offered (it is the default of [PATHS], and where a new document
/// lives): its files are the program's own.
/// `isDir` tells whether a path names a directory.
std::string DialogStartDir(const std::string& remembered, const std::string& pageDir,
                           const std::string& home, const std::string& dataDir,
                           const std::function<bool(const std::string&)>& isDir);

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
