// A page's bytes as the parser reads them, and positions in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::render {

/// How a page's bytes are read: as UTF-8 when the original page is valid UTF-8, else as
/// Windows-1252 (as the editor shows such a page).
enum class PageReading { Utf8, Windows1252 };
PageReading ReadingOf(std::string_view original);

/// The page as UTF-8, its bytes read as `reading` says. A result is read as its original
/// is, since processing does not change a page's encoding: bytes that are no UTF-8 in a
/// UTF-8 page (from a style's comment text, say) become U+FFFD, as a browser shows them.
std::string AsUtf8(std::string_view bytes, PageReading reading);

/// The number of characters in `text` when it is valid UTF-8, else its bytes.
size_t CharacterCount(std::string_view text);

/// Line and column (1-based; columns in characters) of byte offsets in one text. A CR LF,
/// a lone CR and a lone LF each end a line.
class LinePositions {
 public:
  explicit LinePositions(std::string_view text);
  void Find(size_t offset, int64_t* line, int64_t* column) const;

 private:
  std::string_view text_;
  std::vector<size_t> starts_;  // offset of each line's first byte
};

/// A cheap over-estimate of the parser's work on deeply nested elements: the sum over start
/// tags of how many elements are open around them. The tree construction walks the stack
/// of open elements for many tags, so this grows with the square of the nesting depth;
/// `limit` stops the count early. Also gives the deepest nesting seen.
struct NestingWork {
  uint64_t Work = 0;
  size_t Depth = 0;
  size_t Offset = 0;  // where Work passed the limit, else the text's size
};
NestingWork EstimateNestingWork(std::string_view text, uint64_t limit);

/// The most nesting work a page of `size` bytes may take; real pages stay far below it.
inline uint64_t NestingWorkLimit(size_t size) { return 32 * uint64_t(size) + (16u << 20); }

}  // namespace tessel::render
