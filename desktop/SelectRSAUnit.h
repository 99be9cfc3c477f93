// TFormSelectRSA "Select RSA key": one key of the key storage, key pairs
// first (image 1), then public keys (image 0).
#pragma once
#include <QDialog>
#include <QString>

#include "kvSafeDriver.h"
#include "zk5script.h"

class QTreeWidget;
class QPushButton;

namespace kiv {

// A key's row caption: name second, country, city.
QString KeyRowCaption(const zk::KeyOwner& owner);

class TFormSelectRSA : public QDialog {
  Q_OBJECT
 public:
  TFormSelectRSA(zk::ITextRes* texts, zk::IKeysCtrl* keys, QWidget* owner = nullptr);
  QTreeWidget* ListViewKeys;
  QPushButton* BitBtnAccept;
  QPushButton* BitBtnCancel;
  bool accepted = false;
  int32_t keyList = -1;   // 1 key pair, 0 public key
  int32_t keyIndex = -1;  // within that list
  QString caption;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void Accept();
  uint32_t pairs_ = 0;
};

// Runs the dialog; true with the choice when a key was accepted.
bool SelectRSAKey(QWidget* owner, zk::ITextRes* texts, zk::IKeysCtrl* keys, int32_t& keyList,
                  int32_t& keyIndex, QString& caption);

}  // namespace kiv
