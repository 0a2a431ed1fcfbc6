#include "editor/partial_format.h"

#include <gtest/gtest.h>

#include "engine/engine_fixture.h"

namespace tessel {
namespace {

// "[" and "]" mark a selection in a text that holds neither otherwise.
struct Marked {
  std::string Text;
  std::int64_t Start, End;
};
Marked Unmark(std::string text) {
  const std::int64_t start = std::int64_t(text.find('[')), end = std::int64_t(text.find(']')) - 1;
  std::erase(text, '['), std::erase(text, ']');
  return {text, start, end};
}

struct AdjustCase {
  std::string Selected, Widened;  // Widened "": no tag around, nothing changes
  SelectionFit Fit;
};

TEST(AdjustSelectionTest, WidensToWholeTagsAndLines) {
  const std::vector<AdjustCase> cases = {
      {"x <B>bo[ld]</B> y\r\n", "x [<B>bold</B>] y\r\n", {true, true}},
      {"<P>\r\n  <B>bo[ld]</B>  \r\n</P>", "<P>\r\n[  <B>bold</B>  \r\n]</P>", {false, false}},
      {"x [<I>a</I>]\r\n<P>", "x [<I>a</I>\r\n]<P>", {true, false}},
      {"  [<B>a</B>] tail\r\n", "[  <B>a</B>] tail\r\n", {false, true}},
      {"<!-- [a] > b -->\r\nc", "[<!-- a > b -->\r\n]c", {false, false}},
      {"<!-- x <b> [y] -->\r\n", "[<!-- x <b> y -->\r\n]", {false, false}},
      {"a[  <B>x</B>  ]\r\ny", "a[  <B>x</B>  \r\n]y", {true, false}},
      {"<TD cl[]ass=x>y</TD>", "[<TD class=x>]y</TD>", {false, true}},
      {"<P>\r\n[<B>x</B>]   ", "<P>\r\n[<B>x</B>   ]", {false, false}},
      {"[<P>a</P>\r\n]tail", "[<P>a</P>\r\n]tail", {false, false}},
      {"plain [te]xt <b>", "", {}},
      {"<b>x</b> pla[in] text", "", {}},
  };
  for (const AdjustCase& c : cases) {
    const Marked in = Unmark(c.Selected), want = Unmark(c.Widened.empty() ? "[]" : c.Widened);
    EXPECT_EQ(AdjustSelection(in.Text, in.Start, in.End - in.Start),
              c.Widened.empty() ? std::nullopt
                                : std::optional(AdjustedSelection{want.Start, want.End, c.Fit}))
        << c.Selected;
  }
}

// The whole popup operation on the editor's text, as the window runs it.
std::string RunOnSelection(Engine& engine, EngineMode mode, const std::string& marked,
                           const TrimTagList& trimList = {}) {
  const Marked in = Unmark(marked);
  const auto sel = AdjustSelection(in.Text, in.Start, in.End - in.Start);
  if (!sel) return "no tag around";
  const std::string text = in.Text.substr(sel->Start, sel->End - sel->Start);
  const std::string result = ProcessSelection(
      engine, mode, text, SelectionIndentAt(in.Text, sel->Start), sel->Fit, trimList);
  return in.Text.substr(0, sel->Start) + result + in.Text.substr(sel->End);
}

TEST(ProcessSelectionTest, FitsTheResultIntoTheSurroundingLines) {
  Style style;
  style.Options.Spacing = 2;
  style.Options.UseWhileFormat = style.Options.UseWhileCompress = true;  // never in a selection
  testing::AddEntries(style, {testing::MakeEntry({"<DIV>", "</DIV>", false, 0, 1})});
  Engine engine(style);
  const TrimTagList trimA = {{true, "<A>"}, {true, "</A>"}};
  struct Case {
    EngineMode Mode;
    std::string Selected, Result;
  };
  const std::vector<Case> cases = {
      {EngineMode::Format, "<BODY>\r\n    <div>[x]</div>\r\n</BODY>",
       "<BODY>\r\n    <DIV>\r\n      x\r\n    </DIV>\r\n</BODY>"},
      {EngineMode::Format, "  a <div>[y]</div>\r\n", "  a \r\n  <DIV>\r\n    y\r\n  </DIV>\r\n"},
      {EngineMode::Format, "\t<div>[y]</div> tail\r\n",
       "\t<DIV>\r\n\t  y\r\n\t</DIV>\r\n\t tail\r\n"},
      {EngineMode::Compress, "<P>\r\n[  <div>\r\n    a\r\n    b\r\n  </div>\r\n]</P>",
       "<P>\r\n<DIV> a b </DIV> \r\n</P>"},  // line ends read as blanks
      {EngineMode::Trim, "<P>\r\n  [<a href=x>  link  </a>]\r\n</P>",
       "<P>\r\n  <a href=x>link</a>\r\n</P>"},
      {EngineMode::Compress, "x <a>[ y ]</a> z", "x \r\n<A> y </A>\r\n z"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunOnSelection(engine, c.Mode, c.Selected, trimA), c.Result) << c.Selected;
    EXPECT_FALSE(engine.PartialMode);
  }
}

TEST(ProcessSelectionTest, LineEndsOfTheDocumentAndSpacesOnlyIndentation) {
  Style style;
  style.Options.Spacing = 2;
  style.Options.DoIndentSpacesOnly = true;
  style.Options.DoPurgeComments = false;
  testing::AddEntries(style, {testing::MakeEntry({"<DIV>", "</DIV>", false, 0, 1})});
  Engine engine(style);
  const std::string text = "x\n\t<div><!-- a\nb --><div>y</div></div> z\n";
  const std::int64_t start = std::int64_t(text.find("<div>"));
  const std::int64_t end = std::int64_t(text.find(" z"));
  const auto sel = AdjustSelection(text, start, end - start);
  ASSERT_TRUE(sel);
  const std::string selected = text.substr(sel->Start, sel->End - sel->Start);
  const std::string indent = SelectionIndentAt(text, sel->Start);
  EXPECT_EQ(ProcessSelection(engine, EngineMode::Format, selected, indent, sel->Fit, {},
                             LineEnd::Lf),
            "        <DIV>\n<!-- a\nb -->\n          <DIV>\n            y\n"
            "          </DIV>\n        </DIV>\n        ");
  EXPECT_EQ(ProcessSelection(engine, EngineMode::Compress, selected, indent, sel->Fit, {},
                             LineEnd::Lf),
            "<DIV><!-- a\nb --><DIV>y</DIV></DIV>\n        ");
  EXPECT_EQ(engine.OutputLineEnd, LineEnd::CrLf);  // the engine's own is kept
}

TEST(PopupMenuTest, CaptionsAndTheNamesTheyStandFor) {
  std::vector<std::string> styles;
  for (char c = 'a'; c <= 'q'; ++c) styles.push_back(std::string("style ") + c);
  const auto captions = PopupMenuCaptions("html5", styles);
  ASSERT_EQ(captions.size(), 20u);  // the first 15 styles only
  EXPECT_EQ(
      std::vector<std::string>(captions.begin(), captions.begin() + 6),
      (std::vector<std::string>{"Format selection with: \"html5\"", "-", "Compress Selection",
                                "Trim Selection", "-", "Format selection with: \"style a\""}));
  EXPECT_EQ(MenuItemName(captions.back()), "style o");
  EXPECT_EQ(MenuItemName("Compress Selection"), "Compress Selection");
  std::string accented;
  for (int i = 0; i < 120; ++i) accented += "\xC3\xA9";
  EXPECT_EQ(MenuItemName(FormatSelectionCaption(accented)),
            accented.substr(0, 99 * 2));  // 100 with the quote
  EXPECT_EQ(MenuItemMode(MenuItemName(captions[2])), EngineMode::Compress);
  EXPECT_EQ(MenuItemMode(MenuItemName(captions[3])), EngineMode::Trim);
  EXPECT_EQ(MenuItemMode("compress selection"), EngineMode::Format);
}

}  // namespace
}  // namespace tessel
