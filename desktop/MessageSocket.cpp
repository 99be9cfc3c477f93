#include "desktop/MessageSocket.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QVariant>

#include "desktop/KivEvent.h"
#include "kvMessageSocket.h"

namespace kiv {

namespace {
const char kBuffer[] = "kivRecords";
}

TMessageSocket::TMessageSocket(int listenFd, QObject* target, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), target_(target) {
  if (listenFd >= 0) server_->listen(qintptr(listenFd));
  connect(server_, &QLocalServer::newConnection, this, &TMessageSocket::Accept);
}

bool TMessageSocket::Listening() const { return server_->isListening(); }

void TMessageSocket::Accept() {
  while (QLocalSocket* s = server_->nextPendingConnection()) {
    connect(s, &QLocalSocket::readyRead, this, [this, s] { Read(s); });
    connect(s, &QLocalSocket::disconnected, this, [this, s] {
      Read(s);
      Deliver(s, true);
      s->deleteLater();
    });
    if (s->bytesAvailable() > 0) Read(s);
  }
}

void TMessageSocket::Read(QLocalSocket* s) {
  QByteArray buf = s->property(kBuffer).toByteArray();
  buf += s->readAll();
  s->setProperty(kBuffer, buf);
  // Hand over every complete unit that ends with a command.
  Deliver(s, false);
  if (s->property(kBuffer).toByteArray().size() > kMaxPendingBytes) {
    s->setProperty(kBuffer, QByteArray());
    s->abort();
  }
}

void TMessageSocket::Deliver(QLocalSocket* s, bool closing) {
  QByteArray buf = s->property(kBuffer).toByteArray();
  const qsizetype end = qsizetype(wm::DeliverableRecords(
      reinterpret_cast<const uint8_t*>(buf.constData()), size_t(buf.size()), closing));
  if (end == 0) return;
  for (qsizetype i = 0; i < end; ++i) {
    wm::Record r = wm::UnpackRecord(reinterpret_cast<const uint8_t*>(buf.constData()) +
                                    i * qsizetype(wm::kRecordSize));
    // Only the interface's own messages; nothing else may reach the window.
    if (target_ && wm::IsInterfaceMessage(r.message))
      PostKivMessage(target_, r.message, r.wParam, r.lParam);
  }
  s->setProperty(kBuffer, closing ? QByteArray() : buf.mid(end * qsizetype(wm::kRecordSize)));
}

}  // namespace kiv
