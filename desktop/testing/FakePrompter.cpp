#include "desktop/testing/FakePrompter.h"

#include <QApplication>
#include <QWidget>

namespace desktoptest {

namespace {
QString ModalUp() {
  QWidget* w = QApplication::activeModalWidget();
  return w ? w->objectName() : QString();
}
}  // namespace

kiv::BoxAnswer FakePrompter::Message(QWidget*, const QString& caption, const QString& text,
                                    kiv::BoxIcon icon, kiv::BoxButtons buttons) {
  calls_.push_back({"message", caption, text, icon, buttons, ModalUp()});
  if (boxes_.empty()) return kiv::UnansweredBox(buttons);
  kiv::BoxAnswer a = boxes_.front();
  boxes_.pop_front();
  return a;
}

QString FakePrompter::NextPath() {
  if (paths_.empty()) return {};
  QString p = paths_.front();
  paths_.pop_front();
  return p;
}

QString FakePrompter::OpenFile(QWidget*, const QString& title, const QString& folder,
                                   const QString&) {
  calls_.push_back({"open", title, folder, kiv::BoxIcon::kNone, kiv::BoxButtons::kOk, ModalUp()});
  return NextPath();
}

QStringList FakePrompter::OpenFiles(QWidget*, const QString& title, const QString& folder,
                                        const QString&) {
  calls_.push_back({"opens", title, folder, kiv::BoxIcon::kNone, kiv::BoxButtons::kOk, ModalUp()});
  QString p = NextPath();
  return p.isEmpty() ? QStringList() : p.split('\n');
}

QString FakePrompter::SaveFile(QWidget*, const QString& title, const QString& path,
                                   const QString&) {
  calls_.push_back({"save", title, path, kiv::BoxIcon::kNone, kiv::BoxButtons::kOk, ModalUp()});
  return NextPath();
}

QString FakePrompter::Folder(QWidget*, const QString& title, const QString& folder) {
  calls_.push_back({"folder", title, folder, kiv::BoxIcon::kNone, kiv::BoxButtons::kOk, ModalUp()});
  return NextPath();
}

bool FakePrompter::Font(QWidget*, QFont& font) {
  calls_.push_back({"font", {}, font.family(), kiv::BoxIcon::kNone, kiv::BoxButtons::kOk, ModalUp()});
  if (fonts_.empty()) return false;
  font = fonts_.front();
  fonts_.pop_front();
  return true;
}

}  // namespace desktoptest
