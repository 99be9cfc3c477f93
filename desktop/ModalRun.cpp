#include "desktop/ModalRun.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

namespace kiv {

namespace {
std::function<void(QDialog*)>& Driver() {
  static std::function<void(QDialog*)> driver;
  return driver;
}
}  // namespace

void SetModalDriver(std::function<void(QDialog*)> driver) { Driver() = std::move(driver); }

int RunModal(QDialog* dialog) {
  if (Driver()) {
    QPointer<QDialog> d(dialog);
    auto driver = Driver();
    QTimer::singleShot(0, dialog, [d, driver] {
      if (d && d->isVisible()) driver(d);
    });
  }
  return dialog->exec();
}

}  // namespace kiv
