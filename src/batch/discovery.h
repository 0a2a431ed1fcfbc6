// Which files a run works on: the accepted file types, the test for one file and the
// recursive scan of a directory tree.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

/// One row of the file type list. A file matches the row when its extension, upper-cased,
/// begins with the extension of one of the row's masks (".html" begins with ".HTM").
struct FileType {
  std::string_view Label;
  std::string_view Mask;  // "*.htm;*.asp"
};

/// The file types by FilterIndex (0 to 5), shared by the tree and file dialogs and the
/// acceptance test.
inline constexpr std::array<FileType, 6> kFileTypes = {{
    {"HTM(L) only", "*.htm"},
    {"All HTML-File types", "*.htm;*.asp;*.sht;*.dht;*.cfm"},
    {"ASP", "*.asp"},
    {"SSI Files", "*.sht"},
    {"Dynamic HTML Files", "*.dht"},
    {"Cold Fusion Files", "*.cfm"},
}};

/// The rows as one text of label and mask pairs separated by "|":
/// "HTM(L) only|*.htm|All HTML-File types|...".
std::string FileTypeList();

/// The acceptance test for one file. False unless `path` names a regular file (a link to
/// one counts). Then "*" + its extension, cut to 5 characters and upper-cased, must occur
/// in the upper-cased FileTypeList (a name without an extension passes). With `doValidate` or
/// at a command-line start the text must also hold "<HTML" in any case; a file that cannot
/// be read fails.
bool IsValidHtmlFile(const std::string& path, bool doValidate, bool cmdLineStart);

/// True when `text` holds "<HTML" in any mix of case.
bool ContainsHtmlTag(std::string_view text);

/// The extension test of the tree scan for a file name; an index outside 0 to 5 accepts
/// nothing.
bool MatchesFilter(std::string_view name, int filterIndex);

/// Whether a directory of this name is a web publisher's metadata folder ("_vti_cnf" in
/// any case), which the scan leaves out with everything below it.
bool IsPublishingMetaDir(std::string_view name);

/// What the scan reports as it goes.
struct ScanEvent {
  enum class Kind {
    Entry,       // an entry of a directory is about to be looked at
    Unreadable,  // a directory could not be opened or listed (completely), or a file could
                 // not be looked at or (validating) read: it is left out
  };
  Kind What;
  std::string_view Path;
  std::string_view Error;  // Unreadable only
};

/// Returns false to stop the scan (the user pressed Esc).
using ScanCallback = std::function<bool(const ScanEvent&)>;

/// Appends every accepted file below `dir` to `fileList` as a full path: depth first, each
/// directory's entries in the order the file system lists them. `dir` is taken as it is
/// named, and must hold no symbolic link (the caller resolves it: ResolvePath); below it
/// every directory is opened relative to the one above without following a link. Skips
/// hidden entries (names starting with "."), directories whose name contains "_vti_cnf" in
/// any case with everything below them, and symbolic links of every kind: a link to a
/// directory could loop, and a link to a file would be rewritten as a copy in place of the
/// link, or change a file outside the tree. A directory that cannot be listed and a file
/// that cannot be looked at (or, with `doValidate`, read) are reported and left out. Never
/// throws. Returns false when the callback stopped the scan; the files found so far stay
/// listed.
bool ScanDirectory(const std::string& dir, int filterIndex, bool doValidate,
                   std::vector<std::string>& fileList, const ScanCallback& callback = {});

}  // namespace tessel
