// steg.JPEG: hidden bytes in comment (COM) segments placed just before the
// start of scan; a hidden-data segment's payload starts with 0x00.
#pragma once
#include <cstdint>

#include "zk5Stream.h"

namespace zk::jpeg {

constexpr uint32_t kSegmentData = 0xFFFC;  // hidden bytes in one full segment

StatusCode GetCapacity(IFileStrem* carrier, uint64_t* size);
StatusCode GetHiddenSize(IFileStrem* carrier, uint64_t* size);
StatusCode Extract(IFileStrem* carrier, IStream* out, uint64_t count);
StatusCode Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out);
StatusCode Wipe(IFileStrem* carrier, IFileStrem* out);

}  // namespace zk::jpeg
