// What a run would change, computed without writing anything: each file is read and
// processed exactly as an in-place run does, and its result compared with its bytes on
// disk. --check and --diff are built on it, and so is the window's preview of a run.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "batch/pipeline.h"
#include "batch/run_state.h"
#include "conventions/file_conventions.h"
#include "engine/engine.h"

namespace tessel {

/// A file to preview: where it is read, and how it is named in lists and diff headers.
struct PreviewTarget {
  std::string Path;   // full path, as a run uses it
  std::string Shown;  // e.g. "site/sub/a.htm"
};

/// What processing one file would do to it.
struct PreviewResult {
  enum class Kind { Changes, Unchanged, Failed };
  Kind What = Kind::Failed;
  std::string Error;             // Failed: why it could not be read or processed
  bool ByEditorConfig = false;   // its .editorconfig decided its line ends or indentation
  LineEnd OutputLineEnd = LineEnd::CrLf;  // the line end the result is written with
};

/// How many files of a preview came to what.
struct PreviewCounts {
  int Changes = 0;
  int Unchanged = 0;
  int Failed = 0;
  int ByEditorConfig = 0;
  bool Cancelled = false;  // stopped before the last file
};

/// One object per thread: it holds its own copies of the style and the trim list, so that
/// it may run on a worker while the session goes on, and an engine of its own.
class ChangePreview {
 public:
  /// `mode` is Format, Compress or Trim; `conventions` the run's line ends and indentation.
  ChangePreview(ProcessKind mode, const Style& style, const TrimTagList& trimList,
                const ConventionRequest& conventions);
  ChangePreview(const ChangePreview&) = delete;
  ChangePreview& operator=(const ChangePreview&) = delete;

  /// Processes `path` as an in-place run would and compares; writes nothing. `disk` and
  /// `result` (when given) receive the bytes on disk and the bytes the run would write.
  PreviewResult Preview(const std::string& path, std::string* disk = nullptr,
                        std::string* result = nullptr);

  /// Every file in order, with `onFile` after each; `cancel` is looked at before each file.
  PreviewCounts Run(const std::vector<PreviewTarget>& files,
                    const std::function<void(const PreviewTarget&, const PreviewResult&)>& onFile,
                    const std::atomic<bool>* cancel = nullptr);

  /// The changes to `file` as a unified diff ("--- a/SHOWN", "+++ b/SHOWN", to apply with
  /// `patch -p1` from the directory the shown names start in), preceded by a note when
  /// lines differ only in their line end; "" when nothing would change. False with *err
  /// when the file cannot be read or processed.
  bool Diff(const PreviewTarget& file, std::string* diff, std::string* err);

 private:
  struct QuietHost : RunHost {};

  RunState state_;
  Style style_;
  TrimTagList trimList_;
  QuietHost host_;
  FilePipeline pipeline_;
};

/// The unified diff of `disk` to `result` for `shown`, with the line-end note: what --diff
/// prints for one file.
std::string PreviewDiffText(std::string_view disk, std::string_view result, const std::string& shown,
                            LineEnd outputLineEnd);

class Session;

/// The preview of a run of `mode` over the session's selection, as a run would run it: the
/// active style loaded afresh from its files, the trim list and the line-end settings of
/// the session. Null, with *err, when the style cannot be loaded.
std::unique_ptr<ChangePreview> PreviewOfRun(Session& session, ProcessKind mode, std::string* err);

/// The files of a run's selection with their names relative to where a diff applies: a
/// tree's files as "TREE/sub/a.htm" (from the tree's parent), picked files and a single
/// file by their names in their folder (state.SourceDir).
std::vector<PreviewTarget> PreviewTargetsOf(const RunState& state);

}  // namespace tessel
