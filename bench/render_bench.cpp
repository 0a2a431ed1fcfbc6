// What checking that a result renders like its page costs next to formatting it: over the
// real pages of the corpus, one page at a time (as a run checks them), best of N rounds.
//
// Usage: tessel_render_bench [--data DIR] [--pages LIST] [--docs DIR] [--reps N]
//   LIST: the page paths, one a line, relative to DIR (bench/corpus/real20.sources.txt;
//   its "#" lines are skipped). Prints one table; the figures are seconds for all pages.
#include <gumbo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/line_ends.h"
#include "io/text_file.h"
#include "render_check/render_check.h"
#include "render_check/render_stream.h"
#include "styles/style_files.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

[[noreturn]] void Die(const std::string& why) {
  std::fprintf(stderr, "tessel_render_bench: %s\n", why.c_str());
  std::exit(2);
}

struct Page {
  std::string text;    // line ends reduced to LF, as the engine reads it
  std::string result;  // formatted, as the filter writes it
};

std::vector<Page> LoadPages(const fs::path& list, const fs::path& docs, size_t* bytes) {
  std::ifstream in(list);
  if (!in) Die("cannot read " + list.string());
  std::vector<Page> pages;
  *bytes = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::string text, err;
    if (!tessel::ReadWholeFile(docs / line, text, &err)) Die(err);
    tessel::NormalizeLineEndsInPlace(text, nullptr);
    *bytes += text.size();
    pages.push_back({std::move(text), {}});
  }
  return pages;
}

template <typename Work>
double Best(int reps, Work work) {
  double best = 1e9;
  for (int r = 0; r < reps; ++r) {
    const auto t0 = Clock::now();
    work();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path data = TESSEL_BENCH_DATA_DIR, pagesList, docs;
  int reps = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--data") data = argv[i + 1];
    else if (a == "--pages") pagesList = argv[i + 1];
    else if (a == "--docs") docs = argv[i + 1];
    else if (a == "--reps") reps = std::max(1, std::atoi(argv[i + 1]));
    else Die("unknown option " + a);
  }
  if (pagesList.empty() || docs.empty()) Die("--pages LIST and --docs DIR are needed");
  size_t bytes = 0;
  std::vector<Page> pages = LoadPages(pagesList, docs, &bytes);

  auto loaded = tessel::StyleLibrary(data / "styles").Load("_default");
  if (!loaded) Die("cannot load style _default");
  tessel::Engine engine(loaded->Value);

  const double format = Best(reps, [&] {
    for (Page& p : pages) {
      engine.Process(tessel::EngineMode::Format, p.text);
      p.result = engine.OutputBytes();
    }
  });
  size_t differing = 0;
  const double gumbo = Best(reps, [&] {
    for (const Page& p : pages) {
      GumboOptions options = kGumboDefaultOptions;
      options.max_errors = 0;
      gumbo_destroy_output(&options,
                           gumbo_parse_with_options(&options, p.text.data(), p.text.size()));
    }
  });
  const double parse = Best(reps, [&] {
    for (const Page& p : pages) {
      tessel::render::RenderStream::Build(p.text, tessel::render::ReadingOf(p.text));
    }
  });
  const double oneThread = Best(reps, [&] {
    differing = 0;
    for (const Page& p : pages) {
      differing += !tessel::RenderCheck(p.text).Differences(p.result, 1).empty();
    }
  });
  const double twoThreads = Best(reps, [&] {
    for (const Page& p : pages) tessel::RenderCheck::First(p.text, p.result);
  });
  // The comparison alone: both pages parsed beforehand.
  std::vector<std::unique_ptr<tessel::render::RenderStream>> a, b;
  for (const Page& p : pages) {
    const tessel::render::PageReading reading = tessel::render::ReadingOf(p.text);
    a.push_back(tessel::render::RenderStream::Build(p.text, reading));
    b.push_back(tessel::render::RenderStream::Build(p.result, reading));
  }
  double compare = Best(reps, [&] {
    for (size_t i = 0; i < pages.size(); ++i) tessel::RenderCheck::CompareParsed(*a[i], *b[i]);
  });

  std::printf("pages\t%zu\nMB\t%.2f\npages that could render differently (_default)\t%zu\n",
              pages.size(), bytes / 1e6, differing);
  std::printf("figure\tseconds\tx format\n");
  auto row = [&](const char* what, double s) { std::printf("%s\t%.3f\t%.2f\n", what, s, s / format); };
  row("Tokenize+Format (_default)", format);
  row("parse every page once: the parser alone", gumbo);
  row("parse every page once, and flatten its tree", parse);
  row("compare two parsed pages", compare);
  row("verify, one thread (parse both, compare)", oneThread);
  row("verify, original and result parsed on two threads", twoThreads);
  row("format + verify on two threads", format + twoThreads);
  return 0;
}
