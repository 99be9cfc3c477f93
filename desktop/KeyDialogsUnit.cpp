#include "desktop/KeyDialogsUnit.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstring>

#include "Wipe.h"
#include "desktop/CommonUnit.h"
#include "desktop/PasswordGeneratorHook.h"
#include "desktop/Prompter.h"
#include "desktop/TextIds.h"
#include "desktop/ToolTextIds.h"
#include "desktop/zk5Base.hpp"

namespace kiv {

namespace {

QLineEdit* NameEdit(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  LimitToBytes(e, kOwnerNameMaxBytes);
  return e;
}

// Buttons that Enter never presses: each dialog says itself what Enter does.
QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  b->setDefault(false);
  return b;
}

QHBoxLayout* ButtonRow(QPushButton* a, QPushButton* b) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(a);
  row->addWidget(b);
  return row;
}

}  // namespace

QHBoxLayout* WithButton(QWidget* edit, QWidget* button) {
  auto* row = new QHBoxLayout;
  row->addWidget(edit, 1);
  row->addWidget(button);
  return row;
}

// The four owner edits (name, second name, country, city) as rows of form.
void AddNameEdits(zk::ITextRes* texts, QWidget* parent, QFormLayout* form, QLineEdit*& name,
                  QLineEdit*& second, QLineEdit*& country, QLineEdit*& city) {
  name = NameEdit(parent, "LabeledEditName");
  second = NameEdit(parent, "LabeledEditForname");
  country = NameEdit(parent, "LabeledEditCountry");
  city = NameEdit(parent, "LabeledEditCity");
  form->addRow(GetResText(texts, txt::kOwnerName), name);
  form->addRow(GetResText(texts, txt::kOwnerSecondName), second);
  form->addRow(GetResText(texts, txt::kOwnerCountry), country);
  form->addRow(GetResText(texts, txt::kOwnerCity), city);
}

void ReadNameEdits(zk::KeyOwner& o, const QLineEdit* name, const QLineEdit* second,
                   const QLineEdit* country, const QLineEdit* city) {
  SetOwnerField(o.name, name->text());
  SetOwnerField(o.secondName, second->text());
  SetOwnerField(o.country, country->text());
  SetOwnerField(o.city, city->text());
}

void SetOwnerField(char (&field)[33], const QString& text) {
  QString t = text;
  while (t.toUtf8().size() > kOwnerNameMaxBytes) t.chop(t.back().isLowSurrogate() ? 2 : 1);
  QByteArray b = t.toUtf8();
  std::memset(field, 0, sizeof field);
  std::memcpy(field, b.constData(), size_t(b.size()));
}

QString OwnerField(const char (&field)[33]) {
  return QString::fromUtf8(field, qsizetype(strnlen(field, sizeof field)));
}

static QString JoinOwnerParts(const QStringList& parts, const QString& separator) {
  QStringList filled;
  for (const QString& p : parts)
    if (!p.trimmed().isEmpty()) filled << p.trimmed();
  return filled.join(separator);
}

QString OwnerPersonName(const zk::KeyOwner& o) {
  return JoinOwnerParts({OwnerField(o.name), OwnerField(o.secondName)}, " ");
}

QString OwnerPlace(const zk::KeyOwner& o) {
  return JoinOwnerParts({OwnerField(o.country), OwnerField(o.city)}, ", ");
}

QString OwnerCaption(const zk::KeyOwner& o) {
  // Empty fields are left out with their separators.
  return JoinOwnerParts({OwnerPersonName(o), OwnerPlace(o)}, ", ");
}

QString QtFilter(const QString& filter) {
  QStringList parts = filter.split('|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    // A caption that names its pattern already ("All (*.*)") gives way to
    // the pattern really used.
    QString caption = parts[i].trimmed();
    if (caption.endsWith(')') && caption.lastIndexOf('(') > 0)
      caption = caption.left(caption.lastIndexOf('(')).trimmed();
    out << caption + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
  }
  if (parts.size() % 2) out << parts.back();
  return out.join(";;");
}

