// Files the secret works in: staging streams (memory up to 16 MiB, else a
// delete-on-close file in the user's private temporary folder). Its media
// are written through FileReplacement.
#pragma once
#include <cstdint>
#include <string>

#include "FileReplacement.h"
#include "zk5Stream.h"

namespace zk::engine {

// The user's staging folder for temporary files (zk::StagingFolder, under
// the private-folder rule of PrivateFolder.h); kCannotOpen when the rule
// refuses it or it cannot be made.
StatusCode PrivateTempFolder(std::string* out);
// A new delete-on-close file there, opened exclusively.
StatusCode MakeTempFile(IFileSystem* fs, IFileStrem** out);
// A staging stream for `size` bytes.
StatusCode MakeStage(IFileSystem* fs, uint64_t size, IFileStrem** out);
// Zeroes what a working stream holds in memory, then empties it.
void WipeStream(IFileStrem* stream);

}  // namespace zk::engine
