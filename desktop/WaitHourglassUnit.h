// The wait window: an hourglass and a line of text, shown application-modal
// while a long engine call runs on the worker thread.
#pragma once
#include <QDialog>
#include <QList>
#include <QPixmap>
#include <functional>

#include "zk5main.h"

class QLabel;
class QTimer;

namespace kiv {

// The hourglass pictures both windows turn through (40 x 50).
const QList<QPixmap>& HourglassFrames();

// The silent switch: no wait or progress window, no cancel.
void SetSilent(bool silent);
bool Silent();

class TFormWait : public QDialog {
  Q_OBJECT
 public:
  TFormWait(const QString& caption, const QString& text, QWidget* parent = nullptr);

  QLabel* StaticTextLabel;
  QLabel* ImageHourglass;
  QTimer* TimerHourglass;

 protected:
  void showEvent(QShowEvent* e) override;
  // The window goes only when the call ends.
  void reject() override {}
  void closeEvent(QCloseEvent* e) override;

 private:
  void TimerHourglassTimer();
  int frame_ = 0;
};

// Runs call on the worker while the wait window shows caption and text.
StatusCode WaitRun(const QString& caption, const QString& text, std::function<StatusCode()> call);

// Hide the shown wait window and show it again (around a message box).
void WaitHide();
void WaitShowAgain();

}  // namespace kiv
