#include "desktop/ReloadMenu.h"

#include <QAction>

#include "desktop/zk5Base.hpp"

namespace kiv {

namespace {

const char kCountName[] = "count_of_files_reopen";

std::string EntryName(int i) { return "reopen_file_" + std::to_string(i); }

}  // namespace

void TReloadFileMenu::SetMaximum(int n) {
  if (n < 0 || n > 38) return;
  max_ = n;
  while (entries_.size() > n) entries_.removeLast();
  while (entries_.size() < n) entries_.append(QString());
}

void TReloadFileMenu::Load() {
  if (params_) {
    int32_t count = 0;
    if (params_->GetInt(kCountName, &count) != 0) count = 0;
    for (int i = 0; i < count && i < entries_.size(); ++i) {
      HeldString s;
      if (params_->GetString(EntryName(i).c_str(), &s) == 0 && s) entries_[i] = s.Text();
    }
  }
  Rebuild();
}

void TReloadFileMenu::Add(const QString& path) {
  if (path.isEmpty() || entries_.contains(path)) return;
  entries_.prepend(path);
  while (entries_.size() > max_) entries_.removeLast();
  Save();
  Rebuild();
}

void TReloadFileMenu::Save() {
  if (!params_) return;
  params_->SetInt(kCountName, int32_t(entries_.size()));
  for (int i = 0; i < entries_.size(); ++i)
    params_->SetString(EntryName(i).c_str(), entries_[i].toUtf8().constData());
  params_->Save();
}

void TReloadFileMenu::Click(int position) {
  if (onClick_ && position >= 0 && position < entries_.size()) onClick_(*this, entries_[position]);
}

QString TReloadFileMenu::Label(int position) {
  if (position < 9) return QString::number(position + 1);
  return QString(QChar(56 + position));
}

void TReloadFileMenu::Rebuild() {
  if (!menu_) return;
  menu_->clear();
  for (int i = 0; i < entries_.size(); ++i) {
    if (entries_[i].isEmpty()) break;
    QAction* a = menu_->addAction(Label(i) + " " + entries_[i]);
    a->setObjectName(QString("mnReopen%1").arg(i));
    QObject::connect(a, &QAction::triggered, menu_, [this, i] { Click(i); });
  }
}

}  // namespace kiv
