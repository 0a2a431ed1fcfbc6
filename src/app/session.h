// One session of the program: the data directory and what is loaded from it (the program
// settings, the styles with the active one, the trim list), the state of the current
// selection and run, and the driver that runs it. Every command holds one, and so does the
// window, instead of wiring these parts by hand.
#pragma once

#include <filesystem>
#include <string>

#include "app/program_settings.h"
#include "batch/run_driver.h"
#include "batch/run_state.h"
#include "engine/engine.h"
#include "styles/style_files.h"

namespace tessel {

/// Why no style could be loaded.
struct StyleError {
  bool NoValidStyle = false;  // not one valid style: the program cannot go on
  std::string Text;  // the reason; for NoValidStyle, kNoValidStyleMessage and the place searched
};

class Session {
 public:
  /// Opens the data directory `programDir`: reads "prg.ini" (a missing file, or one that
  /// cannot be read, gives the defaults; SettingsError tells the latter) and takes the
  /// backup, validation and line-end settings from it. `host` shows what the runs do. The
  /// screen size gives the default window size; headless commands pass 0.
  Session(const std::filesystem::path& programDir, RunHost& host, int screenWidth = 0,
          int screenHeight = 0);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const std::filesystem::path& ProgramDir() const { return programDir_; }
  std::filesystem::path SettingsPath() const { return programDir_ / "prg.ini"; }

  ProgramSettings& Settings() { return settings_; }
  /// Why "prg.ini" could not be read; empty when it was read or is missing.
  const std::string& SettingsError() const { return settingsError_; }
  /// The line-end setting of the settings and of the runs that follow.
  void SetLineEnds(LineEndSetting setting) {
    settings_.LineEnds = state_.Conventions.LineEnds = setting;
  }
  /// The rendering check of the settings and of the runs that follow: on, a run marks each
  /// result that could render differently in its protocol (and still writes it).
  void SetVerify(bool on) {
    settings_.DoVerify = on;
    state_.Verify = on ? VerifyKind::Mark : VerifyKind::Off;
  }
  /// Writes the settings (not [PATHS]) into "prg.ini".
  bool WriteSettings(int screenWidth, int screenHeight, std::string* err);
  /// Remembers a directory ("Multi", "Save" or "Tree") in the settings and writes that one
  /// key of "prg.ini" at once, as the dialogs do the moment it changes.
  bool RememberPath(std::string_view key, const std::string& dir, std::string* err);

  StyleLibrary& Styles() { return library_; }
  Style& ActiveStyle() { return style_; }
  const Style& ActiveStyle() const { return style_; }
  bool StyleLoaded() const { return !activeStylePath_.empty(); }
  /// Where the active style lives; all writes of the style go there. Empty before a load.
  const std::filesystem::path& ActiveStylePath() const { return activeStylePath_; }
  /// The program title, and once a style is loaded " - Style: " and its name.
  std::string WindowCaption() const;
  /// `style` (read from `dir`, or written there) becomes the active style.
  void SetActiveStyle(LoadedStyle style);
  /// A style of the styles directory as a value, for one use; the active style stays. The
  /// first style when the named one is gone; nothing, with *err, when none can be read.
  std::optional<Style> ReadStyle(std::string_view name, std::string* err);
  /// Loads the style `nameOrDir` names: a style of the styles directory, matched without
  /// regard to case, or a style directory anywhere when the value holds a "/". Without one,
  /// the active style of the settings, or the first style when that one is gone. False
  /// with *err when no style was loaded (the one loaded before, if any, stays).
  bool LoadStyle(const std::string* nameOrDir, StyleError* err);
  /// Loads the active style afresh from its files, as every run does before it starts.
  bool ReloadStyle(std::string* err);

  TrimTagList& TrimList() { return trimList_; }
  /// "trim.ini" of the data directory into TrimList (a missing file gives an empty list).
  bool ReadTrimList(std::string* err);
  bool WriteTrimList(std::string* err);

  RunState& State() { return state_; }
  const RunState& State() const { return state_; }
  RunDriver& Driver() { return driver_; }
  FilePipeline& Pipeline() { return driver_.pipeline(); }

 private:
  std::filesystem::path programDir_;
  ProgramSettings settings_;
  std::string settingsError_;
  Style style_;
  std::filesystem::path activeStylePath_;
  StyleLibrary library_;
  bool styleFromDirectory_ = false;  // loaded by path, not by name: reload from there
  TrimTagList trimList_;
  RunState state_;
  RunDriver driver_;
};

/// The message for "no valid style", as lines for a terminal.
std::string NoValidStyleText(const StyleError& err);

}  // namespace tessel
