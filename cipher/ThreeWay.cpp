// cipher.3Way: J. Daemen's 3-Way (96-bit block and key, 11 rounds), with
// the three words of block and key read little-endian.
#include "cipher/BlockCommon.h"

namespace zk::cipher {
namespace {

constexpr int kRounds = 11;

// Bit reversal of the three words, a0 and a2 exchanged.
inline void Mu(uint32_t* a) {
  uint32_t b0 = 0, b1 = 0, b2 = 0;
  for (int i = 0; i < 32; ++i) {
    b0 = (b0 << 1) | (a[2] & 1);
    b1 = (b1 << 1) | (a[1] & 1);
    b2 = (b2 << 1) | (a[0] & 1);
    a[0] >>= 1, a[1] >>= 1, a[2] >>= 1;
  }
  a[0] = b0, a[1] = b1, a[2] = b2;
}

inline void Gamma(uint32_t* a) {
  uint32_t b0 = a[0] ^ (a[1] | ~a[2]);
  uint32_t b1 = a[1] ^ (a[2] | ~a[0]);
  uint32_t b2 = a[2] ^ (a[0] | ~a[1]);
  a[0] = b0, a[1] = b1, a[2] = b2;
}

inline void Theta(uint32_t* a) {
  uint32_t b0 = a[0] ^ (a[0] >> 16) ^ (a[1] << 16) ^ (a[1] >> 16) ^ (a[2] << 16) ^ (a[1] >> 24) ^
                (a[2] << 8) ^ (a[2] >> 8) ^ (a[0] << 24) ^ (a[2] >> 16) ^ (a[0] << 16) ^
                (a[2] >> 24) ^ (a[0] << 8);
  uint32_t b1 = a[1] ^ (a[1] >> 16) ^ (a[2] << 16) ^ (a[2] >> 16) ^ (a[0] << 16) ^ (a[2] >> 24) ^
                (a[0] << 8) ^ (a[0] >> 8) ^ (a[1] << 24) ^ (a[0] >> 16) ^ (a[1] << 16) ^
                (a[0] >> 24) ^ (a[1] << 8);
  uint32_t b2 = a[2] ^ (a[2] >> 16) ^ (a[0] << 16) ^ (a[0] >> 16) ^ (a[1] << 16) ^ (a[0] >> 24) ^
                (a[1] << 8) ^ (a[1] >> 8) ^ (a[2] << 24) ^ (a[1] >> 16) ^ (a[2] << 16) ^
                (a[1] >> 24) ^ (a[2] << 8);
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

void Rounds(const uint32_t* k, const uint32_t* rc, uint32_t* a) {
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

  void EncryptBlock(uint8_t* p) {
    uint32_t a[3] = {LoadLE32(p), LoadLE32(p + 4), LoadLE32(p + 8)};
    Rounds(k_, rce_, a);
    for (int i = 0; i < 3; ++i) StoreLE32(p + 4 * i, a[i]);
  }
  void DecryptBlock(uint8_t* p) {
    uint32_t a[3] = {LoadLE32(p), LoadLE32(p + 4), LoadLE32(p + 8)};
    Mu(a);
    Rounds(ki_, rcd_, a);
    Mu(a);
    for (int i = 0; i < 3; ++i) StoreLE32(p + 4 * i, a[i]);
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
