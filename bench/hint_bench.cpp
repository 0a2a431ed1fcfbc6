// The editor's hint line and partial formatting, timed in-process:
//
//  * a hint lookup in a 5,000-line hint file (the shipped lines and synthetic keys, many of
//    them extending a shipped key), beside the scan over the lines the index stands in for;
//  * the work of a cursor move on a 2.5 MB page: the tag around a random position and its
//    hint;
//  * formatting, compressing and trimming a 100 KB selection of a real page.
//
// Usage: tessel_hint_bench [--page FILE]   (default: bench/corpus/real20.htm, else the test
//                                            pages)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/ascii.h"
#include "editor/editor_text.h"
#include "editor/partial_format.h"
#include "editor/tag_hints.h"
#include "io/text_file.h"
#include "styles/style_files.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace tessel;

namespace {

constexpr std::size_t kHintLines = 5000;
constexpr std::size_t kPageBytes = 2'500'000;
constexpr std::size_t kSelectionBytes = 100'000;

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

struct Spread {
  double Median, P99, Max;
};
Spread SpreadOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v[v.size() / 2], v[v.size() * 99 / 100], v.back()};
}

std::string ReadOrDie(const fs::path& path) {
  std::string bytes, err;
  if (!ReadWholeFile(path, bytes, &err)) {
    std::fprintf(stderr, "%s\n", err.c_str());
    std::exit(1);
  }
  return bytes;
}

// Real HTML, at least `bytes` long when the source allows: the given page, the corpus page,
// or the test pages one after another, repeated.
std::string RealHtml(const fs::path& page, std::size_t bytes) {
  const fs::path source = TESSEL_SOURCE_DIR;
  if (!page.empty()) return ReadOrDie(page);
  if (fs::exists(source / "bench/corpus/real20.htm")) {
    return ReadOrDie(source / "bench/corpus/real20.htm");
  }
  std::vector<fs::path> pages;
  for (const auto& entry : fs::directory_iterator(source / "tests/data/pages"))
    pages.push_back(entry.path());
  std::sort(pages.begin(), pages.end());
  std::string html;
  while (html.size() < bytes) {
    for (const fs::path& p : pages) html += ReadOrDie(p);
  }
  return html;
}

