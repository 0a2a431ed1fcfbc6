// The formatting engine: one HTML text in, formatted, compressed or trimmed lines out.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/line_ends.h"
#include "engine/line_list.h"
#include "engine/style_model.h"
#include "engine/tag_index.h"

namespace tessel {

enum class ProgressBar { ActFile, All };

/// Where status texts and progress go. Hooks never change what is computed.
class StatusHooks {
 public:
  virtual ~StatusHooks() = default;
  virtual void ShowStatus(std::string_view /*text*/) {}
  virtual void AppendStatus(std::string_view /*text*/) {}
  virtual void InitProgress(ProgressBar /*bar*/, int64_t /*maximum*/) {}
  virtual void SetProgress(ProgressBar /*bar*/, int64_t /*position*/) {}
};

/// Local date and time as the documentation line shows them.
struct DocDateTime {
  int Year = 1970, Month = 1, Day = 1, Hour = 0, Minute = 0;
};

/// SOURCE_DATE_EPOCH (as UTC) when set, else the local clock.
DocDateTime CurrentDocDateTime();

/// The documentation line for `options` at `when`, or "" when all its parts are off.
std::string BuildDocLine(const StyleOptions& options, const DocDateTime& when);

/// One line of the trim list: a normalised tag such as "<A>" or "</TD>".
struct TrimEntry {
  bool Selected = false;
  std::string Tag;
};
using TrimTagList = std::vector<TrimEntry>;

/// Where a preserved block's lines sit in BlockList.
struct BlockRef {
  size_t MarkerLine = 0;  // index of the block's marker line in BlockList
  int Row = 0;            // row of BlockTagTable (0-based)
};

/// Columns one TAB of an indentation stands for, unless a file's .editorconfig says other.
inline constexpr int kIndentTabWidth = 8;

/// What the engine does with a text.
enum class EngineMode { Format, Compress, Trim };

class Engine {
 public:
  explicit Engine(Style& style, StatusHooks* hooks = nullptr);

  /// The one processing call. `text`, in the form the engine reads (every line ended by one
  /// LF, as NormalizeLineEnds gives it; callers refuse a file holding a NUL byte, as it is
  /// no HTML text), becomes SourceText, and the stages of `mode` run over it:
  /// Format and Compress tokenize and then lay the token lines out, Trim removes whitespace
  /// inside the tags `trimList` selects. Returns the result: OutputLines, or the preview
  /// sink. Format and Compress release SourceText once it is tokenized, as no later stage
  /// reads it; TokenList and BlockList stay for inspection.
  const LineList& Process(EngineMode mode, std::string text, const TrimTagList& trimList = {});
  /// OutputLines, every line followed by OutputLineEnd: the bytes a processed file is
  /// written as.
  std::string OutputBytes() const { return OutputLines.Joined(LineEndBytes(OutputLineEnd)); }

  // The stages Process runs, for the tests of each stage and for partial processing.

  /// Splits SourceText into TokenList and BlockList; clears OutputLines.
  void Tokenize();
  /// Lays the token lines out by the style into OutputLines (or the preview sink).
  void Format();
  /// Joins the token lines into as few output lines as the preserved blocks allow.
  void CompressLines();
  /// Removes the whitespace inside the selected tags of `list`, straight from SourceText.
  void TrimTags(const TrimTagList& list);

  /// Emits the auto comment line of `entry` for an opening (1) or closing (-1) tag, if any.
  void MakeAutoComment(int direction, const TagEntry& entry);
  /// The documentation line at the engine's clock.
  std::string BuildDocLine() const { return tessel::BuildDocLine(style_.Options, Clock()); }

  /// PreviewMode: output goes to the preview sink and the hooks are silent.
  bool PreviewMode() const { return PreviewSink != nullptr; }

  // Shared working state. Markers in TokenList and BlockList carry their block number
  // as the line's tag (0 for every other line), so document text that happens to start
  // with "###" is never taken for a marker.
  std::string SourceText;  // line ends reduced to LF
  LineList TokenList;
  LineList BlockList;
  LineList OutputLines;
  std::vector<BlockRef> Blocks;  // by block number - 1
  std::string PendingText;       // the tokenizer's pending text, once tags join it; kept for reuse
  std::string FileName;
  bool PartialMode = false;
  std::string SelectionIndent;
  LineList* PreviewSink = nullptr;
  // How the result is written; callers set them for each file (an .editorconfig, the
  // command line), the defaults are the style's own form.
  LineEnd OutputLineEnd = LineEnd::CrLf;  // after every line, and inside a kept comment
  std::optional<bool> IndentWithSpaces;   // set: over the style's DoIndentSpacesOnly
  int TabWidth = kIndentTabWidth;         // columns of one indenting TAB
  std::function<DocDateTime()> Clock = CurrentDocDateTime;

  Style& style() { return style_; }
  const Style& style() const { return style_; }

  // Shared with the stage implementations.
  StatusHooks& Hooks();
  /// Line kind 1: the formatted output (or the preview sink). A text of one space
  /// becomes empty.
  void EmitOutput(std::string_view text);
  /// Prefixes `line` with the indentation of IndentLevel (and SelectionIndent).
  void AppendIndented(std::string& out, std::string_view line) const;
  /// Emits `line` indented unless it is empty.
  void EmitIndented(std::string_view line);

  int64_t IndentLevel = 0;
  bool TrimTrailingSpaces = false;  // set while Format runs

  /// The tag-name memo, checked against the style's tag table at each call.
  TagIndex& TagMemo();

 private:
  Style& style_;
  StatusHooks* hooks_;
  TagIndex tagMemo_;
};

/// Widest indentation the formatter writes, in columns: deeper nesting keeps its level
/// count but no longer moves right, so unclosed tags cannot blow the output up.
inline constexpr int kMaxIndentColumns = 256;
/// Upper bound on the empty lines written around one tag, for hand-edited styles.
inline constexpr int kMaxBlankLines = 100;

}  // namespace tessel
