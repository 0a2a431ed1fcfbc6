#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine_fixture.h"

namespace tessel::testing {
namespace {

// The complete worked run: structure tags, a counted table comment, an inline tag and a
// cell that holds text.
TEST(FormatterTest, CompleteRun) {
  Style style;
  style.Options.Spacing = 2;
  style.Options.LineSize = 80;
  style.Options.UseWhileFormat = false;
  TagEntry table = MakeEntry({"<TABLE>", "</TABLE>", false, 0, 1, 2, 1});
  table.DoGenerateSComment = true;
  table.StartComment = "Table";
  table.EnableCounter = true;
  table.CommentLength = 30;
  table.CommentSymbol = "-";
  table.Cindent = true;
  AddEntries(style, {MakeEntry({"<HTML>", "</HTML>"}), MakeEntry({"<BODY>", "</BODY>", false, 0, 1}),
                     table, MakeEntry({"<TR>", "</TR>", false, 0, 1}),
                     MakeEntry({"<B>", "</B>", true, 0, 0, 0, 0})});
  Engine engine(style);
  std::string source = "<html><body>\n<table><tr><td>Hello <b>big</b>\nworld</td></tr></table>\n</body></html>\n";
  EXPECT_EQ(Tokens(engine, source),
            (Lines{"<HTML>", "<BODY>", "<TABLE>", "<TR>", "<TD>", "Hello <B>big</B> world", "</TD>",
                   "</TR>", "</TABLE>", "</BODY>", "</HTML> "}));  // a tag keeps the line break after it
  engine.Format();
  EXPECT_EQ(engine.OutputLines.ToStrings(),
            (Lines{"<HTML>", "<BODY>", "", "  <!--~------- Table1 -------~-->", "  <TABLE>",
                   "    <TR>", "      <TD>", "      Hello <B>big</B> world", "      </TD>",
                   "    </TR>", "  </TABLE>", "</BODY>", "</HTML>"}));
}

}  // namespace
}  // namespace tessel::testing
