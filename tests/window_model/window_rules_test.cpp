#include "window_model/window_rules.h"

#include <gtest/gtest.h>

#include <set>

namespace tessel {
namespace {

/// The controls as a row of 0 and 1 in the panels' order: files tree new, format compress
/// trim, restore, options help about, save cancel-all undo, save-as search browser, repaint,
/// and whether the editor takes typing.
std::string Row(const WindowControls& c) {
  std::string row;
  for (bool on :
       {c.Files, c.Tree, c.New, c.Format, c.Compress, c.Trim, c.Restore, c.Options, c.Help, c.About,
        c.Save, c.CancelAll, c.Undo, c.SaveAs, c.Search, c.Browser, c.Repaint, c.EditorWritable})
    row += on ? '1' : '0';
  return row.substr(0, 3) + " " + row.substr(3, 3) + " " + row.substr(6, 1) + " " +
         row.substr(7, 3) + " " + row.substr(10, 3) + " " + row.substr(13, 3) + " " +
         row.substr(16, 2);
}

TEST(WindowRulesTest, ControlsFollowTheSelectionTheSavePointAndTheRun) {
  using K = SelectionKind;
  struct Case {
    WindowSituation in;  // selection, modified, backup exists, colouring, running, read-only
    const char* out;
  } cases[] = {
      {{K::None, false, false, true, false}, "111 000 0 111 000 000 00"},
      {{K::SingleFile, false, true, true, false}, "111 111 1 111 000 111 11"},
      // Unsaved text: saved or dropped before anything else is selected or run.
      {{K::SingleFile, true, true, true, false}, "000 000 0 111 111 111 11"},
      {{K::SingleFile, false, false, false, false}, "111 111 0 111 000 111 01"},
      // A batch: the editor keeps what it showed, but nothing typed there could be saved.
      {{K::Tree, false, true, true, false}, "111 111 1 111 000 000 00"},
      {{K::PickedFiles, true, false, true, false}, "111 111 0 111 000 000 00"},
      // A page that cannot be edited: shown, searched and restored, never written.
      {{K::SingleFile, false, true, true, false, true}, "111 000 1 111 000 011 10"},
      {{K::Tree, false, false, true, false, true}, "111 111 0 111 000 000 00"},
      // A run: nothing that could touch its state.
      {{K::SingleFile, false, true, true, true}, "000 000 0 000 000 000 00"},
      {{K::Tree, false, false, true, true}, "000 000 0 000 000 000 00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Row(ControlsFor(c.in)), c.out)
        << int(c.in.Selection) << " modified " << c.in.Modified << " running " << c.in.Running;
  }
}

TEST(WindowRulesTest, DialogsStartWhereTheUserWorksNeverInTheDataDirectory) {
  const std::set<std::string> dirs = {"/home/u", "/home/u/site", "/home/u/.local/share/th",
                                      "/home/u/.local/share/th/help", "/srv/www"};
  auto isDir = [&](const std::string& d) { return dirs.count(d) > 0; };
  const std::string data = "/home/u/.local/share/th/";
  struct Case {
    std::string remembered, page, home, want;
  } cases[] = {
      {"/srv/www/", "/home/u/site/", "/home/u", "/srv/www"},
      {data, "/home/u/site/", "/home/u", "/home/u/site"},  // the default is no memory
      {"/home/u/.local/share/th/help", "", "/home/u", "/home/u/.local/share/th/help"},
      {"/gone/", "/home/u/site", "/home/u", "/home/u/site"},
      {data, data, "/home/u", "/home/u"},  // a new document lives in the data directory
      {"", "", "/nowhere", "/"},
      {"relative/dir", "", "/home/u", "/home/u"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DialogStartDir(c.remembered, c.page, c.home, data, isDir), c.want)
        << c.remembered << " | " << c.page;
  }
}

TEST(WindowRulesTest, TypedNamesAbsoluteAndHomePaths) {
  struct Case {
    std::string dir, typed;
    std::optional<std::string> want;
  } cases[] = {
      {"/home/u/site", "  new.htm ", "/home/u/site/new.htm"},
      {"/", "a.htm", "/a.htm"},
      {"/home/u/site", "/srv/www/new.htm", "/srv/www/new.htm"},
      {"/srv", "~/site/new.htm", "/home/u/site/new.htm"},
      {"/srv", "~", "/home/u"},
      {"/srv", "~other/x.htm", "/srv/~other/x.htm"},  // no other users' homes
      {"/srv", "sub/x.htm", "/srv/sub/x.htm"},
      {"/srv", "   ", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(TypedPath(c.dir, c.typed, "/home/u/"), c.want) << c.typed;
  // The caption names the path as it will be written, every doubled "/" made one.
  EXPECT_NE(SaveAsCaption("/srv//www/", "a.htm", "/home/u").find("\"/srv/www/a.htm\""),
            std::string::npos);
}

}  // namespace
}  // namespace tessel
