// cipher.3Way: J. Daemen's 3-Way (96-bit block and key, 11 rounds), with
// the three words of block and key read little-endian.
#include <type_traits>

#include "BlockCommon.h"

namespace zk::cipher {
namespace {

constexpr int kRounds = 11;

// The round functions work on a word type W: one block's words
// (uint32_t), or the same word of four blocks side by side in vector lanes
// (Lanes), so that ECB runs four blocks with each instruction.
using Lanes = uint32_t __attribute__((vector_size(16)));

inline uint32_t& Lane(uint32_t& w, int) { return w; }
inline uint32_t& Lane(Lanes& w, int n) { return reinterpret_cast<uint32_t*>(&w)[n]; }

template <int n, class W>
inline W RotL(W x) {
  return (x << n) | (x >> (32 - n));
}

template <class W>
inline W ReverseBits(W x) {
  x = ((x >> 1) & 0x55555555u) | ((x & 0x55555555u) << 1);
  x = ((x >> 2) & 0x33333333u) | ((x & 0x33333333u) << 2);
  x = ((x >> 4) & 0x0f0f0f0fu) | ((x & 0x0f0f0f0fu) << 4);
  return (x << 24) | ((x << 8) & 0xff0000u) | ((x >> 8) & 0xff00u) | (x >> 24);
}

// Bit reversal of the three words, a0 and a2 exchanged.
template <class W>
inline void Mu(W* a) {
  W b0 = ReverseBits(a[2]), b1 = ReverseBits(a[1]), b2 = ReverseBits(a[0]);
  a[0] = b0, a[1] = b1, a[2] = b2;
}

template <class W>
inline void Gamma(W* a) {
  W b0 = a[0] ^ (a[1] | ~a[2]);
  W b1 = a[1] ^ (a[2] | ~a[0]);
  W b2 = a[2] ^ (a[0] | ~a[1]);
  a[0] = b0, a[1] = b1, a[2] = b2;
}

// theta: each word gains rotl16(c) ^ rotl8(c) of c = a0 ^ a1 ^ a2 (the
// terms every word shares) and its own four shifted terms, a_i << 24,
// a_i >> 24, a_(i+1) << 8 and a_(i+2) >> 8.
template <class W>
inline void Theta(W* a) {
  const W c = a[0] ^ a[1] ^ a[2];
  const W shared = RotL<16>(c) ^ RotL<8>(c);
  W b0 = a[0] ^ shared ^ (a[0] << 24) ^ (a[0] >> 24) ^ (a[1] << 8) ^ (a[2] >> 8);
  W b1 = a[1] ^ shared ^ (a[1] << 24) ^ (a[1] >> 24) ^ (a[2] << 8) ^ (a[0] >> 8);
  W b2 = a[2] ^ shared ^ (a[2] << 24) ^ (a[2] >> 24) ^ (a[0] << 8) ^ (a[1] >> 8);
  a[0] = b0, a[1] = b1, a[2] = b2;
}

template <class W>
inline void Rho(W* a) {
  Theta(a);
  a[0] = RotL<22>(a[0]), a[2] = RotL<1>(a[2]);  // pi-1
  Gamma(a);
  a[0] = RotL<1>(a[0]), a[2] = RotL<22>(a[2]);  // pi-2
}

void RoundConstants(uint32_t start, uint32_t* rc) {
  for (int i = 0; i <= kRounds; ++i) {
    rc[i] = start;
    start <<= 1;
    if (start & 0x10000) start ^= 0x11011;
  }
}

template <class W>
inline void Rounds(const uint32_t* k, const uint32_t* rc, W* a) {
  for (int i = 0; i < kRounds; ++i) {
    a[0] ^= k[0] ^ (rc[i] << 16);
    a[1] ^= k[1];
    a[2] ^= k[2] ^ rc[i];
    Rho(a);
  }
  a[0] ^= k[0] ^ (rc[kRounds] << 16);
  a[1] ^= k[1];
  a[2] ^= k[2] ^ rc[kRounds];
  Theta(a);
}

constexpr BlockCipherShape kThreeWayShape{
    .blockSize = 12, .minKeySize = 12, .maxKeySize = 12, .nullBufferFails = false};

class ThreeWay final : public BlockCipherBase<ThreeWay, kThreeWayShape> {
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

  // One block in words, or four in vector lanes. Decryption: mu, the
  // rounds with ki and the decryption constants, mu.
  template <int kBlocks, bool kDecrypt>
  void Crypt(uint8_t* p) const {
    using W = std::conditional_t<kBlocks == 1, uint32_t, Lanes>;
    static_assert(sizeof(W) == 4 * kBlocks);
    W a[3];
    for (int i = 0; i < 3; ++i)
      for (int n = 0; n < kBlocks; ++n) Lane(a[i], n) = LoadLE32(p + 12 * n + 4 * i);
    if constexpr (kDecrypt) {
      Mu(a);
      Rounds(ki_, rcd_, a);
      Mu(a);
    } else {
      Rounds(k_, rce_, a);
    }
    for (int i = 0; i < 3; ++i)
      for (int n = 0; n < kBlocks; ++n) StoreLE32(p + 12 * n + 4 * i, Lane(a[i], n));
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
