#include "editor/partial_format.h"

#include <algorithm>

#include "editor/editor_text.h"
#include "editor/find_tag.h"

namespace tessel {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::size_t kMaxItemNameChars = 100;

bool AllBlank(std::string_view s) { return s.find_first_not_of(kBlanks) == npos; }

// `indent` with every TAB as the spaces up to the next stop of `tabWidth` columns.
std::string TabsExpanded(std::string_view indent, int tabWidth) {
  const std::size_t width = std::size_t(std::max(tabWidth, 1));
  std::string out;
  for (char c : indent) {
    if (c == '\t') {
      out.append(width - out.size() % width, ' ');
    } else {
      out += c;
    }
  }
  return out;
}

// The start of the line holding `pos`.
std::size_t LineStart(std::string_view text, std::size_t pos) {
  const std::size_t lf = pos == 0 ? npos : text.rfind('\n', pos - 1);
  return lf == npos ? 0 : lf + 1;
}


}  // namespace

std::optional<AdjustedSelection> AdjustSelection(std::string_view text, std::int64_t start,
                                                 std::int64_t length) {
  const std::int64_t size = static_cast<std::int64_t>(text.size());
  const std::int64_t s = std::clamp<std::int64_t>(start, 0, size);
  const std::int64_t e = s + std::clamp<std::int64_t>(length, 0, size - s);
  const std::string_view selected = text.substr(std::size_t(s), std::size_t(e - s));
  AdjustedSelection out{s, e, {}};

  const std::size_t first = selected.find_first_not_of(kBlanks);
  if (first == npos || selected[first] != '<') {
    const TagSpan span = FindTagAround(text, s, true);
    if (span.Text.empty()) return std::nullopt;
    out.Start = span.Start;
  }
  const std::size_t last = selected.find_last_not_of(kBlanks);
  if (last == npos || selected[last] != '>') {
    const TagSpan span = FindTagAround(text, e, true);
    if (span.Text.empty()) return std::nullopt;
    out.End = std::min(span.End, size);
  }

  // Only blanks before the start on its line: the selection takes the whole line, so the
  // result needs no line break of its own before it.
  const std::size_t lineStart = LineStart(text, std::size_t(out.Start));
  out.Fit.LeadingBreak = !AllBlank(text.substr(lineStart, std::size_t(out.Start) - lineStart));
  if (!out.Fit.LeadingBreak) out.Start = static_cast<std::int64_t>(lineStart);

  // Likewise at the end: only blanks after it take the rest of the line with its break;
  // other text there is moved onto a line of its own by the indentation appended.
  if (out.End > out.Start && text[std::size_t(out.End) - 1] != '\n') {
    const std::size_t lf = text.find('\n', std::size_t(out.End));
    const std::size_t restEnd = lf == npos ? text.size() : lf;
    if (AllBlank(text.substr(std::size_t(out.End), restEnd - std::size_t(out.End)))) {
      out.End = static_cast<std::int64_t>(lf == npos ? text.size() : lf + 1);
    } else {
      out.Fit.TrailingIndent = true;
    }
  }
  return out;
}

std::string SelectionIndentAt(std::string_view text, std::int64_t position) {
  const std::size_t pos = std::size_t(std::clamp<std::int64_t>(position, 0, text.size()));
  const std::size_t lineStart = LineStart(text, pos);
  const std::size_t indentEnd = text.find_first_not_of(" \t", lineStart);
  return std::string(
      text.substr(lineStart, (indentEnd == npos ? text.size() : indentEnd) - lineStart));
}

std::string ProcessSelection(Engine& engine, EngineMode mode, std::string_view selected,
                             std::string_view selectionIndent, SelectionFit fit,
                             const TrimTagList& trimList, LineEnd lineEnd) {
  // Only CR LF pairs become LF: the selection may end inside a line, and a line feed added
  // there would end the result's last line where the text goes on.
  std::string source;
  source.reserve(selected.size());
  for (std::size_t i = 0; i < selected.size(); ++i) {
    if (!(selected[i] == '\r' && i + 1 < selected.size() && selected[i + 1] == '\n')) {
      source.push_back(selected[i]);
    }
  }
  struct PartialScope {
    Engine& engine;
    LineEnd outputLineEnd;
    ~PartialScope() {
      engine.PartialMode = false;
      engine.OutputLineEnd = outputLineEnd;
    }
  } scope{engine, engine.OutputLineEnd};
  const std::string indent = engine.IndentWithSpaces.value_or(
                                 engine.style().Options.DoIndentSpacesOnly)
                                 ? TabsExpanded(selectionIndent, engine.TabWidth)
                                 : std::string(selectionIndent);
  engine.PartialMode = true;
  engine.SelectionIndent = indent;
  engine.OutputLineEnd = lineEnd;
  const LineList& lines = engine.Process(mode, std::move(source), trimList);

  const std::string_view eol = LineEndBytes(lineEnd);
  std::string out = fit.LeadingBreak ? std::string(eol) : "";
  out += lines.Joined(eol);
  if (fit.TrailingIndent) out += indent;
  return out;
}

std::string FormatSelectionCaption(std::string_view styleName) {
  std::string caption = "Format selection with: \"";
  caption += styleName;
  caption += '"';
  return caption;
}

std::vector<std::string> PopupMenuCaptions(std::string_view popUpStyleName,
                                           const std::vector<std::string>& styleList) {
  std::vector<std::string> captions = {
      FormatSelectionCaption(popUpStyleName), std::string(kMenuSeparator),
      std::string(kCompressSelectionCaption), std::string(kTrimSelectionCaption),
      std::string(kMenuSeparator)};
  const std::size_t styles = std::min(styleList.size(), kPopupMenuStyles);
  for (std::size_t i = 0; i < styles; ++i) captions.push_back(FormatSelectionCaption(styleList[i]));
  return captions;
}

std::string MenuItemName(std::string_view caption) {
  const std::size_t quote = caption.find('"');
  std::string name(Utf8Prefix(caption.substr(quote == npos ? 0 : quote), kMaxItemNameChars));
  std::erase(name, '"');
  return name;
}

EngineMode MenuItemMode(std::string_view itemName) {
  if (itemName == kCompressSelectionCaption) return EngineMode::Compress;
  if (itemName == kTrimSelectionCaption) return EngineMode::Trim;
  return EngineMode::Format;
}

}  // namespace tessel