QToolButton* MakeGeneratorButton(zk::ITextRes* texts, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName("sbGenPass");
  b->setText("...");
  b->setToolTip(GetResText(texts, txt::kGeneratePasswordHint));
  b->setEnabled(HasPasswordGenerator());
  QObject::connect(b, &QToolButton::clicked, parent, [parent] { OpenPasswordGenerator(parent); });
  return b;
}

// ---------------------------------------------------------------------------

PasswordGauge::PasswordGauge(QLineEdit* edit, QWidget* parent) : QObject(edit), edit_(edit) {
  Panel = new QFrame(parent);
  Panel->setObjectName("PanelGauge");
  Panel->setAutoFillBackground(true);
  Panel->setFixedSize(16, 16);
  Bar = new QProgressBar(parent);
  Bar->setObjectName("ProgressBarQuality");
  Bar->setRange(0, 100);
  Bar->setTextVisible(false);
  Percent = new QLabel("0 %", parent);
  Percent->setObjectName("LabelPersent");
  Row = new QHBoxLayout;
  Row->addWidget(Panel);
  Row->addWidget(Bar, 1);
  Row->addWidget(Percent);
}

void PasswordGauge::Start() {
  if (quality_) return;
  zk::Held<zk::IBase> object;
  if (ToolkitCreateInstance(zk::id::CipherSetPassword, &object) == 0)
    quality_.p = QueryToolkitInterface<zk::IPassword>(object, zk::id::CryptoIPassword);
  if (!quality_)
    StartFailure(QApplication::applicationName(),
                 "Can not create the object of SetPassword class!", -2);
  connect(edit_, &QLineEdit::textChanged, this, &PasswordGauge::Update);
  Update();
}

void PasswordGauge::Update() {
  if (quality_) ShowPasswordQuality(quality_, edit_->text(), Bar, Percent, Panel);
}

// ---------------------------------------------------------------------------

TFormNewPassword::TFormNewPassword(const QString& title, zk::ITextRes* texts, QWidget* owner)
    : QDialog(owner), texts_(texts) {
  setObjectName("FormNewPassword");
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  LabeledEditPass = new QLineEdit(this);
  LabeledEditPass->setObjectName("LabeledEditPass");
  MakePasswordEdit(LabeledEditPass);
  sbGenPass = MakeGeneratorButton(texts, this);
  form->addRow(GetResText(texts, txt::kPassword), WithButton(LabeledEditPass, sbGenPass));
  LabeledEditConfirm = new QLineEdit(this);
  LabeledEditConfirm->setObjectName("LabeledEditConfirm");
  MakePasswordEdit(LabeledEditConfirm);
  form->addRow(GetResText(texts, txt::kConfirm), LabeledEditConfirm);
  LabelQuality = new QLabel(GetResText(texts, txt::kQuality), this);
  gauge_ = new PasswordGauge(LabeledEditPass, this);
  PanelGauge = gauge_->Panel;
  ProgressBarQuality = gauge_->Bar;
  LabelPersent = gauge_->Percent;
  form->addRow(LabelQuality, gauge_->Row);
  layout->addLayout(form);
  BitBtnAccept = Button(GetResText(texts, txt::kApply), "BitBtnAccept", this);
  BitBtnCancel = Button(GetResText(texts, txt::kCancel), "BitBtnCancel", this);
  layout->addLayout(ButtonRow(BitBtnAccept, BitBtnCancel));
  // Enter in the first edit does nothing; in the confirmation it accepts.
  connect(LabeledEditConfirm, &QLineEdit::returnPressed, this, &TFormNewPassword::BitBtnAcceptClick);
  connect(BitBtnAccept, &QPushButton::clicked, this, &TFormNewPassword::BitBtnAcceptClick);
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
  // Wide enough for its title and a long password in full.
  FitTitleAndLine(this, 45);
}

