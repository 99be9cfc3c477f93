// cipher.Entropy: random bytes from the process-wide pool, optionally
// whitened by a block cipher in cipher feedback that is keyed from the pool.
#include <new>

#include "EntropyPool.h"
#include "ModesInternal.h"
#include "ByteOrder.h"
#include "ToolkitObject.h"

namespace zk::cipher {
namespace {

constexpr uint32_t kSmallestWhiteningKey = 16;

// A key or vector of the given size filled from the pool, wiped at the end.
struct PoolBytes {
  uint8_t* p = nullptr;
  uint32_t size = 0;
  explicit PoolBytes(uint32_t n) : p(new uint8_t[n ? n : 1]), size(n) { entropy::FillFromSamples(p, n); }
  ~PoolBytes() { WipeAndDelete(p, size); }
  PoolBytes(const PoolBytes&) = delete;
  PoolBytes& operator=(const PoolBytes&) = delete;
};

class Entropy final : public ToolkitObject<Entropy, ICipherEntropy> {
 public:
  static constexpr const char* kClassId = id::CipherEntropy;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoICipherEntropy, 0}};
  ~Entropy() { ReleaseAndNull(whitening_); }

  StatusCode SetCipher(IBlockCipher* cipher) override {
    if (!cipher) return kInvalidArg;
    const uint32_t keySize = cipher->GetMaxKeySize();
    if (keySize < kSmallestWhiteningKey) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      StatusCode st;
      {
        PoolBytes key(keySize);
        st = cipher->SetKey(key.p, keySize);
      }
      if (st != kOk) return st;
      // The vector is drawn before the old whitening goes, so running out of
      // memory leaves no cipher object without its block cipher behind.
      const uint32_t blockSize = cipher->GetBlockSize();
      PoolBytes iv(blockSize);
      ReleaseAndNull(whitening_);
      st = CreateFace(id::CipherCipher, id::CryptoICipher, &whitening_);
      if (st != kOk) return st;
      st = whitening_->SetBlockCipher(cipher, kModeCFB, iv.p, blockSize);
      // A cipher object without its block cipher would pass bytes unchanged.
      if (st != kOk) ReleaseAndNull(whitening_);
      return st;
    });
  }

  StatusCode GetRandom(void* out, uint32_t length) override {
    if (length == 0) return kOk;
    if (!out) return kInvalidArg;
    entropy::FillFromSamples(out, length);
    return whitening_ ? whitening_->Encrypt(out, length) : kOk;
  }

  // Draws of 1 to 4 bytes, rejected while at or above n, so every value
  // below n is equally likely. Each draw takes a whole sample.
  uint32_t GetRandomBelow(uint32_t n) override {
    if (n < 2) return 0;
    const uint32_t bytes = n <= 256 ? 1 : n <= 65535 ? 2 : n <= 16777215 ? 3 : 4;
    uint32_t value;
    do {
      uint8_t draw[4] = {};
      if (GetRandom(draw, bytes) != kOk) return 0;
      value = LoadLE32(draw);
      Wipe(draw, sizeof draw);
    } while (value >= n);
    return value;
  }

 private:
  ICipher* whitening_ = nullptr;
};

}  // namespace
}  // namespace zk::cipher

using zk::cipher::Entropy;
ZK_REGISTER_CLASS(Entropy)
