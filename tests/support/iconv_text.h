// Pages in other encodings made by the tests themselves, with glibc's iconv.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessel::testing {

/// `text` converted by iconv from `from` into `to`; nothing when it cannot be converted whole.
std::optional<std::string> Iconv(std::string_view text, const char* to, const char* from = "UTF-8");

}  // namespace tessel::testing
