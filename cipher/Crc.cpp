// CRC.StdCRC: CRC-16 of ARC (reflected polynomial 0xA001, no inversion) and
// CRC-32 of IEEE 802.3 (reflected 0xEDB88320, inverted in and out) over a
// buffer or the rest of a stream. The running value is the caller's seed.
// The stream forms read 4096 bytes at a time and stop at the end, at a
// failed read or at a read that returns nothing (a stream that answers
// nothing but never reports its end would otherwise keep them forever).
#include <array>

#include "BlockCommon.h"

namespace zk::cipher {
namespace {

template <uint32_t kPoly>
constexpr std::array<uint32_t, 256> ReflectedTable() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ kPoly : c >> 1;
    t[i] = c;
  }
  return t;
}
constexpr auto kT16 = ReflectedTable<0xA001>();
constexpr auto kT32 = ReflectedTable<0xEDB88320>();
static_assert(kT16[1] == 0xC0C1 && kT32[1] == 0x77073096);

uint32_t Run16(uint32_t crc, const uint8_t* p, uint32_t n) {
  crc &= 0xffff;
  for (uint32_t i = 0; i < n; ++i) crc = (crc >> 8) ^ kT16[(crc ^ p[i]) & 0xff];
  return crc;
}
uint32_t Run32(uint32_t crc, const uint8_t* p, uint32_t n) {
  crc = ~crc;
  for (uint32_t i = 0; i < n; ++i) crc = (crc >> 8) ^ kT32[(crc ^ p[i]) & 0xff];
  return ~crc;
}

class StdCrc final : public ToolkitObject<StdCrc, ICRC> {
 public:
  static constexpr const char* kClassId = id::CRCStdCRC;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoICRC, 0}};

  uint32_t Crc16(uint32_t seed, const void* data, uint32_t length) override {
    if (!data || length == 0) return seed;
    return Run16(seed, static_cast<const uint8_t*>(data), length);
  }
  uint32_t Crc32(uint32_t seed, const void* data, uint32_t length) override {
    if (!data || length == 0) return seed;
    return Run32(seed, static_cast<const uint8_t*>(data), length);
  }
  uint32_t Crc16Stream(uint32_t seed, IStream* stream) override { return OverStream(seed, stream, Run16); }
  uint32_t Crc32Stream(uint32_t seed, IStream* stream) override { return OverStream(seed, stream, Run32); }

 private:
  static uint32_t OverStream(uint32_t value, IStream* stream,
                             uint32_t (*run)(uint32_t, const uint8_t*, uint32_t)) {
    if (!stream || stream->IsEnd() != kOk) return value;
    uint8_t chunk[4096];
    for (;;) {
      uint32_t got = 0;
      if (stream->Read(chunk, sizeof chunk, &got) != kOk) return value;
      if (got > sizeof chunk) got = sizeof chunk;
      if (got == 0) return value;
      value = run(value, chunk, got);
      if (stream->IsEnd() != kOk) return value;
    }
  }
};

}  // namespace
}  // namespace zk::cipher

using StdCrcClass = zk::cipher::StdCrc;
ZK_REGISTER_CLASS(StdCrcClass)
