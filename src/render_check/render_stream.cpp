#include "render_check/render_stream.h"

#include <gumbo.h>

#include <algorithm>
#include <array>

#include "base/ascii.h"

namespace tessel::render {
namespace {

// How an HTML element takes part in laying out lines, by the browsers' default styles.
enum class Display : uint8_t {
  Inline,     // a, span, b, unknown elements: lines flow through it
  Block,      // ends the line before and after it
  Atomic,     // img, input, button: one piece of inline content, laid out inside on its own
  LineBreak,  // br
  None,       // not displayed: head, script, template, [hidden]
  Preformatted,  // pre and kin: a block whose text is kept exactly
};

constexpr std::array<Display, GUMBO_TAG_LAST + 1> DisplayTable() {
  std::array<Display, GUMBO_TAG_LAST + 1> t{};  // Inline
  for (GumboTag tag :
       {GUMBO_TAG_HTML,      GUMBO_TAG_BODY,     GUMBO_TAG_ADDRESS,  GUMBO_TAG_ARTICLE,
        GUMBO_TAG_ASIDE,     GUMBO_TAG_BLOCKQUOTE, GUMBO_TAG_CENTER, GUMBO_TAG_DETAILS,
        GUMBO_TAG_DIR,       GUMBO_TAG_DIV,      GUMBO_TAG_DL,       GUMBO_TAG_DD,
        GUMBO_TAG_DT,        GUMBO_TAG_FIELDSET, GUMBO_TAG_FIGCAPTION, GUMBO_TAG_FIGURE,
        GUMBO_TAG_FOOTER,    GUMBO_TAG_FORM,     GUMBO_TAG_FRAMESET, GUMBO_TAG_FRAME,
        GUMBO_TAG_H1,        GUMBO_TAG_H2,       GUMBO_TAG_H3,       GUMBO_TAG_H4,
        GUMBO_TAG_H5,        GUMBO_TAG_H6,       GUMBO_TAG_HEADER,   GUMBO_TAG_HGROUP,
        GUMBO_TAG_HR,        GUMBO_TAG_LEGEND,   GUMBO_TAG_LI,       GUMBO_TAG_MAIN,
        GUMBO_TAG_MENU,      GUMBO_TAG_NAV,      GUMBO_TAG_OL,       GUMBO_TAG_OPTGROUP,
        GUMBO_TAG_OPTION,    GUMBO_TAG_P,        GUMBO_TAG_SECTION,  GUMBO_TAG_SUMMARY,
        GUMBO_TAG_TABLE,     GUMBO_TAG_CAPTION,  GUMBO_TAG_COLGROUP, GUMBO_TAG_COL,
        GUMBO_TAG_THEAD,     GUMBO_TAG_TBODY,    GUMBO_TAG_TFOOT,    GUMBO_TAG_TR,
        GUMBO_TAG_TD,        GUMBO_TAG_TH,       GUMBO_TAG_UL,       GUMBO_TAG_RT,
        GUMBO_TAG_MULTICOL}) {
    t[tag] = Display::Block;
  }
  for (GumboTag tag :
       {GUMBO_TAG_IMG,    GUMBO_TAG_IMAGE,  GUMBO_TAG_INPUT,  GUMBO_TAG_BUTTON,   GUMBO_TAG_SELECT,
        GUMBO_TAG_TEXTAREA, GUMBO_TAG_VIDEO, GUMBO_TAG_AUDIO, GUMBO_TAG_CANVAS,   GUMBO_TAG_EMBED,
        GUMBO_TAG_OBJECT, GUMBO_TAG_IFRAME, GUMBO_TAG_METER,  GUMBO_TAG_PROGRESS, GUMBO_TAG_MARQUEE,
        GUMBO_TAG_KEYGEN, GUMBO_TAG_APPLET, GUMBO_TAG_SVG,    GUMBO_TAG_MATH,     GUMBO_TAG_SPACER}) {
    t[tag] = Display::Atomic;
  }
  for (GumboTag tag :
       {GUMBO_TAG_HEAD,     GUMBO_TAG_TITLE,   GUMBO_TAG_META,     GUMBO_TAG_LINK,
        GUMBO_TAG_STYLE,    GUMBO_TAG_SCRIPT,  GUMBO_TAG_TEMPLATE, GUMBO_TAG_BASE,
        GUMBO_TAG_BASEFONT, GUMBO_TAG_AREA,    GUMBO_TAG_PARAM,    GUMBO_TAG_SOURCE,
        GUMBO_TAG_TRACK,    GUMBO_TAG_DATALIST, GUMBO_TAG_RP,      GUMBO_TAG_NOEMBED,
        GUMBO_TAG_NOFRAMES, GUMBO_TAG_BGSOUND, GUMBO_TAG_NEXTID}) {
    t[tag] = Display::None;
  }
  for (GumboTag tag :
       {GUMBO_TAG_PRE, GUMBO_TAG_LISTING, GUMBO_TAG_XMP, GUMBO_TAG_PLAINTEXT}) {
    t[tag] = Display::Preformatted;
  }
  t[GUMBO_TAG_BR] = Display::LineBreak;
  return t;
}
constexpr std::array<Display, GUMBO_TAG_LAST + 1> kDisplay = DisplayTable();

constexpr bool IsVoid(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_AREA: case GUMBO_TAG_BASE: case GUMBO_TAG_BASEFONT: case GUMBO_TAG_BGSOUND:
    case GUMBO_TAG_BR: case GUMBO_TAG_COL: case GUMBO_TAG_EMBED: case GUMBO_TAG_FRAME:
    case GUMBO_TAG_HR: case GUMBO_TAG_IMAGE: case GUMBO_TAG_IMG: case GUMBO_TAG_INPUT:
    case GUMBO_TAG_KEYGEN: case GUMBO_TAG_LINK: case GUMBO_TAG_META: case GUMBO_TAG_PARAM:
    case GUMBO_TAG_SOURCE: case GUMBO_TAG_TRACK: case GUMBO_TAG_WBR:
      return true;
    default:
      return false;
  }
}

constexpr bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// What is laid out where: the mode of an element's content.
enum class Mode : uint8_t { Flow, Verbatim, Hidden, Foreign };

// What leaving an element does to the line being laid out.
enum class Leave : uint8_t { Nothing, EndLine, ResumeAfterContent, Resume };

// The state of the line being laid out, in Flow mode.
struct Line {
  bool HasContent = false;  // something shown since the line began
  bool Pending = false;     // whitespace since the last content, shown if content follows
  uint32_t PendingSource = 0;
  uint32_t PendingAt = 0;
};

struct Frame {
  const GumboNode* Node;
  unsigned Next;  // the next child to visit
  Mode SavedMode;
  uint16_t SavedVerbatimTag;
  Leave OnLeave;
  Line Saved;
};

const GumboVector& ChildrenOf(const GumboNode* node) {
  return node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
}

bool HasAttribute(const GumboElement& e, const char* name) {
  return gumbo_get_attribute(&e.attributes, name) != nullptr;
}

bool IsHiddenInput(const GumboElement& e) {
  const GumboAttribute* type = gumbo_get_attribute(&e.attributes, "type");
  return e.tag == GUMBO_TAG_INPUT && type && EqualsNoCase(type->value, "hidden");
}

// A formatting element (B, A, FONT...) that the parser opened again only to hold whitespace
// after a misnested end tag: where whitespace stands decides whether it exists at all, and
// it shows nothing but that whitespace, which counts where it stands.
bool IsWhitespaceClone(const GumboNode* node) {
  if (!(node->parse_flags & (GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT |
                             GUMBO_INSERTION_ADOPTION_AGENCY_CLONED))) {
    return false;
  }
  const GumboVector& children = node->v.element.children;
  for (unsigned i = 0; i < children.length; ++i) {
    const auto type = static_cast<const GumboNode*>(children.data[i])->type;
    if (type != GUMBO_NODE_WHITESPACE && type != GUMBO_NODE_COMMENT) return false;
  }
  return true;
}

}  // namespace

