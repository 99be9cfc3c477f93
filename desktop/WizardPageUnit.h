// What the new-secret and open pages share: a wizard result (-1 cancel, the
// start value and a frame close; 0 previous; 1 next) and the three buttons.
#pragma once
#include <QDialog>

#include "zk5script.h"

class QHBoxLayout;
class QPixmap;
class QListWidget;
class QPushButton;
class QTextBrowser;

namespace kiv {

inline constexpr int kWizardCancel = -1;
inline constexpr int kWizardBack = 0;
inline constexpr int kWizardNext = 1;

class TWizardPage : public QDialog {
  Q_OBJECT
 public:
  TWizardPage(zk::ITextRes* texts, QWidget* owner);
  int result = kWizardCancel;

  QPushButton* BitBtnPrev;
  QPushButton* BitBtnNext;
  QPushButton* BitBtnCancel;

 protected:
  // The row of buttons, for the page's layout.
  QHBoxLayout* ButtonRow();
  // "Next" pressed: the page stores its fields; false keeps it open.
  virtual bool AcceptNext() { return true; }
  void Finish(int r);
  zk::ITextRes* texts_;

 private:
  QHBoxLayout* buttons_;
};

// A list of large icons beside an information pane, for the two type pages.
QListWidget* MakeTypeList(QWidget* owner, const char* name);
QTextBrowser* MakeInfoPane(QWidget* owner);
// A style picture at size x size, scaled up when the style has it smaller.
QPixmap LargePicture(QWidget* w, int standardPixmap, int size = 48);

}  // namespace kiv
