#include "desktop/testing/ScriptedPrompter.h"

#include <QApplication>
#include <QWidget>

namespace kiv {

namespace {
QString ModalUp() {
  QWidget* w = QApplication::activeModalWidget();
  return w ? w->objectName() : QString();
}
}  // namespace

BoxAnswer ScriptedPrompter::Message(QWidget*, const QString& caption, const QString& text,
                                    BoxIcon icon, BoxButtons buttons) {
  calls_.push_back({"message", caption, text, icon, buttons, ModalUp()});
  if (boxes_.empty()) return UnansweredBox(buttons);
  BoxAnswer a = boxes_.front();
  boxes_.pop_front();
  return a;
}

QString ScriptedPrompter::NextPath() {
  if (paths_.empty()) return {};
  QString p = paths_.front();
  paths_.pop_front();
  return p;
}

QString ScriptedPrompter::OpenFile(QWidget*, const QString& title, const QString& folder,
                                   const QString&) {
  calls_.push_back({"open", title, folder, BoxIcon::kNone, BoxButtons::kOk, ModalUp()});
  return NextPath();
}

QStringList ScriptedPrompter::OpenFiles(QWidget*, const QString& title, const QString& folder,
                                        const QString&) {
  calls_.push_back({"opens", title, folder, BoxIcon::kNone, BoxButtons::kOk, ModalUp()});
  QString p = NextPath();
  return p.isEmpty() ? QStringList() : p.split('\n');
}

QString ScriptedPrompter::SaveFile(QWidget*, const QString& title, const QString& path,
                                   const QString&) {
  calls_.push_back({"save", title, path, BoxIcon::kNone, BoxButtons::kOk, ModalUp()});
  return NextPath();
}

QString ScriptedPrompter::Folder(QWidget*, const QString& title, const QString& folder) {
  calls_.push_back({"folder", title, folder, BoxIcon::kNone, BoxButtons::kOk, ModalUp()});
  return NextPath();
}

bool ScriptedPrompter::Font(QWidget*, QFont& font) {
  calls_.push_back({"font", {}, font.family(), BoxIcon::kNone, BoxButtons::kOk, ModalUp()});
  if (fonts_.empty()) return false;
  font = fonts_.front();
  fonts_.pop_front();
  return true;
}

}  // namespace kiv
