#include "desktop/SafeViewUnit.h"

#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>
#include <cctype>

#include "ToolkitObject.h"
#include "desktop/CommonUnit.h"
#include "desktop/ExplorerExtUnit.h"
#include "desktop/MainFormUnit.h"
#include "desktop/SafeCommandsUnit.h"
#include "desktop/SafePathUnit.h"
#include "desktop/zk5Base.hpp"

namespace kiv {

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kDragDistance = 5;

std::string Extension(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The drag's data: the current folder, then each item as its kind letter
// and name, every field ended by a zero byte.
QByteArray EncodeItems(const std::string& current, const std::vector<SafeItem>& items) {
  QByteArray b(current.data(), qsizetype(current.size()));
  b.append('\0');
  for (const SafeItem& i : items) {
    b.append(i.kind == SafeItemKind::kFolder ? 'D' : 'F');
    b.append(i.name.data(), qsizetype(i.name.size()));
    b.append('\0');
  }
  return b;
}

bool DecodeItems(const QByteArray& b, std::string& current, std::vector<SafeItem>& items) {
  const QList<QByteArray> fields = b.split('\0');
  if (fields.size() < 2 || !fields.back().isEmpty()) return false;
  current = fields[0].toStdString();
  for (qsizetype i = 1; i + 1 < fields.size(); ++i) {
    const QByteArray& f = fields[i];
    if (f.size() < 2 || (f[0] != 'D' && f[0] != 'F')) return false;
    items.push_back({f.mid(1).toStdString(), f[0] == 'D' ? SafeItemKind::kFolder : SafeItemKind::kFile});
  }
  return true;
}

}  // namespace

zk::ISafe* ShownSafe(TMainForm& form) {
  if (form.Model().Kind() != 3 || !form.Model().Content()) return nullptr;
  return QueryToolkitInterface<zk::ISafe>(form.Model().Content(), zk::id::KivISafe);
}

kvTSafeView::kvTSafeView(TMainForm& form) : QObject(&form), form_(form) {
  setObjectName("SafeView");
  QTreeWidget* list = form_.ListViewSafe;
  QTreeWidget* tree = form_.TreeViewSafe;
  list_ = list;
  listViewport_ = list->viewport();
  treeViewport_ = tree->viewport();
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->installEventFilter(this);
  list->viewport()->installEventFilter(this);
  tree->setAcceptDrops(true);
  tree->viewport()->setAcceptDrops(true);
  tree->viewport()->installEventFilter(this);
  connect(list, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item, int) { ListViewSafeDblClick(item); });
  connect(tree, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* node, int) { TreeViewSafeClick(node); });
  startDrag = [list](QMimeData* data) {
    auto* drag = new QDrag(list);
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction);
  };
}

void kvTSafeView::SetFileIcon(std::function<QIcon(const std::string&)> icon) {
  fileIcon_ = std::move(icon);
}

QIcon kvTSafeView::FileIcon(const std::string& name) const {
  const std::string ext = Extension(name);
  if (Upper(ext) == ".EXE")
    return QIcon::fromTheme("application-x-executable",
                            form_.style()->standardIcon(QStyle::SP_ComputerIcon));
  if (fileIcon_) return fileIcon_(ext);
  // The main window's icon cache; its picture 0 when it knows no icon.
  kvTExplorerExt& cache = form_.ExplorerExt();
  const int index = cache.SmallIconIndex(ext);
  return cache.SmallIcon(index < 0 ? kvTExplorerExt::kFileImage : index);
}

std::string kvTSafeView::CurrentFolder() const {
  zk::Held<zk::ISafe> safe(ShownSafe(form_));
  if (!safe) return "\\";
  char* p = nullptr;
  safe->GetCurrentFolder(&p);
  const std::string cur = TakeToolkitString(p);
  return cur.empty() ? "\\" : cur;
}

SafeItemKind kvTSafeView::Kind(const QTreeWidgetItem* item) {
  return SafeItemKind(item->data(0, kKindRole).toInt());
}

