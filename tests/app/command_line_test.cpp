#include "app/command_line.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::WriteFile;

TEST(CommandLineTest, OptionsModesAndRejectedCommandLines) {
  TempDir tmp;
  WriteFile(tmp / "page.htm", "<!DOCTYPE html>\n<html><body>x</body></html>\n");
  WriteFile(tmp / "notag.htm", "<!DOCTYPE html>\n<body>x</body>\n");
  WriteFile(tmp / "notes.txt", "<html>");
  const std::string page = (tmp / "page.htm").string();
  const std::string dir = tmp.path().string();
  using C = CmdLineKind;
  using P = ProcessKind;
  const struct {
    std::vector<std::string> Args;
    CmdLineKind Mode;
    ProcessKind Process;
    std::string Options;
    bool Backup, Trim;
    std::string Why;  // in NotOpened, which the status line shows
  } cases[] = {
      {{"page.htm"}, C::Open, P::None, "", false, false, ""},
      {{"-F", "page.htm"}, C::Open, P::Format, "-F", false, false, ""},
      {{"-fab", "page.htm"}, C::Automatic, P::Format, "-FAB", true, false, ""},
      {{"-CT", "page.htm"}, C::Open, P::Compress, "-CT", false, true, ""},
      {{"-TA", "page.htm"}, C::Automatic, P::Trim, "-TA", false, true, ""},
      {{"-FXYZ", page}, C::Open, P::Format, "-FXYZ", false, false, ""},
      {{"-CF", "page.htm"}, C::None, P::None, "", false, false, "both C and F"},
      {{"-B", "page.htm"}, C::None, P::None, "", false, false, "no mode"},
      {{"-", "page.htm"}, C::None, P::None, "", false, false, "no mode"},
      {{"F", "page.htm"}, C::None, P::None, "", false, false, "begin with \"-\""},
      {{"-FA", "notag.htm"}, C::None, P::None, "", false, false, "notag.htm has no <HTML> tag"},
      {{"notag.htm"}, C::None, P::None, "", false, false, "notag.htm has no <HTML> tag"},
      {{"-F", "notes.txt"}, C::None, P::None, "", false, false, "not an HTML file"},
      {{"-F", "-A", "page.htm"}, C::None, P::None, "", false, false, "one file"},
      {{}, C::None, P::None, "", false, false, ""},
      {{"-F", "gone.htm"}, C::None, P::None, "", false, false, "gone.htm does not exist"},
      {{"-F", "."}, C::None, P::None, "", false, false, "is not a file"},
  };
  for (const auto& c : cases) {
    const std::string name = ::testing::PrintToString(c.Args);
    const CommandLine cmd = ParseCommandLine(c.Args, dir);
    EXPECT_EQ(cmd.CmdLineMode, c.Mode) << name;
    EXPECT_EQ(cmd.ProcessMode, c.Process) << name;
    EXPECT_EQ(cmd.Options, c.Options) << name;
    EXPECT_EQ(cmd.Backup, c.Backup) << name;
    EXPECT_EQ(cmd.Trim, c.Trim) << name;
    EXPECT_EQ(cmd.File, c.Mode == C::None ? "" : page) << name;
    EXPECT_EQ(cmd.NotOpened.empty(), c.Why.empty()) << name;
    EXPECT_NE(cmd.NotOpened.find(c.Why), std::string::npos) << name << ": " << cmd.NotOpened;
  }
}

TEST(CommandLineTest, LongPathNameIsAbsoluteWithListedNames) {
  TempDir tmp;
  WriteFile(tmp / "Site" / "Page.htm", "<html>");
  const std::string root = tmp.path().string();
  const struct {
    std::string In, Out;
  } cases[] = {
      {"Site/Page.htm", root + "/Site/Page.htm"},
      {"./Site/../Site//Page.htm", root + "/Site/Page.htm"},
      {root + "/Site/Page.htm", root + "/Site/Page.htm"},
      {"Site/new/x.htm", root + "/Site/new/x.htm"},  // not there: as typed
  };
  for (const auto& c : cases) EXPECT_EQ(LongPathName(c.In, root), c.Out) << c.In;
}

}  // namespace
}  // namespace tessel
