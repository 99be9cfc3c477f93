// The text viewer's rich-text reader over any bytes: never a crash, hang or
// out-of-bounds read.
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdlib>

#include "desktop/RtfReader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "fuzz_desktop_rtf";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  QTextDocument doc;
  kiv::ReadRtf(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), &doc);
  return 0;
}
