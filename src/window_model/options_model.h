// What the options dialog edits: a draft of the active style and of the trim list. OK writes
// the draft into the style's files and the trim list into "trim.ini", and only then are they
// the session's; Cancel drops them, so nothing unsaved lingers in the style the next run or
// the editor's menu uses. The program settings of the General page are no part of the
// draft: they apply at once, however the dialog closes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/session.h"

namespace tessel {

/// The program settings shown on the General page.
struct GeneralSettings {
  bool Validate = false;   // DoValidate
  std::string BackupExt;   // as stored
  bool ColourTags = true;  // DoColorTags
  bool Wallpapers = true;  // DoLoadWallPapers
  bool Verify = false;     // DoVerify: runs check that their results render the same
};

class OptionsModel {
 public:
  explicit OptionsModel(Session& session) : session_(session) {}

  /// The dialog opens: the draft is the active style afresh from its files (the first style
  /// when none was loaded) and the trim list as the session holds it. False, with the
  /// message to show, when the style could not be read; the draft is then the style in
  /// memory.
  bool Open(std::string* message);

  Style& Draft() { return draft_; }
  const Style& Draft() const { return draft_; }
  TrimTagList& TrimDraft() { return trim_; }
  /// The names of the styles, as the style box lists them.
  const std::vector<std::string>& StyleList() { return session_.Styles().StyleList(); }
  /// Whether the style's options, tags or description were changed since the draft was
  /// last loaded or written: choosing another style asks to save first.
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }

  GeneralSettings General() const;
  /// The General page's program settings into the settings and the run state at once.
  void SetGeneral(const GeneralSettings& general);
  /// The line ends of the files written ("LineEnds"): part of what OK keeps and Cancel
  /// drops, never of the style.
  LineEndSetting LineEnds() const { return lineEnds_; }
  void SetLineEnds(LineEndSetting setting) { lineEnds_ = setting; }

  /// The tag controls' `entry` into the draft as tag `row` (1-based): its fields cut to
  /// their widths, a Stand Alone tag given its line breaks (ApplyStandAloneMinimum). The
  /// caller says whether this was an edit (SetModified).
  void StoreTag(int row, TagEntry entry);

  /// OK: the draft into the active style's files, then the trim list into "trim.ini"; each
  /// is the session's once written, and the line-end setting with them. False, with the message naming the file, when one
  /// could not be written: the dialog stays open.
  bool Commit(std::string* message);

  /// Another style chosen in the style box. With `saveFirst` the draft is written to its
  /// style first. The chosen style, as stored, becomes the active one (for the next start
  /// too) and the draft. False, with the message, when a write or the load failed: the
  /// draft and its style stay.
  bool SwitchStyle(const std::string& name, bool saveFirst, std::string* message);
  /// The draft written as a new style `name` (a cleaned name, CheckNewStyle), which becomes
  /// the active style and the draft.
  bool SaveAsNewStyle(const std::string& name, std::string* message);
  /// `tag` (NormalizeNewTag, accepted by ValidateNewTag) appended to the draft, and the
  /// draft written with it and read back. When it cannot be written the new tag stays in
  /// the draft with the other edits, unsaved.
  bool AddTag(const std::string& tag, std::string* message);
  /// Tag `row` taken out of the style's tag.ini and of the draft; the draft's other edits
  /// stay, unsaved as they were.
  bool RemoveTag(int row, std::string* message);

 private:
  bool WriteDraft(const std::filesystem::path& dir, std::string* message);
  void TakeActiveStyle();
  /// The style `name` loaded as the active one (for the next start too) and the draft.
  bool MakeActive(const std::string& name, std::string* message);

  Session& session_;
  Style draft_;
  TrimTagList trim_;
  LineEndSetting lineEnds_ = LineEndSetting::CrLf;
  bool modified_ = false;
};

// ---------------------------------------------------------------------------------------
// The preview of a sample page

/// The sample pages: the ".htm" files of the data directory's preview folder (of the data
/// directory itself when it has none), in name order.
struct SamplePages {
  std::string Dir;  // ends in "/"
  std::vector<std::string> Names;
};
SamplePages FindSamplePages(const std::filesystem::path& programDir);

/// A sample page as the preview shows it unchanged: LF line ends, no last line end,
/// Windows-1252 made UTF-8 when the bytes are no UTF-8. Nothing, with *err, when it cannot
/// be read; the page is only ever read.
std::optional<std::string> SampleText(const std::string& path, std::string* err);
/// The same page formatted or compressed with `style`, as the settings stand, saved or not.
std::optional<std::string> ProcessedSample(const std::string& path, EngineMode mode, Style& style,
                                           std::string* err);

}  // namespace tessel
