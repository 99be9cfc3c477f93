// kiv.CFileWrap: a file stream that puts the file's two times back on its
// path when it is closed and when it is destroyed, so that hiding a secret
// in a carrier leaves the carrier's dates as they were.
#pragma once
#include <cstdint>

#include "zk5Stream.h"

namespace zk::engine {

// Wraps file (one reference taken) for path; the times are read from the
// path now.
StatusCode MakeFileWrap(IFileSystem* fs, IFileStrem* file, const char* path, IFileStrem** out);
// The same with times given (a file put in the place of another keeps the
// other's times).
StatusCode MakeFileWrapWithTimes(IFileSystem* fs, IFileStrem* file, const char* path, uint32_t created,
                                 uint32_t modified, IFileStrem** out);
// The times a wrapper made above puts back.
void FileWrapTimes(IFileStrem* wrap, uint32_t* created, uint32_t* modified);

}  // namespace zk::engine
