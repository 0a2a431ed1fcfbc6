// The INI layer and the style and trim files built on it.
//
// Input: INI text, optionally followed by a NUL byte and a list of edits. Checked: writing
// and parsing again keeps every section, key and value, and writing is then a fixed point;
// each edit changes exactly the setting it names; a style or trim list read from the text,
// saved and read again is the one first read (up to what a line can hold).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "fuzz_report.h"
#include "io/safe_replace.h"
#include "scratch_dir.h"
#include "styles/ini_file.h"
#include "styles/style_files.h"
#include "styles/trim_list.h"

namespace tessel::fuzz {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(std::string_view what, std::string_view detail = {}) {
  ReportViolation("fuzz_ini", what, detail);
}

std::string Trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return std::string(s.substr(b, s.find_last_not_of(" \t") - b + 1));
}

// A name or value as reading gives it back after it was written: line breaks written as
// blanks, surrounding blanks dropped.
std::string AsWritten(std::string_view s) {
  std::string out(s);
  std::replace(out.begin(), out.end(), '\r', ' ');
  std::replace(out.begin(), out.end(), '\n', ' ');
  return Trim(out);
}

// Every section with every key and its value, as the reads see them.
using Model = std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

Model Snapshot(const IniFile& ini) {
  Model model;
  for (const std::string& section : ini.SectionNames()) {
    auto& keys = model.emplace_back(section, decltype(model[0].second){}).second;
    for (const std::string& key : ini.Keys(section)) {
      std::optional<std::string> value = ini.Get(section, key);
      if (!value) Fail("a listed key has no value", section + " / " + key);
      keys.emplace_back(key, *value);
    }
  }
  return model;
}

std::string Describe(const Model& m) {
  std::string out;
  for (const auto& [section, keys] : m) {
    out += "[" + section + "]\n";
    for (const auto& [k, v] : keys) out += "  " + k + "=" + v + "\n";
  }
  return out;
}

void CheckRoundTrip(const IniFile& ini, std::string_view when) {
  const std::string text = ini.Text();
  IniFile again;
  again.Parse(text);
  const Model before = Snapshot(ini), after = Snapshot(again);
  if (before != after) {
    Fail(std::string("write and parse changed the settings ") + std::string(when),
         Describe(before) + "--- became ---\n" + Describe(after));
  }
  if (again.Text() != text) Fail("writing a parsed text is no fixed point");
}

// Keys as the program writes them: a key line cannot hold "=" in its key, and a key that
// starts like a comment or a section header would read back as one.
std::string KeyFrom(std::string_view raw) {
  std::string s = AsWritten(raw);
  std::replace(s.begin(), s.end(), '=', '_');
  while (!s.empty() && std::string_view(";#[ \t").find(s[0]) != std::string_view::npos) {
    s.erase(0, 1);
  }
  return s;
}

// An existing name in another case, or a new one.
std::string PickName(FuzzedDataProvider& in, const std::vector<std::string>& names) {
  if (!names.empty() && in.ConsumeBool()) {
    std::string name = names[in.ConsumeIntegralInRange<size_t>(0, names.size() - 1)];
    if (in.ConsumeBool()) {
      name = AsciiUpperCase(name);
    }
    return name;
  }
  return in.ConsumeRandomLengthString(24);
}

// Setting (section, key) changes that value and nothing else.
void ExpectOnlyChanged(const Model& before, const IniFile& ini, const std::string& section,
                       const std::string& key, const std::string& value) {
  const std::string s = AsWritten(section), k = AsWritten(key);
  std::optional<std::string> got = ini.Get(s, k);
  if (got != value) {
    Fail("Set did not give the value back",
         "[" + s + "] " + k + " = '" + value + "' read '" + got.value_or("(none)") + "'");
  }
  Model after = Snapshot(ini);
  for (const auto& [sec, keys] : before) {
    for (const auto& [kk, v] : keys) {
      if (EqualsNoCase(sec, s) && EqualsNoCase(kk, k)) continue;
      if (ini.Get(sec, kk) != v) Fail("Set changed another setting", sec + " / " + kk);
    }
  }
  size_t beforeCount = 0, afterCount = 0;
  for (const auto& section : before) beforeCount += section.second.size();
  for (const auto& section : after) afterCount += section.second.size();
  if (afterCount > beforeCount + 1) Fail("Set added more than one key", Describe(after));
}

