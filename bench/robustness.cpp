// Robustness sweep over many real pages: every page is formatted, compressed and trimmed
// with each shipped style exactly as the filter does it (line ends normalised, lines ended
// by CR LF), checked to keep its text, and formatted a second time to see whether
// formatting is idempotent. Prints counts, the slowest pages by bytes per second, and the
// first differences found.
//
// With --generated N it also makes N random malformed documents from pieces of markup
// (stray and doubled angle brackets, unclosed comments and blocks, cells, server code).
//
// Usage: tessel_robustness [--data DIR] [--every N] [--show N] [--generated N] [DIR...]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/line_ends.h"
#include "io/text_file.h"
#include "engine/engine.h"
#include "styles/style_files.h"
#include "styles/trim_list.h"
#include "support/text_essence.h"

namespace fs = std::filesystem;
using tessel::Engine;
using tessel::Style;

namespace {

struct Options {
  fs::path data = TESSEL_BENCH_DATA_DIR;
  size_t every = 1;
  size_t show = 10;
  size_t generated = 0;
  std::vector<fs::path> roots;
};

struct StyleTally {
  std::string name;
  Style style;
  size_t idempotent = 0, differing = 0, lost = 0;
  // Pages where no "<" is followed by a blank or another "<": tidying such a tag changes
  // the name that a second run looks up, so only these can be held to a fixed point.
  size_t plain = 0, plainIdempotent = 0;
  std::vector<std::string> examples;
};

struct Tally {
  size_t pages = 0, bytes = 0, trimDamaged = 0;
  double worstSecondsPerMB = 0;
  std::string worstPage;
};

std::string Run(Engine& engine, const std::string& text, bool format) {
  return engine.Process(format ? tessel::EngineMode::Format : tessel::EngineMode::Compress, text)
      .Joined("\r\n");
}

// First line where the two results differ, both versions, for the report.
std::string FirstDifference(const std::string& a, const std::string& b) {
  size_t at = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
  size_t from = a.rfind('\n', at == 0 ? 0 : at - 1);
  from = from == std::string::npos ? 0 : from + 1;
  auto line = [&](const std::string& s) {
    size_t end = s.find('\n', from);
    return s.substr(from, std::min<size_t>(end == std::string::npos ? s.size() : end, from + 160) -
                              from);
  };
  return "once:  " + line(a) + "\n    twice: " + line(b);
}

void CheckPage(const std::string& page, const std::string& text, StyleTally& st) {
  Engine engine(st.style);
  engine.Clock = [] { return tessel::DocDateTime{2026, 12, 6, 12, 0}; };
  std::string once = Run(engine, text, true);
  std::string lost = tessel::testing::LostText(text, once, false);
  std::string compressed = Run(engine, text, false);
  if (lost.empty())
    lost = tessel::testing::LostText(text, compressed, st.style.Options.DoPurgeComments);
  if (!lost.empty()) {
    ++st.lost;
    if (st.examples.size() < 3) st.examples.push_back(page + ": " + lost);
  }
  std::string again = tessel::NormalizeLineEnds(once, nullptr);
  std::string twice = Run(engine, again, true);
  bool plain = !tessel::testing::HasLooseLt(text);
  st.plain += plain;
  st.plainIdempotent += plain && twice == once;
  if (twice == once) {
    ++st.idempotent;
    return;
  }
  ++st.differing;
  if (st.examples.size() < 20)
    st.examples.push_back(page + "\n    " + FirstDifference(once, twice));
}

void CheckTrim(const std::string& text, const tessel::TrimTagList& trim, Tally& t) {
  Style none;
  Engine engine(none);
  const tessel::LineList& out = engine.Process(tessel::EngineMode::Trim, text, trim);
  if (!tessel::testing::TrimDamage(text, out.Joined("\n")).empty()) ++t.trimDamaged;
}

std::vector<fs::path> Pages(const Options& o) {
  std::vector<fs::path> pages;
  for (const fs::path& root : o.roots) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      std::string ext = it->path().extension().string();
      if (it->is_regular_file() && (ext == ".html" || ext == ".htm")) pages.push_back(it->path());
    }
  }
  std::sort(pages.begin(), pages.end());
  std::vector<fs::path> picked;
  for (size_t i = 0; i < pages.size(); i += o.every) picked.push_back(pages[i]);
  return picked;
}

bool ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--data" && hasValue) {
      o.data = argv[++i];
    } else if (a == "--every" && hasValue) {
      o.every = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--show" && hasValue) {
      o.show = std::atoi(argv[++i]);
    } else if (a == "--generated" && hasValue) {
      o.generated = std::atoi(argv[++i]);
    } else if (a.starts_with("--")) {
      return false;
    } else {
      o.roots.push_back(a);
    }
  }
  return !o.roots.empty() || o.generated > 0;
}

