// The window module's entry point: the program loads this module and calls it when it
// opens the window.
#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

#include "app/command_line.h"
#include "app/program_dir.h"
#include "app/startup_mark.h"
#include "gui/main_window.h"
#include "gui/gui_text.h"

namespace {

/// The shipped SVG drawn at the sizes title bars and task switchers ask for; drawn here
/// rather than through an icon plugin, so the icon never depends on what Qt can load.
QIcon ProgramIcon() {
  QSvgRenderer svg(QStringLiteral(":/icons/" TESSEL_APP_ID ".svg"));
  if (!svg.isValid()) return {};  // the toolkit's own icon rather than an empty square
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    svg.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int tessel_html_window_main(int argc,
                                                                              char** argv) {
  using namespace tessel;
  StartupMark mark;  // from the start until the first activation of the window
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tessel-html"));
  // No display name: the platform would append it to every caption, and the captions are
  // the program's own ("Tessel HTML v3.5e  - Style: ...", "Format", ...).
  QApplication::setDesktopFileName(QStringLiteral(TESSEL_APP_ID));
  QApplication::setWindowIcon(ProgramIcon());
  std::string err;
  const std::optional<std::filesystem::path> programDir = ProgramDir(&err);
  if (!programDir) {
    std::fprintf(stderr, "tessel-html: %s\n", err.c_str());
    return 2;
  }
  const std::vector<std::string> args(argv + 1, argv + argc);
  gui::MainWindow window(*programDir, ParseCommandLine(args));
  QObject::connect(&window, &gui::MainWindow::FirstActivated, [&mark] {
    mark.Release();
    // For the start-up benchmark: the time from start to a window ready for input.
    if (std::getenv("TESSEL_HTML_EXIT_AFTER_START")) QApplication::exit(0);
  });
  window.show();
  return app.exec();
}
