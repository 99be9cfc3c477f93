// Little- and big-endian loads and stores of 16-, 32- and 64-bit values at
// any byte address: the one place the toolkit spells out byte order.
#pragma once
#include <cstdint>

namespace zk {

inline uint16_t LoadLE16(const void* p) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}
inline uint32_t LoadLE32(const void* p) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
         (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}
inline uint64_t LoadLE64(const void* p) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  return static_cast<uint64_t>(LoadLE32(b)) | (static_cast<uint64_t>(LoadLE32(b + 4)) << 32);
}
inline uint16_t LoadBE16(const void* p) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  return static_cast<uint16_t>((b[0] << 8) | b[1]);
}
inline uint32_t LoadBE32(const void* p) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  return (static_cast<uint32_t>(b[0]) << 24) | (static_cast<uint32_t>(b[1]) << 16) |
         (static_cast<uint32_t>(b[2]) << 8) | static_cast<uint32_t>(b[3]);
}
inline void StoreLE16(void* p, uint16_t v) {
  uint8_t* b = static_cast<uint8_t*>(p);
  b[0] = static_cast<uint8_t>(v);
  b[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreLE32(void* p, uint32_t v) {
  uint8_t* b = static_cast<uint8_t*>(p);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void StoreLE64(void* p, uint64_t v) {
  uint8_t* b = static_cast<uint8_t*>(p);
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void StoreBE16(void* p, uint16_t v) {
  uint8_t* b = static_cast<uint8_t*>(p);
  b[0] = static_cast<uint8_t>(v >> 8);
  b[1] = static_cast<uint8_t>(v);
}
inline void StoreBE32(void* p, uint32_t v) {
  uint8_t* b = static_cast<uint8_t*>(p);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// Little-endian fields of 1 to 4 bytes whose width is known only at run time.
inline uint32_t LoadLE(const void* p, unsigned bytes) {
  const uint8_t* b = static_cast<const uint8_t*>(p);
  uint32_t v = 0;
  for (unsigned i = bytes; i-- > 0;) v = (v << 8) | b[i];
  return v;
}
inline void StoreLE(void* p, unsigned bytes, uint32_t v) {
  uint8_t* b = static_cast<uint8_t*>(p);
  for (unsigned i = 0; i < bytes; ++i, v >>= 8) b[i] = static_cast<uint8_t>(v);
}

}  // namespace zk
