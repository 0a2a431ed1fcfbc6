// Benchmark harness: single-threaded, in-process timing of the engine stages.
//
//  * corpus files (real20.htm, synthetic20.htm): MB/s of the engine's Process call in
//    format, compress and trim mode, best of --reps runs;
//  * stress shapes (shape-NAME-1x.htm / shape-NAME-10x.htm): the time of each stage at 1x
//    and 10x and their ratio; a ratio far above 10 means work that grows faster than the
//    input.
//
// Only the engine is timed: each file is read once, and every run copies it before the
// clock starts and hands the copy to Engine::Process. The engine object is reused between runs of
// one file and stage, so "best" is the warm figure; "first" is the first run, which also
// pays for growing the engine's buffers.
//
// Usage: tessel_bench [--data DIR] [--corpus DIR] [--reps N] [--only TEXT] [--tsv FILE]
//                     [--no-corpus] [--no-shapes]
//        tessel_bench --profile FILE [--op format|compress|trim] [--style NAME] [--quotes]
//                     [--reps N]        (repeats one stage on one file, for perf/callgrind)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/line_ends.h"
#include "io/text_file.h"
#include "engine/engine.h"
#include "styles/ini_file.h"
#include "styles/style_files.h"
#include "styles/trim_list.h"

namespace fs = std::filesystem;
using tessel::Engine;
using tessel::Style;
using tessel::TrimTagList;

namespace {

constexpr double kMB = 1e6;  // MB/s and sizes use decimal megabytes

enum class Op { Format, Compress, Trim };
constexpr Op kOps[] = {Op::Format, Op::Compress, Op::Trim};

const char* OpName(Op op) {
  switch (op) {
    case Op::Format:
      return "format";
    case Op::Compress:
      return "compress";
    case Op::Trim:
      return "trim";
  }
  return "?";
}

std::optional<Op> ParseOp(const std::string& s) {
  for (Op op : kOps) {
    if (s == OpName(op)) return op;
  }
  return std::nullopt;
}

[[noreturn]] void Die(const std::string& msg) {
  std::fprintf(stderr, "tessel_bench: %s\n", msg.c_str());
  std::exit(2);
}

struct Args {
  fs::path data = TESSEL_BENCH_DATA_DIR;
  fs::path corpus = TESSEL_BENCH_CORPUS_DIR;
  fs::path tsv;
  int reps = 5;
  std::string only;
  bool corpusFiles = true;
  bool shapes = true;
  fs::path profile;
  Op op = Op::Format;
  std::string style;  // empty: _default, or what a shape file's name asks for
  bool quotes = false;
};

Args ParseArgs(int argc, char** argv) {
  Args a;
  for (int i = 1; i < argc; ++i) {
    std::string s = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Die(s + " needs a value");
      return argv[++i];
    };
    if (s == "--data")
      a.data = value();
    else if (s == "--corpus")
      a.corpus = value();
    else if (s == "--tsv")
      a.tsv = value();
    else if (s == "--reps")
      a.reps = std::max(1, std::atoi(value().c_str()));
    else if (s == "--only")
      a.only = value();
    else if (s == "--no-corpus")
      a.corpusFiles = false;
    else if (s == "--no-shapes")
      a.shapes = false;
    else if (s == "--profile")
      a.profile = value();
    else if (s == "--style")
      a.style = value();
    else if (s == "--quotes")
      a.quotes = true;
    else if (s == "--op") {
      auto op = ParseOp(value());
      if (!op) Die("--op takes format, compress or trim");
      a.op = *op;
    } else if (s == "--help" || s == "-h") {
      std::printf(
          "tessel_bench [--data DIR] [--corpus DIR] [--reps N] [--only TEXT] [--tsv FILE]\n"
          "             [--no-corpus] [--no-shapes]\n"
          "tessel_bench --profile FILE [--op format|compress|trim] [--style NAME] [--quotes] "
          "[--reps N]\n");
      std::exit(0);
    } else {
      Die("unknown argument '" + s + "' (see --help)");
    }
  }
  return a;
}

