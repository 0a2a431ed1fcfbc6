#include "styles/style_files.h"

#include <algorithm>
#include <array>

#include "base/ascii.h"
#include "io/text_file.h"
#include "styles/ini_file.h"
#include "styles/ini_record.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kOptionsSection = "OPTIONS";

/// options.ini keys, in the order they are read and written.
const std::array<KeyField<StyleOptions>, 17> kOptionKeys = {{
    {"StyleName", &StyleOptions::StyleName},
    {"StyleDescription", &StyleOptions::StyleDescription},
    {"LineSize", &StyleOptions::LineSize},
    {"Spacing", &StyleOptions::Spacing},
    {"DoDisableComments", &StyleOptions::DoDisableComments},
    {"DoPurgeComments", &StyleOptions::DoPurgeComments},
    {"BreakExcluder", &StyleOptions::BreakExcluder},
    {"TagCase", &StyleOptions::TagCase},
    {"UserInfo", &StyleOptions::UserInfo},
    {"DoIncludeUser", &StyleOptions::DoIncludeUser},
    {"DoIncludeVersion", &StyleOptions::DoIncludeVersion},
    {"DoIncludeDate", &StyleOptions::DoIncludeDate},
    {"DoIncludeTime", &StyleOptions::DoIncludeTime},
    {"DoIncludeStyle", &StyleOptions::DoIncludeStyle},
    {"UseWhileCompress", &StyleOptions::UseWhileCompress},
    {"UseWhileFormat", &StyleOptions::UseWhileFormat},
    {"DoIndentSpacesOnly", &StyleOptions::DoIndentSpacesOnly},
}};

/// tag.ini keys of one section, in the order they are read and written. Keys match without
/// regard to case, so "CIndent" as written also finds a "Cindent" line.
const std::array<KeyField<TagEntry>, 15> kTagKeys = {{
    {"TagOpen", &TagEntry::TagOpen},
    {"TagClose", &TagEntry::TagClose},
    {"isSelfIndent", &TagEntry::isSelfIndent},
    {"isContentIndent", &TagEntry::isContentIndent},
    {"CRLFLeading", &TagEntry::CRLFLeading},
    {"CRLFFollowed", &TagEntry::CRLFFollowed},
    {"DoGenerateSComment", &TagEntry::DoGenerateSComment},
    {"DoGenerateEComment", &TagEntry::DoGenerateEComment},
    {"StartComment", &TagEntry::StartComment},
    {"EndComment", &TagEntry::EndComment},
    {"CommentLength", &TagEntry::CommentLength},
    {"CommentSymbol", &TagEntry::CommentSymbol},
    {"TreatAsText", &TagEntry::TreatAsText},
    {"EnableCounter", &TagEntry::EnableCounter},
    {"CIndent", &TagEntry::Cindent},
}};

TagEntry ReadTagEntry(const IniFile& ini, const std::string& section, int number) {
  TagEntry entry = DefaultTagEntry();
  entry.CommentSymbol.clear();  // unlike the other keys, a missing symbol reads as none
  ReadRecord(ini, section, kTagKeys, entry);
  entry.TagName = section;
  entry.TagNumber = number;
  CutTagFields(entry);
  ApplyStandAloneMinimum(entry);
  return entry;
}

/// A plain directory name: never empty, "." or "..", and without a path separator.
bool IsStyleName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

std::string_view WithoutTrailingSlashes(std::string_view name) {
  while (name.size() > 1 && name.ends_with('/')) name.remove_suffix(1);
  return name;
}

std::string DirectoryName(const fs::path& dir) {
  std::error_code ec;
  fs::path full = fs::absolute(dir, ec).lexically_normal();
  if (!full.has_filename()) full = full.parent_path();
  return full.filename().string();
}

std::optional<LoadedStyle> ReadStyle(const fs::path& dir, std::string_view name,
                                     const StyleOptions& previous, std::string* err) {
  LoadedStyle loaded{{previous, {}}, dir};
  std::string why;
  if (!ReadStyleOptions(dir, loaded.Value.Options, &why) ||
      !ReadTagTable(dir, loaded.Value.Tags, &why)) {
    if (err) *err = why;
    return std::nullopt;
  }
  loaded.Value.Options.StyleName = std::string(name);
  return loaded;
}

}  // namespace

fs::path FindNameNoCase(const fs::path& dir, std::string_view name) {
  std::error_code ec;
  fs::path exact = dir / name;
  if (fs::exists(exact, ec)) return exact;
  std::string best;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string candidate = it->path().filename().string();
    if (EqualsNoCase(candidate, name) && (best.empty() || candidate < best)) best = candidate;
  }
  return best.empty() ? exact : dir / best;
}

void ApplyStandAloneMinimum(TagEntry& entry) {
  if (entry.TreatAsText) return;
  if (entry.CRLFLeading == 0) entry.CRLFLeading = 1;
  if (entry.CRLFFollowed == 0) entry.CRLFFollowed = 1;
}

