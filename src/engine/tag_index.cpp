#include "engine/tag_index.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/ascii.h"

namespace tessel {
namespace {

// Distinct names remembered per run; beyond this (only in generated input) names are
// looked up afresh each time.
constexpr size_t kMaxSlots = 1 << 15;

// The upper-cased name character for each byte, or 0 for a byte that ends a name.
constexpr std::array<char, 256> MakeNameChars() {
  std::array<char, 256> t{};
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = char(c);
  for (int c = 'a'; c <= 'z'; ++c) t[c] = AsciiUpper(char(c));
  for (int c = '0'; c <= '9'; ++c) t[c] = char(c);
  t['<'] = '<';
  t['/'] = '/';
  t['%'] = '%';
  return t;
}
constexpr std::array<char, 256> kNameChars = MakeNameChars();

bool IsHeadingClose(std::string_view name) {
  return name.size() == 5 && name.starts_with("</H") && name[3] >= '1' && name[3] <= '6' &&
         name[4] == '>';
}

}  // namespace

TagIndex::TagIndex(const TagTable& table) : table_(table), cap_(16), slots_(1024) { Reset(); }

// Every field an answer depends on: the entries' names and As-Text flags, in order.
std::string TagIndex::Fingerprint(const TagTable& table) {
  std::string f = std::to_string(table.TagCount);
  for (int i = 1; i <= table.TagCount; ++i) {
    const TagEntry& e = table.Entry(i);
    f += '\n';
    f += e.TagOpen;
    f += '\t';
    f += e.TagClose;
    f += e.TreatAsText ? '1' : '0';
  }
  return f;
}

void TagIndex::Refresh() {
  if (Fingerprint(table_) != fingerprint_) Reset();
}

void TagIndex::Reset() {
  fingerprint_ = Fingerprint(table_);
  if (used_ > 0) {
    std::fill(slots_.begin(), slots_.end(), Slot{});
    used_ = 0;
  }
  // A name longer than every string it could be compared with can match nothing.
  cap_ = 16;
  for (int i = 1; i <= table_.TagCount; ++i) {
    cap_ = std::max({cap_, table_.Entry(i).TagOpen.size() + 1, table_.Entry(i).TagClose.size() + 1});
  }
}

TagNameInfo TagIndex::Compute(std::string_view name) const {
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

void TagIndex::Grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (s.Length == 0) continue;
    size_t i = s.Hash & mask;
    while (slots_[i].Length != 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

const TagNameInfo& TagIndex::Remember(std::string_view name, uint32_t hash) {
  size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& s = slots_[i];
    if (s.Length == 0) break;
    if (s.Hash == hash && s.Length == name.size() &&
        std::memcmp(s.Name, name.data(), name.size()) == 0) {
      return s.Info;
    }
  }
  if (name.size() > kInlineName || (used_ + 1) * 2 > kMaxSlots) {
    scratch_ = Compute(name);
    return scratch_;
  }
  if ((used_ + 1) * 2 > slots_.size()) {
    Grow();
    mask = slots_.size() - 1;
  }
  size_t i = hash & mask;
  while (slots_[i].Length != 0) i = (i + 1) & mask;
  Slot& s = slots_[i];
  s.Hash = hash;
  s.Length = static_cast<uint8_t>(name.size());
  std::memcpy(s.Name, name.data(), name.size());
  s.Info = Compute(name);
  ++used_;
  return s.Info;
}

const TagNameInfo& TagIndex::ForTag(std::string_view tag) {
  if (tag.starts_with("<!--") || tag.starts_with("<%")) {
    if (!NormalizeTagNameBounded(tag, cap_, name_)) return scratch_ = TagNameInfo{};
    return Remember(name_, static_cast<uint32_t>(name_.size()));
  }
  // The common case, in one pass: the upper-cased name and its hash.
  char name[64];
  size_t limit = std::min(cap_, sizeof name);
  size_t len = 0;
  uint32_t hash = 2166136261u;
  for (char c : tag) {
    char n = kNameChars[static_cast<unsigned char>(c)];
    if (len >= limit) break;
    if (n == 0) n = '>';
    name[len++] = n;
    hash = (hash ^ static_cast<unsigned char>(n)) * 16777619u;
    if (n == '>') return Remember(std::string_view(name, len), hash);
  }
  if (len >= limit) {
    // Longer than anything in the tables, or longer than the fast buffer.
    if (!NormalizeTagNameBounded(tag, cap_, name_)) return scratch_ = TagNameInfo{};
    return Remember(name_, static_cast<uint32_t>(name_.size()) * 16777619u);
  }
  return Remember(std::string_view(name, len), hash);  // the source ended inside the name
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
