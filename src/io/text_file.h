// Reading users' files whole, and naming paths in messages.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>

namespace tessel {

/// A path as messages show it: in double quotes, with C escapes when it holds a control
/// character, a double quote or a backslash (see CQuoted).
std::string QuotedPath(const std::filesystem::path& path);

/// The whole file, byte for byte. Refuses directories, FIFOs and other non-regular files
/// (a FIFO never makes the open hang).
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string* err);

/// The rest of the open file `fd` (named `path` in messages), which must be a regular file;
/// `st` (if given) receives its status before the read.
bool ReadOpenFile(int fd, const std::filesystem::path& path, std::string& bytes,
                  struct stat* st, std::string* err);

}  // namespace tessel
