// Memo of everything the engine asks about a tag name, so each distinct name is looked up
// in the tag table once instead of once per tag. The engine keeps it from file to file and
// starts it afresh when the table's names or As-Text flags change.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

  /// Forgets every answer if the table no longer holds what they were computed from.
  void Refresh();

 private:
  static constexpr size_t kInlineName = 30;
  struct Slot {
    uint32_t Hash = 0;
    uint8_t Length = 0;  // 0: free
    char Name[kInlineName];
    TagNameInfo Info;
  };

  static std::string Fingerprint(const TagTable& table);
  void Reset();
  TagNameInfo Compute(std::string_view name) const;
  const TagNameInfo& Remember(std::string_view name, uint32_t hash);
  void Grow();

  const TagTable& table_;
  std::string fingerprint_;  // what the answers were computed from
  size_t cap_;
  std::vector<Slot> slots_;
  size_t used_ = 0;
  std::string name_;
  TagNameInfo scratch_;
};

}  // namespace tessel
