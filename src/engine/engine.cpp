#include "engine/engine.h"

#include <algorithm>

namespace tessel {
namespace {

// Stands in for the real hooks while the output goes to a preview.
StatusHooks& SilentHooks() {
  static StatusHooks silent;  // stateless
  return silent;
}

}  // namespace

Engine::Engine(Style& style, StatusHooks* hooks)
    : style_(style), hooks_(hooks), tagMemo_(style.Tags) {}

TagIndex& Engine::TagMemo() {
  tagMemo_.Refresh();
  return tagMemo_;
}

const LineList& Engine::Process(EngineMode mode, std::string text, const TrimTagList& trimList) {
  SourceText = std::move(text);
  if (mode == EngineMode::Trim) {
    TrimTags(trimList);
  } else {
    Tokenize();
    Hooks().SetProgress(ProgressBar::ActFile, 0);
    std::string().swap(SourceText);
    mode == EngineMode::Format ? Format() : CompressLines();
  }
  return PreviewSink ? *PreviewSink : OutputLines;
}

StatusHooks& Engine::Hooks() {
  if (PreviewMode() || hooks_ == nullptr) return SilentHooks();
  return *hooks_;
}

namespace {

void CloseOutputLine(LineList& out, bool trimTrailingSpaces) {
  std::string& buf = out.Open();
  size_t size = out.OpenSize();
  if (size == 1 && buf.back() == ' ') {
    buf.pop_back();  // a text of one space becomes an empty line
  } else if (trimTrailingSpaces) {
    while (size > 0 && buf.back() == ' ') {
      buf.pop_back();
      --size;
    }
  }
  out.CloseLine();
}

}  // namespace

void Engine::EmitOutput(std::string_view text) {
  LineList& out = PreviewSink ? *PreviewSink : OutputLines;
  out.Open().append(text);
  CloseOutputLine(out, TrimTrailingSpaces && !PreviewMode());
}

void Engine::AppendIndented(std::string& out, std::string_view line) const {
  if (line.empty() || line.front() == '\t') {
    out.append(line);
    return;
  }
  if (PartialMode) out.append(SelectionIndent);
  int64_t spacing = std::clamp<int64_t>(style_.Options.Spacing, 0, kMaxIndentColumns);
  int64_t width = std::clamp<int64_t>(IndentLevel * spacing, 0, kMaxIndentColumns);
  if (IndentWithSpaces.value_or(style_.Options.DoIndentSpacesOnly)) {
    out.append(static_cast<size_t>(width), ' ');
    out.append(line);
    return;
  }
  // The designed TAB of 8 columns divides by a constant: this runs once per output line.
  const int64_t tab = TabWidth == kIndentTabWidth ? kIndentTabWidth
                                                  : std::clamp(TabWidth, 1, kMaxIndentColumns);
  const int64_t tabs = tab == kIndentTabWidth ? width / kIndentTabWidth : width / tab;
  out.append(static_cast<size_t>(tabs), '\t');
  out.append(static_cast<size_t>(width - tabs * tab), ' ');
  out.append(line);
}

void Engine::EmitIndented(std::string_view line) {
  if (line.empty()) return;
  LineList& out = PreviewSink ? *PreviewSink : OutputLines;
  AppendIndented(out.Open(), line);
  CloseOutputLine(out, TrimTrailingSpaces && !PreviewMode());
}

}  // namespace tessel
