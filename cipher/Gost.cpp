// cipher.GOST: GOST 28147-89, 32 rounds, on the system's own substitution
// table (see GostCore.h). The table is built at compile time and shared by
// every object and by hash.GOST.
#include "GostCore.h"

namespace zk::cipher {
namespace {

constexpr BlockCipherShape kGostShape{
    .blockSize = 8, .minKeySize = 32, .maxKeySize = 32, .nullBufferFails = false};

class Gost final : public BlockCipherBase<Gost, kGostShape> {
 public:
  static constexpr const char* kClassId = id::CipherGOST;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoIBlockCipher, 0}};

  Gost() { std::memset(k_, 0, sizeof k_); }
  ~Gost() { Wipe(k_, sizeof k_); }

  StatusCode SetKey(const void* key, uint32_t length) override {
    if (!key || length != 32) return kInvalidArg;
    gost::LoadKey(static_cast<const uint8_t*>(key), k_);
    return kOk;
  }
  static constexpr int kAbreast = 2;
  template <int kBlocks, bool kDecrypt>
  void Crypt(uint8_t* p) const {
    gost::Crypt<kBlocks, kDecrypt>(k_, p);
  }

 private:
  uint32_t k_[8];
};

}  // namespace
}  // namespace zk::cipher

using GostCipher = zk::cipher::Gost;
ZK_REGISTER_CLASS(GostCipher)
