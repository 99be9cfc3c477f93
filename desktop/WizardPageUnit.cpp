#include "desktop/WizardPageUnit.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>

#include "desktop/CommonUnit.h"
#include "desktop/TextIds.h"
#include "desktop/WizardTextIds.h"

namespace kiv {

TWizardPage::TWizardPage(zk::ITextRes* texts, QWidget* owner) : QDialog(owner), texts_(texts) {
  BitBtnPrev = new QPushButton(GetResText(texts, txt::kPrevious), this);
  BitBtnPrev->setObjectName("BitBtnPrev");
  BitBtnNext = new QPushButton(GetResText(texts, txt::kNext), this);
  BitBtnNext->setObjectName("BitBtnNext");
  BitBtnNext->setDefault(true);
  BitBtnCancel = new QPushButton(GetResText(texts, txt::kCancel), this);
  BitBtnCancel->setObjectName("BitBtnCancel");
  buttons_ = new QHBoxLayout;
  buttons_->addStretch(1);
  buttons_->addWidget(BitBtnPrev);
  buttons_->addWidget(BitBtnNext);
  buttons_->addWidget(BitBtnCancel);
  connect(BitBtnPrev, &QPushButton::clicked, this, [this] { Finish(kWizardBack); });
  connect(BitBtnNext, &QPushButton::clicked, this, [this] {
    if (AcceptNext()) Finish(kWizardNext);
  });
  connect(BitBtnCancel, &QPushButton::clicked, this, [this] { Finish(kWizardCancel); });
}

QHBoxLayout* TWizardPage::ButtonRow() { return buttons_; }

void TWizardPage::Finish(int r) {
  result = r;
  done(r == kWizardNext ? QDialog::Accepted : QDialog::Rejected);
}

QListWidget* MakeTypeList(QWidget* owner, const char* name) {
  auto* list = new QListWidget(owner);
  list->setObjectName(name);
  list->setViewMode(QListView::IconMode);
  list->setIconSize(QSize(48, 48));
  list->setMovement(QListView::Static);
  list->setFixedWidth(120);
  list->setFlow(QListView::TopToBottom);
  list->setWrapping(false);
  list->setGridSize(QSize(104, 78));
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return list;
}

QPixmap LargePicture(QWidget* w, int standardPixmap, int size) {
  QPixmap p = w->style()->standardIcon(QStyle::StandardPixmap(standardPixmap)).pixmap(size, size);
  if (p.width() < size) p = p.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return p;
}

QTextBrowser* MakeInfoPane(QWidget* owner) {
  auto* pane = new QTextBrowser(owner);
  pane->setObjectName("WebBrowserInfo");
  pane->setMinimumSize(320, 220);
  return pane;
}

}  // namespace kiv
