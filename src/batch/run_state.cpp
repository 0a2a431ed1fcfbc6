#include "batch/run_state.h"

namespace tessel {

void Protocol::Prepare() {
  lines_.clear();
  Add("\r\n\r\nFiles to process:\r\n");
}

void Protocol::Add(std::string_view text) {
  size_t start = 0;
  for (;;) {
    size_t crlf = text.find("\r\n", start);
    lines_.emplace_back(
        text.substr(start, crlf == std::string_view::npos ? text.npos : crlf - start));
    if (crlf == std::string_view::npos) break;
    start = crlf + 2;
  }
}

std::string Protocol::Text() const {
  std::string text;
  for (const std::string& line : lines_) text += line + "\r\n";
  return text;
}

}  // namespace tessel