std::vector<SafeItem> kvTSafeView::Selected() const {
  std::vector<SafeItem> out;
  QTreeWidget* list = form_.ListViewSafe;
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = list->topLevelItem(i);
    if (item->isSelected()) out.push_back({item->text(0).toStdString(), Kind(item)});
  }
  return out;
}

std::vector<SafeItem> kvTSafeView::All() const {
  std::vector<SafeItem> out;
  QTreeWidget* list = form_.ListViewSafe;
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = list->topLevelItem(i);
    if (Kind(item) != SafeItemKind::kUp) out.push_back({item->text(0).toStdString(), Kind(item)});
  }
  return out;
}

std::string kvTSafeView::NodePath(const QTreeWidgetItem* node) {
  std::vector<std::string> names;
  for (const QTreeWidgetItem* n = node; n && n->parent(); n = n->parent())
    names.push_back(n->text(0).toStdString());
  std::string path(1, kSafeSeparator);
  for (auto it = names.rbegin(); it != names.rend(); ++it) path += *it + kSafeSeparator;
  return path;
}

void kvTSafeView::Refresh() {
  RefreshList();
  RefreshTree();
}

void FitSafeColumns(QTreeWidget* list) {
  // Each column as wide as its widest cell or heading, never below the
  // starting widths.
  static const int kStart[] = {230, 120, 100};
  for (int c = 0; c < list->columnCount() && c < 3; ++c) {
    list->resizeColumnToContents(c);
    if (list->columnWidth(c) < kStart[c]) list->setColumnWidth(c, kStart[c]);
  }
}

void kvTSafeView::RefreshList() {
  QTreeWidget* list = form_.ListViewSafe;
  const bool hadFocus = list->hasFocus();
  const QString remembered = list->currentItem() ? list->currentItem()->text(0) : QString();
  list->clear();
  zk::Held<zk::ISafe> safe(ShownSafe(form_));
  if (!safe) {
    form_.PanelSafeBottom->clear();
    return;
  }
  const std::string cur = CurrentFolder();
  form_.PanelSafeBottom->setText(QString::fromStdString(cur));
  const QIcon folder = form_.style()->standardIcon(QStyle::SP_DirIcon);
  auto add = [&](const std::string& name, SafeItemKind kind, const QIcon& icon,
                 const QString& size, const QString& changed) {
    auto* item = new QTreeWidgetItem(list, {QString::fromStdString(name), size, changed});
    item->setData(0, kKindRole, int(kind));
    item->setIcon(0, icon);
  };
  if (cur != "\\") add("..", SafeItemKind::kUp, folder, QString(), QString());
  const uint32_t folders = safe->GetFolderCount("");
  for (uint32_t i = 0; i < folders; ++i) {
    char* name = nullptr;
    if (safe->GetFolderAt("", i, &name) != 0) {
      TakeToolkitString(name);
      continue;
    }
    add(TakeToolkitString(name), SafeItemKind::kFolder, folder, QString(), QString());
  }
  const uint32_t files = safe->GetFileCount("");
  for (uint32_t i = 0; i < files; ++i) {
    char* p = nullptr;
    zk::SafeFileInfo info{};
    if (safe->GetFileAt("", i, &p, &info) != 0) {
      TakeToolkitString(p);
      continue;
    }
    const std::string name = TakeToolkitString(p);
    add(name, SafeItemKind::kFile, FileIcon(name),
        SizeCell(info.size, info.storedSize, (info.flags & 1) != 0),
        FormatTmDateTime(form_.Texts(), info.modified));
  }
  FitSafeColumns(list);
  QTreeWidgetItem* chosen = nullptr;
  for (int i = 0; i < list->topLevelItemCount() && !chosen; ++i)
    if (!remembered.isEmpty() && list->topLevelItem(i)->text(0) == remembered)
      chosen = list->topLevelItem(i);
  if (!chosen && list->topLevelItemCount() > 0) chosen = list->topLevelItem(0);
  if (chosen) {
    list->setCurrentItem(chosen);
    chosen->setSelected(true);
  }
  if (hadFocus) list->setFocus();
}

