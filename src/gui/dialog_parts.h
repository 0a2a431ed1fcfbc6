// What the program's dialogs share: the OK / Cancel pair, the file type box, and the
// directory browser of the tree and file dialogs (places box, directory list, way up).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QComboBox;
class QDialog;
class QFileSystemModel;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QToolButton;

namespace tessel {
class Session;
}

namespace tessel::gui {

struct OkCancel {
  QPushButton* Ok;
  QPushButton* Cancel;
  /// A new row with the two at its right end.
  QHBoxLayout* Row() const;
};

/// OK and Cancel with the standard icons: OK is the default button (Enter), Cancel rejects
/// (as Esc does). The caller connects OK.
OkCancel MakeOkCancel(QDialog& dialog, const QString& okCaption = QStringLiteral("OK"));

/// The file types in FilterIndex order, with `index` chosen.
void FillFileTypes(QComboBox& box, int index);

/// Where a file or tree dialog opens: the [PATHS] value `remembered`, else the folder of the
/// page in the editor, else the home folder; never the data directory.
QString DialogStartDir(const Session& session, const std::string& remembered);

/// A places box, a list of the subdirectories of the current directory (a single click
/// opens one), a button and Backspace to go up, and a field with the current directory
/// where another one can be typed (absolute, "~/...", or a name inside the one shown).
/// Hidden directories are not listed.
class DirectoryBrowser : public QObject {
  Q_OBJECT
 public:
  explicit DirectoryBrowser(QDialog& dialog);

  /// Opens `dir` when it is a directory; false (and nothing changes) otherwise.
  bool Open(const QString& dir);
  /// The directory shown, without a trailing "/" (except "/" itself).
  const QString& Dir() const { return dir_; }

  QComboBox* Places;
  QListView* List;
  QToolButton* Up;
  QLineEdit* Path;  // the current directory; another may be typed

 signals:
  void Opened(const QString& dir);

 private:
  void FillPlaces();
  void ShowPlace();

  QFileSystemModel* model_;
  QString dir_;
  QElapsedTimer lastClickOpen_;
};

}  // namespace tessel::gui
