// Dialogs shown through RunModal act from a script in order: each page is
// given the dialog once it shows; a dialog with no script left is
// cancelled. Installed for the script's lifetime; seen names every dialog
// by object name. Find and Click reach a dialog's named widgets.
#pragma once
#include <gtest/gtest.h>

#include <QDialog>
#include <QPushButton>
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

// The dialog's child of that name (a test failure when it has none).
template <class W>
W* Find(QDialog* d, const char* name) {
  W* w = d->findChild<W*>(name);
  EXPECT_NE(w, nullptr) << name << " in " << d->objectName().toStdString();
  return w;
}

inline void Click(QDialog* d, const char* name) {
  if (auto* b = Find<QPushButton>(d, name)) b->click();
}

}  // namespace desktoptest