class StreamBuilder {
 public:
  explicit StreamBuilder(RenderStream& out) : out_(out) {}

  void Walk(const GumboNode* document) {
    std::vector<Frame> stack;
    stack.push_back({document, 0, mode_, 0, Leave::Nothing, {}});
    while (!stack.empty()) {
      Frame& top = stack.back();
      const GumboVector& children = ChildrenOf(top.Node);
      if (top.Next == children.length) {
        if (top.Node->type != GUMBO_NODE_DOCUMENT) LeaveElement(top);
        stack.pop_back();
        continue;
      }
      const auto* child = static_cast<const GumboNode*>(children.data[top.Next++]);
      switch (child->type) {
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE:
          if (IsWhitespaceClone(child)) {
            for (unsigned i = 0; i < child->v.element.children.length; ++i) {
              const auto* c = static_cast<const GumboNode*>(child->v.element.children.data[i]);
              if (c->type == GUMBO_NODE_WHITESPACE) AddText(c->v.text);
            }
          } else {
            stack.push_back(EnterElement(child));
          }
          break;
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
        case GUMBO_NODE_CDATA:
          AddText(child->v.text);
          break;
        default:  // comments are no content
          break;
      }
    }
  }

 private:
  Frame EnterElement(const GumboNode* node) {
    const GumboElement& e = node->v.element;
    Frame frame{node, 0, mode_, verbatimTag_, Leave::Nothing, line_};
    Item item;
    item.Kind = ItemKind::Open;
    item.Namespace = uint8_t(e.tag_namespace);
    item.Tag = uint16_t(e.tag);
    item.Source = e.start_pos.offset;
    item.Reopened = node->parse_flags & (GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT |
                                         GUMBO_INSERTION_ADOPTION_AGENCY_CLONED);
    if (e.tag == GUMBO_TAG_UNKNOWN) SetUnknownName(item, e.original_tag);
    AddAttributes(item, e);

    const bool html = e.tag_namespace == GUMBO_NAMESPACE_HTML;
    const Display display = html ? (HasAttribute(e, "hidden") || IsHiddenInput(e)
                                        ? Display::None : kDisplay[e.tag])
                                 : Display::Inline;
    const bool verbatim = html && (display == Display::Preformatted || e.tag == GUMBO_TAG_SCRIPT ||
                                   e.tag == GUMBO_TAG_STYLE || e.tag == GUMBO_TAG_TEXTAREA);
    if (mode_ == Mode::Verbatim) {
      // Everything inside is kept as it is.
    } else if (verbatim) {
      if (mode_ == Mode::Flow) StartFlowElement(display, item, frame);
      mode_ = Mode::Verbatim;
      verbatimTag_ = uint16_t(e.tag);
    } else if (mode_ == Mode::Hidden) {
      // Nothing inside is displayed.
    } else if (!html && (mode_ == Mode::Foreign || mode_ == Mode::Flow)) {
      const bool textBox = e.tag_namespace == GUMBO_NAMESPACE_SVG &&
                           (e.tag == GUMBO_TAG_FOREIGNOBJECT || NameIs(item, "text"));
      if (mode_ == Mode::Flow) {
        StartFlowElement(Display::Atomic, item, frame);  // an SVG or MathML root
      } else if (textBox) {
        frame.OnLeave = Leave::Resume;
        line_ = {};
      }
      mode_ = textBox ? Mode::Flow : Mode::Foreign;
    } else {
      mode_ = Mode::Flow;  // HTML inside foreign content, or running text
      StartFlowElement(display, item, frame);
    }
    out_.Items.push_back(item);
    return frame;
  }

