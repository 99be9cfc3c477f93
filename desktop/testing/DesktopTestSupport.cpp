#include "desktop/testing/DesktopTestSupport.h"

#include <QElapsedTimer>
#include <QThread>
#include <cctype>
#include <cstdlib>
#include <fstream>

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

std::map<int32_t, std::string> LanguageFile(const std::string& path) {
  std::map<int32_t, std::string> texts;
  std::ifstream in(path);
  std::string line;
  int32_t id = -1;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) {
      id = std::atoi(line.c_str());
      texts[id];
    } else if (id >= 0 && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
      std::string& t = texts[id];
      if (!t.empty()) t += '\n';
      t += line.substr(1);
    } else {
      id = -1;
    }
  }
  return texts;
}

}  // namespace desktoptest
