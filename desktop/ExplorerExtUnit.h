// kvTExplorerExt, the file-type icon cache: the icon and description the
// desktop registers for a file extension, found once through a lookup (the
// MIME database and icon theme by default) and kept in two image lists.
//
// Both lists begin with the main window's fixed images, so that every cached
// extension has an index of 4 or more:
//   0 a file of no known type, 1 a program (".EXE"),
//   2 a closed folder, 3 an open folder.
// A cached extension has the same index in the small and the large list.
#pragma once
#include <QIcon>
#include <string>
#include <vector>

#include "desktop/EnvOptUnit.h"

namespace kiv {

class kvTExplorerExt {
 public:
  static constexpr int kFileImage = 0;
  static constexpr int kProgramImage = 1;
  static constexpr int kFolderImage = 2;
  static constexpr int kOpenFolderImage = 3;
  static constexpr int kFixedImages = 4;

  explicit kvTExplorerExt(ExtensionLookup lookup = DesktopExtensionLook);

  // The index of the extension's icon, or -1. Case is ignored and a "." is
  // put in front when missing. An extension shorter than two characters
  // (with its dot), or one without a registered type, gives -1 and is not
  // cached: it is looked up again next time.
  int SmallIconIndex(const std::string& ext);
  int LargeIconIndex(const std::string& ext);
  // The description of a cached extension, else empty.
  std::string ExtensionDescription(const std::string& ext) const;

  // The image lists (16x16 and 32x32 pictures); a null icon outside them.
  QIcon SmallIcon(int index) const;
  QIcon LargeIcon(int index) const;
  int ImageCount() const { return static_cast<int>(small_.size()); }

  // The cache as a lookup for the options dialog's extension list.
  ExtensionLookup AsLookup();

 private:
  struct Entry {
    std::string ext;  // upper case, with its dot
    int small = -1, large = -1;
    std::string description;
  };
  // The extension in upper case with its dot.
  static std::string Key(const std::string& ext);
  const Entry* Cached(const std::string& key) const;
  // The cache entry of the extension, looked up and appended on a miss;
  // null when it has none.
  const Entry* Find(const std::string& ext);

  ExtensionLookup lookup_;
  std::vector<QIcon> small_, large_;
  std::vector<Entry> cache_;
};

}  // namespace kiv