bool ReadStyleOptions(const fs::path& styleDir, StyleOptions& options, std::string* err) {
  IniFile ini;
  if (!ini.Load(FindNameNoCase(styleDir, kOptionsFileName), err)) return false;
  StyleOptions read;
  // These two have no default of their own: a missing key keeps what the last style said.
  read.UseWhileCompress = options.UseWhileCompress;
  read.UseWhileFormat = options.UseWhileFormat;
  ReadRecord(ini, kOptionsSection, kOptionKeys, read);
  options = std::move(read);
  return true;
}

bool WriteStyleOptions(const fs::path& styleDir, const StyleOptions& options, std::string* err) {
  const fs::path file = FindNameNoCase(styleDir, kOptionsFileName);
  IniFile ini;
  if (!ini.Load(file, err)) return false;
  WriteRecord(ini, kOptionsSection, kOptionKeys, options);
  return ini.Save(file, err);
}

bool ReadTagTable(const fs::path& styleDir, TagTable& table, std::string* err) {
  IniFile ini;
  if (!ini.Load(FindNameNoCase(styleDir, kTagFileName), err)) return false;
  const std::vector<std::string> names = ini.SectionNames();
  TagTable read;
  ResetTagTable(read);
  read.TagCount = int(std::min(names.size(), size_t(kMaxTags)));
  for (int i = 1; i <= read.TagCount; ++i) read.Entry(i) = ReadTagEntry(ini, names[i - 1], i);
  table = std::move(read);
  return true;
}

bool WriteTagTable(const fs::path& styleDir, TagTable& table, std::string* err) {
  const int count = std::clamp(table.TagCount, 0, kMaxTags);
  for (int i = 1; i <= count; ++i) ApplyStandAloneMinimum(table.Entry(i));
  const fs::path file = FindNameNoCase(styleDir, kTagFileName);
  IniFile ini;
  if (!ini.Load(file, err)) return false;
  for (int i = 1; i <= count; ++i) {
    const TagEntry& entry = table.Entry(i);
    WriteRecord(ini, entry.TagName, kTagKeys, entry);
  }
  return ini.Save(file, err);
}

bool EraseTagSection(const fs::path& styleDir, std::string_view section, std::string* err) {
  const fs::path file = FindNameNoCase(styleDir, kTagFileName);
  IniFile ini;
  if (!ini.Load(file, err)) return false;
  if (!ini.EraseSection(section)) return true;  // nothing to remove, nothing to write
  return ini.Save(file, err);
}

StyleLibrary::StyleLibrary(fs::path stylesDir) : stylesDir_(std::move(stylesDir)) {}

int StyleLibrary::FindStyles() {
  styleList_.clear();
  std::error_code ec;
  for (fs::directory_iterator it(stylesDir_, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeEc;
    if (it->is_directory(typeEc) && IsValidStyle(it->path())) {
      styleList_.push_back(it->path().filename().string());
    }
  }
  std::sort(styleList_.begin(), styleList_.end(),
            [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
  return int(styleList_.size());
}

bool StyleLibrary::IsValidStyle(const fs::path& dir) const {
  std::error_code ec;
  return fs::is_directory(dir, ec) &&
         fs::is_regular_file(FindNameNoCase(dir, kOptionsFileName), ec) &&
         fs::is_regular_file(FindNameNoCase(dir, kTagFileName), ec);
}

fs::path StyleLibrary::StylePath(std::string_view name) const {
  return FindNameNoCase(stylesDir_, WithoutTrailingSlashes(name));
}

std::optional<LoadedStyle> StyleLibrary::Load(std::string_view name, const StyleOptions& previous,
                                              std::string* err) {
  FindStyles();
  name = WithoutTrailingSlashes(name);
  fs::path dir = StylePath(name);
  if (!IsStyleName(name) || !IsValidStyle(dir)) {
    if (styleList_.empty()) {
      if (err) *err = "No valid style in " + QuotedPath(stylesDir_);
      return std::nullopt;
    }
    name = styleList_.front();
    dir = StylePath(name);
  }
  return ReadStyle(dir, name, previous, err);
}

std::optional<LoadedStyle> StyleLibrary::LoadFromDirectory(const fs::path& dir,
                                                           const StyleOptions& previous,
                                                           std::string* err) {
  FindStyles();
  if (!IsValidStyle(dir)) {
    if (err) *err = QuotedPath(dir) + " is no valid style: it needs options.ini and tag.ini";
    return std::nullopt;
  }
  return ReadStyle(dir, DirectoryName(dir), previous, err);
}

std::string WindowCaption(const std::string* styleName) {
  std::string caption(kProgramTitle);
  if (styleName) caption += " - Style: " + *styleName;
  return caption;
}

}  // namespace tessel
