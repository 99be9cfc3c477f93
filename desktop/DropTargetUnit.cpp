#include "desktop/DropTargetUnit.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>
#include <QWidget>

#include "DropFiles.h"
#include "desktop/KivEvent.h"
#include "desktop/MainFormUnit.h"

namespace kiv {

namespace {

bool IsSafeItemsDrag(const QMimeData* data) { return data && data->hasFormat(kSafeItemsMime); }

std::vector<std::string> LocalFiles(const QMimeData* data) {
  std::vector<std::string> names;
  if (!data->hasUrls()) return names;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile() && !url.toLocalFile().isEmpty())
      names.push_back(url.toLocalFile().toStdString());
  return names;
}

std::vector<std::string> BlockFiles(const QMimeData* data) {
  if (!data->hasFormat(kDropFilesMime)) return {};
  const QByteArray block = data->data(kDropFilesMime);
  return zk::DropFileNames(reinterpret_cast<const uint8_t*>(block.constData()),
                           size_t(block.size()));
}

}  // namespace

int DropOfferedFormats(const QMimeData* data) {
  if (!data || IsSafeItemsDrag(data)) return 0;
  int formats = 0;
  // Qt also answers an URL list as text; only real text counts here.
  if (data->hasFormat("text/plain")) formats |= kDropFormatText;
  if (!LocalFiles(data).empty() || !BlockFiles(data).empty()) formats |= kDropFormatFiles;
  return formats;
}

std::vector<std::string> DroppedFileNames(const QMimeData* data) {
  if (!data || IsSafeItemsDrag(data)) return {};
  std::vector<std::string> names = LocalFiles(data);
  return names.empty() ? BlockFiles(data) : names;
}

kvTDropTarget::kvTDropTarget(QObject* parent) : QObject(parent) {}

kvTDropTarget::~kvTDropTarget() { Revoke(); }

void kvTDropTarget::SetEnabled(bool on) {
  enabled_ = on;
  if (on && !Registered()) Register();
  if (!on) Revoke();
}

bool kvTDropTarget::Register() {
  Revoke();
  if (!target_) return false;
  // A list or tree view gets its drags on its viewport.
  QWidget* w = target_;
  if (auto* area = qobject_cast<QAbstractScrollArea*>(target_.data())) w = area->viewport();
  acceptedDropsBefore_ = w->acceptDrops();
  w->setAcceptDrops(true);
  w->installEventFilter(this);
  registered_ = w;
  ++registrations_;
  return true;
}

void kvTDropTarget::Revoke() {
  if (!registered_) return;
  registered_->removeEventFilter(this);
  registered_->setAcceptDrops(acceptedDropsBefore_);
  registered_ = nullptr;
}

bool kvTDropTarget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != registered_) return false;
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::DragLeave &&
      type != QEvent::Drop)
    return false;
  auto point = [this](const QDropEvent* e) {
    QPoint p = e->position().toPoint();
    if (target_ && registered_ != target_) p = registered_->mapTo(target_, p);
    return p;
  };
  // Files from outside are always taken as a copy: answering "move" would
  // let the file manager delete originals the safe has not committed yet.
  auto answer = [](QDropEvent* e, bool accept) {
    if (accept && (e->possibleActions() & Qt::CopyAction)) {
      e->setDropAction(Qt::CopyAction);
      e->accept();
    } else {
      e->setDropAction(Qt::IgnoreAction);
      e->ignore();
    }
  };
  if (type == QEvent::DragLeave) {
    if (formats_ < 0) return false;
    bool accept = true;
    if (OnDragOver) OnDragOver(0, 0, accept, formats_, kDragLeave);
    return true;
  }
  auto* e = static_cast<QDropEvent*>(event);
  // The safe's own drags belong to the widget.
  if (IsSafeItemsDrag(e->mimeData())) {
    formats_ = -1;
    return false;
  }
  if (type == QEvent::DragEnter || formats_ < 0) formats_ = DropOfferedFormats(e->mimeData());
  const QPoint p = point(e);
  if (type == QEvent::DragEnter || type == QEvent::DragMove) {
    bool accept = true;
    if (OnDragOver)
      OnDragOver(p.x(), p.y(), accept, formats_, type == QEvent::DragEnter ? kDragEnter : kDragOver);
    answer(e, accept);
    return true;
  }
  // The drop.
  const int offered = DropOfferedFormats(e->mimeData());
  int chosen = offered;
  if (OnDropFormat) OnDropFormat(offered, chosen);
  chosen &= offered;
  const bool copy = e->modifiers() & Qt::ControlModifier;
  bool accepted = false;
  if ((chosen & kDropFormatText) && OnDragText) {
    bool accept = true;
    OnDragText(p.x(), p.y(), accept, copy, e->mimeData()->text());
    accepted = accepted || accept;
  }
  if ((chosen & kDropFormatFiles) && OnDragFiles) {
    const std::vector<std::string> names = DroppedFileNames(e->mimeData());
    if (!names.empty()) {
      bool accept = true;
      OnDragFiles(p.x(), p.y(), accept, copy, names);
      accepted = accepted || accept;
    }
  }
  answer(e, accepted);
  return true;
}

kvTDropTarget* CreateMainDropTarget(TMainForm& form) {
  auto* t = new kvTDropTarget(&form);
  t->setObjectName("DropTarget");
  t->SetTargetWindow(form.ListViewSafe);
  t->OnDragOver = [](int, int, bool& accept, int formats, int) {
    accept = (formats & kDropFormatFiles) != 0;
  };
  t->OnDropFormat = [](int, int& chosen) { chosen = kDropFormatFiles; };
  TMainForm* f = &form;
  t->OnDragFiles = [f](int, int, bool& accept, bool copy, const std::vector<std::string>& names) {
    f->Receiver().WorkingFiles() = names;
    if (copy) {
      QCoreApplication::processEvents();
      QCoreApplication::processEvents();
    }
    PostKivMessage(f, chain::kAddDropped);
    accept = true;
  };
  t->Register();
  return t;
}

kvTDropTarget* MainDropTarget(TMainForm& form) {
  return form.findChild<kvTDropTarget*>("DropTarget", Qt::FindDirectChildrenOnly);
}

}  // namespace kiv
