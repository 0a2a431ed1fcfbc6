// The engine's own comments: framed auto comments at tags and the documentation line.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "engine/engine.h"

namespace tessel {
namespace {

constexpr int kMaxCommentPad = 1000;  // for hand-edited styles with absurd lengths

bool Qualifies(int direction, const TagEntry& entry) {
  if (!entry.TreatAsText) return true;
  return direction == 1 ? entry.CRLFLeading >= 1 : entry.CRLFFollowed >= 1;
}

std::string TwoDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

// A style's comment texts and user name go inside our own comments. A "-->" (or "--!>",
// which browsers also take as an end) would end the comment there: the rest would show on
// the page, and the next run would keep it as a user's comment and add a new one.
bool EndsWith(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string InsideComment(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == '>' && (EndsWith(out, "-->") || EndsWith(out, "--!>"))) out.insert(out.size() - 1, 1, ' ');
  }
  return out;
}

}  // namespace

void Engine::MakeAutoComment(int direction, const TagEntry& entry) {
  if (style_.Options.DoDisableComments || !Qualifies(direction, entry)) return;
  std::string text, number;
  if (direction == 1) {
    if (!entry.DoGenerateSComment) return;
    text = InsideComment(entry.StartComment);
    number = PushCounter(style_.Tags, entry);
  } else {
    if (!entry.DoGenerateEComment) return;
    text = InsideComment(entry.EndComment);
    number = PopCounter(style_.Tags, entry);
  }
  // In 64 bits: a hand-edited CommentLength may be any int, down to INT_MIN.
  int64_t pad =
      (int64_t{entry.CommentLength} - static_cast<int64_t>(text.size() + number.size()) - 10) / 2;
  pad = std::clamp<int64_t>(pad, 0, kMaxCommentPad);
  std::string fill;
  for (int64_t i = 0; i < pad; ++i) fill += entry.CommentSymbol;
  std::string line = "<!--~" + fill;
  if (!text.empty()) line += " " + text + number + " ";
  line += fill + "~-->";
  if (entry.Cindent) {
    EmitIndented(line);
  } else {
    EmitOutput(line);
  }
}

std::string BuildDocLine(const StyleOptions& o, const DocDateTime& when) {
  if (!o.DoIncludeUser && !o.DoIncludeDate && !o.DoIncludeTime && !o.DoIncludeStyle &&
      !o.DoIncludeVersion) {
    return {};
  }
  std::string s = "<!--~ ";
  if (o.DoIncludeUser) s += InsideComment(o.UserInfo) + ", ";
  if (o.DoIncludeDate) {
    s += "DATE: " + std::to_string(when.Year) + "-" + TwoDigits(when.Month) + "-" +
         TwoDigits(when.Day) + ", ";
  }
  if (o.DoIncludeTime) {
    int hour12 = when.Hour % 12 == 0 ? 12 : when.Hour % 12;
    s += "TIME: " + TwoDigits(hour12) + ":" + TwoDigits(when.Minute) +
         (when.Hour < 12 ? " am" : " pm") + ", ";
  }
  if (o.DoIncludeStyle) s += "STYLE: " + InsideComment(o.StyleName) + ", ";
  if (o.DoIncludeVersion) s += kProgramVersion;
  s += " ~-->";
  return s;
}

DocDateTime CurrentDocDateTime() {
  std::time_t t = std::time(nullptr);
  std::tm parts{};
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  char* end = nullptr;
  errno = 0;
  long long fixed = epoch ? std::strtoll(epoch, &end, 10) : 0;
  if (epoch && *epoch && end && *end == '\0' && errno == 0) {
    t = static_cast<std::time_t>(fixed);
    gmtime_r(&t, &parts);  // reproducible output must not depend on the time zone
  } else {
    localtime_r(&t, &parts);
  }
  return DocDateTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                     parts.tm_min};
}

}  // namespace tessel
