#include "desktop/InputStringUnit.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "desktop/CommonUnit.h"
#include "desktop/ModalRun.h"
#include "desktop/TextIds.h"

namespace kiv {

namespace {
QHBoxLayout* ApplyCancelRow(QPushButton* apply, QPushButton* cancel) {
  apply->setObjectName("BitBtnApply");
  cancel->setObjectName("BitBtnCancel");
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(apply);
  row->addWidget(cancel);
  return row;
}
}  // namespace

TFormInputString::TFormInputString(const QString& text, const QString& title,
                                   const QString& cancel, const QString& apply, QWidget* owner)
    : QDialog(owner) {
  setObjectName("FormInputString");
  setWindowTitle(title);
  EditText = new QLineEdit(text, this);
  EditText->setObjectName("EditText");
  BitBtnApply = new QPushButton(apply, this);
  BitBtnCancel = new QPushButton(cancel, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(EditText);
  layout->addLayout(ApplyCancelRow(BitBtnApply, BitBtnCancel));
  resize(360, 90);
  connect(BitBtnApply, &QPushButton::clicked, this, &QDialog::accept);
  connect(EditText, &QLineEdit::returnPressed, this, &QDialog::accept);
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool InputString(QWidget* owner, QString& text, const QString& title, const QString& cancel,
                 const QString& apply) {
  TFormInputString dialog(text, title, cancel, apply, owner);
  if (RunModal(&dialog) != QDialog::Accepted) return false;
  text = dialog.EditText->text();
  return true;
}

TFormSelectDir::TFormSelectDir(zk::ITextRes* texts, QWidget* owner) : QDialog(owner) {
  setObjectName("FormSelectDir");
  setWindowTitle(GetResText(texts, txt::kSelectFolder));
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setRootPath(QString());
  MainShellComboBox = new QLineEdit(QDir::homePath(), this);
  MainShellComboBox->setObjectName("MainShellComboBox");
  MainShellTreeView = new QTreeView(this);
  MainShellTreeView->setObjectName("MainShellTreeView");
  MainShellTreeView->setModel(model_);
  for (int c = 1; c < model_->columnCount(); ++c) MainShellTreeView->hideColumn(c);
  MainShellTreeView->header()->hide();
  MainShellTreeView->setCurrentIndex(model_->index(QDir::homePath()));
  BitBtnApply = new QPushButton(GetResText(texts, txt::kApply), this);
  BitBtnCancel = new QPushButton(GetResText(texts, txt::kCancel), this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MainShellComboBox);
  layout->addWidget(MainShellTreeView, 1);
  layout->addLayout(ApplyCancelRow(BitBtnApply, BitBtnCancel));
  resize(400, 420);
  connect(MainShellTreeView, &QTreeView::clicked, this,
          [this](const QModelIndex& i) { MainShellComboBox->setText(model_->filePath(i)); });
  connect(MainShellComboBox, &QLineEdit::editingFinished, this, &TFormSelectDir::ShowBoxPath);
  connect(BitBtnApply, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

// The path box loses its focus while the dialog's children are taken down;
// its editingFinished must not reach a dialog that is no longer whole.
TFormSelectDir::~TFormSelectDir() { disconnect(MainShellComboBox, nullptr, this, nullptr); }

void TFormSelectDir::ShowBoxPath() {
  const QModelIndex i = model_->index(MainShellComboBox->text());
  if (!i.isValid()) return;
  for (QModelIndex p = i.parent(); p.isValid(); p = p.parent()) MainShellTreeView->expand(p);
  MainShellTreeView->setCurrentIndex(i);
  MainShellTreeView->scrollTo(i, QAbstractItemView::PositionAtCenter);
}

void TFormSelectDir::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  ShowBoxPath();
}

bool SelectDirectory(QWidget* owner, zk::ITextRes* texts, QString& path) {
  TFormSelectDir dialog(texts, owner);
  if (RunModal(&dialog) != QDialog::Accepted) {
    path.clear();
    return false;
  }
  path = dialog.MainShellComboBox->text();
  return true;
}

}  // namespace kiv
