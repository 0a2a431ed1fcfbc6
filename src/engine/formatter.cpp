// Second pass of formatting: indentation, empty lines, auto comments and wrapping of the
// token lines, with preserved blocks copied back where their markers stand.
#include <algorithm>
#include <array>
#include <string>

#include "engine/engine.h"
#include "engine/scan.h"
#include "engine/tag_index.h"

namespace tessel {
namespace {

constexpr int kMaxIndentSteps = 100;  // per tag, for hand-edited styles

int Steps(int value) { return std::min(value, kMaxIndentSteps); }

class Formatter {
 public:
  explicit Formatter(Engine& engine)
      : e_(engine), opts_(engine.style().Options), index_(engine.TagMemo()) {}

  void Line(size_t k);

 private:
  void EmitBlankLines(int direction, const TagEntry& entry);
  void WrapAndEmit(std::string_view line);
  void OpeningAsText(std::string_view line, const TagEntry& entry);
  void OpeningStandAlone(std::string_view line, const TagEntry& entry);
  void Closing(std::string_view line, const TagEntry& entry);
  void PreservedBlock(uint32_t marker);
  std::string LastTagName(std::string_view line) const;

  Engine& e_;
  const StyleOptions& opts_;
  TagIndex& index_;
};

void Formatter::EmitBlankLines(int direction, const TagEntry& entry) {
  int n = direction == 1 ? entry.CRLFLeading : entry.CRLFFollowed;
  for (int i = 1; i < std::min(n, kMaxBlankLines + 1); ++i) e_.EmitOutput({});
}

// Breaks at the last unprotected space at or before LineSize, else at the first one after
// it; a protected region (quoted, or inside a tag) is never broken.
void Formatter::WrapAndEmit(std::string_view line) {
  const int64_t lineSize = opts_.LineSize;
  const bool quotes = opts_.BreakExcluder == "\"";
  bool inside = false;  // carried over from piece to piece
  // Trailing spaces (a line break in the source) are dropped from the output anyway; counted,
  // they would break a line that fits.
  while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
  while (static_cast<int64_t>(line.size()) > lineSize) {
    size_t lastSpace = 0, k = 0;
    bool cut = false;
    const size_t n = line.size();
    for (size_t pos = FindWrapRelevant(line.data(), n); pos < n;
         pos += 1 + FindWrapRelevant(line.data() + pos + 1, n - pos - 1)) {
      char c = line[pos];
      k = pos + 1;  // 1-based position of the character
      if (quotes) {
        if (c == '"') inside = !inside;
      } else if (c == '<') {
        inside = true;
      } else if (c == '>') {
        inside = false;
      }
      if (c == ' ' && !inside) {
        if (static_cast<int64_t>(k) > lineSize) {
          cut = true;
          break;
        }
        lastSpace = k;
      }
    }
    if (!cut) break;
    size_t at = lastSpace != 0 ? lastSpace : k;
    e_.EmitIndented(line.substr(0, at));
    line.remove_prefix(at);
    if (k > line.size()) break;
  }
  e_.EmitIndented(line);
}

// Name of the tag that ends the line, or "" when the line does not end with a tag.
std::string Formatter::LastTagName(std::string_view line) const {
  while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
  if (line.empty() || line.back() != '>') return {};
  size_t lt = line.rfind('<');
  if (lt == std::string_view::npos) return {};
  return NormalizeTagName(line.substr(lt));
}

void Formatter::OpeningAsText(std::string_view line, const TagEntry& entry) {
  std::string last = LastTagName(line);
  EmitBlankLines(1, entry);
  e_.MakeAutoComment(1, entry);
  WrapAndEmit(line);
  if (!last.empty() && last != entry.TagOpen) {
    const TagEntry* closing = nullptr;
    int direction = index_.Lookup(last, closing);
    e_.MakeAutoComment(direction, *closing);
    EmitBlankLines(direction, *closing);
  }
}

void Formatter::OpeningStandAlone(std::string_view line, const TagEntry& entry) {
  EmitBlankLines(1, entry);
  if (entry.isSelfIndent > 0) e_.IndentLevel += Steps(entry.isSelfIndent);
  e_.MakeAutoComment(1, entry);
  e_.EmitIndented(line);
  if (entry.isContentIndent > 0) e_.IndentLevel += Steps(entry.isContentIndent);
}

// An indent that would take the level below 0 is skipped, not clipped.
void Formatter::Closing(std::string_view line, const TagEntry& entry) {
  int content = Steps(entry.isContentIndent), self = Steps(entry.isSelfIndent);
  if (content > 0 && content <= e_.IndentLevel && !entry.TreatAsText) e_.IndentLevel -= content;
  e_.EmitIndented(line);
  e_.MakeAutoComment(-1, entry);
  if (self > 0 && self <= e_.IndentLevel && !entry.TreatAsText) e_.IndentLevel -= self;
  EmitBlankLines(-1, entry);
}

void Formatter::PreservedBlock(uint32_t marker) {
  const BlockRef& ref = e_.Blocks[marker - 1];
  size_t first = ref.MarkerLine + 1;
  size_t last = marker < e_.Blocks.size() ? e_.Blocks[marker].MarkerLine : e_.BlockList.size();
  if (ref.Row != kCellRow) {
    for (size_t i = first; i < last; ++i) e_.EmitOutput(e_.BlockList[i]);
    return;
  }
  const TagEntry* cell = nullptr;
  index_.Lookup("<TD>", cell);
  int self = Steps(cell->isSelfIndent);
  EmitBlankLines(1, *cell);
  if (self > 0) e_.IndentLevel += self;
  e_.MakeAutoComment(1, *cell);
  for (size_t i = first; i < last; ++i) {
    std::string_view line = e_.BlockList[i];
    if (line.empty()) {
      e_.EmitOutput(line);
    } else {
      e_.EmitIndented(line);
    }
  }
  e_.MakeAutoComment(-1, *cell);
  if (self > 0 && self <= e_.IndentLevel) e_.IndentLevel -= self;
  EmitBlankLines(-1, *cell);
}

void Formatter::Line(size_t k) {
  std::string_view line = e_.TokenList[k];
  if (uint32_t marker = e_.TokenList.Tag(k)) {
    PreservedBlock(marker);
    return;
  }
  if (line.empty() || line.front() != '<') {
    WrapAndEmit(line);
    return;
  }
  const TagEntry* entry = nullptr;
  int direction = index_.Lookup(line, entry);
  if (direction == -1) {
    Closing(line, *entry);
  } else if (entry->TreatAsText) {
    OpeningAsText(line, *entry);
  } else {
    OpeningStandAlone(line, *entry);
  }
}

}  // namespace

void Engine::Format() {
  ResetCounters(style().Tags);
  IndentLevel = 0;
  StatusHooks& hooks = Hooks();
  const size_t n = TokenList.size();
  if (!PartialMode) {
    hooks.InitProgress(ProgressBar::ActFile, static_cast<int64_t>(n));
    hooks.ShowStatus("Formatting: " + FileName);
  }
  TrimTrailingSpaces = true;
  if (style().Options.UseWhileFormat && !PartialMode) EmitOutput(BuildDocLine());
  size_t bytes = TokenList.ByteSize() + BlockList.ByteSize();
  OutputLines.Reserve(bytes + bytes / 4, n + 16);
  Formatter formatter(*this);
  for (size_t k = 0; k < n; ++k) {
    if (!PartialMode && k % 100 == 0) hooks.SetProgress(ProgressBar::ActFile, int64_t(k));
    formatter.Line(k);
  }
  TrimTrailingSpaces = false;
  if (!PartialMode) {
    hooks.SetProgress(ProgressBar::ActFile, static_cast<int64_t>(n));
    hooks.SetProgress(ProgressBar::ActFile, 0);
    hooks.ShowStatus("Formatted and saved: " + FileName);
  }
}

}  // namespace tessel
