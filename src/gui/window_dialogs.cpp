#include "gui/window_dialogs.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include "app/change_preview.h"
#include "app/session.h"
#include "gui/confirm_dialog.h"
#include "gui/file_dialog.h"
#include "gui/file_list_dialog.h"
#include "gui/gui_text.h"
#include "gui/restore_dialog.h"
#include "gui/tree_dialog.h"

namespace tessel::gui {
namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error:
      return QMessageBox::Critical;
    case MessageKind::Information:
      return QMessageBox::Information;
    case MessageKind::Plain:
      break;
  }
  return QMessageBox::NoIcon;
}

QString Title() {
  return QString::fromUtf8(kProgramTitle.data(), qsizetype(kProgramTitle.size())).trimmed();
}

}  // namespace

void WindowDialogs::Message(QWidget* parent, MessageKind kind, const std::string& text) {
  QMessageBox box(IconOf(kind), Title(), ToQ(text), QMessageBox::Ok, parent);
  box.exec();
}

bool WindowDialogs::YesNo(QWidget* parent, const std::string& text) {
  QMessageBox box(QMessageBox::Question, Title(), ToQ(text), QMessageBox::Yes | QMessageBox::No,
                  parent);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

Answer WindowDialogs::YesNoCancel(QWidget* parent, const std::string& text) {
  QMessageBox box(QMessageBox::Question, Title(), ToQ(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

bool WindowDialogs::ConfirmRun(QWidget* parent, Session& session, RunState& state) {
  ConfirmDialog dialog(skin_, parent);
  const ProcessKind mode = state.ProcessMode;
  dialog.OfferPreview(
      [&session, mode](std::string* err) { return PreviewOfRun(session, mode, err); });
  return dialog.Confirm(state, session.Settings());
}

std::optional<std::string> WindowDialogs::ChooseTree(QWidget* parent, Session& session) {
  TreeDialog dialog(session, skin_, parent);
  return dialog.Choose();
}

std::optional<UserDialogs::TreeChoice> WindowDialogs::ChooseFromTree(
    QWidget* parent, const TreeScanRequest& request) {
  FileListDialog dialog(skin_, parent);
  std::optional<std::vector<std::string>> chosen = dialog.Choose(request);
  if (!chosen) return std::nullopt;
  return TreeChoice{dialog.Scan(), std::move(*chosen)};
}

std::optional<std::vector<std::string>> WindowDialogs::ChooseFiles(QWidget* parent,
                                                                   Session& session) {
  FileDialog dialog(session, *this, skin_, parent);
  return dialog.SelectFiles();
}

std::optional<std::string> WindowDialogs::SaveAs(
    QWidget* parent, Session& session, const std::string& fileName,
    const std::function<bool(const std::string& path)>& save) {
  FileDialog dialog(session, *this, skin_, parent);
  return dialog.SaveAs(fileName, save);
}

bool WindowDialogs::ConfirmRestore(QWidget* parent, const std::string& backupPath,
                                   const std::string& text) {
  RestoreDialog dialog(skin_, parent);
  return dialog.Confirm(backupPath, text);
}

bool WindowDialogs::OpenDocument(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(PathToQ(path)));
}

}  // namespace tessel::gui
