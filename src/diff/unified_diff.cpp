#include "diff/unified_diff.h"

#include <dtl/dtl.hpp>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/shown_name.h"

namespace tessel {
namespace {

constexpr size_t kContext = 3;

/// Lines as patch sees them: each up to and with its LF; the last may have none.
using Lines = std::vector<std::string_view>;

Lines SplitLines(std::string_view bytes) {
  Lines lines;
  for (size_t begin = 0; begin < bytes.size();) {
    size_t lf = bytes.find('\n', begin);
    size_t end = lf == std::string_view::npos ? bytes.size() : lf + 1;
    lines.push_back(bytes.substr(begin, end - begin));
    begin = end;
  }
  return lines;
}

/// A line without the CR LF or LF that ends it: what lines are aligned by.
std::string_view Text(std::string_view line) {
  if (line.ends_with('\n')) line.remove_suffix(line.ends_with("\r\n") ? 2 : 1);
  return line;
}

/// dtl's comparator of old and new line numbers, with a budget: once it is spent every
/// pair counts as equal, which ends the search at once. Such pairs are shown as changes
/// later, so the result stays exact. (Throwing instead would leak dtl's work arrays.)
class BudgetCompare {
 public:
  BudgetCompare(const Lines& before, const Lines& after, size_t* left)
      : before_(&before), after_(&after), left_(left) {}
  bool impl(uint32_t a, uint32_t b) const {
    if (*left_ == 0) return true;
    --*left_;
    return Text((*before_)[a]) == Text((*after_)[b]);
  }

 private:
  const Lines* before_;
  const Lines* after_;
  size_t* left_;
};

/// One step of the edit script. Replace pairs an old and a new line whose bytes differ.
enum class Op : uint8_t { Same, Del, Add, Replace };

/// dtl's storage functor: its script as Ops.
template <typename SesElem, typename Storage>
class OpCollector {
 public:
  explicit OpCollector(Storage& ops) : ops_(ops) {}
  void operator()(const SesElem& e) const {
    ops_.push_back(e.second.type == dtl::SES_COMMON   ? Op::Same
                   : e.second.type == dtl::SES_DELETE ? Op::Del
                                                      : Op::Add);
  }

