// The listening end of the message socket: reads each connection's
// records and posts them to the main window as its messages. A
// connection's records go out as one unit at each command record and when
// the sender closes, so two senders cannot interleave their names.
#pragma once
#include <QObject>
#include <QPointer>
#include <QByteArray>

class QLocalServer;
class QLocalSocket;

namespace kiv {

class TMessageSocket : public QObject {
  Q_OBJECT
 public:
  // Takes over a bound, listening socket (fd) and posts to target.
  TMessageSocket(int listenFd, QObject* target, QObject* parent = nullptr);
  bool Listening() const;

  // A sender that writes more than this without a command is cut off.
  static constexpr int kMaxPendingBytes = 1 << 20;

 private:
  void Accept();
  void Read(QLocalSocket* socket);
  void Deliver(QLocalSocket* socket, bool closing);

  QLocalServer* server_;
  QPointer<QObject> target_;
};

}  // namespace kiv