void kvTSafeView::RefreshTree() {
  QTreeWidget* tree = form_.TreeViewSafe;
  zk::Held<zk::ISafe> safe(ShownSafe(form_));
  if (!safe) {
    tree->clear();
    return;
  }
  QStyle* style = form_.style();
  QIcon icon(style->standardIcon(QStyle::SP_DirClosedIcon));
  icon.addPixmap(style->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16, 16), QIcon::Selected);
  if (tree->topLevelItemCount() == 0) {
    auto* root = new QTreeWidgetItem(tree, {QString(kSafeSeparator)});
    root->setIcon(0, icon);
    root->setExpanded(true);
  }
  std::string cur = CurrentFolder();
  if (cur.size() > 1 && cur.back() == kSafeSeparator) cur.pop_back();
  QTreeWidgetItem* selected = nullptr;
  // Walks the safe from the root: nodes are reused by caption, new folders
  // added, and the children no folder answers for are deleted.
  std::function<void(QTreeWidgetItem*, const std::string&)> walk =
      [&](QTreeWidgetItem* node, const std::string& path) {
        if (SameSafeFolder(path, cur)) selected = node;
        std::vector<QTreeWidgetItem*> old;
        for (int i = 0; i < node->childCount(); ++i) old.push_back(node->child(i));
        std::vector<QTreeWidgetItem*> kept;
        const uint32_t n = safe->GetFolderCount(path.c_str());
        for (uint32_t i = 0; i < n; ++i) {
          char* p = nullptr;
          if (safe->GetFolderAt(path.c_str(), i, &p) != 0) {
            TakeToolkitString(p);
            continue;
          }
          const QString name = QString::fromStdString(TakeToolkitString(p));
          auto it = std::find_if(old.begin(), old.end(),
                                 [&](QTreeWidgetItem* c) { return c && c->text(0) == name; });
          QTreeWidgetItem* child = nullptr;
          if (it != old.end()) {
            child = *it;
            *it = nullptr;
          } else {
            child = new QTreeWidgetItem(node, {name});
            child->setIcon(0, icon);
          }
          kept.push_back(child);
          walk(child, SafeJoin(path, name.toStdString()));
        }
        for (QTreeWidgetItem* gone : old) delete gone;
        // The children in the safe's order.
        for (size_t i = 0; i < kept.size(); ++i) {
          if (node->child(int(i)) == kept[i]) continue;
          const bool expanded = kept[i]->isExpanded();
          node->removeChild(kept[i]);
          node->insertChild(int(i), kept[i]);
          kept[i]->setExpanded(expanded);
        }
      };
  walk(tree->topLevelItem(0), std::string(1, kSafeSeparator));
  if (selected) {
    for (QTreeWidgetItem* a = selected->parent(); a; a = a->parent()) a->setExpanded(true);
    tree->setCurrentItem(selected);
  }
}

void kvTSafeView::ListViewSafeDblClick(QTreeWidgetItem* item) {
  if (!item) return;
  const SafeItemKind kind = Kind(item);
  if (kind == SafeItemKind::kFile) {
    SafeGet(form_);
    return;
  }
  {
    zk::Held<zk::ISafe> safe(ShownSafe(form_));
    if (!safe) return;
    if (kind == SafeItemKind::kUp) safe->FolderUp();
    else safe->ChangeFolder(item->text(0).toStdString().c_str());
  }
  Refresh();
}

void kvTSafeView::TreeViewSafeClick(QTreeWidgetItem* node) {
  if (!node) return;
  {
    zk::Held<zk::ISafe> safe(ShownSafe(form_));
    if (!safe) return;
    safe->ChangeFolder(NodePath(node).c_str());
  }
  Refresh();
}

