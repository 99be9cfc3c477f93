// cipher.IDEA: the published IDEA (8 rounds and the output transform),
// 16-bit words big-endian; the decryption subkeys are derived at SetKey.
#include "BlockCommon.h"

namespace zk::cipher {
namespace {

// Multiplication modulo 65537 with 0 standing for 65536.
inline uint16_t Mul(uint16_t a, uint16_t b) {
  if (!a) return uint16_t(1 - b);
  if (!b) return uint16_t(1 - a);
  uint32_t p = uint32_t(a) * b;
  uint16_t lo = uint16_t(p), hi = uint16_t(p >> 16);
  return uint16_t(lo - hi + (lo < hi ? 1 : 0));
}

// Multiplicative inverse modulo 65537 (0 and 1 are their own).
uint16_t Inverse(uint16_t x) {
  if (x <= 1) return x;
  // Extended Euclid on (65537, x): t0 * x = r0 (mod 65537) throughout.
  int32_t r0 = 65537, r1 = x, t0 = 0, t1 = 1;
  while (r1) {
    const int32_t q = r0 / r1;
    const int32_t r2 = r0 - q * r1, t2 = t0 - q * t1;
    r0 = r1, r1 = r2;
    t0 = t1, t1 = t2;
  }
  return uint16_t(t0 < 0 ? t0 + 65537 : t0);
}

constexpr BlockCipherShape kIdeaShape{
    .blockSize = 8, .minKeySize = 16, .maxKeySize = 16, .nullBufferFails = false};

class Idea final : public BlockCipherBase<Idea, kIdeaShape> {
 public:
  static constexpr const char* kClassId = id::CipherIDEA;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoIBlockCipher, 0}};

  Idea() {
    std::memset(ek_, 0, sizeof ek_);
    std::memset(dk_, 0, sizeof dk_);
  }
  ~Idea() {
    Wipe(ek_, sizeof ek_);
    Wipe(dk_, sizeof dk_);
  }

  StatusCode SetKey(const void* key, uint32_t length) override {
    if (!key || length != 16) return kInvalidArg;
    const uint8_t* k = static_cast<const uint8_t*>(key);
    // The 128-bit key as two halves, rotated left by 25 bits per group of 8.
    uint64_t hi = 0, lo = 0;
    for (int i = 0; i < 8; ++i) hi = hi << 8 | k[i];
    for (int i = 8; i < 16; ++i) lo = lo << 8 | k[i];
    for (int i = 0; i < 52; ++i) {
      int w = i & 7;
      ek_[i] = uint16_t(w < 4 ? hi >> (48 - 16 * w) : lo >> (48 - 16 * (w - 4)));
      if (w == 7) {
        uint64_t nh = hi << 25 | lo >> 39, nl = lo << 25 | hi >> 39;
        hi = nh, lo = nl;
      }
    }
    hi = lo = 0;
    // Decryption subkeys, filled from the end as the published algorithm
    // prescribes.
    const uint16_t* e = ek_;
    int p = 52;
    auto neg = [](uint16_t v) { return uint16_t(0u - v); };
    uint16_t t1 = Inverse(*e++), t2 = neg(*e++), t3 = neg(*e++);
    dk_[--p] = Inverse(*e++);
    dk_[--p] = t3;
    dk_[--p] = t2;
    dk_[--p] = t1;
    for (int i = 0; i < 7; ++i) {
      t1 = *e++;
      dk_[--p] = *e++;
      dk_[--p] = t1;
      t1 = Inverse(*e++), t2 = neg(*e++), t3 = neg(*e++);
      dk_[--p] = Inverse(*e++);
      dk_[--p] = t2;
      dk_[--p] = t3;
      dk_[--p] = t1;
    }
    t1 = *e++;
    dk_[--p] = *e++;
    dk_[--p] = t1;
    t1 = Inverse(*e++), t2 = neg(*e++), t3 = neg(*e++);
    dk_[--p] = Inverse(*e++);
    dk_[--p] = t3;
    dk_[--p] = t2;
    dk_[--p] = t1;
    t1 = t2 = t3 = 0;
    return kOk;
  }

  // Each block's rounds form one chain of multiplications: two go abreast.
  static constexpr int kAbreast = 2;
  template <int kBlocks, bool kDecrypt>
  void Crypt(uint8_t* b) const {
    const uint16_t* k = kDecrypt ? dk_ : ek_;
    uint16_t x1[kBlocks], x2[kBlocks], x3[kBlocks], x4[kBlocks];
    for (int n = 0; n < kBlocks; ++n) {
      const uint8_t* q = b + 8 * n;
      x1[n] = uint16_t(q[0] << 8 | q[1]), x2[n] = uint16_t(q[2] << 8 | q[3]);
      x3[n] = uint16_t(q[4] << 8 | q[5]), x4[n] = uint16_t(q[6] << 8 | q[7]);
    }
#pragma GCC unroll 8
    for (int r = 0; r < 8; ++r, k += 6) {
#pragma GCC unroll 2
      for (int n = 0; n < kBlocks; ++n) {
        x1[n] = Mul(x1[n], k[0]);
        x2[n] = uint16_t(x2[n] + k[1]);
        x3[n] = uint16_t(x3[n] + k[2]);
        x4[n] = Mul(x4[n], k[3]);
        uint16_t s3 = x3[n];
        x3[n] = Mul(uint16_t(x3[n] ^ x1[n]), k[4]);
        uint16_t s2 = x2[n];
        x2[n] = Mul(uint16_t((x2[n] ^ x4[n]) + x3[n]), k[5]);
        x3[n] = uint16_t(x3[n] + x2[n]);
        x1[n] ^= x2[n];
        x4[n] ^= x3[n];
        x2[n] ^= s3;
        x3[n] ^= s2;
      }
    }
    for (int n = 0; n < kBlocks; ++n) {
      uint16_t y1 = Mul(x1[n], k[0]), y2 = uint16_t(x3[n] + k[1]);
      uint16_t y3 = uint16_t(x2[n] + k[2]), y4 = Mul(x4[n], k[3]);
      uint8_t* q = b + 8 * n;
      q[0] = uint8_t(y1 >> 8), q[1] = uint8_t(y1);
      q[2] = uint8_t(y2 >> 8), q[3] = uint8_t(y2);
      q[4] = uint8_t(y3 >> 8), q[5] = uint8_t(y3);
      q[6] = uint8_t(y4 >> 8), q[7] = uint8_t(y4);
    }
  }

 private:
  uint16_t ek_[52];
  uint16_t dk_[52];
};

}  // namespace
}  // namespace zk::cipher

using IdeaCipher = zk::cipher::Idea;
ZK_REGISTER_CLASS(IdeaCipher)
