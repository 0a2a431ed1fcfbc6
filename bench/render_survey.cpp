// Which styles, and which of their options, change what real pages show, and why: every
// page is formatted (or compressed, or trimmed) and checked against itself with the
// rendering comparison; the differences are counted by what stands on both sides of them.
//
// Usage: tessel_render_survey [--data DIR] [--every N] [--top N] DIR...
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/line_ends.h"
#include "io/text_file.h"
#include "render_check/render_check.h"
#include "styles/style_files.h"
#include "styles/trim_list.h"

namespace {

namespace fs = std::filesystem;
using tessel::EngineMode;
using tessel::Style;

[[noreturn]] void Die(const std::string& why) {
  std::fprintf(stderr, "tessel_render_survey: %s\n", why.c_str());
  std::exit(2);
}

struct Variant {
  std::string name;
  EngineMode mode;
  Style style;
};

Style Load(const fs::path& data, const std::string& name) {
  auto loaded = tessel::StyleLibrary(data / "styles").Load(name);
  if (!loaded) Die("cannot load style " + name);
  return loaded->Value;
}

// Every As-Text rule whose tags stay in the running line (no line breaks), changed.
Style WithInlineRules(Style style, const std::function<void(tessel::TagEntry&)>& change) {
  for (int i = 1; i <= style.Tags.TagCount; ++i) {
    tessel::TagEntry& e = style.Tags.Entry(i);
    if (e.TreatAsText && e.CRLFLeading == 0 && e.CRLFFollowed == 0) change(e);
  }
  return style;
}

std::vector<Variant> Variants(const fs::path& data) {
  std::vector<Variant> out;
  for (const char* name : {"_default", "html5", "documented"}) {
    out.push_back({std::string(name) + " format", EngineMode::Format, Load(data, name)});
    out.push_back({std::string(name) + " compress", EngineMode::Compress, Load(data, name)});
  }
  const Style base = Load(data, "_default");
  Style s = base;
  s.Options.LineSize = 20;
  out.push_back({"_default format, LineSize 20", EngineMode::Format, s});
  s = base;
  s.Options.BreakExcluder = "\"";
  out.push_back({"_default format, BreakExcluder '\"'", EngineMode::Format, s});
  s = base;
  s.Options.TagCase = 2;
  out.push_back({"_default format, TagCase 2", EngineMode::Format, s});
  out.push_back({"_default format, inline As-Text rules with CRLFLeading 1",
                 EngineMode::Format,
                 WithInlineRules(base, [](tessel::TagEntry& e) { e.CRLFLeading = 1; })});
  out.push_back({"_default format, inline As-Text rules with CRLFFollowed 1",
                 EngineMode::Format,
                 WithInlineRules(base, [](tessel::TagEntry& e) { e.CRLFFollowed = 1; })});
  out.push_back({"_default format, inline rules Stand Alone", EngineMode::Format,
                 WithInlineRules(base, [](tessel::TagEntry& e) {
                   e.TreatAsText = false;
                   e.CRLFLeading = e.CRLFFollowed = 1;
                 })});
  out.push_back({"trim (trim.ini)", EngineMode::Trim, base});
  return out;
}

// "a space is shown between </A> and "foo"" -> "a space is shown between </A> and text"
std::string Reason(const std::string& what) {
  static const std::regex quoted("\"[^\"]*\"");
  return std::regex_replace(what, quoted, "text");
}

}  // namespace

int main(int argc, char** argv) {
  fs::path data = TESSEL_BENCH_DATA_DIR;
  size_t every = 1, top = 8;
  std::vector<fs::path> dirs;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--data" && i + 1 < argc) data = argv[++i];
    else if (a == "--every" && i + 1 < argc) every = std::max(1, std::atoi(argv[++i]));
    else if (a == "--top" && i + 1 < argc) top = size_t(std::atoi(argv[++i]));
    else dirs.push_back(a);
  }
  std::vector<fs::path> pages;
  for (const fs::path& dir : dirs) {
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
      const std::string ext = e.path().extension().string();
      if (e.is_regular_file() && (ext == ".html" || ext == ".htm")) pages.push_back(e.path());
    }
  }
  std::sort(pages.begin(), pages.end());
  std::vector<fs::path> picked;
  for (size_t i = 0; i < pages.size(); i += every) picked.push_back(pages[i]);

  tessel::TrimTagList trim;
  std::string err;
  if (!tessel::ReadTrimList(data, trim, &err)) Die("cannot read trim.ini: " + err);
  std::vector<Variant> variants = Variants(data);
  std::printf("%zu pages\n", picked.size());
  std::vector<std::string> texts;
  for (const fs::path& page : picked) {
    std::string text;
    if (!tessel::ReadWholeFile(page, text, &err)) Die(err);
    texts.push_back(tessel::NormalizeLineEnds(text, nullptr));
  }
  for (Variant& v : variants) {
    tessel::Engine engine(v.style);
    size_t visible = 0, beyondSpace = 0, spaces = 0, spacePages = 0;
    std::map<std::string, size_t> reasons;   // differences
    std::map<std::string, size_t> reasonPages;
    std::string example;
    std::map<std::string, std::string> firstOf;  // reason -> where it was first seen
    for (size_t p = 0; p < texts.size(); ++p) {
      engine.Process(v.mode, texts[p], trim);
      const std::string result = engine.OutputBytes();
      const std::vector<tessel::RenderDifference> found =
          tessel::RenderCheck(texts[p]).Differences(result);
      if (found.empty()) continue;
      ++visible;
      std::map<std::string, bool> seen;
      spacePages += std::any_of(found.begin(), found.end(), [](const auto& d) {
        return d.Kind == tessel::RenderDifferenceKind::Space;
      });
      for (const tessel::RenderDifference& d : found) {
        if (!d.LetterCaseOnly) {
          ++beyondSpace;
          if (example.empty()) example = picked[p].string() + ": " + DescribeDifference(d);
        }
        spaces += d.Kind == tessel::RenderDifferenceKind::Space;
        const std::string r = Reason(d.What);
        ++reasons[r];
        if (!seen[r]) ++reasonPages[r], seen[r] = true;
        if (firstOf[r].empty()) {
          firstOf[r] = picked[p].filename().string() + ":" + std::to_string(d.Line) + ":" +
                       std::to_string(d.Column) + " " + d.What;
        }
      }
    }
    std::printf("\n## %s: %zu of %zu pages could render differently, %zu of them with a space "
                "shown or gone (%zu spaces); %zu differences beyond whitespace and letter case\n",
                v.name.c_str(), visible, texts.size(), spacePages, spaces, beyondSpace);
    if (!example.empty()) std::printf("   e.g. %s\n", example.c_str());
    std::vector<std::pair<size_t, std::string>> ranked;
    for (const auto& [r, n] : reasonPages) ranked.push_back({n, r});
    std::sort(ranked.rbegin(), ranked.rend());
    for (size_t i = 0; i < ranked.size() && i < top; ++i) {
      std::printf("   %5zu pages, %6zu times: %s\n                  first: %s\n", ranked[i].first,
                  reasons[ranked[i].second], ranked[i].second.c_str(),
                  firstOf[ranked[i].second].c_str());
    }
  }
  return 0;
}
