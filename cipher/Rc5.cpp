// cipher.RC5: RC5-32/16/b (32-bit words, 16 rounds, keys of 1 to 255
// bytes), words little-endian as in RC5's definition.
#include <algorithm>

#include "cipher/BlockCommon.h"

namespace zk::cipher {
namespace {

class Rc5 final : public BlockCipherBase<Rc5, 8, 1, 255, false> {
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

  void EncryptBlock(uint8_t* p) {
    uint32_t a = LoadLE32(p) + s_[0], b = LoadLE32(p + 4) + s_[1];
    for (int r = 1; r <= kRounds; ++r) {
      a = Rotl32(a ^ b, b) + s_[2 * r];
      b = Rotl32(b ^ a, a) + s_[2 * r + 1];
    }
    StoreLE32(p, a);
    StoreLE32(p + 4, b);
  }
  void DecryptBlock(uint8_t* p) {
    uint32_t a = LoadLE32(p), b = LoadLE32(p + 4);
    for (int r = kRounds; r >= 1; --r) {
      b = Rotr32(b - s_[2 * r + 1], a) ^ a;
      a = Rotr32(a - s_[2 * r], b) ^ b;
    }
    StoreLE32(p, a - s_[0]);
    StoreLE32(p + 4, b - s_[1]);
  }

 private:
  uint32_t s_[kTable];
};

}  // namespace
}  // namespace zk::cipher

using Rc5Cipher = zk::cipher::Rc5;
ZK_REGISTER_CLASS(Rc5Cipher)
