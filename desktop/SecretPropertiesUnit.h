// TFormSecretProperties: the open secret's properties as GetProperties
// reports them.
#pragma once
#include <QDialog>
#include <QString>
#include <utility>
#include <vector>

#include "kvSafeDriver.h"
#include "zk5script.h"

class QTreeWidget;
class QPushButton;

namespace kiv {

// The rows shown: (caption, value).
std::vector<std::pair<QString, QString>> SecretPropertyRows(zk::ITextRes* texts,
                                                            const QString& path,
                                                            const zk::SecretProperties& p);
QString CipherName(zk::ITextRes* texts, uint32_t cipher);
QString HashName(zk::ITextRes* texts, uint32_t hash);

class TFormSecretProperties : public QDialog {
  Q_OBJECT
 public:
  TFormSecretProperties(zk::ITextRes* texts, const QString& path, const zk::SecretProperties& p,
                        QWidget* owner = nullptr);
  QTreeWidget* ListViewProps;
  QPushButton* BitBtnClose;
};

// The layout both properties dialogs share: a two-column report list
// ListViewProps over a BitBtnClose (text 6) that closes the dialog.
void BuildPropertyList(QDialog* dialog, zk::ITextRes* texts, QTreeWidget*& list,
                       QPushButton*& close);

}  // namespace kiv
