#include "engine/style_model.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/tag_index.h"
#include "engine_fixture.h"

namespace tessel::testing {
namespace {

TEST(StyleModelTest, NormalizeTagName) {
  struct Case {
    const char* tag;
    const char* name;
  } cases[] = {{"<table border=1>", "<TABLE>"}, {"</td >", "</TD>"}, {"<br/>", "<BR/>"},
               {"<!DOCTYPE html>", "<>"},       {"<b", "<B"},        {"<!--~ x ~-->", "<!--~"},
               {"<!-- x -->", "<!--"},          {"<%= x %>", "<%"},  {"<h1\nclass=x>", "<H1>"}};
  for (const Case& c : cases) EXPECT_EQ(NormalizeTagName(c.tag), c.name) << c.tag;
}

TEST(StyleModelTest, ApplyTagCase) {
  struct Case {
    const char* text;
    int mode;
    const char* expected;
  } cases[] = {
      {"<TABLE WIDTH=100>", 2, "<table WIDTH=100>"},
      {"<td class=x>", 1, "<TD class=x>"},
      {"<td class=x>", 3, "<td class=x>"},
      {"<\xC4\xD6\xDC>", 2, "<\xE4\xF6\xFC>"},  // Windows-1252 umlauts
      {"<x\xC4\x8D y>", 2, "<x\xC4\x8D y>"},    // a UTF-8 letter stays intact
      {"<A\"B\">", 2, "<a\"B\">"},
  };
  for (const Case& c : cases) {
    std::string s = c.text;
    ApplyTagCase(s, 0, c.mode);
    EXPECT_EQ(s, c.expected) << c.text;
  }
}

TEST(StyleModelTest, LookupTagTakesFirstMatchAndDirection) {
  Style style;
  AddEntries(style, {MakeEntry({"<TR>", "</TR>"}), MakeEntry({"<TD>", "</TD>"}),
                     MakeEntry({"<TD>", "</TD>", true})});
  struct Case {
    const char* tag;
    int entry;  // 0: the default entry
    int direction;
  } cases[] = {{"<td class=x>", 2, 1}, {"</td>", 2, -1}, {"<font>", 0, 1}, {"</font>", 0, -1}};
  for (const Case& c : cases) {
    const TagEntry* entry = nullptr;
    EXPECT_EQ(LookupTag(style.Tags, c.tag, entry), c.direction) << c.tag;
    EXPECT_EQ(entry->TagNumber, c.entry) << c.tag;
  }
}

// The per-run memo must answer exactly as the table scan does, prefix matches included.
TEST(StyleModelTest, TagIndexAgreesWithLookupTag) {
  Style style;
  AddEntries(style, {MakeEntry({"<B>", "</B>", true}), MakeEntry({"<BR>", ""}),
                     MakeEntry({"<TABLE>", "</TABLE>"}), MakeEntry({"<H1>", "</H>", true}),
                     MakeEntry({"<TD", "</TD"})});
  TagIndex index(style.Tags);
  std::mt19937 rng(7);
  const std::string alphabet = "<>/bBrRtdTD1h! =%-";
  for (int i = 0; i < 20000; ++i) {
    std::string tag = "<";
    int n = rng() % 8;
    for (int k = 0; k < n; ++k) tag += alphabet[rng() % alphabet.size()];
    const TagEntry* expected = nullptr;
    const TagEntry* got = nullptr;
    int d1 = LookupTag(style.Tags, tag, expected);
    int d2 = index.Lookup(tag, got);
    ASSERT_EQ(d1, d2) << tag;
    ASSERT_EQ(expected, got) << tag;
  }
}

}  // namespace
}  // namespace tessel::testing
