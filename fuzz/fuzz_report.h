// How a fuzz target reports a broken property: the message, the input's bytes readable,
// then abort, so that libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tessel::fuzz {

// Control bytes are shown escaped, so that the message survives NULs and line breaks.
inline std::string Printable(std::string_view s) {
  std::string out;
  for (unsigned char c : s.substr(0, 2000)) {
    if (c >= 0x20 && c != 0x7F) {
      out += char(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += c == '\n' ? std::string("\\n\n") : std::string(hex);
    }
  }
  return out;
}

[[noreturn]] inline void ReportViolation(const char* target, std::string_view what,
                                         std::string_view detail) {
  std::fprintf(stderr, "\n*** %s property violated: %.*s\n%s\n", target, int(what.size()),
               what.data(), Printable(detail).c_str());
  std::abort();
}

}  // namespace tessel::fuzz
