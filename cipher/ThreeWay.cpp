// cipher.3Way: J. Daemen's 3-Way (96-bit block and key, 11 rounds), with
// the three words of block and key read little-endian.
#include "cipher/BlockCommon.h"

namespace zk::cipher {
namespace {

constexpr int kRounds = 11;

inline uint32_t ReverseBits(uint32_t x) {
  x = ((x >> 1) & 0x55555555u) | ((x & 0x55555555u) << 1);
  x = ((x >> 2) & 0x33333333u) | ((x & 0x33333333u) << 2);
  x = ((x >> 4) & 0x0f0f0f0fu) | ((x & 0x0f0f0f0fu) << 4);
  return __builtin_bswap32(x);
}

// Bit reversal of the three words, a0 and a2 exchanged.
inline void Mu(uint32_t* a) {
  uint32_t b0 = ReverseBits(a[2]), b1 = ReverseBits(a[1]), b2 = ReverseBits(a[0]);
  a[0] = b0, a[1] = b1, a[2] = b2;
}

inline void Gamma(uint32_t* a) {
  uint32_t b0 = a[0] ^ (a[1] | ~a[2]);
  uint32_t b1 = a[1] ^ (a[2] | ~a[0]);
  uint32_t b2 = a[2] ^ (a[0] | ~a[1]);
  a[0] = b0, a[1] = b1, a[2] = b2;
}

// theta: each word gains rotl16(c) ^ rotl8(c) of c = a0 ^ a1 ^ a2 (the
// terms every word shares) and its own four shifted terms, a_i << 24,
// a_i >> 24, a_(i+1) << 8 and a_(i+2) >> 8.
inline void Theta(uint32_t* a) {
  const uint32_t c = a[0] ^ a[1] ^ a[2];
  const uint32_t shared = Rotl32(c, 16) ^ Rotl32(c, 8);
  uint32_t b0 = a[0] ^ shared ^ (a[0] << 24) ^ (a[0] >> 24) ^ (a[1] << 8) ^ (a[2] >> 8);
  uint32_t b1 = a[1] ^ shared ^ (a[1] << 24) ^ (a[1] >> 24) ^ (a[2] << 8) ^ (a[0] >> 8);
  uint32_t b2 = a[2] ^ shared ^ (a[2] << 24) ^ (a[2] >> 24) ^ (a[0] << 8) ^ (a[1] >> 8);
  a[0] = b0, a[1] = b1, a[2] = b2;
}

inline void Rho(uint32_t* a) {
  Theta(a);
  a[0] = Rotr32(a[0], 10), a[2] = Rotl32(a[2], 1);  // pi-1
  Gamma(a);
  a[0] = Rotl32(a[0], 1), a[2] = Rotr32(a[2], 10);  // pi-2
}

void RoundConstants(uint32_t start, uint32_t* rc) {
  for (int i = 0; i <= kRounds; ++i) {
    rc[i] = start;
    start <<= 1;
    if (start & 0x10000) start ^= 0x11011;
  }
}

// The rounds over kBlocks blocks abreast (each block's rounds form one
// chain; further chains keep the processor busy).
template <int kBlocks>
inline __attribute__((always_inline)) void Rounds(const uint32_t* k, const uint32_t* rc,
                                                  uint32_t (*a)[3]) {
#pragma GCC unroll 11
  for (int i = 0; i < kRounds; ++i)
    for (int n = 0; n < kBlocks; ++n) {
      a[n][0] ^= k[0] ^ (rc[i] << 16);
      a[n][1] ^= k[1];
      a[n][2] ^= k[2] ^ rc[i];
      Rho(a[n]);
    }
  for (int n = 0; n < kBlocks; ++n) {
    a[n][0] ^= k[0] ^ (rc[kRounds] << 16);
    a[n][1] ^= k[1];
    a[n][2] ^= k[2] ^ rc[kRounds];
    Theta(a[n]);
  }
}

class ThreeWay final : public BlockCipherBase<ThreeWay, 12, 12, 12, false> {
 public:
  static constexpr const char* kClassId = id::CipherThreeWay;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoIBlockCipher, 0}};

  ThreeWay() {
    std::memset(k_, 0, sizeof k_);
    std::memset(ki_, 0, sizeof ki_);
    RoundConstants(0x0B0B, rce_);
    RoundConstants(0xB1B1, rcd_);
  }
  ~ThreeWay() {
    Wipe(k_, sizeof k_);
    Wipe(ki_, sizeof ki_);
  }

  StatusCode SetKey(const void* key, uint32_t length) override {
    if (!key || length != 12) return kInvalidArg;
    const uint8_t* p = static_cast<const uint8_t*>(key);
    for (int i = 0; i < 3; ++i) ki_[i] = k_[i] = LoadLE32(p + 4 * i);
    Theta(ki_);
    Mu(ki_);
    return kOk;
  }

  static constexpr int kAbreast = 4;

  // Decryption: mu, the rounds with ki and the decryption constants, mu.
  template <int kBlocks, bool kDecrypt>
  void Crypt(uint8_t* p) const {
    uint32_t a[kBlocks][3];
    for (int n = 0; n < kBlocks; ++n)
      for (int i = 0; i < 3; ++i) a[n][i] = LoadLE32(p + 12 * n + 4 * i);
    if constexpr (kDecrypt) {
      for (int n = 0; n < kBlocks; ++n) Mu(a[n]);
      Rounds<kBlocks>(ki_, rcd_, a);
      for (int n = 0; n < kBlocks; ++n) Mu(a[n]);
    } else {
      Rounds<kBlocks>(k_, rce_, a);
    }
    for (int n = 0; n < kBlocks; ++n)
      for (int i = 0; i < 3; ++i) StoreLE32(p + 12 * n + 4 * i, a[n][i]);
  }

 private:
  uint32_t k_[3];
  uint32_t ki_[3];
  uint32_t rce_[kRounds + 1];
  uint32_t rcd_[kRounds + 1];
};

}  // namespace
}  // namespace zk::cipher

using ThreeWayCipher = zk::cipher::ThreeWay;
ZK_REGISTER_CLASS(ThreeWayCipher)
