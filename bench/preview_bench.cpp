// The change preview's list for a tree, timed in process as the window gets it: the tree
// selected (its scan, as Select Tree makes it), then every page previewed, the list filling
// page by page. bench/preview_restore_bench.sh compares it with `--check` on the same tree.
//
// Usage: tessel_preview_bench [--data DIR] [--mode format|compress|trim] [--reps N] TREE
// Prints one line per round: "round N scan S list L first F changes C unchanged U failed X"
// (seconds; F: when the first page reached the list, counted from the start of the list).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/change_preview.h"
#include "app/session.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

tessel::ProcessKind ModeNamed(const std::string& name) {
  if (name == "compress") return tessel::ProcessKind::Compress;
  if (name == "trim") return tessel::ProcessKind::Trim;
  return tessel::ProcessKind::Format;
}

}  // namespace

int main(int argc, char** argv) {
  std::string data = TESSEL_BENCH_DATA_DIR, mode = "format", tree;
  int reps = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--data" && i + 1 < argc) {
      data = argv[++i];
    } else if (arg == "--mode" && i + 1 < argc) {
      mode = argv[++i];
    } else if (arg == "--reps" && i + 1 < argc) {
      reps = std::max(1, std::atoi(argv[++i]));
    } else {
      tree = arg;
    }
  }
  if (tree.empty()) {
    std::fprintf(stderr, "usage: tessel_preview_bench [--data DIR] [--mode M] [--reps N] TREE\n");
    return 2;
  }
  for (int round = 1; round <= reps; ++round) {
    tessel::RunHost quiet;
    tessel::Session session(data, quiet);
    tessel::StyleError styleErr;
    std::string err;
    if (!session.LoadStyle(nullptr, &styleErr) || !session.ReadTrimList(&err)) {
      std::fprintf(stderr, "no style or trim list in %s: %s%s\n", data.c_str(), styleErr.Text.c_str(),
                   err.c_str());
      return 2;
    }
    const Clock::time_point start = Clock::now();
    if (session.Driver().SelectTree(tree) != tessel::SelectionKind::Tree) {
      std::fprintf(stderr, "no pages below %s\n", tree.c_str());
      return 2;
    }
    const double scan = Since(start);
    const Clock::time_point listStart = Clock::now();
    double first = -1;
    // As the window makes it: the style loaded afresh, as the run will load it.
    const auto preview = tessel::PreviewOfRun(session, ModeNamed(mode), &err);
    if (!preview) {
      std::fprintf(stderr, "the style cannot be loaded: %s\n", err.c_str());
      return 2;
    }
    std::atomic<bool> cancel{false};
    const tessel::PreviewCounts counts = preview->Run(
        tessel::PreviewTargetsOf(session.State()),
        [&](const tessel::PreviewTarget&, const tessel::PreviewResult&) {
          if (first < 0) first = Since(listStart);
        },
        &cancel);
    const double list = Since(listStart);
    std::printf("round %d scan %.4f list %.4f first %.4f changes %d unchanged %d failed %d\n", round,
                scan, list, first, counts.Changes, counts.Unchanged, counts.Failed);
  }
  return 0;
}
