#include "editor/syntax_colour.h"

#include <algorithm>

namespace tessel {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// The first "<", ">" or double quote at or after `i`, or the end: the bytes that end a
// tag's run or a quoted value.
std::size_t NextTagByte(std::string_view text, std::size_t i) {
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '<' || c == '>' || c == '"') return i;
  }
  return text.size();
}

// The rest of a tag from `i` (just after its "<"): up to and including ">", or up to the
// next "<" or the end. A double quote starts a quoted value, which ends after the next
// double quote or before a "<" or ">". Returns where the tag ends.
template <class Sink>
std::size_t WalkTag(std::string_view text, std::size_t i, Sink& sink) {
  const std::size_t n = text.size();
  while (i < n) {
    const std::size_t stop = NextTagByte(text, i);
    sink.Copy(i, stop);
    if (stop == n || text[stop] == '<') return stop;
    if (text[stop] == '>') {
      sink.Copy(stop, stop + 1);
      return stop + 1;
    }
    const std::size_t q = NextTagByte(text, stop + 1);
    const std::size_t end = (q < n && text[q] == '"') ? q + 1 : q;
    sink.Colour(ColourClass::Quoted);
    sink.Copy(stop, end);
    sink.Colour(ColourClass::Tag);
    i = end;
  }
  return n;
}

// The one walk behind all colouring. `sink` hears each colour switch (Colour) and each run
// of bytes in the current colour (Copy, as [begin, end) of `text`). A run never ends
// between the CR and LF of a line end. Returns how many bytes were walked: all, unless
// `stopAtOpenComment` and a comment is not closed inside the text.
template <class Sink>
std::size_t Walk(std::string_view text, Sink& sink, bool stopAtOpenComment) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    if (text[i] != '<') {
      const std::size_t end = std::min(text.find('<', i), n);
      sink.Colour(ColourClass::Text);
      sink.Copy(i, end);
      i = end;
    } else if (text.substr(i).starts_with("<!--")) {
      // "<!-->" closes itself: the close is looked for from the "!".
      const std::size_t close = text.find("-->", i + 1);
      if (close == npos && stopAtOpenComment) return i;
      const std::size_t end = close == npos ? n : close + 3;
      sink.Colour(ColourClass::Comment);
      sink.Copy(i, end);
      sink.Colour(ColourClass::Text);
      i = end;
    } else {
      sink.Colour(ColourClass::Tag);
      sink.Copy(i, i + 1);
      i = WalkTag(text, i + 1, sink);
    }
  }
  return n;
}

// Line ends and the bytes RTF would read as control words or groups.
bool NeedsRewriting(char c) { return c == '\r' || c == '\n' || c == '\\' || c == '{' || c == '}'; }

class RtfSink {
 public:
  RtfSink(std::string_view text, std::string& out) : text_(text), out_(out) {}
  void Colour(ColourClass cls) {
    out_ += "\\cf";
    out_ += char('0' + static_cast<int>(cls));
    out_ += ' ';
  }
  void Copy(std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      const std::size_t plain = i;
      while (i < end && !NeedsRewriting(text_[i])) ++i;
      out_.append(text_.substr(plain, i - plain));
      if (i == end) return;
      const char c = text_[i];
      if (c == '\r' || c == '\n') {
        if (c == '\r' && i + 1 < end && text_[i + 1] == '\n') ++i;
        out_ += "\r\n\\par ";
      } else {
        out_ += '\\';
        out_ += c;
      }
    }
  }

 private:
  std::string_view text_;
  std::string& out_;
};

class ClassSink {
 public:
  explicit ClassSink(std::vector<ColourClass>& out) : out_(out) {}
  void Colour(ColourClass cls) { current_ = cls; }
  void Copy(std::size_t begin, std::size_t end) {
    std::fill(out_.begin() + begin, out_.begin() + end, current_);
  }

 private:
  std::vector<ColourClass>& out_;
  ColourClass current_ = ColourClass::Text;
};

constexpr std::uint32_t kBlack = 0, kBlue = 0xFF0000, kRed = 0x0000FF, kTeal = 0x808000,
                        kSilver = 0xC0C0C0;

}  // namespace

std::optional<SyntaxPalette> EmphasisPalette(int mode) {
  switch (mode) {
    case 1:
      return SyntaxPalette{kBlack, kBlue, kRed, kTeal};
    case 2:
      return SyntaxPalette{kSilver, kBlue, kSilver, kSilver};
    case 3:
      return SyntaxPalette{kSilver, kSilver, kRed, kSilver};
    case 4:
      return SyntaxPalette{kBlack, kSilver, kSilver, kSilver};
    case 5:
      return SyntaxPalette{kSilver, kSilver, kSilver, kTeal};
    default:
      return std::nullopt;
  }
}

std::uint32_t ClassColour(const SyntaxPalette& palette, ColourClass cls) {
  switch (cls) {
    case ColourClass::Tag:
      return palette.TagCol;
    case ColourClass::Quoted:
      return palette.QuotedCol;
    case ColourClass::Comment:
      return palette.CommentCol;
    case ColourClass::Text:
      break;
  }
  return palette.TextCol;
}

std::string ColourTableEntry(std::uint32_t bgr) {
  return "\\red" + std::to_string(bgr & 0xFF) + "\\green" + std::to_string((bgr >> 8) & 0xFF) +
         "\\blue" + std::to_string((bgr >> 16) & 0xFF) + ";";
}

std::string TextToRtf(std::string_view text, const SyntaxPalette& palette) {
  std::string out;
  out.reserve(text.size() + text.size() / 2 + 512);  // tags and line ends grow it
  out +=
      "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss MS SansSerif;}"
      "{\\f1\\froman\\fcharset2 Symbol;}{\\f2\\fmodern Courier New;}}\r\n{\\colortbl";
  for (const std::uint32_t c :
       {palette.TextCol, palette.TagCol, palette.QuotedCol, palette.CommentCol}) {
    out += ColourTableEntry(c);
  }
  out += "}\r\n\\deflang1033\\pard\\plain\\f2\\fs18\\cf0 ";
  RtfSink sink(text, out);
  Walk(text, sink, false);
  out += '}';
  return out;
}

void ColourClasses(std::string_view text, std::vector<ColourClass>& out) {
  out.assign(text.size(), ColourClass::Text);
  ClassSink sink(out);
  Walk(text, sink, false);
}

std::size_t RangeClasses(std::string_view text, std::size_t n, std::vector<ColourClass>& out) {
  const std::string_view range = text.substr(0, std::min(n, text.size()));
  out.assign(range.size(), ColourClass::Text);
  ClassSink sink(out);
  out.resize(Walk(range, sink, true));
  return out.size();
}

}  // namespace tessel
