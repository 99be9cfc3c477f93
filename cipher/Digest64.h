// The frame the 64-byte-block digests share (hash.MD5, hash.SHA,
// hash.SHA32): the buffer, the 64-bit byte count, whole blocks compressed
// straight from the caller's data, and the padding (0x80, zeros, the bit
// count in the last 8 bytes). The chaining words and the buffer are wiped
// when the object goes.
//
// Self provides:
//   static void Reset(uint32_t* h);
//   static void Compress(uint32_t* h, const uint8_t* blocks, size_t count);
//   static void StoreBitCount(uint8_t* last8, uint64_t bits);
//   static void Output(const uint32_t* h, uint8_t* out);
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "BlockCommon.h"

namespace zk::cipher {

// Whether the processor's SHA instructions are there and used (on by
// default when present) by hash.SHA and hash.SHA32. Both forms give the
// same bytes; tests run each.
bool ShaHardwareAvailable();
void ShaUseHardware(bool on);
bool ShaUsingHardware();

// What a digest is, as its frame needs it: the number of 32-bit chaining
// words, the digest size in bytes, and whether Update with no data and a
// non-zero length answers -2 (otherwise nothing is added and 0 comes back).
struct DigestShape {
  uint32_t chainWords;
  uint32_t digestSize;
  bool nullDataFails;
};

// A class gives its shape as a named constant with every field named
// (kMd5Shape in Md5.cpp).
template <class Self, DigestShape kShape>
class Digest64 : public ToolkitObject<Self, IHash> {
  static constexpr uint32_t kWords = kShape.chainWords;
  static constexpr uint32_t kDigest = kShape.digestSize;

 public:
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoIHash, 0}};

  Digest64() { Init(); }

  uint32_t GetDigestSize() override { return kDigest; }
  uint32_t GetBlockSize() override { return 64; }

  StatusCode Init() override {
    Self::Reset(h_);
    count_ = 0;
    fill_ = 0;
    return kOk;
  }

  StatusCode Update(const void* data, uint32_t length) override {
    if (length == 0) return kOk;
    if (!data) return kShape.nullDataFails ? kInvalidArg : kOk;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    count_ += length;
    if (fill_) {
      uint32_t take = 64 - fill_ < length ? 64 - fill_ : length;
      std::memcpy(buf_ + fill_, p, take);
      fill_ += take;
      p += take;
      length -= take;
      if (fill_ < 64) return kOk;
      Self::Compress(h_, buf_, 1);
      fill_ = 0;
    }
    if (length >= 64) {
      Self::Compress(h_, p, length / 64);
      p += length / 64 * 64;
      length %= 64;
    }
    if (length) std::memcpy(buf_, p, length);
    fill_ = length;
    return kOk;
  }

  // Pads and compresses in place: the state is finished, not reset.
  StatusCode Final(void* out, uint32_t outSize) override {
    if (!out || outSize < kDigest) return kInvalidArg;
    buf_[fill_++] = 0x80;
    if (fill_ > 56) {
      std::memset(buf_ + fill_, 0, 64 - fill_);
      Self::Compress(h_, buf_, 1);
      fill_ = 0;
    }
    std::memset(buf_ + fill_, 0, 56 - fill_);
    Self::StoreBitCount(buf_ + 56, count_ << 3);
    Self::Compress(h_, buf_, 1);
    fill_ = 0;
    Self::Output(h_, static_cast<uint8_t*>(out));
    return kOk;
  }

 protected:
  ~Digest64() {
    Wipe(h_, sizeof h_);
    Wipe(buf_, sizeof buf_);
    count_ = 0;
  }

 private:
  uint32_t h_[kWords];
  uint64_t count_ = 0;
  uint32_t fill_ = 0;
  uint8_t buf_[64];
};

}  // namespace zk::cipher
