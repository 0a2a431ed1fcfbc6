#include "window_model/editor_menu.h"

#include "batch/pipeline.h"
#include "batch/render_verify.h"
#include "encoding/utf8.h"

namespace tessel {

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
  const TextPlace place = PlaceOf(text, std::size_t(start));
  result.RenderWarning = SelectionRenderWarning(selection, result.Text, std::int64_t(place.Line),
                                                std::int64_t(place.Column));
  result.Done = true;
  return result;
}

}  // namespace tessel
