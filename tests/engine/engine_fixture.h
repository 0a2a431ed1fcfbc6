// Builds styles in code and runs the engine stages on strings.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace tessel::testing {

using Lines = std::vector<std::string>;

/// The layout of one tag as a row of the tag table holds it.
struct TagRule {
  std::string open;
  std::string close;
  bool asText = false;
  int self = 0, content = 0, leading = 1, followed = 1;
};

inline TagEntry MakeEntry(const TagRule& r) {
  TagEntry e;
  e.TagName = r.open;
  e.TagOpen = r.open;
  e.TagClose = r.close;
  e.TreatAsText = r.asText;
  e.isSelfIndent = r.self;
  e.isContentIndent = r.content;
  e.CRLFLeading = r.leading;
  e.CRLFFollowed = r.followed;
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

inline Lines Tokens(Engine& engine, const std::string& source) {
  engine.SourceText = source;
  engine.Tokenize();
  return engine.TokenList.ToStrings();
}

/// Formats or compresses `source` as it stands (its line ends untouched).
inline Lines Output(Engine& engine, EngineMode mode, const std::string& source) {
  Tokens(engine, source);
  mode == EngineMode::Format ? engine.Format() : engine.CompressLines();
  return engine.OutputLines.ToStrings();
}

/// Checks that `source` gives `expected`, and that the lines of `expected` run again give
/// themselves: a second run over our own output must change nothing. `unstable` opts a case
/// out of the second check and says why.
inline void ExpectOutput(Engine& engine, EngineMode mode, const std::string& source,
                         const Lines& expected, const char* unstable = nullptr) {
  EXPECT_EQ(Output(engine, mode, source), expected);
  if (unstable) return;
  // Read back as a file, the CR LF inside a kept comment is a line end like the others.
  std::string again;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (i) again += '\n';
    for (char c : expected[i])
      if (c != '\r') again += c;
  }
  EXPECT_EQ(Output(engine, mode, again), expected) << "second run over the output";
}

}  // namespace tessel::testing
