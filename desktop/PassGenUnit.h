// TFormPasswdGen: the modeless password generator, a fixed password from a
// source phrase and a random one; reached from the tools menu and from the
// button beside every password edit.
#pragma once
#include <QDialog>

#include "ToolkitObject.h"
#include "zk5Cipher.h"
#include "zk5script.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QToolButton;

namespace kiv {

inline constexpr int kGeneratedMax = 56;

// The size edit's text read as an unsigned number: above 56 is 56, 0 and
// anything not a number is 1.
int ClampPasswordSize(const QString& text);

class TFormPasswdGen : public QDialog {
  Q_OBJECT
 public:
  TFormPasswdGen(zk::ITextRes* texts, zk::IAppParam* params, QWidget* owner = nullptr);
  ~TFormPasswdGen() override;

  QListWidget* ListViewIcons;
  QStackedWidget* PageControlMain;
  QLineEdit* LabeledEditSrcPhrase;
  QSpinBox* UpDownSizePass;  // the size edit and its up-down in one
  QLineEdit* LabeledEditPasswd;
  QPushButton* BitBtnGenerate;
  QToolButton* sbCopyToClipBoard;
  QSpinBox* UpDownRandSizePass;
  QLineEdit* LabeledEditRandomPass;
  QPushButton* BitBtnGeneRand;
  QToolButton* sbCopyRandPass;
  QPushButton* BitBtnClose;

  void BitBtnGenerateClick();
  void BitBtnGeneRandClick();
  void BitBtnCloseClick();

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;

 private:
  zk::ITextRes* texts_;
  zk::IAppParam* params_;
  zk::Held<zk::IPassword> generator_;
};

// The program's one generator window (made on first use with the
// program's texts and parameters); brought up: focused when shown, else
// shown and restored.
TFormPasswdGen* PasswordGenerator();
void BringUpPasswordGenerator();
// Makes a password field's generator button bring up the generator.
void WirePasswordGeneratorButton(QToolButton* button);
// Makes every password dialog's generator button open this window.
void InstallPasswordGenerator();

}  // namespace kiv
