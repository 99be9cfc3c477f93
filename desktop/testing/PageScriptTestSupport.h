// Dialogs shown through RunModal act from a script in order: each page is
// given the dialog once it shows; a dialog with no script left is
// cancelled. Installed for the script's lifetime; seen names every dialog
// by object name. Find and Click reach a dialog's named widgets; Kind,
// Password and OpenWith are the pages of the secret wizards.
#pragma once
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "desktop/ModalRun.h"
#include "desktop/testing/DesktopTestSupport.h"

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
  // Processes events until every page was used, then delivers what the
  // pages posted.
  void Run() {
    SpinUntil([this] { return pages.empty(); });
    for (int i = 0; i < 6; ++i) Drain();
  }
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

// A list page: the row chosen, "make a copy" set to copy where the page
// has it, then Next.
inline Page Kind(const char* list, int row, bool copy = false) {
  return [=](QDialog* d) {
    if (auto* l = Find<QListWidget>(d, list)) l->setCurrentRow(row);
    if (auto* c = d->findChild<QCheckBox*>("CheckBoxMakeCopy")) c->setChecked(copy);
    Click(d, "BitBtnNext");
  };
}

// The password page of a new secret: the password twice, then Next.
inline Page Password(const QString& pw) {
  return [=](QDialog* d) {
    if (auto* e = Find<QLineEdit>(d, "EditPasswd")) e->setText(pw);
    if (auto* e = Find<QLineEdit>(d, "EditPassConfirm")) e->setText(pw);
    Click(d, "BitBtnNext");
  };
}

// The password page of an open, then Next.
inline Page OpenWith(const QString& pw) {
  return [=](QDialog* d) {
    if (auto* e = Find<QLineEdit>(d, "LabeledEditPasswd")) e->setText(pw);
    Click(d, "BitBtnNext");
  };
}

}  // namespace desktoptest
