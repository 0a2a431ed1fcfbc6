#include "conventions/file_conventions.h"

#include <algorithm>

#include "conventions/editor_config.h"

namespace tessel {
namespace {

std::optional<LineEnd> FromSetting(LineEndSetting setting, std::string_view bytes) {
  switch (setting) {
    case LineEndSetting::Lf:
      return LineEnd::Lf;
    case LineEndSetting::Keep:
      return FirstLineEnd(bytes);
    default:
      return LineEnd::CrLf;
  }
}

// The value of an option given as "--name value" or "--name=value"; nothing when args[i]
// is another word. Moves i past a separate value; *missing when there is none.
std::optional<std::string> OptionValue(const std::vector<std::string>& args, size_t& i,
                                       std::string_view name, bool* missing) {
  const std::string& arg = args[i];
  if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
    return arg.substr(name.size() + 1);
  }
  if (arg != name) return std::nullopt;
  *missing = i + 1 >= args.size();
  return *missing ? std::string() : args[++i];
}

}  // namespace

void FileConventions::ApplyTo(Engine& engine) const {
  engine.OutputLineEnd = Eol;
  engine.IndentWithSpaces = IndentWithSpaces;
  engine.TabWidth = TabWidth;
}

std::string FileConventions::EditorConfigNote() const {
  std::string parts;
  auto add = [&](std::string_view part) {
    parts += parts.empty() ? ".editorconfig: " : ", ";
    parts += part;
  };
  if (EolFromEditorConfig) add("line ends " + std::string(LineEndName(Eol)));
  if (IndentFromEditorConfig) {
    add(*IndentWithSpaces ? "indentation with spaces" : "indentation with TABs");
  }
  if (TabWidthFromEditorConfig) add("a TAB is " + std::to_string(TabWidth) + " columns");
  return parts;
}

bool DecideConventions(const ConventionRequest& request, const std::string& path,
                       std::string_view bytes, FileConventions& out, std::string* err) {
  out = {};
  EditorConfigProperties config;
  if (request.UseEditorConfig && !path.empty() && HasEditorConfigAbove(path) &&
      !ReadEditorConfig(path, config, err)) {
    return false;
  }
  out.Charset = config.Charset;

  std::optional<LineEnd> eol;
  if (request.CommandLineLineEnds) eol = FromSetting(*request.CommandLineLineEnds, bytes);
  if (!eol && config.EndOfLine) {
    eol = config.EndOfLine;
    out.EolFromEditorConfig = true;
  }
  if (!eol) eol = FromSetting(request.LineEnds, bytes);
  out.Eol = eol.value_or(LineEnd::CrLf);

  out.IndentWithSpaces = request.CommandLineIndentWithSpaces;
  if (!out.IndentWithSpaces && config.IndentWithSpaces) {
    out.IndentWithSpaces = config.IndentWithSpaces;
    out.IndentFromEditorConfig = true;
  }
  if (config.TabWidth > 0) {
    out.TabWidth = std::min(config.TabWidth, kMaxIndentColumns);
    // Only a TAB indentation shows it.
    out.TabWidthFromEditorConfig = out.TabWidth != kIndentTabWidth && out.IndentWithSpaces != true;
  }
  return true;
}

int ParseConventionOption(const std::vector<std::string>& args, size_t& i,
                          ConventionRequest& request, std::string* err) {
  bool missing = false;
  if (std::optional<std::string> v = OptionValue(args, i, "--line-ends", &missing)) {
    request.CommandLineLineEnds = ParseLineEndSetting(*v);
    if (request.CommandLineLineEnds) return 1;
    *err = missing ? "--line-ends needs a value: crlf, lf or keep"
                   : "--line-ends takes crlf, lf or keep, not '" + *v + "'";
    return -1;
  }
  if (std::optional<std::string> v = OptionValue(args, i, "--indent", &missing)) {
    if (*v == "spaces" || *v == "tabs") {
      request.CommandLineIndentWithSpaces = *v == "spaces";
      return 1;
    }
    *err = missing ? "--indent needs a value: spaces or tabs"
                   : "--indent takes spaces or tabs, not '" + *v + "'";
    return -1;
  }
  return 0;
}

}  // namespace tessel
