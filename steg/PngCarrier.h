// steg.PNG: hidden bytes in one "tEXt" chunk with the keyword "Comment",
// appended after the last chunk; every other "tEXt" chunk is dropped.
// The format of a copy carrier (CopyCarrierOf, CarrierBase.h).
#pragma once
#include <cstdint>

#include "zk5Clsid.h"
#include "zk5Steg.h"
#include "zk5Stream.h"

namespace zk::steg {

struct Png {
  static constexpr const char* kClassId = id::StegPNG;
  static constexpr int32_t kKind = kCarrierImage;

  static constexpr uint64_t kCapacity = 0x7FFFFFFE;

  // The reflected CRC-32 table (polynomial 0xEDB88320) of the PNG chunk CRC.
  static void BuildCrcTable(uint32_t table[256]);
  static uint32_t Crc(const uint32_t table[256], uint32_t crc, const uint8_t* p, uint64_t n);

  // Builds the chunk CRC table, the one state a carrier object keeps.
  Png();

  static StatusCode GetCapacity(IFileStrem* carrier, uint64_t* size);
  static StatusCode GetHiddenSize(IFileStrem* carrier, uint64_t* size);
  static StatusCode Extract(IFileStrem* carrier, IStream* out, uint64_t count);
  StatusCode Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out) const;
  StatusCode Wipe(IFileStrem* carrier, IFileStrem* out) const;

 private:
  uint32_t crc_[256];
};

}  // namespace zk::steg
