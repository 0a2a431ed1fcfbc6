// The editor's menu: the selected part of the editor's text formatted with a style the user
// names, compressed or trimmed. A Format item reads its style from its files as a value for
// this selection only: the session's active style is never swapped, so whatever happens
// here, the next run formats with the style the window shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/session.h"
#include "conventions/file_conventions.h"
#include "editor/partial_format.h"

namespace tessel {

/// What an item of the editor's menu made of the selection.
struct MenuItemResult {
  bool Done = false;
  std::string Text;   // what replaces the selection
  std::string Error;  // why nothing was done
  /// Not empty when the result could render differently from the selection: the warning
  /// for the status line, its position counted in the editor.
  std::string RenderWarning;
};

/// Runs the item `caption` over [start, end) of `text` (the editor's text), fitted into its
/// lines by `fit`. A Format item formats with the style it names (the first style when that
/// one is gone) and remembers it as the settings' PopUpStyleName; Compress and Trim use the
/// active style and the trim list. The result is indented as `conventions` (the page's, as a
/// run would write it) say, and its lines end in CR LF, as every line of the editor's text
/// does (a save writes the page's own line end). The token lists are dumped as a run dumps
/// them. The result is checked against the selection as a browser would show both (on their
/// own, as pages: a selection is small, so this costs little next to the user's click).
MenuItemResult RunMenuItem(Session& session, std::string_view caption, std::string_view text,
                           std::int64_t start, std::int64_t end, SelectionFit fit,
                           const FileConventions& conventions = {});

}  // namespace tessel
