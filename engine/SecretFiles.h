// Files the secret works in: staging streams (memory up to 16 MiB, else a
// delete-on-close file in the user's private temporary folder). Its media
// are written through FileReplacement.
#pragma once
#include <cstdint>
#include <string>

#include "FileReplacement.h"
#include "zk5Stream.h"

namespace zk::engine {

namespace seam {
// Refuses opening a medium for writing (a read-only medium without
// changing permissions; null: the file system decides).
extern bool (*refuseWrite)(const char* path);
// Told of every staging decision (size asked for, whether a file was made).
extern void (*onStage)(uint64_t size, bool file);
}  // namespace seam

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