  // The effect of an element on the line it stands in; sets the mode of its content.
  void StartFlowElement(Display display, Item& item, Frame& frame) {
    switch (display) {
      case Display::Inline:
        break;
      case Display::Block:
      case Display::Preformatted:
      case Display::LineBreak:
        EndLine();
        frame.OnLeave = Leave::EndLine;
        break;
      case Display::Atomic:
        TakeContent(item);
        frame.Saved = line_;
        frame.OnLeave = Leave::ResumeAfterContent;
        line_ = {};
        break;
      case Display::None:
        frame.OnLeave = Leave::Resume;
        mode_ = Mode::Hidden;
        break;
    }
  }

  void LeaveElement(const Frame& frame) {
    const GumboElement& e = frame.Node->v.element;
    if (!(e.tag_namespace == GUMBO_NAMESPACE_HTML && IsVoid(e.tag))) {
      Item item;
      item.Kind = ItemKind::Close;
      item.Namespace = uint8_t(e.tag_namespace);
      item.Tag = uint16_t(e.tag);
      item.Source = e.end_pos.offset;
      if (e.tag == GUMBO_TAG_UNKNOWN) SetUnknownName(item, e.original_tag);
      out_.Items.push_back(item);
    }
    mode_ = frame.SavedMode;
    verbatimTag_ = frame.SavedVerbatimTag;
    switch (frame.OnLeave) {
      case Leave::Nothing:
        break;
      case Leave::EndLine:
        EndLine();
        break;
      case Leave::ResumeAfterContent:
        line_ = frame.Saved;
        line_.HasContent = true;
        break;
      case Leave::Resume:
        line_ = frame.Saved;
        break;
    }
  }

