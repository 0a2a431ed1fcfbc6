#include "support/text_essence.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <vector>

#include "base/ascii.h"

namespace tessel::testing {
namespace {

char Fold(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return AsciiLower(char(c));
  if (c == 196 || c == 214 || c == 220) return char(c + 32);  // the lower-case mode's umlauts
  return char(c);
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The first "-->" at or after a position. Searches go forward, and one answer serves every
// later start up to it, so that many openers without a close cost one scan, not one each.
class CloseFinder {
 public:
  explicit CloseFinder(std::string_view s) : s_(s) {}
  size_t From(size_t from) {
    if (!searched_ || from < from_ || (found_ != std::string_view::npos && from > found_)) {
      searched_ = true;
      from_ = from;
      found_ = s_.find("-->", from);
    }
    return found_;
  }

 private:
  std::string_view s_;
  bool searched_ = false;
  size_t from_ = 0, found_ = std::string_view::npos;
};

// End of the comment starting at `at`, or npos when it is not one to leave out. Every
// "<!--" counts, also inside tags and blocks where the engine keeps it: that only leaves
// out more of the input, and the output side leaves out nothing.
size_t SkippedCommentEnd(std::string_view s, size_t at, bool purge, CloseFinder& closes) {
  if (s.compare(at, 4, "<!--") != 0) return std::string_view::npos;
  if (s.compare(at, 5, "<!--~") == 0) {
    size_t close = closes.From(at + 4);
    if (close != std::string_view::npos && s[close - 1] == '~') return close + 3;
  }
  if (!purge) return std::string_view::npos;
  size_t close = closes.From(at + 1);
  return close == std::string_view::npos ? s.size() : close + 3;
}

std::string Around(const std::string& s, size_t at) {
  size_t from = at < 60 ? 0 : at - 60;
  return s.substr(from, 120);
}

// The characters that must survive: no whitespace, no skipped comments ("<!--~ ... ~-->"
// when `skipComments`, every comment as well when `purge`), letters case folded, and runs
// of "<" or ">" folded into one.
std::string Essence(std::string_view s, bool skipComments, bool purge) {
  std::string out;
  CloseFinder closes(s);
  for (size_t i = 0; i < s.size();) {
    size_t skip = s[i] == '<' && skipComments ? SkippedCommentEnd(s, i, purge, closes)
                                              : std::string_view::npos;
    if (skip != std::string_view::npos) {
      i = skip;
      continue;
    }
    char c = s[i++];
    if (IsSpace(c)) continue;
    if ((c == '<' || c == '>') && !out.empty() && out.back() == c) continue;
    out.push_back(Fold(static_cast<unsigned char>(c)));
  }
  return out;
}

// Index in `needle` of the first character that `text` does not hold in order, or npos.
size_t MissingFrom(const std::string& needle, const std::string& text) {
  size_t t = 0;
  for (size_t n = 0; n < needle.size(); ++n) {
    while (t < text.size() && text[t] != needle[n]) ++t;
    if (t == text.size()) return n;
    ++t;
  }
  return std::string::npos;
}

}  // namespace

std::string LostText(std::string_view source, std::string_view out, bool purge) {
  std::string in = Essence(source, true, purge);
  size_t missing = MissingFrom(in, Essence(out, false, false));
  if (missing == std::string::npos) return {};
  return "lost text near: " + Around(in, missing);
}

std::string TrimDamage(std::string_view source, std::string_view trimmed) {
  if (Essence(trimmed, false, false) != Essence(source, false, false))
    return "trim changed more than whitespace";
  if (MissingFrom(std::string(trimmed), std::string(source)) != std::string::npos)
    return "trim added characters";
  return {};
}

bool HasLooseLt(std::string_view s) {
  for (size_t i = s.find('<'); i != std::string_view::npos && i + 1 < s.size();
       i = s.find('<', i + 1)) {
    char c = s[i + 1];
    if (c == '<' || c == ' ' || c == '\t' || c == '\n' || c == '\r') return true;
  }
  return false;
}

// A quoted attribute value that does not end before the tag's first ">", or a "<" inside a
// tag.
bool HasTagAcrossTag(std::string_view s) {
  for (size_t lt = s.find('<'); lt != std::string_view::npos; lt = s.find('<', lt + 1)) {
    if (lt + 1 >= s.size() || !(std::isalpha(static_cast<unsigned char>(s[lt + 1])))) continue;
    const size_t gt = s.find('>', lt);
    if (gt == std::string_view::npos) return false;
    if (s.find('<', lt + 1) < gt) return true;
    for (size_t i = lt + 1; i < gt; ++i) {
      if (s[i] != '=') continue;
      size_t j = i + 1;
      while (j < gt && IsSpace(s[j])) ++j;
      if (j == gt || (s[j] != '"' && s[j] != '\'')) continue;
      const size_t close = s.find(s[j], j + 1);
      if (close == std::string_view::npos || close > gt) return true;
      i = close;
    }
  }
  return false;
}

// A "<" that starts no tag, comment or declaration for HTML. Server code ("<%") is kept
// as it is by the tokenizer too.
bool HasTextLt(std::string_view s) {
  auto letter = [&](size_t at) {
    return at < s.size() && std::isalpha(static_cast<unsigned char>(s[at])) &&
           static_cast<unsigned char>(s[at]) < 0x80;
  };
  for (size_t lt = s.find('<'); lt != std::string_view::npos; lt = s.find('<', lt + 1)) {
    if (lt + 1 >= s.size()) return true;
    const char c = s[lt + 1];
    if (c == '/' ? !letter(lt + 2) : !(letter(lt + 1) || c == '!' || c == '?' || c == '%')) {
      return true;
    }
  }
  return false;
}

bool TokenizerReadsOtherwise(std::string_view s) {
  if (HasTextLt(s)) return true;
  const size_t last = s.rfind('<');
  if (last != std::string_view::npos && s.find('>', last) == std::string_view::npos) return true;
  if (HasTagAcrossTag(s)) return true;
  static constexpr std::string_view kNames[] = {"pre",    "listing", "xmp",   "plaintext",
                                                "textarea", "title", "script", "style",
                                                "iframe", "noembed", "noframes"};
  const std::string lower = AsciiLowerCase(s);
  auto opens = [&](size_t at, std::string_view name) {
    const size_t end = at + 1 + name.size();
    return lower.compare(at + 1, name.size(), name) == 0 &&
           (end >= lower.size() || !std::isalnum(static_cast<unsigned char>(lower[end])));
  };
  for (size_t at = lower.find('<'); at != std::string::npos; at = lower.find('<', at + 1)) {
    for (std::string_view name : kNames) {
      if (!opens(at, name)) continue;
      const size_t close = lower.find("</" + std::string(name), at);
      if (close == std::string::npos) return true;
      // "</title<" ends nothing for HTML: an end tag's name stops at a blank, "/" or ">".
      const size_t after = close + 2 + name.size();
      if (after < lower.size() && std::string_view(" \t\n\f\r/>").find(lower[after]) ==
                                      std::string_view::npos) {
        return true;
      }
      // A comment in text that the tokenizer does not keep whole may be dropped.
      const bool keptWhole = name == "pre" || name == "textarea" || name == "script" ||
                             name == "style";
      if (!keptWhole && lower.substr(at, close - at).find("<!--") != std::string::npos) {
        return true;
      }
      // In TITLE and kin HTML reads "<tr>" as text; the tokenizer sees a tag and lays it out.
      const bool text = !keptWhole && name != "listing";
      for (size_t next = lower.find('<', at + 1); text && next < close;
           next = lower.find('<', next + 1)) {
        const unsigned char c = next + 1 < lower.size() ? lower[next + 1] : 0;
        if (std::isalpha(c) || c == '/' || c == '!') return true;
      }
      for (size_t next = lower.find('<', at + 1); next < close; next = lower.find('<', next + 1)) {
        for (std::string_view other : kNames) {
          if (opens(next, other)) return true;
        }
      }
      at = close;
      break;
    }
  }
  return false;
}

bool HasMisnestedFormatting(std::string_view s) {
  static constexpr std::string_view kFormatting[] = {
      "a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike", "strong", "tt", "u"};
  const std::string lower = AsciiLowerCase(s);
  std::vector<std::string_view> open;
  for (size_t at = lower.find('<'); at != std::string::npos; at = lower.find('<', at + 1)) {
    const bool closing = at + 1 < lower.size() && lower[at + 1] == '/';
    const size_t from = at + 1 + closing;
    size_t end = from;
    while (end < lower.size() && std::isalnum(static_cast<unsigned char>(lower[end]))) ++end;
    const std::string_view name = std::string_view(lower).substr(from, end - from);
    const auto known = std::find(std::begin(kFormatting), std::end(kFormatting), name);
    if (known == std::end(kFormatting)) continue;
    if (!closing) {
      open.push_back(*known);
    } else if (open.empty() || open.back() != *known) {
      return true;
    } else {
      open.pop_back();
    }
  }
  return !open.empty();
}

}  // namespace tessel::testing
