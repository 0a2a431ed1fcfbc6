#include "editor/find_tag.h"

#include <algorithm>

namespace tessel {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::size_t kSearchLimit = 1'000'000;
constexpr std::size_t kWindow = 128;

// The last `what` before `pos` that lies wholly inside one of the windows stepping back
// from `pos`, at most kSearchLimit bytes back; npos when there is none.
std::size_t LastInWindows(std::string_view text, std::size_t pos, std::string_view what) {
  const std::size_t floor = pos > kSearchLimit ? pos - kSearchLimit : 0;
  for (std::size_t end = pos; end > floor;) {
    const std::size_t begin = end - std::min(end - floor, kWindow);
    const std::size_t hit = text.substr(begin, end - begin).rfind(what);
    if (hit != npos) return begin + hit;
    end = begin;
  }
  return npos;
}

// The first `what` at or after `pos` that lies wholly inside the next kSearchLimit bytes.
std::size_t FirstWithinLimit(std::string_view text, std::size_t pos, std::string_view what) {
  const std::size_t hit = text.substr(pos, kSearchLimit).find(what);
  return hit == npos ? npos : pos + hit;
}

}  // namespace

TagSpan FindTagAround(std::string_view text, std::int64_t position, bool withComments) {
  TagSpan span;
  if (position < 1 || static_cast<std::uint64_t>(position) > text.size()) return span;
  const std::size_t pos = static_cast<std::size_t>(position);
  std::size_t start = LastInWindows(text, pos, "<");
  const std::size_t close = FirstWithinLimit(text, pos, ">");
  if (start == npos || close == npos) return span;
  std::size_t end = close + 1;
  if (withComments) {
    const std::string_view found = text.substr(start, end - start);
    const bool opens = found.find("<!--") != npos, closes = found.find("-->") != npos;
    if (opens && !closes) {
      const std::size_t commentEnd = FirstWithinLimit(text, pos, "-->");
      if (commentEnd != npos) end = commentEnd + 3;
    } else if (closes && !opens) {
      const std::size_t open = LastInWindows(text, pos, "<!--");
      if (open != npos) start = open;
    }
  }
  span.Position = position;
  span.Start = static_cast<std::int64_t>(start);
  span.End = static_cast<std::int64_t>(end);
  span.Text = text.substr(start, end - start);
  span.Length = static_cast<std::int64_t>(span.Text.size());
  return span;
}

}  // namespace tessel
