// The style a headless command works with.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "styles/style_files.h"

namespace tessel {

/// Loads the style of a --style value (a name, matched without regard to case, or a
/// directory when it holds a "/"), or without one the active style of "prg.ini" with the
/// usual fall-back to the first style. False with *err; *noStyle when there is no valid
/// style at all.
bool LoadCommandStyle(StyleLibrary& library, const std::string* styleArg,
                      const std::filesystem::path& programDir, std::string* err, bool* noStyle);

/// Loads the same style again from its files, as a run does before it starts.
std::function<bool(std::string*)> StyleReloader(StyleLibrary& library, const std::string& name);

/// The message for "no valid style", as lines for a terminal.
std::string NoValidStyleText();

}  // namespace tessel
