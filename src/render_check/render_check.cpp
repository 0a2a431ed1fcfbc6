#include "render_check/render_check.h"

#include <cctype>
#include <exception>
#include <optional>
#include <thread>

#include "base/ascii.h"
#include "render_check/render_stream.h"
#include "render_check/source_text.h"

namespace tessel {
namespace render {
namespace {

constexpr bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

size_t CharStart(std::string_view s, size_t at) {
  while (at > 0 && at < s.size() && IsContinuation(s[at])) --at;
  return at;
}

// A piece of page text in quotes, line breaks and tabs made visible, cut to about `width`
// characters; `fromEnd` keeps its end rather than its start.
std::string Quoted(std::string_view s, size_t width = 24, bool fromEnd = false) {
  bool cutFront = false, cutBack = false;
  if (s.size() > width) {
    if (fromEnd) {
      s = s.substr(CharStart(s, s.size() - width));
      cutFront = true;
    } else {
      s = s.substr(0, CharStart(s, width));
      cutBack = true;
    }
  }
  std::string out = cutFront ? "\"..." : "\"";
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (s.compare(i, 2, "\xC2\xA0") == 0) {  // a no-break space would read as a space
      out += "&nbsp;";
      ++i;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out + (cutBack ? "...\"" : "\"");
}

// `s` without whitespace; with `foldCase`, its ASCII and Latin-1 capitals in lower case.
std::string WithoutSpace(std::string_view s, bool foldCase = false) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (IsSpace(c)) continue;
    out += foldCase ? AsciiLower(c) : c;
    const auto next = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
    if (foldCase && c == '\xC3' && next >= 0x80 && next <= 0x9E && next != 0x97) {
      out += char(next + 0x20);  // U+00C0 to U+00DE but the multiplication sign
      ++i;
    }
  }
  return out;
}

bool SameButCase(std::string_view a, std::string_view b) {
  return WithoutSpace(a, true) == WithoutSpace(b, true);
}

std::string DoctypeText(const Doctype& d) {
  if (!d.Present) return "none";
  std::string out = "<!DOCTYPE " + d.Name;
  if (!d.PublicId.empty()) out += " PUBLIC \"" + d.PublicId + "\"";
  if (!d.SystemId.empty()) out += (d.PublicId.empty() ? " SYSTEM \"" : " \"") + d.SystemId + "\"";
  return out + ">";
}

// Walks the two streams side by side. They are equal up to the first difference in the
// elements' structure; text, attribute and space differences are noted and the walk goes on.
class Comparison {
 public:
  Comparison(const RenderStream& original, const RenderStream& result, size_t limit)
      : a_(original), b_(result), limit_(limit) {}

  std::vector<RenderDifference> Run() {
    if (a_.TooDeep || b_.TooDeep) {
      const bool result = b_.TooDeep;
      Add(RenderDifferenceKind::Unchecked, false, result ? b_.Nesting.Offset : 0,
          std::string(result ? "the result" : "the original") +
              " nests its elements too deeply to be checked");
      return std::move(out_);
    }
    CompareDoctype();
    const auto& as = a_.Items;
    const auto& bs = b_.Items;
    size_t i = 0, j = 0;
    while ((i < as.size() || j < bs.size()) && !Full()) {
      if (i < as.size() && j < bs.size() && SameKind(as[i], bs[j])) {
        CompareSpace(as[i], bs[j], j - i);
        if (as[i].Kind == ItemKind::Open) CompareAttributes(as[i], bs[j]);
        if (as[i].Kind == ItemKind::Text) CompareText(as[i], bs[j]);
        ++i;
        ++j;
      } else if (i < as.size() && IsBlankVerbatim(a_, as[i])) {
        Add(RenderDifferenceKind::Verbatim, true, j < bs.size() ? bs[j].Source : b_.Page.size(),
            "the whitespace " + Quoted(a_.TextOf(as[i])) + " of " + Container(as[i]) +
                " is gone");
        ++i;
      } else if (j < bs.size() && IsBlankVerbatim(b_, bs[j])) {
        Add(RenderDifferenceKind::Verbatim, true, bs[j].Source,
            "the whitespace " + Quoted(b_.TextOf(bs[j])) + " was added to " + Container(bs[j]));
        ++j;
      } else {
        Structure(i, j);
        break;
      }
    }
    return std::move(out_);
  }

 private:
  bool Full() const { return out_.size() >= limit_; }

