#include "engine/style_model.h"

#include <algorithm>

#include "base/ascii.h"

namespace tessel {
namespace {

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '<' ||
         c == '/' || c == '%';
}

bool IsUtf8Continuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

// A counting entry of the table for `entry`, or nullptr.
TagEntry* CountingEntry(TagTable& table, const TagEntry& entry) {
  if (entry.TagNumber < 1 || entry.TagNumber > kMaxTags) return nullptr;
  TagEntry& slot = table.Entry(entry.TagNumber);
  return slot.EnableCounter ? &slot : nullptr;
}

}  // namespace

const TagEntry& DefaultTagEntry() {
  static const TagEntry kDefault;
  return kDefault;
}

void CutTagFields(TagEntry& entry) {
  auto cut = [](std::string& s, size_t width) {
    if (s.size() > width) s.resize(width);
  };
  cut(entry.TagName, kTagFieldWidth);
  cut(entry.TagOpen, kTagFieldWidth);
  cut(entry.TagClose, kTagFieldWidth);
  cut(entry.StartComment, kCommentFieldWidth);
  cut(entry.EndComment, kCommentFieldWidth);
  cut(entry.CommentSymbol, 1);
}

bool IsBlockLevelTag(std::string_view name) {
  return std::find(BlockLevelTags.begin(), BlockLevelTags.end(), name) != BlockLevelTags.end();
}

bool NormalizeTagNameBounded(std::string_view tag, size_t cap, std::string& out) {
  out.clear();
  if (tag.starts_with("<!--~")) {
    out = "<!--~";
  } else if (tag.starts_with("<!--")) {
    out = "<!--";
  } else if (tag.starts_with("<%")) {
    out = "<%";
  } else {
    for (char c : tag) {
      if (out.size() >= cap) return false;
      if (!IsNameChar(c)) {
        out.push_back('>');
        return true;
      }
      out.push_back(AsciiUpper(c));
    }
  }
  return out.size() <= cap;
}

std::string NormalizeTagName(std::string_view tag) {
  std::string name;
  NormalizeTagNameBounded(tag, tag.size() + 1, name);
  return name;
}

char TagCaseChar(char c, int mode, bool beforeContinuation) {
  unsigned char u = static_cast<unsigned char>(c);
  if (mode == 1) return AsciiUpper(c);
  if (mode != 2) return c;
  if (u >= 'A' && u <= 'Z') return AsciiLower(c);
  if ((u == 196 || u == 214 || u == 220) && !beforeContinuation) return char(u + 32);  // Ä Ö Ü
  return c;
}

size_t ApplyTagCase(std::string& text, size_t start, int mode) {
  if (mode != 1 && mode != 2) return start;
  size_t i = start;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == ' ' || c == '"' || c == '>') break;
    bool beforeContinuation =
        i + 1 < text.size() && IsUtf8Continuation(static_cast<unsigned char>(text[i + 1]));
    text[i] = TagCaseChar(c, mode, beforeContinuation);
  }
  return i;
}

int LookupTag(const TagTable& table, std::string_view tag, const TagEntry*& entry) {
  entry = &DefaultTagEntry();
  int direction = (tag.size() > 1 && tag[1] == '/') ? -1 : 1;
  std::string name = NormalizeTagName(tag);
  if (name.empty()) return direction;
  for (int i = 1; i <= table.TagCount; ++i) {
    const TagEntry& e = table.Entry(i);
    if (std::string_view(e.TagOpen).starts_with(name)) {
      entry = &e;
      return 1;
    }
    if (std::string_view(e.TagClose).starts_with(name)) {
      entry = &e;
      return -1;
    }
  }
  return direction;
}

void ResetTagTable(TagTable& table) {
  for (TagEntry& slot : table.Slots) slot = DefaultTagEntry();
}

void ResetCounters(TagTable& table) {
  for (int i = 1; i <= table.TagCount; ++i) {
    table.Entry(i).Counter = 0;
    table.Entry(i).CounterStack.clear();
  }
}

std::string PushCounter(TagTable& table, const TagEntry& entry) {
  TagEntry* slot = CountingEntry(table, entry);
  if (!slot) return {};
  ++slot->Counter;
  std::string number = std::to_string(slot->Counter);
  slot->CounterStack += ';';
  slot->CounterStack += number;
  return number;
}

std::string PopCounter(TagTable& table, const TagEntry& entry) {
  TagEntry* slot = CountingEntry(table, entry);
  if (!slot || slot->CounterStack.empty()) return {};
  std::string& stack = slot->CounterStack;
  size_t semi = stack.rfind(';');
  if (semi == std::string::npos) {  // only reachable through a hand-made stack
    std::string all = stack;
    stack.clear();
    return all;
  }
  std::string number = stack.substr(semi + 1, 10);
  stack.erase(semi, 11);
  return number;
}

}  // namespace tessel
