#include "window_model/preview_model.h"

#include <charconv>

#include "encoding/convert.h"
#include "encoding/utf8.h"

namespace tessel {
namespace {

std::string Files(size_t n) { return std::to_string(n) + (n == 1 ? " file" : " files"); }

/// The lines of `text`, each without its "\n".
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string WithoutCr(std::string_view line) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  return std::string(line);
}

/// The first line numbers of a hunk header "@@ -a[,b] +c[,d] @@".
void HunkStart(std::string_view line, int& left, int& right) {
  auto number = [&](char sign) {
    const size_t at = line.find(sign, 2);
    int n = 0;
    if (at != std::string_view::npos)
      std::from_chars(line.data() + at + 1, line.data() + line.size(), n);
    return n;
  };
  left = number('-');
  right = number('+');
}

}  // namespace

PreviewWork::PreviewWork(std::unique_ptr<ChangePreview> preview, std::vector<PreviewTarget> files)
    : preview_(std::move(preview)), files_(std::move(files)) {}

PreviewWork::~PreviewWork() {
  Stop();
  job_.Wait();
}

void PreviewWork::Start(std::function<void()> finished) {
  job_.Start(
      [this](CancelToken&) {
        const PreviewCounts counts = preview_->Run(
            files_,
            [this](const PreviewTarget& file, const PreviewResult& result) {
              std::lock_guard lock(mutex_);
              PreviewCounts& c = found_.Counts;
              ++found_.Looked;
              switch (result.What) {
                case PreviewResult::Kind::Unchanged:
                  ++c.Unchanged;
                  return;
                case PreviewResult::Kind::Changes:
                  ++c.Changes;
                  break;
                case PreviewResult::Kind::Failed:
                  ++c.Failed;
                  break;
              }
              found_.Entries.push_back({file, result.What, result.Error});
            },
            &stop_);
        std::lock_guard lock(mutex_);
        found_.Counts.Cancelled = counts.Cancelled;
        found_.Finished = true;
      },
      std::move(finished));
}

void PreviewWork::Stop() { stop_ = true; }

PreviewProgress PreviewWork::Take() {
  std::lock_guard lock(mutex_);
  PreviewProgress now;
  std::swap(now.Entries, found_.Entries);
  now.Counts = found_.Counts;
  now.Looked = found_.Looked;
  now.Finished = found_.Finished;
  return now;
}

std::string PreviewSummary(const PreviewCounts& counts, size_t looked, size_t total, bool finished,
                           size_t leftOut) {
  std::string text;
  if (!finished) {
    text = "Looking at " + std::to_string(looked) + " of " + Files(total) + " ...  ";
  } else if (counts.Cancelled) {
    text = "Stopped after " + std::to_string(looked) + " of " + Files(total) +
           "; the files not looked at stay in the run.  ";
  }
  text += Files(size_t(counts.Changes)) + " would change, " + std::to_string(counts.Unchanged) +
          " would stay as they are";
  if (counts.Failed > 0) text += ", " + std::to_string(counts.Failed) + " could not be read";
  text += ".";
  if (leftOut > 0) text += "  " + Files(leftOut) + " left out of the run.";
  return text;
}

std::vector<std::string> FilesKept(const std::vector<std::string>& files,
                                   const std::set<std::string>& leftOut) {
  std::vector<std::string> kept;
  kept.reserve(files.size());
  for (const std::string& file : files) {
    if (!leftOut.contains(file)) kept.push_back(file);
  }
  return kept;
}

std::vector<DiffLineKind> UnifiedLineKinds(std::string_view unified) {
  std::vector<DiffLineKind> kinds;
  bool inHunk = false;
  for (std::string_view line : Lines(unified)) {
    DiffLineKind kind = DiffLineKind::Note;
    if (line.starts_with("@@")) {
      kind = DiffLineKind::Hunk;
      inHunk = true;
    } else if (!inHunk && (line.starts_with("--- ") || line.starts_with("+++ "))) {
      kind = DiffLineKind::Header;
    } else if (inHunk && line.starts_with('-')) {
      kind = DiffLineKind::Removed;
    } else if (inHunk && line.starts_with('+')) {
      kind = DiffLineKind::Added;
    } else if (inHunk && line.starts_with(' ')) {
      kind = DiffLineKind::Same;
    }
    kinds.push_back(kind);
  }
  return kinds;
}

bool DiffIsUtf8(std::string_view diff) { return IsValidUtf8(diff); }

std::string DisplayedDiffLine(std::string_view line, bool utf8) {
  std::string text;
  if (utf8 || !DecodeText(line, TextEncoding::Windows1252, text)) text.assign(line);
  for (size_t at; (at = text.find('\r')) != std::string::npos;) text.replace(at, 1, "\u240D");
  return text;
}

std::vector<DiffRow> SideBySideRows(std::string_view unified) {
  std::vector<DiffRow> rows;
  std::vector<std::string_view> removed, added;
  int left = 0, right = 0;
  auto flush = [&] {
    for (size_t i = 0; i < std::max(removed.size(), added.size()); ++i) {
      DiffRow row;
      if (i < removed.size()) {
        row.Left = DiffLineKind::Removed;
        row.LeftNumber = left++;
        row.LeftText = WithoutCr(removed[i].substr(1));
      }
      if (i < added.size()) {
        row.Right = DiffLineKind::Added;
        row.RightNumber = right++;
        row.RightText = WithoutCr(added[i].substr(1));
      }
      rows.push_back(std::move(row));
    }
    removed.clear();
    added.clear();
  };
  const std::vector<std::string_view> lines = Lines(unified);
  const std::vector<DiffLineKind> kinds = UnifiedLineKinds(unified);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const DiffLineKind kind = kinds[i];
    if (kind == DiffLineKind::Removed) {
      if (!added.empty()) flush();  // a removal after additions starts a new block
      removed.push_back(line);
      continue;
    }
    if (kind == DiffLineKind::Added) {
      added.push_back(line);
      continue;
    }
    flush();
    if (kind == DiffLineKind::Header) continue;  // the list names the file
    DiffRow row{kind, kind, 0, 0, WithoutCr(line), WithoutCr(line)};
    if (kind == DiffLineKind::Hunk) HunkStart(line, left, right);
    if (kind == DiffLineKind::Same) {
      row.LeftNumber = left++;
      row.RightNumber = right++;
      row.LeftText = row.RightText = WithoutCr(line.substr(1));
    }
    rows.push_back(std::move(row));
  }
  flush();
  return rows;
}

}  // namespace tessel
