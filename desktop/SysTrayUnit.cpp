#include "desktop/SysTrayUnit.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace kiv {

namespace {

class QtTrayBackend : public TrayBackend {
 public:
  bool Available() override { return QSystemTrayIcon::isSystemTrayAvailable(); }
  void Add(const QIcon& icon, const QString& tip) override {
    tray_ = std::make_unique<QSystemTrayIcon>(icon);
    tray_->setToolTip(tip);
    QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason r) {
                       if (!clicked) return;
                       if (r == QSystemTrayIcon::Trigger) clicked(0, QCursor::pos());
                       else if (r == QSystemTrayIcon::Context) clicked(1, QCursor::pos());
                       else if (r == QSystemTrayIcon::MiddleClick) clicked(2, QCursor::pos());
                     });
    tray_->show();
  }
  void Modify(const QIcon* icon, const QString* tip) override {
    if (!tray_) return;
    if (icon) tray_->setIcon(*icon);
    if (tip) tray_->setToolTip(*tip);
  }
  void Remove() override { tray_.reset(); }
  void PopUp(QMenu* menu, const QPoint& at) override { menu->popup(at); }

 private:
  std::unique_ptr<QSystemTrayIcon> tray_;
};

}  // namespace

std::unique_ptr<TrayBackend> SystemTrayBackend() { return std::make_unique<QtTrayBackend>(); }

kvTSysTray::kvTSysTray(QWidget* owner, std::unique_ptr<TrayBackend> backend)
    : QObject(owner), owner_(owner), backend_(std::move(backend)) {
  backend_->clicked = [this](int button, QPoint at) { Clicked(button, at); };
}

kvTSysTray::~kvTSysTray() { Hide(); }

QIcon kvTSysTray::ShownIcon() const {
  return parentIcon_ && owner_ ? owner_->windowIcon() : icon_;
}

void kvTSysTray::Show() {
  if (shown_) return;
  shown_ = true;
  backend_->Add(ShownIcon(), hint_);
}

void kvTSysTray::Hide() {
  if (!shown_) return;
  shown_ = false;
  backend_->Remove();
}

void kvTSysTray::SetHint(const QString& hint) {
  hint_ = hint.left(kMaxHint);
  if (shown_) backend_->Modify(nullptr, &hint_);
}

void kvTSysTray::SetIcon(const QIcon& icon) {
  icon_ = icon;
  if (shown_) {
    QIcon i = ShownIcon();
    backend_->Modify(&i, nullptr);
  }
}

void kvTSysTray::SetParentIcon(bool on) {
  if (on != parentIcon_ && shown_) {
    QIcon i = on && owner_ ? owner_->windowIcon() : icon_;
    backend_->Modify(&i, nullptr);
  }
  parentIcon_ = on;
}

void kvTSysTray::Clicked(int button, QPoint at) {
  if (button == 1 && menu_) {
    backend_->PopUp(menu_, at);
    return;
  }
  if (OnMouseUp) OnMouseUp(button, at.x(), at.y());
}

}  // namespace kiv
