// hash.GOST: the GOST R 34.11-94 iteration on the system's own GOST table
// (GostCore.h), with its byte conventions: 32-byte values are byte strings
// with the most significant byte first, each message block is turned
// around before use, the length block counts bytes (not bits) in 32 bits,
// and the digest is H turned around.
//
// The four encryptions of a step run on the shared round code with the
// key words on the stack, so no cipher object is made per block.
#include <cstring>

#include "GostCore.h"

namespace zk::cipher {
namespace {

using Block = uint8_t[32];

// C3 of the key generation; C2 and C4 are zero.
constexpr uint8_t kC3[32] = {0xff, 0x00, 0xff, 0xff, 0x00, 0x00, 0x00, 0xff, 0xff, 0x00, 0x00,
                             0xff, 0x00, 0xff, 0xff, 0x00, 0x00, 0xff, 0x00, 0xff, 0x00, 0xff,
                             0x00, 0xff, 0xff, 0x00, 0xff, 0x00, 0xff, 0x00, 0xff, 0x00};

// A(x): bytes 0-7 become x[16..23] ^ x[24..31], bytes 8-31 are x[0..23].
void ShiftA(uint8_t* x) {
  uint8_t top[8];
  for (int i = 0; i < 8; ++i) top[i] = x[16 + i] ^ x[24 + i];
  std::memmove(x + 8, x, 24);
  std::memcpy(x, top, 8);
}

// P(w) turned straight into the cipher's key words: result byte
// 31 - (4k + i) = w[31 - (8i + k)], and cipher key group g is group 7 - g
// of the result, read little-endian.
void KeyWords(const uint8_t* w, uint32_t* k) {
  uint8_t key[32];
  for (int i = 0; i < 4; ++i)
    for (int kk = 0; kk < 8; ++kk) key[31 - (4 * kk + i)] = w[31 - (8 * i + kk)];
  for (int g = 0; g < 8; ++g) k[g] = LoadLE32(key + 4 * (7 - g));
  Wipe(key, sizeof key);
}

// psi on 16 pairs of bytes: written as the sequence s with pair j of a
// value at s[n + 15 - j], one psi is s[n + 16] = s[n] ^ s[n + 1] ^ s[n + 2]
// ^ s[n + 3] ^ s[n + 12] ^ s[n + 15] (pairs 15, 14, 13, 12, 3 and 0), and
// the value moves on to start at n + 1.
inline void PsiRun(uint16_t* s, int from, int count) {
  for (int n = from; n < from + count; ++n)
    s[n + 16] = s[n] ^ s[n + 1] ^ s[n + 2] ^ s[n + 3] ^ s[n + 12] ^ s[n + 15];
}
inline void PairsIn(uint16_t* s, const uint8_t* x, bool xorIn) {
  for (int j = 0; j < 16; ++j) {
    uint16_t v;
    std::memcpy(&v, x + 2 * j, 2);
    if (xorIn)
      s[15 - j] ^= v;
    else
      s[15 - j] = v;
  }
}

// H = step(M, H).
void Step(const uint8_t* m, uint8_t* h) {
  uint32_t keys[4][8];
  Block u, v, w;
  std::memcpy(u, h, 32);
  std::memcpy(v, m, 32);
  for (int j = 0; j < 4; ++j) {
    if (j > 0) {
      ShiftA(u);
      if (j == 2)
        for (int i = 0; i < 32; ++i) u[i] ^= kC3[i];
      ShiftA(v);
      ShiftA(v);
    }
    for (int i = 0; i < 32; ++i) w[i] = u[i] ^ v[i];
    KeyWords(w, keys[j]);
  }

  // T = H with bytes 0-7 under K4, 8-15 under K3, 16-23 under K2, 24-31 under K1.
  Block t;
  std::memcpy(t, h, 32);
  for (int b = 0; b < 4; ++b) gost::EncryptBlock(keys[3 - b], t + 8 * b);

  // psi^12, xor M, psi, xor H, psi^61.
  uint16_t s[16 + 12 + 1 + 61];
  PairsIn(s, t, false);
  PsiRun(s, 0, 12);
  PairsIn(s + 12, m, true);
  PsiRun(s, 12, 1);
  PairsIn(s + 13, h, true);
  PsiRun(s, 13, 61);
  for (int j = 0; j < 16; ++j) std::memcpy(h + 2 * j, &s[74 + 15 - j], 2);

  Wipe(keys, sizeof keys);
  Wipe(u, 32);
  Wipe(v, 32);
  Wipe(w, 32);
  Wipe(t, 32);
  Wipe(s, sizeof s);
}

// S = S + R as 256-bit numbers, byte 0 most significant.
void AddTo(uint8_t* s, const uint8_t* r) {
  unsigned carry = 0;
  for (int i = 31; i >= 0; --i) {
    carry += unsigned(s[i]) + r[i];
    s[i] = uint8_t(carry);
    carry >>= 8;
  }
}

class GostHash final : public ToolkitObject<GostHash, IHash> {
 public:
  static constexpr const char* kClassId = id::HashGOST;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoIHash, 0}};

  GostHash() { Init(); }
  ~GostHash() {
    Wipe(h_, 32);
    Wipe(sum_, 32);
    Wipe(buf_, 32);
    count_ = fill_ = 0;
  }

  uint32_t GetDigestSize() override { return 32; }
  uint32_t GetBlockSize() override { return 64; }

  StatusCode Init() override {
    std::memset(h_, 0, 32);
    std::memset(sum_, 0, 32);
    count_ = 0;
    fill_ = 0;
    return kOk;
  }

  StatusCode Update(const void* data, uint32_t length) override {
    if (length == 0) return kOk;
    if (!data) return kInvalidArg;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (length) {
      if (fill_ == 0 && length >= 32) {
        Absorb(p);
        p += 32;
        length -= 32;
        continue;
      }
      uint32_t take = 32 - fill_ < length ? 32 - fill_ : length;
      std::memcpy(buf_ + fill_, p, take);
      fill_ += take;
      p += take;
      length -= take;
      if (fill_ == 32) {
        Absorb(buf_);
        fill_ = 0;
      }
    }
    return kOk;
  }

  StatusCode Final(void* out, uint32_t outSize) override {
    if (!out || outSize < 32) return kInvalidArg;
    Block r;
    if (fill_ > 0) {
      count_ += fill_;
      std::memset(r, 0, 32);
      for (uint32_t i = 0; i < fill_; ++i) r[31 - i] = buf_[i];
      AddTo(sum_, r);
      Step(r, h_);
      fill_ = 0;
    }
    std::memset(r, 0, 32);
    StoreBE32(r + 28, count_);
    Step(r, h_);
    Step(sum_, h_);
    uint8_t* o = static_cast<uint8_t*>(out);
    for (int i = 0; i < 32; ++i) o[i] = h_[31 - i];
    Wipe(r, 32);
    return kOk;
  }

 private:
  // One full 32-byte block of the message.
  void Absorb(const uint8_t* block) {
    Block r;
    for (int i = 0; i < 32; ++i) r[i] = block[31 - i];
    Step(r, h_);
    count_ += 32;
    AddTo(sum_, r);
    Wipe(r, 32);
  }

  uint8_t h_[32];
  uint8_t sum_[32];
  uint32_t count_ = 0;
  uint32_t fill_ = 0;
  uint8_t buf_[32];
};

}  // namespace
}  // namespace zk::cipher

using GostHashObject = zk::cipher::GostHash;
ZK_REGISTER_CLASS(GostHashObject)
