#include "desktop/MainFormUnit.h"

#include <QApplication>
#include <QWidget>

#include "desktop/EngineWorker.h"
#include "desktop/KivEvent.h"
#include "desktop/MessageSocket.h"
#include "desktop/WaitHourglassUnit.h"
#include "kvMessageSocket.h"

namespace kiv {

TMainForm::TMainForm(std::vector<std::string> arguments, QWidget* parent)
    : QMainWindow(parent), arguments_(std::move(arguments)) {
  setObjectName("MainForm");
  setWindowTitle(QString::fromLatin1(wm::kWindowTitle));
  setCentralWidget(new QWidget(this));
  resize(700, 520);
  // Messages queued during an engine call run once it has returned.
  EngineWorker::Instance().AddIdleHook(this, [this] { ReplayQueued(); });
}

TMainForm::~TMainForm() { EngineWorker::Instance().RemoveIdleHooks(this); }

void TMainForm::ListenForMessages(int listenFd) {
  if (listenFd >= 0) socket_ = new TMessageSocket(listenFd, this, this);
}

bool TMainForm::event(QEvent* e) {
  if (e->type() == KivEvent::EventType()) {
    auto* k = static_cast<KivEvent*>(e);
    if (EngineWorker::Instance().Busy())
      queued_.push_back({k->message, k->wParam, k->lParam});
    else
      HandleMessage(k->message, k->wParam, k->lParam);
    return true;
  }
  return QMainWindow::event(e);
}

void TMainForm::ReplayQueued() {
  // Posted again in arrival order, ahead of anything posted later.
  std::vector<Message> q;
  q.swap(queued_);
  for (const Message& m : q) PostKivMessage(this, m.message, m.wParam, m.lParam);
}

void TMainForm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (firstShow_) {
    firstShow_ = false;
    FormShow();
  }
}

void TMainForm::FormShow() {
  setWindowTitle(QString::fromLatin1(wm::kWindowTitle));
  QApplication::setApplicationDisplayName(QString::fromLatin1(wm::kWindowTitle));
  SetSilent(HasSwitch(arguments_, 's'));
}

void TMainForm::BeginCommand() {
  if (hiddenToTray_) {
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    hiddenToTray_ = false;
  }
  receiver_.TakePending();
}

void TMainForm::HandleMessage(uint32_t message, uint32_t wParam, uint32_t lParam) {
  switch (message) {
    case wm::kName:
      receiver_.ReceiveChunk(wParam, lParam);
      return;
    case wm::kNewSafe:
    case wm::kOpen:
    case wm::kNewInCarrier:
    case wm::kWipe:
      BeginCommand();
      recorded_.push_back(message);
      return;
    case wm::kMinimise:
      recorded_.push_back(message);
      showMinimized();
      return;
    default:
      // The chains' own steps (WM_USER+1 ... +13) come with their windows.
      recorded_.push_back(message);
      return;
  }
}

}  // namespace kiv
