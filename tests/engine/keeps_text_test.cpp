// Property: formatting and compressing keep every non-whitespace character of a document
// (but the program's own comments, and comments the style purges); trimming removes
// whitespace and nothing else. Checked in-process over real pages and generated malformed
// input, with the shipped styles and with variants of extreme options. An HTML5 parser that
// is not ours confirms it: the results render like the source but for whitespace.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "engine/engine.h"
#include "engine/line_ends.h"
#include "engine_fixture.h"
#include "render_check/render_check.h"
#include "styles/style_files.h"
#include "support/text_essence.h"
#include "test_support.h"

namespace tessel::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kShippedStyles = 3;  // they come first in CheckedStyles()

std::vector<Style> CheckedStyles() {
  std::vector<Style> styles;
  for (const char* name : {"_default", "html5", "documented"}) {
    std::optional<LoadedStyle> loaded = StyleLibrary(SourceDataDir() / "styles").Load(name);
    EXPECT_TRUE(loaded) << name;
    if (loaded) styles.push_back(loaded->Value);
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

// Every way `out` could render differently from `source` is a matter of whitespace: a
// space shown or not, or whitespace inside an attribute value or a PRE; formatting may also
// change the case of a tag-like text that HTML reads as text. A "<" that tidying joins to
// the next word makes a tag of text, which is how tags are tidied; and where HTML keeps
// more text as it is than the tokenizer's blocks do, formatting lays that text out.
void ExpectRendersAlike(const std::string& source, const std::string& out, bool caseToo,
                        const std::string& what) {
  if (HasLooseLt(source) || TokenizerReadsOtherwise(source)) return;
  for (const RenderDifference& d : RenderCheck::Compare(source, out)) {
    EXPECT_TRUE(caseToo ? d.LetterCaseOnly : d.WhitespaceOnly) << what << ": "
                                                               << DescribeDifference(d);
  }
}

// Returns the formatted text.
std::string ExpectKeepsText(Style& style, const std::string& text, const std::string& label) {
  const std::string source = NormalizeLineEnds(text, nullptr);  // as trimming compares to it
  Engine engine(style);
  engine.Clock = [] { return DocDateTime{2026, 12, 5, 13, 5}; };
  bool purge = style.Options.DoPurgeComments;
  std::string compressed = engine.Process(EngineMode::Compress, source).Joined("\n");
  EXPECT_EQ(LostText(source, compressed, purge), "") << "compress of " << label;
  ExpectRendersAlike(source, compressed, true, "compress of " + label);
  TrimTagList trim = {{true, "<A>"}, {true, "</A>"}, {true, "<TD>"},  {true, "</TD>"},
                      {true, "<B>"}, {true, "</B>"}, {true, "<PRE>"}, {true, "</PRE>"}};
  std::string trimmed = engine.Process(EngineMode::Trim, source, trim).Joined("\n");
  EXPECT_EQ(TrimDamage(source, trimmed), "") << "trim of " << label;
  ExpectRendersAlike(source, trimmed, false, "trim of " + label);
  std::string formatted = engine.Process(EngineMode::Format, source).Joined("\n");
  EXPECT_EQ(LostText(source, formatted, false), "") << "format of " << label;
  ExpectRendersAlike(source, formatted, true, "format of " + label);
  return formatted;
}

std::string RandomDocument(std::mt19937& rng) {
  static const std::vector<std::string> pieces = {
      // Loose angles, cells, comments (ours too) and blocks kept as they are.
      "<", ">", "<<", ">>", "<table>", "<td>", "</td>", "<TD><img src=a></TD>", "<td>\t<br>\n</td>",
      "<!--", "-->", "<!-- c -->", "<!--~", "~-->", "<!--~ own ~-->", "<pre>", "</PRE>", "<script>",
      "</script", "</script>", "<style>", "</style>", "<textarea>", "</textarea>",
      // Quotes, marker lookalikes, server blocks, text in two encodings and blanks.
      "\"", "'", "###", "### x\n", "###<PRE>:1\n", "###<!--:2", "<%", "%>", "<% a %>", "word",
      "Wort\xC4\xD6", "\xC4\x8D", "x", " ", "  ", "\n", "\n\n", "\t", "\r",
      // Tags inline, broken and odd.
      "<b>", "</b>", "<B >", "<br/>", "<p>", "</p>", "<div>", "</div>", "<a href=\"x>y\">", "</a>",
      "<h1>", "</h2>", "<!DOCTYPE html>", "<td", "<!", "=", "/", "<%=", "<TEXTAREA>"};
  std::string doc;
  int n = rng() % 300;
  for (int i = 0; i < n; ++i) doc += pieces[rng() % pieces.size()];
  return doc;
}

TEST(KeepsTextTest, GeneratedMalformedInput) {
  std::vector<Style> styles = CheckedStyles();
  std::mt19937 rng(20261206);
  for (int i = 0; i < 400; ++i) {
    std::string doc = RandomDocument(rng);
    for (Style& style : styles)
      ExpectKeepsText(style, doc, "generated document " + std::to_string(i));
    if (::testing::Test::HasFailure()) return;
  }
}

// Pages a browser reads as their author meant (elements nested as they should be), with
// whitespace anywhere: whatever the style, the results render like them but for whitespace.
class PageMaker {
 public:
  explicit PageMaker(std::mt19937& rng) : rng_(rng) {}

  std::string Page() {
    return "<!DOCTYPE html>\n<html><head><title>T  t</title></head><body>" + Blocks(3) +
           "</body></html>\n";
  }

 private:
  size_t Pick(size_t n) { return rng_() % n; }
  std::string Space() {
    static const char* kSpaces[] = {"", "", "", " ", "\n", "  \n\t", "<!-- c -->", "<!--~ own ~-->"};
    return kSpaces[Pick(8)];
  }

  std::string Blocks(int depth) {
    std::string out;
    for (size_t n = Pick(5); n > 0; --n) {
      out += Space();
      switch (depth > 0 ? Pick(7) : 0) {
        case 0: out += "<p>" + Inline(2) + "</p>"; break;
        case 1: out += "<div class=\"d\">" + Blocks(depth - 1) + "</div>"; break;
        case 2: out += "<ul>" + Space() + "<li>" + Inline(2) + "</li>" + Space() + "<li>" +
                       Blocks(depth - 1) + "</li></ul>"; break;
        case 3: out += "<table>" + Space() + "<tr>" + Space() + "<td>" + Inline(2) + "</td>" +
                       Space() + "<td><img src=a.gif></td></tr></table>"; break;
        case 4: out += "<h2>" + Inline(1) + "</h2><pre>x  y\n\tz</pre>"; break;
        case 5: out += "<script>if (a < b)  go();</script><style>p  {}</style><hr>"; break;
        default: out += Inline(2); break;
      }
    }
    return out + Space();
  }

  std::string Inline(int depth) {
    static const char* kAtoms[] = {
        "word", "Wort\xC4\xD6", "x", "&amp;", "&nbsp;", "<br>", "<img src=\"i.png\" alt=\"an  image\">",
        "<input value=\"a  b\">", "<button>Go</button>", "<select><option>1</option></select>",
        "<textarea>a\n  b</textarea>"};
    static const char* kInline[] = {"a href=\"x.htm\" title=\"a  b\"", "b", "span", "code", "em"};
    std::string out;
    for (size_t n = 1 + Pick(4); n > 0; --n) {
      out += Space();
      if (depth > 0 && Pick(3) == 0) {
        const std::string open = kInline[Pick(5)];
        out += "<" + open + ">" + Inline(depth - 1) + "</" + open.substr(0, open.find(' ')) + ">";
      } else {
        out += kAtoms[Pick(11)];
      }
    }
    return out + Space();
  }

  std::mt19937& rng_;
};

TEST(KeepsTextTest, GeneratedPagesRenderAlike) {
  std::vector<Style> styles = CheckedStyles();
  std::mt19937 rng(20261207);
  for (int i = 0; i < 150; ++i) {
    const std::string page = PageMaker(rng).Page();
    for (Style& style : styles) ExpectKeepsText(style, page, "generated page " + std::to_string(i));
    if (::testing::Test::HasFailure()) return;
  }
}

// Real pages also format to a fixed point with the shipped styles: formatting the result
// again changes nothing.
TEST(KeepsTextTest, RealPages) {
  std::vector<Style> styles = CheckedStyles();
  std::vector<fs::path> pages;
  for (const fs::path& dir :
       {SourceDataDir() / "preview", fs::path(TESSEL_SOURCE_DIR) / "tests/data/pages"})
    for (const auto& entry : fs::directory_iterator(dir)) pages.push_back(entry);
  ASSERT_GE(pages.size(), 10u);
  for (const fs::path& page : pages) {
    const std::string text = ReadFile(page);
    for (int s = 0; s < int(styles.size()); ++s) {
      std::string once = ExpectKeepsText(styles[s], text, page.filename().string());
      if (s >= kShippedStyles) continue;
      Engine engine(styles[s]);
      engine.Clock = [] { return DocDateTime{2026, 12, 5, 13, 5}; };
      EXPECT_TRUE(engine.Process(EngineMode::Format, once).Joined("\n") == once)
          << page.filename() << " with " << styles[s].Options.StyleName << " formatted again";
    }
  }
}

}  // namespace
}  // namespace tessel::testing
