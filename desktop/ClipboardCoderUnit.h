// TFormClipboardCoder "Clipboard coder": a tool window that encrypts the
// text of its memo under a password onto the clipboard as printable text,
// and decrypts such text from the clipboard back into the memo, through the
// engine's text encoder.
#pragma once
#include <QDialog>

#include "ToolkitObject.h"
#include "kvSafeDriver.h"
#include "zk5script.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace kiv {

class TFormClipboardCoder : public QDialog {
  Q_OBJECT
 public:
  // driver and texts are not owned; the text encoder is made on the first
  // show and kept until the window goes.
  TFormClipboardCoder(zk::ITextRes* texts, zk::ISafeDriverApp* driver, QWidget* owner = nullptr);
  ~TFormClipboardCoder() override;

  // Shows the window (restored, with the font) or gives it the focus.
  void BringUp(const QFont& font);
  void BitBtnEncodeClick();
  void BitBtnDecodeClick();

  QPlainTextEdit* MemoText;
  QLineEdit* LabeledEditPass;
  QToolButton* sbGenPass;
  QPushButton* BitBtnEncode;
  QPushButton* BitBtnDecode;
  QPushButton* BitBtnClose;
  // What the last Encode or Decode did; cleared when the memo changes.
  QLabel* LabelStatus;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  // The encoder, made when first needed; null with the status kept.
  zk::ITextEncoder* Encoder();
  zk::ITextRes* texts_;
  zk::ISafeDriverApp* driver_;
  zk::Held<zk::ITextEncoder> encoder_;
  StatusCode encoderStatus_ = 0;
};

// The program's one clipboard coder, made on the first call over the
// program-wide driver and texts; brought up with the main window's font.
void BringUpClipboardCoder(QWidget* mainWindow, const QFont& font);
// Destroys it (at the end of the program).
void DestroyClipboardCoder();

}  // namespace kiv
