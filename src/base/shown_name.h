// File names as the program's own lines show them. A name may hold any byte but "/" and
// NUL, a line break included; printed as it is, such a name would split its line in two
// and could pass for a line of its own in a protocol or a list read by a script.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace tessel {

/// True when `name` holds a control character, a double quote or a backslash.
inline bool NeedsQuoting(std::string_view name) {
  return std::any_of(name.begin(), name.end(), [](unsigned char c) {
    return c < 0x20 || c == 0x7f || c == '"' || c == '\\';
  });
}

/// `prefix` and `name` in double quotes, with C escapes for a double quote ("\""), a
/// backslash ("\\") and every control character (three octal digits: "\012").
inline std::string CQuoted(std::string_view name, std::string_view prefix = {}) {
  std::string out(1, '"');
  out.append(prefix);
  for (unsigned char c : name) {
    if (c == '"' || c == '\\') {
      out.append(1, '\\').append(1, char(c));
    } else if (c < 0x20 || c == 0x7f) {
      out.append(1, '\\').append(1, char('0' + (c >> 6)));
      out.append(1, char('0' + ((c >> 3) & 7))).append(1, char('0' + (c & 7)));
    } else {
      out.append(1, char(c));
    }
  }
  return out.append(1, '"');
}

/// `name` as it is when it needs no quoting, else CQuoted: a plain name reads as before,
/// and an odd one stays on its line and can be read back unambiguously.
inline std::string ShownName(std::string_view name) {
  return NeedsQuoting(name) ? CQuoted(name) : std::string(name);
}

}  // namespace tessel
