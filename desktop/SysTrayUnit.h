// kvTSysTray: one icon in the desktop's notification area with a tool tip,
// an optional pop-up menu and mouse-up events. The icon itself goes through
// a small backend (QSystemTrayIcon in the program, a recording fake in
// tests).
#pragma once
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>

class QMenu;
class QWidget;

namespace kiv {

class TrayBackend {
 public:
  virtual ~TrayBackend() = default;
  // False when the desktop has no notification area.
  virtual bool Available() = 0;
  virtual void Add(const QIcon& icon, const QString& tip) = 0;
  virtual void Modify(const QIcon* icon, const QString* tip) = 0;
  virtual void Remove() = 0;
  virtual void PopUp(QMenu* menu, const QPoint& at) = 0;
  // Clicks reach the tray through this (button 0 left, 1 right, 2 middle).
  std::function<void(int button, QPoint at)> clicked;
};

// The backend of the program: QSystemTrayIcon.
std::unique_ptr<TrayBackend> SystemTrayBackend();

class kvTSysTray : public QObject {
  Q_OBJECT
 public:
  static constexpr int kMaxHint = 63;

  // owner: the form whose icon ParentIcon shows.
  kvTSysTray(QWidget* owner, std::unique_ptr<TrayBackend> backend);
  ~kvTSysTray() override;

  void Show();
  void Hide();
  bool IsShown() const { return shown_; }
  bool Available() const { return backend_->Available(); }

  QString Hint() const { return hint_; }
  void SetHint(const QString& hint);
  QIcon Icon() const { return icon_; }
  void SetIcon(const QIcon& icon);
  bool ParentIcon() const { return parentIcon_; }
  void SetParentIcon(bool on);
  QMenu* PopupMenu() const { return menu_; }
  void SetPopupMenu(QMenu* menu) { menu_ = menu; }

  // (button, x, y): the cursor in screen coordinates.
  std::function<void(int button, int x, int y)> OnMouseUp;

  TrayBackend& Backend() { return *backend_; }

 private:
  QIcon ShownIcon() const;
  void Clicked(int button, QPoint at);

  QWidget* owner_;
  std::unique_ptr<TrayBackend> backend_;
  bool shown_ = false;
  QString hint_;
  QIcon icon_;
  bool parentIcon_ = false;
  QMenu* menu_ = nullptr;
};

}  // namespace kiv
