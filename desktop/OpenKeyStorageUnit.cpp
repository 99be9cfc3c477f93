#include "desktop/OpenKeyStorageUnit.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "desktop/CommonUnit.h"
#include "desktop/KeyDialogsUnit.h"
#include "desktop/TextIds.h"

namespace kiv {

TFormOpenKeyStorage::TFormOpenKeyStorage(zk::ITextRes* texts, QWidget* owner) : QDialog(owner) {
  setObjectName("FormOpenKeyStorage");
  setWindowTitle(GetResText(texts, txt::kOpenKeyStorage));
  auto* layout = new QVBoxLayout(this);
  LabelQuery = new QLabel(GetResText(texts, txt::kKeyStorageQuery), this);
  LabelQuery->setWordWrap(true);
  layout->addWidget(LabelQuery);
  auto* form = new QFormLayout;
  LabeledEditPasswd = new QLineEdit(this);
  LabeledEditPasswd->setObjectName("LabeledEditPasswd");
  MakePasswordEdit(LabeledEditPasswd);
  sbGenPass = MakeGeneratorButton(texts, this);
  auto* row = new QHBoxLayout;
  row->addWidget(LabeledEditPasswd, 1);
  row->addWidget(sbGenPass);
  form->addRow(GetResText(texts, txt::kPassword), row);
  layout->addLayout(form);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  BitBtnApply = new QPushButton(GetResText(texts, txt::kApply), this);
  BitBtnApply->setObjectName("BitBtnApply");
  BitBtnCancel = new QPushButton(GetResText(texts, txt::kCancel), this);
  BitBtnCancel->setObjectName("BitBtnCancel");
  BitBtnApply->setDefault(true);
  buttons->addWidget(BitBtnApply);
  buttons->addWidget(BitBtnCancel);
  layout->addLayout(buttons);
  connect(LabeledEditPasswd, &QLineEdit::returnPressed, this, &QDialog::accept);
  connect(BitBtnApply, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TFormOpenKeyStorage::Run(std::string& password) {
  if (exec() != QDialog::Accepted) return false;
  password = TakeUtf8(LabeledEditPasswd->text());
  return true;
}

}  // namespace kiv
