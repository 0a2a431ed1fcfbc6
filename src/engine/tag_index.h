// Per-run memo of everything the engine asks about a tag name, so each distinct name is
// looked up in the tag table once instead of once per tag.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/style_model.h"

namespace tessel {

struct TagNameInfo {
  int LookupEntry = 0;      // first entry whose TagOpen/TagClose begins with the name, or 0
  int LookupDirection = 0;  // 1 when TagOpen matched, -1 when TagClose matched
  int AsTextEntry = 0;      // first As-Text entry naming this tag exactly, or 0
  int BlockRow = -1;        // BlockTagTable row opened by this name, or -1
  bool BlockLevel = false;  // in BlockLevelTags
};

class TagIndex {
 public:
  explicit TagIndex(const TagTable& table);

  /// Facts about the tag whose text starts at tag[0] ("<").
  const TagNameInfo& ForTag(std::string_view tag);

  /// LookupTag through the memo; same result as the free function.
  int Lookup(std::string_view tag, const TagEntry*& entry);

 private:
  TagNameInfo Compute(const std::string& name) const;

  const TagTable& table_;
  size_t cap_;
  std::string name_;
  std::unordered_map<std::string, TagNameInfo> memo_;
  TagNameInfo scratch_;
};

}  // namespace tessel
