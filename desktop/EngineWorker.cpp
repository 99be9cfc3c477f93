#include "desktop/EngineWorker.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QThread>

#include "zk5Status.h"

namespace kiv {

EngineWorker& EngineWorker::Instance() {
  static EngineWorker worker;
  return worker;
}

EngineWorker::~EngineWorker() {
  if (thread_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
}

void EngineWorker::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || job_; });
    if (job_) {
      std::function<void()> job = std::move(job_);
      job_ = nullptr;
      lock.unlock();
      job();
      lock.lock();
    } else if (stop_) {
      return;
    }
  }
}

StatusCode EngineWorker::Run(QDialog* window, std::function<StatusCode()> call) {
  if (busy_) return zk::kInUse;
  busy_ = true;
  if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });

  StatusCode result = 0;
  bool done = false;
  QEventLoop loop;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    job_ = [&] {
      result = call();
      QMetaObject::invokeMethod(qApp, [&] {
        done = true;
        loop.quit();
      }, Qt::QueuedConnection);
    };
  }
  wake_.notify_all();
  // The window is shown application-modal, so the other windows take no
  // input; it stays up until the call ends (Cancel only raises the flag).
  if (window) {
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
  }
  while (!done)
    loop.exec(window ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
  if (window) window->hide();
  busy_ = false;
  for (auto& hook : idleHooks_) hook.second();
  return result;
}

void RunOnGuiThread(const std::function<void()>& fn) {
  if (QThread::currentThread() == qApp->thread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(qApp, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}

}  // namespace kiv
