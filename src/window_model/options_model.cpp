#include "window_model/options_model.h"

#include <algorithm>

#include "base/ascii.h"
#include "batch/backups.h"
#include "editor/editor_text.h"
#include "io/text_file.h"
#include "styles/style_files.h"
#include "styles/trim_list.h"
#include "window_model/options_rules.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

bool IsSampleName(const std::string& name) {
  return name.size() > 4 && EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".htm");
}

/// A page's text as the preview shows it: no last line end, UTF-8.
std::string Shown(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  // Pages that are no UTF-8 are taken as Windows-1252, as the editor takes them.
  return IsValidUtf8(text) ? text : Windows1252ToUtf8(text);
}

std::optional<std::string> ReadSample(const std::string& path, std::string* err) {
  std::string bytes;
  if (path.empty() || !ReadWholeFile(path, bytes, err)) return std::nullopt;
  NormalizeLineEndsInPlace(bytes, nullptr);
  return bytes;
}

bool WriteStyle(const fs::path& dir, Style& style, std::string* message) {
  std::string err;
  if (!WriteTagTable(dir, style.Tags, &err)) {
    *message = "The style could not be saved to " + QuotedPath(FindNameNoCase(dir, kTagFileName)) +
               ":\r\n" + err;
    return false;
  }
  if (!WriteStyleOptions(dir, style.Options, &err)) {
    *message = "The style could not be saved to " +
               QuotedPath(FindNameNoCase(dir, kOptionsFileName)) + ":\r\n" + err;
    return false;
  }
  return true;
}

}  // namespace

bool OptionsModel::Open(std::string* message) {
  bool loaded;
  if (session_.StyleLoaded()) {
    loaded = session_.ReloadStyle(message);
  } else {
    StyleError err;
    loaded = session_.LoadStyle(nullptr, &err);
    *message = err.Text;
  }
  session_.Styles().FindStyles();
  TakeActiveStyle();
  trim_ = session_.TrimList();
  lineEnds_ = session_.Settings().LineEnds;
  return loaded;
}

void OptionsModel::TakeActiveStyle() {
  draft_ = session_.ActiveStyle();
  modified_ = false;
}

GeneralSettings OptionsModel::General() const {
  const ProgramSettings& s = session_.Settings();
  return {s.DoValidate, s.BackupExt, s.DoColorTags, s.DoLoadWallPapers, s.DoVerify};
}

void OptionsModel::SetGeneral(const GeneralSettings& general) {
  ProgramSettings& s = session_.Settings();
  s.DoValidate = general.Validate;
  s.BackupExt = general.BackupExt;
  s.DoColorTags = general.ColourTags;
  s.DoLoadWallPapers = general.Wallpapers;
  session_.SetVerify(general.Verify);
  // For the next run as well, whatever becomes of the style.
  RunState& state = session_.State();
  state.BackupExt = s.BackupExt;
  state.DoValidate = s.DoValidate;
  state.DoCreateBackUps = s.DoCreateBackUps;
}

void OptionsModel::StoreTag(int row, TagEntry entry) {
  if (row < 1 || row > draft_.Tags.TagCount) return;
  CutTagFields(entry);
  ApplyStandAloneMinimum(entry);
  draft_.Tags.Entry(row) = std::move(entry);
}

bool OptionsModel::WriteDraft(const fs::path& dir, std::string* message) {
  if (!WriteStyle(dir, draft_, message)) return false;
  // What is stored is what the session's style holds.
  session_.SetActiveStyle({draft_, dir});
  modified_ = false;
  return true;
}

bool OptionsModel::Commit(std::string* message) {
  if (!WriteDraft(session_.ActiveStylePath(), message)) return false;
  std::string err;
  if (!WriteTrimList(session_.ProgramDir(), trim_, &err)) {
    *message = "The trim list could not be saved to " +
               QuotedPath(FindNameNoCase(session_.ProgramDir(), kTrimFileName)) + ":\r\n" + err;
    return false;
  }
  session_.TrimList() = trim_;
  session_.SetLineEnds(lineEnds_);
  return true;
}

bool OptionsModel::SwitchStyle(const std::string& name, bool saveFirst, std::string* message) {
  if (saveFirst && !WriteDraft(session_.ActiveStylePath(), message)) return false;
  return MakeActive(name, message);
}

bool OptionsModel::MakeActive(const std::string& name, std::string* message) {
  StyleError err;
  if (!session_.LoadStyle(&name, &err)) {
    *message = err.Text;
    return false;
  }
  // The style chosen here stays the active one, for the next start as well.
  session_.Settings().StyleName = session_.ActiveStyle().Options.StyleName;
  TakeActiveStyle();
  return true;
}

bool OptionsModel::SaveAsNewStyle(const std::string& name, std::string* message) {
  // Named as typed (cleaned): styles are found without regard to case, but the file system
  // tells cases apart, so an upper-cased directory would name another style.
  const fs::path dir = session_.ProgramDir() / "styles" / name;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    *message = "Cannot create the style directory " + QuotedPath(dir) + ":\r\n" + ec.message();
    return false;
  }
  Style style = draft_;
  style.Options.StyleName = name;
  if (!WriteStyle(dir, style, message)) return false;
  return MakeActive(name, message);
}

bool OptionsModel::AddTag(const std::string& tag, std::string* message) {
  if (!AppendNewTag(draft_.Tags, tag)) return false;
  modified_ = true;
  if (!WriteDraft(session_.ActiveStylePath(), message)) return false;
  if (!session_.ReloadStyle(message)) return false;
  TakeActiveStyle();
  return true;
}

bool OptionsModel::RemoveTag(int row, std::string* message) {
  TagTable& tags = draft_.Tags;
  if (row < 1 || row > tags.TagCount) return false;
  const std::string name = tags.Entry(row).TagName;
  const fs::path& dir = session_.ActiveStylePath();
  std::string err;
  if (!EraseTagSection(dir, name, &err)) {
    *message = "The tag could not be removed from " +
               QuotedPath(FindNameNoCase(dir, kTagFileName)) + ":\r\n" + err;
    return false;
  }
  // Only this entry goes: the other edits of the draft stay, unsaved as they were. The
  // session's style loses it as its file did.
  RemoveTagEntry(tags, row);
  TagTable& active = session_.ActiveStyle().Tags;
  for (int i = 1; i <= active.TagCount; ++i) {
    if (active.Entry(i).TagName == name) {
      RemoveTagEntry(active, i);
      break;
    }
  }
  return true;
}

SamplePages FindSamplePages(const fs::path& programDir) {
  fs::path dir = FindNameNoCase(programDir, "preview");
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) dir = programDir;
  SamplePages pages{WithTrailingSeparator(dir.string()), {}};
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeEc;
    const std::string name = it->path().filename().string();
    if (IsSampleName(name) && it->is_regular_file(typeEc)) pages.Names.push_back(name);
  }
  std::sort(pages.Names.begin(), pages.Names.end(),
            [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
  return pages;
}

std::optional<std::string> SampleText(const std::string& path, std::string* err) {
  std::optional<std::string> text = ReadSample(path, err);
  if (text) *text = Shown(std::move(*text));
  return text;
}

std::optional<std::string> ProcessedSample(const std::string& path, EngineMode mode, Style& style,
                                           std::string* err) {
  std::optional<std::string> text = ReadSample(path, err);
  if (!text) return std::nullopt;
  Engine engine(style);
  LineList sink;
  engine.PreviewSink = &sink;
  engine.FileName = path;
  engine.Process(mode, std::move(*text));
  return Shown(sink.Joined("\n"));
}

}  // namespace tessel
