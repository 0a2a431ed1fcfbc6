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
      library_(programDir / "styles", style_),
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
  if (nameOrDir && IsDirectoryArgument(*nameOrDir)) {
    if (library_.LoadStyleFromDirectory(*nameOrDir)) {
      styleFromDirectory_ = true;
      return true;
    }
    err->Text = "'" + *nameOrDir + "' is not a style directory (it needs options.ini and tag.ini)";
    if (!library_.LastError().empty()) err->Text += ": " + library_.LastError();
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
  if (library_.LoadStyle(name)) {
    styleFromDirectory_ = false;
    return true;
  }
  err->Text = library_.LastError().empty() ? "the style '" + name + "' cannot be loaded"
                                           : library_.LastError();
  return false;
}

bool Session::ReloadStyle(std::string* err) {
  const bool ok = styleFromDirectory_ ? library_.LoadStyleFromDirectory(library_.ActiveStylePath())
                                      : library_.LoadStyle(style_.Options.StyleName);
  if (!ok && err) *err = library_.LastError();
  return ok;
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
