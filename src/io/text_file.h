// Reading users' files whole, and naming paths in messages.
#pragma once

#include <filesystem>
#include <string>

namespace tessel {

/// A path as messages show it: in double quotes.
std::string QuotedPath(const std::filesystem::path& path);

/// The whole file, byte for byte. Refuses directories, FIFOs and other non-regular files
/// (a FIFO never makes the open hang).
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string* err);

}  // namespace tessel
