#include "window_model/main_window_model.h"

#include <gtest/gtest.h>

#include <future>

#include "test_support.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::SourceDataDir;
using testing::TempDir;
using testing::WriteFile;

/// Holds the run at the second file until the test lets it go; answers the break question.
struct GateHost : RunHost {
  std::string gateAt;
  std::promise<void> reached;
  std::promise<void> open;
  void ShowStatus(std::string_view text) override {
    if (text != "Processing: " + gateAt) return;
    reached.set_value();
    open.get_future().wait();
  }
  bool AskYesNo(std::string_view) override { return true; }  // stop, please
};

struct Home {
  TempDir dir;
  GateHost host;
  std::unique_ptr<MainWindowModel> model;
  Home() {
    fs::copy(SourceDataDir(), dir.path(), fs::copy_options::recursive);
    for (const char* name : {"a.htm", "b.htm", "c.htm"})
      WriteFile(dir / "site" / name, "<P>x</P>\n");
    model = std::make_unique<MainWindowModel>(dir.path(), host, 0, 0);
    StyleError err;
    EXPECT_TRUE(model->session().LoadStyle(nullptr, &err));
  }
  std::string Site(const char* name) const { return (dir / "site" / name).string(); }
};

// While a run goes on the window's state is untouched; once it is over it holds what the run
// changed, and what the window changed meanwhile stays.
TEST(MainWindowModelTest, ARunWorksOnACopyOfTheWindowsState) {
  for (const bool stop : {false, true}) {
    Home home;
    Session& session = home.model->session();
    session.Driver().Select({SelectionSource::Kind::PickedFiles,
                             {home.Site("a.htm"), home.Site("b.htm"), home.Site("c.htm")}});
    const RunState before = session.State();
    home.host.gateAt = home.Site("b.htm");
    std::promise<RunSummary> done;
    ASSERT_TRUE(
        home.model->StartRun(ProcessKind::Format, [&](const RunSummary& s) { done.set_value(s); }));
    EXPECT_FALSE(home.model->StartRun(ProcessKind::Trim, [](const RunSummary&) {}));
    home.host.reached.get_future().wait();  // a.htm done, b.htm next
    const RunState& state = session.State();
    EXPECT_EQ(state.FileName, before.FileName);
    EXPECT_EQ(state.Protokoll.Lines(), before.Protokoll.Lines());
    EXPECT_TRUE(home.model->Running());
    session.State().CmdLineMode = CmdLineKind::Automatic;  // the window at work meanwhile
    if (stop) home.model->StopRun();
    home.host.open.set_value();
    const RunSummary summary = done.get_future().get();
    home.model->RunOver();
    EXPECT_FALSE(home.model->Running());
    EXPECT_EQ(summary.Stopped, stop);
    EXPECT_EQ(summary.Processed, stop ? 1 : 3);
    EXPECT_EQ(state.ProcessMode, ProcessKind::Format);
    EXPECT_EQ(state.FileName, home.Site(stop ? "b.htm" : "c.htm"));
    EXPECT_EQ(state.Protokoll.Lines().back().starts_with(stop ? "==> aborted" : "Report saved"),
              true);
    EXPECT_EQ(state.CmdLineMode, CmdLineKind::Automatic);
  }
}

// The selection names the page; the document follows it, and a restore reloads it.
TEST(MainWindowModelTest, TheDocumentFollowsTheSelection) {
  Home home;
  MainWindowModel& model = *home.model;
  std::string err;
  ASSERT_TRUE(model.OpenDocument(model.NewDocumentPath(), &err));
  EXPECT_TRUE(model.Document().IsNew());
  EXPECT_FALSE(model.OpenDocument(home.Site("gone.htm"), &err));
  EXPECT_TRUE(model.Document().IsNew());  // what it showed stays
  const std::string page = home.Site("a.htm");
  model.session().Driver().SelectSingleFile(page);
  WriteFile(page + ".pbak", "<p>old</p>\n");
  ASSERT_TRUE(model.RestoreSingleFile(&err)) << err;
  EXPECT_EQ(model.Document().Saved().Bytes, "<p>old</p>\r\n");
}

}  // namespace
}  // namespace tessel