  void EndLine() { line_ = {}; }

  // Inline content: a space pending before it is shown.
  void TakeContent(Item& item) {
    if (line_.Pending) {
      item.SpaceBefore = true;
      item.SpaceSource = line_.PendingSource;
      item.SpaceAt = line_.PendingAt;
    }
    line_.Pending = false;
    line_.HasContent = true;
  }

  void AddText(const GumboText& t) {
    const std::string_view text(t.text);
    const std::string_view raw(t.original_text.data, t.original_text.length);
    const uint32_t source = t.start_pos.offset;
    if (mode_ == Mode::Flow) return AddFlowText(text, raw, source);
    if (mode_ == Mode::Verbatim) {
      if (text.empty()) return;
      Item* item = Continue(TextMode::Verbatim, source);
      out_.arena_ += text;
      item->Length = uint32_t(out_.arena_.size() - item->Text);
      return;
    }
    AddQuietText(text, raw, source);
  }

  // Text that is laid out in lines: whitespace runs collapse, across elements too, and
  // whitespace at a line's start or end is not shown.
  void AddFlowText(std::string_view text, std::string_view raw, uint32_t source) {
    Item* item = nullptr;
    bool pendingHere = false;
    for (size_t i = 0; i < text.size();) {
      if (IsSpace(text[i])) {
        if (line_.HasContent && !line_.Pending) {
          line_.Pending = pendingHere = true;
          line_.PendingSource = source;  // right for whitespace that leads the text
          line_.PendingAt = uint32_t(out_.Items.size());
        }
        ++i;
        continue;
      }
      size_t end = i;
      while (end < text.size() && !IsSpace(text[end])) ++end;
      if (!item && !(item = Joinable(TextMode::Flow))) {
        Item fresh;
        fresh.Mode = TextMode::Flow;
        fresh.Source = source + uint32_t(LeadingSpace(raw));
        fresh.Text = uint32_t(out_.arena_.size());
        TakeContent(fresh);
        out_.Items.push_back(fresh);
        item = &out_.Items.back();
      } else if (line_.Pending) {
        out_.arena_ += ' ';
      }
      line_.Pending = pendingHere = false;
      line_.HasContent = true;
      out_.arena_.append(text, i, end - i);
      item->Length = uint32_t(out_.arena_.size() - item->Text);
      i = end;
    }
    if (pendingHere) {
      size_t trailing = raw.size();
      while (trailing > 0 && IsSpace(raw[trailing - 1])) --trailing;
      line_.PendingSource = source + uint32_t(trailing);
    }
  }

  // Text that is not laid out in lines: compared collapsed and trimmed.
  void AddQuietText(std::string_view text, std::string_view raw, uint32_t source) {
    Item* item = nullptr;
    for (size_t i = 0; i < text.size();) {
      if (IsSpace(text[i])) {
        ++i;
        continue;
      }
      size_t end = i;
      while (end < text.size() && !IsSpace(text[end])) ++end;
      if (!item) {
        item = Continue(TextMode::Quiet, source + uint32_t(LeadingSpace(raw)));
        if (item->Length > 0) out_.arena_ += ' ';
      } else {
        out_.arena_ += ' ';
      }
      out_.arena_.append(text, i, end - i);
      item->Length = uint32_t(out_.arena_.size() - item->Text);
      i = end;
    }
  }

