#include "desktop/OpenWizardUnit.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "Wipe.h"
#include "desktop/CommonUnit.h"
#include "desktop/PassGenUnit.h"
#include "desktop/TextIds.h"
#include "desktop/WizardTextIds.h"

namespace kiv {

void TFormOpenWizard::SecretKindShown(int32_t kind, int& picture, int32_t& textId) {
  picture = kind >= 1 && kind <= 3 ? kind - 1 : 0;
  textId = txt::kOpenKindText + picture;
}

void TFormOpenWizard::ContainerKindShown(int32_t kind, int& picture, int32_t& textId) {
  static constexpr int32_t kTexts[5] = {txt::kOpenContainerFile, txt::kOpenContainerPicture, txt::kOpenContainerSound, txt::kOpenContainerDocument, txt::kOpenContainerArchive};
  if (kind >= 1 && kind <= 5) {
    picture = kind - 1;
    textId = kTexts[kind - 1];
  } else {
    picture = 0;
    textId = 0;
  }
}

TFormOpenWizard::TFormOpenWizard(zk::ITextRes* texts, int32_t containerKind, int32_t secretKind,
                                 int32_t version, const QString& file, QWidget* owner)
    : TWizardPage(texts, owner) {
  setObjectName("FormOpenWizard");
  setWindowTitle(GetResText(texts, txt::kOpenSecretCaption));
  const QStyle::StandardPixmap secretPics[] = {QStyle::SP_FileDialogDetailedView,
                                               QStyle::SP_FileIcon, QStyle::SP_DirIcon};
  const QStyle::StandardPixmap contPics[] = {QStyle::SP_DriveHDIcon, QStyle::SP_DesktopIcon,
                                             QStyle::SP_MediaVolume, QStyle::SP_FileIcon,
                                             QStyle::SP_DirClosedIcon};
  int pic = 0;
  int32_t id = 0;
  SecretKindShown(secretKind, pic, id);
  ImageSecretType = new QLabel(this);
  ImageSecretType->setObjectName("ImageSecretType");
  ImageSecretType->setPixmap(LargePicture(this, secretPics[pic]));
  ImageSecretType->setProperty("picture", pic);
  LabelSecretType = new QLabel(GetResText(texts, id), this);
  LabelSecretType->setObjectName("LabelSecretType");
  ContainerKindShown(containerKind, pic, id);
  ImageContType = new QLabel(this);
  ImageContType->setObjectName("ImageContType");
  ImageContType->setPixmap(LargePicture(this, contPics[pic]));
  ImageContType->setProperty("picture", pic);
  LabelContType = new QLabel(id ? GetResText(texts, id) : QString(), this);
  LabelContType->setObjectName("LabelContType");
  auto* icons = new QHBoxLayout;
  icons->addWidget(ImageSecretType);
  icons->addWidget(LabelSecretType, 1);
  icons->addWidget(ImageContType);
  icons->addWidget(LabelContType, 1);

  auto* form = new QFormLayout;
  LabeledEditVersion = new QLineEdit(QString::number(version), this);
  LabeledEditVersion->setObjectName("LabeledEditVersion");
  LabeledEditVersion->setReadOnly(true);
  LabeledEditFile = new QLineEdit(file, this);
  LabeledEditFile->setObjectName("LabeledEditFile");
  LabeledEditFile->setReadOnly(true);
  LabeledEditPasswd = new QLineEdit(this);
  LabeledEditPasswd->setObjectName("LabeledEditPasswd");
  MakePasswordEdit(LabeledEditPasswd);
  sbGenPass = new QToolButton(this);
  sbGenPass->setObjectName("sbGenPass");
  sbGenPass->setText("...");
  sbGenPass->setToolTip(GetResText(texts, txt::kGeneratePasswordHint));
  WirePasswordGeneratorButton(sbGenPass);
  auto* prow = new QHBoxLayout;
  prow->addWidget(LabeledEditPasswd, 1);
  prow->addWidget(sbGenPass);
  form->addRow(GetResText(texts, txt::kOpenVersion), LabeledEditVersion);
  form->addRow(GetResText(texts, txt::kOpenFile), LabeledEditFile);
  form->addRow(GetResText(texts, txt::kOpenPassword), prow);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(icons);
  layout->addLayout(form);
  layout->addStretch(1);
  layout->addLayout(ButtonRow());
  resize(520, 240);
  connect(LabeledEditPasswd, &QLineEdit::returnPressed, this, [this] {
    if (AcceptNext()) Finish(kWizardNext);
  });
  LabeledEditPasswd->setFocus();
}

TFormOpenWizard::~TFormOpenWizard() { zk::Wipe(password.data(), password.size()); }

bool TFormOpenWizard::AcceptNext() {
  QByteArray p = LabeledEditPasswd->text().toUtf8();
  password.assign(p.constData(), size_t(p.size()));
  zk::Wipe(p.data(), size_t(p.size()));
  LabeledEditPasswd->clear();
  return true;
}

}  // namespace kiv
