#include "support/rtf_reader.h"

namespace tessel::testing {

ColouredText ReadColouredRtf(std::string_view rtf) {
  static constexpr std::string_view kBodyStart = "}\r\n\\deflang1033\\pard\\plain\\f2\\fs18\\cf0 ";
  ColouredText out;
  const size_t at = rtf.find(kBodyStart);
  if (at == std::string_view::npos || rtf.empty() || rtf.back() != '}') {
    out.Error = "no body, or no closing brace";
    return out;
  }
  const std::string_view body = rtf.substr(at + kBodyStart.size(), rtf.size() - at - kBodyStart.size() - 1);
  int cls = 0;
  for (size_t i = 0; i < body.size() && out.Error.empty();) {
    const std::string_view rest = body.substr(i);
    std::string_view bytes = rest.substr(0, 1);
    size_t used = 1;
    if (rest.starts_with("\\cf")) {
      if (rest.size() < 5 || rest[3] < '0' || rest[3] > '3' || rest[4] != ' ') {
        out.Error = "bad colour switch: " + std::string(rest.substr(0, 5));
      }
      cls = rest[3] - '0';
      i += 5;
      continue;
    }
    if (rest.starts_with("\r\n\\par ")) {
      bytes = "\r\n";
      used = 7;
    } else if (rest[0] == '\\') {
      if (rest.size() < 2 || std::string_view("\\{}").find(rest[1]) == std::string_view::npos) {
        out.Error = "bad escape: " + std::string(rest.substr(0, 2));
      }
      bytes = rest.substr(1, 1);
      used = 2;
    } else if (std::string_view("{}\r\n").find(rest[0]) != std::string_view::npos) {
      out.Error = "raw control byte " + std::to_string(int(rest[0]));
    }
    out.Text += bytes;
    out.Classes.insert(out.Classes.end(), bytes.size(), cls);
    i += used;
  }
  return out;
}

}  // namespace tessel::testing
