#include "desktop/PassGenUnit.h"

#include <QApplication>
#include <QClipboard>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <vector>

#include "ToolkitObject.h"
#include "Wipe.h"
#include "desktop/CommonUnit.h"
#include "desktop/PasswordGeneratorHook.h"
#include "desktop/TextIds.h"
#include "desktop/WizardTextIds.h"
#include "desktop/zk5Base.hpp"

namespace kiv {

namespace {
constexpr char kFixedSizeKey[] = "size of fixed password";
constexpr char kRandomSizeKey[] = "size of random password";

QSpinBox* SizeBox(QWidget* owner, const char* name) {
  auto* box = new QSpinBox(owner);
  box->setObjectName(name);
  box->setRange(0, 99);  // two digits; Generate clamps to 1-56
  box->setValue(1);
  return box;
}

// The size box's text clamped and written back.
uint32_t ClampedSize(QSpinBox* box) {
  int n = ClampPasswordSize(box->cleanText());
  box->setValue(n);
  return uint32_t(n);
}

void CopyEdit(QLineEdit* edit) {
  edit->selectAll();
  QApplication::clipboard()->setText(edit->selectedText());
  edit->deselect();
}
}  // namespace

int ClampPasswordSize(const QString& text) {
  bool ok = false;
  const qulonglong n = text.trimmed().toULongLong(&ok);
  if (!ok || n == 0) return 1;
  return n > uint64_t(kGeneratedMax) ? kGeneratedMax : int(n);
}

TFormPasswdGen::TFormPasswdGen(zk::ITextRes* texts, zk::IAppParam* params, QWidget* owner)
    : QDialog(owner), texts_(texts), params_(params) {
  setObjectName("FormPasswdGen");
  setModal(false);
  setWindowTitle(GetResText(texts, txt::kPassGenCaption));
  ListViewIcons = new QListWidget(this);
  ListViewIcons->setObjectName("ListViewIcons");
  ListViewIcons->setViewMode(QListView::IconMode);
  ListViewIcons->setFlow(QListView::TopToBottom);
  ListViewIcons->setWrapping(false);
  ListViewIcons->setGridSize(QSize(124, 64));
  ListViewIcons->setMovement(QListView::Static);
  ListViewIcons->setIconSize(QSize(32, 32));
  ListViewIcons->setFixedWidth(130);
  ListViewIcons->addItem(new QListWidgetItem(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                             GetResText(texts, txt::kPassGenFixed)));
  ListViewIcons->addItem(new QListWidgetItem(style()->standardIcon(QStyle::SP_BrowserReload),
                                             GetResText(texts, txt::kPassGenRandom)));
  PageControlMain = new QStackedWidget(this);

  auto* fixed = new QWidget(PageControlMain);
  auto* ff = new QFormLayout(fixed);
  LabeledEditSrcPhrase = new QLineEdit(fixed);
  LabeledEditSrcPhrase->setObjectName("LabeledEditSrcPhrase");
  ff->addRow(GetResText(texts, txt::kPassGenSourcePhrase), LabeledEditSrcPhrase);
  UpDownSizePass = SizeBox(fixed, "UpDownSizePass");
  ff->addRow(GetResText(texts, txt::kPassGenSize), UpDownSizePass);
  LabeledEditPasswd = new QLineEdit(fixed);
  LabeledEditPasswd->setObjectName("LabeledEditPasswd");
  LabeledEditPasswd->setReadOnly(true);
  sbCopyToClipBoard = new QToolButton(fixed);
  sbCopyToClipBoard->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  sbCopyToClipBoard->setToolTip(GetResText(texts, txt::kCopyToClipboard));
  auto* r1 = new QHBoxLayout;
  r1->addWidget(LabeledEditPasswd, 1);
  r1->addWidget(sbCopyToClipBoard);
  ff->addRow(GetResText(texts, txt::kPassGenPassword), r1);
  BitBtnGenerate = new QPushButton(GetResText(texts, txt::kGenerate), fixed);
  BitBtnGenerate->setObjectName("BitBtnGenerate");
  ff->addRow(QString(), BitBtnGenerate);
  PageControlMain->addWidget(fixed);

  auto* random = new QWidget(PageControlMain);
  auto* rf = new QFormLayout(random);
  UpDownRandSizePass = SizeBox(random, "UpDownRandSizePass");
  rf->addRow(GetResText(texts, txt::kPassGenSize), UpDownRandSizePass);
  LabeledEditRandomPass = new QLineEdit(random);
  LabeledEditRandomPass->setObjectName("LabeledEditRandomPass");
  LabeledEditRandomPass->setReadOnly(true);
  sbCopyRandPass = new QToolButton(random);
  sbCopyRandPass->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  sbCopyRandPass->setToolTip(GetResText(texts, txt::kCopyToClipboard));
  auto* r2 = new QHBoxLayout;
  r2->addWidget(LabeledEditRandomPass, 1);
  r2->addWidget(sbCopyRandPass);
  rf->addRow(GetResText(texts, txt::kPassGenPassword), r2);
  BitBtnGeneRand = new QPushButton(GetResText(texts, txt::kGenerate), random);
  BitBtnGeneRand->setObjectName("BitBtnGeneRand");
  rf->addRow(QString(), BitBtnGeneRand);
  PageControlMain->addWidget(random);

  BitBtnClose = new QPushButton(GetResText(texts, txt::kTrayExit), this);
  BitBtnClose->setObjectName("BitBtnClose");
  auto* top = new QHBoxLayout;
  top->addWidget(ListViewIcons);
  top->addWidget(PageControlMain, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(BitBtnClose);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(bottom);
  resize(500, 230);

  connect(ListViewIcons, &QListWidget::currentRowChanged, PageControlMain,
          &QStackedWidget::setCurrentIndex);
  connect(BitBtnGenerate, &QPushButton::clicked, this, &TFormPasswdGen::BitBtnGenerateClick);
  connect(BitBtnGeneRand, &QPushButton::clicked, this, &TFormPasswdGen::BitBtnGeneRandClick);
  connect(BitBtnClose, &QPushButton::clicked, this, &TFormPasswdGen::BitBtnCloseClick);
  connect(sbCopyToClipBoard, &QToolButton::clicked, this, [this] { CopyEdit(LabeledEditPasswd); });
  connect(sbCopyRandPass, &QToolButton::clicked, this, [this] { CopyEdit(LabeledEditRandomPass); });
}

TFormPasswdGen::~TFormPasswdGen() = default;

void TFormPasswdGen::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  int32_t n = 1;
  if (!params_ || params_->GetInt(kFixedSizeKey, &n) != 0) n = 1;
  UpDownSizePass->setValue(ClampPasswordSize(QString::number(n)));
  n = 1;
  if (!params_ || params_->GetInt(kRandomSizeKey, &n) != 0) n = 1;
  UpDownRandSizePass->setValue(ClampPasswordSize(QString::number(n)));
  ListViewIcons->setCurrentRow(0);
  if (!generator_) {
    zk::Held<zk::IBase> object;
    if (ToolkitCreateInstance(zk::id::CipherSetPassword, &object) == 0)
      generator_.p = QueryToolkitInterface<zk::IPassword>(object, zk::id::CryptoIPassword);
    if (!generator_)
      StartFailure(QApplication::applicationName(),
                   "Can not create the object of SetPassword class!", -2);
  }
}

void TFormPasswdGen::hideEvent(QHideEvent* e) {
  // Nothing generated stays on screen.
  LabeledEditSrcPhrase->clear();
  LabeledEditPasswd->clear();
  LabeledEditRandomPass->clear();
  QDialog::hideEvent(e);
}

void TFormPasswdGen::BitBtnGenerateClick() {
  if (!generator_) return;
  const uint32_t size = ClampedSize(UpDownSizePass);
  std::vector<char> buf(size + 1, 0);
  QByteArray phrase = LabeledEditSrcPhrase->text().toUtf8();
  if (generator_->PasswordFromSeed(phrase.constData(), size, buf.data()) == 0) {
    buf[size] = 0;
    LabeledEditPasswd->setText(QString::fromLatin1(buf.data()));
  }
  zk::Wipe(phrase.data(), size_t(phrase.size()));
  zk::Wipe(buf.data(), buf.size());
}

void TFormPasswdGen::BitBtnGeneRandClick() {
  if (!generator_) return;
  const uint32_t size = ClampedSize(UpDownRandSizePass);
  std::vector<char> buf(size + 1, 0);
  if (generator_->RandomPassword(size, buf.data()) == 0) {
    buf[size] = 0;
    LabeledEditRandomPass->setText(QString::fromLatin1(buf.data()));
  }
  zk::Wipe(buf.data(), buf.size());
}

void TFormPasswdGen::BitBtnCloseClick() {
  if (params_) {
    params_->SetInt(kFixedSizeKey, UpDownSizePass->value());
    params_->SetInt(kRandomSizeKey, UpDownRandSizePass->value());
    params_->Save();
  }
  hide();
}

TFormPasswdGen* PasswordGenerator() {
  static QPointer<TFormPasswdGen> window;
  if (!window) window = new TFormPasswdGen(ProgramTexts(), ProgramParams());
  return window;
}

void BringUpPasswordGenerator() {
  TFormPasswdGen* w = PasswordGenerator();
  // A modal dialog blocks every window but its own: while one is open the
  // generator stands over it as its child, and goes back on its own after.
  auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
  if (modal && modal != w && w->parentWidget() != modal) {
    w->setParent(modal, w->windowFlags());
    QObject::connect(
        modal, &QDialog::finished, w,
        [w] {
          const bool shown = w->isVisible();
          w->setParent(nullptr, w->windowFlags());
          if (shown) w->show();
        },
        Qt::SingleShotConnection);
  }
  if (w->isVisible()) {
    w->raise();
    w->activateWindow();
    return;
  }
  w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
  w->show();
}

void WirePasswordGeneratorButton(QToolButton* button) {
  QObject::connect(button, &QToolButton::clicked, button,
                   [button] { OpenPasswordGenerator(button->window()); });
}

void InstallPasswordGenerator() {
  SetPasswordGenerator([](QWidget*) { BringUpPasswordGenerator(); });
}

}  // namespace kiv
