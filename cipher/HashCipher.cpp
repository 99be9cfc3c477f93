// hash.HashCipher: a digest of one or two blocks made with an attached
// block cipher of n-byte blocks.
//
// Kind 1 keys the cipher with H1 and then only XORs each block into H1:
// the cipher never encrypts, so the digest is the start value XOR the
// blocks, and the cipher is left keyed with the last H1 before the last
// XOR. It is weak, but the password keys of cipher.3Way and cipher.RC5 are
// made with it (cipher.SetPassword), so stored secrets depend on it as it
// is.
//
// Kind 2 is the abreast double-block construction over 2n-byte keys.
//
// Input is used in whole n-byte blocks per call; a shorter tail is dropped.
// The chaining values and the key buffer are wiped before they are freed.
#include <cstring>
#include <new>

#include "BlockCommon.h"

namespace zk::cipher {
namespace {

class HashCipher final : public ToolkitObject<HashCipher, IHash, ICipherHash> {
 public:
  static constexpr const char* kClassId = id::HashHashCipher;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoIHash, 0}, {id::CryptoICipherHash, 1}};

  ~HashCipher() {
    FreeWork();
    ReleaseAndNull(cipher_);
  }

  uint32_t GetDigestSize() override { return Cipher()->GetBlockSize() * uint32_t(kind_); }
  uint32_t GetBlockSize() override { return Cipher()->GetBlockSize(); }

  StatusCode SetBlockCipher(IBase* cipher, int32_t kind) override {
    if (!cipher || (kind != 1 && kind != 2)) return kInvalidArg;
    if (cipher != static_cast<IBase*>(cipher_)) {
      void* face = nullptr;
      StatusCode st = cipher->QueryInterface(id::CryptoIBlockCipher, &face);
      if (st != kOk) return st;
      if (!face) return kNoInterface;
      ReleaseAndNull(cipher_);
      cipher_ = static_cast<IBlockCipher*>(face);
    }
    kind_ = kind;
    FreeWork();
    n_ = cipher_->GetBlockSize();
    // H1; for kind 2 also H2, the 2n-byte key and an n-byte working block.
    // Without memory the object stays without a work area (size 0).
    const size_t size = size_t(n_) * (kind_ == 1 ? 1 : 5);
    return Guard([&]() -> StatusCode {
      work_ = new uint8_t[size ? size : 1]();
      size_ = size;
      return kOk;
    });
  }

  StatusCode Init() override {
    if (!work_) return kOk;
    std::memset(work_, 0, size_);
    const int chains = kind_ == 2 ? 2 : 1;
    for (int c = 0; c < chains; ++c) {
      uint8_t* h = work_ + size_t(c) * n_;
      for (uint32_t i = 0; i < n_ / 4; ++i) StoreLE32(h + 4 * i, i == 0 ? 0x67452301u : 1u);
    }
    return kOk;
  }

  StatusCode Update(const void* data, uint32_t length) override {
    IBlockCipher* cipher = Cipher();
    if (!data || length == 0 || !work_ || n_ == 0) return kOk;
    const uint8_t* m = static_cast<const uint8_t*>(data);
    const uint32_t n = n_;
    uint8_t* h1 = work_;
    for (uint32_t blocks = length / n; blocks; --blocks, m += n) {
      if (kind_ == 1) {
        StatusCode st = cipher->SetKey(h1, n);
        if (st != kOk) return st;
        for (uint32_t i = 0; i < n; ++i) h1[i] ^= m[i];
        continue;
      }
      uint8_t* h2 = h1 + n;
      uint8_t* key = h2 + n;  // 2n bytes
      uint8_t* t = key + 2 * n;
      // H1 = E[H2 | M](H1) ^ H1.
      std::memcpy(key, h2, n);
      std::memcpy(key + n, m, n);
      StatusCode st = cipher->SetKey(key, 2 * n);
      if (st != kOk) return st;
      std::memcpy(t, h1, n);
      st = cipher->EncryptBlocks(t, n);
      if (st != kOk) return st;
      // The key of the second half is M | old H1, taken before H1 changes.
      std::memcpy(key, m, n);
      std::memcpy(key + n, h1, n);
      for (uint32_t i = 0; i < n; ++i) h1[i] ^= t[i];
      // H2 = E[M | old H1](not H2) ^ H2.
      st = cipher->SetKey(key, 2 * n);
      if (st != kOk) return st;
      for (uint32_t i = 0; i < n; ++i) t[i] = uint8_t(~h2[i]);
      st = cipher->EncryptBlocks(t, n);
      if (st != kOk) return st;
      for (uint32_t i = 0; i < n; ++i) h2[i] ^= t[i];
    }
    if (kind_ == 2) Wipe(h1 + 2 * size_t(n), 3 * size_t(n));
    return kOk;
  }

  StatusCode Final(void* out, uint32_t outSize) override {
    const uint32_t digest = GetDigestSize();
    if (!out || outSize < digest) return kInvalidArg;
    if (work_) std::memcpy(out, work_, digest);
    return kOk;
  }

 private:
  IBlockCipher* Cipher() {
    ZK_REQUIRE(cipher_, id::CryptoIBlockCipher);
    return cipher_;
  }
  void FreeWork() {
    if (work_) {
      Wipe(work_, size_);
      delete[] work_;
      work_ = nullptr;
    }
    size_ = 0;
  }

  IBlockCipher* cipher_ = nullptr;
  int32_t kind_ = 1;
  uint32_t n_ = 0;
  uint8_t* work_ = nullptr;  // H1, then (kind 2) H2, key, working block
  size_t size_ = 0;
};

}  // namespace
}  // namespace zk::cipher

using HashCipherObject = zk::cipher::HashCipher;
ZK_REGISTER_CLASS(HashCipherObject)
