// cipher.CAST128: CAST-128 (RFC 2144), always with 16 rounds: stored data
// were made that way, also with keys of 10 bytes or fewer (where RFC 2144
// would run 12). Shorter keys are zero-padded to 16 bytes; the empty key is
// accepted and gives the all-zero key (kept for the same reason).
#include "BlockCommon.h"
#include "Cast128Sboxes.h"

namespace zk::cipher {
namespace {

const uint32_t* const S1 = kCastS[0];
const uint32_t* const S2 = kCastS[1];
const uint32_t* const S3 = kCastS[2];
const uint32_t* const S4 = kCastS[3];
const uint32_t* const S5 = kCastS[4];
const uint32_t* const S6 = kCastS[5];
const uint32_t* const S7 = kCastS[6];
const uint32_t* const S8 = kCastS[7];

// Byte i (0 = most significant of word 0) of a 128-bit value in four words.
inline uint32_t B(const uint32_t* w, int i) { return (w[i >> 2] >> (24 - 8 * (i & 3))) & 0xff; }

// One half of the key schedule: sixteen subkeys from x, which it advances.
void Schedule16(uint32_t* x, uint32_t* k) {
  uint32_t z[4];
  for (int half = 0; half < 2; ++half) {
    z[0] = x[0] ^ S5[B(x, 13)] ^ S6[B(x, 15)] ^ S7[B(x, 12)] ^ S8[B(x, 14)] ^ S7[B(x, 8)];
    z[1] = x[2] ^ S5[B(z, 0)] ^ S6[B(z, 2)] ^ S7[B(z, 1)] ^ S8[B(z, 3)] ^ S8[B(x, 10)];
    z[2] = x[3] ^ S5[B(z, 7)] ^ S6[B(z, 6)] ^ S7[B(z, 5)] ^ S8[B(z, 4)] ^ S5[B(x, 9)];
    z[3] = x[1] ^ S5[B(z, 10)] ^ S6[B(z, 9)] ^ S7[B(z, 11)] ^ S8[B(z, 8)] ^ S6[B(x, 11)];
    uint32_t* o = k + 8 * half;
    if (half == 0) {
      o[0] = S5[B(z, 8)] ^ S6[B(z, 9)] ^ S7[B(z, 7)] ^ S8[B(z, 6)] ^ S5[B(z, 2)];
      o[1] = S5[B(z, 10)] ^ S6[B(z, 11)] ^ S7[B(z, 5)] ^ S8[B(z, 4)] ^ S6[B(z, 6)];
      o[2] = S5[B(z, 12)] ^ S6[B(z, 13)] ^ S7[B(z, 3)] ^ S8[B(z, 2)] ^ S7[B(z, 9)];
      o[3] = S5[B(z, 14)] ^ S6[B(z, 15)] ^ S7[B(z, 1)] ^ S8[B(z, 0)] ^ S8[B(z, 12)];
    } else {
      o[0] = S5[B(z, 3)] ^ S6[B(z, 2)] ^ S7[B(z, 12)] ^ S8[B(z, 13)] ^ S5[B(z, 9)];
      o[1] = S5[B(z, 1)] ^ S6[B(z, 0)] ^ S7[B(z, 14)] ^ S8[B(z, 15)] ^ S6[B(z, 12)];
      o[2] = S5[B(z, 7)] ^ S6[B(z, 6)] ^ S7[B(z, 8)] ^ S8[B(z, 9)] ^ S7[B(z, 2)];
      o[3] = S5[B(z, 5)] ^ S6[B(z, 4)] ^ S7[B(z, 10)] ^ S8[B(z, 11)] ^ S8[B(z, 6)];
    }
    x[0] = z[2] ^ S5[B(z, 5)] ^ S6[B(z, 7)] ^ S7[B(z, 4)] ^ S8[B(z, 6)] ^ S7[B(z, 0)];
    x[1] = z[0] ^ S5[B(x, 0)] ^ S6[B(x, 2)] ^ S7[B(x, 1)] ^ S8[B(x, 3)] ^ S8[B(z, 2)];
    x[2] = z[1] ^ S5[B(x, 7)] ^ S6[B(x, 6)] ^ S7[B(x, 5)] ^ S8[B(x, 4)] ^ S5[B(z, 1)];
    x[3] = z[3] ^ S5[B(x, 10)] ^ S6[B(x, 9)] ^ S7[B(x, 11)] ^ S8[B(x, 8)] ^ S6[B(z, 3)];
    if (half == 0) {
      o[4] = S5[B(x, 3)] ^ S6[B(x, 2)] ^ S7[B(x, 12)] ^ S8[B(x, 13)] ^ S5[B(x, 8)];
      o[5] = S5[B(x, 1)] ^ S6[B(x, 0)] ^ S7[B(x, 14)] ^ S8[B(x, 15)] ^ S6[B(x, 13)];
      o[6] = S5[B(x, 7)] ^ S6[B(x, 6)] ^ S7[B(x, 8)] ^ S8[B(x, 9)] ^ S7[B(x, 3)];
      o[7] = S5[B(x, 5)] ^ S6[B(x, 4)] ^ S7[B(x, 10)] ^ S8[B(x, 11)] ^ S8[B(x, 7)];
    } else {
      o[4] = S5[B(x, 8)] ^ S6[B(x, 9)] ^ S7[B(x, 7)] ^ S8[B(x, 6)] ^ S5[B(x, 3)];
      o[5] = S5[B(x, 10)] ^ S6[B(x, 11)] ^ S7[B(x, 5)] ^ S8[B(x, 4)] ^ S6[B(x, 7)];
      o[6] = S5[B(x, 12)] ^ S6[B(x, 13)] ^ S7[B(x, 3)] ^ S8[B(x, 2)] ^ S7[B(x, 8)];
      o[7] = S5[B(x, 14)] ^ S6[B(x, 15)] ^ S7[B(x, 1)] ^ S8[B(x, 0)] ^ S8[B(x, 13)];
    }
  }
  Wipe(z, sizeof z);
}

inline uint32_t F1(uint32_t d, uint32_t km, uint32_t kr) {
  uint32_t i = Rotl32(km + d, kr);
  return ((S1[i >> 24] ^ S2[(i >> 16) & 0xff]) - S3[(i >> 8) & 0xff]) + S4[i & 0xff];
}
inline uint32_t F2(uint32_t d, uint32_t km, uint32_t kr) {
  uint32_t i = Rotl32(km ^ d, kr);
  return ((S1[i >> 24] - S2[(i >> 16) & 0xff]) + S3[(i >> 8) & 0xff]) ^ S4[i & 0xff];
}
inline uint32_t F3(uint32_t d, uint32_t km, uint32_t kr) {
  uint32_t i = Rotl32(km - d, kr);
  return ((S1[i >> 24] + S2[(i >> 16) & 0xff]) ^ S3[(i >> 8) & 0xff]) - S4[i & 0xff];
}

constexpr BlockCipherShape kCast128Shape{
    .blockSize = 8, .minKeySize = 5, .maxKeySize = 16, .nullBufferFails = true};

class Cast128 final : public BlockCipherBase<Cast128, kCast128Shape> {
 public:
  static constexpr const char* kClassId = id::CipherCAST128;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoIBlockCipher, 0}};

