// The preview of a run in the window, without its widgets: the list of files the run would
// change, computed off the window's thread and handed to the list in batches; which of them
// the user leaves out of the run; and the differences of one file laid out unified or side
// by side.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/change_preview.h"
#include "window_model/background_job.h"

namespace tessel {

/// A row of the preview's list: a file the run would change, or one it could not preview.
struct PreviewEntry {
  PreviewTarget File;
  PreviewResult::Kind What = PreviewResult::Kind::Changes;
  std::string Error;  // Failed: why
};

/// The list of a preview as far as it got.
struct PreviewProgress {
  std::vector<PreviewEntry> Entries;  // new since the last look, in the run's order
  PreviewCounts Counts;               // every file looked at so far
  size_t Looked = 0;                  // files looked at so far
  bool Finished = false;              // every file looked at, or stopped
};

/// Computes a preview's list on a thread of its own. The window looks at it as often as it
/// likes and gets what was found since it last looked, so the list grows in batches
/// however many files there are.
class PreviewWork {
 public:
  /// `preview` previews the `files`; it is used on the work's thread only.
  PreviewWork(std::unique_ptr<ChangePreview> preview, std::vector<PreviewTarget> files);
  PreviewWork(const PreviewWork&) = delete;
  PreviewWork& operator=(const PreviewWork&) = delete;
  /// Stops the work between files and waits for it.
  ~PreviewWork();

  /// Starts looking at every file; `finished` is called on the work's thread at the end.
  void Start(std::function<void()> finished = {});
  /// Stops the work before its next file.
  void Stop();
  /// Waits until the work has returned.
  void Wait() { job_.Wait(); }
  /// What was found since the last call.
  PreviewProgress Take();
  size_t FileCount() const { return files_.size(); }

 private:
  std::unique_ptr<ChangePreview> preview_;
  std::vector<PreviewTarget> files_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  PreviewProgress found_;  // guarded by mutex_
  BackgroundJob job_;      // last: stopped and waited for before the rest goes
};

/// The status line of a preview: how many files would change, stay and failed, how many
/// are left out, and how far it got while it runs or when it was stopped.
std::string PreviewSummary(const PreviewCounts& counts, size_t looked, size_t total, bool finished,
                           size_t leftOut);

/// The run's files without those the user left out, in the run's order.
std::vector<std::string> FilesKept(const std::vector<std::string>& files,
                                   const std::set<std::string>& leftOut);

/// What a line of a unified diff is, for its colour.
enum class DiffLineKind { Same, Removed, Added, Hunk, Header, Note, Filler };

/// The kind of each line of `unified` (lines end at "\n"): the "--- "/"+++ " lines before
/// the first hunk are the header, "@@" a hunk, "-" and "+" lines removed and added, " "
/// lines the same, and anything else (the line-end note, "\ No newline ...") a note.
std::vector<DiffLineKind> UnifiedLineKinds(std::string_view unified);

/// Whether a diff's text is shown as UTF-8 (it is valid UTF-8) or read as Windows-1252.
bool DiffIsUtf8(std::string_view diff);
/// A line of a diff as UTF-8 for display: as it is when `utf8`, else read as Windows-1252,
/// which gives every byte a character. A CR left inside the line is shown as a symbol, not
/// as a line break.
std::string DisplayedDiffLine(std::string_view line, bool utf8);

/// One row of the side-by-side view: the line before on the left, after on the right.
/// A side without a line (a line only added or only removed) is a Filler with number 0.
struct DiffRow {
  DiffLineKind Left = DiffLineKind::Filler, Right = DiffLineKind::Filler;
  int LeftNumber = 0, RightNumber = 0;  // line numbers in the file before and after
  std::string LeftText, RightText;      // without the line end
};

/// `unified` laid out side by side: context on both sides, a block of removed lines beside
/// the block of added lines that replaces it, a hunk row where the hunk starts (its header
/// on both sides), and a note across both.
std::vector<DiffRow> SideBySideRows(std::string_view unified);

}  // namespace tessel
