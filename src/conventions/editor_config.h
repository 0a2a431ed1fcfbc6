// What the .editorconfig files above a file say about how it is kept, read with the
// EditorConfig project's own library.
#pragma once

#include <optional>
#include <string>

#include "engine/line_ends.h"

namespace tessel {

/// The properties this program uses; each is empty when no .editorconfig sets it (or sets it
/// to "unset" or to a value the property does not have).
struct EditorConfigProperties {
  std::optional<LineEnd> EndOfLine;      // end_of_line: lf, crlf or cr
  std::optional<bool> IndentWithSpaces;  // indent_style: space (true) or tab (false)
  int TabWidth = 0;                      // tab_width in columns; 0 when not set
  std::string Charset;                   // charset as written, for the editor; "" when not set
};

/// The name the files have.
inline constexpr const char* kEditorConfigName = ".editorconfig";

/// True when an .editorconfig lies in the directory of `path` or in one above it: one stat
/// for each level, so a tree without one costs next to nothing.
bool HasEditorConfigAbove(const std::string& path);

/// The properties for the file `path` (made absolute here) from the .editorconfig files
/// above it, the nearest deciding, up to the first with "root = true". False, with *err
/// naming the file and the line, when one of them cannot be read.
bool ReadEditorConfig(const std::string& path, EditorConfigProperties& out, std::string* err);

}  // namespace tessel