  // Whitespace alone in a PRE or SCRIPT: one page may have it where the other has nothing.
  static bool IsBlankVerbatim(const RenderStream& s, const Item& item) {
    if (item.Kind != ItemKind::Text || item.Mode != TextMode::Verbatim) return false;
    for (char c : s.TextOf(item)) {
      if (!IsSpace(c)) return false;
    }
    return true;
  }

  // The element whose verbatim text an item is: "<PRE>".
  std::string Container(const Item& text) const {
    Item element;
    element.Kind = ItemKind::Open;
    element.Tag = text.Tag;
    return Describe(b_, element);
  }

  void Add(RenderDifferenceKind kind, bool whitespaceOnly, size_t offset, std::string what,
           bool letterCaseOnly = false) {
    if (Full()) return;
    if (!lines_) lines_.emplace(b_.Page);
    RenderDifference d;
    d.Kind = kind;
    d.WhitespaceOnly = whitespaceOnly;
    d.LetterCaseOnly = whitespaceOnly || letterCaseOnly;
    lines_->Find(offset, &d.Line, &d.Column);
    d.What = std::move(what);
    out_.push_back(std::move(d));
  }

  bool SameKind(const Item& x, const Item& y) const {
    if (x.Kind != y.Kind) return false;
    if (x.Kind == ItemKind::Text) return true;  // text shown or not: its element says why
    return a_.SameElement(x, b_, y);
  }

  // How an item of the result reads in a message: "<A>", "</A>" or a piece of its text.
  std::string Describe(const RenderStream& s, const Item& item, bool fromEnd = false) const {
    if (item.Kind == ItemKind::Text) return Quoted(s.TextOf(item), 16, fromEnd);
    std::string out(item.Kind == ItemKind::Close ? "</" : "<");
    out += s.NameOf(item);
    out += '>';
    return out;
  }
  std::string Between(size_t at) const {
    const Item& after = b_.Items[at];
    if (at == 0) return "the start and " + Describe(b_, after);
    return Describe(b_, b_.Items[at - 1], true) + " and " + Describe(b_, after);
  }

  void CompareDoctype() {
    const Doctype& x = a_.DocumentType;
    const Doctype& y = b_.DocumentType;
    if (x.Present == y.Present && x.Name == y.Name && x.PublicId == y.PublicId &&
        x.SystemId == y.SystemId) {
      return;
    }
    const size_t at = b_.Page.find("<!");
    const std::string was = DoctypeText(x), is = DoctypeText(y);
    Add(RenderDifferenceKind::Doctype, x.Present == y.Present && WithoutSpace(was) == WithoutSpace(is),
        at == std::string::npos ? 0 : at,
        "the document type is " + is + " where the original has " + was,
        x.Present == y.Present && SameButCase(was, is));
  }

  // `shift`: how far the result's items have moved against the original's.
  void CompareSpace(const Item& x, const Item& y, size_t shift) {
    if (x.SpaceBefore == y.SpaceBefore) return;
    if (y.SpaceBefore) {
      Add(RenderDifferenceKind::Space, true, y.SpaceSource,
          "a space is shown between " + Between(y.SpaceAt));
    } else {
      const size_t at = std::min(x.SpaceAt + shift, b_.Items.size() - 1);
      Add(RenderDifferenceKind::Space, true, b_.Items[at].Source,
          "the space between " + Between(at) + " is gone");
    }
  }

  void CompareAttributes(const Item& x, const Item& y) {
    const Attribute* p = a_.Attributes.data() + x.Attributes;
    const Attribute* pEnd = p + x.AttributeCount;
    const Attribute* q = b_.Attributes.data() + y.Attributes;
    const Attribute* qEnd = q + y.AttributeCount;
    const std::string element = Describe(b_, y);
    while (p != pEnd || q != qEnd) {
      const std::string_view pName = p != pEnd ? a_.Str(p->Name, p->NameLength) : "";
      const std::string_view qName = q != qEnd ? b_.Str(q->Name, q->NameLength) : "";
      const std::string_view pValue = p != pEnd ? a_.Str(p->Value, p->ValueLength) : "";
      const std::string_view qValue = q != qEnd ? b_.Str(q->Value, q->ValueLength) : "";
      if (q == qEnd || (p != pEnd && pName < qName)) {
        Add(RenderDifferenceKind::Attribute, false, y.Source,
            element + " lost its attribute " + std::string(pName) + "=" + Quoted(pValue));
        ++p;
      } else if (p == pEnd || qName < pName) {
        Add(RenderDifferenceKind::Attribute, false, q->Source,
            element + " has a new attribute " + std::string(qName) + "=" + Quoted(qValue));
        ++q;
      } else {
        if (pValue != qValue) {
          Add(RenderDifferenceKind::Attribute, WithoutSpace(pValue) == WithoutSpace(qValue),
              q->Source,
              "the attribute " + std::string(qName) + " of " + element + " reads " +
                  Quoted(qValue, 40) + " where the original has " + Quoted(pValue, 40),
              SameButCase(pValue, qValue));
        }
        ++p;
        ++q;
      }
    }
  }

