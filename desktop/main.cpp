// The desktop program Kivora: the single-instance check, then the main
// window and the message loop.
#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QFileInfo>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "desktop/ActionLooks.h"
#include "desktop/MainFormUnit.h"
#include "desktop/ModalRun.h"
#include "desktop/SingleInstance.h"

// Under the leak checker (sanitizer builds): the system's font library, which
// Qt loads, keeps memory it never frees; not ours, and it must not turn a
// start-up failure's exit code into the checker's.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#include "desktop/WindowMessages.h"
#include "kvMessageSocket.h"

namespace {

// A second start: its first argument, when it names an existing file, goes
// to the running program, which opens it.
void HandOver(int fd, const std::vector<std::string>& arguments) {
  if (!arguments.empty()) {
    std::string path = kiv::UnquotedArgument(arguments[0]);
    struct stat st;
    if (!path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      // The running program has a working folder of its own.
      std::string full = QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
      kiv::wm::WriteRecords(fd, kiv::wm::CommandRecords({full}, kiv::wm::kOpen));
    }
  }
  close(fd);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const std::string folder = kiv::wm::RuntimeFolder();
  kiv::InstanceClaim claim = kiv::ClaimInstance(folder);
  if (claim.kind == kiv::InstanceClaim::kOther) {
    HandOver(claim.fd, arguments);
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName("Kivora");
  QApplication::setWindowIcon(kiv::ProgramIcon());
  // Without a screen (offscreen or minimal platform) nobody can answer a
  // dialog: each one is cancelled at once, as message boxes are, so a
  // headless run never waits forever.
  const QString platform = QGuiApplication::platformName();
  if (platform == "offscreen" || platform == "minimal")
    kiv::SetModalDriver([](QDialog* dialog) { dialog->reject(); });
  int result = 0;
  {
    kiv::TMainForm mainForm(arguments);
    mainForm.FormCreate();
    kiv::InstallShutDownHandlers(&mainForm);
    mainForm.ListenForMessages(claim.fd);
    mainForm.show();
    // KIVORA_SCREENSHOT=<file>: save a picture of the first window and end.
    if (const char* shot = std::getenv("KIVORA_SCREENSHOT")) {
      QString file = QString::fromLocal8Bit(shot);
      QTimer::singleShot(1000, &mainForm, [&mainForm, file] {
        mainForm.grab().save(file);
        QApplication::quit();
      });
    }
    result = app.exec();
  }
  kiv::ReleaseInstance(folder, claim);
  return result;
}
