// Why the engine gave kCannotOpen when its staging folder for temporary
// files is refused by the private-folder rule (a symbolic link, another
// user's folder, not a folder): the text that names the folder and why.
#pragma once
#include <QString>
#include <cstdint>

#include "desktop/TextIds.h"
#include "zk5script.h"

namespace kiv {

// The refusal text, the folder and the reason's text, each on a line of its own;
// empty when the staging folder is not refused (then the code has another
// cause).
QString StagingFolderRefusalText(zk::ITextRes* texts);

}  // namespace kiv
