#include "app/session.h"

#include <algorithm>

#include "base/ascii.h"
#include "batch/backups.h"
#include "io/text_file.h"
#include "styles/trim_list.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

bool IsDirectoryArgument(const std::string& value) {
  return value.find('/') != std::string::npos;
}

}  // namespace

Session::Session(const fs::path& programDir, RunHost& host, int screenWidth, int screenHeight)
    : programDir_(programDir),
      library_(programDir / "styles"),
      driver_(state_, style_, trimList_, host, [this](std::string* err) {
        return !StyleLoaded() || ReloadStyle(err);
      }) {
  ReadProgramSettings(SettingsPath(), screenWidth, screenHeight, settings_, &settingsError_);
  state_.ProgramDir = WithTrailingSeparator(programDir.string());
  state_.TempOutFile = state_.ProgramDir + "$tmp.htm";
  state_.BackupExt = settings_.BackupExt;
  state_.DoCreateBackUps = settings_.DoCreateBackUps;
  state_.DoValidate = settings_.DoValidate;
  state_.Conventions.LineEnds = settings_.LineEnds;
  state_.Verify = settings_.DoVerify ? VerifyKind::Mark : VerifyKind::Off;
}

bool Session::WriteSettings(int screenWidth, int screenHeight, std::string* err) {
  return WriteProgramSettings(SettingsPath(), settings_, screenWidth, screenHeight, err);
}

bool Session::RememberPath(std::string_view key, const std::string& dir, std::string* err) {
  if (key == "Multi") settings_.Multi = dir;
  if (key == "Save") settings_.Save = dir;
  if (key == "Tree") settings_.Tree = dir;
  return WriteProgramPath(SettingsPath(), key, dir, err);
}

bool Session::LoadStyle(const std::string* nameOrDir, StyleError* err) {
  *err = {};
  std::string why;
  if (nameOrDir && IsDirectoryArgument(*nameOrDir)) {
    if (auto loaded = library_.LoadFromDirectory(*nameOrDir, style_.Options, &why)) {
      SetActiveStyle(std::move(*loaded));
      styleFromDirectory_ = true;
      return true;
    }
    err->Text = "'" + *nameOrDir + "' is not a style directory (it needs options.ini and tag.ini)";
    if (!why.empty()) err->Text += ": " + why;
    return false;
  }
  if (library_.FindStyles() == 0) {
    // Which directory was searched: a data directory of someone else's making is the
    // usual cause, not a broken installation.
    *err = {true, std::string(kNoValidStyleMessage) + "\r\nNo style (a folder with " +
                      std::string(kOptionsFileName) + " and " + std::string(kTagFileName) +
                      ") in " + QuotedPath(programDir_ / "styles")};
    return false;
  }
  if (nameOrDir) {
    const auto& list = library_.StyleList();
    auto same = [&](const std::string& s) { return EqualsNoCase(s, *nameOrDir); };
    if (std::find_if(list.begin(), list.end(), same) == list.end()) {
      err->Text = "no style named '" + *nameOrDir + "'; styles are:";
      for (const std::string& s : list) err->Text += " " + s;
      return false;
    }
  }
  const std::string name = nameOrDir ? *nameOrDir : settings_.StyleName;
  if (auto loaded = library_.Load(name, style_.Options, &why)) {
    SetActiveStyle(std::move(*loaded));
    styleFromDirectory_ = false;
    return true;
  }
  err->Text = why.empty() ? "the style '" + name + "' cannot be loaded" : why;
  return false;
}

bool Session::ReloadStyle(std::string* err) {
  std::optional<LoadedStyle> loaded =
      styleFromDirectory_ ? library_.LoadFromDirectory(activeStylePath_, style_.Options, err)
                          : library_.Load(style_.Options.StyleName, style_.Options, err);
  if (!loaded) return false;
  SetActiveStyle(std::move(*loaded));
  return true;
}

void Session::SetActiveStyle(LoadedStyle style) {
  style_ = std::move(style.Value);
  activeStylePath_ = std::move(style.Dir);
}

std::optional<Style> Session::ReadStyle(std::string_view name, std::string* err) {
  std::optional<LoadedStyle> loaded = library_.Load(name, style_.Options, err);
  if (!loaded) return std::nullopt;
  return std::move(loaded->Value);
}

std::string Session::WindowCaption() const {
  return tessel::WindowCaption(StyleLoaded() ? &style_.Options.StyleName : nullptr);
}

bool Session::ReadTrimList(std::string* err) {
  return tessel::ReadTrimList(programDir_, trimList_, err);
}

bool Session::WriteTrimList(std::string* err) {
  return tessel::WriteTrimList(programDir_, trimList_, err);
}

std::string NoValidStyleText(const StyleError& err) {
  std::string text = err.Text;
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text + "\n";
}

}  // namespace tessel
