// The small dialogs around keys: a new password typed twice with its
// quality gauge (TFormNewPassword), a key file's password (TFormInputPass),
// the owner and size of a new key pair (TFormRSAKeyParam) and the owner of
// an OpenPGP key before import (TFormPgpKeyInfo). Each is run by one
// function that creates, shows, reads back and frees it.
#pragma once
#include <QDialog>
#include <QString>
#include <string>

#include "ToolkitObject.h"
#include "kvSafeDriver.h"
#include "zk5Cipher.h"
#include "zk5script.h"

class QComboBox;
class QHBoxLayout;
class QFrame;
class QLabel;
class QLineEdit;
class QHBoxLayout;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace kiv {

// Owner names are at most 32 bytes of UTF-8 (their fields hold 33).
inline constexpr int kOwnerNameMaxBytes = 32;

// Copies text into a 33-byte owner field, cut at a whole character within
// 32 bytes, zero-filled.
void SetOwnerField(char (&field)[33], const QString& text);
QString OwnerField(const char (&field)[33]);
// name, a blank, second name, ", ", country, ", ", city.
QString OwnerCaption(const zk::KeyOwner& owner);
// Name and second name; country and city. Empty fields are left out.
QString OwnerPersonName(const zk::KeyOwner& owner);
QString OwnerPlace(const zk::KeyOwner& owner);

// A file dialog filter written "Name|*.ext|Name|*.ext" in Qt's form
// "Name (*.ext);;Name (*.ext)".
QString QtFilter(const QString& filter);

// An edit with a button at its right.
QHBoxLayout* WithButton(QWidget* edit, QWidget* button);

// The "..." button beside a password edit that opens the password generator.
QToolButton* MakeGeneratorButton(zk::ITextRes* texts, QWidget* parent);

// The quality gauge of every new password: a row under parent of the
// colour panel ("PanelGauge"), the bar ("ProgressBarQuality") and the
// percentage ("LabelPersent"). Once started, its own crypto.IPassword rates
// the edit's text at once and on every change; when the password object
// cannot be made the program ends with -2 after its message.
class PasswordGauge : public QObject {
 public:
  PasswordGauge(QLineEdit* edit, QWidget* parent);
  void Start();
  void Update();

  QHBoxLayout* Row;
  QFrame* Panel;
  QProgressBar* Bar;
  QLabel* Percent;

 private:
  QLineEdit* edit_;
  zk::Held<zk::IPassword> quality_;
};

class TFormNewPassword : public QDialog {
  Q_OBJECT
 public:
  TFormNewPassword(const QString& title, zk::ITextRes* texts, QWidget* owner = nullptr);
  ~TFormNewPassword() override;

  QLabel* LabelQuality;
  QFrame* PanelGauge;
  QProgressBar* ProgressBarQuality;
  QLabel* LabelPersent;
  QLineEdit* LabeledEditPass;
  QLineEdit* LabeledEditConfirm;
  QToolButton* sbGenPass;
  QPushButton* BitBtnAccept;
  QPushButton* BitBtnCancel;

  void BitBtnAcceptClick();
  const std::string& Password() const { return password_; }

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  zk::ITextRes* texts_;
  PasswordGauge* gauge_ = nullptr;
  std::string password_;
};

// True with the password (UTF-8) when the user accepted.
bool RunNewPassword(QWidget* owner, const QString& title, zk::ITextRes* texts,
                    std::string& password);

class TFormInputPass : public QDialog {
  Q_OBJECT
 public:
  explicit TFormInputPass(const QString& title, QWidget* owner = nullptr);
  QLineEdit* LabeledEditPass;
  QToolButton* sbGenPass;
  QPushButton* BitBtnApply;
  QPushButton* BitBtnCancel;
};

// Texts come from the program-wide text resource.
bool RunInputPass(QWidget* owner, const QString& title, std::string& password);

class TFormRSAKeyParam : public QDialog {
  Q_OBJECT
 public:
  explicit TFormRSAKeyParam(zk::ITextRes* texts, QWidget* owner = nullptr);
  // Shows the dialog; when accepted fills the name block and the size.
  bool Run(zk::KeyOwner& owner, int32_t& bits);
  // The size chosen in the list: 512, 1024, 2048 or 4096.
  int32_t Bits() const;
  void ReadOwner(zk::KeyOwner& owner) const;

  QLineEdit* LabeledEditName;
  QLineEdit* LabeledEditForname;
  QLineEdit* LabeledEditCountry;
  QLineEdit* LabeledEditCity;
  QLabel* LabelBits;
  QComboBox* ComboBoxBits;
  QPushButton* BitBtnAccept;
  QPushButton* BitBtnCancel;
};

class TFormPgpKeyInfo : public QDialog {
  Q_OBJECT
 public:
  TFormPgpKeyInfo(zk::ITextRes* texts, bool isPrivate, int32_t bits,
                  const zk::PgpCalendarTime& created, const QString& userId,
                  QWidget* owner = nullptr);
  // The four name edits into the block; the password (empty for a public
  // key).
  void Read(zk::KeyOwner& owner, std::string& password) const;

  QLabel* LabelKeyType;
  QLineEdit* LabeledEditKeyBits;
  QLineEdit* LabeledEditCreateTime;
  QLineEdit* EditUserId;
  QLineEdit* LabeledEditName;
  QLineEdit* LabeledEditForname;
  QLineEdit* LabeledEditCountry;
  QLineEdit* LabeledEditCity;
  QLabel* LabelText;
  QLabel* LabelPassPrompt;
  QLineEdit* EditPasswd;
  QToolButton* sbGenPass;
  QPushButton* BitBtnAccept;
  QPushButton* BitBtnCancel;

 private:
  bool isPrivate_;
};

bool RunPgpKeyInfo(QWidget* parent, zk::ITextRes* texts, bool isPrivate, int32_t bits,
                   const zk::PgpCalendarTime& created, const QString& userId,
                   zk::KeyOwner& owner, std::string& password);

}  // namespace kiv
