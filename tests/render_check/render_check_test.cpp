// The rendering comparison on small pages: what renders the same passes, and every kind of
// difference is found, named and placed in the result.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "render_check/render_check.h"

namespace tessel {
namespace {

struct Same {
  const char* label;
  const char* original;
  const char* result;
};
// Test names show the label, not the bytes of the case.
void PrintTo(const Same& c, std::ostream* os) { *os << c.label; }

class RendersTheSame : public ::testing::TestWithParam<Same> {};

TEST_P(RendersTheSame, NoDifference) {
  const Same& c = GetParam();
  std::vector<RenderDifference> found = RenderCheck::Compare(c.original, c.result);
  EXPECT_TRUE(found.empty()) << DescribeDifference(found.front());
}

INSTANTIATE_TEST_SUITE_P(
    Pages, RendersTheSame,
    ::testing::Values(
        Same{"blocks_re_laid_out", "<div><p>a</p><p>b <i>c</i></p></div>",
             "<DIV>\n    <P>\n        a\n    </P>\n\n    <P>b <I>c</I></P>\n</DIV>\n"},
        Same{"list_and_table", "<ul><li>a</li><li>b</li></ul><table><tr><td>x</td><td>y</td></tr></table>",
             "<ul>\n  <li>a</li>\n  <li>b</li>\n</ul>\n<table>\n\t<tr>\n\t\t<td> x </td>\n"
             "\t\t<td>\ny\n</td>\n\t</tr>\n</table>"},
        Same{"head", "<html><head><title>T  x</title><meta charset=utf-8><link rel=a></head>",
             "<HTML>\n<HEAD>\n  <TITLE>\n T x </TITLE>\n  <META charset=utf-8>\n"
             "  <LINK rel=a>\n</HEAD>"},
        Same{"names_and_attributes", "<a href=x class=y>t</a>",
             "<A CLASS=\"y\"\n   HREF='x'>t</A>"},
        Same{"comments_are_no_content", "<p>a<!-- one -->b</p><!DOCTYPE html>",
             "<!--~ written by us ~-->\n<p>a<!--~ ours ~-->b<!-- another --></p><!DOCTYPE html>"},
        Same{"line_ends_at_br", "a<br>b<br />c", "a \n<BR>\n b\n<BR>c"},
        Same{"whitespace_runs_collapse", "x <b> y</b>z  w", "x\n<b>y</b>z\n\t w"},
        Same{"hidden_elements_let_spaces_collapse", "a <script>s()</script> b",
             "a <script>s()</script>b"},
        Same{"pre_kept_while_the_rest_moves", "<p>x</p><pre> a\n  b</pre>",
             "<P>\n  x\n</P>\n<PRE>\n a\n  b</PRE>"},
        Same{"entities_and_windows_1252", "<p>&auml; \xE4 &nbsp;x</p>", "<P>\n&auml;\n\xE4\n&nbsp;x</P>"},
        // A style's comment text that is no UTF-8 does not make a UTF-8 page another encoding.
        Same{"result_read_as_its_original", "<p>\xC3\xA4</p>", "<!--~ \xC3 ~-->\n<p>\xC3\xA4</p>"}),
    [](const ::testing::TestParamInfo<Same>& info) { return std::string(info.param.label); });

struct Found {
  const char* label;
  const char* original;
  const char* result;
  RenderDifferenceKind kind;
  bool whitespaceOnly;
  int64_t line, column;
  const char* what;
};
void PrintTo(const Found& c, std::ostream* os) { *os << c.label; }

class FindsTheDifference : public ::testing::TestWithParam<Found> {};

TEST_P(FindsTheDifference, NamedAndPlaced) {
  const Found& c = GetParam();
  std::vector<RenderDifference> found = RenderCheck::Compare(c.original, c.result);
  ASSERT_EQ(found.size(), 1u);
  const RenderDifference& d = found.front();
  EXPECT_EQ(d.What, c.what);
  EXPECT_EQ(d.Kind, c.kind);
  EXPECT_EQ(d.WhitespaceOnly, c.whitespaceOnly);
  EXPECT_EQ(d.Line, c.line);
  EXPECT_EQ(d.Column, c.column);
}

using K = RenderDifferenceKind;
INSTANTIATE_TEST_SUITE_P(
    Pages, FindsTheDifference,
    ::testing::Values(
        Found{"space_between_links", "<p><a>x</a><a>y</a></p>", "<p>\n  <a>x</a>\n  <a>y</a>\n</p>",
              K::Space, true, 2, 11, "a space is shown between </A> and <A>"},
        Found{"space_between_images", "<img src=a><img src=b>", "<IMG src=a>\r\n<IMG src=b>",
              K::Space, true, 1, 12, "a space is shown between <IMG> and <IMG>"},
        Found{"space_between_word_and_tag", "<p><b>bold</b>er</p>", "<p><b>bold</b>\ner</p>",
              K::Space, true, 1, 15, "a space is shown between </B> and \"er\""},
        Found{"space_gone", "a <b>b</b>", "a<b>b</b>", K::Space, true, 1, 2,
              "the space between \"a\" and <B> is gone"},
        Found{"space_inside_text", "<p>foo bar</p>", "<p>foobar</p>", K::Space, true, 1, 7,
              "the space between \"foo\" and \"bar\" is gone"},
        Found{"text", "<p>one\ntwo three</p>", "<p>one\n two thee</p>", K::Text, false, 2, 8,
              "the text reads \"one two thee\" where the original has \"one two three\""},
        Found{"pre_spacing", "<pre>a  b</pre>", "<pre>a b</pre>", K::Verbatim, true, 1, 8,
              "the text of <PRE> reads \"a b\" where the original has \"a  b\""},
        Found{"script", "<script>if(a<b)x()</script>", "<script>if(a<c)x()</script>", K::Verbatim,
              false, 1, 14, "the text of <SCRIPT> reads \"if(a<c)x()\" where the original has "
                            "\"if(a<b)x()\""},
        Found{"attribute_value", "<a href=x title=\"a b\">t</a>", "<a href=x title=\"a  b\">t</a>",
              K::Attribute, true, 1, 11,
              "the attribute title of <A> reads \"a  b\" where the original has \"a b\""},
        Found{"attribute_lost", "<p><img src=a alt=b></p>", "<p>\n<img src=a></p>", K::Attribute,
              false, 2, 1, "<IMG> lost its attribute alt=\"b\""},
        Found{"attribute_new", "<p>x</p>", "<p title=t>x</p>", K::Attribute, false, 1, 4,
              "<P> has a new attribute title=\"t\""},
        Found{"element_renamed", "<p><b>x</b></p>", "<p><i>x</i></p>", K::Element, false, 1, 4,
              "<I> stands where the original has <B>"},
        Found{"element_added", "<p>x</p>", "<p><span>x</span></p>", K::Element, false, 1, 4,
              "<SPAN> was added"},
        Found{"element_missing", "<div><hr></div>", "<div></div>", K::Element, false, 1, 6,
              "<HR> is missing"},
        Found{"doctype", "<!DOCTYPE html><p>x", "<p>x", K::Doctype, false, 1, 1,
              "the document type is none where the original has <!DOCTYPE html>"},
        Found{"windows_1252_letter", "<p>gr\xFC\xDF</p>", "<p>gr\xFC\xDE</p>", K::Text, false, 1, 7,
              "the text reads \"gr\xC3\xBC\xC3\x9E\" where the original has \"gr\xC3\xBC\xC3\x9F\""},
        Found{"column_counts_characters", "<p>\xC3\xA4<b>x</b></p>",
              "<p>\xC3\xA4\n<b>x</b></p>", K::Space, true, 1, 5,
              "a space is shown between \"\xC3\xA4\" and <B>"}),
    [](const ::testing::TestParamInfo<Found>& info) { return std::string(info.param.label); });

TEST(RenderCheckTest, KeepsGoingAfterSpacesAndStopsAtStructure) {
  const std::string original = "<p><a>1</a><a>2</a><a>3</a></p><p>x</p><ul><li>y</ul>";
  const std::string result = "<p><a>1</a> <a>2</a> <a>3</a></p><p>z</p><ol><li>y</ol><p>!";
  std::vector<RenderDifference> all = RenderCheck::Compare(original, result);
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0].Column, 12);
  EXPECT_EQ(all[1].Column, 21);
  EXPECT_EQ(all[2].Kind, K::Text);
  EXPECT_EQ(all[3].What, "<OL> stands where the original has <UL>");
  EXPECT_EQ(RenderCheck::Compare(original, result, 2).size(), 2u);
  EXPECT_EQ(RenderCheck::First(original, result)->Column, 12);
  EXPECT_FALSE(RenderCheck::First(original, original));
  EXPECT_EQ(DescribeDifference(all[0]), "line 1, column 12: a space is shown between </A> and <A>");
}

// A page that only deep nesting could make slow to parse is reported, not parsed.
TEST(RenderCheckTest, RefusesPathologicalNesting) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<div>x";
  std::vector<RenderDifference> found = RenderCheck::Compare("<p>x</p>", deep);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Kind, K::Unchecked);
  EXPECT_EQ(found[0].What, "the result nests its elements too deeply to be checked");
  // Unclosed paragraphs, cells and list items are siblings, not nesting.
  std::string flat = "<table>";
  for (int i = 0; i < 30000; ++i) flat += "<tr><td>a<td><p>b<li>c";
  EXPECT_TRUE(RenderCheck::Compare(flat, flat).empty());
}

}  // namespace
}  // namespace tessel
