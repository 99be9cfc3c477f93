// TMainForm, the program's main window "Kivora 1.01". It receives the
// messages it posts to itself and those other processes send (as
// KivEvent), keeps the pending and working file lists, and queues every
// message that arrives while an engine call runs on the worker thread.
#pragma once
#include <QMainWindow>
#include <cstdint>
#include <string>
#include <vector>

#include "desktop/WindowMessages.h"

namespace kiv {

class TMessageSocket;

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  // arguments: the command line without the program name.
  explicit TMainForm(std::vector<std::string> arguments, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Serves the socket this program listens on (fd from the single-instance
  // claim; -1 for none).
  void ListenForMessages(int listenFd);

  MessageReceiver& Receiver() { return receiver_; }
  // The messages handled so far whose windows are not built yet (each a
  // recorded no-op), in handling order.
  const std::vector<uint32_t>& RecordedMessages() const { return recorded_; }
  bool HiddenToTray() const { return hiddenToTray_; }

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  struct Message {
    uint32_t message, wParam, lParam;
  };
  void FormShow();
  void HandleMessage(uint32_t message, uint32_t wParam, uint32_t lParam);
  // The start of commands 1045-1048.
  void BeginCommand();
  void ReplayQueued();

  std::vector<std::string> arguments_;
  MessageReceiver receiver_;
  std::vector<uint32_t> recorded_;
  std::vector<Message> queued_;
  TMessageSocket* socket_ = nullptr;
  bool firstShow_ = true;
  bool shutDown_ = false;
  bool hiddenToTray_ = false;
};

}  // namespace kiv
