// The state of a selection and its runs, shared by the per-file pipeline, discovery, the
// run driver and restore. A plain value: a run off the window's thread works on a copy of
// it, and the user's break reaches the run through a CancelToken, not through this.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "conventions/file_conventions.h"
#include "engine/engine.h"

namespace tessel {

enum class ProcessKind { None, Format, Compress, Trim, Restore };
enum class SelectionKind { None, SingleFile, PickedFiles, Tree };
enum class CmdLineKind { None, Open, Automatic };

/// What a run does about results that could render differently from their pages.
enum class VerifyKind {
  Off,       // results are not checked
  Mark,      // each such result is written, and marked in the protocol
  Withhold,  // each such page is left as it was, and the protocol says why
};

/// The protocol page: plain text lines; a text handed over with CR LF pairs becomes
/// several lines. "report.txt" is its text with every line ended by CR LF.
class Protocol {
 public:
  /// Clears the page and starts it with the heading of a new selection.
  void Prepare();
  void Add(std::string_view text);
  const std::vector<std::string>& Lines() const { return lines_; }
  std::string Text() const;

 private:
  std::vector<std::string> lines_;
};

/// Paths are full paths with "/" separators; directories end with exactly one "/".
struct RunState {
  std::string ProgramDir;   // the data directory
  std::string TempOutFile;  // ProgramDir + "$tmp.htm"
  std::string FileName;
  std::string SourceDir;
  std::string BackupDir;  // of the current tree run; empty when none was made
  std::string BackupFileName;
  std::string BackupExt = ".pbak";
  bool DoCreateBackUps = true;
  bool DoValidate = false;
  ProcessKind ProcessMode = ProcessKind::None;
  SelectionKind SelectionMode = SelectionKind::None;
  CmdLineKind CmdLineMode = CmdLineKind::None;
  std::vector<std::string> FileList;
  ConventionRequest Conventions;  // line ends and indentation of the files written
  VerifyKind Verify = VerifyKind::Off;  // the rendering check of each result
  int NotSearched = 0;      // directories or files the tree selection's scan could not see
  int FilterIndex = 0;      // the file type of tree selections
  int FileFilterIndex = 0;  // the file type the file dialog lists
  int64_t TotalBytesBefore = 0;
  int64_t TotalBytesAfter = 0;
  Protocol Protokoll;
};

enum class MessageKind { Error, Information, Plain };

/// Everything a run shows goes through this: a console host implements it for the
/// command line, the main window later. Status and progress come from StatusHooks.
class RunHost : public StatusHooks {
 public:
  /// A line (or lines) just added to the protocol page.
  virtual void ProtocolAdded(std::string_view /*text*/) {}
  /// The protocol page was started afresh for a new selection and holds `heading`. With
  /// `showPage` the selection is a batch whose protocol is to be shown; a single file shows
  /// the editor instead, and its heading is not shown as added.
  virtual void ProtocolCleared(std::string_view heading, bool showPage) {
    if (showPage) ProtocolAdded(heading);
  }
  /// The confirmation before a run; may change state.DoCreateBackUps. True: go on.
  virtual bool ConfirmRun(RunState& /*state*/) { return true; }
  /// A Yes/No question; true for Yes.
  virtual bool AskYesNo(std::string_view /*text*/) { return false; }
  virtual void ShowMessage(MessageKind /*kind*/, std::string_view /*text*/) {}
  /// A single file is being selected: the editor loads it. False when it cannot be read (the
  /// host has said why); the selection then stays as it was. Headless hosts have no editor.
  virtual bool LoadEditor(const std::string& /*path*/) { return true; }
  /// The single file was processed and `bytes` written over it: the editor shows them. The
  /// text comes from memory, never read back from a scratch file another run may rewrite.
  virtual void ShowResult(const std::string& /*bytes*/) {}
  /// A directory to remember in the settings ([PATHS] "Multi" for file selections); the
  /// window stores it, headless runs leave the settings alone.
  virtual void RememberPath(std::string_view /*key*/, const std::string& /*dir*/) {}
};

}  // namespace tessel
