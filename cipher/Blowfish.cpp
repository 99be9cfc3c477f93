// cipher.Blowfish: Blowfish with the system's own two departures, which
// stored secrets depend on: the block halves are little-endian words, and
// the S-box refill after the P-array stores each group of four outputs
// interleaved over the four S-boxes (entries 2k and 2k+1 of S-box 1, then
// of S-boxes 2, 3 and 4) instead of filling the boxes one after another.
// Keys of any length from 1 byte are taken; only the first 72 bytes can
// matter (longer keys are accepted since stored keys may be longer).
#include "BlockCommon.h"
#include "BlowfishPi.h"

namespace zk::cipher {
namespace {

constexpr BlockCipherShape kBlowfishShape{
    .blockSize = 8, .minKeySize = 1, .maxKeySize = 56, .nullBufferFails = false};

class Blowfish final : public BlockCipherBase<Blowfish, kBlowfishShape> {
 public:
  static constexpr const char* kClassId = id::CipherBlowfish;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoIBlockCipher, 0}};

  Blowfish() {
    std::memset(p_, 0, sizeof p_);
    std::memset(s_, 0, sizeof s_);
  }
  ~Blowfish() {
    Wipe(p_, sizeof p_);
    Wipe(s_, sizeof s_);
  }

  StatusCode SetKey(const void* key, uint32_t length) override {
    if (!key || length == 0) return kInvalidArg;
    const uint8_t* k = static_cast<const uint8_t*>(key);
    std::memcpy(p_, kBlowfishPi, sizeof p_);
    std::memcpy(s_, kBlowfishPi + 18, sizeof s_);
    uint32_t j = 0;
    for (int i = 0; i < 18; ++i) {
      uint32_t w = 0;
      for (int b = 0; b < 4; ++b) {
        w = (w << 8) | k[j];
        if (++j == length) j = 0;
      }
      p_[i] ^= w;
    }
    uint32_t l = 0, r = 0;
    for (int i = 0; i < 18; i += 2) {
      Encrypt(l, r);
      p_[i] = l;
      p_[i + 1] = r;
    }
    for (int k2 = 0; k2 < 128; ++k2) {
      for (int box = 0; box < 4; ++box) {
        Encrypt(l, r);
        s_[box][2 * k2] = l;
        s_[box][2 * k2 + 1] = r;
      }
    }
    return kOk;
  }

  // Each block's rounds form one chain of lookups: two go abreast.
  static constexpr int kAbreast = 2;
  template <int kBlocks, bool kDecrypt>
  void Crypt(uint8_t* b) const {
    uint32_t l[kBlocks], r[kBlocks];
    for (int n = 0; n < kBlocks; ++n) {
      l[n] = LoadLE32(b + 8 * n);
      r[n] = LoadLE32(b + 8 * n + 4);
    }
    Rounds<kBlocks, kDecrypt>(l, r);
    for (int n = 0; n < kBlocks; ++n) {
      StoreLE32(b + 8 * n, l[n]);
      StoreLE32(b + 8 * n + 4, r[n]);
    }
  }

 private:
  inline uint32_t F(uint32_t x) const {
    return ((s_[0][x >> 24] + s_[1][(x >> 16) & 0xff]) ^ s_[2][(x >> 8) & 0xff]) + s_[3][x & 0xff];
  }
  inline void Encrypt(uint32_t& lo, uint32_t& ro) const {
    uint32_t l[1] = {lo}, r[1] = {ro};
    Rounds<1, false>(l, r);
    lo = l[0];
    ro = r[0];
  }
  // Encryption uses P1..P18 in order, decryption in reverse; the output
  // halves are swapped back and get the last two entries. The halves are
  // pinned to general registers each round: the lookups are scalar work,
  // and the compiler would otherwise pack the blocks into vector lanes.
  template <int kBlocks, bool kDecrypt>
  inline __attribute__((always_inline)) void Rounds(uint32_t* l, uint32_t* r) const {
    constexpr int kFirst = kDecrypt ? 17 : 0, kStep = kDecrypt ? -1 : 1;
#pragma GCC unroll 8
    for (int i = 0; i < 16; i += 2) {
      const uint32_t p0 = p_[kFirst + kStep * i], p1 = p_[kFirst + kStep * (i + 1)];
#pragma GCC unroll 2
      for (int n = 0; n < kBlocks; ++n) {
        l[n] ^= p0;
        r[n] ^= F(l[n]) ^ p1;
        l[n] ^= F(r[n]);
        __asm__("" : "+r"(l[n]), "+r"(r[n]));
      }
    }
    const uint32_t last = p_[kFirst + kStep * 17], before = p_[kFirst + kStep * 16];
    for (int n = 0; n < kBlocks; ++n) {
      const uint32_t t = l[n];
      l[n] = r[n] ^ last;
      r[n] = t ^ before;
    }
  }
  uint32_t p_[18];
  uint32_t s_[4][256];
};

}  // namespace
}  // namespace zk::cipher

using BlowfishCipher = zk::cipher::Blowfish;
ZK_REGISTER_CLASS(BlowfishCipher)
