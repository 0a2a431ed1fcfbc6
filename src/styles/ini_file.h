// A small INI reader and writer that keeps a file's own order, comments and unknown lines,
// so rewriting a setting changes only that setting's line.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"

namespace tessel {

/// Sections open with a "[name]" line and hold "key=value" lines. Section names and keys
/// match without regard to ASCII case; keys and values are read without surrounding blanks.
/// When a name occurs twice, reads and writes use the first occurrence.
class IniFile {
 public:
  /// Reads `path`; a missing file gives an empty INI. A file that exists but cannot be read
  /// is an error, so that a later Save cannot replace settings we never saw.
  bool Load(const std::filesystem::path& path, std::string* err);
  /// Writes the lines with CR LF ends, replacing `path` atomically.
  bool Save(const std::filesystem::path& path, std::string* err) const;

  /// Replaces the contents with `text` (CR LF or LF line ends).
  void Parse(std::string_view text);
  /// The contents as Save writes them.
  std::string Text() const;

  /// Section names in file order, each once.
  std::vector<std::string> SectionNames() const;
  /// Keys of a section in file order, each once; empty when the section is missing.
  std::vector<std::string> Keys(std::string_view section) const;

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view fallback) const;
  /// Decimal text with an optional sign; anything else, or an overflow, gives `fallback`.
  int GetInt(std::string_view section, std::string_view key, int fallback) const;
  /// True for any non-zero integer; a value that is no integer gives `fallback`.
  bool GetBool(std::string_view section, std::string_view key, bool fallback) const;

  /// Replaces the value where it stands, or adds the key after the last key of its
  /// section, or adds the section after the last one. Line breaks in any part become blanks.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  void SetInt(std::string_view section, std::string_view key, int value);
  void SetBool(std::string_view section, std::string_view key, bool value);

  /// Removes every section of that name with all its lines; false when there was none.
  bool EraseSection(std::string_view section);

 private:
  /// One line after a section header: a key line, or anything else kept verbatim.
  struct Line {
    std::string Text;  // the line as it was read or last written
    std::string Key;   // empty for lines that hold no key
  };
  struct Section {
    std::string Header;  // the "[name]" line as written
    std::string Name;
    std::vector<Line> Lines;
  };

  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;

  bool bom_ = false;               // the file began with a UTF-8 byte order mark
  std::vector<std::string> lead_;  // lines before the first section
  std::vector<Section> sections_;
};

}  // namespace tessel