Style LoadStyleOrDie(const fs::path& data, const std::string& name) {
  std::string err;
  auto loaded = tessel::StyleLibrary(data / "styles").Load(name, {}, &err);
  if (!loaded) Die("cannot load style '" + name + "': " + err);
  Style style = loaded->Value;
  // Load falls back to the first style silently; a benchmark must not.
  if (!tessel::EqualsNoCase(style.Options.StyleName, name)) {
    Die("style '" + name + "' not found below " + (data / "styles").string());
  }
  return style;
}

// The trim list of the program, or (when it selects nothing: trim.ini missing or all 0) a
// fixed list of common tags, so that TrimTags does its real work.
TrimTagList LoadTrimList(const fs::path& data, std::string* note) {
  TrimTagList list;
  std::string err;
  if (!tessel::ReadTrimList(data, list, &err)) Die("cannot read trim.ini: " + err);
  size_t selected = std::count_if(list.begin(), list.end(), [](auto& e) { return e.Selected; });
  if (selected > 0) {
    *note = "trim list: " + (data / "trim.ini").string() + " (" + std::to_string(selected) +
            " of " + std::to_string(list.size()) + " tags selected)";
    return list;
  }
  *note = "trim list: " + (data / "trim.ini").string() +
          (list.empty() ? " is missing or empty" : " selects no tag") +
          "; using the built-in list <A> <B> <SPAN> <P> <LI> <TD> <TH> <OPTION> "
          "(opening and closing)";
  list.clear();
  for (const char* t : {"<A>", "</A>", "<B>", "</B>", "<SPAN>", "</SPAN>", "<P>", "</P>", "<LI>",
                        "</LI>", "<TD>", "</TD>", "<TH>", "</TH>", "<OPTION>", "</OPTION>"}) {
    list.push_back({true, t});
  }
  return list;
}

std::string ReadInputOrDie(const fs::path& path) {
  std::string text, err;
  if (!tessel::ReadWholeFile(path, text, &err)) Die(err);
  tessel::NormalizeLineEndsInPlace(text, nullptr);
  return text;
}

void RunOp(Engine& e, Op op, std::string text, const TrimTagList& trim) {
  const tessel::EngineMode mode = op == Op::Format     ? tessel::EngineMode::Format
                                  : op == Op::Compress ? tessel::EngineMode::Compress
                                                       : tessel::EngineMode::Trim;
  e.Process(mode, std::move(text), trim);
}

struct Timing {
  double best = 0;   // seconds
  double first = 0;  // seconds
  int runs = 0;
  size_t outLines = 0;
  size_t outBytes = 0;  // as the filter writes them, CR LF included
  long faults = 0;      // minor page faults during the best run
};

using Clock = std::chrono::steady_clock;

long MinorFaults() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_minflt;
}

// One engine working on one text again and again; only RunOp is timed.
class Bench {
 public:
  Bench(Style& style, const std::string& text, Op op, const TrimTagList& trim)
      : engine_(style), text_(text), op_(op), trim_(trim) {
    engine_.Clock = [] { return tessel::DocDateTime{2024, 6, 1, 12, 0}; };
    engine_.FileName = "bench.htm";
  }

  double RunOnce() {
    std::string copy = text_;  // not timed
    long faults = MinorFaults();
    auto t0 = Clock::now();
    RunOp(engine_, op_, std::move(copy), trim_);
    auto t1 = Clock::now();
    double s = std::chrono::duration<double>(t1 - t0).count();
    if (t_.runs == 0) t_.first = t_.best = s;
    if (s <= t_.best) {
      t_.best = s;
      t_.faults = MinorFaults() - faults;
    }
    ++t_.runs;
    total_ += s;
    return s;
  }

  const Timing& Result() {
    t_.outLines = engine_.OutputLines.size();
    t_.outBytes = 0;
    for (size_t i = 0; i < engine_.OutputLines.size(); ++i) {
      t_.outBytes += engine_.OutputLines[i].size() + 2;
    }
    return t_;
  }
  double Total() const { return total_; }

 private:
  Engine engine_;
  const std::string& text_;
  Op op_;
  const TrimTagList& trim_;
  Timing t_;
  double total_ = 0;
};

