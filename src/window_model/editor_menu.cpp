#include "window_model/editor_menu.h"

#include <algorithm>
#include <utility>

#include "batch/pipeline.h"
#include "batch/render_verify.h"

namespace tessel {
namespace {

// Where `at` is in the editor's text, as the editor counts: line and column from 1, the
// column in characters.
std::pair<std::int64_t, std::int64_t> LineAndColumn(std::string_view text, std::size_t at) {
  const std::string_view before = text.substr(0, at);
  const std::int64_t line = 1 + std::count(before.begin(), before.end(), '\n');
  const std::size_t lineStart = before.rfind('\n') + 1;  // npos + 1 is 0
  const std::string_view front = before.substr(lineStart);
  const std::int64_t column = 1 + std::count_if(front.begin(), front.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  });
  return {line, column};
}

}  // namespace

MenuItemResult RunMenuItem(Session& session, std::string_view caption, std::string_view text,
                           std::int64_t start, std::int64_t end, SelectionFit fit,
                           const FileConventions& conventions) {
  MenuItemResult result;
  if (start < 0 || end <= start || std::size_t(end) > text.size()) return result;
  const std::string name = MenuItemName(caption);
  const EngineMode mode = MenuItemMode(name);
  Style style = session.ActiveStyle();
  if (mode == EngineMode::Format) {
    std::string err;
    std::optional<Style> named = session.ReadStyle(name, &err);
    if (!named) {
      result.Error = "The style cannot be loaded: " + err;
      return result;
    }
    style = std::move(*named);
    session.Settings().PopUpStyleName = style.Options.StyleName;
  }
  Engine engine(style);
  conventions.ApplyTo(engine);
  const std::string_view selection = text.substr(std::size_t(start), std::size_t(end - start));
  result.Text = ProcessSelection(engine, mode, selection, SelectionIndentAt(text, start), fit,
                                 session.TrimList());
  WriteListDumps(session.State().ProgramDir, engine);
  const auto [line, column] = LineAndColumn(text, std::size_t(start));
  result.RenderWarning = SelectionRenderWarning(selection, result.Text, line, column);
  result.Done = true;
  return result;
}

}  // namespace tessel