  Cast128() {
    std::memset(km_, 0, sizeof km_);
    std::memset(kr_, 0, sizeof kr_);
  }
  ~Cast128() {
    Wipe(km_, sizeof km_);
    Wipe(kr_, sizeof kr_);
  }

  StatusCode SetKey(const void* key, uint32_t length) override {
    if (length > 16 || (!key && length != 0)) return kInvalidArg;
    uint8_t padded[16] = {};
    if (length) std::memcpy(padded, key, length);
    uint32_t x[4], k[32];
    for (int i = 0; i < 4; ++i) x[i] = LoadBE32(padded + 4 * i);
    Schedule16(x, k);
    Schedule16(x, k + 16);
    for (int i = 0; i < 16; ++i) {
      km_[i] = k[i];
      kr_[i] = k[16 + i] & 31;
    }
    Wipe(padded, sizeof padded);
    Wipe(x, sizeof x);
    Wipe(k, sizeof k);
    return kOk;
  }

  static constexpr int kAbreast = 2;

  // Round i uses f1, f2, f3 by i mod 3. Decryption runs the rounds
  // backwards from (R16, L16) to (L0, R0). kBlocks blocks go abreast (each
  // block's rounds form one chain of lookups); their halves are pinned to
  // general registers each round so the compiler does not pack them into
  // vector lanes.
  template <int kBlocks, bool kDecrypt>
  void Crypt(uint8_t* b) const {
    uint32_t l[kBlocks], r[kBlocks];
    for (int n = 0; n < kBlocks; ++n) {
      l[n] = LoadBE32(b + 8 * n);
      r[n] = LoadBE32(b + 8 * n + 4);
    }
#pragma GCC unroll 16
    for (int step = 0; step < 16; ++step) {
      const int i = kDecrypt ? 15 - step : step;
      const uint32_t km = km_[i], kr = kr_[i];
#pragma GCC unroll 2
      for (int n = 0; n < kBlocks; ++n) {
        const uint32_t f = i % 3 == 0 ? F1(r[n], km, kr) : i % 3 == 1 ? F2(r[n], km, kr) : F3(r[n], km, kr);
        const uint32_t t = l[n] ^ f;
        l[n] = r[n];
        r[n] = t;
        __asm__("" : "+r"(l[n]), "+r"(r[n]));
      }
    }
    for (int n = 0; n < kBlocks; ++n) {
      StoreBE32(b + 8 * n, r[n]);
      StoreBE32(b + 8 * n + 4, l[n]);
    }
  }

 private:
  uint32_t km_[16];
  uint32_t kr_[16];
};

}  // namespace
}  // namespace zk::cipher

using Cast128Cipher = zk::cipher::Cast128;
ZK_REGISTER_CLASS(Cast128Cipher)
