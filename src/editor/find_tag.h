// The tag around a position of the editor's text: from the last "<" before it to the
// first ">" at or after it, found by position alone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessel {

/// A span of the text: Start is its "<", End just after its ">", Text the bytes between.
/// An empty Text means nothing was found.
struct TagSpan {
  std::int64_t Position = 0, Start = 0, End = 0, Length = 0;
  std::string Text;
};

/// The span around `position` (0-based) of `text`. The "<" is looked for backwards in
/// windows of 128 bytes ending just before the position (an occurrence counts only if it
/// lies wholly inside one window), at most 1,000,000 bytes back; the ">" forwards from the
/// position, at most 1,000,000 bytes. With `withComments` a span holding only one end of a
/// comment is widened to the comment's other end when there is one. Nothing when the
/// position is below 1 or past the end.
TagSpan FindTagAround(std::string_view text, std::int64_t position, bool withComments);

}  // namespace tessel
