// kvTDropTarget: files (and text) dropped from the file manager or another
// program onto a window, handed to its owner through four events. Qt's drag
// and drop on the target widget (its viewport for a list or tree view).
// The safe's own drags inside the window carry kSafeItemsMime and are left
// to the widget: they are offered neither as files nor as text here.
#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QMimeData;
class QWidget;
#include "desktop/SafePathUnit.h"

namespace kiv {

class TMainForm;

// A drop-file list block (the 20-byte header and the names after it), as the
// file-manager extension builds it.
inline constexpr char kDropFilesMime[] = "application/x-kivora-dropfiles";

// Offered-format bits.
inline constexpr int kDropFormatText = 1;
inline constexpr int kDropFormatFiles = 2;

// Drag states given to OnDragOver.
inline constexpr int kDragEnter = 0;
inline constexpr int kDragLeave = 1;
inline constexpr int kDragOver = 2;

// What a drag's data offers: bit 0 text, bit 1 a file list; 0 for the
// safe's own drags.
int DropOfferedFormats(const QMimeData* data);
// The dropped files in order, as UTF-8 paths: the local files of the URL
// list, else the names of a drop-file list block.
std::vector<std::string> DroppedFileNames(const QMimeData* data);

class kvTDropTarget : public QObject {
  Q_OBJECT
 public:
  explicit kvTDropTarget(QObject* parent = nullptr);
  ~kvTDropTarget() override;

  bool Enabled() const { return enabled_; }
  // true registers when not registered; false revokes the registration.
  void SetEnabled(bool on);
  QWidget* TargetWindow() const { return target_; }
  void SetTargetWindow(QWidget* w) { target_ = w; }

  // Revokes an earlier registration; with a target window set, takes drops
  // on it. True when the window now takes drops.
  bool Register();
  bool Registered() const { return !registered_.isNull(); }
  // How many times a window was registered (each Register that took).
  int Registrations() const { return registrations_; }

  // x, y in the target window's coordinates (0, 0 on leave); formats the
  // offered bits; state kDragEnter, kDragOver or kDragLeave.
  std::function<void(int x, int y, bool& accept, int formats, int state)> OnDragOver;
  std::function<void(int offered, int& chosen)> OnDropFormat;
  // copy: the Ctrl key was down at the drop.
  std::function<void(int x, int y, bool& accept, bool copy, const QString& text)> OnDragText;
  std::function<void(int x, int y, bool& accept, bool copy, const std::vector<std::string>& names)>
      OnDragFiles;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Revoke();

  bool enabled_ = true;
  QPointer<QWidget> target_;
  QPointer<QWidget> registered_;  // the widget whose drag events are taken
  bool acceptedDropsBefore_ = false;
  int formats_ = 0;
  int registrations_ = 0;
};

// The main window's drop target on ListViewSafe: a drag is taken when it
// offers a file list, the drop uses the file list only, and the dropped
// names become the working file list, added to the open safe by WM_USER+11.
kvTDropTarget* CreateMainDropTarget(TMainForm& form);
// The main window's drop target once made (null before).
kvTDropTarget* MainDropTarget(TMainForm& form);

}  // namespace kiv
