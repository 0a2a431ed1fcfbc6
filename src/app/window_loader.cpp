#include "app/window_loader.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

#include "app/command_line.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

std::vector<fs::path> ModuleCandidates() {
  std::vector<fs::path> candidates;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) candidates.push_back(exe.parent_path() / kWindowModuleName);
#ifdef TESSEL_INSTALLED_LIB_DIR
  candidates.push_back(fs::path(TESSEL_INSTALLED_LIB_DIR) / kWindowModuleName);
#endif
  return candidates;
}

}  // namespace

bool WantsWindow(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a.starts_with("--") || a == "-h") return false;
  }
  return ParseCommandLine(args).CmdLineMode != CmdLineKind::Automatic;
}

std::string WindowUnavailableReason() {
  if (IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) return "";
  return "there is no display to open the window on (DISPLAY is not set); the headless "
         "commands need none: see tessel-html --help";
}

int RunWindow(int argc, char** argv, FilterIo& io) {
  if (std::string why = WindowUnavailableReason(); !why.empty()) {
    io.WriteStderr("tessel-html: " + why + "\n");
    return kExitUsage;
  }
  std::string tried;
  for (const fs::path& candidate : ModuleCandidates()) {
    std::error_code ec;
    if (!fs::exists(candidate, ec)) {
      tried.append(" ").append(candidate.string());
      continue;
    }
    void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      io.WriteStderr(std::string("tessel-html: cannot load the window: ") + dlerror() + "\n");
      return kExitUsage;
    }
    using Entry = int (*)(int, char**);
    auto entry = reinterpret_cast<Entry>(dlsym(module, kWindowEntryName));
    if (entry == nullptr) {
      io.WriteStderr("tessel-html: " + candidate.string() + " has no window entry point\n");
      return kExitUsage;
    }
    return entry(argc, argv);  // the module stays loaded until the process ends
  }
  io.WriteStderr("tessel-html: the window is not installed (looked for" + tried + ")\n");
  return kExitUsage;
}

}  // namespace tessel