struct Page {
  std::string name;
  std::string text;
};

std::string RandomDocument(std::mt19937& rng) {
  static const char* const kPieces[] = {
      "<", ">", "<table>", "<td>", "</td>", "<TD><img src=a></TD>", "<td>\t<br>\n</td>",
      "<!--", "-->", "<!-- c -->", "<!--~", "~-->", "<!--~ own ~-->", "<pre>", "</PRE>",
      "<script>", "</script>", "<style>", "</style>", "<textarea>", "</textarea>", "\"", "'",
      "###", "### x\n", "<%", "%>", "<% a %>", "word", "Wort\xC4\xD6", "x", " ", "  ", "\n",
      "\n\n", "\t", "\r", "<b>", "</b>", "<br/>", "<p>", "</p>", "<div>", "</div>",
      "<a href=\"x>y\">", "</a>", "<h1>", "</h2>", "<!DOCTYPE html>", "<td", "<!", "=", "/",
      "<ul>", "<li>", "</ul>", "<tr>", "</tr>", "<form>", "</form>", "<span>", "</span>"};
  std::string doc;
  for (int n = rng() % 300; n > 0; --n) doc += kPieces[rng() % std::size(kPieces)];
  return tessel::NormalizeLineEnds(doc, nullptr);
}

void Report(const Tally& t, const std::vector<StyleTally>& styles, size_t show, double seconds) {
  std::printf("pages %zu, %.1f MB, %.1f s\n", t.pages, t.bytes / 1e6, seconds);
  std::printf("trim changed more than whitespace: %zu pages\n", t.trimDamaged);
  std::printf("slowest page: %.3f s/MB (%s)\n", t.worstSecondsPerMB, t.worstPage.c_str());
  for (const StyleTally& st : styles) {
    std::printf("style %-11s formatting idempotent %zu of %zu (%.2f%%), lost text %zu\n",
                st.name.c_str(), st.idempotent, t.pages, 100.0 * st.idempotent / t.pages, st.lost);
    std::printf("  without a '<' before a blank or '<': idempotent %zu of %zu\n",
                st.plainIdempotent, st.plain);
    for (size_t i = 0; i < st.examples.size() && i < show; ++i)
      std::printf("  %s\n", st.examples[i].c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseArgs(argc, argv, o)) {
    std::fprintf(stderr, "usage: tessel_robustness [--data DIR] [--every N] [--show N] [--generated N] [DIR...]\n");
    return 2;
  }
  std::vector<StyleTally> styles;
  for (const char* name : {"_default", "html5", "documented"}) {
    StyleTally st;
    st.name = name;
    auto loaded = tessel::StyleLibrary(o.data / "styles").Load(name);
    if (!loaded) return std::fprintf(stderr, "no style %s\n", name), 2;
    st.style = loaded->Value;
    styles.push_back(std::move(st));
  }
  tessel::TrimTagList trim;
  std::string err;
  if (!tessel::ReadTrimList(o.data, trim, &err)) return std::fprintf(stderr, "%s\n", err.c_str()), 2;
  Tally t;
  auto start = std::chrono::steady_clock::now();
  std::vector<Page> pages;
  for (const fs::path& path : Pages(o)) {
    Page page{path.string(), {}};
    if (!tessel::ReadWholeFile(path, page.text, &err)) continue;
    // A page holding a NUL byte is no HTML text: the program refuses it.
    if (page.text.find('\0') != std::string::npos) continue;
    tessel::NormalizeLineEndsInPlace(page.text, nullptr);
    pages.push_back(page);
  }
  std::mt19937 rng(20261206);
  for (size_t i = 0; i < o.generated; ++i)
    pages.push_back({"generated #" + std::to_string(i), RandomDocument(rng)});
  for (const Page& page : pages) {
    auto begin = std::chrono::steady_clock::now();
    for (StyleTally& st : styles) CheckPage(page.name, page.text, st);
    CheckTrim(page.text, trim, t);
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    double perMB = s / std::max<double>(page.text.size(), 4096) * 1e6;
    if (perMB > t.worstSecondsPerMB) t.worstSecondsPerMB = perMB, t.worstPage = page.name;
    ++t.pages;
    t.bytes += page.text.size();
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  Report(t, styles, o.show, seconds);
  bool clean = t.trimDamaged == 0;
  for (const StyleTally& st : styles) clean = clean && st.lost == 0;
  return clean ? 0 : 1;
}
