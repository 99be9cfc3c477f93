#include "desktop/SecretPropertiesUnit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "desktop/CommonUnit.h"
#include "desktop/TextIds.h"
#include "desktop/ToolTextIds.h"
#include "desktop/WizardTextIds.h"

namespace kiv {

namespace {
QString Field(const char (&f)[33]) { return QString::fromUtf8(f, int(qstrnlen(f, 33))); }
}  // namespace

QString CipherName(zk::ITextRes* texts, uint32_t cipher) {
  static const char* const kNames[] = {"Blowfish", "IDEA", "RC5", "AES32", nullptr, "3Way",
                                       "CAST5-128"};
  if (cipher == 5) return GetResText(texts, txt::kGostCipher);
  if (cipher >= 1 && cipher <= 7) return QString::fromLatin1(kNames[cipher - 1]);
  return QString();
}

QString HashName(zk::ITextRes* texts, uint32_t hash) {
  static const char* const kNames[] = {"MD5", "SHA", "SHA 256"};
  if (hash == 4) return GetResText(texts, txt::kGostHash);
  if (hash >= 1 && hash <= 3) return QString::fromLatin1(kNames[hash - 1]);
  return QString();
}

std::vector<std::pair<QString, QString>> SecretPropertyRows(zk::ITextRes* texts,
                                                            const QString& path,
                                                            const zk::SecretProperties& p) {
  const bool rsa = (p.flags & 1) != 0;
  std::vector<std::pair<QString, QString>> rows = {
      {GetResText(texts, txt::kPropFile), path},
      {GetResText(texts, txt::kPropFileSize), FormatGroupedNumber(int64_t(p.mediumSize))},
      {GetResText(texts, txt::kPropCapacity), FormatGroupedNumber(int64_t(p.capacity))},
      {GetResText(texts, txt::kPropContentSize), FormatGroupedNumber(int64_t(p.contentSize))},
      {GetResText(texts, txt::kPropCreated), FormatTmDateTime(texts, p.created)},
      {GetResText(texts, txt::kPropModified), FormatTmDateTime(texts, p.modified)},
      {GetResText(texts, txt::kPropCipher), (rsa ? QString("RSA + ") : QString()) + CipherName(texts, p.cipherIndex)},
      {GetResText(texts, txt::kHashLabel), HashName(texts, p.hashIndex)},
  };
  if (rsa) {
    const zk::KeyOwner& o = p.key.owner;
    rows.push_back({GetResText(texts, txt::kPropRsaKey), Field(o.name) + " " + Field(o.secondName)});
    rows.push_back({QString(), Field(o.country) + ", " + Field(o.city)});
    rows.push_back({QString(), GetResText(texts, p.keyListFlag ? txt::kPropKeyInStorage : txt::kPropKeyNotInStorage)});
  }
  return rows;
}

TFormSecretProperties::TFormSecretProperties(zk::ITextRes* texts, const QString& path,
                                             const zk::SecretProperties& p, QWidget* owner)
    : QDialog(owner) {
  setObjectName("FormSecretProperties");
  setWindowTitle(GetResText(texts, txt::kSecretPropsCaption));
  BuildPropertyList(this, texts, ListViewProps, BitBtnClose);
  for (const auto& [caption, value] : SecretPropertyRows(texts, path, p))
    ListViewProps->addTopLevelItem(new QTreeWidgetItem({caption, value}));
  resize(520, 320);
}

void BuildPropertyList(QDialog* dialog, zk::ITextRes* texts, QTreeWidget*& list,
                       QPushButton*& close) {
  list = new QTreeWidget(dialog);
  list->setObjectName("ListViewProps");
  list->setRootIsDecorated(false);
  list->setColumnCount(2);
  list->setHeaderHidden(true);
  list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  close = new QPushButton(GetResText(texts, txt::kClose), dialog);
  close->setObjectName("BitBtnClose");
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(close);
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(list, 1);
  layout->addLayout(row);
  QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::accept);
}

}  // namespace kiv