  // The text item that text of `mode` continues: the last item when it is such text (only
  // comments stood between), else a new one.
  Item* Joinable(TextMode mode) {
    if (out_.Items.empty()) return nullptr;
    Item& last = out_.Items.back();
    return last.Kind == ItemKind::Text && last.Mode == mode ? &last : nullptr;
  }
  Item* Continue(TextMode mode, uint32_t source) {
    if (Item* item = Joinable(mode)) return item;
    Item fresh;
    fresh.Mode = mode;
    fresh.Source = source;
    fresh.Text = uint32_t(out_.arena_.size());
    if (mode == TextMode::Verbatim) fresh.Tag = verbatimTag_;
    out_.Items.push_back(fresh);
    return &out_.Items.back();
  }

  static size_t LeadingSpace(std::string_view raw) {
    size_t n = 0;
    while (n < raw.size() && IsSpace(raw[n])) ++n;
    return n;
  }

  void SetUnknownName(Item& item, GumboStringPiece tag) {
    gumbo_tag_from_original_text(&tag);
    item.Text = uint32_t(out_.arena_.size());
    for (size_t i = 0; i < tag.length; ++i) out_.arena_ += AsciiLower(tag.data[i]);
    item.Length = uint32_t(tag.length);
  }

  bool NameIs(const Item& item, std::string_view name) const {
    return item.Tag == GUMBO_TAG_UNKNOWN && out_.TextOf(item) == name;
  }

  void AddAttributes(Item& item, const GumboElement& e) {
    item.Attributes = uint32_t(out_.Attributes.size());
    item.AttributeCount = e.attributes.length;
    for (unsigned i = 0; i < e.attributes.length; ++i) {
      const auto* a = static_cast<const GumboAttribute*>(e.attributes.data[i]);
      Attribute at;
      at.Name = uint32_t(out_.arena_.size());
      static constexpr const char* kPrefix[] = {"", "xlink:", "xml:", "xmlns:"};
      out_.arena_ += kPrefix[a->attr_namespace & 3];
      for (const char* p = a->name; *p; ++p) out_.arena_ += AsciiLower(*p);
      at.NameLength = uint32_t(out_.arena_.size() - at.Name);
      at.Value = uint32_t(out_.arena_.size());
      out_.arena_ += a->value;
      at.ValueLength = uint32_t(out_.arena_.size() - at.Value);
      at.Source = a->name_start.offset;
      out_.Attributes.push_back(at);
    }
    auto first = out_.Attributes.begin() + item.Attributes;
    std::sort(first, out_.Attributes.end(), [this](const Attribute& x, const Attribute& y) {
      return out_.Str(x.Name, x.NameLength) < out_.Str(y.Name, y.NameLength);
    });
  }

  RenderStream& out_;
  Mode mode_ = Mode::Flow;
  uint16_t verbatimTag_ = 0;
  Line line_;
};

std::unique_ptr<RenderStream> RenderStream::Build(std::string_view page, PageReading reading) {
  auto stream = std::make_unique<RenderStream>();
  stream->Page = AsUtf8(page, reading);
  stream->Reading = reading;
  const std::string& text = stream->Page;
  stream->Nesting = EstimateNestingWork(text, NestingWorkLimit(text.size()));
  if (stream->Nesting.Offset < text.size()) {
    stream->TooDeep = true;
    return stream;
  }
  GumboOptions options = kGumboDefaultOptions;
  options.max_errors = 0;  // the errors are not needed, and each one copies the open elements
  GumboOutput* output = gumbo_parse_with_options(&options, text.data(), text.size());
  const GumboDocument& d = output->document->v.document;
  auto str = [](const char* s) { return std::string(s ? s : ""); };
  stream->DocumentType = {d.has_doctype, str(d.name), str(d.public_identifier),
                          str(d.system_identifier)};
  stream->Items.reserve(text.size() / 24);
  stream->arena_.reserve(text.size() / 2);
  StreamBuilder(*stream).Walk(output->document);
  gumbo_destroy_output(&options, output);
  return stream;
}

std::string RenderStream::NameOf(const Item& item) const {
  if (item.Tag == GUMBO_TAG_UNKNOWN) return AsciiUpperCase(TextOf(item));
  return AsciiUpperCase(gumbo_normalized_tagname(GumboTag(item.Tag)));
}

bool RenderStream::SameElement(const Item& a, const RenderStream& other, const Item& b) const {
  return a.Tag == b.Tag && a.Namespace == b.Namespace &&
         (a.Tag != GUMBO_TAG_UNKNOWN || TextOf(a) == other.TextOf(b));
}

}  // namespace tessel::render