 private:
  Storage& ops_;
};

std::vector<uint32_t> Numbers(size_t from, size_t to) {
  std::vector<uint32_t> numbers(to - from);
  for (size_t i = 0; i < numbers.size(); ++i) numbers[i] = uint32_t(from + i);
  return numbers;
}

/// Appends the alignment of old lines [a, aEnd) with new lines [b, bEnd).
void AlignMiddle(const Lines& before, const Lines& after, size_t a, size_t aEnd, size_t b,
                 size_t bEnd, size_t budget, std::vector<Op>& ops) {
  if (std::max(aEnd, bEnd) > UINT32_MAX) {  // beyond line numbers dtl is given: replace all
    ops.insert(ops.end(), aEnd - a, Op::Del);
    ops.insert(ops.end(), bEnd - b, Op::Add);
    return;
  }
  dtl::Diff<uint32_t, std::vector<uint32_t>, BudgetCompare> diff(
      Numbers(a, aEnd), Numbers(b, bEnd), BudgetCompare(before, after, &budget));
  diff.compose();
  // dtl keeps deletions first only by inserting into the middle of its script, which is
  // quadratic on long changes; DeletionsFirst below does it in one pass.
  diff.storeSES<std::vector<Op>, OpCollector>(ops);
}

/// Within each run of changes, deletions before additions, as diff tools show them.
void DeletionsFirst(std::vector<Op>& ops) {
  for (size_t i = 0; i < ops.size();) {
    size_t end = i;
    while (end < ops.size() && ops[end] != Op::Same) ++end;
    std::stable_partition(ops.begin() + i, ops.begin() + end,
                          [](Op op) { return op == Op::Del; });
    i = end + 1;
  }
}

/// Pairs whose bytes differ after all (another line end, or paired past the budget)
/// become replacements.
void MarkReplacements(std::vector<Op>& ops, const Lines& before, const Lines& after,
                      size_t* lineEndOnly) {
  size_t old = 0, now = 0;
  for (Op& op : ops) {
    if (op == Op::Same && before[old] != after[now]) {
      op = Op::Replace;
      if (Text(before[old]) == Text(after[now])) ++*lineEndOnly;
    }
    old += op != Op::Add;
    now += op != Op::Del;
  }
}

std::vector<Op> EditScript(const Lines& before, const Lines& after, size_t budget) {
  const size_t n = before.size(), m = after.size();
  size_t head = 0, tail = 0;
  while (head < n && head < m && Text(before[head]) == Text(after[head])) ++head;
  while (tail < n - head && tail < m - head &&
         Text(before[n - 1 - tail]) == Text(after[m - 1 - tail])) {
    ++tail;
  }
  std::vector<Op> ops(head, Op::Same);
  if (head < n - tail || head < m - tail) {
    AlignMiddle(before, after, head, n - tail, head, m - tail, budget, ops);
  }
  ops.insert(ops.end(), tail, Op::Same);
  DeletionsFirst(ops);
  return ops;
}

std::string Range(size_t start, size_t count) {
  if (count == 1) return std::to_string(start + 1);
  return std::to_string(count == 0 ? start : start + 1) + "," + std::to_string(count);
}

void AppendLine(std::string& out, char mark, std::string_view line) {
  out += mark;
  out += line;
  if (!line.ends_with('\n')) out += "\n\\ No newline at end of file\n";
}

/// The index just past the hunk that starts with the change at `first`.
size_t HunkEnd(const std::vector<Op>& ops, size_t first) {
  size_t lastChange = first;
  for (size_t i = first; i < ops.size();) {
    if (ops[i] != Op::Same) {
      lastChange = i++;
      continue;
    }
    size_t same = i;
    while (same < ops.size() && ops[same] == Op::Same) ++same;
    if (same == ops.size() || same - i > 2 * kContext) break;
    i = same;
  }
  return std::min(ops.size(), lastChange + 1 + kContext);
}

/// Old and new line numbers, where a walk over the script stands.
struct Position {
  size_t Old = 0, New = 0;
  void Step(Op op) {
    Old += op != Op::Add;
    New += op != Op::Del;
  }
};

void AppendHunk(std::string& out, const std::vector<Op>& ops, size_t begin, size_t end,
                Position at, const Lines& before, const Lines& after) {
  Position past = at;
  for (size_t i = begin; i < end; ++i) past.Step(ops[i]);
  out += "@@ -" + Range(at.Old, past.Old - at.Old) + " +" + Range(at.New, past.New - at.New) +
         " @@\n";
  for (size_t i = begin; i < end; ++i) {
    const Op op = ops[i];
    if (op == Op::Same) AppendLine(out, ' ', before[at.Old]);
    if (op == Op::Del || op == Op::Replace) AppendLine(out, '-', before[at.Old]);
    if (op == Op::Add || op == Op::Replace) AppendLine(out, '+', after[at.New]);
    at.Step(op);
  }
}

/// "a/" or "b/" and the path as patch reads it: quoted with C escapes when it holds a
/// control character, a quote or a backslash; followed by a tab when it holds a space, so
/// that the name does not end at the space.
std::string HeaderName(std::string_view side, std::string_view path) {
  if (NeedsQuoting(path)) return CQuoted(path, side);
  std::string name(side);
  name.append(path);
  if (path.find(' ') != std::string_view::npos) name += '\t';
  return name;
}

}  // namespace

UnifiedDiffResult MakeUnifiedDiff(std::string_view before, std::string_view after,
                                  std::string_view path, size_t compareBudget) {
  UnifiedDiffResult result;
  if (before == after) return result;
  const Lines oldLines = SplitLines(before), newLines = SplitLines(after);
  std::vector<Op> ops = EditScript(oldLines, newLines, compareBudget);
  MarkReplacements(ops, oldLines, newLines, &result.LineEndOnlyChanges);
  std::string& out = result.Text;
  out.append("--- ").append(HeaderName("a/", path)).append("\n");
  out.append("+++ ").append(HeaderName("b/", path)).append("\n");
  Position at;
  for (size_t i = 0; i < ops.size();) {
    if (ops[i] == Op::Same) {
      at.Step(ops[i++]);
      continue;
    }
    // The context before a change is all unchanged lines: step back over it.
    const size_t back = std::min<size_t>(i, kContext);
    const size_t end = HunkEnd(ops, i);
    AppendHunk(out, ops, i - back, end, {at.Old - back, at.New - back}, oldLines, newLines);
    for (; i < end; ++i) at.Step(ops[i]);
  }
  return result;
}

}  // namespace tessel
