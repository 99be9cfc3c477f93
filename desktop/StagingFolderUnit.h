// Why the engine gave kCannotOpen when its staging folder for temporary
// files is refused by the private-folder rule (a symbolic link, another
// user's folder, not a folder): the text that names the folder and why.
#pragma once
#include <QString>
#include <cstdint>

#include "zk5script.h"

namespace kiv {

namespace txt {
inline constexpr int32_t kStagingFolderRefused = 920;  // followed by the folder
inline constexpr int32_t kStagingFolderLink = 921;
inline constexpr int32_t kStagingFolderOtherOwner = 922;
inline constexpr int32_t kStagingFolderNotFolder = 923;
}  // namespace txt

// Text 920, the folder and the reason's text, each on a line of its own;
// empty when the staging folder is not refused (then the code has another
// cause).
QString StagingFolderRefusalText(zk::ITextRes* texts);

}  // namespace kiv
