#include "support/iconv_text.h"

#include <iconv.h>

namespace tessel::testing {

std::optional<std::string> Iconv(std::string_view text, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(text.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size(), outLeft = out.size();
  char* dst = out.data();
  const bool ok = iconv(cd, &in, &inLeft, &dst, &outLeft) != size_t(-1) &&
                  iconv(cd, nullptr, nullptr, &dst, &outLeft) != size_t(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace tessel::testing
