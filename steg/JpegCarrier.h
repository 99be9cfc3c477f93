// steg.JPEG: hidden bytes in comment (COM) segments placed just before the
// start of scan; a hidden-data segment's payload starts with 0x00.
// The format of a copy carrier (CopyCarrierOf, CarrierBase.h).
#pragma once
#include <cstdint>

#include "zk5Clsid.h"
#include "zk5Steg.h"
#include "zk5Stream.h"

namespace zk::steg {

struct Jpeg {
  static constexpr const char* kClassId = id::StegJPEG;
  static constexpr int32_t kKind = kCarrierImage;

  static constexpr uint32_t kSegmentData = 0xFFFC;  // hidden bytes in one full segment

  static StatusCode GetCapacity(IFileStrem* carrier, uint64_t* size);
  static StatusCode GetHiddenSize(IFileStrem* carrier, uint64_t* size);
  static StatusCode Extract(IFileStrem* carrier, IStream* out, uint64_t count);
  static StatusCode Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out);
  static StatusCode Wipe(IFileStrem* carrier, IFileStrem* out);
};

}  // namespace zk::steg
