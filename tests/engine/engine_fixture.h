// Builds styles in code and runs the engine stages on strings.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace tessel::testing {

struct EntrySpec {
  std::string open;
  std::string close;
  bool asText = false;
  int self = 0, content = 0, leading = 1, followed = 1;
};

inline TagEntry MakeEntry(const EntrySpec& s) {
  TagEntry e;
  e.TagName = s.open;
  e.TagOpen = s.open;
  e.TagClose = s.close;
  e.TreatAsText = s.asText;
  e.isSelfIndent = s.self;
  e.isContentIndent = s.content;
  e.CRLFLeading = s.leading;
  e.CRLFFollowed = s.followed;
  return e;
}

/// Appends entries in order, numbering them as reading a style would.
inline void AddEntries(Style& style, std::initializer_list<TagEntry> entries) {
  for (const TagEntry& e : entries) {
    int n = ++style.Tags.TagCount;
    style.Tags.Entry(n) = e;
    style.Tags.Entry(n).TagNumber = n;
  }
}

inline std::vector<std::string> Tokens(Engine& engine, const std::string& source) {
  engine.SourceText = source;
  engine.Tokenize();
  return engine.TokenList.ToStrings();
}

inline std::vector<std::string> Formatted(Engine& engine, const std::string& source) {
  engine.SourceText = source;
  engine.Tokenize();
  engine.Format();
  return engine.OutputLines.ToStrings();
}

inline std::vector<std::string> Compressed(Engine& engine, const std::string& source) {
  engine.SourceText = source;
  engine.Tokenize();
  engine.CompressLines();
  return engine.OutputLines.ToStrings();
}

using Lines = std::vector<std::string>;

}  // namespace tessel::testing
