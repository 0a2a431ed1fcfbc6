// The filter as a process on hand-made malformed pages: it exits 0 in time, keeps the text
// in every mode and with every shipped style, and formatting its own output changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "engine/line_ends.h"
#include "engine/engine.h"
#include "styles/style_files.h"
#include "support/text_essence.h"
#include "test_support.h"

namespace tessel::testing {
namespace {

namespace fs = std::filesystem;

std::string Repeat(std::string_view piece, size_t times) {
  std::string s;
  s.reserve(piece.size() * times);
  for (size_t i = 0; i < times; ++i) s += piece;
  return s;
}

bool HasBareLineFeed(const std::string& s) {
  for (size_t i = s.find('\n'); i != std::string::npos; i = s.find('\n', i + 1))
    if (i == 0 || s[i - 1] != '\r') return true;
  return false;
}

struct MalformedPage {
  const char* name;
  std::function<std::string()> make;
};

const std::vector<MalformedPage>& MalformedPages() {
  static const std::vector<MalformedPage> pages = {
      {"unclosed_tags", [] { return "<html><body><div><p>text <b>bold<td>cell<a href=x"; }},
      {"unclosed_comment", [] { return "<p>a</p>\n<!-- never closed\n<p>b</p>\n"; }},
      {"stray_angles", [] { return "a < b and c > d; x<<y>>z; <> < > >>\n<p>1 < 2</p> >\n"; }},
      {"gt_in_quotes",
       [] { return "<a title=\"x>y\" href='a>b'>link</a> <img alt=\"1 > 0\"> <p class=\"a>\">t"; }},
      {"mixed_line_ends", [] { return "<p>a\r\nb\nc\rd</p>\r\n<div>\n</div>\r<pre>\r\n x\r y\n</pre>"; }},
      {"cr_only", [] { return "<html>\r<body>\r<p>one\rtwo</p>\r<pre>\r a\r</pre>\r</body>\r</html>\r"; }},
      {"one_mb_line", [] { return Repeat("<span class=w>word</span> text, <b>more</b> ", 24000); }},
      {"one_mb_unclosed_lt", [] { return "<p>start</p><a href=\"" + Repeat("x y ", 260000); }},
      {"deep_nesting",
       [] { return Repeat("<div><table><tr><td>", 5000) + "deep" + Repeat("</td></tr></table></div>", 5000); }},
      // Template lines between table cells: raw text before a text-less cell.
      {"template_between_cells",
       [] {
         return "<table><tr>\n  <td>{{ v }}</td>\n  {% endfor %}\n\n  {% if x %}\n  <td></td>\n"
                "  {% endif %}\n</tr></table>\n";
       }},
      {"server_blocks",
       [] {
         return "<% if x > 1 then %>\n<p>a</p><%= y %>\n<?php echo '<b>'; if ($a<$b) {} ?>\n"
                "<jsp:include page=\"a.jsp\"/><%@ page import=\"java.util.*\" %>\n<%-- c --%>";
       }},
      {"windows_1252", [] { return "<p>Gr\xFC\xDF" "e \x80 caf\xE9 \xC4\xD6\xDC \xE4\xF6\xFC</p>\n<TD>\xC4</TD>"; }},
      {"utf8", [] { return "<p>Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xC3\x84\xC3\x96 \xE6\x97\xA5</p><td>\xC3\x84</td>"; }},
      {"utf8_bom", [] { return "\xEF\xBB\xBF<!DOCTYPE html>\n<html><head><title>t</title></head>\n<body><p>x</p></body></html>\n"; }},
      {"own_comment_lookalikes",
       [] { return "<!--~ keep -->a<!--~ drop ~-->b<!--~ unclosed\n###<PRE>:1\n### text"; }},
  };
  return pages;
}

class RobustnessTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::copy(SourceDataDir(), home_.path(), fs::copy_options::recursive); }

