// cipher.RC5: RC5-32/16/b (32-bit words, 16 rounds, keys of 1 to 255
// bytes), words little-endian as in RC5's definition.
#include <algorithm>

#include "BlockCommon.h"

namespace zk::cipher {
namespace {

constexpr BlockCipherShape kRc5Shape{
    .blockSize = 8, .minKeySize = 1, .maxKeySize = 255, .nullBufferFails = false};

class Rc5 final : public BlockCipherBase<Rc5, kRc5Shape> {
 public:
  static constexpr const char* kClassId = id::CipherRC5;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoIBlockCipher, 0}};
  static constexpr int kRounds = 16;
  static constexpr int kTable = 2 * kRounds + 2;

  Rc5() { std::memset(s_, 0, sizeof s_); }
  ~Rc5() { Wipe(s_, sizeof s_); }

  StatusCode SetKey(const void* key, uint32_t length) override {
    if (!key || length == 0 || length > 255) return kInvalidArg;
    const uint8_t* k = static_cast<const uint8_t*>(key);
    uint32_t l[64] = {};
    const int c = int((length + 3) / 4);
    for (uint32_t i = 0; i < length; ++i) l[i / 4] |= uint32_t(k[i]) << (8 * (i % 4));
    s_[0] = 0xB7E15163u;
    for (int i = 1; i < kTable; ++i) s_[i] = s_[i - 1] + 0x9E3779B9u;
    uint32_t a = 0, b = 0;
    for (int step = 0, i = 0, j = 0, n = 3 * std::max(kTable, c); step < n; ++step) {
      a = s_[i] = Rotl32(s_[i] + a + b, 3);
      b = l[j] = Rotl32(l[j] + a + b, a + b);
      i = (i + 1) % kTable;
      j = (j + 1) % c;
    }
    Wipe(l, sizeof l);
    a = b = 0;
    return kOk;
  }

  // The rounds of one block form a single chain: two blocks go abreast.
  static constexpr int kAbreast = 2;
  template <int kBlocks, bool kDecrypt>
  void Crypt(uint8_t* p) const {
    if constexpr (kDecrypt)
      Decrypt<kBlocks>(p);
    else
      Encrypt<kBlocks>(p);
  }

 private:
  template <int kBlocks>
  void Encrypt(uint8_t* p) const {
    uint32_t a[kBlocks], b[kBlocks];
    for (int n = 0; n < kBlocks; ++n) {
      a[n] = LoadLE32(p + 8 * n) + s_[0];
      b[n] = LoadLE32(p + 8 * n + 4) + s_[1];
    }
#pragma GCC unroll 16
    for (int r = 1; r <= kRounds; ++r)
      for (int n = 0; n < kBlocks; ++n) {
        a[n] = Rotl32(a[n] ^ b[n], b[n]) + s_[2 * r];
        b[n] = Rotl32(b[n] ^ a[n], a[n]) + s_[2 * r + 1];
      }
    for (int n = 0; n < kBlocks; ++n) {
      StoreLE32(p + 8 * n, a[n]);
      StoreLE32(p + 8 * n + 4, b[n]);
    }
  }
  template <int kBlocks>
  void Decrypt(uint8_t* p) const {
    uint32_t a[kBlocks], b[kBlocks];
    for (int n = 0; n < kBlocks; ++n) {
      a[n] = LoadLE32(p + 8 * n);
      b[n] = LoadLE32(p + 8 * n + 4);
    }
#pragma GCC unroll 16
    for (int r = kRounds; r >= 1; --r)
      for (int n = 0; n < kBlocks; ++n) {
        b[n] = Rotr32(b[n] - s_[2 * r + 1], a[n]) ^ a[n];
        a[n] = Rotr32(a[n] - s_[2 * r], b[n]) ^ b[n];
      }
    for (int n = 0; n < kBlocks; ++n) {
      StoreLE32(p + 8 * n, a[n] - s_[0]);
      StoreLE32(p + 8 * n + 4, b[n] - s_[1]);
    }
  }

  uint32_t s_[kTable];
};

}  // namespace
}  // namespace zk::cipher

using Rc5Cipher = zk::cipher::Rc5;
ZK_REGISTER_CLASS(Rc5Cipher)
