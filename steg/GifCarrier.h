// steg.GIF: hidden bytes in an application extension appended just before
// the trailer; the block carries a self-checking marker in place of the
// application identifier.
// The format of a copy carrier (CopyCarrierOf, CarrierBase.h).
#pragma once
#include <cstdint>

#include "zk5Clsid.h"
#include "zk5Steg.h"
#include "zk5Stream.h"

namespace zk::steg {

struct Gif {
  static constexpr const char* kClassId = id::StegGIF;
  static constexpr int32_t kKind = kCarrierImage;

  // The 11 marker bytes for two values of the C library's rand().
  static void MakeMarker(uint32_t r1, uint32_t r2, uint8_t marker[11]);
  static bool IsMarker(const uint8_t marker[11]);

  static StatusCode GetCapacity(IFileStrem* carrier, uint64_t* size);
  static StatusCode GetHiddenSize(IFileStrem* carrier, uint64_t* size);
  static StatusCode Extract(IFileStrem* carrier, IStream* out, uint64_t count);
  static StatusCode Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out);
  static StatusCode Wipe(IFileStrem* carrier, IFileStrem* out);
};

}  // namespace zk::steg
