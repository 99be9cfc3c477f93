#include "desktop/SignUnit.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ToolkitObject.h"
#include "desktop/CommonUnit.h"
#include "desktop/KeyDialogsUnit.h"
#include "desktop/Prompter.h"
#include "desktop/TextIds.h"
#include "desktop/ToolTextIds.h"
#include "desktop/WaitHourglassUnit.h"
#include "desktop/zk5Base.hpp"

namespace kiv {

QString ProposeSignatureName(const QString& filePath) {
  QFileInfo fi(filePath);
  QString name = fi.fileName();
  // A hidden file (".profile") keeps its whole name.
  qsizetype dot = name.startsWith('.') ? -1 : name.indexOf('.');
  if (dot >= 0) name.truncate(dot);
  QString folder = fi.path();
  return QDir(folder).filePath(name + ".kvg");
}

QString HashName(zk::ITextRes* texts, int32_t hashCode) {
  switch (hashCode) {
    case 1: return "MD5";
    case 2: return "SHA";
    case 3: return "SHA 256";
    case 4: return GetResText(texts, txt::kGostHash);
    default: return QString();
  }
}

namespace {

QToolButton* Browse(QWidget* parent, const char* name) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText("...");
  return b;
}

}  // namespace

// ---------------------------------------------------------------------------