void RunEdits(IniFile& ini, FuzzedDataProvider& in) {
  for (int step = 0; step < 16 && in.remaining_bytes() > 0; ++step) {
    const Model before = Snapshot(ini);
    const std::vector<std::string> sections = ini.SectionNames();
    const uint8_t op = in.ConsumeIntegral<uint8_t>() % 4;
    const std::string section = PickName(in, sections);
    if (op == 3) {
      const bool had = std::any_of(sections.begin(), sections.end(),
                                   [&](const std::string& s) { return EqualsNoCase(s, section); });
      if (ini.EraseSection(section) != had) Fail("EraseSection result", section);
      for (const std::string& s : ini.SectionNames()) {
        if (EqualsNoCase(s, section)) Fail("erased section still there", section);
      }
      continue;
    }
    const std::string key = KeyFrom(PickName(in, ini.Keys(section)));
    if (AsWritten(key).empty()) continue;  // Set ignores an empty key
    if (op == 0) {
      const std::string value = in.ConsumeRandomLengthString(40);
      ini.Set(section, key, value);
      ExpectOnlyChanged(before, ini, section, key, AsWritten(value));
    } else if (op == 1) {
      const int value = in.ConsumeIntegral<int>();
      ini.SetInt(section, key, value);
      ExpectOnlyChanged(before, ini, section, key, std::to_string(value));
      if (ini.GetInt(AsWritten(section), AsWritten(key), value ^ 1) != value) Fail("GetInt");
    } else {
      const bool value = in.ConsumeBool();
      ini.SetBool(section, key, value);
      ExpectOnlyChanged(before, ini, section, key, value ? "1" : "0");
      if (ini.GetBool(AsWritten(section), AsWritten(key), !value) != value) Fail("GetBool");
    }
    CheckRoundTrip(ini, "after an edit");
  }
}

// --- Style and trim files --------------------------------------------------------------

const fs::path& WorkDir() {
  static const fs::path dir = [] {
    const fs::path d = MakeScratchDir("tessel-fuzz-ini-");
    fs::create_directories(d / "read");
    fs::create_directories(d / "saved");
    return d;
  }();
  return dir;
}

void WriteOrFail(const fs::path& path, std::string_view bytes) {
  std::string err;
  if (!WriteFileAtomic(path, bytes, &err)) Fail("cannot write scratch file", err);
}

void Clear(const fs::path& dir) {
  for (const char* name : {"options.ini", "tag.ini", "trim.ini"}) fs::remove(dir / name);
}

// A name or value read back after saving: cut to its width first, as saving does.
std::string Canon(const std::string& s, size_t width = std::string::npos) {
  return AsWritten(std::string_view(s).substr(0, width));
}

TagEntry Canon(const TagEntry& e) {
  TagEntry c = e;
  for (std::string* s :
       {&c.TagName, &c.TagOpen, &c.TagClose, &c.StartComment, &c.EndComment, &c.CommentSymbol}) {
    *s = Canon(*s);
  }
  return c;
}

StyleOptions Canon(const StyleOptions& o) {
  StyleOptions c = o;
  for (std::string* s : {&c.StyleName, &c.StyleDescription, &c.BreakExcluder, &c.UserInfo}) {
    *s = Canon(*s);
  }
  return c;
}

auto Fields(const TagEntry& e) {
  return std::tie(e.TagName, e.TreatAsText, e.TagOpen, e.TagClose, e.isSelfIndent,
                  e.isContentIndent, e.CRLFLeading, e.CRLFFollowed, e.DoGenerateSComment,
                  e.DoGenerateEComment, e.StartComment, e.EndComment, e.CommentLength,
                  e.CommentSymbol, e.Cindent, e.EnableCounter, e.TagNumber);
}

auto Fields(const StyleOptions& o) {
  return std::tie(o.StyleName, o.StyleDescription, o.LineSize, o.Spacing, o.DoDisableComments,
                  o.DoPurgeComments, o.BreakExcluder, o.TagCase, o.UserInfo, o.DoIncludeUser,
                  o.DoIncludeVersion, o.DoIncludeDate, o.DoIncludeTime, o.DoIncludeStyle,
                  o.UseWhileCompress, o.UseWhileFormat);
}

std::string Describe(const TagEntry& e) {
  return "[" + e.TagName + "] open '" + e.TagOpen + "' close '" + e.TagClose + "' start '" +
         e.StartComment + "' end '" + e.EndComment + "' symbol '" + e.CommentSymbol + "'";
}

// Two names that read the same once cut and trimmed name one section when written; the
// file format cannot keep them apart, so such tables are not compared.
bool NamesStayApart(const std::vector<std::string>& names) {
  std::set<std::string> seen;
  for (const std::string& name : names) {
    if (!seen.insert(AsciiLowerCase(name)).second) return false;
  }
  return true;
}

