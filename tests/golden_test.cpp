// Every sample page, formatted and compressed with every shipped style by the program, byte
// for byte as in tests/golden/. A change of layout, however small, shows up here as a diff
// to review; scripts/refresh-golden.sh writes the files the same way this test runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "test_support.h"

namespace tessel::testing {
namespace {

namespace fs = std::filesystem;

const char kRefresh[] = "; run scripts/refresh-golden.sh and review the diff";

std::vector<fs::path> Listed(const fs::path& dir, bool directories) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.is_directory() == directories) found.push_back(entry.path());
  return found;
}

TEST(GoldenTest, SamplePagesInEveryStyleAndMode) {
  const fs::path golden = fs::path(TESSEL_SOURCE_DIR) / "tests" / "golden";
  std::set<std::string> expected;
  TempDir work;
  for (const fs::path& page : Listed(SourceDataDir() / "preview", false)) {
    for (const fs::path& style : Listed(SourceDataDir() / "styles", true)) {
      for (const char* mode : {"format", "compress"}) {
        const std::string name =
            page.stem().string() + "." + style.filename().string() + "." + mode + ".htm";
        SCOPED_TRACE(name);
        expected.insert(name);
        ProcessRun run =
            RunProgram(work.path(), SourceDataDir(),
                       std::string("--") + mode + " --style " + style.filename().string() + " '" +
                           page.string() + "'",
                       "SOURCE_DATE_EPOCH=1796475900");  // as in scripts/refresh-golden.sh
        ASSERT_EQ(run.status, 0) << run.err;
        if (!fs::exists(golden / name)) {
          ADD_FAILURE() << "no golden file" << kRefresh;
          continue;
        }
        EXPECT_TRUE(run.out == ReadFile(golden / name)) << "output differs" << kRefresh;
      }
    }
  }
  EXPECT_GE(expected.size(), 12u);
  for (const fs::path& file : Listed(golden, false)) {
    const std::string name = file.filename().string();
    EXPECT_TRUE(name.starts_with(".") || expected.count(name))
        << name << " belongs to no sample page and style" << kRefresh;
  }
}

}  // namespace
}  // namespace tessel::testing
