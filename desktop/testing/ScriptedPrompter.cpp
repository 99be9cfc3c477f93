#include "desktop/testing/ScriptedPrompter.h"

namespace kiv {

BoxAnswer ScriptedPrompter::Message(QWidget*, const QString& caption, const QString& text,
                                    BoxIcon icon, BoxButtons buttons) {
  calls_.push_back({"message", caption, text, icon, buttons});
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
  calls_.push_back({"open", title, folder});
  return NextPath();
}

QStringList ScriptedPrompter::OpenFiles(QWidget*, const QString& title, const QString& folder,
                                        const QString&) {
  calls_.push_back({"opens", title, folder});
  QString p = NextPath();
  return p.isEmpty() ? QStringList() : p.split('\n');
}

QString ScriptedPrompter::SaveFile(QWidget*, const QString& title, const QString& path,
                                   const QString&) {
  calls_.push_back({"save", title, path});
  return NextPath();
}

QString ScriptedPrompter::Folder(QWidget*, const QString& title, const QString& folder) {
  calls_.push_back({"folder", title, folder});
  return NextPath();
}

bool ScriptedPrompter::Font(QWidget*, QFont& font) {
  calls_.push_back({"font", {}, font.family()});
  if (fonts_.empty()) return false;
  font = fonts_.front();
  fonts_.pop_front();
  return true;
}

}  // namespace kiv
