// steg.GIF: hidden bytes in an application extension appended just before
// the trailer; the block carries a self-checking marker in place of the
// application identifier.
#pragma once
#include <cstdint>

#include "zk5Stream.h"

namespace zk::gif {

// The 11 marker bytes for two values of the C library's rand().
void MakeMarker(uint32_t r1, uint32_t r2, uint8_t marker[11]);
bool IsMarker(const uint8_t marker[11]);

StatusCode GetCapacity(IFileStrem* carrier, uint64_t* size);
StatusCode GetHiddenSize(IFileStrem* carrier, uint64_t* size);
StatusCode Extract(IFileStrem* carrier, IStream* out, uint64_t count);
StatusCode Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out);
StatusCode Wipe(IFileStrem* carrier, IFileStrem* out);

}  // namespace zk::gif