// Runs until at least minReps runs and `budget` seconds are spent, or maxReps runs.
Timing Measure(Style& style, const std::string& text, Op op, const TrimTagList& trim, int minReps,
               int maxReps, double budget) {
  Bench b(style, text, op, trim);
  for (int r = 0; r < maxReps; ++r) {
    b.RunOnce();
    if (r + 1 >= minReps && b.Total() >= budget) break;
  }
  return b.Result();
}

// 1x and 10x measured in alternation, so that a noisy spell on the machine hits both sizes
// alike, and equally often, so that neither best-of figure is luckier: at least five rounds
// of one 1x run and one 10x run, then more until `budget` seconds are spent or twelve
// rounds are done.
std::pair<Timing, Timing> MeasurePair(Style& style, const std::string& t1, const std::string& t10,
                                      Op op, const TrimTagList& trim, double budget) {
  Bench b1(style, t1, op, trim), b10(style, t10, op, trim);
  for (int round = 0; round < 12; ++round) {
    b1.RunOnce();
    b10.RunOnce();
    if (round + 1 >= 5 && b1.Total() + b10.Total() >= budget) break;
  }
  return {b1.Result(), b10.Result()};
}

std::string FileKey(const fs::path& p) { return p.filename().string(); }

struct Tsv {
  std::ofstream out;
  void Line(const std::vector<std::string>& fields) {
    if (!out.is_open()) return;
    for (size_t i = 0; i < fields.size(); ++i) out << (i ? "\t" : "") << fields[i];
    out << "\n";
    out.flush();
  }
};

std::string Num(double v, int prec = 6) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", prec, v);
  return buf;
}

// Shapes that need another style than _default. "quotes": _default with BreakExcluder '"',
// so that the wrapper keeps quoted runs whole.
struct ShapeStyle {
  std::string style = "_default";
  bool quotes = false;
};

ShapeStyle StyleForShape(const std::string& name) {
  if (name.starts_with("counters")) return {"documented", false};
  if (name.starts_with("quote")) return {"_default", true};
  return {};
}

