// The messages the main window posts to itself and receives from other
// processes: one custom event type carrying the message number (WM_USER+N)
// and its two 32-bit parameters. Posted events keep their order.
#pragma once
#include <QCoreApplication>
#include <QEvent>
#include <cstdint>

namespace kiv {

inline constexpr uint32_t kWmUser = 1024;

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
