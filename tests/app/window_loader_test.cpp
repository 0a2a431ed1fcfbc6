#include "app/window_loader.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tessel::testing {
namespace {

TEST(WindowLoaderTest, OnlyTheWindowsCommandLinesOpenIt) {
  TempDir tmp;
  WriteFile(tmp / "page.htm", "<html></html>\n");
  const std::string page = (tmp / "page.htm").string();
  const struct {
    std::vector<std::string> Args;
    bool Window;
  } cases[] = {
      {{}, true},
      {{page}, true},
      {{"-F", page}, true},
      {{"-CF", page}, true},  // not understood: the window starts as without a command line
      {{"-FA", page}, false},
      {{"--format", page}, false},
      {{"--bogus"}, false},
      {{"-h"}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WantsWindow(c.Args), c.Window) << ::testing::PrintToString(c.Args);
  }
}

TEST(WindowLoaderTest, WithoutADisplayTheProgramSaysSo) {
  TempDir tmp;
  ProcessRun run = RunProgram(tmp.path(), SourceDataDir(), "",
                              "DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("no display"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tessel::testing
