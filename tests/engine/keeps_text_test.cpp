// Property: formatting and compressing keep every non-whitespace character of a document
// (but the program's own comments, and comments the style purges); trimming removes
// whitespace and nothing else. Checked over real pages and generated malformed input.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "engine/line_ends.h"
#include "io/text_file.h"
#include "engine/engine.h"
#include "engine_fixture.h"
#include "styles/style_files.h"
#include "support/text_essence.h"
#include "test_support.h"

namespace tessel::testing {
namespace {

namespace fs = std::filesystem;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::vector<Style> CheckedStyles() {
  std::vector<Style> styles;
  for (const char* name : {"_default", "html5", "documented"}) {
    Style style;
    StyleLibrary library(SourceDataDir() / "styles", style);
    if (library.LoadStyle(name)) styles.push_back(style);
  }
  for (int variant = 0; variant < 4; ++variant) {
    Style style;
    style.Options.LineSize = variant == 0 ? 20 : 60;
    style.Options.TagCase = 1 + variant % 3;
    style.Options.BreakExcluder = variant % 2 ? "<>" : "\"";
    style.Options.DoPurgeComments = variant % 2 == 0;
    style.Options.UseWhileFormat = style.Options.UseWhileCompress = true;
    TagEntry td = MakeEntry({"<TD>", "</TD>", variant == 1, 1, 1, 2, 2});
    td.DoGenerateSComment = td.DoGenerateEComment = td.EnableCounter = true;
    AddEntries(style, {MakeEntry({"<B>", "</B>", true, 0, 0, 0, 0}),
                       MakeEntry({"<P>", "</P>", true, 0, 0, 2, 1}), td,
                       MakeEntry({"<PRE>", "</PRE>", true, 0, 0, 1, 1}),
                       MakeEntry({"<DIV>", "</DIV>", false, 1, 1, 1, 1})});
    styles.push_back(style);
  }
  return styles;
}

void ExpectKeepsText(Style& style, const std::string& source, const std::string& label) {
  Engine engine(style);
  engine.Clock = [] { return DocDateTime{2026, 12, 5, 13, 5}; };
  for (int mode = 0; mode < 2; ++mode) {
    engine.SourceText = source;
    engine.Tokenize();
    mode == 0 ? engine.Format() : engine.CompressLines();
    bool purge = mode == 1 && style.Options.DoPurgeComments;
    std::string lost = LostText(source, engine.OutputLines.Joined("\n"), purge);
    ASSERT_EQ(lost, "") << (mode == 0 ? "format" : "compress") << " of " << label;
  }
  TrimTagList trim = {{true, "<A>"}, {true, "</A>"}, {true, "<TD>"},  {true, "</TD>"},
                      {true, "<B>"}, {true, "</B>"}, {true, "<PRE>"}, {true, "</PRE>"}};
  engine.SourceText = source;
  engine.TrimTags(trim);
  ASSERT_EQ(TrimDamage(source, engine.OutputLines.Joined("\n")), "") << label;
}

std::string RandomDocument(std::mt19937& rng) {
  static const std::vector<std::string> pieces = {"<",
                                                  ">",
                                                  "<<",
                                                  ">>",
                                                  "<table>",
                                                  "<td>",
                                                  "</td>",
                                                  "<TD><img src=a></TD>",
                                                  "<td>\t<br>\n</td>",
                                                  "<!--",
                                                  "-->",
                                                  "<!-- c -->",
                                                  "<!--~",
                                                  "~-->",
                                                  "<!--~ own ~-->",
                                                  "<pre>",
                                                  "</PRE>",
                                                  "<script>",
                                                  "</script",
                                                  "</script>",
                                                  "<style>",
                                                  "</style>",
                                                  "<textarea>",
                                                  "</textarea>",
                                                  "\"",
                                                  "'",
                                                  "###",
                                                  "### x\n",
                                                  "###<PRE>:1\n",
                                                  "###<!--:2",
                                                  "<%",
                                                  "%>",
                                                  "<% a %>",
                                                  "word",
                                                  "Wort\xC4\xD6",
                                                  "\xC4\x8D",
                                                  "x",
                                                  " ",
                                                  "  ",
                                                  "\n",
                                                  "\n\n",
                                                  "\t",
                                                  "\r",
                                                  "<b>",
                                                  "</b>",
                                                  "<B >",
                                                  "<br/>",
                                                  "<p>",
                                                  "</p>",
                                                  "<div>",
                                                  "</div>",
                                                  "<a href=\"x>y\">",
                                                  "</a>",
                                                  "<h1>",
                                                  "</h2>",
                                                  "<!DOCTYPE html>",
                                                  "<td",
                                                  "<!",
                                                  "=",
                                                  "/",
                                                  "<%=",
                                                  "<TEXTAREA>"};
  std::string doc;
  int n = rng() % 300;
  for (int i = 0; i < n; ++i) doc += pieces[rng() % pieces.size()];
  return NormalizeLineEnds(doc, nullptr);
}

TEST(KeepsTextTest, GeneratedMalformedInput) {
  std::vector<Style> styles = CheckedStyles();
  ASSERT_GE(styles.size(), 7u);
  std::mt19937 rng(20261206);
  for (int i = 0; i < 400; ++i) {
    std::string doc = RandomDocument(rng);
    for (Style& style : styles)
      ExpectKeepsText(style, doc, "generated document " + std::to_string(i));
  }
}

std::vector<fs::path> SamplePages() {
  std::vector<fs::path> pages;
  for (const auto& entry : fs::directory_iterator(SourceDataDir() / "preview"))
    pages.push_back(entry);
  FILE* p = popen("rustc --print sysroot 2>/dev/null", "r");
  char buf[512] = {0};
  if (p && fgets(buf, sizeof buf, p)) {
    std::string root(buf);
    while (!root.empty() && IsSpace(root.back())) root.pop_back();
    fs::path docs = fs::path(root) / "share/doc/rust/html";
    std::vector<fs::path> found;
    for (const char* sub : {"std/collections", "book", "reference", "core/iter", "std/io"}) {
      std::error_code ec;
      for (auto it = fs::recursive_directory_iterator(docs / sub, ec);
           !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->path().extension() == ".html") found.push_back(it->path());
      }
    }
    std::sort(found.begin(), found.end());
    for (size_t i = 0; i < found.size() && pages.size() < 120; i += 1 + found.size() / 110) {
      pages.push_back(found[i]);
    }
  }
  if (p) pclose(p);
  return pages;
}

TEST(KeepsTextTest, RealPages) {
  std::vector<Style> styles = CheckedStyles();
  std::vector<fs::path> pages = SamplePages();
  ASSERT_FALSE(pages.empty());
  for (const fs::path& page : pages) {
    std::string text, err;
    ASSERT_TRUE(ReadWholeFile(page, text, &err)) << err;
    NormalizeLineEndsInPlace(text, nullptr);
    for (Style& style : styles) ExpectKeepsText(style, text, page.string());
  }
  RecordProperty("pages", static_cast<int>(pages.size()));
}

}  // namespace
}  // namespace tessel::testing
