// TMainForm, the program's main window "Kivora 1.01". It receives the
// messages it posts to itself and those other processes send (as
// KivEvent), keeps the pending and working file lists, and queues every
// message that arrives while an engine call runs on the worker thread.
#pragma once
#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "desktop/WindowMessages.h"
#include "kvSafeDriver.h"

namespace kiv {

// Where FormCreate finds the engine: by default kiv_safe.so from the
// program's folder and its class kiv.SafeDriverApp; tests give a fake.
struct EngineSource {
  std::function<bool()> load;                       // false: not found
  std::function<StatusCode(zk::IBase**)> create;    // the driver object
};
EngineSource LibraryEngine();

class TMessageSocket;

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  // arguments: the command line without the program name.
  explicit TMainForm(std::vector<std::string> arguments, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Binds the toolkit and the engine, starts the engine and takes its text
  // resource and parameters. A failure shows its message and ends the
  // process with its code (-1 to -5).
  void FormCreate(const EngineSource& engine = LibraryEngine());

  // Serves the socket this program listens on (fd from the single-instance
  // claim; -1 for none).
  void ListenForMessages(int listenFd);

  MessageReceiver& Receiver() { return receiver_; }
  // The messages handled so far whose windows are not built yet (each a
  // recorded no-op), in handling order.
  const std::vector<uint32_t>& RecordedMessages() const { return recorded_; }
  bool HiddenToTray() const { return hiddenToTray_; }

  zk::ISafeDriverApp* Driver() const { return driver_; }
  zk::ITextRes* Texts() const { return texts_; }
  zk::IAppParam* Params() const { return params_; }
  bool CopyContainer() const { return copyContainer_; }
  void SetCopyContainer(bool on) { copyContainer_ = on; }

  // The secret being made or shown, and how (fields of the later windows).
  int32_t contentKind = zk::kContentMessage;
  int32_t containerKind = 1;
  int32_t carrierFormat = 0;
  std::string secretPath;
  std::string password;
  bool passwordMode = true;
  int32_t hashIndex = zk::kHashSHA;
  int32_t cipherIndex = zk::kCipherBlowfish;
  zk::IKeysCtrl* keysCtrl = nullptr;     // once the key storage is open
  zk::IKivSecret* secret = nullptr;
  zk::IBase* content = nullptr;
  bool saved = true;
  int32_t openKind = 0;

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  struct Message {
    uint32_t message, wParam, lParam;
  };
  void FormShow();
  void FormDestroy();
  void HandleMessage(uint32_t message, uint32_t wParam, uint32_t lParam);
  void Dispatch(uint32_t message, uint32_t wParam, uint32_t lParam);
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
  bool copyContainer_ = false;
  zk::ISafeDriverApp* driver_ = nullptr;
  zk::ITextRes* texts_ = nullptr;
  zk::IAppParam* params_ = nullptr;
};

}  // namespace kiv
