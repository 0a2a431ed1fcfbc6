#include "window_model/editor_menu.h"

#include <gtest/gtest.h>

#include "session_home.h"

namespace tessel {
namespace {

using testing::ReadFile;
using testing::SessionHome;

const std::string kText = "<div>\r\n<b>bold</b> <i>it</i>\r\n</div>\r\n";

// Whatever an item does, the session's active style stays the one loaded: a style gone or
// unreadable since start-up must not leave another style active for the next run.
TEST(EditorMenuTest, ItemsRunOnTheirStyleAndNeverSwapTheActiveOne) {
  const struct {
    const char* Caption;
    const char* Removed;  // styles/<Removed> taken away first (all of them for "")
    bool Done;
    const char* Text;
    const char* PopUpStyle;  // the settings' PopUpStyleName afterwards
  } cases[] = {
      {"Format selection with: \"html5\"", nullptr, true, "<b>bold</b> <i>it</i>\r\n", "html5"},
      {"Format selection with: \"html5\"", "_default", true, "<b>bold</b> <i>it</i>\r\n", "html5"},
      // A style gone since start-up gives the first style.
      {"Format selection with: \"gone\"", nullptr, true, "<B>bold</B> <I>it</I>\r\n", "_default"},
      {"Format selection with: \"html5\"", "", false, "", "_default"},  // no style at all
      {"Compress Selection", "_default", true, "<B>bold</B> <I>it</I> \r\n", "_default"},
  };
  for (const auto& c : cases) {
    SessionHome home;
    Session& session = *home.session;
    const Style before = session.ActiveStyle();
    const std::string removed = c.Removed ? c.Removed : "";
    if (c.Removed) std::filesystem::remove_all(home / ("styles/" + removed));
    std::filesystem::create_directory(home / "styles");
    const MenuItemResult result = RunMenuItem(session, c.Caption, kText, 7, 30, {});
    EXPECT_EQ(result.Done, c.Done) << c.Caption << " without " << removed;
    EXPECT_EQ(result.Text, c.Text) << c.Caption << " without " << removed;
    EXPECT_EQ(result.Error.empty(), c.Done);
    EXPECT_EQ(session.Settings().PopUpStyleName, c.PopUpStyle);
    const Style& after = session.ActiveStyle();
    EXPECT_EQ(after.Options.StyleName, before.Options.StyleName);
    EXPECT_EQ(after.Options.TagCase, before.Options.TagCase);
    EXPECT_EQ(after.Tags.TagCount, before.Tags.TagCount);
    EXPECT_EQ(ReadFile(home / "0tmp_htm.htm").empty(), !c.Done);
  }
}

// The result is checked as a browser would show it; a warning names the place in the editor.
TEST(EditorMenuTest, WarnsWhereTheResultCouldRenderDifferently) {
  const struct {
    const char* Caption;
    std::string Text;
    std::int64_t Start, End;
    const char* Warning;  // "" for none
  } cases[] = {
      {"Format selection with: \"html5\"", kText, 7, 30, ""},
      {"Compress Selection", kText, 7, 30, ""},
      {"Format selection with: \"html5\"",
       "<div>\r\n\u00e9 <b>x</b><button>y</button>\r\n</div>\r\n", 7, 37,
       "The result could render differently: line 2, column 11: a space is shown between </B> "
       "and <BUTTON>"},
      // Begun inside a line: the columns of the result's first line count from there.
      {"Format selection with: \"html5\"", "<p>\u00e9 <b>x</b><button>y</button></p>\r\n", 3, 31,
       "The result could render differently: line 1, column 14: a space is shown between </B> "
       "and <BUTTON>"},
  };
  for (const auto& c : cases) {
    SessionHome home;
    const MenuItemResult result =
        RunMenuItem(*home.session, c.Caption, c.Text, c.Start, c.End, {});
    ASSERT_TRUE(result.Done) << result.Error;
    EXPECT_EQ(result.RenderWarning, c.Warning) << c.Caption << " of " << c.Text;
  }
}

// A selection is indented as the page would be written (the style's spaces-only option, or
// the page's conventions over it), and its lines end in CR LF, as the editor holds every
// line whatever the page's own line end.
TEST(EditorMenuTest, ASelectionIsIndentedAsThePageIsWritten) {
  const std::string text = "<div>\r\n\t\t<ul><li>a</li><li>b</li></ul>\r\n</div>\r\n";
  const struct {
    bool StyleSpacesOnly;
    std::optional<bool> PageSpaces;  // the page's conventions (.editorconfig, --indent)
    bool Tabs;                       // a TAB in the result's indentation
  } cases[] = {{false, {}, true}, {true, {}, false}, {false, true, false}, {true, false, true}};
  for (const auto& c : cases) {
    SessionHome home;
    if (c.StyleSpacesOnly) {
      const std::string options = ReadFile(home / "styles/_default/options.ini");
      testing::WriteFile(home / "styles/_default/options.ini",
                         options.substr(0, options.find("DoIndentSpacesOnly=0")) +
                             "DoIndentSpacesOnly=1\r\n");
    }
    FileConventions conventions;
    conventions.Eol = LineEnd::Lf;
    conventions.IndentWithSpaces = c.PageSpaces;
    const MenuItemResult result = RunMenuItem(*home.session, "Format selection with: \"_default\"",
                                              text, 7, std::int64_t(text.find("</div>")), {}, conventions);
    ASSERT_TRUE(result.Done) << result.Error;
    EXPECT_EQ(result.Text.find('\t') != std::string::npos, c.Tabs) << result.Text;
    EXPECT_NE(result.Text.find("<LI>"), std::string::npos) << result.Text;
    for (std::size_t at = result.Text.find('\n'); at != std::string::npos;
         at = result.Text.find('\n', at + 1)) {
      EXPECT_EQ(result.Text[at - 1], '\r') << result.Text;
    }
  }
}

}  // namespace
}  // namespace tessel
