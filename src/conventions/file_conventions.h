// How one file is written: its line ends and its indentation. The command line decides
// first, then the .editorconfig above the file, then the program settings and the style.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "engine/line_ends.h"

namespace tessel {

/// What a run asks for.
struct ConventionRequest {
  LineEndSetting LineEnds = LineEndSetting::CrLf;     // the settings' (prg.ini "LineEnds")
  std::optional<LineEndSetting> CommandLineLineEnds;  // --line-ends
  std::optional<bool> CommandLineIndentWithSpaces;    // --indent spaces|tabs
  bool UseEditorConfig = true;                        // look for an .editorconfig
};

/// What was decided for one file.
struct FileConventions {
  LineEnd Eol = LineEnd::CrLf;
  std::optional<bool> IndentWithSpaces;  // empty: the style's DoIndentSpacesOnly decides
  int TabWidth = kIndentTabWidth;
  std::string Charset;  // the .editorconfig's charset ("" when none), for the editor
  bool EolFromEditorConfig = false;
  bool IndentFromEditorConfig = false;
  bool TabWidthFromEditorConfig = false;

  /// The engine writes the file this way.
  void ApplyTo(Engine& engine) const;
  /// What an .editorconfig decided, for the protocol: ".editorconfig: line ends LF,
  /// indentation with spaces"; empty when it decided nothing.
  std::string EditorConfigNote() const;
};

/// Decides for the file at `path` (empty for standard input, which has no .editorconfig)
/// whose bytes are `bytes`, as read. A "keep" finds the line end that ends the first line;
/// in a file without one, the next in the order decides, and at last CR LF. False, with
/// *err, when an .editorconfig above the file cannot be read: writing the file against its
/// project's wishes is worse than leaving it.
bool DecideConventions(const ConventionRequest& request, const std::string& path,
                       std::string_view bytes, FileConventions& out, std::string* err);

/// "--line-ends" and "--indent" with their value at args[i] (moving i past the value), or
/// the "--line-ends=lf" form. 0: not one of them; 1: taken; -1: a bad value, with *err.
int ParseConventionOption(const std::vector<std::string>& args, size_t& i,
                          ConventionRequest& request, std::string* err);

}  // namespace tessel
