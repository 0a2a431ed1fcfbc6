#include "styles/ini_file.h"

#include <algorithm>
#include <charconv>

#include "io/safe_replace.h"
#include "io/text_file.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
  size_t begin = s.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  size_t end = s.find_last_not_of(" \t");
  return s.substr(begin, end - begin + 1);
}

/// The name of a "[name]" line, or nothing.
std::optional<std::string> HeaderName(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return std::nullopt;
  return std::string(Trim(t.substr(1, t.size() - 2)));
}

/// The key of a "key=value" line; empty for comments and lines without "=".
std::string KeyOf(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#') return {};
  size_t eq = t.find('=');
  return eq == std::string_view::npos ? std::string() : std::string(Trim(t.substr(0, eq)));
}

std::string_view ValueOf(std::string_view line) { return Trim(line.substr(line.find('=') + 1)); }

std::optional<int> ParseInt(std::string_view text) {
  text = Trim(text);
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.starts_with('-')) return std::nullopt;
  }
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

/// A line break inside a name or value would split it into lines of its own. The blanks
/// that replace breaks at either end are trimmed too: reading would drop them, and a name
/// kept with them would no longer match itself once saved and read again.
std::string OneLine(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), '\r', ' ');
  std::replace(out.begin(), out.end(), '\n', ' ');
  return std::string(Trim(out));
}

void AddOnce(std::vector<std::string>& out, std::string_view name) {
  for (const std::string& seen : out) {
    if (EqualsNoCase(seen, name)) return;
  }
  out.emplace_back(name);
}

}  // namespace

bool IniFile::Load(const fs::path& path, std::string* err) {
  std::error_code ec;
  if (fs::status(path, ec).type() == fs::file_type::not_found) {
    Parse("");
    return true;
  }
  std::string bytes;
  if (!ReadWholeFile(path, bytes, err)) return false;
  Parse(bytes);
  return true;
}

bool IniFile::Save(const fs::path& path, std::string* err) const {
  return WriteFileAtomic(path, Text(), err);
}

void IniFile::Parse(std::string_view text) {
  bom_ = text.starts_with(kBom);
  if (bom_) text.remove_prefix(kBom.size());
  lead_.clear();
  sections_.clear();
  while (!text.empty()) {
    size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (auto name = HeaderName(line)) {
      sections_.push_back({std::string(line), std::move(*name), {}});
    } else if (sections_.empty()) {
      lead_.emplace_back(line);
    } else {
      sections_.back().Lines.push_back({std::string(line), KeyOf(line)});
    }
  }
}

std::string IniFile::Text() const {
  std::string out(bom_ ? kBom : "");
  for (const std::string& line : lead_) out.append(line).append("\r\n");
  for (const Section& section : sections_) {
    out.append(section.Header).append("\r\n");
    for (const Line& line : section.Lines) out.append(line.Text).append("\r\n");
  }
  return out;
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  for (const Section& section : sections_) AddOnce(names, section.Name);
  return names;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  if (const Section* found = FindSection(section)) {
    for (const Line& line : found->Lines) {
      if (!line.Key.empty()) AddOnce(keys, line.Key);
    }
  }
  return keys;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  const Section* found = FindSection(section);
  if (!found) return std::nullopt;
  for (const Line& line : found->Lines) {
    if (!line.Key.empty() && EqualsNoCase(line.Key, key)) return std::string(ValueOf(line.Text));
  }
  return std::nullopt;
}

std::string IniFile::GetString(std::string_view section, std::string_view key,
                               std::string_view fallback) const {
  return Get(section, key).value_or(std::string(fallback));
}

int IniFile::GetInt(std::string_view section, std::string_view key, int fallback) const {
  std::optional<std::string> text = Get(section, key);
  std::optional<int> value = text ? ParseInt(*text) : std::nullopt;
  return value.value_or(fallback);
}

bool IniFile::GetBool(std::string_view section, std::string_view key, bool fallback) const {
  std::optional<std::string> text = Get(section, key);
  std::optional<int> value = text ? ParseInt(*text) : std::nullopt;
  return value ? *value != 0 : fallback;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string name = OneLine(section), k = OneLine(key), v = OneLine(value);
  if (k.empty()) return;  // "=value" would read back as no key at all
  Section* found = FindSection(name);
  if (!found) found = &sections_.emplace_back(Section{"[" + name + "]", name, {}});
  std::vector<Line>& lines = found->Lines;
  for (Line& line : lines) {
    if (!line.Key.empty() && EqualsNoCase(line.Key, k)) {
      line.Text = line.Key + "=" + v;
      return;
    }
  }
  // After the section's last key, so trailing blank lines keep separating it from the next;
  // a section without keys takes it after its last non-blank line.
  auto isKey = [](const Line& line) { return !line.Key.empty(); };
  auto isText = [](const Line& line) { return !Trim(line.Text).empty(); };
  auto last = std::find_if(lines.rbegin(), lines.rend(), isKey);
  if (last == lines.rend()) last = std::find_if(lines.rbegin(), lines.rend(), isText);
  lines.insert(last.base(), Line{k + "=" + v, k});
}

void IniFile::SetInt(std::string_view section, std::string_view key, int value) {
  Set(section, key, std::to_string(value));
}

void IniFile::SetBool(std::string_view section, std::string_view key, bool value) {
  Set(section, key, value ? "1" : "0");
}

bool IniFile::EraseSection(std::string_view section) {
  return std::erase_if(sections_, [&](const Section& s) { return EqualsNoCase(s.Name, section); }) >
         0;
}

IniFile::Section* IniFile::FindSection(std::string_view name) {
  auto it = std::find_if(sections_.begin(), sections_.end(),
                         [&](const Section& s) { return EqualsNoCase(s.Name, name); });
  return it == sections_.end() ? nullptr : &*it;
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
  return const_cast<IniFile*>(this)->FindSection(name);
}

}  // namespace tessel
