// cipher.SetPassword: password to block-cipher key, password quality, and
// passwords made from a seed or from the entropy pool.
#include <cstring>
#include <new>

#include "ModesInternal.h"
#include "ToolkitObject.h"

namespace zk::cipher {
namespace {

constexpr char kAlphabet[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-+=()[]{}<>~|";
constexpr uint32_t kAlphabetSize = sizeof kAlphabet - 1;  // 76
static_assert(kAlphabetSize == 76);

// Digests a long password is compressed with, by key size.
struct DigestRecord {
  uint32_t size;
  const char* classId;
  int kind;  // 0: a hash of that size; 1: hash.HashCipher over that block cipher
};
constexpr DigestRecord kDigests[] = {
    {8, id::CipherRC5, 1}, {12, id::CipherThreeWay, 1}, {16, id::HashMD5, 0},
    {20, id::HashSHA, 0},  {32, id::HashSHA32, 0},
};
constexpr uint32_t kLargestDigest = 32;


// Makes the digest object of a record: the hash itself or a hash-cipher
// over a fresh, unkeyed instance of the named block cipher.
StatusCode MakeDigest(const DigestRecord& record, IHash** out) {
  if (record.kind == 0) return CreateFace(record.classId, id::CryptoIHash, out);
  Held<ICipherHash> cipherHash;
  StatusCode st = CreateFace(id::HashHashCipher, id::CryptoICipherHash, &cipherHash.p);
  if (st != kOk) return st;
  Held<IBlockCipher> inner;
  st = CreateFace(record.classId, id::CryptoIBlockCipher, &inner.p);
  if (st != kOk) return st;
  st = cipherHash.p->SetBlockCipher(inner.p, 1);
  if (st != kOk) return st;
  void* face = nullptr;
  st = cipherHash.p->QueryInterface(id::CryptoIHash, &face);
  if (st != kOk) return st;
  if (!face) return kNoInterface;
  *out = static_cast<IHash*>(face);
  return kOk;
}

bool OneCharacterRepeated(const uint8_t* p, uint32_t length) {
  for (uint32_t i = 1; i < length; ++i)
    if (p[i] != p[0]) return false;
  return length > 0;
}

class PasswordKeys final : public ToolkitObject<PasswordKeys, IPassword> {
 public:
  static constexpr const char* kClassId = id::CipherSetPassword;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoIPassword, 0}};

  StatusCode SetPassword(IBlockCipher* cipher, const void* password, uint32_t length) override {
    if (!cipher || (!password && length > 0)) return kInvalidArg;
    return Guard([&] { return SetKeyFrom(cipher, static_cast<const uint8_t*>(password), length); });
  }

 private:
  // Short passwords are zero-filled to the smallest key, long ones hashed
  // down to the largest digest that fits.
  StatusCode SetKeyFrom(IBlockCipher* cipher, const uint8_t* p, uint32_t length) {
    const uint32_t min = cipher->GetMinKeySize();
    const uint32_t max = cipher->GetMaxKeySize();
    if (length < min) {
      uint8_t* key = new uint8_t[min]();
      if (length) std::memcpy(key, p, length);
      StatusCode st = cipher->SetKey(key, min);
      WipeAndDelete(key, min);
      return st;
    }
    if (length > max) {
      const DigestRecord* record = nullptr;
      for (const DigestRecord& r : kDigests)
        if (r.size <= max) record = &r;
      if (!record || record->size < min) return kNotExecuted;
      Held<IHash> hash;
      StatusCode st = MakeDigest(*record, &hash.p);
      if (st != kOk) return st;
      uint8_t digest[kLargestDigest] = {};
      st = hash.p->Init();
      if (st == kOk) st = hash.p->Update(p, length);
      if (st == kOk) st = hash.p->Final(digest, record->size);
      if (st == kOk) st = cipher->SetKey(digest, record->size);
      Wipe(digest, sizeof digest);
      return st;
    }
    const char* classId = cipher->GetClassId();
    if (classId && std::strcmp(classId, id::CipherBlowfish) == 0 && OneCharacterRepeated(p, length)) {
      // One character typed several times: repeated, then zero-filled to
      // the largest key, so that the key is not that single character cycled.
      uint8_t* key = new uint8_t[max]();
      std::memset(key, p[0], length);
      StatusCode st = cipher->SetKey(key, max);
      WipeAndDelete(key, max);
      return st;
    }
    return cipher->SetKey(p, length);
  }

