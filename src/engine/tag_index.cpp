#include "engine/tag_index.h"

#include <algorithm>

namespace tessel {
namespace {

// Distinct names kept per run; beyond this (only in generated input) names are computed
// afresh each time.
constexpr size_t kMemoLimit = 1 << 14;

bool IsHeadingClose(std::string_view name) {
  return name.size() == 5 && name.starts_with("</H") && name[3] >= '1' && name[3] <= '6' &&
         name[4] == '>';
}

}  // namespace

TagIndex::TagIndex(const TagTable& table) : table_(table), cap_(16) {
  // A name longer than every string it could be compared with can match nothing.
  for (int i = 1; i <= table.TagCount; ++i) {
    cap_ = std::max({cap_, table.Entry(i).TagOpen.size() + 1, table.Entry(i).TagClose.size() + 1});
  }
}

TagNameInfo TagIndex::Compute(const std::string& name) const {
  TagNameInfo info;
  for (int i = 1; i <= table_.TagCount && !name.empty(); ++i) {
    const TagEntry& e = table_.Entry(i);
    if (std::string_view(e.TagOpen).starts_with(name)) {
      info.LookupEntry = i;
      info.LookupDirection = 1;
      break;
    }
    if (std::string_view(e.TagClose).starts_with(name)) {
      info.LookupEntry = i;
      info.LookupDirection = -1;
      break;
    }
  }
  for (int i = 1; i <= table_.TagCount; ++i) {
    const TagEntry& e = table_.Entry(i);
    if (!e.TreatAsText) continue;
    if (e.TagOpen == name || e.TagClose == name || (e.TagClose == "</H>" && IsHeadingClose(name))) {
      info.AsTextEntry = i;
      break;
    }
  }
  for (size_t row = 0; row < BlockTagTable.size(); ++row) {
    if (BlockTagTable[row].BlockOpen == name) {
      info.BlockRow = static_cast<int>(row);
      break;
    }
  }
  info.BlockLevel = IsBlockLevelTag(name);
  return info;
}

const TagNameInfo& TagIndex::ForTag(std::string_view tag) {
  if (!NormalizeTagNameBounded(tag, cap_, name_)) {
    scratch_ = TagNameInfo{};
    return scratch_;
  }
  auto it = memo_.find(name_);
  if (it != memo_.end()) return it->second;
  if (memo_.size() >= kMemoLimit) {
    scratch_ = Compute(name_);
    return scratch_;
  }
  return memo_.emplace(name_, Compute(name_)).first->second;
}

int TagIndex::Lookup(std::string_view tag, const TagEntry*& entry) {
  const TagNameInfo& info = ForTag(tag);
  if (info.LookupEntry > 0) {
    entry = &table_.Entry(info.LookupEntry);
    return info.LookupDirection;
  }
  entry = &DefaultTagEntry();
  return (tag.size() > 1 && tag[1] == '/') ? -1 : 1;
}

}  // namespace tessel