QMimeData* kvTSafeView::DragData() const {
  std::vector<SafeItem> items;
  for (const SafeItem& i : Selected())
    if (i.kind != SafeItemKind::kUp) items.push_back(i);
  if (items.empty()) return nullptr;
  auto* data = new QMimeData;
  data->setData(kSafeItemsMime, EncodeItems(CurrentFolder(), items));
  return data;
}

std::vector<std::string> kvTSafeView::DraggedFolders(const QMimeData* data) const {
  std::string current;
  std::vector<SafeItem> items;
  std::vector<std::string> folders;
  if (!data || !DecodeItems(data->data(kSafeItemsMime), current, items)) return folders;
  for (const SafeItem& i : items)
    if (i.kind == SafeItemKind::kFolder) folders.push_back(i.name);
  return folders;
}

bool kvTSafeView::TreeViewSafeDragOver(const QTreeWidgetItem* node, const QMimeData* data) {
  if (!node || !data || !data->hasFormat(kSafeItemsMime)) return false;
  std::string from;
  std::vector<SafeItem> items;
  if (!DecodeItems(data->data(kSafeItemsMime), from, items) || items.empty()) return false;
  const std::string cur = CurrentFolder();
  // Only a drag out of the list as it shows now.
  if (!SameSafeFolder(from, cur)) return false;
  return DragAccepted(cur, DraggedFolders(data), NodePath(node));
}

void kvTSafeView::TreeViewSafeDragDrop(const QTreeWidgetItem* node, const QMimeData* data) {
  if (!TreeViewSafeDragOver(node, data)) return;
  std::string from;
  std::vector<SafeItem> items;
  DecodeItems(data->data(kSafeItemsMime), from, items);
  SafeMoveItems(form_, items, NodePath(node));
}

bool kvTSafeView::eventFilter(QObject* watched, QEvent* e) {
  const QEvent::Type type = e->type();
  if (watched == list_ && type == QEvent::KeyRelease) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      ListViewSafeDblClick(form_.ListViewSafe->currentItem());
      return true;
    }
    if (k->key() == Qt::Key_Delete) {
      SafeDelete(form_);
      return true;
    }
  } else if (watched == listViewport_ && type == QEvent::MouseButtonPress) {
    downPoint_ = static_cast<QMouseEvent*>(e)->position().toPoint();
    dragIndex_ = -1;
  } else if (watched == listViewport_ && type == QEvent::MouseButtonRelease) {
    dragIndex_ = -1;
  } else if (watched == listViewport_ && type == QEvent::MouseMove) {
    auto* m = static_cast<QMouseEvent*>(e);
    const QPoint d = m->position().toPoint() - downPoint_;
    if ((m->buttons() & Qt::LeftButton) && dragIndex_ < 0 &&
        (std::abs(d.x()) > kDragDistance || std::abs(d.y()) > kDragDistance)) {
      if (QMimeData* data = DragData()) {
        QTreeWidget* list = form_.ListViewSafe;
        dragIndex_ = list->indexOfTopLevelItem(list->currentItem());
        startDrag(data);
        return true;
      }
    }
  } else if (watched == treeViewport_ &&
             (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
    auto* d = static_cast<QDropEvent*>(e);
    if (!d->mimeData()->hasFormat(kSafeItemsMime)) return false;
    if (type == QEvent::DragEnter) {
      d->acceptProposedAction();
      return true;
    }
    QTreeWidgetItem* node = form_.TreeViewSafe->itemAt(d->position().toPoint());
    if (!TreeViewSafeDragOver(node, d->mimeData())) {
      d->ignore();
      return true;
    }
    d->acceptProposedAction();
    if (type == QEvent::Drop) TreeViewSafeDragDrop(node, d->mimeData());
    return true;
  }
  return QObject::eventFilter(watched, e);
}

kvTSafeView& SafeView(TMainForm& form) {
  auto* v = form.findChild<kvTSafeView*>("SafeView", Qt::FindDirectChildrenOnly);
  return v ? *v : *new kvTSafeView(form);
}

void RefreshSafeView(TMainForm& form) { SafeView(form).Refresh(); }

}  // namespace kiv
