// The real dialogs and message boxes behind UserDialogs.
#pragma once

#include "gui/user_dialogs.h"

namespace tessel::gui {

class WindowDialogs : public UserDialogs {
 public:
  explicit WindowDialogs(const Skin& skin) : skin_(skin) {}

  void Message(QWidget* parent, MessageKind kind, const std::string& text) override;
  bool YesNo(QWidget* parent, const std::string& text) override;
  Answer YesNoCancel(QWidget* parent, const std::string& text) override;
  bool ConfirmRun(QWidget* parent, Session& session, RunState& state) override;
  std::optional<std::string> ChooseTree(QWidget* parent, Session& session) override;
  std::optional<TreeChoice> ChooseFromTree(QWidget* parent,
                                           const TreeScanRequest& request) override;
  std::optional<std::vector<std::string>> ChooseFiles(QWidget* parent, Session& session) override;
  std::optional<std::string> SaveAs(
      QWidget* parent, Session& session, const std::string& fileName,
      const std::function<bool(const std::string& path)>& save) override;
  bool ConfirmRestore(QWidget* parent, const std::string& backupPath,
                      const std::string& text) override;
  bool OpenDocument(const std::string& path) override;

 private:
  const Skin& skin_;
};

}  // namespace tessel::gui
