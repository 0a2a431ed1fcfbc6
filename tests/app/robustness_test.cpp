// The filter as a process on hand-made malformed pages: it exits 0 in time, keeps the text
// in every mode and with every shipped style, and formatting its own output changes nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/line_ends.h"
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

// Name and text of each page.
std::vector<std::pair<const char*, std::string>> MalformedPages() {
  return {
      {"unclosed_tags", "<html><body><div><p>text <b>bold<td>cell<a href=x"},
      {"unclosed_comment", "<p>a</p>\n<!-- never closed\n<p>b</p>\n"},
      {"stray_angles", "a < b and c > d; x<<y>>z; <> < > >>\n<p>1 < 2</p> >\n"},
      {"gt_in_quotes",
       "<a title=\"x>y\" href='a>b'>link</a> <img alt=\"1 > 0\"> <p class=\"a>\">t"},
      {"mixed_line_ends", "<p>a\r\nb\nc\rd</p>\r\n<div>\n</div>\r<pre>\r\n x\r y\n</pre>"},
      {"cr_only", "<html>\r<body>\r<p>one\rtwo</p>\r<pre>\r a\r</pre>\r</body>\r</html>\r"},
      {"one_mb_line", Repeat("<span class=w>word</span> text, <b>more</b> ", 24000)},
      {"one_mb_unclosed_lt", "<p>start</p><a href=\"" + Repeat("x y ", 260000)},
      {"deep_nesting",
       Repeat("<div><table><tr><td>", 5000) + "deep" + Repeat("</td></tr></table></div>", 5000)},
      // Template lines between table cells: raw text before a text-less cell.
      {"template_between_cells",
       "<table><tr>\n  <td>{{ v }}</td>\n  {% endfor %}\n\n  {% if x %}\n  <td></td>\n"
       "  {% endif %}\n</tr></table>\n"},
      {"server_blocks",
       "<% if x > 1 then %>\n<p>a</p><%= y %>\n<?php echo '<b>'; if ($a<$b) {} ?>\n"
       "<jsp:include page=\"a.jsp\"/><%@ page import=\"java.util.*\" %>\n<%-- c --%>"},
      {"windows_1252",
       "<p>Gr\xFC\xDF"
       "e \x80 caf\xE9 \xC4\xD6\xDC \xE4\xF6\xFC</p>\n<TD>\xC4</TD>"},
      {"utf8",
       "<p>Gr\xC3\xBC\xC3\x9F"
       "e \xE2\x82\xAC \xC3\x84\xC3\x96 \xE6\x97\xA5</p><td>\xC3\x84</td>"},
      {"utf8_bom",
       "\xEF\xBB\xBF<!DOCTYPE html>\n<html><head><title>t</title></head>\n"
       "<body><p>x</p></body></html>\n"},
      {"own_comment_lookalikes",
       "<!--~ keep -->a<!--~ drop ~-->b<!--~ unclosed\n###<PRE>:1\n### text"},
  };
}

// Exit 0, the text kept in every mode and with every style, CR LF line ends; formatting the
// result again changes nothing, unless a loose "<" gets tidied into another tag.
TEST(RobustnessTest, MalformedPagesKeepTheirTextInEveryMode) {
  TempDir work;
  // A page that takes more than a minute, even in a sanitizer build, does not finish in time.
  auto filter = [&](const std::string& args, const fs::path& input) {
    return RunProgram(work.path(), SourceDataDir(), args + " '" + input.string() + "'",
                      "SOURCE_DATE_EPOCH=1796000000", 60);
  };
  for (const auto& [name, page] : MalformedPages()) {
    SCOPED_TRACE(name);
    const fs::path input = work / (std::string(name) + ".htm");
    WriteFile(input, page);
    const std::string text = NormalizeLineEnds(page, nullptr);
    ProcessRun trim = filter("--trim", input);
    EXPECT_EQ(trim.status, 0) << trim.err;
    EXPECT_EQ(TrimDamage(text, NormalizeLineEnds(trim.out, nullptr)), "");
    for (const char* styleName : {"_default", "html5", "documented"}) {
      SCOPED_TRACE(styleName);
      const std::optional<LoadedStyle> style = StyleLibrary(SourceDataDir() / "styles").Load(styleName);
      ASSERT_TRUE(style);
      const std::string args = std::string(" --style ") + styleName;
      ProcessRun compress = filter("--compress" + args, input);
      EXPECT_EQ(compress.status, 0) << compress.err;
      EXPECT_EQ(LostText(text, compress.out, style->Value.Options.DoPurgeComments), "");

      ProcessRun once = filter("--format" + args, input);
      EXPECT_EQ(once.status, 0) << once.err;
      EXPECT_EQ(LostText(text, once.out, false), "");
      EXPECT_FALSE(HasBareLineFeed(once.out));
      WriteFile(work / "once.htm", once.out);
      if (!HasLooseLt(text)) {
        EXPECT_TRUE(filter("--format" + args, work / "once.htm").out == once.out)
            << "formatting again changed it";
      }
    }
  }
}

}  // namespace
}  // namespace tessel::testing
