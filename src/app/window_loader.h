// Opening the desktop window: its code lives in a module loaded only then, so that the
// headless commands start without loading the window toolkit.
#pragma once

#include <string>
#include <vector>

#include "app/filter_command.h"

namespace tessel {

/// The name of the window module, and of its entry point: int (int argc, char** argv).
inline constexpr const char* kWindowModuleName = "libtessel-html-window.so";
inline constexpr const char* kWindowEntryName = "tessel_html_window_main";

/// Whether `args` (without the program name) open the window: no arguments, a file to open,
/// an option word without "A" and its file, or a command line that is not understood (the
/// window then starts as without one). Words starting with "--", "-h" and an automatic
/// command line ("-FA page.htm") run headless.
bool WantsWindow(const std::vector<std::string>& args);

/// Why the window cannot open here, or "" when a display is there to open it on.
std::string WindowUnavailableReason();

/// Loads the window module (next to the program, else where it is installed) and runs it.
/// Returns its exit status; 2, after a line on standard error, when it cannot be loaded.
int RunWindow(int argc, char** argv, FilterIo& io);

}  // namespace tessel
