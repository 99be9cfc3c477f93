#include "desktop/MainFormUnit.h"

#include <QApplication>
#include <QWidget>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "desktop/CommonUnit.h"
#include "desktop/EngineWorker.h"
#include "desktop/KivEvent.h"
#include "desktop/MessageSocket.h"
#include "desktop/NewSecretChainUnit.h"
#include "desktop/WaitHourglassUnit.h"
#include "desktop/zk5Base.hpp"
#include "kvMessageSocket.h"
#include "ToolkitObject.h"

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

EngineSource LibraryEngine() {
  EngineSource s;
  s.load = [] {
    std::string path = ProgramFolder() + "/kiv_safe.so";
    // Never unloaded while the program runs.
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE) != nullptr;
  };
  s.create = [](zk::IBase** out) {
    return ToolkitCreateInstance(zk::id::KivSafeDriverApp, out);
  };
  return s;
}

TMainForm::~TMainForm() {
  EngineWorker::Instance().RemoveIdleHooks(this);
  FormDestroy();
}

void TMainForm::FormCreate(const EngineSource& engine) {
  firstShow_ = true;
  shutDown_ = false;
  const QString caption = QApplication::applicationName();
  // The runtime first: the engine library needs it to load at all.
  GetToolkitProc("zk_CreateInstance");
  if (!engine.load()) StartFailure(caption, "The library kiv_safe.dll was not found!", -1);
  zk::IBase* object = nullptr;
  if (engine.create(&object) != 0 || !object ||
      !(driver_ = QueryToolkitInterface<zk::ISafeDriverApp>(object, zk::id::KivISafeDriverApp))) {
    if (object) object->Release();
    StartFailure(caption, "Can not create the object of kvCSafeDriverApp class!", -2);
  }
  object->Release();
  if (driver_->Start() != 0) StartFailure(caption, "Can not initialize the m_Driver object!", -3);
  if (driver_->GetTextRes(&texts_) != 0 || !texts_)
    StartFailure(caption, "Can not get the text resource object!", -4);
  if (driver_->GetAppParam(&params_) != 0 || !params_)
    StartFailure(caption, "Can not get the application parametrs object!", -5);
  int32_t copy = 0;
  if (params_->GetInt("copy_container", &copy) != 0) copy = 0;
  copyContainer_ = copy == 1;
  PublishProgramObjects(driver_, texts_, params_);
  hiddenToTray_ = false;
}

void TMainForm::FormDestroy() {
  if (ProgramDriver() == driver_) PublishProgramObjects(nullptr, nullptr, nullptr);
  zk::ReleaseAndNull(content);
  zk::ReleaseAndNull(secret);
  zk::ReleaseAndNull(keysCtrl);
  zk::ReleaseAndNull(params_);
  zk::ReleaseAndNull(texts_);
  zk::ReleaseAndNull(driver_);
}

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
  Dispatch(message, wParam, lParam);
  // KIVORA_MESSAGE_LOG=<file>: each command and the working list it took,
  // for the process tests.
  static const char* log = std::getenv("KIVORA_MESSAGE_LOG");
  if (log && message != wm::kName) {
    if (FILE* f = std::fopen(log, "a")) {
      std::fprintf(f, "%u", message);
      for (const std::string& n : receiver_.WorkingFiles()) std::fprintf(f, "\t%s", n.c_str());
      std::fprintf(f, "\n");
      std::fclose(f);
    }
  }
}

void TMainForm::Dispatch(uint32_t message, uint32_t wParam, uint32_t lParam) {
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
      if (RunSecretChainMessage(*this, message)) return;
      // The chains' own steps (WM_USER+1 ... +13) come with their windows.
      recorded_.push_back(message);
      return;
  }
}

}  // namespace kiv
