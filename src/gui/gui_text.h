// Texts between the core (bytes, paths as the file system spells them, CR LF line breaks)
// and the window (QString).
#pragma once

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace tessel::gui {

/// A core text for display; "\r\n" becomes a line break.
inline QString ToQ(std::string_view text) {
  QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

/// A path from the window for the core, in the file system's own encoding.
inline std::string PathFromQ(const QString& path) { return QFile::encodeName(path).toStdString(); }

/// A path from the core for the window.
inline QString PathToQ(const std::string& path) { return QFile::decodeName(path.c_str()); }

}  // namespace tessel::gui
