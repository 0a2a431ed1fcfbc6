// Whole-file reading and crash-safe replacing of files on disk.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tessel {

/// Replaces `path` with `bytes` through a temporary file in the same directory and a
/// rename, keeping an existing file's permission bits. Refuses read-only files and
/// directories even when the process could override them. On failure the target is left
/// as it was, no temporary file remains, and *err says why.
bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes, std::string* err);

/// Text as the engine reads it: CR LF, a lone CR and a lone LF each end a line, and every
/// line (the last included) then ends with one LF. The first NUL byte ends the text; then
/// *hadNul (if given) is set to true.
std::string NormalizeLineEnds(std::string_view bytes, bool* hadNul);

/// NormalizeLineEnds without a second copy of the text.
void NormalizeLineEndsInPlace(std::string& text, bool* hadNul);

/// A path as messages show it: in double quotes.
std::string QuotedPath(const std::filesystem::path& path);

/// The whole file, byte for byte.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string* err);

/// ReadWholeFile followed by NormalizeLineEnds.
bool ReadTextForProcessing(const std::filesystem::path& path, std::string& text, bool* hadNul,
                           std::string* err);

}  // namespace tessel
