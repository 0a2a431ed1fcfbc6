// How typing colours the editor: the class a typed character gets, and which changes make
// the tag around the cursor recoloured. Classes are compared, never colours, so the rules
// hold in an emphasis palette where several classes share one colour.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "editor/syntax_colour.h"

namespace tessel {

/// What was around the cursor just before a key changed the text.
struct CursorContext {
  char CharBefore = 0;                           // 0 at the start
  char CharAfter = 0;                            // 0 at the end
  ColourClass ColourBefore = ColourClass::Text;  // what typing at the cursor would get
  ColourClass ColourAfter = ColourClass::Text;
};

/// The class of a character about to be typed at the cursor.
ColourClass TypedCharClass(char typed, const CursorContext& context);

/// Whether typing `c` can change the tag structure: "!", '"', "-", "<" or ">".
bool ChangesTagStructure(char c);

/// What a key did to the text, as far as the colouring cares.
enum class EditKind {
  None,          // nothing of the below: a plain character, a move
  OtherControl,  // a Ctrl combination other than those below
  Backspace,
  Delete,
  Paste,
  Cut,
  TagCharacter,  // a typed character that can change the tag structure (ChangesTagStructure)
};

/// Whether a text change recolours the tag around the cursor: a typed character that can
/// change the tag structure does, and so does deleting one. `before` is the context before
/// the change.
bool RecolourAfterChange(EditKind edit, const CursorContext& before);

/// The context at `position` of `text`, whose bytes have the classes `classes` (one per
/// byte). ColourBefore is the class of the byte before the position (of the first byte at
/// position 0), ColourAfter that of the byte at it (of the last byte at the end).
CursorContext ContextAt(std::string_view text, const std::vector<ColourClass>& classes,
                        std::size_t position);

}  // namespace tessel