  void CompareText(const Item& x, const Item& y) {
    const std::string_view s = a_.TextOf(x);
    const std::string_view t = b_.TextOf(y);
    if (s == t) return;
    size_t k = 0;
    while (k < s.size() && k < t.size() && s[k] == t[k]) ++k;
    k = CharStart(t.size() > k ? t : s, k);  // the start of the first differing character
    const bool verbatim = x.Mode == TextMode::Verbatim;
    const bool whitespaceOnly = WithoutSpace(s) == WithoutSpace(t);
    const size_t at = SourceOfIndex(y, k);
    if (!verbatim && whitespaceOnly) {
      // The texts differ in one space: shown in one, not in the other.
      const bool added = k < t.size() && t[k] == ' ';
      const std::string_view longer = added ? t : s;
      const size_t wordStart = longer.rfind(' ', k == 0 ? 0 : k - 1);
      const std::string_view before =
          longer.substr(wordStart == std::string_view::npos ? 0 : wordStart + 1,
                        k - (wordStart == std::string_view::npos ? 0 : wordStart + 1));
      std::string_view after = longer.substr(std::min(longer.size(), k + 1));
      after = after.substr(0, after.find(' '));
      const std::string between = Quoted(before, 16, true) + " and " + Quoted(after, 16);
      Add(RenderDifferenceKind::Space, true, at,
          added ? "a space is shown between " + between : "the space between " + between +
                                                               " is gone");
      return;
    }
    const size_t from = CharStart(t.size() >= s.size() ? t : s, k >= 12 ? k - 12 : 0);
    Item element;
    element.Kind = ItemKind::Open;
    element.Tag = y.Tag;
    const std::string where = verbatim ? "the text of " + Describe(b_, element) : "the text";
    Add(verbatim ? RenderDifferenceKind::Verbatim : RenderDifferenceKind::Text, whitespaceOnly, at,
        where + " reads " + Quoted(t.substr(std::min(from, t.size())), 32) +
            " where the original has " + Quoted(s.substr(std::min(from, s.size())), 32),
        SameButCase(s, t));
  }

  // Where the `index`-th byte of a text item of the result stands in the page. The item's
  // text is the page's text with entities decoded, comments left out and, in running
  // text, whitespace runs as one space; this walks both together.
  size_t SourceOfIndex(const Item& item, size_t index) const {
    const std::string_view page = b_.Page;
    const std::string_view text = b_.TextOf(item);
    const bool collapse = item.Mode != TextMode::Verbatim;
    size_t p = item.Source, d = 0;
    while (d < index && p < page.size()) {
      if (page.compare(p, 4, "<!--") == 0) {
        const size_t end = page.find("-->", p + 4);
        p = end == std::string_view::npos ? page.size() : end + 3;
      } else if (collapse && IsSpace(page[p])) {
        while (p < page.size() && IsSpace(page[p])) ++p;
        ++d;
      } else if (page[p] == '&') {
        size_t end = p + 1;
        while (end < page.size() && end - p < 40 && (std::isalnum(static_cast<unsigned char>(page[end])) || page[end] == '#'))
          ++end;
        p = end < page.size() && page[end] == ';' ? end + 1 : p + 1;
        do ++d; while (d < text.size() && IsContinuation(text[d]));
      } else if (page[p] == '\r' && p + 1 < page.size() && page[p + 1] == '\n') {
        p += 2;
        ++d;
      } else {
        ++p;
        ++d;
      }
    }
    return p;
  }

  bool SameItem(const Item& x, const Item& y) const {
    return SameKind(x, y) && (x.Kind != ItemKind::Text || a_.TextOf(x) == b_.TextOf(y));
  }

