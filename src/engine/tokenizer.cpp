// First pass of formatting: splits the source into token lines (stand-alone tags, and
// text runs with their inline tags) and preserved blocks kept verbatim.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "base/ascii.h"
#include "engine/engine.h"
#include "engine/scan.h"
#include "engine/tag_index.h"

namespace tessel {
namespace {

constexpr size_t kNone = std::string::npos;
constexpr size_t kProgressStep = 1000;

bool IsBlank(char c) { return c == '\n' || c == '\r' || c == ' ' || c == '\t'; }

bool IsBlankText(std::string_view s) { return std::all_of(s.begin(), s.end(), IsBlank); }

bool IsAngle(char c) { return c == '<' || c == '>'; }

char MapBlank(char c) { return (c == '\n' || c == '\t') ? ' ' : c; }

bool IsContinuation(std::string_view s, size_t i) {
  return i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
}

// Appends a tag read from the source, tidied: line breaks and TABs become spaces, the name
// takes the tag case, spaces inside the brackets are trimmed and runs collapsed, extra "<"
// at the start and ">" at the end fold away, and a trailing space (the whitespace the tag
// took along) survives.
void AppendTidiedTag(std::string_view raw, bool keepSpace, int tagCase, std::string& out) {
  const size_t n = raw.size();
  // Most tags are tidy already: one "<", one ">", no whitespace to trim or collapse.
  if (n >= 3 && raw[0] == '<' && raw[n - 1] == '>' && !IsCollapsible(raw[1]) && raw[1] != '<' &&
      !IsCollapsible(raw[n - 2]) && raw[n - 2] != '>' && FindCollapse(raw.data(), n) == n) {
    size_t old = out.size();
    out.append(raw);
    if (keepSpace) out.push_back(' ');
    if (tagCase == 1 || tagCase == 2) {
      char* t = out.data() + old;
      for (size_t i = 1; i < n && t[i] != ' ' && t[i] != '"' && t[i] != '>'; ++i) {
        t[i] = TagCaseChar(t[i], tagCase, IsContinuation(raw, i + 1));
      }
    }
    return;
  }
  auto isSpace = [&](size_t i) { return MapBlank(raw[i]) == ' '; };
  bool endsWithSpace = keepSpace || (n > 0 && isSpace(n - 1));
  size_t b = 0, e = n;
  auto trim = [&] {
    while (b < e && isSpace(b)) ++b;
    while (e > b && isSpace(e - 1)) --e;
  };
  trim();
  while (b < e && raw[b] == '<') ++b;
  while (e > b && raw[e - 1] == '>') --e;
  trim();
  size_t caseEnd = 0;
  if (tagCase == 1 || tagCase == 2) {
    while (caseEnd < n && MapBlank(raw[caseEnd]) != ' ' && raw[caseEnd] != '"' &&
           raw[caseEnd] != '>') {
      ++caseEnd;
    }
  }
  out.push_back('<');
  size_t i = b;
  for (; i < e && i < caseEnd; ++i) {
    out.push_back(TagCaseChar(raw[i], tagCase, IsContinuation(raw, i + 1)));
  }
  bool lastSpace = false;
  if (i < e) AppendCollapsed(raw.data() + i, e - i, out, lastSpace);
  out.push_back('>');
  if (endsWithSpace) out.push_back(' ');
}

// "First position >= from with a property" for searches that mostly move forward: a result
// found for one start also answers every later start up to it, which keeps the repeated
// searches of malformed input linear.
class ForwardSearch {
 public:
  template <typename Find>
  size_t At(size_t from, Find find) {
    if (valid_ && from >= from_ && (found_ == kNone || from <= found_)) return found_;
    from_ = from;
    found_ = find(from);
    valid_ = true;
    return found_;
  }

 private:
  bool valid_ = false;
  size_t from_ = 0;
  size_t found_ = kNone;
};

class Tokenizer {
 public:
  explicit Tokenizer(Engine& engine)
      : e_(engine),
        src_(engine.SourceText),
        len_(src_.size()),
        tagCase_(engine.style().Options.TagCase),
        table_(engine.style().Tags),
        index_(engine.TagMemo()),
        pending_(engine.PendingText) {
    pending_.clear();
  }

  void Run();

 private:
  std::string_view From(size_t i) const { return std::string_view(src_).substr(i); }
  size_t TagEnd(size_t i) const;  // index after the tag starting at i
  size_t FindClose(size_t from, std::string_view close) const;
  size_t FindClosingEnd(size_t from, std::string_view close);
  size_t CellEnd(size_t i);  // end of a cell without text, or kNone
  size_t NextGtBeforeText(size_t from);