// The shipped lines and synthetic ones up to kHintLines, sorted as the file is.
std::vector<std::string> HintFile(const std::vector<std::string>& shipped, std::mt19937& rng) {
  std::vector<std::string> lines = shipped;
  std::uniform_int_distribution<int> letter('A', 'Z'), len(1, 10);
  while (lines.size() < kHintLines) {
    // Half the keys extend a shipped one ("<TABLE>" and "<TABLEX>"), half are new.
    std::string name;
    if (lines.size() % 2 == 0) {
      const std::string& base = shipped[rng() % shipped.size()];
      name = base.substr(1, base.find('>') - 1);
    }
    for (int i = len(rng); i > 0; --i) name += char(letter(rng));
    lines.push_back("<" + name + ">: <" + name + " attr=\"...\" other=n> content </" + name + ">");
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path pagePath;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--page" && i + 1 < argc) pagePath = argv[++i];
  }
  const fs::path data = fs::path(TESSEL_SOURCE_DIR) / "data";
  std::mt19937 rng(20240611);

  // Lookups.
  const TagHints shipped = TagHints::Load(data / kTagSyntaxFileName);
  const std::vector<std::string> lines = HintFile(shipped.Lines(), rng);
  const auto indexStart = Clock::now();
  const TagHints hints(lines);
  const double indexMs = Micros(Clock::now() - indexStart) / 1000;
  std::vector<std::string> keys;
  for (int i = 0; i < 4096; ++i) {
    const std::string& line = lines[rng() % lines.size()];
    std::string key = line.substr(0, line.find('>') + 1);
    if (i % 2) key = AsciiLowerCase(key);
    if (i % 4 == 3) key.insert(key.end() - 1, 'Q');  // most of these are misses
    keys.push_back(key);
  }
  constexpr int kBatch = 64;
  std::vector<double> indexed, scanned;
  std::size_t sink = 0;
  for (int round = 0; round < 20000; ++round) {
    const auto t0 = Clock::now();
    for (int k = 0; k < kBatch; ++k)
      sink += hints.Lookup(keys[(round * kBatch + k) % keys.size()]).size();
    indexed.push_back(Micros(Clock::now() - t0) / kBatch);
  }
  for (int round = 0; round < 300; ++round) {
    const std::string& key = keys[round % keys.size()];
    const auto t0 = Clock::now();
    for (const std::string& line : lines) {
      if (line.size() >= key.size() &&
          EqualsNoCase(std::string_view(line).substr(0, key.size()), key)) {
        sink += HintOfLine(line).size();
        break;
      }
    }
    scanned.push_back(Micros(Clock::now() - t0));
  }
  const Spread look = SpreadOf(indexed), scan = SpreadOf(scanned);
  std::printf("hint lookup, %zu lines (index built in %.2f ms):\n", lines.size(), indexMs);
  std::printf("  indexed   median %8.3f us  p99 %8.3f us  (per lookup, batches of %d)\n",
              look.Median, look.P99, kBatch);
  std::printf("  scan      median %8.3f us  p99 %8.3f us  (the first-match scan, for scale)\n",
              scan.Median, scan.P99);

  // Cursor moves on a 2.5 MB page.
  const std::string html = RealHtml(pagePath, kPageBytes);
  std::string page = ToEditorText(html).Bytes;
  if (page.size() > kPageBytes) page.resize(kPageBytes);
  std::uniform_int_distribution<std::int64_t> anywhere(0, std::int64_t(page.size()));
  std::vector<double> moves;
  int shown = 0;
  for (int i = 0; i < 100000; ++i) {
    const std::int64_t pos = anywhere(rng);
    const auto t0 = Clock::now();
    const auto hint = hints.HintAt(page, pos);
    moves.push_back(Micros(Clock::now() - t0));
    shown += hint && !hint->empty();
  }
  const Spread move = SpreadOf(moves);
  std::printf("cursor move on a %.1f MB page (tag around + hint), %zu moves, %d with a hint:\n",
              page.size() / 1e6, moves.size(), shown);
  std::printf("  median %8.3f us  p99 %8.3f us  max %8.1f us\n", move.Median, move.P99, move.Max);

  // A 100 KB selection from the middle of the page, widened as the popup menu does.
  std::string styleErr;
  std::optional<LoadedStyle> loaded = StyleLibrary(data / "styles").Load("_default", {}, &styleErr);
  if (!loaded) {
    std::fprintf(stderr, "no style: %s\n", styleErr.c_str());
    return 1;
  }
  Style& style = loaded->Value;
  const std::int64_t from = std::int64_t(page.size() / 2);
  const auto sel = AdjustSelection(page, from, std::int64_t(kSelectionBytes));
  if (!sel) {
    std::fprintf(stderr, "no tag around the selection\n");
    return 1;
  }
  const std::string_view selected =
      std::string_view(page).substr(sel->Start, sel->End - sel->Start);
  const std::string indent = SelectionIndentAt(page, sel->Start);
  const TrimTagList trimList = {{true, "<A>"}, {true, "</A>"}, {true, "<TD>"}, {true, "</TD>"}};
  Engine engine(style);
  std::printf("selection of %zu bytes, style _default:\n", selected.size());
  for (const auto& [mode, name] :
       {std::pair{EngineMode::Format, "format"}, std::pair{EngineMode::Compress, "compress"},
        std::pair{EngineMode::Trim, "trim"}}) {
    std::vector<double> runs;
    std::size_t out = 0;
    for (int i = 0; i < 31; ++i) {
      const auto t0 = Clock::now();
      out = ProcessSelection(engine, mode, selected, indent, sel->Fit, trimList).size();
      runs.push_back(Micros(Clock::now() - t0) / 1000);
    }
    const Spread s = SpreadOf(runs);
    std::printf("  %-8s  median %7.3f ms  max %7.3f ms  (%zu bytes out)\n", name, s.Median, s.Max,
                out);
  }
  return sink == 0 ? 2 : 0;
}
