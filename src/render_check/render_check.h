// Whether a rewritten page could look different in a browser: the original and the result
// are parsed by an HTML5 parser that is not ours and compared as a browser lays them out.
//
// What counts:
// - elements, their order, names and namespaces, and their attributes (values exactly;
//   attribute order and the letter case of names aside), and the document type;
// - text inside PRE, LISTING, XMP, PLAINTEXT, TEXTAREA, SCRIPT and STYLE, exactly;
// - other text after collapsing each run of whitespace to one space;
// - whitespace between inline content, where a browser shows a space: added or removed,
//   it is a difference; whitespace between block-level boxes, at the start or end of a
//   line (a block's edge or a BR), or inside elements that are not displayed is not.
// Comments are no content: they are never compared, the program's own "<!--~ ... ~-->"
// included, and text on both sides of a comment is one text.
//
// Only the HTML defaults are known: a page's style sheets (display, white-space) are not
// read, so a line break between two inline elements that CSS shows as blocks is still
// reported. A space that moves across an inline tag's edge ("x <A>y" against "x<A> y")
// counts as the same space.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {
namespace render {
class RenderStream;
}

enum class RenderDifferenceKind {
  Space,      // whitespace between inline content: a space shown or no longer shown
  Text,       // collapsed text
  Verbatim,   // text of PRE, TEXTAREA, SCRIPT, STYLE and their kin
  Attribute,  // an attribute added, lost or changed
  Element,    // the element structure
  Doctype,    // the document type
  Unchecked,  // the pages could not be compared
};

struct RenderDifference {
  RenderDifferenceKind Kind = RenderDifferenceKind::Element;
  /// True when only whitespace differs (a space shown or not, or whitespace inside an
  /// attribute value or verbatim text): what formatting and trimming may change.
  bool WhitespaceOnly = false;
  /// True when only whitespace and the case of ASCII letters differ: what changing the
  /// case of tag names does to a tag-like text that HTML reads as text (inside a TEXTAREA
  /// or TITLE, say).
  bool LetterCaseOnly = false;
  int64_t Line = 1;    // in the result, 1-based
  int64_t Column = 1;  // in characters (UTF-8 code points, else bytes), 1-based
  std::string What;    // e.g. "a space is shown between </A> and <A>"
};

/// "line 12, column 5: a space is shown between </A> and <A>"
std::string DescribeDifference(const RenderDifference& difference);

/// One original page, parsed once, against which results are checked.
class RenderCheck {
 public:
  static constexpr size_t kAll = SIZE_MAX;

  explicit RenderCheck(std::string_view original);
  ~RenderCheck();
  RenderCheck(RenderCheck&&) noexcept;
  RenderCheck& operator=(RenderCheck&&) noexcept;

  /// The ways `result` could render differently from the original, in the result's order;
  /// at most `limit`. Empty when it renders the same.
  std::vector<RenderDifference> Differences(std::string_view result, size_t limit = kAll) const;

  /// Parses both pages (on two threads) and compares them.
  static std::vector<RenderDifference> Compare(std::string_view original, std::string_view result,
                                               size_t limit = kAll);
  /// Compares two pages parsed beforehand (RenderStream::Build).
  static std::vector<RenderDifference> CompareParsed(const render::RenderStream& original,
                                                     const render::RenderStream& result,
                                                     size_t limit = kAll);
  /// The first difference, if any.
  static std::optional<RenderDifference> First(std::string_view original,
                                               std::string_view result);

 private:
  explicit RenderCheck(std::unique_ptr<render::RenderStream> original);
  std::vector<RenderDifference> Against(const render::RenderStream& result, size_t limit) const;

  std::unique_ptr<render::RenderStream> original_;
};

}  // namespace tessel
