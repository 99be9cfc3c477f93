// The safe view of the main window: ListViewSafe (the current folder's
// entries), TreeViewSafe (every folder of the safe) and PanelSafeBottom (the
// current folder), kept in step with the open safe, and moves inside the
// safe by dragging items of the list onto a folder of the tree.
#pragma once
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <functional>
#include <string>
#include <vector>

#include "kvSafeDriver.h"

class QMimeData;
class QTreeWidget;
class QTreeWidgetItem;
#include "desktop/SafePathUnit.h"

namespace kiv {

class TMainForm;


enum class SafeItemKind { kUp = 0, kFolder = 1, kFile = 2 };

// The shown safe (one reference for the caller), or null when no safe is
// shown.
zk::ISafe* ShownSafe(TMainForm& form);

// One entry of the list as the commands see it.
struct SafeItem {
  std::string name;
  SafeItemKind kind;
};

class kvTSafeView : public QObject {
  Q_OBJECT
 public:
  explicit kvTSafeView(TMainForm& form);

  // The icon of a file by its extension (".txt"; empty when none); by
  // default the style's generic file icon.
  void SetFileIcon(std::function<QIcon(const std::string& ext)> icon);

  // List and tree; both emptied when no safe is shown.
  void Refresh();
  void RefreshList();
  void RefreshTree();

  // The current folder ("\" for the root).
  std::string CurrentFolder() const;
  static SafeItemKind Kind(const QTreeWidgetItem* item);
  // The selected entries in list order.
  std::vector<SafeItem> Selected() const;
  // Every entry but "..".
  std::vector<SafeItem> All() const;
  // A tree node's folder path: "\" for the root, else "\A\B\".
  static std::string NodePath(const QTreeWidgetItem* node);

  // Handlers.
  void ListViewSafeDblClick(QTreeWidgetItem* item);
  void TreeViewSafeClick(QTreeWidgetItem* node);
  bool TreeViewSafeDragOver(const QTreeWidgetItem* node, const QMimeData* data);
  void TreeViewSafeDragDrop(const QTreeWidgetItem* node, const QMimeData* data);
  // What a drag of the selection carries (null when the selection is
  // empty or just "..").
  QMimeData* DragData() const;
  // Starts the drag (a seam: by default QDrag::exec with move).
  std::function<void(QMimeData*)> startDrag;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QIcon FileIcon(const std::string& name) const;
  std::vector<std::string> DraggedFolders(const QMimeData* data) const;
  TMainForm& form_;
  // The watched objects, compared only: their last events come while the
  // window is being taken down, when nothing of it may be touched.
  const QObject *list_, *listViewport_, *treeViewport_;
  std::function<QIcon(const std::string&)> fileIcon_;
  QPoint downPoint_;
  int dragIndex_ = -1;
};

// The view of a main window, made on first use.
kvTSafeView& SafeView(TMainForm& form);
// Refreshes the view of a main window (empties it unless a safe is shown).
void RefreshSafeView(TMainForm& form);
// Widens the safe list's columns to their contents (at least their starting
// widths).
void FitSafeColumns(QTreeWidget* list);

}  // namespace kiv
