// The progress window and the program's progress object kvIProgressImp,
// which the engine reports to while a long call runs on the worker thread.
#pragma once
#include <QDialog>
#include <QEvent>
#include <QString>
#include <atomic>
#include <functional>

#include "zk5Arc.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kiv {

inline constexpr char kProgressClassId[] = "kiv.kvIProgressImp";

// The program's own toolkit object: one table of operations serves both
// std.IBase and arc.IProgress. Made with a count of 1, one per command.
class kvIProgressImp final : public zk::IProgress {
 public:
  static kvIProgressImp* Create() { return new kvIProgressImp(); }

  StatusCode QueryInterface(const char* id, void** out) override;
  int32_t AddRef() override;
  int32_t Release() override;
  int32_t GetRefCount() override;
  const char* GetClassId() override;
  // Called on the worker thread: stores the percentage, shows it, and
  // answers -5 once Cancel was pressed (always 0 when silent).
  StatusCode OnProgress(int32_t percent) override;

 private:
  kvIProgressImp() = default;
  ~kvIProgressImp() = default;
  std::atomic<int32_t> count_{1};
};

class TFormProgress : public QDialog {
  Q_OBJECT
 public:
  explicit TFormProgress(QWidget* parent = nullptr);
  ~TFormProgress() override;

  QPushButton* SpeedButtonCancel;
  QLineEdit* EditProgressLabel;
  QProgressBar* ProgressBarWork;
  QLabel* ImageHourglass;
  QTimer* TimerHourglass;

  // The update message: title, text and percentage copied again.
  static QEvent::Type UpdateEvent();

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void reject() override;  // Escape: as Cancel
  void closeEvent(QCloseEvent* e) override;

 private:
  void CopyState();
  void SpeedButtonCancelClick();
  void TimerHourglassTimer();
  int frame_ = 0;
};

// Runs call on the worker while the progress window shows title and text,
// from 0 %. The cancel flag is cleared first.
StatusCode ProgressRun(const QString& title, const QString& text, std::function<StatusCode()> call);

// From any thread: new title, text and percentage, or a new percentage.
void ProgressUpdate(const QString& title, const QString& text, int32_t percent);
void ProgressPercentage(int32_t percent);
bool ProgressCancelled();
int32_t ProgressPercent();
// The shown progress window (null when none), GUI thread only.
TFormProgress* ShownProgressWindow();

// Hide the shown progress window and show it again (around a message box).
void ProgressHide();
void ProgressShowAgain();

}  // namespace kiv
