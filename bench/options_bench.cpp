// Options dialog benchmark (offscreen): opening the dialog (style loaded, controls filled,
// the first sample shown) and Preview Formatted of a 1 MB sample page, memo filled.
//
// Usage: tessel_options_bench --page FILE   (a real page; 1 MB of whole lines is taken)
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/session.h"
#include "gui/options_dialog.h"
#include "gui/skin.h"
#include "support/window_test_support.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string OneMegabyte(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  std::string out;
  for (size_t at = 0; at < text.size() && out.size() < 1000000;) {
    size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    if (end - at <= 100000) out.append(text, at, end - at);  // no generated index lines
    at = end;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  if (argc != 3 || std::string(argv[1]) != "--page") {
    std::fprintf(stderr, "usage: tessel_options_bench --page FILE\n");
    return 2;
  }
  tessel::gui::testing::TempHome home;
  // The 1 MB page is the only sample, so it is the first one shown and the one previewed.
  for (const char* name : {"sample_html4.htm", "sample_html5.htm"}) {
    std::remove((home / ("preview/" + std::string(name))).c_str());
  }
  tessel::gui::testing::WriteFile(home / "preview/big.htm", OneMegabyte(argv[2]));
  tessel::RunHost quiet;
  tessel::Session session(home.path(), quiet);
  tessel::StyleError err;
  session.LoadStyle(nullptr, &err);
  session.ReadTrimList(nullptr);
  tessel::gui::testing::ScriptedDialogs dialogs;
  const tessel::gui::Skin skin;
  std::vector<double> open, preview;
  for (int i = 0; i < 7; ++i) {
    QElapsedTimer t;
    t.start();
    tessel::gui::OptionsDialog dialog(session, dialogs, skin, nullptr);
    dialog.show();
    QApplication::processEvents();
    open.push_back(double(t.nsecsElapsed()) / 1e6);
    t.restart();
    dialog.PreviewFormatted();
    dialog.repaint();
    QApplication::processEvents();
    preview.push_back(double(t.nsecsElapsed()) / 1e6);
    dialog.reject();
  }
  std::printf("options dialog opened with the 1 MB sample shown: median %.1f ms (target <= 150)\n",
              Median(open));
  std::printf("Preview Formatted of the 1 MB sample, memo filled: median %.1f ms (target <= 100)\n",
              Median(preview));
  return 0;
}
