#include "desktop/ProgressUnit.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cstring>
#include <mutex>

#include "desktop/CommonUnit.h"
#include "desktop/EngineWorker.h"
#include "desktop/TextIds.h"
#include "desktop/WaitHourglassUnit.h"
#include "zk5Clsid.h"
#include "zk5Status.h"

namespace kiv {

namespace {

// What the progress window shows, written from any thread.
std::mutex g_mutex;
QString g_title;
QString g_text;
TFormProgress* g_window = nullptr;  // guarded by g_mutex
std::atomic<int32_t> g_percent{0};
std::atomic<bool> g_cancel{false};

void PostUpdate() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_window) QCoreApplication::postEvent(g_window, new QEvent(TFormProgress::UpdateEvent()));
}

}  // namespace

// kvIProgressImp

StatusCode kvIProgressImp::QueryInterface(const char* id, void** out) {
  if (out) *out = nullptr;
  if (!id || !out) return zk::kInvalidArg;
  if (std::strcmp(id, zk::id::StdIBase) == 0 || std::strcmp(id, zk::id::ArcIProgress) == 0) {
    *out = static_cast<zk::IProgress*>(this);
    AddRef();
    return zk::kOk;
  }
  return zk::kNotImplemented;
}

int32_t kvIProgressImp::AddRef() { return ++count_; }

int32_t kvIProgressImp::Release() {
  int32_t n = count_.load();
  while (n > 1) {
    if (count_.compare_exchange_weak(n, n - 1)) return n - 1;
  }
  delete this;
  return 0;
}

int32_t kvIProgressImp::GetRefCount() { return count_; }

const char* kvIProgressImp::GetClassId() { return kProgressClassId; }

StatusCode kvIProgressImp::OnProgress(int32_t percent) {
  g_percent = percent;
  if (Silent()) return zk::kOk;
  PostUpdate();
  return g_cancel ? zk::kNegative : zk::kOk;
}

// TFormProgress

QEvent::Type TFormProgress::UpdateEvent() {
  static const QEvent::Type t = QEvent::Type(QEvent::registerEventType());
  return t;
}

TFormProgress::TFormProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint) {
  setObjectName("FormProgress");
  auto* outer = new QHBoxLayout(this);
  ImageHourglass = new QLabel(this);
  ImageHourglass->setObjectName("ImageHourglass");
  ImageHourglass->setFixedSize(40, 50);
  outer->addWidget(ImageHourglass, 0, Qt::AlignTop);
  auto* right = new QVBoxLayout;
  EditProgressLabel = new QLineEdit(this);
  EditProgressLabel->setObjectName("EditProgressLabel");
  EditProgressLabel->setReadOnly(true);
  EditProgressLabel->setFrame(false);
  EditProgressLabel->setMinimumWidth(300);
  ProgressBarWork = new QProgressBar(this);
  ProgressBarWork->setObjectName("ProgressBarWork");
  ProgressBarWork->setRange(0, 100);
  SpeedButtonCancel = new QPushButton(this);
  SpeedButtonCancel->setObjectName("SpeedButtonCancel");
  QString cancel = GetResText(ProgramTexts(), txt::kCancel);
  SpeedButtonCancel->setText(cancel.isEmpty() ? QStringLiteral("Cancel") : cancel);
  right->addWidget(EditProgressLabel);
  right->addWidget(ProgressBarWork);
  right->addWidget(SpeedButtonCancel, 0, Qt::AlignRight);
  outer->addLayout(right, 1);
  connect(SpeedButtonCancel, &QPushButton::clicked, this, &TFormProgress::SpeedButtonCancelClick);
  TimerHourglass = new QTimer(this);
  TimerHourglass->setInterval(500);
  connect(TimerHourglass, &QTimer::timeout, this, &TFormProgress::TimerHourglassTimer);
  std::lock_guard<std::mutex> lock(g_mutex);
  g_window = this;
}

TFormProgress::~TFormProgress() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_window == this) g_window = nullptr;
}

void TFormProgress::CopyState() {
  std::lock_guard<std::mutex> lock(g_mutex);
  setWindowTitle(g_title);
  EditProgressLabel->setText(g_text);
  ProgressBarWork->setValue(qBound(0, int(g_percent), 100));
}

bool TFormProgress::event(QEvent* e) {
  if (e->type() == UpdateEvent()) {
    CopyState();
    return true;
  }
  return QDialog::event(e);
}

void TFormProgress::showEvent(QShowEvent* e) {
  frame_ = 0;
  ImageHourglass->setPixmap(HourglassFrames()[0]);
  TimerHourglass->start();
  CopyState();
  QDialog::showEvent(e);
}

void TFormProgress::reject() { SpeedButtonCancelClick(); }

void TFormProgress::closeEvent(QCloseEvent* e) {
  e->ignore();
  SpeedButtonCancelClick();
}

// The engine sees the flag at its next report; the window goes when the
// call has ended.
void TFormProgress::SpeedButtonCancelClick() {
  g_cancel = true;
  SpeedButtonCancel->setEnabled(false);
}

void TFormProgress::TimerHourglassTimer() {
  frame_ = (frame_ + 1) % HourglassFrames().size();
  ImageHourglass->setPixmap(HourglassFrames()[frame_]);
}

// The operations

StatusCode ProgressRun(const QString& title, const QString& text, std::function<StatusCode()> call) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_title = title;
    g_text = text;
  }
  g_cancel = false;
  g_percent = 0;
  if (Silent()) return EngineWorker::Instance().Run(nullptr, std::move(call));
  TFormProgress window;
  return EngineWorker::Instance().Run(&window, std::move(call));
}

void ProgressUpdate(const QString& title, const QString& text, int32_t percent) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_title = title;
    g_text = text;
  }
  g_percent = percent;
  if (!Silent()) PostUpdate();
}

void ProgressPercentage(int32_t percent) {
  g_percent = percent;
  if (!Silent()) PostUpdate();
}

bool ProgressCancelled() { return g_cancel; }

int32_t ProgressPercent() { return g_percent; }

TFormProgress* ShownProgressWindow() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_window;
}

void ProgressHide() {
  if (TFormProgress* w = ShownProgressWindow()) w->hide();
}

void ProgressShowAgain() {
  if (TFormProgress* w = ShownProgressWindow()) w->show();
}

}  // namespace kiv
