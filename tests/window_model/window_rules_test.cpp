#include "window_model/window_rules.h"

#include <gtest/gtest.h>

#include <set>

namespace tessel {
namespace {

TEST(WindowRulesTest, ControlsFollowTheSelectionAndTheSavePoint) {
  using K = SelectionKind;
  struct Case {
    WindowSituation in;
    WindowControls out;  // Select, Process, Restore, SaveCancelUndo, SaveAs.., Repaint, Writable
  } cases[] = {
      {{K::None, false, false, true, false}, {true, false, false, false, false, false, false}},
      {{K::SingleFile, false, true, true, false}, {true, true, true, false, true, true, true}},
      {{K::SingleFile, true, true, true, false}, {false, false, false, true, true, true, true}},
      {{K::SingleFile, false, false, false, false}, {true, true, false, false, true, false, true}},
      {{K::SingleFile, false, false, true, true}, {true, true, false, false, true, true, false}},
      // A batch: the editor keeps what it showed, but nothing typed there could be saved.
      {{K::Tree, false, true, true, false}, {true, true, true, false, false, false, false}},
      {{K::PickedFiles, true, false, true, false}, {true, true, false, false, false, false, false}},
  };
  for (const Case& c : cases) {
    const WindowControls got = ControlsFor(c.in);
    const auto row = [](const WindowControls& w) {
      return std::vector<bool>{w.Select, w.Process, w.Restore, w.SaveCancelUndo,
                               w.SaveAsSearchBrowser, w.Repaint, w.EditorWritable};
    };
    EXPECT_EQ(row(got), row(c.out)) << int(c.in.Selection) << " modified " << c.in.Modified
                                    << " running " << c.in.Running;
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
      {data, "/home/u/site/", "/home/u", "/home/u/site"},          // the default is no memory
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
  EXPECT_EQ(SaveAsCaption("/srv", "~/new.htm", "/home/u"), "Save file as: \"/home/u/new.htm\"");
  EXPECT_EQ(SaveAsCaption("/", "", "/home/u"), "Save file as: \"/\"");
  EXPECT_EQ(SaveAsCaption("/srv//www/", "a.htm", "/home/u"), "Save file as: \"/srv/www/a.htm\"");
}

}  // namespace
}  // namespace tessel
