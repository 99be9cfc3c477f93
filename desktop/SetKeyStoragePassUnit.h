// TFormSetKeyStoragePass "Set key storage password": the password of a new
// key storage, typed twice, with the quality gauge.
#pragma once
#include <QDialog>
#include <string>

#include "zk5Cipher.h"
#include "zk5script.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class QFrame;

namespace kiv {

class PasswordGauge;

class TFormSetKeyStoragePass : public QDialog {
  Q_OBJECT
 public:
  TFormSetKeyStoragePass(zk::ITextRes* texts, QWidget* owner = nullptr);
  ~TFormSetKeyStoragePass() override;
  // Shows the dialog; true with the password (UTF-8) when accepted.
  bool Run(std::string& password);

  QLabel* MemoComment;  // the explanation, wrapped to the window's width
  QLabel* LabelQuality;
  QFrame* PanelGauge;
  QProgressBar* ProgressBarQuality;
  QLabel* LabelPerSent;
  QLineEdit* LabeledEditPasswd;
  QLineEdit* LabeledEditConfirm;
  QToolButton* sbGenPass;
  QPushButton* BitBtnApply;
  QPushButton* BitBtnCancel;

 private:
  void BitBtnApplyClick();
  zk::ITextRes* texts_;
  PasswordGauge* gauge_;
  std::string password_;
};

}  // namespace kiv
