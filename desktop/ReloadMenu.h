// TReloadFileMenu: the plain secret files opened or made lately, newest
// first, shown as the items of a submenu and kept in the application
// parameters ("count_of_files_reopen", "reopen_file_<i>"). Paths compare
// exactly (Linux paths are case-sensitive).
#pragma once
#include <QMenu>
#include <QString>
#include <QStringList>
#include <functional>

#include "zk5script.h"

namespace kiv {

class TReloadFileMenu {
 public:
  using ClickHandler = std::function<void(TReloadFileMenu&, const QString&)>;

  TReloadFileMenu() = default;

  void SetParentMenu(QMenu* menu) { menu_ = menu; }
  void SetParams(zk::IAppParam* params) { params_ = params; }
  void SetOnClick(ClickHandler h) { onClick_ = std::move(h); }

  // 0 to 38 entries: the list is cut or filled with empty entries to n.
  void SetMaximum(int n);
  int Maximum() const { return max_; }
  void Load();
  void Add(const QString& path);
  void Save();
  void Click(int position);

  const QStringList& Entries() const { return entries_; }
  // The label before an entry's path: 1-9, then "A" for the tenth on.
  static QString Label(int position);

 private:
  void Rebuild();

  QStringList entries_;
  int max_ = 0;
  QMenu* menu_ = nullptr;
  zk::IAppParam* params_ = nullptr;
  ClickHandler onClick_;
};

}  // namespace kiv
