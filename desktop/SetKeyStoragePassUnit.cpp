#include "desktop/SetKeyStoragePassUnit.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "Wipe.h"
#include "desktop/CommonUnit.h"
#include "desktop/KeyDialogsUnit.h"
#include "desktop/Prompter.h"
#include "desktop/TextIds.h"
#include "desktop/zk5Base.hpp"

namespace kiv {

TFormSetKeyStoragePass::TFormSetKeyStoragePass(zk::ITextRes* texts, QWidget* owner)
    : QDialog(owner), texts_(texts) {
  setObjectName("FormSetKeyStoragePass");
  setWindowTitle(GetResText(texts, txt::kSetKeyStoragePassword));
  auto* layout = new QVBoxLayout(this);
  MemoComment = new QLabel(GetResText(texts, txt::kKeyStorageNote), this);
  MemoComment->setObjectName("MemoComment");
  MemoComment->setWordWrap(true);
  MemoComment->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(MemoComment);

  auto* form = new QFormLayout;
  LabeledEditPasswd = new QLineEdit(this);
  LabeledEditPasswd->setObjectName("LabeledEditPasswd");
  MakePasswordEdit(LabeledEditPasswd);
  sbGenPass = MakeGeneratorButton(texts, this);
  auto* row = new QHBoxLayout;
  row->addWidget(LabeledEditPasswd, 1);
  row->addWidget(sbGenPass);
  form->addRow(GetResText(texts, txt::kPassword), row);
  LabeledEditConfirm = new QLineEdit(this);
  LabeledEditConfirm->setObjectName("LabeledEditConfirm");
  MakePasswordEdit(LabeledEditConfirm);
  form->addRow(GetResText(texts, txt::kConfirm), LabeledEditConfirm);

  LabelQuality = new QLabel(GetResText(texts, txt::kQuality), this);
  gauge_ = new PasswordGauge(LabeledEditPasswd, this);
  PanelGauge = gauge_->Panel;
  ProgressBarQuality = gauge_->Bar;
  LabelPerSent = gauge_->Percent;
  form->addRow(LabelQuality, gauge_->Row);
  layout->addLayout(form);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  BitBtnApply = new QPushButton(GetResText(texts, txt::kApply), this);
  BitBtnApply->setObjectName("BitBtnApply");
  BitBtnCancel = new QPushButton(GetResText(texts, txt::kCancel), this);
  BitBtnCancel->setObjectName("BitBtnCancel");
  buttons->addWidget(BitBtnApply);
  buttons->addWidget(BitBtnCancel);
  layout->addLayout(buttons);

  BitBtnApply->setAutoDefault(false);
  BitBtnCancel->setAutoDefault(false);
  connect(LabeledEditConfirm, &QLineEdit::returnPressed, this, &TFormSetKeyStoragePass::BitBtnApplyClick);
  connect(BitBtnApply, &QPushButton::clicked, this, &TFormSetKeyStoragePass::BitBtnApplyClick);
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
  gauge_->Start();
  // Wide enough for its title and a comfortable line of the explanation.
  FitTitleAndLine(this, 60);
}

TFormSetKeyStoragePass::~TFormSetKeyStoragePass() {
  zk::Wipe(password_.data(), password_.size());
}

void TFormSetKeyStoragePass::BitBtnApplyClick() {
  if (!NewPasswordsAgree(this, texts_, LabeledEditPasswd, LabeledEditConfirm)) return;
  // The engine refuses an empty key storage password: say so here.
  if (LabeledEditPasswd->text().isEmpty()) {
    CurrentPrompter().Message(this, windowTitle(), GetResText(texts_, txt::kEmptyPassword),
                              BoxIcon::kError, BoxButtons::kOk);
    return;
  }
  zk::Wipe(password_.data(), password_.size());
  password_ = TakeUtf8(LabeledEditPasswd->text());
  accept();
}

bool TFormSetKeyStoragePass::Run(std::string& password) {
  if (exec() != QDialog::Accepted) return false;
  password = password_;
  return true;
}

}  // namespace kiv
