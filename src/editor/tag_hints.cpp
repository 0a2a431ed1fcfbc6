#include "editor/tag_hints.h"

#include <algorithm>

#include "base/ascii.h"
#include "editor/editor_text.h"
#include "editor/find_tag.h"
#include "io/text_file.h"

namespace tessel {
namespace {

constexpr std::size_t npos = std::string_view::npos;


// A key with its only ">" at the end matches exactly the lines whose text up to their
// first ">" equals it: the index answers for those keys as the scan over the lines would.
bool Indexable(std::string_view key) { return !key.empty() && key.find('>') == key.size() - 1; }

bool StartsWithNoCase(std::string_view line, std::string_view key) {
  return line.size() >= key.size() && EqualsNoCase(line.substr(0, key.size()), key);
}

}  // namespace

std::optional<std::string> TagHintKey(std::string_view text, std::int64_t position) {
  const TagSpan span = FindTagAround(text, position, false);
  if (span.Text.empty()) return std::nullopt;
  std::string tag = span.Text.substr(0, span.Text.find('>') + 1);
  if (tag.size() > 1 && tag[1] == '/') tag.erase(1, 1);
  std::string key = tag.substr(0, tag.find_first_of(" >"));
  key += '>';
  return key;
}

std::string HintOfLine(std::string_view line) {
  const std::size_t colon = line.find(':');
  std::string_view hint = Utf8Prefix(colon == npos ? line : line.substr(colon + 1), kMaxHintChars);
  const std::size_t first = hint.find_first_not_of(' ');
  if (first == npos) return {};
  return std::string(hint.substr(first, hint.find_last_not_of(' ') + 1 - first));
}

TagHints::TagHints(std::vector<std::string> lines) : lines_(std::move(lines)) {
  firstLine_.reserve(lines_.size());
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::size_t gt = lines_[i].find('>');
    if (gt != npos)
      firstLine_.emplace(AsciiUpperCase(std::string_view(lines_[i]).substr(0, gt + 1)), i);
  }
}

TagHints TagHints::Load(const std::filesystem::path& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes, nullptr)) return {};
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
  if (!IsValidUtf8(bytes)) bytes = Windows1252ToUtf8(bytes);
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t end = std::min(bytes.find_first_of("\r\n", at), bytes.size());
    lines.push_back(bytes.substr(at, end - at));
    at = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return TagHints(std::move(lines));
}

std::string TagHints::Lookup(std::string_view key) const {
  if (Indexable(key)) {
    const auto hit = firstLine_.find(AsciiUpperCase(key));
    return hit == firstLine_.end() ? std::string() : HintOfLine(lines_[hit->second]);
  }
  for (const std::string& line : lines_) {
    if (StartsWithNoCase(line, key)) return HintOfLine(line);
  }
  return {};
}

std::optional<std::string> TagHints::HintAt(std::string_view text, std::int64_t position) const {
  if (empty()) return std::nullopt;
  const std::optional<std::string> key = TagHintKey(text, position);
  if (!key) return std::nullopt;
  return Lookup(*key);
}

std::string HintInsertion(std::string_view hintLine, std::string_view selectedPart) {
  if (!hintLine.starts_with('<')) return {};
  return std::string(selectedPart.empty() ? hintLine : selectedPart);
}

std::optional<std::string> HintLineTooltip(std::string_view hintLine) {
  if (hintLine.empty()) return std::string();
  if (!hintLine.starts_with('<')) return std::nullopt;
  return std::string(
      "Press <SHIFT>-<F1> to insert this hintline at cursor position.\r\n"
      "Or use <CTRL>-C and <CTRL>-V to copy some parts via clipboard.");
}

}  // namespace tessel
