// Detached signatures of files with the key pairs of the key storage:
// TFormSignCreate "Create signature" and TFormCheckSign "Check signature".
#pragma once
#include <QDialog>
#include <QString>

#include "ToolkitObject.h"
#include "kvSafeDriver.h"
#include "zk5script.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;

namespace kiv {

// The signature file proposed for a file: the same folder, the name up to
// its first "." (the whole name when it has none or starts with one) and
// ".kvg".
QString ProposeSignatureName(const QString& filePath);

// "MD5", "SHA", "SHA 256", GOST (txt::kGostHash) for hash codes 1-4.
QString HashName(zk::ITextRes* texts, int32_t hashCode);

class TFormSignCreate : public QDialog {
  Q_OBJECT
 public:
  TFormSignCreate(zk::ITextRes* texts, zk::IKeysCtrl* keys, QWidget* owner = nullptr);

  void SpeedButtonFileSelectClick();
  void SpeedButtonSignFileClick();
  void BitBtnCreateClick();

  QLineEdit* LabeledEditFile;
  QLineEdit* LabeledEditFileSign;
  QToolButton* SpeedButtonFileSelect;
  QToolButton* SpeedButtonSignFile;
  QLabel* LabelKey;
  QLabel* LabelHash;
  QComboBox* ComboBoxPrivKeys;
  QComboBox* ComboBoxHash;
  QPushButton* BitBtnCreate;
  QPushButton* BitBtnClose;

 private:
  zk::ITextRes* texts_;
  zk::IKeysCtrl* keys_;
};

class TFormCheckSign : public QDialog {
  Q_OBJECT
 public:
  TFormCheckSign(zk::ITextRes* texts, zk::IKeysCtrl* keys, QWidget* owner = nullptr);
  ~TFormCheckSign() override;

  // What the window does when it shows: asks for the signature file and
  // reads it. False when the window is to close at once.
  bool Start();
  void BitBtnCheckClick();
  const QString& SignaturePath() const { return signaturePath_; }

  QTreeWidget* ListViewSign;
  QPushButton* BitBtnCheck;
  QPushButton* BitBtnClose;

 private:
  void AddRow(const QString& caption, const QString& value);
  zk::ITextRes* texts_;
  zk::IKeysCtrl* keys_;
  zk::Held<zk::IKeySign> sign_;
  QString signaturePath_;
  QString signedName_;
};

// The main window's commands (after OpenKeyStorage).
void ShowSignCreateWindow(QWidget* owner, zk::ITextRes* texts, zk::IKeysCtrl* keys);
void ShowCheckSignWindow(QWidget* owner, zk::ITextRes* texts, zk::IKeysCtrl* keys);

}  // namespace kiv
