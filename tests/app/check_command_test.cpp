// End-to-end runs of --check and --diff: they tell what an in-place run would change and
// change nothing themselves.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "test_support.h"

namespace tessel::testing {
namespace {

namespace fs = std::filesystem;

const std::string kPage =
    "<html>\n<head><title>T</title></head>\n<body>\n<p>one</p>\n"
    "<table><tr><td>x</td></tr></table>\n</body>\n</html>\n";

std::string WithLineEnds(std::string text, const std::string& eol) {
  std::string out;
  for (char c : text) c == '\n' ? out += eol : out += c;
  return out;
}

class CheckCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(SourceDataDir(), home_ / "data", fs::copy_options::recursive);
    WriteFile(site_ / "a.htm", kPage);
    WriteFile(site_ / "sub" / "b.htm", kPage);
    WriteFile(site_ / "sub" / "c.htm", kPage);
    WriteFile(site_ / "page.asp", kPage);
    WriteFile(site_ / "notes.txt", kPage);
    Exec("--format --in-place --no-backup site/sub/b.htm site/sub/c.htm");
    // Formatted, but with LF line ends: an in-place run would still rewrite it.
    std::string formatted = ReadFile(site_ / "sub" / "c.htm");
    std::erase(formatted, '\r');
    WriteFile(site_ / "sub" / "c.htm", formatted);
    fs::create_directories(home_ / "clean");
    fs::copy(site_ / "sub" / "b.htm", home_ / "clean" / "b.htm");
    fs::create_directories(home_ / "empty");
  }

  ProcessRun Exec(const std::string& args) { return RunProgram(home_.path(), home_ / "data", args); }

  // Every file below the home directory with its bytes and time of change.
  std::map<std::string, std::pair<std::string, fs::file_time_type>> Snapshot() {
    std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
    for (const auto& e : fs::recursive_directory_iterator(home_.path())) {
      files[e.path().string()] = {e.is_regular_file() ? ReadFile(e.path()) : "",
                                  fs::last_write_time(e.path())};
    }
    return files;
  }

  TempDir home_;
  fs::path site_ = home_ / "site";
};

TEST_F(CheckCommandTest, ListsExactlyTheFilesThatWouldChangeAndChangesNothing) {
  const auto before = Snapshot();
  ProcessRun r = Exec("--format --check site");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(SortedLines(r.out), (std::vector<std::string>{"site/a.htm", "site/sub/c.htm"}));
  EXPECT_EQ(SortedLines(Exec("--format --check --types 1 site").out),
            (std::vector<std::string>{"site/a.htm", "site/page.asp", "site/sub/c.htm"}));
  EXPECT_EQ(Exec("--format --diff site").status, 1);
  EXPECT_EQ(Exec("--format --diff site/a.htm site/sub/b.htm").status, 1);
  EXPECT_TRUE(before == Snapshot()) << "a file, backup, report or scratch file was written";
}

TEST_F(CheckCommandTest, ExitStatusTellsWhatWouldHappen) {
  struct Case {
    std::string args;
    int status;
  } cases[] = {
      {"--format --check clean", 0},
      {"--format --diff site/sub/b.htm", 0},
      {"--format --check site/sub/b.htm site/notes.txt", 0},  // as in place: not an HTML file
      {"--format --check site", 1},
      {"--format --check site/sub/c.htm", 1},
      {"--format --check", 2},
      {"--format --check site/none.htm", 2},
      {"--format --check site/notes.txt", 2},
      {"--format --check empty", 2},
      {"--format --check clean site/a.htm", 2},
      {"--format --check --style nope site", 2},
      {"--format --check --no-backup site", 2},
      {"--format --check --diff site", 2},
      {"--restore --check site/a.htm", 2},
      {"--trim --diff --style html5 site", 2},
  };
  for (const Case& c : cases) EXPECT_EQ(Exec(c.args).status, c.status) << c.args;

  // A file that cannot be checked makes the answer incomplete, whatever the others show.
  WriteFile(home_ / "clean" / "nul.htm", std::string("<html>\0</html>", 14));
  ProcessRun r = Exec("--format --check clean/nul.htm site/a.htm");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "site/a.htm\n");
  EXPECT_NE(r.err.find("clean/nul.htm: it holds a NUL byte"), std::string::npos) << r.err;
}

// The strongest promise: the diff, applied with patch, gives exactly what the in-place run
// writes, for every mode and whatever the line ends on disk.
TEST_F(CheckCommandTest, DiffPatchesToTheInPlaceResult) {
  for (const char* mode : {"--format", "--compress", "--trim"}) {
    fs::remove_all(site_);
    fs::remove_all(home_ / "patched");
    WriteFile(site_ / "lf.htm", kPage);
    WriteFile(site_ / "crlf.htm", WithLineEnds(kPage, "\r\n"));
    WriteFile(site_ / "cr.htm", WithLineEnds(kPage, "\r"));
    WriteFile(site_ / "sub" / "open end.htm", kPage.substr(0, kPage.size() - 1));
    fs::create_directories(home_ / "patched");
    fs::copy(site_, home_ / "patched" / "site", fs::copy_options::recursive);

    ProcessRun diff = Exec(std::string(mode) + " --diff site");
    ASSERT_EQ(diff.status, 1) << mode << diff.err;
    WriteFile(home_ / "d.patch", diff.out);
    ASSERT_EQ(std::system(("cd '" + (home_ / "patched").string() +
                           "' && patch -s -p1 < ../d.patch > /dev/null")
                              .c_str()),
              0)
        << mode << "\n"
        << diff.out;
    ASSERT_EQ(Exec(std::string(mode) + " --in-place --no-backup site").status, 0) << mode;
    for (const char* page : {"lf.htm", "crlf.htm", "cr.htm", "sub/open end.htm"}) {
      EXPECT_EQ(ReadFile(home_ / "patched" / "site" / page), ReadFile(site_ / page))
          << mode << " " << page;
    }
    EXPECT_EQ(Exec(std::string(mode) + " --check site").status, 0) << mode;
  }
}

}  // namespace
}  // namespace tessel::testing
