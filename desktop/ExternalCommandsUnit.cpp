#include "desktop/ExternalCommandsUnit.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "desktop/CommonUnit.h"
#include "desktop/NewSecretChainUnit.h"
#include "desktop/Prompter.h"
#include "desktop/TextIds.h"

namespace kiv {

namespace {

// Watches one modal window and replays the held commands once it hides
// (or is destroyed while shown).
class ModalWatcher : public QObject {
 public:
  ModalWatcher(QWidget* modal, QObject* owner, std::function<void()> replay)
      : QObject(modal), owner_(owner), replay_(std::move(replay)) {
    modal->installEventFilter(this);
  }
  ~ModalWatcher() override { Fire(); }
  bool fired = false;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Hide) Fire();
    return false;
  }

 private:
  void Fire() {
    if (fired) return;
    fired = true;
    if (owner_) QTimer::singleShot(0, owner_.data(), replay_);
  }
  QPointer<QObject> owner_;
  std::function<void()> replay_;
};

}  // namespace

bool HoldWhileModal(QObject* owner, std::function<void()> replay) {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal) return false;
  for (QObject* child : modal->children())
    if (auto* w = dynamic_cast<ModalWatcher*>(child); w && !w->fired) return true;
  new ModalWatcher(modal, owner, std::move(replay));
  return true;
}

bool CarrierTypeAccepted(QWidget* owner, zk::ITextRes* texts, const std::string& path) {
  int32_t kind = 0, format = 0;
  // A secret file (".kvs") is not a carrier.
  if (OpenKindsFromPath(path, kind, format) && kind != 1) return true;
  CurrentPrompter().Message(owner, owner->windowTitle(), GetResText(texts, txt::kNotACarrier),
                            BoxIcon::kInformation, BoxButtons::kOk);
  return false;
}

}  // namespace kiv
