// steg.PNG: hidden bytes in one "tEXt" chunk with the keyword "Comment",
// appended after the last chunk; every other "tEXt" chunk is dropped.
#pragma once
#include <cstdint>

#include "zk5Stream.h"

namespace zk::png {

constexpr uint64_t kCapacity = 0x7FFFFFFE;

// The reflected CRC-32 table (polynomial 0xEDB88320) of the PNG chunk CRC.
void BuildCrcTable(uint32_t table[256]);
uint32_t Crc(const uint32_t table[256], uint32_t crc, const uint8_t* p, uint64_t n);

StatusCode GetCapacity(IFileStrem* carrier, uint64_t* size);
StatusCode GetHiddenSize(IFileStrem* carrier, uint64_t* size);
StatusCode Extract(IFileStrem* carrier, IStream* out, uint64_t count);
StatusCode Embed(const uint32_t table[256], IFileStrem* carrier, IFileStrem* data, IFileStrem* out);
StatusCode Wipe(const uint32_t table[256], IFileStrem* carrier, IFileStrem* out);

}  // namespace zk::png
