// The trim list on disk: trim.ini in the program directory, one key per tag.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/engine.h"

namespace tessel {

inline constexpr std::string_view kTrimFileName = "trim.ini";
inline constexpr size_t kTrimTagWidth = 100;

/// The keys of section TRIMTAGS in file order; a value of 1 selects the tag. A missing file
/// gives an empty list. On failure `list` is unchanged.
bool ReadTrimList(const std::filesystem::path& programDir, TrimTagList& list, std::string* err);
/// Each entry as tag=1 or tag=0, tags cut to kTrimTagWidth characters.
bool WriteTrimList(const std::filesystem::path& programDir, const TrimTagList& list,
                   std::string* err);
/// The Trim button's hint: what F7 does, then the selected tags run together.
std::string BuildTrimHint(const TrimTagList& list);

}  // namespace tessel
