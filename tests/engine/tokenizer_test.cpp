#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine_fixture.h"

namespace tessel::testing {
namespace {

struct TokenCase {
  const char* name;
  std::string source;
  Lines tokens;
  Lines blocks = {};
};

// Styles: <B> As Text without line breaks, <P> As Text that breaks, nothing else.
Style TokenizerStyle() {
  Style style;
  AddEntries(style, {MakeEntry({"<B>", "</B>", true, 0, 0, 0, 0}),
                     MakeEntry({"<P>", "</P>", true, 0, 0, 1, 1})});
  return style;
}

void PrintTo(const TokenCase& c, std::ostream* os) { *os << c.name; }

class TokenizerTest : public ::testing::TestWithParam<TokenCase> {};

TEST_P(TokenizerTest, SplitsIntoTokenAndBlockLines) {
  const TokenCase& c = GetParam();
  Style style = TokenizerStyle();
  Engine engine(style);
  EXPECT_EQ(Tokens(engine, c.source), c.tokens);
  EXPECT_EQ(engine.BlockList.ToStrings(), c.blocks);
  for (size_t i = 0; i < engine.TokenList.size(); ++i) {  // only markers carry a number
    if (!engine.TokenList[i].starts_with("###<")) {
      EXPECT_EQ(engine.TokenList.Tag(i), 0u) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TokenizerTest,
    ::testing::Values(
        TokenCase{"Empty", "", Lines{}},
        TokenCase{"StandAloneBetweenText", "Hello<BR>World\n", Lines{"Hello", "<BR>", "World "}},
        TokenCase{"AsTextStaysInLine", "a <b>bold</b> word", Lines{"a <B>bold</B> word"}},
        TokenCase{"CaseStopsAtFirstSpace", "<  table   border=1 >", Lines{"<table border=1>"}},
        TokenCase{"GtInsideQuotesEndsTag", "<a title=\"x>y\">z</a>",
                  Lines{"<A title=\"x>", "y\">z", "</A>"}},
        TokenCase{"TagSplitOverLines", "<TABLE\n  border=1>", Lines{"<TABLE border=1>"}},
        TokenCase{"CommentKeptRaw", "x<!-- a\n\tb  c\n d -->y", Lines{"x", "###<!--:1", "y"},
                  Lines{"###<!--:1", "<!-- a", "\tb  c", " d -->"}},
        // Our own comment goes, and the text around it stays one text.
        TokenCase{"OwnCommentDropped", "a<!--~ old ~-->b\n<!--~ x ~-->c", Lines{"ab c"}},
        TokenCase{"TextlessCellIsBlock", "<TD><IMG src=a.gif></TD>x", Lines{"###<TD>:1", "x"},
                  Lines{"###<TD>:1", "<TD><IMG src=a.gif></TD>"}},
        TokenCase{"CellWithTextIsNot", "<TD> text </TD>", Lines{"<TD>", "text ", "</TD>"}},
        TokenCase{"CellWithSpaceIsNot", "<TD><IMG src=a.gif> </TD>",
                  Lines{"<TD>", "<IMG src=a.gif> ", "</TD>"}},
        TokenCase{"CellNamesChangeCaseNotAttributes", "<td\tclass=Big><img\nsrc=A.gif></td>",
                  Lines{"###<TD>:1"}, Lines{"###<TD>:1", "<TD class=Big><IMG src=A.gif></TD>"}},
        TokenCase{"ClosingTextsAnyCase", "<pre>a</pre><SCRIPT>b</Script>z",
                  Lines{"###<PRE>:1", "###<SCRIPT>:2", "z"},
                  Lines{"###<PRE>:1", "<pre>a</pre>", "###<SCRIPT>:2", "<SCRIPT>b</Script>"}},
        TokenCase{"TextAfterLastTagKept", "a<B>x</B>y", Lines{"a<B>x</B>y"}},
        TokenCase{"LoneLtAtEnd", "text<", Lines{"text", "<>"}},
        TokenCase{"LoneCrIsNoBreak", "a\rb\n\r", Lines{"a\rb \r"}},
        TokenCase{"BreakingAsTextStartsAndEndsLine", "x<p>one <b>two</b></p>y",
                  Lines{"x", "<P>one <B>two</B></P>", "y"}},
        TokenCase{"FoldedAngleRuns", "<<<b>>>", Lines{"<B>", ">>"}},
        TokenCase{"UnclosedBlockRunsToEnd", "<pre>a\nb\n", Lines{"###<PRE>:1"},
                  Lines{"###<PRE>:1", "<pre>a", "b"}},
        // Text and block lines that look like markers are ordinary lines.
        TokenCase{"HashTextIsText", "### one\n<pre>\n###<PRE>:1\n</pre>",
                  Lines{"### one ", "###<PRE>:1"},
                  Lines{"###<PRE>:1", "<pre>", "###<PRE>:1", "</pre>"}},
        // A comment that merely starts like ours is a user's comment and stays.
        TokenCase{"OwnLookalikeKept", "<!--~ a -->b<!--~c~-->", Lines{"###<!--:1", "b"},
                  Lines{"###<!--:1", "<!--~ a -->"}},
        TokenCase{"UnclosedOwnCommentKept", "a<!--~ no end\nmore", Lines{"a", "###<!--:1"},
                  Lines{"###<!--:1", "<!--~ no end", "more"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Text pending before a block whose tag is As Text goes out as one text line: words on
// either side of a paragraph break stay apart, and no token line holds a line feed (that
// gave files with two kinds of line end).
TEST(TokenizerTest, TextBeforeAsTextBlockIsOneLine) {
  Style style;
  AddEntries(style, {MakeEntry({"<TD>", "</TD>", true, 0, 0, 0, 0}),
                     MakeEntry({"<I>", "</I>", true, 0, 0, 0, 0})});
  Engine engine(style);
  EXPECT_EQ(Tokens(engine, "one\n\n  two\tthree \n <td><img src=a.gif></td>"),
            (Lines{"one two three ", "###<TD>:1"}));
  EXPECT_EQ(Tokens(engine, "<i>\n\nx<td></td>"), (Lines{"<I> x", "###<TD>:1"}));
}

// The engine keeps what it learned about tag names from file to file; a style edited in
// between must be seen at once.
TEST(TokenizerTest, TagMemoFollowsAnEditedStyle) {
  Style style;
  AddEntries(style, {MakeEntry({"<B>", "</B>", true, 0, 0, 0, 0})});
  Engine engine(style);
  EXPECT_EQ(Tokens(engine, "a <b>x</b> c"), (Lines{"a <B>x</B> c"}));
  style.Tags.Entry(1).TreatAsText = false;
  EXPECT_EQ(Tokens(engine, "a <b>x</b> c"), (Lines{"a ", "<B>", "x", "</B> ", "c"}));
  style.Tags.Entry(1).TagOpen = "<I>";
  style.Tags.Entry(1).TagClose = "</I>";
  style.Tags.Entry(1).TreatAsText = true;
  EXPECT_EQ(Tokens(engine, "a <i>x</i> <b>"), (Lines{"a <I>x</I> ", "<B>"}));
}

}  // namespace
}  // namespace tessel::testing
