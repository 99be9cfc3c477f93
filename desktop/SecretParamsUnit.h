// TFormSecretParams: the protection of a new secret, a password (with its
// quality gauge) or an RSA key of the key storage, and hash and cipher.
#pragma once
#include <string>

#include "desktop/WizardPageUnit.h"
#include "kvSafeDriver.h"
#include "zk5Cipher.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QRadioButton;
class QStackedWidget;
class QToolButton;

namespace kiv {

class PasswordGauge;

class TFormSecretParams : public TWizardPage {
  Q_OBJECT
 public:
  TFormSecretParams(zk::ITextRes* texts, zk::ISafeDriverApp* driver, zk::IKeysCtrl* keys,
                    int32_t hash, int32_t cipher, uint64_t capacity, QWidget* owner = nullptr);
  ~TFormSecretParams() override;

  // Returned.
  bool symmetric = true;
  int32_t hash, cipher;
  std::string password;  // UTF-8, symmetric only
  int32_t keyList = -1, keyIndex = -1;
  zk::IKeysCtrl* keys;   // the key storage once opened (the caller owns it)

  QListWidget* ListViewIcons;
  QStackedWidget* PageControlParams;
  QRadioButton* RadioButtonSymPass;
  QRadioButton* RadioButtonRSAPass;
  QLineEdit* EditPasswd;
  QLineEdit* EditPassConfirm;
  QProgressBar* ProgressBarQuality;
  QFrame* PanelGauge;
  QLabel* LabelPersent;
  QPushButton* BitBtnRSAKey;
  QLineEdit* EditKeyNameRSA;
  QLabel* ImageKeyType;
  QToolButton* sbGenPass;
  QLabel* LabelCapasity;
  QLabel* LabelCapNumber;
  QComboBox* ComboBoxHash;
  QComboBox* ComboBoxCipher;

 protected:
  bool AcceptNext() override;

 private:
  void SymMode();
  void RSAMode();
  void ChooseKey();
  zk::ISafeDriverApp* driver_;
  PasswordGauge* gauge_;
};

}  // namespace kiv
