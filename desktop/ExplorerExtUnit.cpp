#include "desktop/ExplorerExtUnit.h"

#include <QApplication>
#include <QPixmap>
#include <QStyle>
#include <cctype>
#include <utility>

namespace kiv {

namespace {

// A picture of exactly side x side pixels, as the image lists hold.
QIcon Sized(const QIcon& icon, int side) {
  QIcon out;
  out.addPixmap(icon.pixmap(side, side).scaled(side, side, Qt::KeepAspectRatio,
                                               Qt::SmoothTransformation));
  return out;
}

}  // namespace

kvTExplorerExt::kvTExplorerExt(ExtensionLookup lookup) : lookup_(std::move(lookup)) {
  QStyle* style = QApplication::style();
  for (QStyle::StandardPixmap p : {QStyle::SP_FileIcon, QStyle::SP_ComputerIcon,
                                   QStyle::SP_DirClosedIcon, QStyle::SP_DirOpenIcon}) {
    const QIcon icon = style->standardIcon(p);
    small_.push_back(Sized(icon, 16));
    large_.push_back(Sized(icon, 32));
  }
}

std::string kvTExplorerExt::Key(const std::string& ext) {
  std::string key = ext;
  if (key.empty() || key.front() != '.') key.insert(key.begin(), '.');
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

const kvTExplorerExt::Entry* kvTExplorerExt::Cached(const std::string& key) const {
  for (const Entry& e : cache_)
    if (e.ext == key) return &e;
  return nullptr;
}

const kvTExplorerExt::Entry* kvTExplorerExt::Find(const std::string& ext) {
  const std::string key = Key(ext);
  if (key.size() < 2) return nullptr;
  if (const Entry* e = Cached(key)) return e;
  if (!lookup_) return nullptr;
  const ExtensionLook look = lookup_(QString::fromUtf8(key.substr(1)).toLower());
  if (!look.found) return nullptr;
  // A known type whose theme has no picture shows the generic file icon.
  const QIcon icon =
      look.icon.isNull() ? QApplication::style()->standardIcon(QStyle::SP_FileIcon) : look.icon;
  Entry e;
  e.ext = key;
  e.description = look.description.toStdString();
  e.small = static_cast<int>(small_.size());
  small_.push_back(Sized(icon, 16));
  e.large = static_cast<int>(large_.size());
  large_.push_back(Sized(icon, 32));
  cache_.push_back(std::move(e));
  return &cache_.back();
}

int kvTExplorerExt::SmallIconIndex(const std::string& ext) {
  const Entry* e = Find(ext);
  return e ? e->small : -1;
}

int kvTExplorerExt::LargeIconIndex(const std::string& ext) {
  const Entry* e = Find(ext);
  return e ? e->large : -1;
}

std::string kvTExplorerExt::ExtensionDescription(const std::string& ext) const {
  const Entry* e = Cached(Key(ext));
  return e ? e->description : std::string();
}

QIcon kvTExplorerExt::SmallIcon(int index) const {
  return index >= 0 && index < static_cast<int>(small_.size()) ? small_[index] : QIcon();
}

QIcon kvTExplorerExt::LargeIcon(int index) const {
  return index >= 0 && index < static_cast<int>(large_.size()) ? large_[index] : QIcon();
}

ExtensionLookup kvTExplorerExt::AsLookup() {
  return [this](const QString& ext) {
    ExtensionLook look;
    const int index = SmallIconIndex(ext.toStdString());
    if (index < 0) return look;
    look.icon = SmallIcon(index);
    look.description = QString::fromStdString(ExtensionDescription(ext.toStdString()));
    look.found = true;
    return look;
  };
}

}  // namespace kiv