 public:
  uint32_t EstimateQuality(const void* password, uint32_t length, uint32_t divisor) override {
    if (length == 0 || divisor == 0 || !password) return 0;
    const uint8_t* p = static_cast<const uint8_t*>(password);
    bool seen[256] = {};
    enum { kLower, kUpper, kDigit, kHigh, kAccented, kOther, kClasses };
    constexpr uint32_t kWeight[kClasses] = {15, 15, 10, 15, 15, 30};
    bool present[kClasses] = {};
    uint32_t distinct = 0;
    for (uint32_t i = 0; i < length; ++i) {
      const uint8_t b = p[i];
      if (!seen[b]) {
        seen[b] = true;
        ++distinct;
      }
      int c = b >= 'a' && b <= 'z'   ? kLower
              : b >= 'A' && b <= 'Z' ? kUpper
              : b >= '0' && b <= '9' ? kDigit
              : b >= 0xE0            ? kHigh
              : b >= 0xC0            ? kAccented
                                     : kOther;
      present[c] = true;
    }
    uint32_t weight = 0;
    for (int c = 0; c < kClasses; ++c)
      if (present[c]) weight += kWeight[c];
    return distinct * weight / divisor;
  }

  StatusCode PasswordFromSeed(const char* seed, uint32_t length, char* out) override {
    if (!seed || length == 0 || !out) return kInvalidArg;
    Held<IBlockCipher> idea;
    StatusCode st = CreateFace(id::CipherIDEA, id::CryptoIBlockCipher, &idea.p);
    if (st != kOk) return st;
    st = SetPassword(idea.p, seed, uint32_t(std::strlen(seed)));
    if (st != kOk) return st;
    Held<ICipher> cfb;
    st = CreateFace(id::CipherCipher, id::CryptoICipher, &cfb.p);
    if (st != kOk) return st;
    st = cfb.p->SetBlockCipher(idea.p, kModeCFB, nullptr, 0);
    if (st != kOk) return st;
    std::memset(out, 0, length);
    st = cfb.p->Encrypt(out, length);
    if (st != kOk) return st;
    for (uint32_t i = 0; i < length; ++i)
      out[i] = kAlphabet[static_cast<uint8_t>(out[i]) % kAlphabetSize];
    return kOk;
  }

  StatusCode RandomPassword(uint32_t length, char* out) override {
    if (length == 0 || !out) return kInvalidArg;
    Held<ICipherEntropy> entropy;
    StatusCode st = CreateFace(id::CipherEntropy, id::CryptoICipherEntropy, &entropy.p);
    if (st != kOk) return st;
    Held<IBlockCipher> blowfish;
    st = CreateFace(id::CipherBlowfish, id::CryptoIBlockCipher, &blowfish.p);
    if (st != kOk) return st;
    st = entropy.p->SetCipher(blowfish.p);
    if (st != kOk) return st;
    // Bytes of 228 (3 x 76) and above are drawn again, so that every
    // character is equally likely.
    constexpr uint32_t kLimit = 3 * kAlphabetSize;
    constexpr uint32_t kBatch = 64;
    uint8_t draw[kBatch];
    uint32_t made = 0;
    while (made < length && st == kOk) {
      const uint32_t want = length - made < kBatch ? length - made : kBatch;
      st = entropy.p->GetRandom(draw, want);
      for (uint32_t i = 0; st == kOk && i < want; ++i)
        if (draw[i] < kLimit) out[made++] = kAlphabet[draw[i] % kAlphabetSize];
    }
    Wipe(draw, sizeof draw);
    return st;
  }
};

}  // namespace
}  // namespace zk::cipher

using zk::cipher::PasswordKeys;
ZK_REGISTER_CLASS(PasswordKeys)
