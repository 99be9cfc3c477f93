// Dialogs shown through RunModal act from a script in order: each page is
// given the dialog once it shows; a dialog with no script left is
// cancelled. Installed for the script's lifetime; seen names every dialog
// by object name.
#pragma once
#include <QDialog>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "desktop/ModalRun.h"

namespace desktoptest {

using Page = std::function<void(QDialog*)>;

struct PageScript {
  PageScript() {
    kiv::SetModalDriver([this](QDialog* d) {
      seen.push_back(d->objectName().toStdString());
      if (pages.empty()) {
        d->reject();
        return;
      }
      Page p = pages.front();
      pages.pop_front();
      p(d);
    });
  }
  ~PageScript() { kiv::SetModalDriver({}); }
  PageScript(const PageScript&) = delete;
  PageScript& operator=(const PageScript&) = delete;
  std::deque<Page> pages;
  std::vector<std::string> seen;
};

}  // namespace desktoptest
