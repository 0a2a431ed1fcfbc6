// The preview of a run: the files --check lists, diffs that patch to what the run writes,
// and nothing written, whether it runs to the end or is cancelled.
#include "app/change_preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/session.h"
#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::ProcessRun;
using testing::ReadFile;
using testing::SortedLines;
using testing::RunProgram;
using testing::Snapshot;
using testing::TempDir;
using testing::WriteFile;

const std::string kPage =
    "<html>\n<head><title>T</title></head>\n<body>\n<p>one</p>\n"
    "<table><tr><td>x</td></tr></table>\n</body>\n</html>\n";

class ChangePreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SOURCE_DATE_EPOCH", "1796475900", 1);  // the same documentation line in every run
    fs::copy(testing::SourceDataDir(), home_ / "data", fs::copy_options::recursive);
    WriteFile(site_ / "a.htm", kPage);
    WriteFile(site_ / "crlf.htm", "<html>\r\n<p>two</p>\r\n</html>\r\n");
    WriteFile(site_ / "sub" / "b.htm", kPage);
    WriteFile(site_ / "sub" / "open end.htm", "<html><p>x</p></html>");
    WriteFile(site_ / "sub" / "nul.htm", std::string("<html>\0</html>", 14));
    WriteFile(site_ / "page.asp", kPage);
    // Already formatted: a Format run leaves it as it is.
    ASSERT_EQ(Exec("--format --in-place --no-backup site/sub/b.htm").status, 0);
    ASSERT_TRUE(session_.LoadStyle(nullptr, &styleErr_)) << styleErr_.Text;
    std::string err;
    ASSERT_TRUE(session_.ReadTrimList(&err)) << err;
    ASSERT_EQ(session_.Driver().SelectTree(site_.string()), SelectionKind::Tree);
  }
  void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

  ProcessRun Exec(const std::string& args) { return RunProgram(home_.path(), home_ / "data", args); }

  std::unique_ptr<ChangePreview> PreviewOf(ProcessKind mode) {
    std::string err;
    auto preview = PreviewOfRun(session_, mode, &err);
    EXPECT_TRUE(preview) << err;
    return preview;
  }

  TempDir home_;
  fs::path site_ = home_ / "site";
  RunHost host_;
  Session session_{home_ / "data", host_};
  StyleError styleErr_;
};

TEST_F(ChangePreviewTest, ListsWhatCheckListsAndItsDiffsPatchToWhatTheRunWrites) {
  const struct {
    ProcessKind mode;
    const char* option;
  } modes[] = {{ProcessKind::Trim, "--trim"}, {ProcessKind::Format, "--format"},
               {ProcessKind::Compress, "--compress"}};
  for (const auto& m : modes) {
    SCOPED_TRACE(m.option);
    fs::remove_all(home_ / "patched");
    fs::create_directories(home_ / "patched");
    fs::copy(site_, home_ / "patched" / "site", fs::copy_options::recursive);
    const auto before = Snapshot(home_.path());
    auto preview = PreviewOf(m.mode);
    std::string listed, patch, err;
    const PreviewCounts counts = preview->Run(
        PreviewTargetsOf(session_.State()), [&](const PreviewTarget& file, const PreviewResult& r) {
          if (r.What != PreviewResult::Kind::Changes) return;
          listed += file.Shown + "\n";
          std::string diff;
          EXPECT_TRUE(preview->Diff(file, &diff, &err)) << err;
          EXPECT_FALSE(diff.empty()) << file.Shown;
          patch += diff;
        });
    EXPECT_EQ(Snapshot(home_.path()), before) << "the preview wrote something";
    EXPECT_EQ(counts.Failed, 1);  // the page holding a NUL byte
    EXPECT_EQ(counts.Changes + counts.Unchanged + counts.Failed, 5);
    const ProcessRun check = Exec(std::string(m.option) + " --check site");
    EXPECT_EQ(SortedLines(listed), SortedLines(check.out));
    EXPECT_NE(check.out, "");

    WriteFile(home_ / "d.patch", patch);
    ASSERT_EQ(std::system(("cd '" + (home_ / "patched").string() +
                           "' && patch -s -p1 < ../d.patch > /dev/null").c_str()),
              0)
        << patch;
    Exec(std::string(m.option) + " --in-place --no-backup site");
    for (const char* page : {"a.htm", "crlf.htm", "sub/b.htm", "sub/open end.htm"}) {
      EXPECT_EQ(ReadFile(home_ / "patched" / "site" / page), ReadFile(site_ / page)) << page;
    }
  }
}

TEST_F(ChangePreviewTest, CancellingStopsBetweenFilesAndWritesNothing) {
  const auto before = Snapshot(home_.path());
  const std::vector<PreviewTarget> files = PreviewTargetsOf(session_.State());
  ASSERT_EQ(files.size(), 5u);
  for (int stopAfter : {0, 1, 3}) {
    std::atomic<bool> cancel{stopAfter == 0};
    int seen = 0;
    const PreviewCounts counts = PreviewOf(ProcessKind::Format)->Run(
        files, [&](const PreviewTarget&, const PreviewResult&) { cancel = ++seen == stopAfter; },
        &cancel);
    EXPECT_TRUE(counts.Cancelled);
    EXPECT_EQ(seen, stopAfter);
    EXPECT_EQ(counts.Changes + counts.Unchanged + counts.Failed, stopAfter);
  }
  EXPECT_EQ(Snapshot(home_.path()), before);
}

}  // namespace
}  // namespace tessel
