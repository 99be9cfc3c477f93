#include "KeyFormat.h"

#include <cstring>

#include "ByteOrder.h"
#include "EngineTables.h"
#include "EngineCommon.h"

namespace zk::engine {

template <uint32_t kSize>
uint32_t KeyRecord<kSize>::Created() const {
  return zk::LoadLE32(bytes);
}
template <uint32_t kSize>
uint32_t KeyRecord<kSize>::Bits() const {
  return zk::LoadLE32(bytes + 4);
}
template <uint32_t kSize>
uint16_t KeyRecord<kSize>::BlobLength() const {
  return zk::LoadLE16(bytes + 140);
}
template <uint32_t kSize>
void KeyRecord<kSize>::Set(uint32_t created, uint32_t bits, const uint8_t owner[kOwnerSize],
                           const uint8_t* blob, uint32_t blobLength) {
  std::memset(bytes, 0, kSize);
  zk::StoreLE32(bytes, created);
  zk::StoreLE32(bytes + 4, bits);
  std::memcpy(bytes + 8, owner, kOwnerSize);
  zk::StoreLE16(bytes + 140, static_cast<uint16_t>(blobLength));
  if (blobLength) std::memcpy(bytes + kRecordHead, blob, blobLength);
}
template <uint32_t kSize>
bool KeyRecord<kSize>::Valid() const {
  return BlobLength() <= kBlobMax && OwnerTerminated(Owner());
}
template struct KeyRecord<kPairRecordSize>;
template struct KeyRecord<kPublicRecordSize>;
static_assert(PairRecord::kBlobMax == kMaxPrivateBlob && PublicRecord::kBlobMax == kMaxPublicBlob);

bool OwnerTerminated(const uint8_t owner[kOwnerSize]) {
  for (uint32_t f = 0; f < 4; ++f)
    if (!std::memchr(owner + f * kOwnerField, 0, kOwnerField)) return false;
  return true;
}

int CompareOwnerNames(const uint8_t* a, const uint8_t* b) {
  for (uint32_t i = 0; i < kOwnerField; ++i) {
    uint8_t x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<uint8_t>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<uint8_t>(y + 32);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
  return 0;
}

void FillKeyInfo(uint32_t created, uint32_t bits, const uint8_t* owner, zk::KeyInfo* info) {
  info->created = LocalCalendar(created);
  info->bits = static_cast<int32_t>(bits);
  std::memcpy(&info->owner, owner, kOwnerSize);
}

std::string UserIdText(const uint8_t owner[kOwnerSize]) {
  auto field = [&](int f) {
    const char* p = reinterpret_cast<const char*>(owner + f * kOwnerField);
    return std::string(p, strnlen(p, kOwnerField));
  };
  return field(0) + " " + field(1) + " (" + field(2) + ", " + field(3) + ")";
}

void BuildPrefix(zk::ICRC* crc, uint16_t mask, uint8_t byte5, uint8_t kind, uint8_t plain[kPrefixSize],
                 uint8_t stored[kPrefixSize]) {
  BuildMaskedPrefix(crc, mask, 1, byte5, kind, 0, stored);
  UnmaskPrefix(stored, plain);
}

StatusCode CheckPrefix(zk::ICRC* crc, const uint8_t stored[kPrefixSize], uint8_t byte5,
                       uint8_t plain[kPrefixSize]) {
  UnmaskPrefix(stored, plain);
  if (!PrefixCrcOk(crc, plain) || !PrefixMagicOk(plain)) return zk::kInvalidFormat;
  if (plain[4] != 1 || plain[5] != byte5) return zk::kInvalidFormat;
  return zk::kOk;
}

void BuildHeader(zk::ICRC* crc, uint32_t time, uint32_t format, uint32_t length,
                 const uint8_t digest[32], uint8_t header[kHeaderSize]) {
  std::memset(header, 0, kHeaderSize);
  zk::StoreLE32(header, time);
  zk::StoreLE32(header + 4, time);
  zk::StoreLE32(header + 8, format);
  zk::StoreLE32(header + 12, length);
  std::memcpy(header + 16, digest, 32);
  zk::StoreLE16(header + 50, static_cast<uint16_t>(crc->Crc16(0, header, 50)));
}

bool HeaderCrcHolds(zk::ICRC* crc, const uint8_t header[kHeaderSize]) {
  return (crc->Crc16(0, header, 50) & 0xffff) == zk::LoadLE16(header + 50);
}

}  // namespace zk::engine