  void AppendText(size_t from, size_t to);
  void FlushText();
  bool KeepSpace(const TagNameInfo& info, size_t next) const;
  void EmitPendingRaw();
  void EmitMarker(int row);

  size_t AsTextTag(size_t i, int n, const TagNameInfo& info);
  size_t StandAloneTag(size_t i, const TagNameInfo& info);
  size_t OwnCommentEnd(size_t i);
  size_t PreservedBlock(size_t i, int row);
  size_t CellBlock(size_t i, size_t end);
  void Progress(size_t i);

  Engine& e_;
  const std::string& src_;
  size_t len_;
  int tagCase_;
  const TagTable& table_;
  TagIndex& index_;
  // PendingText: while it is one stretch of the source it is only marked there
  // (spanFrom_..spanTo_), and copied into pending_ (the engine's PendingText, whose
  // buffer outlives the run) once a tag joins it.
  std::string& pending_;
  size_t spanFrom_ = 0, spanTo_ = 0;
  std::string_view Pending() const {
    return spanTo_ > spanFrom_ ? std::string_view(src_).substr(spanFrom_, spanTo_ - spanFrom_)
                               : std::string_view(pending_);
  }
  std::string& PendingBuffer() {
    if (spanTo_ > spanFrom_) {
      size_t n = spanTo_ - spanFrom_;
      pending_.reserve(n + n / 2 + 64);  // room for the tags that join it
      pending_.assign(src_, spanFrom_, n);
    }
    spanFrom_ = spanTo_ = 0;
    return pending_;
  }
  void ClearPending() {
    pending_.clear();
    spanFrom_ = spanTo_ = 0;
  }
  uint32_t blockNumber_ = 0;
  size_t nextProgress_ = kProgressStep;
  ForwardSearch tdClose_, closeGt_, cellGtSearch_, gtBeforeText_, bangClose_;
  size_t cellGt_ = kNone, cellStart_ = 0;
};

void Tokenizer::Progress(size_t i) {
  if (i < nextProgress_) return;
  e_.Hooks().SetProgress(ProgressBar::ActFile, static_cast<int64_t>(i - i % kProgressStep));
  nextProgress_ = i - i % kProgressStep + kProgressStep;
}

size_t Tokenizer::TagEnd(size_t i) const {
  const void* gt = std::memchr(src_.data() + i, '>', len_ - i);
  return gt ? static_cast<const char*>(gt) - src_.data() + 1 : len_;
}

// Case-insensitive search; every closing text starts with a character that is no letter.
size_t Tokenizer::FindClose(size_t from, std::string_view close) const {
  const char* base = src_.data();
  size_t n = close.size();
  while (from + n <= len_) {
    const void* hit = std::memchr(base + from, close[0], len_ - from - n + 1);
    if (!hit) return kNone;
    size_t at = static_cast<const char*>(hit) - base;
    size_t k = 1;
    while (k < n && AsciiUpper(base[at + k]) == close[k]) ++k;
    if (k == n) return at;
    from = at + 1;
  }
  return kNone;
}

// Index of the ">" that ends the closing text, or the last index of the source.
size_t Tokenizer::FindClosingEnd(size_t from, std::string_view close) {
  size_t at = close == "</TD" ? tdClose_.At(from, [&](size_t f) { return FindClose(f, close); })
                              : FindClose(from, close);
  if (close == "-->") {
    // Browsers end a comment at "--!>" too: text after it is the page's, not the comment's.
    // From after the "<!--" (`from` is one past its "<"), as OwnCommentEnd looks: the one
    // cache then only moves forward.
    const size_t bang = bangClose_.At(from + 3, [&](size_t f) { return FindClose(f, "--!>"); });
    if (bang != kNone && (at == kNone || bang < at)) at = bang + 1;  // its "->" ends like "-->"
  }
  if (at == kNone) return len_ - 1;
  size_t gt = closeGt_.At(at + close.size() - 1, [&](size_t f) { return TagEnd(f) - 1; });
  return gt >= len_ ? len_ - 1 : gt;
}

// First ">" at or after `from` that is followed by a character other than "<" or ">".
size_t Tokenizer::NextGtBeforeText(size_t from) {
  return gtBeforeText_.At(from, [&](size_t f) {
    for (size_t p = f; p + 1 < len_; ++p) {
      const void* hit = std::memchr(src_.data() + p, '>', len_ - 1 - p);
      if (!hit) return kNone;
      p = static_cast<const char*>(hit) - src_.data();
      if (!IsAngle(src_[p + 1])) return p;
    }
    return kNone;
  });
}

// A cell is kept whole when nothing but tags and whitespace lies between its opening tag
// and "</TD": text is any character outside "<...>", a space between two tags included.
size_t Tokenizer::CellEnd(size_t i) {
  size_t end = FindClosingEnd(i + 1, "</TD");
  size_t gt = cellGtSearch_.At(i, [&](size_t f) { return TagEnd(f) - 1; });
  if (gt != cellGt_) {  // cells sharing one unterminated opening tag skip its blanks once
    cellGt_ = gt;
    cellStart_ = gt + 1;
    while (cellStart_ < len_ &&
           (src_[cellStart_] == ' ' || src_[cellStart_] == '\n' || src_[cellStart_] == '\t')) {
      ++cellStart_;
    }
  }
  size_t start = cellStart_;
  if (start > end || start >= len_) return end;
  if (!IsAngle(src_[start])) return kNone;
  size_t p = NextGtBeforeText(start);
  return (p != kNone && p + 1 <= end) ? kNone : end;
}

void Tokenizer::AppendText(size_t from, size_t to) {
  if (pending_.empty() && spanTo_ == spanFrom_) {
    spanFrom_ = from;
    spanTo_ = to;
  } else {
    PendingBuffer().append(src_, from, to - from);
  }
}

// Line feeds and TABs become spaces, runs of spaces collapse, leading spaces go. Blank
// text stays pending (a lone CR counts as blank here, but is kept inside text).
void Tokenizer::FlushText() {
  const std::string_view pending = Pending();
  const char* p = pending.data();
  const size_t n = pending.size();
  size_t s = 0;
  while (s < n && (p[s] == '\n' || p[s] == ' ' || p[s] == '\t')) ++s;
  size_t firstNonBlank = s;
  while (firstNonBlank < n && p[firstNonBlank] == '\r') ++firstNonBlank;
  if (firstNonBlank >= n && IsBlankText(pending)) return;
  bool lastSpace = false;
  AppendCollapsed(p + s, n - s, e_.TokenList.Open(), lastSpace);
  e_.TokenList.CloseLine();
  ClearPending();
}

bool Tokenizer::KeepSpace(const TagNameInfo& info, size_t next) const {
  return !info.BlockLevel && next < len_ &&
         (src_[next] == ' ' || src_[next] == '\t' || src_[next] == '\n');
}

size_t Tokenizer::AsTextTag(size_t i, int n, const TagNameInfo& info) {
  size_t next = TagEnd(i);
  std::string_view raw(src_.data() + i, next - i);
  if (raw.size() < 2) {
    PendingBuffer() += raw;
    return next;
  }
  const TagEntry& entry = table_.Entry(n);
  if (entry.CRLFLeading > 0 && raw[1] != '/') FlushText();
  bool keep = KeepSpace(info, next);
  std::string& pending = PendingBuffer();
  size_t at = pending.size();
  AppendTidiedTag(raw, keep, tagCase_, pending);
  if (entry.CRLFFollowed > 0 && pending[at + 1] == '/') FlushText();
  return next + (keep ? 1 : 0);
}

size_t Tokenizer::StandAloneTag(size_t i, const TagNameInfo& info) {
  ClearPending();  // only blank text can be pending here
  size_t next = TagEnd(i);
  bool keep = KeepSpace(info, next);
  AppendTidiedTag(std::string_view(src_.data() + i, next - i), keep, tagCase_, e_.TokenList.Open());
  e_.TokenList.CloseLine();
  return next + (keep ? 1 : 0);
}

// Text still pending when a block starts (the block's tag is itself an As-Text entry)
// goes out as one text line, like text before any line break. Kept raw, its line feeds
// would end up inside an output line (two kinds of line end in one file), and its
// paragraph breaks, dropped, would join the words on either side.
void Tokenizer::EmitPendingRaw() {
  FlushText();
  ClearPending();
}

void Tokenizer::EmitMarker(int row) {
  ++blockNumber_;
  std::string marker = "###";
  marker += BlockTagTable[row].BlockOpen;
  marker += ':';
  marker += std::to_string(blockNumber_);
  e_.TokenList.Append(marker, blockNumber_);
  e_.BlockList.Append(marker, blockNumber_);
  e_.Blocks.push_back(BlockRef{e_.BlockList.size() - 1, row});
}

// Index after our own earlier comment starting at i, or kNone. It ends at the first "-->",
// which must be "~-->"; anything else is a user's comment that merely starts like ours.
size_t Tokenizer::OwnCommentEnd(size_t i) {
  size_t close = FindClose(i + 4, "-->");
  // Ours never hold "--!>": one that ends there first is a user's comment.
  const size_t bang = bangClose_.At(i + 4, [&](size_t f) { return FindClose(f, "--!>"); });
  if (bang != kNone && bang < close) return kNone;
  return close != kNone && src_[close - 1] == '~' ? close + 3 : kNone;
}

size_t Tokenizer::PreservedBlock(size_t i, int row) {
  EmitPendingRaw();
  if (row == kOwnCommentRow) {
    size_t end = OwnCommentEnd(i);
    if (end != kNone) return end;
    row = kCommentRow;
  }
  size_t end = FindClosingEnd(i + 1, BlockTagTable[row].BlockClose);
  EmitMarker(row);
  LineList& blocks = e_.BlockList;
  size_t start = i;
  while (start <= end) {
    const void* lf = std::memchr(src_.data() + start, '\n', end + 1 - start);
    size_t stop = lf ? static_cast<const char*>(lf) - src_.data() : end + 1;
    std::string_view line(src_.data() + start, stop - start);
    blocks.Append(line == " " ? std::string_view() : line);
    if (!lf) break;
    // A block ends with a line feed only when it runs unclosed to the end of the source.
    // That line feed ends the last line like any other; an empty line for it would add
    // one more empty line each time the result is formatted again.
    start = stop + 1;
  }
  return end + 1;
}

size_t Tokenizer::CellBlock(size_t i, size_t end) {
  EmitPendingRaw();
  EmitMarker(kCellRow);
  std::string& out = e_.BlockList.Open();
  size_t start = out.size();
  bool lastSpace = false;
  // Line breaks go first, so that only tag names change case, never attributes.
  AppendCollapsed(src_.data() + i, end + 1 - i, out, lastSpace);
  // A "<" inside a name is converted with it, so the scan goes on after each name: starting
  // over at every "<" made a cell of many unterminated names quadratic.
  for (size_t k = out.find('<', start); k != std::string::npos;) {
    k = out.find('<', std::max(ApplyTagCase(out, k, tagCase_), k + 1));
  }
  if (out.size() == start + 1 && out.back() == ' ') out.pop_back();
  e_.BlockList.CloseLine();
  return end + 1;
}

void Tokenizer::Run() {
  size_t i = 0;
  while (i < len_) {
    Progress(i);
    const void* lt = std::memchr(src_.data() + i, '<', len_ - i);
    size_t tagStart = lt ? static_cast<const char*>(lt) - src_.data() : len_;
    if (tagStart > i) {
      AppendText(i, tagStart);
      i = tagStart;
      continue;
    }
    const TagNameInfo info = index_.ForTag(From(i));
    if (info.BlockRow == kOwnCommentRow) {
      // Our own comment goes without a trace: text on both sides stays one text, so
      // formatting the result again gives the same lines.
      size_t end = OwnCommentEnd(i);
      if (end != kNone) {
        i = end;
        continue;
      }
    }
    int n = info.AsTextEntry;
    if (n == 0) FlushText();
    if (info.BlockRow == kCellRow) {
      size_t end = CellEnd(i);
      if (end != kNone) {
        i = CellBlock(i, end);
        continue;
      }
    } else if (info.BlockRow >= 0) {
      i = PreservedBlock(i, info.BlockRow);
      continue;
    }
    i = n > 0 ? AsTextTag(i, n, info) : StandAloneTag(i, info);
  }
  FlushText();
}

}  // namespace

void Engine::Tokenize() {
  OutputLines.Clear();
  TokenList.Clear();
  BlockList.Clear();
  Blocks.clear();
  TokenList.Reserve(SourceText.size() + 16, SourceText.size() / 32 + 16);
  StatusHooks& hooks = Hooks();
  hooks.InitProgress(ProgressBar::ActFile, static_cast<int64_t>(SourceText.size()));
  if (!PartialMode) hooks.ShowStatus("Parsing: " + FileName);
  Tokenizer(*this).Run();
  hooks.SetProgress(ProgressBar::ActFile, static_cast<int64_t>(SourceText.size()));
  hooks.SetProgress(ProgressBar::ActFile, 0);
}

}  // namespace tessel
