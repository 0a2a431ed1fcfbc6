// The active style: general options, the tag rule table, and the built-in
// block tables, with the small tag helpers every engine stage uses.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "engine/version.h"

namespace tessel {

inline constexpr int kMaxTags = 100;
inline constexpr size_t kTagFieldWidth = 20;      // TagName, TagOpen, TagClose
inline constexpr size_t kCommentFieldWidth = 30;  // StartComment, EndComment

/// General options of a style; each field is fed by the options.ini key of the same name.
struct StyleOptions {
  std::string StyleName = "default";
  std::string StyleDescription = "(Please enter your style decription here)";
  int LineSize = 80;                 // wrap text lines longer than this
  int Spacing = 4;                   // columns per indent step
  bool DoDisableComments = false;    // no auto comments at all
  bool DoPurgeComments = true;       // the compressor drops comments
  std::string BreakExcluder = "\"";  // "\"" protects quoted runs, "<>" whole tags
  int TagCase = 1;                   // 1 upper, 2 lower, 3 as written
  std::string UserInfo = "Unknown User";
  bool DoIncludeUser = true;
  bool DoIncludeVersion = true;
  bool DoIncludeDate = true;
  bool DoIncludeTime = true;
  bool DoIncludeStyle = true;
  bool UseWhileCompress = false;  // documentation line on top of compressed output
  bool UseWhileFormat = false;    // documentation line on top of formatted output
  bool DoIndentSpacesOnly = false;  // indent with spaces only, never with a TAB
};

/// One tag rule. Counter, CounterStack and TagNumber are run-time state.
struct TagEntry {
  std::string TagName;
  bool TreatAsText = false;  // true: stays inside the running text line
  std::string TagOpen;       // normalised, e.g. "<TABLE>"
  std::string TagClose;      // normalised, e.g. "</TABLE>"; "</H>" also means </H1>..</H6>
  int isSelfIndent = 0;
  int isContentIndent = 0;
  int CRLFLeading = 0;
  int CRLFFollowed = 0;
  bool DoGenerateSComment = false;
  bool DoGenerateEComment = false;
  std::string StartComment;
  std::string EndComment;
  int CommentLength = 40;
  std::string CommentSymbol = "*";
  bool Cindent = true;
  bool EnableCounter = false;
  int Counter = 0;
  std::string CounterStack;  // ";1;2" : numbers of the open, not yet closed occurrences
  int TagNumber = 0;         // 1-based position in the table, 0 for the default entry
  bool CleanInside = true;   // shown by the options dialog only
};

/// The entry a failed lookup yields and empty table slots hold.
const TagEntry& DefaultTagEntry();

/// Cuts the string fields of an entry to their stored widths.
void CutTagFields(TagEntry& entry);

/// 100 slots; slots 1..TagCount are in use, in tag.ini section order.
struct TagTable {
  std::array<TagEntry, kMaxTags> Slots;
  int TagCount = 0;

  /// Entry by its 1-based number.
  TagEntry& Entry(int number) { return Slots[number - 1]; }
  const TagEntry& Entry(int number) const { return Slots[number - 1]; }
};

/// The active style as one object: what LoadStyle fills and the engine reads.
struct Style {
  StyleOptions Options;
  TagTable Tags;
};

struct BlockTag {
  std::string_view BlockOpen;
  std::string_view BlockClose;
};

/// Blocks whose content passes through formatting verbatim, in lookup order.
inline constexpr std::array<BlockTag, 8> BlockTagTable = {{
    {"<!--", "-->"},
    {"<!--~", "~-->"},
    {"<%", "%>"},
    {"<PRE>", "</PRE"},
    {"<TD>", "</TD"},
    {"<SCRIPT>", "</SCRIPT"},
    {"<STYLE>", "</STYLE"},
    {"<TEXTAREA>", "</TEXTAREA"},
}};
inline constexpr int kCommentRow = 0;
inline constexpr int kOwnCommentRow = 1;
inline constexpr int kCellRow = 4;

/// Tags that never take a following whitespace character along as their own trailing space.
inline constexpr std::array<std::string_view, 49> BlockLevelTags = {
    "<TR>",    "</TR>",      "</TD>",   "</DD>",        "</LI>",         "<UL>",
    "</UL>",   "<OL>",       "</OL>",   "<BLOCKQUOTE>", "</BLOCKQUOTE>", "<BODY>",
    "</BODY>", "<HEAD>",     "</HEAD>", "<DIR>",        "</DIR>",        "<DL>",
    "</DL>",   "</CAPTION>", "</DT>",   "<FRAMESET>",   "</FRAMESET>",   "</H1>",
    "</H2>",   "</H3>",      "</H4>",   "</H5>",        "</H6>",         "<MAP>",
    "</MAP>",  "<MENU>",     "</MENU>", "<NOFRAMES>",   "</NOFRAMES>",   "<SELECT>",
    "<TABLE>", "</TABLE>",   "</P>",    "<TEXTAREA>",   "</TEXTAREA>",   "</TH>",
    "<TITLE>", "</TITLE>",   "<HTML>",  "<META>",       "<OPTION>",      "<HR>",
    "<TD>"};

bool IsBlockLevelTag(std::string_view name);

/// Reduces a tag text (starting with "<") to its name form: '<table border=1>' gives '<TABLE>'.
std::string NormalizeTagName(std::string_view tag);

/// As NormalizeTagName, into `out`; stops and returns false once the name would exceed `cap`
/// characters (such a name can equal no table entry, so callers treat it as unknown).
bool NormalizeTagNameBounded(std::string_view tag, size_t cap, std::string& out);

/// One character of a tag name in the given case mode. The lower-case mode also lowers the
/// Windows-1252 umlauts, except where the byte starts a UTF-8 letter (`beforeContinuation`).
char TagCaseChar(char c, int mode, bool beforeContinuation);

/// Converts the tag name at `start` (0-based) up to the first space, '"' or '>':
/// mode 1 upper case, mode 2 lower case, anything else leaves the text alone. Returns where
/// the conversion stopped (that character's index, or the text's size); `start` when the
/// mode converts nothing.
size_t ApplyTagCase(std::string& text, size_t start, int mode);

/// Finds the first entry whose TagOpen (direction 1) or TagClose (direction -1) begins with
/// the tag's name. On no match `entry` is the default entry and the direction comes from
/// the tag's "/".
int LookupTag(const TagTable& table, std::string_view tag, const TagEntry*& entry);

/// Every slot becomes the default entry; TagCount is left as it is.
void ResetTagTable(TagTable& table);

/// Counters restart at 0 and counter stacks empty for entries 1..TagCount.
void ResetCounters(TagTable& table);

/// Numbers a new opening of `entry` when its table entry counts; returns the number or "".
std::string PushCounter(TagTable& table, const TagEntry& entry);

/// The number of the most recently opened, still open occurrence, or "".
std::string PopCounter(TagTable& table, const TagEntry& entry);

}  // namespace tessel