std::vector<std::string> CanonNames(const TagTable& t) {
  std::vector<std::string> names;
  for (int i = 1; i <= t.TagCount; ++i) names.push_back(Canon(t.Entry(i).TagName));
  return names;
}

void ExpectSameTable(const TagTable& want, const TagTable& got, std::string_view when) {
  if (!NamesStayApart(CanonNames(want))) return;
  if (want.TagCount != got.TagCount) {
    Fail(std::string(when) + ": tag count changed",
         std::to_string(want.TagCount) + " became " + std::to_string(got.TagCount));
  }
  for (int i = 1; i <= want.TagCount; ++i) {
    if (Fields(Canon(want.Entry(i))) != Fields(got.Entry(i))) {
      Fail(std::string(when) + ": tag entry changed",
           Describe(want.Entry(i)) + "\nbecame\n" + Describe(got.Entry(i)));
    }
  }
}

void CheckStyleFiles(const IniFile& ini, std::string_view text, bool keepFlags) {
  const fs::path read = WorkDir() / "read", saved = WorkDir() / "saved";
  Clear(read);
  Clear(saved);
  WriteOrFail(read / "options.ini", text);
  WriteOrFail(read / "tag.ini", text);
  WriteOrFail(read / "trim.ini", text);
  std::string err;

  // Options; the two flags without a default keep what the options held before.
  StyleOptions first, second;
  first.UseWhileCompress = first.UseWhileFormat = keepFlags;
  if (!ReadStyleOptions(read, first, &err) || !WriteStyleOptions(saved, first, &err) ||
      !ReadStyleOptions(saved, second, &err)) {
    Fail("style options I/O", err);
  }
  if (Fields(Canon(first)) != Fields(second)) Fail("style options changed by saving");

  // The tag table, saved to a new style and back over the one it was read from.
  TagTable table, savedTable, overTable;
  if (!ReadTagTable(read, table, &err)) Fail("tag table I/O", err);
  TagTable toSave = table;
  if (!WriteTagTable(saved, toSave, &err) || !ReadTagTable(saved, savedTable, &err)) {
    Fail("tag table I/O", err);
  }
  ExpectSameTable(table, savedTable, "saved to a new style");
  // Saving over the file it was read from finds each entry's section again, unless a name
  // was cut or trimmed on reading: then, as the tests pin down, the entry gets a new section.
  const std::vector<std::string> sections = ini.SectionNames();
  bool namesKept = true;
  for (int i = 1; i <= table.TagCount; ++i) {
    namesKept = namesKept && table.Entry(i).TagName == savedTable.Entry(i).TagName &&
                table.Entry(i).TagName == sections[size_t(i - 1)];
  }
  toSave = savedTable;
  if (!WriteTagTable(read, toSave, &err) || !ReadTagTable(read, overTable, &err)) {
    Fail("tag table I/O", err);
  }
  if (namesKept) ExpectSameTable(savedTable, overTable, "saved over the file it was read from");

  // The trim list.
  TrimTagList list, savedList;
  if (!ReadTrimList(read, list, &err) || !WriteTrimList(saved, list, &err) ||
      !ReadTrimList(saved, savedList, &err)) {
    Fail("trim list I/O", err);
  }
  std::vector<std::string> tags;
  for (const TrimEntry& e : list) tags.push_back(Canon(e.Tag, kTrimTagWidth));
  // A key of nothing but carriage returns is a key when read and no key when written, the
  // CR having become a blank; such lists are not compared either.
  if (!NamesStayApart(tags) || std::count(tags.begin(), tags.end(), "") > 0) return;
  bool same = list.size() == savedList.size();
  for (size_t i = 0; same && i < list.size(); ++i) {
    same = list[i].Selected == savedList[i].Selected && tags[i] == savedList[i].Tag;
  }
  if (!same) Fail("trim list changed by saving");
}

}  // namespace
}  // namespace tessel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel::fuzz;
  std::string_view all(reinterpret_cast<const char*>(data), size);
  const size_t nul = all.find('\0');
  const std::string_view text = all.substr(0, nul);
  const std::string_view edits = nul == std::string_view::npos ? "" : all.substr(nul + 1);

  tessel::IniFile ini;
  ini.Parse(text);
  CheckRoundTrip(ini, "of the input");
  CheckStyleFiles(ini, text, size % 2 == 1);
  FuzzedDataProvider in(reinterpret_cast<const uint8_t*>(edits.data()), edits.size());
  RunEdits(ini, in);
  return 0;
}