  std::string Named(const RenderStream& s, const Item& item) const {
    return item.Kind == ItemKind::Text ? "the text " + Describe(s, item) : Describe(s, item);
  }

  // The first difference in the elements' structure; what follows is not compared.
  // The first difference in the elements' structure; what follows is not compared. Where
  // the parser opened a misnested formatting element (B, EM, A...) again, whitespace alone
  // decides where: such a difference is one of whitespace.
  void Structure(size_t i, size_t j) {
    const auto& as = a_.Items;
    const auto& bs = b_.Items;
    const Item* reopened = i < as.size() && as[i].Reopened   ? &as[i]
                           : j < bs.size() && bs[j].Reopened ? &bs[j]
                                                             : nullptr;
    const std::string why =
        reopened ? " (where the parser opens a misnested " + Describe(a_, *reopened) + " again)"
                 : "";
    std::string what;
    size_t at = j < bs.size() ? bs[j].Source : b_.Page.size();
    if (j >= bs.size()) {
      what = Named(a_, as[i]) + " is missing";
    } else if (i >= as.size() || (j + 1 < bs.size() && SameItem(as[i], bs[j + 1]))) {
      what = Named(b_, bs[j]) + " was added";
    } else if (i + 1 < as.size() && SameItem(as[i + 1], bs[j])) {
      what = Named(a_, as[i]) + " is missing";
    } else {
      what = Named(b_, bs[j]) + " stands where the original has " + Named(a_, as[i]);
    }
    // Names of unknown elements that differ in letter case alone (HTML lowers ASCII only).
    const bool caseOnly = i < as.size() && j < bs.size() && as[i].Kind == bs[j].Kind &&
                          as[i].Tag == bs[j].Tag && as[i].Kind != ItemKind::Text &&
                          SameButCase(a_.TextOf(as[i]), b_.TextOf(bs[j]));
    Add(RenderDifferenceKind::Element, reopened != nullptr, at, what + why, caseOnly);
  }

  const RenderStream& a_;
  const RenderStream& b_;
  const size_t limit_;
  std::optional<LinePositions> lines_;
  std::vector<RenderDifference> out_;
};

}  // namespace
}  // namespace render

std::string DescribeDifference(const RenderDifference& d) {
  return "line " + std::to_string(d.Line) + ", column " + std::to_string(d.Column) + ": " + d.What;
}

RenderCheck::RenderCheck(std::string_view original)
    : original_(render::RenderStream::Build(original, render::ReadingOf(original))) {}
RenderCheck::RenderCheck(std::unique_ptr<render::RenderStream> original)
    : original_(std::move(original)) {}
RenderCheck::~RenderCheck() = default;
RenderCheck::RenderCheck(RenderCheck&&) noexcept = default;
RenderCheck& RenderCheck::operator=(RenderCheck&&) noexcept = default;

std::vector<RenderDifference> RenderCheck::Differences(std::string_view result,
                                                       size_t limit) const {
  return Against(*render::RenderStream::Build(result, original_->Reading), limit);
}

std::vector<RenderDifference> RenderCheck::Against(const render::RenderStream& result,
                                                   size_t limit) const {
  return CompareParsed(*original_, result, limit);
}

std::vector<RenderDifference> RenderCheck::Compare(std::string_view original,
                                                   std::string_view result, size_t limit) {
  // The two parses are independent, and the parse is nearly all of the cost.
  const render::PageReading reading = render::ReadingOf(original);
  std::unique_ptr<render::RenderStream> parsed;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      parsed = render::RenderStream::Build(original, reading);
    } catch (...) {
      failure = std::current_exception();
    }
  });
  std::unique_ptr<render::RenderStream> other;
  try {
    other = render::RenderStream::Build(result, reading);
  } catch (...) {
    worker.join();
    throw;
  }
  worker.join();
  if (failure) std::rethrow_exception(failure);
  return RenderCheck(std::move(parsed)).Against(*other, limit);
}

std::vector<RenderDifference> RenderCheck::CompareParsed(const render::RenderStream& original,
                                                         const render::RenderStream& result,
                                                         size_t limit) {
  if (limit == 0) return {};
  return render::Comparison(original, result, limit).Run();
}

std::optional<RenderDifference> RenderCheck::First(std::string_view original,
                                                   std::string_view result) {
  std::vector<RenderDifference> found = Compare(original, result, 1);
  if (found.empty()) return std::nullopt;
  return std::move(found.front());
}

}  // namespace tessel
