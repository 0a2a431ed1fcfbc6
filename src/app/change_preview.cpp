#include "app/change_preview.h"

#include "app/session.h"
#include "base/shown_name.h"
#include "batch/backups.h"
#include "diff/unified_diff.h"
#include "io/directory_chain.h"
#include "io/posix_file.h"

namespace tessel {
namespace {

std::string LineEndNote(const std::string& shown, size_t lines, LineEnd eol) {
  return "Line ends: " + std::to_string(lines) + " line" + (lines == 1 ? "" : "s") + " of " +
         ShownName(shown) + " differ only in their line end (the result ends every line with " +
         std::string(LineEndName(eol)) + ")\n";
}

/// `path` without `prefix` when it starts with it.
std::string Below(const std::string& path, const std::string& prefix) {
  return path.starts_with(prefix) ? path.substr(prefix.size()) : path;
}

}  // namespace

ChangePreview::ChangePreview(ProcessKind mode, const Style& style, const TrimTagList& trimList,
                             const ConventionRequest& conventions)
    : style_(style), trimList_(trimList), pipeline_(state_, style_, trimList_, host_) {
  state_.ProcessMode = mode;
  state_.Conventions = conventions;
  pipeline_.WriteScratchFiles = false;  // a preview writes nothing at all
  pipeline_.FreeSpaceOf = nullptr;      // so a full disk does not matter
}

PreviewResult ChangePreview::Preview(const std::string& path, std::string* disk,
                                     std::string* result) {
  PreviewResult preview;
  ProcessOutcome outcome;
  if (!pipeline_.ProcessFile(path, &outcome)) {
    preview.Error = outcome.Message;
    return preview;
  }
  // The exact bytes read: a file that differs only in its line ends would be rewritten.
  const std::string& bytes = pipeline_.page().Bytes;
  std::string output = pipeline_.engine().OutputBytes();
  preview.What = output == bytes ? PreviewResult::Kind::Unchanged : PreviewResult::Kind::Changes;
  preview.ByEditorConfig = !pipeline_.Conventions().EditorConfigNote().empty();
  preview.OutputLineEnd = pipeline_.engine().OutputLineEnd;
  if (disk) *disk = bytes;
  if (result) *result = std::move(output);
  return preview;
}

PreviewCounts ChangePreview::Run(
    const std::vector<PreviewTarget>& files,
    const std::function<void(const PreviewTarget&, const PreviewResult&)>& onFile,
    const std::atomic<bool>* cancel) {
  PreviewCounts counts;
  for (const PreviewTarget& file : files) {
    if (cancel && cancel->load(std::memory_order_relaxed)) {
      counts.Cancelled = true;
      break;
    }
    const PreviewResult result = Preview(file.Path);
    switch (result.What) {
      case PreviewResult::Kind::Changes:
        ++counts.Changes;
        break;
      case PreviewResult::Kind::Unchanged:
        ++counts.Unchanged;
        break;
      case PreviewResult::Kind::Failed:
        ++counts.Failed;
        break;
    }
    if (result.ByEditorConfig) ++counts.ByEditorConfig;
    if (onFile) onFile(file, result);
  }
  pipeline_.CloseDirectories();
  return counts;
}

bool ChangePreview::Diff(const PreviewTarget& file, std::string* diff, std::string* err) {
  std::string disk, result;
  const PreviewResult preview = Preview(file.Path, &disk, &result);
  pipeline_.CloseDirectories();
  if (preview.What == PreviewResult::Kind::Failed) return posix::Fail(err, preview.Error);
  diff->clear();
  if (preview.What == PreviewResult::Kind::Changes) {
    *diff = PreviewDiffText(disk, result, file.Shown, preview.OutputLineEnd);
  }
  return true;
}

std::string PreviewDiffText(std::string_view disk, std::string_view result, const std::string& shown,
                            LineEnd outputLineEnd) {
  UnifiedDiffResult diff = MakeUnifiedDiff(disk, result, shown);
  if (diff.LineEndOnlyChanges > 0) {
    diff.Text.insert(0, LineEndNote(shown, diff.LineEndOnlyChanges, outputLineEnd));
  }
  return std::move(diff.Text);
}

std::unique_ptr<ChangePreview> PreviewOfRun(Session& session, ProcessKind mode, std::string* err) {
  if (session.StyleLoaded() && !session.ReloadStyle(err)) return nullptr;
  return std::make_unique<ChangePreview>(mode, session.ActiveStyle(), session.TrimList(),
                                         session.State().Conventions);
}

std::vector<PreviewTarget> PreviewTargetsOf(const RunState& state) {
  std::vector<PreviewTarget> targets;
  if (state.SelectionMode == SelectionKind::SingleFile) {
    const std::string path = ResolvedFilePath(state.FileName);
    targets.push_back({path, Below(path, WithTrailingSeparator(ResolvedFilePath(state.SourceDir)))});
    return targets;
  }
  if (state.SelectionMode == SelectionKind::None) return targets;
  std::string from = state.SourceDir;
  if (state.SelectionMode == SelectionKind::Tree) {
    // The tree's own name starts every shown name: "site/sub/a.htm".
    from = WithTrailingSeparator(state.SourceDir);
    from.pop_back();
    from.erase(from.rfind('/') + 1);
  }
  targets.reserve(state.FileList.size());
  for (const std::string& path : state.FileList) targets.push_back({path, Below(path, from)});
  return targets;
}

}  // namespace tessel
