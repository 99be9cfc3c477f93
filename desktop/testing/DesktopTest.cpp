#include "desktop/testing/DesktopTest.h"

#include <QElapsedTimer>
#include <QThread>
#include <cstdlib>

// Under the leak checker: the system's font library, which Qt loads, keeps
// memory it never frees; not ours.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace desktoptest {

QApplication& App() {
  static int argc = 1;
  static char name[] = "desktop_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);
  }();
  return *app;
}

bool SpinUntil(const std::function<bool()>& done) {
  App();
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > 10000) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(1);
  }
  return true;
}

void Drain() {
  App();
  for (int i = 0; i < 4; ++i) QCoreApplication::processEvents();
}

}  // namespace desktoptest