TFormNewPassword::~TFormNewPassword() { zk::Wipe(password_.data(), password_.size()); }

void TFormNewPassword::showEvent(QShowEvent* e) {
  // The password object is made when the dialog shows.
  gauge_->Start();
  QDialog::showEvent(e);
}

void TFormNewPassword::BitBtnAcceptClick() {
  if (!NewPasswordsAgree(this, texts_, LabeledEditPass, LabeledEditConfirm)) return;
  password_ = TakeUtf8(LabeledEditPass->text());
  accept();
}

bool RunNewPassword(QWidget* owner, const QString& title, zk::ITextRes* texts,
                    std::string& password) {
  TFormNewPassword form(title, texts, owner);
  if (form.exec() != QDialog::Accepted) return false;
  password = form.Password();
  return true;
}

// ---------------------------------------------------------------------------

TFormInputPass::TFormInputPass(const QString& title, QWidget* owner) : QDialog(owner) {
  setObjectName("FormInputPass");
  zk::ITextRes* texts = ProgramTexts();
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  LabeledEditPass = new QLineEdit(this);
  LabeledEditPass->setObjectName("LabeledEditPass");
  MakePasswordEdit(LabeledEditPass);
  sbGenPass = MakeGeneratorButton(texts, this);
  form->addRow(GetResText(texts, txt::kApply), WithButton(LabeledEditPass, sbGenPass));
  layout->addLayout(form);
  BitBtnApply = Button(GetResText(texts, txt::kApply), "BitBtnApply", this);
  BitBtnCancel = Button(GetResText(texts, txt::kCancel), "BitBtnCancel", this);
  layout->addLayout(ButtonRow(BitBtnApply, BitBtnCancel));
  connect(LabeledEditPass, &QLineEdit::returnPressed, this, &QDialog::accept);
  connect(BitBtnApply, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
  resize(360, sizeHint().height());
}

bool RunInputPass(QWidget* owner, const QString& title, std::string& password) {
  TFormInputPass form(title, owner);
  if (form.exec() != QDialog::Accepted) return false;
  password = TakeUtf8(form.LabeledEditPass->text());
  return true;
}

// ---------------------------------------------------------------------------

TFormRSAKeyParam::TFormRSAKeyParam(zk::ITextRes* texts, QWidget* owner) : QDialog(owner) {
  setObjectName("FormRSAKeyParam");
  setWindowTitle(GetResText(texts, txt::kRsaKeyParamsCaption));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  AddNameEdits(texts, this, form, LabeledEditName, LabeledEditForname, LabeledEditCountry,
               LabeledEditCity);
  LabelBits = new QLabel(GetResText(texts, txt::kKeyBits), this);
  ComboBoxBits = new QComboBox(this);
  ComboBoxBits->setObjectName("ComboBoxBits");
  ComboBoxBits->addItems({"512", "1024", "2048", "4096"});
  // 2048 bits at start; the smaller sizes stay for keys that exist.
  ComboBoxBits->setCurrentIndex(2);
  form->addRow(LabelBits, ComboBoxBits);
  layout->addLayout(form);
  BitBtnAccept = Button(GetResText(texts, txt::kApply), "BitBtnAccept", this);
  BitBtnCancel = Button(GetResText(texts, txt::kCancel), "BitBtnCancel", this);
  layout->addLayout(ButtonRow(BitBtnAccept, BitBtnCancel));
  connect(BitBtnAccept, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int32_t TFormRSAKeyParam::Bits() const {
  static const int32_t sizes[] = {512, 1024, 2048, 4096};
  int i = ComboBoxBits->currentIndex();
  return i >= 0 && i < 4 ? sizes[i] : 1024;
}

void TFormRSAKeyParam::ReadOwner(zk::KeyOwner& o) const {
  ReadNameEdits(o, LabeledEditName, LabeledEditForname, LabeledEditCountry, LabeledEditCity);
}

bool TFormRSAKeyParam::Run(zk::KeyOwner& owner, int32_t& bits) {
  if (exec() != QDialog::Accepted) return false;
  ReadOwner(owner);
  bits = Bits();
  return true;
}

// ---------------------------------------------------------------------------

TFormPgpKeyInfo::TFormPgpKeyInfo(zk::ITextRes* texts, bool isPrivate, int32_t bits,
                                 const zk::PgpCalendarTime& created, const QString& userId,
                                 QWidget* owner)
    : QDialog(owner), isPrivate_(isPrivate) {
  setObjectName("FormPgpKeyInfo");
  setWindowTitle(GetResText(texts, txt::kImportPgpTitle));
  auto* layout = new QVBoxLayout(this);
  LabelKeyType = new QLabel(GetResText(texts, isPrivate ? txt::kPrivateKey : txt::kPublicKey), this);
  layout->addWidget(LabelKeyType);
  auto* info = new QFormLayout;
  LabeledEditKeyBits = new QLineEdit(QString::number(bits), this);
  LabeledEditKeyBits->setReadOnly(true);
  info->addRow(GetResText(texts, txt::kKeyBits), LabeledEditKeyBits);
  LabeledEditCreateTime = new QLineEdit(FormatSystemDateTime(texts, created), this);
  LabeledEditCreateTime->setReadOnly(true);
  info->addRow(GetResText(texts, txt::kKeyCreated), LabeledEditCreateTime);
  EditUserId = new QLineEdit(userId, this);
  EditUserId->setObjectName("EditUserId");
  EditUserId->setReadOnly(true);
  info->addRow(EditUserId);
  layout->addLayout(info);
  LabelText = new QLabel(GetResText(texts, txt::kAskKeyOwner), this);
  LabelText->setWordWrap(true);
  layout->addWidget(LabelText);
  auto* names = new QFormLayout;
  AddNameEdits(texts, this, names, LabeledEditName, LabeledEditForname, LabeledEditCountry,
               LabeledEditCity);
  layout->addLayout(names);
  LabelPassPrompt = new QLabel(GetResText(texts, txt::kPgpKeyPassword), this);
  EditPasswd = new QLineEdit(this);
  EditPasswd->setObjectName("EditPasswd");
  MakePasswordEdit(EditPasswd);
  sbGenPass = MakeGeneratorButton(texts, this);
  layout->addWidget(LabelPassPrompt);
  layout->addLayout(WithButton(EditPasswd, sbGenPass));
  // A public key has no password.
  LabelPassPrompt->setVisible(isPrivate);
  EditPasswd->setVisible(isPrivate);
  sbGenPass->setVisible(isPrivate);
  BitBtnAccept = Button(GetResText(texts, txt::kApply), "BitBtnAccept", this);
  BitBtnCancel = Button(GetResText(texts, txt::kCancel), "BitBtnCancel", this);
  layout->addLayout(ButtonRow(BitBtnAccept, BitBtnCancel));
  connect(BitBtnAccept, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormPgpKeyInfo::Read(zk::KeyOwner& o, std::string& password) const {
  std::memset(&o, 0, sizeof o);
  ReadNameEdits(o, LabeledEditName, LabeledEditForname, LabeledEditCountry, LabeledEditCity);
  password = isPrivate_ ? TakeUtf8(EditPasswd->text()) : std::string();
}

bool RunPgpKeyInfo(QWidget* parent, zk::ITextRes* texts, bool isPrivate, int32_t bits,
                   const zk::PgpCalendarTime& created, const QString& userId,
                   zk::KeyOwner& owner, std::string& password) {
  TFormPgpKeyInfo form(texts, isPrivate, bits, created, userId, parent);
  if (form.exec() != QDialog::Accepted) return false;
  form.Read(owner, password);
  return true;
}

}  // namespace kiv
