// Every message number of the desktop program and the custom event that
// carries one (WM_USER+N) with its two 32-bit parameters. The numbers other
// processes send (wm::kName ... wm::kMinimise) are the message socket's
// protocol, declared in kvMessageSocket.h; the main window's own steps
// follow here. Posted events keep their order.
#pragma once
#include <QCoreApplication>
#include <QEvent>
#include <cstdint>

#include "kvMessageSocket.h"

namespace kiv {

inline constexpr uint32_t kWmUser = wm::kUser;

// The steps the main window posts to itself: the new-secret and open chains
// (+1 ... +8), one page each, then the window's own.
namespace chain {
inline constexpr uint32_t kSecretType = kWmUser + 1;
inline constexpr uint32_t kContainerType = kWmUser + 2;
inline constexpr uint32_t kFileStep = kWmUser + 3;
inline constexpr uint32_t kParams = kWmUser + 4;
inline constexpr uint32_t kCreate = kWmUser + 5;
inline constexpr uint32_t kShowNew = kWmUser + 6;
inline constexpr uint32_t kOpenWizard = kWmUser + 7;
inline constexpr uint32_t kOpenSecret = kWmUser + 8;
inline constexpr uint32_t kAfterShow = kWmUser + 9;       // narrows the window to lay it out again
inline constexpr uint32_t kRelayoutBack = kWmUser + 10;   // widens it back
inline constexpr uint32_t kAddDropped = kWmUser + 11;     // adds the working file list
inline constexpr uint32_t kAskFile = kWmUser + 12;        // File, Add
inline constexpr uint32_t kOpenArgument = kWmUser + 13;   // opens the command-line argument
}  // namespace chain

class KivEvent : public QEvent {
 public:
  static QEvent::Type EventType() {
    static const QEvent::Type t = QEvent::Type(QEvent::registerEventType());
    return t;
  }
  KivEvent(uint32_t message, uint32_t wParam, uint32_t lParam)
      : QEvent(EventType()), message(message), wParam(wParam), lParam(lParam) {}
  uint32_t message;
  uint32_t wParam;
  uint32_t lParam;
};

// Posts a message to a window (from any thread).
inline void PostKivMessage(QObject* target, uint32_t message, uint32_t wParam = 0,
                           uint32_t lParam = 0) {
  QCoreApplication::postEvent(target, new KivEvent(message, wParam, lParam));
}

}  // namespace kiv
