#include "desktop/ClipboardCoderUnit.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstring>

#include "Wipe.h"
#include "desktop/CommonUnit.h"
#include "desktop/KeyDialogsUnit.h"
#include "desktop/Prompter.h"
#include "desktop/TextIds.h"
#include "desktop/ToolTextIds.h"
#include "desktop/zk5Base.hpp"

namespace kiv {

TFormClipboardCoder::TFormClipboardCoder(zk::ITextRes* texts, zk::ISafeDriverApp* driver,
                                         QWidget* owner)
    : QDialog(owner), texts_(texts), driver_(driver) {
  setObjectName("FormClipboardCoder");
  setWindowTitle(GetResText(texts, txt::kCoderCaption));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  MemoText = new QPlainTextEdit(this);
  MemoText->setObjectName("MemoText");
  MemoText->setLineWrapMode(QPlainTextEdit::NoWrap);
  MemoText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(MemoText, 1);
  auto* form = new QFormLayout;
  LabeledEditPass = new QLineEdit(this);
  LabeledEditPass->setObjectName("LabeledEditPass");
  MakePasswordEdit(LabeledEditPass);
  sbGenPass = MakeGeneratorButton(texts, this);
  auto* row = new QHBoxLayout;
  row->addWidget(LabeledEditPass, 1);
  row->addWidget(sbGenPass);
  form->addRow(GetResText(texts, txt::kCoderPassword), row);
  layout->addLayout(form);
  BitBtnEncode = new QPushButton(GetResText(texts, txt::kCoderEncode), this);
  BitBtnEncode->setObjectName("BitBtnEncode");
  BitBtnEncode->setToolTip(GetResText(texts, txt::kCoderEncodeHint));
  BitBtnDecode = new QPushButton(GetResText(texts, txt::kCoderDecode), this);
  BitBtnDecode->setObjectName("BitBtnDecode");
  BitBtnDecode->setToolTip(GetResText(texts, txt::kCoderDecodeHint));
  BitBtnClose = new QPushButton(GetResText(texts, txt::kClose), this);
  BitBtnClose->setObjectName("BitBtnClose");
  for (QPushButton* b : {BitBtnEncode, BitBtnDecode, BitBtnClose}) b->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BitBtnEncode);
  buttons->addWidget(BitBtnDecode);
  buttons->addStretch(1);
  buttons->addWidget(BitBtnClose);
  layout->addLayout(buttons);
  LabelStatus = new QLabel(this);
  LabelStatus->setObjectName("LabelStatus");
  LabelStatus->setWordWrap(true);
  layout->addWidget(LabelStatus);
  resize(480, 360);
  connect(BitBtnEncode, &QPushButton::clicked, this, &TFormClipboardCoder::BitBtnEncodeClick);
  connect(BitBtnDecode, &QPushButton::clicked, this, &TFormClipboardCoder::BitBtnDecodeClick);
  connect(MemoText, &QPlainTextEdit::textChanged, LabelStatus, &QLabel::clear);
  // Close only hides: memo and password stay until the program ends.
  connect(BitBtnClose, &QPushButton::clicked, this, &QWidget::hide);
}

TFormClipboardCoder::~TFormClipboardCoder() = default;

zk::ITextEncoder* TFormClipboardCoder::Encoder() {
  if (!encoder_ && driver_) {
    encoderStatus_ = driver_->CreateTextEncoder(&encoder_);
    if (encoderStatus_ == 0 && !encoder_) encoderStatus_ = zk::kNullPointer;
    if (encoderStatus_ != 0) zk::ReleaseAndNull(encoder_.p);
  } else if (!driver_) {
    encoderStatus_ = zk::kNotInitialized;
  }
  return encoder_;
}

void TFormClipboardCoder::showEvent(QShowEvent* e) {
  Encoder();
  QDialog::showEvent(e);
}

void TFormClipboardCoder::BringUp(const QFont& font) {
  if (isVisible()) {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    return;
  }
  MemoText->setFont(font);
  showNormal();
  raise();
  activateWindow();
}

void TFormClipboardCoder::BitBtnEncodeClick() {
  LabelStatus->clear();
  zk::ITextEncoder* coder = Encoder();
  if (!coder) {
    ShowToolkitError(this, texts_, encoderStatus_, GetResText(texts_, txt::kCoderEncoding));
    return;
  }
  QByteArray plain = MemoText->toPlainText().toUtf8();
  QByteArray password = LabeledEditPass->text().toUtf8();
  HeldString armoured;
  StatusCode r = coder->EncodeText(plain.constData(), password.constData(), &armoured);
  zk::Wipe(plain.data(), size_t(plain.size()));
  zk::Wipe(password.data(), size_t(password.size()));
  if (!ShowToolkitError(this, texts_, r, GetResText(texts_, txt::kCoderEncoding))) {
    return;
  }
  if (armoured) {
    QApplication::clipboard()->setText(armoured.Text());
    LabelStatus->setText(GetResText(texts_, txt::kCoderEncoded));
  }
}

void TFormClipboardCoder::BitBtnDecodeClick() {
  LabelStatus->clear();
  const QMimeData* data = QApplication::clipboard()->mimeData();
  if (!data || !data->hasText()) {
    CurrentPrompter().Message(this, windowTitle(), GetResText(texts_, txt::kCoderNoText), BoxIcon::kWarning,
                              BoxButtons::kOk);
    return;
  }
  QByteArray armoured = data->text().toUtf8();
  zk::ITextEncoder* coder = Encoder();
  if (!coder) {
    ShowToolkitError(this, texts_, encoderStatus_, GetResText(texts_, txt::kCoderDecoding));
    return;
  }
  QByteArray password = LabeledEditPass->text().toUtf8();
  HeldString plain;
  StatusCode r = coder->DecodeText(armoured.constData(), password.constData(), &plain);
  zk::Wipe(password.data(), size_t(password.size()));
  if (ShowToolkitError(this, texts_, r, GetResText(texts_, txt::kCoderDecoding)) && plain) {
    MemoText->setPlainText(plain.Text());
    LabelStatus->setText(GetResText(texts_, txt::kCoderDecoded));
  }
  if (plain) {
    zk::Wipe(plain, strlen(plain));
  }
}

namespace {
QPointer<TFormClipboardCoder>& TheCoder() {
  static QPointer<TFormClipboardCoder> coder;
  return coder;
}
}  // namespace

void BringUpClipboardCoder(QWidget* mainWindow, const QFont& font) {
  if (!TheCoder()) TheCoder() = new TFormClipboardCoder(ProgramTexts(), ProgramDriver(), mainWindow);
  TheCoder()->BringUp(font);
}

void DestroyClipboardCoder() { delete TheCoder().data(); }

}  // namespace kiv
