// The editor's document and its colouring, from any bytes a file may hold.
//
// Checked on every input: the bytes loaded into the editor and saved again come back, line
// ends aside (every line end becomes CR LF, and a last line gets one); the editor holds
// UTF-8; bytes that are UTF-8 are read as UTF-8 unless a byte-order mark or a declaration
// says otherwise (a refused one included), and bytes that are not never are; colour classes cover every
// byte, and the classes of any front part agree with those of the whole; the RTF of the
// text reads back to the text with the same class on every byte. The colouring is checked
// on the editor's text and on the raw bytes, whose line ends are not CR LF.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/editor_text.h"
#include "editor/syntax_colour.h"
#include "fuzz_report.h"
#include "support/rtf_reader.h"

namespace tessel::fuzz {
namespace {

[[noreturn]] void Fail(std::string_view what, std::string_view detail = {}) {
  ReportViolation("fuzz_editor_text", what, detail);
}

// Every line end (CR LF, lone CR, lone LF) as CR LF; with `closeLast`, a last line without
// one gets one. Written apart from the code under test, on purpose.
std::string WithCrLf(std::string_view bytes, bool closeLast) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      out += "\r\n";
    } else {
      out += bytes[i];
    }
  }
  if (closeLast && !out.empty() && !out.ends_with("\r\n")) out += "\r\n";
  return out;
}

void CheckLoadAndSave(std::string_view bytes) {
  const EditorText text = ToEditorText(bytes);
  if (!IsValidUtf8(text.Bytes)) Fail("the editor's text is not UTF-8", text.Bytes);
  const bool utf8 = IsValidUtf8(bytes);
  const bool declared = text.Source == EncodingSource::ByteOrderMark ||
                        text.Source == EncodingSource::Declaration || !text.Refusal.empty();
  if (text.Source == EncodingSource::Utf8 && (!utf8 || text.Encoding != TextEncoding::Utf8)) {
    Fail("read as UTF-8 bytes that are not");
  }
  if (utf8 && !declared && text.Encoding != TextEncoding::Utf8) Fail("UTF-8 read otherwise", text.EncodingWhy);
  if (text.Bytes != WithCrLf(text.Bytes, false)) Fail("a line end of the editor's text is not CR LF");
  const std::optional<std::string> saved = SavedBytes(text.Bytes, text.Encoding);
  if (!saved) Fail("a text as loaded cannot be saved in its own encoding");
  // A byte-order mark is no line: a page of just one stays just that.
  const std::string_view bom = "\xEF\xBB\xBF";
  const bool marked = text.Encoding.HasByteOrderMark() && bytes.starts_with(bom);
  const std::string expected = marked ? std::string(bom) + WithCrLf(bytes.substr(3), true)
                                      : WithCrLf(bytes, true);
  if (*saved != expected) Fail("load then save changed the bytes", *saved);
}

void CheckColours(std::string_view text, size_t cut) {
  std::vector<ColourClass> classes;
  ColourClasses(text, classes);
  if (classes.size() != text.size()) Fail("the colour classes do not cover every byte");
  if (std::any_of(classes.begin(), classes.end(), [](ColourClass c) { return int(c) > 3; })) {
    Fail("a colour class out of range");
  }

  // The classes of the first `cut` bytes, as recolouring while typing takes them.
  std::vector<ColourClass> front, part;
  const size_t n = std::min(cut, text.size());
  const size_t walked = RangeClasses(text, cut, front);
  ColourClasses(text.substr(0, n), part);
  if (walked > n || !std::equal(front.begin(), front.end(), part.begin())) {
    Fail("the classes of a front part differ from the colouring of those bytes");
  }
  if (walked < n && !text.substr(walked).starts_with("<!--")) {
    Fail("recolouring stopped where no comment opens");
  }

  const testing::ColouredText read = testing::ReadColouredRtf(TextToRtf(text, SyntaxPalette{}));
  if (!read.Error.empty()) Fail("the RTF is malformed", read.Error);
  if (read.Text != WithCrLf(text, false)) Fail("the RTF read back is not the text", read.Text);
  if (text == read.Text) {  // line ends CR LF already: byte for byte, class for class
    for (size_t i = 0; i < text.size(); ++i) {
      if (read.Classes[i] != int(classes[i])) Fail("the RTF colours a byte otherwise");
    }
  }
}

}  // namespace
}  // namespace tessel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tessel::fuzz::CheckLoadAndSave(bytes);
  // Where the front part ends comes from the input, so the fuzzer can steer it.
  const size_t cut = size > 0 ? data[0] * size / 256 : 0;
  tessel::fuzz::CheckColours(tessel::ToEditorText(bytes).Bytes, cut);
  tessel::fuzz::CheckColours(bytes, cut);
  return 0;
}