int Profile(const Args& a) {
  // A shape file runs with its shape's style unless --style says otherwise.
  ShapeStyle ss;
  std::string fn = FileKey(a.profile);
  if (fn.starts_with("shape-")) {
    size_t dash = fn.rfind('-');
    if (dash != std::string::npos && dash > 6) ss = StyleForShape(fn.substr(6, dash - 6));
  }
  if (!a.style.empty()) ss = {a.style, a.quotes};
  ss.quotes = ss.quotes || a.quotes;
  Style style = LoadStyleOrDie(a.data, ss.style);
  if (ss.quotes) style.Options.BreakExcluder.assign(1, '"');
  std::string note;
  TrimTagList trim = LoadTrimList(a.data, &note);
  std::string text = ReadInputOrDie(a.profile);
  std::printf("profile: %s, %s, style %s%s, %.2f MB, %d runs\n", a.profile.c_str(), OpName(a.op),
              ss.style.c_str(), ss.quotes ? " (BreakExcluder \")" : "", text.size() / kMB, a.reps);
  Timing t = Measure(style, text, a.op, trim, a.reps, a.reps, 0);
  std::printf("best %.2f ms, first %.2f ms, %.1f MB/s, %zu output lines, %ld page faults\n",
              t.best * 1e3, t.first * 1e3, text.size() / kMB / t.best, t.outLines, t.faults);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Args a = ParseArgs(argc, argv);
  if (!a.profile.empty()) return Profile(a);

  Tsv tsv;
  if (!a.tsv.empty()) {
    tsv.out.open(a.tsv);
    if (!tsv.out) Die("cannot write " + a.tsv.string());
  }
  std::map<std::string, Style> styles;
  auto styleFor = [&](const ShapeStyle& s) -> Style& {
    std::string key = s.style + (s.quotes ? "+quotes" : "");
    auto it = styles.find(key);
    if (it == styles.end()) {
      Style st = LoadStyleOrDie(a.data, s.style);
      if (s.quotes) st.Options.BreakExcluder.assign(1, '"');
      it = styles.emplace(key, std::move(st)).first;
    }
    return it->second;
  };
  std::string trimNote;
  TrimTagList trim = LoadTrimList(a.data, &trimNote);
  std::printf("data: %s\ncorpus: %s\n%s\n", a.data.c_str(), a.corpus.c_str(), trimNote.c_str());
  tsv.Line({"note", trimNote});
  if (!fs::is_directory(a.corpus))
    Die("no corpus in " + a.corpus.string() + "; run bench/make_corpus.sh");
  auto wanted = [&](const std::string& name) {
    return a.only.empty() || name.find(a.only) != std::string::npos;
  };

  if (a.corpusFiles) {
    std::printf("\nIn-process throughput, single thread, best of %d (MB = 10^6 bytes)\n", a.reps);
    std::printf("%-18s %-9s %9s %10s %10s %10s %12s\n", "file", "stage", "MB", "best ms", "MB/s",
                "first MB/s", "output MB");
    for (const char* file : {"real20.htm", "synthetic20.htm"}) {
      fs::path path = a.corpus / file;
      if (!wanted(file)) continue;
      if (!fs::exists(path)) Die(path.string() + " is missing; run bench/make_corpus.sh");
      std::string text = ReadInputOrDie(path);
      for (Op op : kOps) {
        Timing t = Measure(styleFor({}), text, op, trim, a.reps, a.reps, 0);
        double mbps = text.size() / kMB / t.best;
        std::printf("%-18s %-9s %9.2f %10.2f %10.1f %10.1f %12.2f\n", file, OpName(op),
                    text.size() / kMB, t.best * 1e3, mbps, text.size() / kMB / t.first,
                    t.outBytes / kMB);
        std::fflush(stdout);
        tsv.Line({"corpus", file, OpName(op), std::to_string(text.size()), Num(t.best),
                  Num(t.first), Num(mbps, 1), std::to_string(t.outLines),
                  std::to_string(t.outBytes)});
      }
    }
  }

  if (a.shapes) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(a.corpus)) {
      std::string fn = FileKey(entry.path());
      if (fn.starts_with("shape-") && fn.ends_with("-1x.htm")) {
        names.push_back(fn.substr(6, fn.size() - 6 - 7));
      }
    }
    std::sort(names.begin(), names.end());
    std::printf(
        "\nShapes: time at 1x and 10x (1x and 10x runs alternate; best of 5 to 12 each).\n"
        "ratio = 10x time / 1x time (linear work gives ~10); norm = ratio scaled to\n"
        "exactly ten times the bytes; faults = minor page faults in the best run.\n");
    std::printf("%-20s %-8s %-11s %7s %8s %8s %9s %6s %6s %8s %8s\n", "shape", "stage", "style",
                "1x MB", "1x ms", "10x MB", "10x ms", "ratio", "norm", "faults1", "faults10");
    for (const std::string& name : names) {
      if (!wanted(name)) continue;
      fs::path p1 = a.corpus / ("shape-" + name + "-1x.htm");
      fs::path p10 = a.corpus / ("shape-" + name + "-10x.htm");
      if (!fs::exists(p10)) Die(p10.string() + " is missing; run bench/make_corpus.sh");
      ShapeStyle ss = StyleForShape(name);
      Style& style = styleFor(ss);
      std::string styleLabel = ss.style + (ss.quotes ? "+\"" : "");
      std::string t1 = ReadInputOrDie(p1);
      std::string t10 = ReadInputOrDie(p10);
      double sizeRatio = double(t10.size()) / double(t1.size());
      for (Op op : kOps) {
        auto [m1, m10] = MeasurePair(style, t1, t10, op, trim, 1.5);
        double ratio = m10.best / m1.best;
        double norm = ratio * 10.0 / sizeRatio;
        std::printf("%-20s %-8s %-11s %7.2f %8.2f %8.2f %9.2f %6.2f %6.2f %8ld %8ld%s\n",
                    name.c_str(), OpName(op), styleLabel.c_str(), t1.size() / kMB, m1.best * 1e3,
                    t10.size() / kMB, m10.best * 1e3, ratio, norm, m1.faults, m10.faults,
                    ratio > 12 ? "  <-- over 12" : "");
        std::fflush(stdout);
        tsv.Line({"shape", name, OpName(op), styleLabel, std::to_string(t1.size()), Num(m1.best),
                  std::to_string(t10.size()), Num(m10.best), Num(ratio, 2), Num(norm, 2),
                  std::to_string(m1.faults), std::to_string(m10.faults)});
      }
    }
  }
  return 0;
}
