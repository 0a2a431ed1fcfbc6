#include "app/program_dir.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class ProgramDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(installed / "trim.ini", "shipped trim");
    WriteFile(installed / "styles" / "Default" / "tag.ini", "shipped tags");
    fs::create_directories(portable / "styles");
    fs::create_directories(mine);
    fs::create_directories(tmp / "bare");
    fs::create_directories(tmp / "mine2");
    fs::copy(installed, built, fs::copy_options::recursive);
  }
  TempDir tmp;
  fs::path installed = tmp / "installed", portable = tmp / "portable", mine = tmp / "mine";
  std::string home = (tmp / "home").string(), xdg = (tmp / "xdg").string();
  fs::path bin = tmp / "bin";  // an executable directory without styles/
  fs::path built = tmp / "built";  // a build directory with the shipped data beside it
};

TEST_F(ProgramDirTest, ChoosesInOrderAndSeedsTheUserDirectory) {
  const fs::path none;  // an error is expected
  const struct {
    const char* Name;
    ProgramDirInputs In;
    fs::path Expected;
  } cases[] = {
      {"TESSEL_HTML_HOME first, filled while it has no styles",
       {mine.string(), xdg, home, bin, installed},
       mine},
      {"TESSEL_HTML_HOME without any defaults, as it is",
       {(tmp / "bare").string(), xdg, home, bin, tmp / "nosuch"},
       tmp / "bare"},
      // Run from its build: the data beside the program stands in for the installed one.
      {"TESSEL_HTML_HOME filled from a build's data",
       {(tmp / "mine2").string(), xdg, home, built, tmp / "nosuch"},
       tmp / "mine2"},
      {"then a portable layout", {"", xdg, home, portable, installed}, portable},
      {"then XDG_DATA_HOME", {"", xdg, home, bin, installed}, tmp / "xdg" / "tessel-html"},
      {"relative XDG_DATA_HOME ignored",
       {"", "rel", home, bin, installed},
       tmp / "home" / ".local" / "share" / "tessel-html"},
      {"TESSEL_HTML_HOME missing",
       {(tmp / "nosuch").string(), "", home, portable, installed},
       none},
      {"no HOME", {"", "", "", bin, installed}, none},
      {"no installed defaults", {"", (tmp / "x2").string(), home, bin, tmp / "nosuch"}, none},
  };
  for (const auto& c : cases) {
    std::string err;
    std::optional<fs::path> dir = ResolveProgramDir(c.In, &err);
    EXPECT_EQ(dir.value_or(none), c.Expected) << c.Name;
    EXPECT_EQ(err.empty(), dir.has_value()) << c.Name << ": " << err;
    if (dir && c.Expected != tmp / "bare" && c.In.ExecutableDir != portable) {
      EXPECT_EQ(ReadFile(*dir / "trim.ini"), "shipped trim") << c.Name;
      EXPECT_EQ(ReadFile(*dir / "styles" / "Default" / "tag.ini"), "shipped tags") << c.Name;
    }
  }
}

TEST_F(ProgramDirTest, SeedingNeverReplacesAUsersFileAndRunsOnlyWhileStylesAreMissing) {
  const fs::path user = tmp / "xdg" / "tessel-html";
  WriteFile(user / "trim.ini", "my own trim");
  const ProgramDirInputs in{"", xdg, home, bin, installed};
  std::string err;
  ASSERT_TRUE(ResolveProgramDir(in, &err)) << err;
  EXPECT_EQ(ReadFile(user / "trim.ini"), "my own trim");
  EXPECT_EQ(ReadFile(user / "styles" / "Default" / "tag.ini"), "shipped tags");

  fs::remove(user / "styles" / "Default" / "tag.ini");  // the user's choice, kept
  ASSERT_TRUE(ResolveProgramDir(in, &err)) << err;
  EXPECT_FALSE(fs::exists(user / "styles" / "Default" / "tag.ini"));
}

}  // namespace
}  // namespace tessel
