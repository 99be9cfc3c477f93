// Long engine calls run on one worker thread while the GUI thread shows the
// wait or progress window application-modal. No engine object is touched by
// the GUI thread meanwhile; the main window queues the messages that arrive
// until the call returns.
#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "zk5main.h"

class QDialog;

namespace kiv {

class EngineWorker {
 public:
  static EngineWorker& Instance();
  ~EngineWorker();

  // GUI thread: runs call on the worker and meanwhile shows window modally
  // (null: no window, the silent switch). Returns the call's result; -21
  // when a call is already under way.
  StatusCode Run(QDialog* window, std::function<StatusCode()> call);

  // GUI thread: true while a call runs.
  bool Busy() const { return busy_; }

  // Run on the GUI thread after every call (the main window replays the
  // messages it queued).
  void AddIdleHook(const void* owner, std::function<void()> hook) {
    idleHooks_.push_back({owner, std::move(hook)});
  }
  void RemoveIdleHooks(const void* owner) { std::erase_if(idleHooks_, [owner](auto& h) { return h.first == owner; }); }

 private:
  EngineWorker() = default;
  void Loop();

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::function<void()> job_;
  bool stop_ = false;
  bool busy_ = false;
  std::vector<std::pair<const void*, std::function<void()>>> idleHooks_;
};

// Runs fn on the GUI thread and waits for it (directly when called there).
// Lets a call on the worker ask the user something.
void RunOnGuiThread(const std::function<void()>& fn);

}  // namespace kiv