  // A page that takes more than a minute, even in a sanitizer build, does not finish in time.
  ProcessRun Filter(const std::string& args, const fs::path& input) {
    return RunProgram(home_.path(), home_.path(), args + " '" + input.string() + "'",
                      "SOURCE_DATE_EPOCH=1796000000", 60);
  }

  bool Purges(const std::string& styleName) {
    Style style;
    StyleLibrary library(home_ / "styles", style);
    EXPECT_TRUE(library.LoadStyle(styleName));
    return style.Options.DoPurgeComments;
  }

  int CheckPage(const std::string& name, const fs::path& input);

  TempDir home_;
};

// Exit 0, the text kept in every mode and with every style; formatting the result again
// changes nothing, unless a loose "<" gets tidied into another tag. Returns how many
// formatting runs did change it.
int RobustnessTest::CheckPage(const std::string& name, const fs::path& input) {
  SCOPED_TRACE(name);
  const std::string text = NormalizeLineEnds(ReadFile(input), nullptr);
  ProcessRun trim = Filter("--trim", input);
  EXPECT_EQ(trim.status, 0) << trim.err;
  EXPECT_EQ(TrimDamage(text, NormalizeLineEnds(trim.out, nullptr)), "");
  int changed = 0;
  for (const char* style : {"_default", "html5", "documented"}) {
    SCOPED_TRACE(style);
    const std::string args = std::string(" --style ") + style;
    ProcessRun compress = Filter("--compress" + args, input);
    EXPECT_EQ(compress.status, 0) << compress.err;
    EXPECT_EQ(LostText(text, compress.out, Purges(style)), "");

    ProcessRun once = Filter("--format" + args, input);
    EXPECT_EQ(once.status, 0) << once.err;
    EXPECT_EQ(LostText(text, once.out, false), "");
    EXPECT_FALSE(HasBareLineFeed(once.out));
    WriteFile(home_ / "once.htm", once.out);
    ProcessRun twice = Filter("--format" + args, home_ / "once.htm");
    if (!HasLooseLt(text)) {
      EXPECT_EQ(twice.out, once.out) << "formatting again changed it";
    }
    changed += twice.out != once.out;
  }
  return changed;
}

TEST_F(RobustnessTest, MalformedPagesKeepTheirTextInEveryMode) {
  int changed = 0;
  for (const MalformedPage& page : MalformedPages()) {
    const fs::path input = home_ / (std::string(page.name) + ".htm");
    WriteFile(input, page.make());
    changed += CheckPage(page.name, input);
  }
  std::printf("formatting again changed %d of %zu malformed runs\n", changed,
              3 * MalformedPages().size());
}

// Pages of the Rust documentation on the machine, a few from each part, and our previews.
std::vector<fs::path> RealPages() {
  std::vector<fs::path> pages;
  for (const auto& entry : fs::directory_iterator(SourceDataDir() / "preview"))
    pages.push_back(entry);
  FILE* p = popen("rustc --print sysroot 2>/dev/null", "r");
  char buf[512] = {0};
  std::string root = p && fgets(buf, sizeof buf, p) ? buf : "";
  if (p) pclose(p);
  while (!root.empty() && std::isspace(static_cast<unsigned char>(root.back()))) root.pop_back();
  const fs::path docs = fs::path(root) / "share/doc/rust/html";
  for (const char* part : {"book", "reference", "nomicon", "std/vec", "core/arch", "cargo"}) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(docs / part, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (it->path().extension() == ".html") found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    for (size_t i = 0; i < found.size() && i < 4 * (1 + found.size() / 4); i += 1 + found.size() / 4)
      pages.push_back(found[i]);
  }
  return pages;
}

TEST_F(RobustnessTest, RealPagesKeepTheirTextAndFormatToAFixedPoint) {
  std::vector<fs::path> pages = RealPages();
  ASSERT_GE(pages.size(), 2u);
  for (const fs::path& page : pages) CheckPage(page.string(), page);
  std::printf("checked %zu real pages through the filter\n", pages.size());
}

}  // namespace
}  // namespace tessel::testing
