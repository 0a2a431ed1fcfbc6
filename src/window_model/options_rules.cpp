#include "window_model/options_rules.h"

#include <algorithm>

#include "base/ascii.h"
#include "batch/backups.h"

namespace tessel {
namespace {

static_assert(kStoredBackupExtLength == kMaxBackupExtLength);

/// Whether an auto comment would be written: an As Text tag gets its comment only where it
/// breaks the line.
bool CommentTakesEffect(const TagEntry& entry, bool enabled, int lineBreaks) {
  return enabled && (!entry.TreatAsText || lineBreaks > 0);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

TagGridRow TagGridRowOf(const TagEntry& entry) {
  const std::string blank(1, ' ');
  const bool start = CommentTakesEffect(entry, entry.DoGenerateSComment, entry.CRLFLeading);
  const bool end = CommentTakesEffect(entry, entry.DoGenerateEComment, entry.CRLFFollowed);
  return {
      entry.TagName,
      std::string(1, entry.TreatAsText ? 'A' : 'S'),
      std::to_string(entry.CRLFLeading) + std::to_string(entry.CRLFFollowed),
      start || end ? (start ? entry.CommentSymbol : blank) + (end ? entry.CommentSymbol : blank)
                   : blank,
      entry.TreatAsText
          ? blank
          : std::to_string(entry.isSelfIndent) + std::to_string(entry.isContentIndent),
  };
}

int LineBreakMinimum(const TagEntry& entry) { return entry.TreatAsText ? 0 : 1; }

std::string UserInfoFromField(std::string_view text) {
  std::string info(text);
  std::replace_if(
      info.begin(), info.end(), [](char c) { return c == '<' || c == '>'; }, ' ');
  return std::string(Trimmed(info));
}

std::string CleanBackupExt(std::string_view typed) { return NormalizeBackupExt(typed); }

std::string StoredBackupExt(std::string_view cleaned) {
  return std::string(cleaned.substr(0, kStoredBackupExtLength));
}

std::string BreakExcluderFor(bool noBreakInsideTags) { return noBreakInsideTags ? "<>" : "\""; }

bool NoBreakInsideTags(std::string_view breakExcluder) { return breakExcluder == "<>"; }

int TagCaseFor(bool upper, bool lower, bool preserve, int current) {
  if (upper) return 1;
  if (lower) return 2;
  if (preserve) return 3;
  return current;
}

TagEmphasis TagEmphasisOf(const TagEntry& entry) {
  TagEmphasis e;
  e.AloneMarked = !entry.TreatAsText;
  e.AsTextMarked = entry.TreatAsText;
  if (entry.TreatAsText) {
    e.IndentItalic = true;
    e.StartCommentItalic = entry.CRLFLeading == 0;
    e.EndCommentItalic = entry.CRLFFollowed == 0;
  } else {
    e.BeforeItalic = entry.CRLFLeading < 1;
    e.AfterItalic = entry.CRLFFollowed < 1;
  }
  return e;
}

PanelTints PanelTintsOf(const StyleOptions& options) {
  return {options.DoDisableComments, options.Spacing == 0};
}

std::string CheckNewStyle(std::string_view text, const std::vector<std::string>& existing) {
  std::string name(Trimmed(text));
  for (char& c : name) {
    if (c == ' ' || c == '\\' || c == '/' || c == '.') c = '_';
  }
  for (const std::string& style : existing) {
    if (EqualsNoCase(style, name)) return "";
  }
  return name;
}

std::string NormalizeNewTag(std::string_view text) {
  std::string tag = "<";
  for (char c : text) {
    if (std::string_view(" \t*/\\<>").find(c) == std::string_view::npos) tag += AsciiUpper(c);
  }
  return tag + ">";
}

std::string ValidateNewTag(std::string_view tag, const TagTable& table) {
  const std::string shown(tag);
  if (tag.size() < 3) return "Tag: " + shown + " is invalid and cannot be added.";
  const bool builtIn = std::any_of(BlockTagTable.begin(), BlockTagTable.end(),
                                   [&](const BlockTag& block) { return block.BlockOpen == tag; });
  if (builtIn || tag.find("<!--") != tag.npos || tag.find("<%") != tag.npos) {
    return "Tag: " + shown + " is not allowed to add.\r\nPlease read information above.";
  }
  const std::string upper = AsciiUpperCase(tag);
  for (int i = 1; i <= table.TagCount; ++i) {
    if (table.Entry(i).TagOpen == upper) {
      return "Tag: " + shown + " already exists in the current style.";
    }
  }
  if (table.TagCount >= kMaxTags) {
    return "Tag cannot be added. Maximum of " + std::to_string(kMaxTags) + " tags reached.";
  }
  return "";
}

TagEntry NewTagEntry(std::string_view tag) {
  TagEntry entry = DefaultTagEntry();
  entry.TagName = std::string(tag);
  entry.TagOpen = std::string(tag);
  std::string close(tag);
  if (const size_t at = close.find('<'); at != std::string::npos) close.insert(at + 1, 1, '/');
  entry.TagClose = std::move(close);
  CutTagFields(entry);
  return entry;
}

bool AppendNewTag(TagTable& table, std::string_view tag) {
  if (table.TagCount >= kMaxTags) return false;
  ++table.TagCount;
  table.Entry(table.TagCount) = NewTagEntry(tag);
  table.Entry(table.TagCount).TagNumber = table.TagCount;
  return true;
}

bool RemoveTagEntry(TagTable& table, int number) {
  if (number < 1 || number > table.TagCount) return false;
  std::move(table.Slots.begin() + number, table.Slots.begin() + table.TagCount,
            table.Slots.begin() + number - 1);
  table.Entry(table.TagCount) = DefaultTagEntry();
  --table.TagCount;
  for (int i = number; i <= table.TagCount; ++i) table.Entry(i).TagNumber = i;
  return true;
}

std::string SaveChangesQuestion(std::string_view styleName) {
  return "Save changes in style:\r\n\r\n\"" + std::string(styleName) +
         "\"\r\n\r\nbefore loading another one?";
}

std::string RemoveTagQuestion(const TagEntry& entry) {
  return "Remove tag " + entry.TagOpen + " from current style?";
}

std::string TagAddedMessage(const TagEntry& entry) {
  return "Tag " + entry.TagName +
         " successfully added to the current style!\r\nNow select your tag in the \"Tag "
         "Overview\" grid to configure it.";
}

}  // namespace tessel
