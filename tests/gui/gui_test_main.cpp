// Runs every registered window test class, offscreen unless told otherwise.
#include <QApplication>
#include <QTest>
#include <QString>
#include <cstdlib>

#include "support/window_test_support.h"

int main(int argc, char** argv) {
  // Offscreen unless told otherwise: the tests need no display.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  // TESSEL_GUI_TESTS=Name runs only the classes whose name holds Name.
  const char* only = std::getenv("TESSEL_GUI_TESTS");
  int failed = 0;
  for (const auto& make : tessel::gui::testing::Registry()) {
    QObject* test = make();
    if (!only || QString(test->metaObject()->className()).contains(only)) {
      failed += QTest::qExec(test, argc, argv) != 0;
    }
    delete test;
  }
  return failed == 0 ? 0 : 1;
}
