// steg.MP3: hidden bytes in one frame of the ID3 version 2 tag at the start
// of the file, a frame whose identifier is made of blanks (three for tag
// version 2, four for versions 3 and 4). The audio is copied unchanged.
// The format of a copy carrier (CopyCarrierOf, CarrierBase.h).
#pragma once
#include <cstdint>

#include "zk5Clsid.h"
#include "zk5Steg.h"
#include "zk5Stream.h"

namespace zk::steg {

struct Mp3 {
  static constexpr const char* kClassId = id::StegMP3;
  static constexpr int32_t kKind = kCarrierSound;

  // The largest value of the tag size field.
  static constexpr uint64_t kTagLimit = 0x0FFFFFFF;

  // The carrier's own size encoding (tag sizes, version-4 frame sizes): four
  // bytes, most significant group first, each holding a 7-bit group in its
  // bits 1-7 with bit 0 zero.
  static void PutTagSize(uint8_t* p, uint32_t value);
  static uint32_t TagSizeOf(const uint8_t* p);
  // The same field as other ID3 writers store it: the 7-bit groups in bits
  // 0-6 with bit 7 zero.
  static uint32_t SyncsafeOf(const uint8_t* p);

  static StatusCode GetCapacity(IFileStrem* carrier, uint64_t* size);
  static StatusCode GetHiddenSize(IFileStrem* carrier, uint64_t* size);
  static StatusCode Extract(IFileStrem* carrier, IStream* out, uint64_t count);
  static StatusCode Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out);
  static StatusCode Wipe(IFileStrem* carrier, IFileStrem* out);
};

}  // namespace zk::steg
