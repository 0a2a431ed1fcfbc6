#include "app/command_style.h"

#include <algorithm>

#include "styles/ini_file.h"

namespace tessel {
namespace {

std::string StoredStyleName(const std::filesystem::path& programDir) {
  IniFile settings;
  std::string ignored;
  if (!settings.Load(programDir / "prg.ini", &ignored)) return "_default";
  return settings.GetString("OPTIONS", "StyleName", "_default");
}

}  // namespace

bool LoadCommandStyle(StyleLibrary& library, const std::string* styleArg,
                      const std::filesystem::path& programDir, std::string* err, bool* noStyle) {
  *noStyle = false;
  if (styleArg && styleArg->find('/') != std::string::npos) {
    if (library.LoadStyleFromDirectory(*styleArg)) return true;
    *err = "'" + *styleArg + "' is not a style directory (it needs options.ini and tag.ini)";
    if (!library.LastError().empty()) *err += ": " + library.LastError();
    return false;
  }
  if (library.FindStyles() == 0) {
    *noStyle = true;
    return false;
  }
  if (styleArg) {
    const auto& list = library.StyleList();
    auto same = [&](const std::string& s) { return EqualsNoCase(s, *styleArg); };
    if (std::find_if(list.begin(), list.end(), same) == list.end()) {
      *err = "no style named '" + *styleArg + "'; styles are:";
      for (const std::string& s : list) *err += " " + s;
      return false;
    }
  }
  std::string name = styleArg ? *styleArg : StoredStyleName(programDir);
  if (library.LoadStyle(name)) return true;
  *err = library.LastError().empty() ? "the style '" + name + "' cannot be loaded"
                                     : library.LastError();
  return false;
}

std::function<bool(std::string*)> StyleReloader(StyleLibrary& library, const std::string& name) {
  return [&library, name](std::string* err) {
    bool ok = name.find('/') != std::string::npos ? library.LoadStyleFromDirectory(name)
                                                  : library.LoadStyle(name);
    if (!ok) *err = library.LastError();
    return ok;
  };
}

std::string NoValidStyleText() {
  std::string text(kNoValidStyleMessage);
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text + "\n";
}

}  // namespace tessel
