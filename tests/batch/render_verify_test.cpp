#include "batch/render_verify.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

// The editor's warning counts the position from where the result stands in the editor: a
// difference on the result's first line is shifted along that line, later ones only down.
TEST(SelectionRenderWarning, PositionsAreTheEditors) {
  const struct {
    std::string Selection, Result;
    std::string Warning;
  } cases[] = {
      {"<p>a<b>x</b></p>", "<p>a<b>x</b></p>", ""},
      {"<div>a</div><div>b</div>", "<div>a</div>\r\n<div>b</div>", ""},
      {"<p>a<b>x</b></p>", "<p>a <b>x</b></p>",
       "The result could render differently: line 10, column 24: a space is shown between \"a\" "
       "and <B>"},
      {"<p>a<b>x</b></p>", "<p>\r\na\r\n<b>x</b></p>",
       "The result could render differently: line 11, column 2: a space is shown between \"a\" "
       "and <B>"},
      {"<p title=\"a\">x</p>", "<p>x</p>",
       "The result could render differently: line 10, column 20: <P> lost its attribute title=\"a\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SelectionRenderWarning(c.Selection, c.Result, 10, 20), c.Warning) << c.Result;
  }
}

TEST(RenderNote, AnUncheckedPageHasNoPosition) {
  const std::string deep = "the result nests its elements too deeply to be checked";
  EXPECT_EQ(RenderNote({RenderDifferenceKind::Unchecked, false, false, 3, 1, deep}),
            "could not be verified: " + deep);
  EXPECT_EQ(RenderNote({RenderDifferenceKind::Text, false, false, 3, 1, "x"}),
            "could render differently: line 3, column 1: x");
}

}  // namespace
}  // namespace tessel
