// How the engine writes its result: the line end after each line and the characters of an
// indentation.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine_fixture.h"

namespace tessel::testing {
namespace {

Style Nested(int spacing, bool spacesOnly) {
  Style s;
  s.Options.Spacing = spacing;
  s.Options.DoIndentSpacesOnly = spacesOnly;
  AddEntries(
      s, {MakeEntry({"<DIV>", "</DIV>", false, 0, 1}), MakeEntry({"<TD>", "</TD>", false, 1, 0})});
  return s;
}

TEST(OutputFormTest, IndentationTakesTabsOrSpacesAsAsked) {
  const std::string source = "<div><div><div><div>x</div></div></div></div>";
  struct Case {
    int Spacing;
    bool StyleSpaces;
    std::optional<bool> Override;
    int TabWidth;
    std::string Deepest;  // the indentation of "x", four levels down
  };
  const Case cases[] = {
      {3, false, std::nullopt, 8, "\t    "},             // the designed TABs for 8 columns
      {3, true, std::nullopt, 8, std::string(12, ' ')},  // the style's spaces only
      {3, true, false, 8, "\t    "},                     // an .editorconfig says tab
      {3, false, true, 8, std::string(12, ' ')},         // an .editorconfig says space
      {3, false, std::nullopt, 4, "\t\t\t"},             // a TAB of 4 columns
      {2, false, std::nullopt, 3, "\t\t  "},
  };
  for (const Case& c : cases) {
    Style style = Nested(c.Spacing, c.StyleSpaces);
    Engine engine(style);
    engine.IndentWithSpaces = c.Override;
    engine.TabWidth = c.TabWidth;
    const Lines out = Output(engine, EngineMode::Format, source);
    ASSERT_EQ(out.size(), 9u);
    EXPECT_EQ(out[4], c.Deepest + "x") << c.Spacing << " " << c.TabWidth;
    if (!c.Override.value_or(c.StyleSpaces)) continue;
    for (const std::string& line : out) EXPECT_EQ(line.find('\t'), std::string::npos) << line;
  }
}

TEST(OutputFormTest, SpacesOnlyFormattingIsStable) {
  Style style = Nested(2, true);
  style.Tags.Entry(1).DoGenerateSComment = style.Tags.Entry(1).Cindent = true;
  style.Tags.Entry(1).StartComment = "div";
  Engine engine(style);
  const Lines first =
      Output(engine, EngineMode::Format,
             "<div>\ttext <div>\t<td> cell\ttext </td>\n<div>deep</div></div></div>");
  for (const std::string& line : first) {
    const size_t text = line.find_first_not_of(' ');
    EXPECT_TRUE(text == std::string::npos || line[text] != '\t') << line;
  }
  ExpectOutput(
      engine, EngineMode::Format,
      [&] {
        std::string again;
        for (const std::string& line : first) again += line + "\n";
        return again;
      }(),
      first);
}

TEST(OutputFormTest, EveryLineEndsAsAsked) {
  Style style;
  style.Options.DoPurgeComments = false;
  Engine engine(style);
  for (LineEnd end : {LineEnd::CrLf, LineEnd::Lf, LineEnd::Cr}) {
    engine.OutputLineEnd = end;
    const std::string eol(LineEndBytes(end));
    engine.Process(EngineMode::Compress, "a<!-- 1\n2 -->b\n<pre>\nx\n</pre>\n");
    EXPECT_EQ(engine.OutputBytes(),
              "a<!-- 1" + eol + "2 -->b " + eol + "<pre>" + eol + "x" + eol + "</pre>" + eol);
    engine.Process(EngineMode::Trim, "a\nb\n");
    EXPECT_EQ(engine.OutputBytes(), "a" + eol + "b" + eol);
  }
}

}  // namespace
}  // namespace tessel::testing