TFormSignCreate::TFormSignCreate(zk::ITextRes* texts, zk::IKeysCtrl* keys, QWidget* owner)
    : QDialog(owner), texts_(texts), keys_(keys) {
  setObjectName("FormSignCreate");
  setWindowTitle(GetResText(texts, txt::kCreateSignatureCaption));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  LabeledEditFile = new QLineEdit(this);
  LabeledEditFile->setObjectName("LabeledEditFile");
  SpeedButtonFileSelect = Browse(this, "SpeedButtonFileSelect");
  form->addRow(GetResText(texts, txt::kFileLabel), WithButton(LabeledEditFile, SpeedButtonFileSelect));
  LabeledEditFileSign = new QLineEdit(this);
  LabeledEditFileSign->setObjectName("LabeledEditFileSign");
  SpeedButtonSignFile = Browse(this, "SpeedButtonSignFile");
  form->addRow(GetResText(texts, txt::kSignatureFileLabel), WithButton(LabeledEditFileSign, SpeedButtonSignFile));
  LabelKey = new QLabel(GetResText(texts, txt::kSignKeyLabel), this);
  ComboBoxPrivKeys = new QComboBox(this);
  ComboBoxPrivKeys->setObjectName("ComboBoxPrivKeys");
  form->addRow(LabelKey, ComboBoxPrivKeys);
  LabelHash = new QLabel(GetResText(texts, txt::kSignHashLabel), this);
  ComboBoxHash = new QComboBox(this);
  ComboBoxHash->setObjectName("ComboBoxHash");
  form->addRow(LabelHash, ComboBoxHash);
  layout->addLayout(form);
  BitBtnCreate = new QPushButton(GetResText(texts, txt::kCreateSignatureButton), this);
  BitBtnCreate->setObjectName("BitBtnCreate");
  BitBtnClose = new QPushButton(GetResText(texts, txt::kClose), this);
  BitBtnClose->setObjectName("BitBtnClose");
  BitBtnCreate->setAutoDefault(false);
  BitBtnClose->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(BitBtnCreate);
  buttons->addWidget(BitBtnClose);
  layout->addLayout(buttons);
  resize(520, sizeHint().height());

  uint32_t count = keys_->GetPrivateKeyCount();
  for (uint32_t i = 0; i < count; ++i) {
    zk::KeyInfo info{};
    if (keys_->GetPrivateKeyInfo(i, &info) != 0) info = zk::KeyInfo{};
    ComboBoxPrivKeys->addItem(OwnerCaption(info.owner));
  }
  ComboBoxPrivKeys->setCurrentIndex(count ? 0 : -1);
  for (int32_t h = 1; h <= 4; ++h) ComboBoxHash->addItem(HashName(texts, h));
  ComboBoxHash->setCurrentIndex(1);

  connect(SpeedButtonFileSelect, &QToolButton::clicked, this, &TFormSignCreate::SpeedButtonFileSelectClick);
  connect(SpeedButtonSignFile, &QToolButton::clicked, this, &TFormSignCreate::SpeedButtonSignFileClick);
  connect(BitBtnCreate, &QPushButton::clicked, this, &TFormSignCreate::BitBtnCreateClick);
  connect(BitBtnClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormSignCreate::SpeedButtonFileSelectClick() {
  QString file = CurrentPrompter().OpenFile(this, GetResText(texts_, txt::kCreateSignatureButton), QString(),
                                            QtFilter("All files|*"));
  if (file.isEmpty()) return;
  LabeledEditFile->setText(file);
  LabeledEditFileSign->setText(ProposeSignatureName(file));
}

void TFormSignCreate::SpeedButtonSignFileClick() {
  QString file = CurrentPrompter().SaveFile(this, GetResText(texts_, txt::kSignatureFileTitle), LabeledEditFileSign->text(),
                                            QtFilter(GetResText(texts_, txt::kSignatureFilter)));
  if (file.isEmpty()) return;
  if (QFileInfo(file).suffix().isEmpty()) file += ".kvg";
  LabeledEditFileSign->setText(file);
}

void TFormSignCreate::BitBtnCreateClick() {
  int hash = ComboBoxHash->currentIndex();
  if (hash < 0) return;
  int key = ComboBoxPrivKeys->currentIndex();
  if (key < 0) {
    CurrentPrompter().Message(this, windowTitle(), GetResText(texts_, txt::kNoKeyPairToSign), BoxIcon::kError,
                              BoxButtons::kOk);
    return;
  }
  zk::Held<zk::IKeySign> sign(QueryToolkitInterface<zk::IKeySign>(keys_, zk::id::KivIKeySign));
  StatusCode r = zk::kNotImplemented;
  if (sign) {
    QByteArray file = LabeledEditFile->text().toUtf8();
    QByteArray signature = LabeledEditFileSign->text().toUtf8();
    r = WaitRun(windowTitle(), GetResText(texts_, txt::kSigningFile), [&] {
      return sign->SignFile(file.constData(), signature.constData(), uint32_t(key), hash + 1);
    });
  }
  if (ShowToolkitError(this, texts_, r, windowTitle()))
    CurrentPrompter().Message(this, windowTitle(), GetResText(texts_, txt::kSignatureCreated), BoxIcon::kInformation,
                              BoxButtons::kOk);
}

void ShowSignCreateWindow(QWidget* owner, zk::ITextRes* texts, zk::IKeysCtrl* keys) {
  if (!keys) return;
  TFormSignCreate form(texts, keys, owner);
  form.exec();
}

// ---------------------------------------------------------------------------

TFormCheckSign::TFormCheckSign(zk::ITextRes* texts, zk::IKeysCtrl* keys, QWidget* owner)
    : QDialog(owner), texts_(texts), keys_(keys) {
  setObjectName("FormCheckSign");
  setWindowTitle(GetResText(texts, txt::kCheckSignatureCaption));
  auto* layout = new QVBoxLayout(this);
  ListViewSign = new QTreeWidget(this);
  ListViewSign->setObjectName("ListViewSign");
  ListViewSign->setColumnCount(2);
  ListViewSign->setHeaderHidden(true);
  ListViewSign->setRootIsDecorated(false);
  ListViewSign->header()->resizeSection(0, 160);
  layout->addWidget(ListViewSign, 1);
  BitBtnCheck = new QPushButton(GetResText(texts, txt::kCheckButton), this);
  BitBtnCheck->setObjectName("BitBtnCheck");
  BitBtnClose = new QPushButton(GetResText(texts, txt::kClose), this);
  BitBtnClose->setObjectName("BitBtnClose");
  BitBtnCheck->setAutoDefault(false);
  BitBtnClose->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(BitBtnCheck);
  buttons->addWidget(BitBtnClose);
  layout->addLayout(buttons);
  resize(560, 300);
  connect(BitBtnCheck, &QPushButton::clicked, this, &TFormCheckSign::BitBtnCheckClick);
  connect(BitBtnClose, &QPushButton::clicked, this, &QDialog::accept);
}

TFormCheckSign::~TFormCheckSign() = default;

void TFormCheckSign::AddRow(const QString& caption, const QString& value) {
  auto* row = new QTreeWidgetItem(ListViewSign);
  row->setText(0, caption);
  row->setText(1, value);
}

bool TFormCheckSign::Start() {
  if (!sign_) sign_.p = QueryToolkitInterface<zk::IKeySign>(keys_, zk::id::KivIKeySign);
  if (!sign_) return false;
  QString file = CurrentPrompter().OpenFile(this, GetResText(texts_, txt::kOpenSignatureTitle), QString(),
                                            QtFilter(GetResText(texts_, txt::kSignatureFilter)));
  if (file.isEmpty()) return false;
  HeldString name;
  zk::CalendarTime when{};
  int32_t isPair = 0, index = 0, hash = 0;
  StatusCode r = sign_->ReadSignature(file.toUtf8().constData(), &name, &when, &isPair, &index, &hash);
  signedName_ = name.Text();
  if (r == zk::kNotFound) {  // the signer's key is not in the storage
    CurrentPrompter().Message(this, GetResText(texts_, txt::kCheckSignatureCaption), GetResText(texts_, txt::kSignerKeyMissing),
                              BoxIcon::kError, BoxButtons::kOk);
    return false;
  }
  if (!ShowToolkitError(this, texts_, r, GetResText(texts_, txt::kCheckSignatureCaption) + ": ")) return false;
  signaturePath_ = file;
  zk::KeyInfo info{};
  StatusCode k = isPair == 1 ? keys_->GetPrivateKeyInfo(uint32_t(index), &info)
                             : keys_->GetPublicKeyInfo(uint32_t(index), &info);
  if (k != 0) info = zk::KeyInfo{};
  ListViewSign->clear();
  AddRow(GetResText(texts_, txt::kSignatureFileRow), signaturePath_);
  AddRow(GetResText(texts_, txt::kSignedFileRow), signedName_);
  AddRow(GetResText(texts_, txt::kSignedOnRow), FormatTmDateTime(texts_, when));
  AddRow(GetResText(texts_, txt::kKeyColumnName), OwnerPersonName(info.owner));
  // The signer's country and city, in a row of their own when there are any.
  if (!OwnerPlace(info.owner).isEmpty()) AddRow(QString(), OwnerPlace(info.owner));
  AddRow(GetResText(texts_, txt::kHashLabel), HashName(texts_, hash));
  return true;
}

void TFormCheckSign::BitBtnCheckClick() {
  if (!sign_ || signaturePath_.isEmpty()) return;
  QString folder = QFileInfo(signaturePath_).path();
  QString preset = signedName_.isEmpty() ? folder : QDir(folder).filePath(QFileInfo(signedName_).fileName());
  QString file = CurrentPrompter().OpenFile(this, GetResText(texts_, txt::kChooseSignedFileTitle), preset,
                                            QtFilter("All files|*"));
  if (file.isEmpty()) return;
  StatusCode r = sign_->VerifyFile(file.toUtf8().constData(), signaturePath_.toUtf8().constData());
  QString text = GetResText(texts_, txt::kSignatureReportLabel) + " <" + signaturePath_ + ">\n" + GetResText(texts_, txt::kFileReportLabel) +
                 " <" + file + ">\n";
  // Any failure, a mismatch or a file that could not be read, is the one
  // text "not confirmed".
  if (r == 0)
    CurrentPrompter().Message(this, windowTitle(), text + GetResText(texts_, txt::kSignatureMatches),
                              BoxIcon::kInformation, BoxButtons::kOk);
  else
    CurrentPrompter().Message(this, windowTitle(), text + GetResText(texts_, txt::kSignatureDiffers), BoxIcon::kError,
                              BoxButtons::kOk);
}

void ShowCheckSignWindow(QWidget* owner, zk::ITextRes* texts, zk::IKeysCtrl* keys) {
  if (!keys) return;
  TFormCheckSign form(texts, keys, owner);
  if (!form.Start()) return;
  form.exec();
}

}  // namespace kiv
