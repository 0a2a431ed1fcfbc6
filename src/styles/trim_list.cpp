#include "styles/trim_list.h"

#include "styles/ini_file.h"
#include "styles/style_files.h"

namespace tessel {
namespace {

constexpr std::string_view kTrimSection = "TRIMTAGS";

}  // namespace

bool ReadTrimList(const std::filesystem::path& programDir, TrimTagList& list, std::string* err) {
  IniFile ini;
  if (!ini.Load(FindNameNoCase(programDir, kTrimFileName), err)) return false;
  TrimTagList read;
  for (std::string& tag : ini.Keys(kTrimSection)) {
    bool selected = ini.GetInt(kTrimSection, tag, 0) == 1;
    read.push_back({selected, std::move(tag)});
  }
  list = std::move(read);
  return true;
}

bool WriteTrimList(const std::filesystem::path& programDir, const TrimTagList& list,
                   std::string* err) {
  const std::filesystem::path file = FindNameNoCase(programDir, kTrimFileName);
  IniFile ini;
  if (!ini.Load(file, err)) return false;
  for (const TrimEntry& entry : list) {
    ini.SetBool(kTrimSection, std::string_view(entry.Tag).substr(0, kTrimTagWidth), entry.Selected);
  }
  return ini.Save(file, err);
}

std::string BuildTrimHint(const TrimTagList& list) {
  std::string hint = "<F7>: Trim specified tags and save file(s)\r\n";
  for (const TrimEntry& entry : list) {
    if (entry.Selected) hint += entry.Tag;
  }
  return hint;
}

}  // namespace tessel
