// Trim: removes the whitespace just inside the selected tags, straight from the source;
// every other character stays as it is.
#include <algorithm>
#include <cstring>
#include <string>

#include "engine/engine.h"

namespace tessel {
namespace {

constexpr size_t kProgressStep = 1000;

bool IsBlank(char c) { return c == '\n' || c == '\r' || c == ' ' || c == '\t'; }

// 0 when `name` is not in the set, 1 for an opening tag, 2 for a closing tag.
int FindTrimTag(const std::vector<std::string>& trimSet, const std::string& name) {
  for (const std::string& tag : trimSet) {
    if (tag == name) return tag.size() > 1 && tag[1] == '/' ? 2 : 1;
  }
  return 0;
}

}  // namespace

void Engine::TrimTags(const TrimTagList& list) {
  LineList& out = PreviewSink ? *PreviewSink : OutputLines;
  // The last result's buffer is reused: a fresh one of this size costs page faults.
  std::string result = OutputLines.TakeBuffer();
  const std::string& src = SourceText;
  const size_t len = src.size();
  if (len == 0) return;
  StatusHooks& hooks = Hooks();
  if (!PartialMode) hooks.ShowStatus("Trimming: " + FileName);
  std::vector<std::string> trimSet;
  size_t cap = 1;
  for (const TrimEntry& entry : list) {
    if (!entry.Selected) continue;
    trimSet.push_back(entry.Tag);
    cap = std::max(cap, entry.Tag.size());
  }
  hooks.InitProgress(ProgressBar::ActFile, static_cast<int64_t>(len));
  result.reserve(len + 1);
  std::string name;
  size_t i = 0, nextProgress = kProgressStep;
  while (i < len) {
    if (i >= nextProgress) {
      hooks.SetProgress(ProgressBar::ActFile, static_cast<int64_t>(i - i % kProgressStep));
      nextProgress = i - i % kProgressStep + kProgressStep;
    }
    const void* lt = trimSet.empty() ? nullptr : std::memchr(src.data() + i, '<', len - i);
    size_t at = lt ? static_cast<const char*>(lt) - src.data() : len;
    result.append(src, i, at - i);
    i = at;
    if (i >= len) break;
    std::string_view rest = std::string_view(src).substr(i);
    int kind = NormalizeTagNameBounded(rest, cap, name) ? FindTrimTag(trimSet, name) : 0;
    if (kind == 0) {
      result.push_back('<');
      ++i;
      continue;
    }
    const void* gt = std::memchr(src.data() + i, '>', len - i);
    size_t end = gt ? static_cast<const char*>(gt) - src.data() + 1 : len;
    if (kind == 2) {
      while (!result.empty() && IsBlank(result.back())) result.pop_back();
    }
    result.append(src, i, end - i);
    i = end;
    if (kind == 1) {
      while (i < len && IsBlank(src[i])) ++i;
    }
  }
  hooks.SetProgress(ProgressBar::ActFile, static_cast<int64_t>(i));
  hooks.SetProgress(ProgressBar::ActFile, 0);
  if (&out == &OutputLines) {
    OutputLines.Adopt(std::move(result));
  } else {
    LineList lines;
    lines.Adopt(std::move(result));
    for (size_t k = 0; k < lines.size(); ++k) out.Append(lines[k]);
  }
  if (!PartialMode) hooks.ShowStatus("Trimmed and saved: " + FileName);
}

}  // namespace tessel
