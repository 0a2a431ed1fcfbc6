#include "editor/typing_rules.h"

#include <algorithm>

namespace tessel {

ColourClass TypedCharClass(char typed, const CursorContext& context) {
  using enum ColourClass;
  const ColourClass before = context.ColourBefore, after = context.ColourAfter;
  if (before == Comment && after == Comment) return Comment;
  if (typed == '-' || typed == '<' || typed == '>') return Tag;
  if (typed == '"') return Quoted;
  if (context.CharAfter == '>') return Tag;
  if (context.CharBefore == '<') return Tag;
  if (context.CharBefore == '>') return Text;
  if (before == after) return before;
  if (before == Quoted && after == Tag) return Tag;
  if (before == Tag && after == Text) return Text;
  return before;
}

bool ChangesTagStructure(char c) {
  return c == '!' || c == '"' || c == '-' || c == '<' || c == '>';
}

bool RecolourAfterChange(EditKind edit, const CursorContext& before) {
  switch (edit) {
    case EditKind::Backspace:
      return ChangesTagStructure(before.CharBefore);  // the deleted character
    case EditKind::Delete:
      return ChangesTagStructure(before.CharAfter);
    case EditKind::TagCharacter:
      return true;
    default:
      return false;
  }
}

CursorContext ContextAt(std::string_view text, const std::vector<ColourClass>& classes,
                        std::size_t position) {
  CursorContext context;
  const std::size_t n = std::min(text.size(), classes.size());
  if (n == 0) return context;
  position = std::min(position, n);
  if (position > 0) context.CharBefore = text[position - 1];
  if (position < n) context.CharAfter = text[position];
  context.ColourBefore = classes[position > 0 ? position - 1 : 0];
  context.ColourAfter = classes[position < n ? position : n - 1];
  return context;
}

}  // namespace tessel
