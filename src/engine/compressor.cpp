// Compress: token lines joined without separators; comments dropped or kept in the running
// line; every other preserved block verbatim on lines of its own.
#include <string>

#include "engine/engine.h"

namespace tessel {
namespace {

class Compressor {
 public:
  explicit Compressor(Engine& engine)
      : e_(engine), out_(engine.PreviewSink ? *engine.PreviewSink : engine.OutputLines) {}

  void Append(std::string_view line) { out_.Open().append(line); }
  void AppendBlock(uint32_t marker);
  /// Ends the running line if it holds anything.
  void FlushBuffer() {
    if (out_.OpenSize() == 0) return;
    std::string& buf = out_.Open();
    if (out_.OpenSize() == 1 && buf.back() == ' ') buf.pop_back();
    out_.CloseLine();
  }

 private:
  Engine& e_;
  LineList& out_;  // the open line of the output is the compress buffer
};

void Compressor::AppendBlock(uint32_t marker) {
  const BlockRef& ref = e_.Blocks[marker - 1];
  size_t first = ref.MarkerLine + 1;
  size_t last = marker < e_.Blocks.size() ? e_.Blocks[marker].MarkerLine : e_.BlockList.size();
  if (ref.Row == kCommentRow) {
    if (e_.style().Options.DoPurgeComments) return;
    for (size_t i = first; i < last; ++i) {
      if (i > first) Append(LineEndBytes(e_.OutputLineEnd));
      Append(e_.BlockList[i]);
    }
    return;
  }
  FlushBuffer();
  for (size_t i = first; i < last; ++i) e_.EmitOutput(e_.BlockList[i]);
}

}  // namespace

void Engine::CompressLines() {
  const size_t n = TokenList.size();
  StatusHooks& hooks = Hooks();
  hooks.InitProgress(ProgressBar::ActFile, static_cast<int64_t>(n));
  if (!PartialMode) {
    hooks.ShowStatus("Compressing: " + FileName);
    if (style().Options.UseWhileCompress) EmitOutput(BuildDocLine());
  }
  OutputLines.Reserve(TokenList.ByteSize() + BlockList.ByteSize(), n / 8 + 16);
  Compressor compressor(*this);
  for (size_t k = 0; k < n; ++k) {
    if (k % 100 == 0) hooks.SetProgress(ProgressBar::ActFile, static_cast<int64_t>(k));
    if (uint32_t marker = TokenList.Tag(k)) {
      compressor.AppendBlock(marker);
    } else {
      compressor.Append(TokenList[k]);
    }
  }
  hooks.SetProgress(ProgressBar::ActFile, static_cast<int64_t>(n));
  hooks.SetProgress(ProgressBar::ActFile, 0);
  compressor.FlushBuffer();
  if (!PartialMode) hooks.ShowStatus("Compressed and saved: " + FileName);
}

}  // namespace tessel
