// A parsed page flattened into what a browser shows, in document order: elements opening
// and closing, with their attributes, and text, each content item knowing whether a space
// is shown before it. Two pages render the same when their streams are equal.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "render_check/source_text.h"

namespace tessel::render {

enum class ItemKind : uint8_t { Open, Close, Text };

/// How a text item compares.
enum class TextMode : uint8_t {
  Flow,      // running text: whitespace runs collapsed, spaces between content shown
  Verbatim,  // PRE, TEXTAREA, SCRIPT, STYLE and kin: exactly
  Quiet,     // not laid out in lines (not displayed, or inside SVG and MathML): collapsed
             // and trimmed
};

struct Item {
  ItemKind Kind = ItemKind::Text;
  TextMode Mode = TextMode::Flow;  // Text
  bool SpaceBefore = false;        // inline content with a space shown before it
  uint8_t Namespace = 0;           // element: the parser's namespace
  bool Reopened = false;           // element: a formatting element the parser opened again
  uint16_t Tag = 0;                // element: the parser's tag; Verbatim text: its element's
  uint32_t Text = 0, Length = 0;   // Text: the content; element: the name of an unknown tag
  uint32_t Source = 0;             // where it starts in the page
  uint32_t SpaceSource = 0;        // SpaceBefore: where the whitespace starts
  uint32_t SpaceAt = 0;            // SpaceBefore: the item the whitespace stood before
  uint32_t Attributes = 0, AttributeCount = 0;  // Open: sorted by name
};

struct Attribute {
  uint32_t Name = 0, NameLength = 0, Value = 0, ValueLength = 0;
  uint32_t Source = 0;
};

struct Doctype {
  bool Present = false;
  std::string Name, PublicId, SystemId;
};

class RenderStream {
 public:
  /// Parses `page`, its bytes read as `reading` (AsUtf8).
  static std::unique_ptr<RenderStream> Build(std::string_view page, PageReading reading);

  std::string_view Str(uint32_t at, uint32_t length) const { return {arena_.data() + at, length}; }
  std::string_view TextOf(const Item& item) const { return Str(item.Text, item.Length); }
  /// An element's name as the design prints it: upper case ("A", "TD").
  std::string NameOf(const Item& item) const;
  /// True when two elements have the same name and namespace.
  bool SameElement(const Item& a, const RenderStream& other, const Item& b) const;

  std::string Page;  // as UTF-8; every offset refers to it
  PageReading Reading = PageReading::Utf8;  // how Page was read from the page's bytes
  std::vector<Item> Items;
  std::vector<Attribute> Attributes;
  Doctype DocumentType;
  /// Set when the page nests too deeply to be parsed in linear time; nothing else is set.
  bool TooDeep = false;
  NestingWork Nesting;

 private:
  friend class StreamBuilder;
  std::string arena_;
};

}  // namespace tessel::render
