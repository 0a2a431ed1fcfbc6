// What the editor does to its text: the tag around a position, find and replace, the
// selection widened for the popup menu, and the widened selection processed and put back.
//
// Input: a byte of switches, a position and a selection length (two bytes each), the
// length of a search text and the search text, then the document (taken into the editor,
// so its line ends are CR LF). Checked on every input: a tag found around a position holds
// the position and runs from a "<" to a ">"; a search finds exactly the first match a
// plain comparison finds; Replace All of a text by itself changes nothing (but the letter
// case of what it matched, when case need not match), and any Replace All changes only the
// span it names; widening a selection only widens it; the processed
// selection keeps its text.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "editor/editor_text.h"
#include "editor/find_tag.h"
#include "editor/partial_format.h"
#include "editor/search_replace.h"
#include "fuzz_report.h"
#include "styles/style_files.h"
#include "support/text_essence.h"

namespace tessel::fuzz {
namespace {

[[noreturn]] void Fail(std::string_view what, std::string_view detail = {}) {
  ReportViolation("fuzz_editor_ops", what, detail);
}

struct Input {
  bool matchCase, wholeWord, withComments;
  EngineMode mode;
  int64_t position, length;
  std::string find, replacement, text;
};

Input Decode(const uint8_t* data, size_t size) {
  auto at = [&](size_t i) -> unsigned { return i < size ? data[i] : 0; };
  Input in;
  const unsigned flags = at(0);
  in.matchCase = flags & 1;
  in.wholeWord = flags & 2;
  in.withComments = flags & 4;
  in.mode = EngineMode((flags >> 3) % 3);
  in.position = at(1) | at(2) << 8;
  in.length = at(3) | at(4) << 8;
  const size_t findLength = at(5) % 16;
  const size_t start = std::min<size_t>(size, 6);
  const std::string_view rest(reinterpret_cast<const char*>(data) + start, size - start);
  in.find = rest.substr(0, findLength);
  in.replacement = std::string(flags & 0x40 ? "" : "<b>") + in.find;
  in.text = ToEditorText(rest.substr(std::min(findLength, rest.size()))).Bytes;
  if (!in.text.empty()) in.position %= int64_t(in.text.size()) + 1;
  return in;
}

void CheckTagAround(const Input& in) {
  const TagSpan span = FindTagAround(in.text, in.position, in.withComments);
  if (span.Text.empty()) return;
  const int64_t size = int64_t(in.text.size());
  if (!(0 <= span.Start && span.Start < in.position && in.position < span.End && span.End <= size)) {
    Fail("the tag found does not hold the position");
  }
  if (span.Text != in.text.substr(size_t(span.Start), size_t(span.End - span.Start)) ||
      span.Length != int64_t(span.Text.size())) {
    Fail("the tag's text is not the text between its ends");
  }
  if (span.Text.front() != '<' || span.Text.back() != '>') Fail("a tag found not from < to >", span.Text);
}

bool IsWordByte(unsigned char b) {
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_' ||
         b >= 0x80;
}

// The first match at or after `from` by plain comparison: the oracle for FindNext.
size_t PlainFind(const Input& in, size_t from) {
  const std::string_view text = in.text, find = in.find;
  if (find.empty()) return kNoMatch;
  for (size_t at = from; at + find.size() <= text.size(); ++at) {
    const std::string_view here = text.substr(at, find.size());
    if (in.matchCase ? here != find : !EqualsNoCase(here, find)) continue;
    const size_t end = at + find.size();
    if (in.wholeWord && ((at > 0 && IsWordByte(text[at - 1])) ||
                         (end < text.size() && IsWordByte(text[end])))) {
      continue;
    }
    return at;
  }
  return kNoMatch;
}

void CheckSearchAndReplace(const Input& in) {
  const SearchOptions options{in.wholeWord, in.matchCase};
  const size_t from = size_t(in.position);
  const size_t found = FindNext(in.text, in.find, from, options);
  if (found != PlainFind(in, from)) Fail("the search found another match than the first", in.find);
  if (found == kNoMatch) return;

  // Without matching case, "A" found by "a" becomes "a": only the letter case may change.
  const ReplaceAllResult same = ReplaceAll(in.text, in.find, in.find, options, found);
  if (in.matchCase ? same.Text != in.text : !EqualsNoCase(same.Text, in.text)) {
    Fail("Replace All of a text by itself changed the text", in.find);
  }
  if (same.Count == 0) Fail("Replace All missed the match the search found");

  const ReplaceAllResult other = ReplaceAll(in.text, in.find, in.replacement, options, found);
  const std::string_view before = in.text, after = other.Text;
  if (other.Count != same.Count && !in.wholeWord) Fail("a replacement changed what was replaced");
  if (other.ChangedStart != found || after.substr(0, found) != before.substr(0, found) ||
      after.substr(other.ChangedEndNew) != before.substr(other.ChangedEndOld)) {
    Fail("Replace All changed text outside the span it names");
  }
}

const Style& LoadedStyle() {
  static const Style style = [] {
    auto loaded = StyleLibrary(std::string(TESSEL_SOURCE_DIR) + "/data/styles").Load("_default");
    if (!loaded) Fail("cannot load the shipped style");
    return loaded->Value;
  }();
  return style;
}

void CheckWidenedSelection(const Input& in) {
  const auto adjusted = AdjustSelection(in.text, in.position, in.length);
  if (!adjusted) return;
  const int64_t size = int64_t(in.text.size());
  const int64_t start = std::clamp<int64_t>(in.position, 0, size);
  const int64_t end = start + std::clamp<int64_t>(in.length, 0, size - start);
  if (!(0 <= adjusted->Start && adjusted->Start <= start && end <= adjusted->End &&
        adjusted->End <= size)) {
    Fail("widening narrowed the selection or left the text");
  }

  static Style style = LoadedStyle();
  static Engine engine(style);
  static const TrimTagList trim = {{true, "<A>"}, {true, "</A>"}, {true, "<TD>"}, {true, "</TD>"},
                                   {true, "<B>"}, {false, "<P>"}};
  const std::string_view selected =
      std::string_view(in.text).substr(size_t(adjusted->Start), size_t(adjusted->End - adjusted->Start));
  const std::string indent = SelectionIndentAt(in.text, adjusted->Start);
  const std::string result =
      ProcessSelection(engine, in.mode, selected, indent, adjusted->Fit, trim);
  if (adjusted->Fit.LeadingBreak && !result.starts_with("\r\n")) Fail("no line break before the result");
  if (adjusted->Fit.TrailingIndent && !result.ends_with(indent)) Fail("no indentation after the result");
  const bool purge = in.mode != EngineMode::Trim && style.Options.DoPurgeComments;
  const std::string lost = testing::LostText(selected, result, purge);
  if (!lost.empty()) Fail("processing the selection lost text", lost);
}

}  // namespace
}  // namespace tessel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const tessel::fuzz::Input in = tessel::fuzz::Decode(data, size);
  tessel::fuzz::CheckTagAround(in);
  tessel::fuzz::CheckSearchAndReplace(in);
  tessel::fuzz::CheckWidenedSelection(in);
  return 0;
}
