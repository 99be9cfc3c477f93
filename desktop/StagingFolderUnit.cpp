#include "desktop/StagingFolderUnit.h"

#include "PrivateFolder.h"
#include "desktop/CommonUnit.h"
#include "desktop/TextIds.h"

namespace kiv {

QString StagingFolderRefusalText(zk::ITextRes* texts) {
  const std::string folder = zk::StagingFolder();
  int32_t reason = 0;
  switch (zk::InspectPrivateFolder(folder)) {
    case zk::FolderRefusal::kLink: reason = txt::kStagingFolderLink; break;
    case zk::FolderRefusal::kOtherOwner: reason = txt::kStagingFolderOtherOwner; break;
    case zk::FolderRefusal::kNotFolder: reason = txt::kStagingFolderNotFolder; break;
    default: return QString();  // usable, or made when it is needed
  }
  return GetResText(texts, txt::kStagingFolderRefused) + "\n " + QString::fromStdString(folder) + "\n " +
         GetResText(texts, reason);
}

}  // namespace kiv
