#include "desktop/SecretParamsUnit.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "Wipe.h"
#include "desktop/CommonUnit.h"
#include "desktop/KeyDialogsUnit.h"
#include "desktop/PassGenUnit.h"
#include "desktop/Prompter.h"
#include "desktop/SelectRSAUnit.h"
#include "desktop/TextIds.h"
#include "desktop/ToolTextIds.h"
#include "desktop/WizardTextIds.h"
#include "desktop/zk5Base.hpp"

namespace kiv {

TFormSecretParams::TFormSecretParams(zk::ITextRes* texts, zk::ISafeDriverApp* driver,
                                     zk::IKeysCtrl* k, int32_t h, int32_t c, uint64_t capacity,
                                     QWidget* owner)
    : TWizardPage(texts, owner), hash(h), cipher(c), keys(k), driver_(driver) {
  setObjectName("FormSecretParams");
  setWindowTitle(GetResText(texts, txt::kSecretParamsCaption));

  ListViewIcons = new QListWidget(this);
  ListViewIcons->setObjectName("ListViewIcons");
  ListViewIcons->setViewMode(QListView::IconMode);
  ListViewIcons->setIconSize(QSize(32, 32));
  ListViewIcons->setMovement(QListView::Static);
  ListViewIcons->setFlow(QListView::TopToBottom);
  ListViewIcons->setWrapping(false);
  ListViewIcons->setGridSize(QSize(90, 64));
  ListViewIcons->setFixedWidth(100);
  ListViewIcons->addItem(new QListWidgetItem(style()->standardIcon(QStyle::SP_DialogYesButton),
                                             GetResText(texts, txt::kPassword)));
  ListViewIcons->addItem(new QListWidgetItem(
      style()->standardIcon(QStyle::SP_FileDialogDetailedView), GetResText(texts, txt::kSettings)));
  PageControlParams = new QStackedWidget(this);

  // Password page.
  auto* pass = new QWidget(PageControlParams);
  auto* pl = new QVBoxLayout(pass);
  RadioButtonSymPass = new QRadioButton(GetResText(texts, txt::kPasswordMode), pass);
  RadioButtonSymPass->setObjectName("RadioButtonSymPass");
  RadioButtonSymPass->setChecked(true);
  pl->addWidget(RadioButtonSymPass);
  auto* form = new QFormLayout;
  EditPasswd = new QLineEdit(pass);
  EditPasswd->setObjectName("EditPasswd");
  MakePasswordEdit(EditPasswd);
  sbGenPass = new QToolButton(pass);
  sbGenPass->setObjectName("sbGenPass");
  sbGenPass->setText("...");
  sbGenPass->setToolTip(GetResText(texts, txt::kGeneratePasswordHint));
  WirePasswordGeneratorButton(sbGenPass);
  auto* prow = new QHBoxLayout;
  prow->addWidget(EditPasswd, 1);
  prow->addWidget(sbGenPass);
  form->addRow(GetResText(texts, txt::kPassword), prow);
  EditPassConfirm = new QLineEdit(pass);
  EditPassConfirm->setObjectName("EditPassConfirm");
  MakePasswordEdit(EditPassConfirm);
  form->addRow(GetResText(texts, txt::kConfirm), EditPassConfirm);
  gauge_ = new PasswordGauge(EditPasswd, pass);
  gauge_->Start();
  PanelGauge = gauge_->Panel;
  ProgressBarQuality = gauge_->Bar;
  LabelPersent = gauge_->Percent;
  form->addRow(GetResText(texts, txt::kQuality), gauge_->Row);
  pl->addLayout(form);
  RadioButtonRSAPass = new QRadioButton(GetResText(texts, txt::kRsaKeyMode), pass);
  RadioButtonRSAPass->setObjectName("RadioButtonRSAPass");
  pl->addWidget(RadioButtonRSAPass);
  auto* krow = new QHBoxLayout;
  ImageKeyType = new QLabel(pass);
  ImageKeyType->setFixedSize(24, 24);
  BitBtnRSAKey = new QPushButton(GetResText(texts, txt::kRsaKeyButton), pass);
  BitBtnRSAKey->setObjectName("BitBtnRSAKey");
  BitBtnRSAKey->setAutoDefault(false);
  EditKeyNameRSA = new QLineEdit(pass);
  EditKeyNameRSA->setObjectName("EditKeyNameRSA");
  EditKeyNameRSA->setReadOnly(true);
  krow->addWidget(ImageKeyType);
  krow->addWidget(EditKeyNameRSA, 1);
  krow->addWidget(BitBtnRSAKey);
  pl->addLayout(krow);
  auto* crow = new QHBoxLayout;
  LabelCapasity = new QLabel(GetResText(texts, txt::kCapacityBytes), pass);
  LabelCapNumber = new QLabel(FormatGroupedNumber(int64_t(capacity)), pass);
  LabelCapNumber->setObjectName("LabelCapNumber");
  crow->addWidget(LabelCapasity);
  crow->addWidget(LabelCapNumber, 1);
  pl->addLayout(crow);
  LabelCapasity->setVisible(capacity != 0);
  LabelCapNumber->setVisible(capacity != 0);
  pl->addStretch(1);
  PageControlParams->addWidget(pass);

  // Settings page.
  auto* set = new QWidget(PageControlParams);
  auto* sl = new QFormLayout(set);
  ComboBoxHash = new QComboBox(set);
  ComboBoxHash->setObjectName("ComboBoxHash");
  ComboBoxHash->addItems({"MD5", "SHA", "SHA 256", GetResText(texts, txt::kGostHash)});
  ComboBoxCipher = new QComboBox(set);
  ComboBoxCipher->setObjectName("ComboBoxCipher");
  ComboBoxCipher->addItems(
      {"Blowfish", "IDEA", "RC5", "AES32", GetResText(texts, txt::kGostCipher), "3Way", "CAST5-128"});
  ComboBoxHash->setCurrentIndex(hash - 1);
  ComboBoxCipher->setCurrentIndex(cipher - 1);
  sl->addRow(GetResText(texts, txt::kHashChoice), ComboBoxHash);
  sl->addRow(GetResText(texts, txt::kCipherChoice), ComboBoxCipher);
  PageControlParams->addWidget(set);

  auto* top = new QHBoxLayout;
  top->addWidget(ListViewIcons);
  top->addWidget(PageControlParams, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(ButtonRow());
  resize(560, 340);

  connect(ListViewIcons, &QListWidget::currentRowChanged, PageControlParams,
          &QStackedWidget::setCurrentIndex);
  connect(RadioButtonSymPass, &QRadioButton::clicked, this, &TFormSecretParams::SymMode);
  connect(RadioButtonRSAPass, &QRadioButton::clicked, this, &TFormSecretParams::RSAMode);
  connect(BitBtnRSAKey, &QPushButton::clicked, this, &TFormSecretParams::ChooseKey);
  ListViewIcons->setCurrentRow(0);
  SymMode();
}

TFormSecretParams::~TFormSecretParams() {
  zk::Wipe(password.data(), password.size());
}

void TFormSecretParams::SymMode() {
  RadioButtonSymPass->setChecked(true);
  EditPasswd->setEnabled(true);
  EditPassConfirm->setEnabled(true);
  BitBtnRSAKey->setEnabled(false);
}

void TFormSecretParams::RSAMode() {
  RadioButtonRSAPass->setChecked(true);
  EditPasswd->clear();
  EditPassConfirm->clear();
  EditPasswd->setEnabled(false);
  EditPassConfirm->setEnabled(false);
  BitBtnRSAKey->setEnabled(true);
  if (keyList == -1 || keyIndex == -1) ChooseKey();
}

void TFormSecretParams::ChooseKey() {
  EditKeyNameRSA->clear();
  ImageKeyType->setPixmap(QPixmap());
  if (!OpenKeyStorage(this, texts_, driver_, keys)) return;
  int32_t list = -1, index = -1;
  QString caption;
  if (!SelectRSAKey(this, texts_, keys, list, index, caption)) return;
  EditKeyNameRSA->setText(caption);
  ImageKeyType->setPixmap(
      style()->standardIcon(list == 1 ? QStyle::SP_DialogApplyButton : QStyle::SP_FileLinkIcon)
          .pixmap(24, 24));
  keyList = list;
  keyIndex = index;
}

bool TFormSecretParams::AcceptNext() {
  if (RadioButtonSymPass->isChecked()) {
    if (!NewPasswordsAgree(this, texts_, EditPasswd, EditPassConfirm)) return false;
    symmetric = true;
    zk::Wipe(password.data(), password.size());
    password = TakeUtf8(EditPasswd->text());
    // The password lives on in the record only, not in the window.
    EditPasswd->clear();
    EditPassConfirm->clear();
  } else {
    if (keyList == -1 || keyIndex == -1) {
      CurrentPrompter().Message(this, windowTitle(), GetResText(texts_, txt::kChooseRsaKeyFirst), BoxIcon::kError,
                                BoxButtons::kOk);
      return false;
    }
    symmetric = false;
  }
  hash = ComboBoxHash->currentIndex() + 1;
  cipher = ComboBoxCipher->currentIndex() + 1;
  return true;
}

}  // namespace kiv
