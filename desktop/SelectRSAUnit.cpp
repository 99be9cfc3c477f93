#include "desktop/SelectRSAUnit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "desktop/CommonUnit.h"
#include "desktop/ModalRun.h"
#include "desktop/TextIds.h"
#include "desktop/ToolTextIds.h"
#include "desktop/WizardTextIds.h"

namespace kiv {

namespace {
QString Field(const char (&f)[33]) { return QString::fromUtf8(f, int(qstrnlen(f, 33))); }
}  // namespace

QString KeyRowCaption(const zk::KeyOwner& o) {
  return Field(o.name) + " " + Field(o.secondName) + ", " + Field(o.country) + ", " + Field(o.city);
}

TFormSelectRSA::TFormSelectRSA(zk::ITextRes* texts, zk::IKeysCtrl* keys, QWidget* owner)
    : QDialog(owner) {
  setObjectName("FormSelectRSA");
  setWindowTitle(GetResText(texts, txt::kSelectRsaKeyCaption));
  ListViewKeys = new QTreeWidget(this);
  ListViewKeys->setObjectName("ListViewKeys");
  ListViewKeys->setRootIsDecorated(false);
  ListViewKeys->setHeaderLabels({GetResText(texts, txt::kKeyColumnName), GetResText(texts, txt::kKeyBits)});
  ListViewKeys->installEventFilter(this);
  BitBtnCancel = new QPushButton(GetResText(texts, txt::kCancel), this);
  BitBtnCancel->setObjectName("BitBtnCancel");
  BitBtnAccept = new QPushButton(GetResText(texts, txt::kApply), this);
  BitBtnAccept->setObjectName("BitBtnAccept");
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(BitBtnAccept);
  row->addWidget(BitBtnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ListViewKeys, 1);
  layout->addLayout(row);
  resize(480, 300);
  connect(BitBtnAccept, &QPushButton::clicked, this, &TFormSelectRSA::Accept);
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(ListViewKeys, &QTreeWidget::itemDoubleClicked, this, [this] { Accept(); });
  if (!keys) return;
  const QIcon pairIcon = style()->standardIcon(QStyle::SP_DialogApplyButton);
  const QIcon publicIcon = style()->standardIcon(QStyle::SP_FileLinkIcon);
  auto add = [&](const zk::KeyInfo& info, int image) {
    auto* item = new QTreeWidgetItem({KeyRowCaption(info.owner), FormatGroupedNumber(info.bits)});
    item->setData(0, Qt::UserRole, image);
    item->setIcon(0, image ? pairIcon : publicIcon);
    ListViewKeys->addTopLevelItem(item);
  };
  pairs_ = keys->GetPrivateKeyCount();
  for (uint32_t i = 0; i < pairs_; ++i) {
    zk::KeyInfo info{};
    keys->GetPrivateKeyInfo(i, &info);
    add(info, 1);
  }
  const uint32_t publics = keys->GetPublicKeyCount();
  for (uint32_t i = 0; i < publics; ++i) {
    zk::KeyInfo info{};
    keys->GetPublicKeyInfo(i, &info);
    add(info, 0);
  }
  ListViewKeys->header()->setSectionResizeMode(0, QHeaderView::Stretch);
}

bool TFormSelectRSA::eventFilter(QObject* o, QEvent* e) {
  if (o == ListViewKeys && e->type() == QEvent::KeyRelease) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) Accept();
  }
  return QDialog::eventFilter(o, e);
}

void TFormSelectRSA::Accept() {
  QTreeWidgetItem* item = ListViewKeys->currentItem();
  if (!item || !item->isSelected()) return;
  const int row = ListViewKeys->indexOfTopLevelItem(item);
  keyList = item->data(0, Qt::UserRole).toInt();
  keyIndex = keyList == 1 ? row : row - int32_t(pairs_);
  caption = item->text(0);
  accepted = true;
  accept();
}

bool SelectRSAKey(QWidget* owner, zk::ITextRes* texts, zk::IKeysCtrl* keys, int32_t& keyList,
                  int32_t& keyIndex, QString& caption) {
  TFormSelectRSA dialog(texts, keys, owner);
  RunModal(&dialog);
  if (!dialog.accepted) return false;
  keyList = dialog.keyList;
  keyIndex = dialog.keyIndex;
  caption = dialog.caption;
  return true;
}

}  // namespace kiv
