#include "conventions/editor_config.h"

#include <editorconfig/editorconfig.h>
#include <sys/stat.h>

#include <charconv>
#include <filesystem>
#include <memory>
#include <string_view>

namespace tessel {
namespace {

namespace fs = std::filesystem;

struct HandleDeleter {
  void operator()(void* h) const {
    editorconfig_handle_destroy(static_cast<editorconfig_handle>(h));
  }
};
using Handle = std::unique_ptr<void, HandleDeleter>;

// The library gives the values of the properties it knows in lower case.
void Take(std::string_view name, std::string_view value, EditorConfigProperties& out) {
  if (name == "end_of_line") {
    if (value == "lf") out.EndOfLine = LineEnd::Lf;
    if (value == "crlf") out.EndOfLine = LineEnd::CrLf;
    if (value == "cr") out.EndOfLine = LineEnd::Cr;
  } else if (name == "indent_style") {
    if (value == "space") out.IndentWithSpaces = true;
    if (value == "tab") out.IndentWithSpaces = false;
  } else if (name == "tab_width") {
    int width = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), width);
    if (ec == std::errc() && end == value.data() + value.size() && width > 0) out.TabWidth = width;
  } else if (name == "charset" && value != "unset") {
    out.Charset = value;
  }
}

}  // namespace

bool HasEditorConfigAbove(const std::string& path) {
  // Plain string work: a tree run asks this for every page.
  std::error_code ec;
  std::string at = path.starts_with('/') ? path : fs::absolute(path, ec).string();
  struct stat st;
  for (size_t slash = at.rfind('/'); slash != std::string::npos;
       slash = slash == 0 ? std::string::npos : at.rfind('/', slash - 1)) {
    at.resize(slash + 1);
    at.append(kEditorConfigName);
    if (stat(at.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return true;
  }
  return false;
}

bool ReadEditorConfig(const std::string& path, EditorConfigProperties& out, std::string* err) {
  out = {};
  std::error_code ec;
  const std::string full = fs::absolute(path, ec).lexically_normal().string();
  Handle handle(editorconfig_handle_init());
  auto h = static_cast<editorconfig_handle>(handle.get());
  if (!h) {
    *err = "no memory to read " + std::string(kEditorConfigName);
    return false;
  }
  const int status = editorconfig_parse(full.c_str(), h);
  if (status != 0) {
    const char* file = editorconfig_handle_get_err_file(h);
    *err = status > 0 ? std::string(file ? file : kEditorConfigName) + " line " +
                            std::to_string(status) + ": not a line an .editorconfig can hold"
                      : std::string(kEditorConfigName) + ": " + editorconfig_get_error_msg(status);
    return false;
  }
  const int count = editorconfig_handle_get_name_value_count(h);
  for (int i = 0; i < count; ++i) {
    const char* name = nullptr;
    const char* value = nullptr;
    editorconfig_handle_get_name_value(h, i, &name, &value);
    if (name && value) Take(name, value, out);
  }
  return true;
}

}  // namespace tessel
