// TFormOpenKeyStorage "Open Key Storage": the password of the existing key
// storage.
#pragma once
#include <QDialog>
#include <string>

#include "zk5script.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace kiv {

class TFormOpenKeyStorage : public QDialog {
  Q_OBJECT
 public:
  TFormOpenKeyStorage(zk::ITextRes* texts, QWidget* owner = nullptr);
  // Shows the dialog; true with the password (UTF-8) when accepted.
  bool Run(std::string& password);

  QLabel* LabelQuery;
  QLineEdit* LabeledEditPasswd;
  QToolButton* sbGenPass;
  QPushButton* BitBtnApply;
  QPushButton* BitBtnCancel;
};

}  // namespace kiv
