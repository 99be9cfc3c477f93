// cipher.AES16, cipher.AES24, cipher.AES32: AES (FIPS-197) with 128-, 192-
// and 256-bit keys. Decryption is the equivalent inverse cipher with its
// own round keys. Where the processor has the AES instructions (checked at
// run time) they do the rounds; the table-driven form is the portable one.
#include "Aes.h"

#include <atomic>

#include "AesTables.h"
#include "BlockCommon.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZK_AES_X86 1
#endif

namespace zk::cipher {

namespace {
bool DetectAes() {
#if ZK_AES_X86
  __builtin_cpu_init();
  return __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse4.1");
#else
  return false;
#endif
}
const bool kAesHardware = DetectAes();
std::atomic<bool> gUseHardware{kAesHardware};
}  // namespace

bool AesHardwareAvailable() { return kAesHardware; }
void AesUseHardware(bool on) { gUseHardware.store(on && kAesHardware, std::memory_order_relaxed); }
bool AesUsingHardware() { return gUseHardware.load(std::memory_order_relaxed); }

namespace {

using aes::kInvSbox;
using aes::kSbox;
using aes::kTd;
using aes::kTe;

inline uint32_t SubWord(uint32_t w) {
  return uint32_t(kSbox[w >> 24]) << 24 | uint32_t(kSbox[(w >> 16) & 0xff]) << 16 |
         uint32_t(kSbox[(w >> 8) & 0xff]) << 8 | kSbox[w & 0xff];
}
inline uint32_t InvMixColumn(uint32_t w) {
  return kTd[0][kSbox[w >> 24]] ^ kTd[1][kSbox[(w >> 16) & 0xff]] ^
         kTd[2][kSbox[(w >> 8) & 0xff]] ^ kTd[3][kSbox[w & 0xff]];
}

// Table form of one block; rk holds 4 * (rounds + 1) column words.
void EncryptTable(const uint32_t* rk, int rounds, uint8_t* b) {
  uint32_t s0 = LoadBE32(b) ^ rk[0], s1 = LoadBE32(b + 4) ^ rk[1];
  uint32_t s2 = LoadBE32(b + 8) ^ rk[2], s3 = LoadBE32(b + 12) ^ rk[3];
  for (int r = 1; r < rounds; ++r) {
    rk += 4;
    uint32_t t0 = kTe[0][s0 >> 24] ^ kTe[1][(s1 >> 16) & 0xff] ^ kTe[2][(s2 >> 8) & 0xff] ^
                  kTe[3][s3 & 0xff] ^ rk[0];
    uint32_t t1 = kTe[0][s1 >> 24] ^ kTe[1][(s2 >> 16) & 0xff] ^ kTe[2][(s3 >> 8) & 0xff] ^
                  kTe[3][s0 & 0xff] ^ rk[1];
    uint32_t t2 = kTe[0][s2 >> 24] ^ kTe[1][(s3 >> 16) & 0xff] ^ kTe[2][(s0 >> 8) & 0xff] ^
                  kTe[3][s1 & 0xff] ^ rk[2];
    uint32_t t3 = kTe[0][s3 >> 24] ^ kTe[1][(s0 >> 16) & 0xff] ^ kTe[2][(s1 >> 8) & 0xff] ^
                  kTe[3][s2 & 0xff] ^ rk[3];
    s0 = t0, s1 = t1, s2 = t2, s3 = t3;
  }
  rk += 4;
  auto last = [](uint32_t a, uint32_t b1, uint32_t c, uint32_t d, uint32_t k) {
    return (uint32_t(kSbox[a >> 24]) << 24 | uint32_t(kSbox[(b1 >> 16) & 0xff]) << 16 |
            uint32_t(kSbox[(c >> 8) & 0xff]) << 8 | kSbox[d & 0xff]) ^
           k;
  };
  StoreBE32(b, last(s0, s1, s2, s3, rk[0]));
  StoreBE32(b + 4, last(s1, s2, s3, s0, rk[1]));
  StoreBE32(b + 8, last(s2, s3, s0, s1, rk[2]));
  StoreBE32(b + 12, last(s3, s0, s1, s2, rk[3]));
}

void DecryptTable(const uint32_t* rk, int rounds, uint8_t* b) {
  uint32_t s0 = LoadBE32(b) ^ rk[0], s1 = LoadBE32(b + 4) ^ rk[1];
  uint32_t s2 = LoadBE32(b + 8) ^ rk[2], s3 = LoadBE32(b + 12) ^ rk[3];
  for (int r = 1; r < rounds; ++r) {
    rk += 4;
    uint32_t t0 = kTd[0][s0 >> 24] ^ kTd[1][(s3 >> 16) & 0xff] ^ kTd[2][(s2 >> 8) & 0xff] ^
                  kTd[3][s1 & 0xff] ^ rk[0];
    uint32_t t1 = kTd[0][s1 >> 24] ^ kTd[1][(s0 >> 16) & 0xff] ^ kTd[2][(s3 >> 8) & 0xff] ^
                  kTd[3][s2 & 0xff] ^ rk[1];
    uint32_t t2 = kTd[0][s2 >> 24] ^ kTd[1][(s1 >> 16) & 0xff] ^ kTd[2][(s0 >> 8) & 0xff] ^
                  kTd[3][s3 & 0xff] ^ rk[2];
    uint32_t t3 = kTd[0][s3 >> 24] ^ kTd[1][(s2 >> 16) & 0xff] ^ kTd[2][(s1 >> 8) & 0xff] ^
                  kTd[3][s0 & 0xff] ^ rk[3];
    s0 = t0, s1 = t1, s2 = t2, s3 = t3;
  }
  rk += 4;
  auto last = [](uint32_t a, uint32_t b1, uint32_t c, uint32_t d, uint32_t k) {
    return (uint32_t(kInvSbox[a >> 24]) << 24 | uint32_t(kInvSbox[(b1 >> 16) & 0xff]) << 16 |
            uint32_t(kInvSbox[(c >> 8) & 0xff]) << 8 | kInvSbox[d & 0xff]) ^
           k;
  };
  StoreBE32(b, last(s0, s3, s2, s1, rk[0]));
  StoreBE32(b + 4, last(s1, s0, s3, s2, rk[1]));
  StoreBE32(b + 8, last(s2, s1, s0, s3, rk[2]));
  StoreBE32(b + 12, last(s3, s2, s1, s0, rk[3]));
}

#if ZK_AES_X86
template <bool kEncrypt>
__attribute__((target("aes,sse4.1"), always_inline)) inline __m128i Round(__m128i x, __m128i key) {
  if constexpr (kEncrypt) return _mm_aesenc_si128(x, key);
  else return _mm_aesdec_si128(x, key);
}
template <bool kEncrypt>
__attribute__((target("aes,sse4.1"), always_inline)) inline __m128i LastRound(__m128i x, __m128i key) {
  if constexpr (kEncrypt) return _mm_aesenclast_si128(x, key);
  else return _mm_aesdeclast_si128(x, key);
}

// Instruction form: eight blocks abreast while there are enough, so the
// round instructions overlap; the rounds are unrolled so the eight blocks
// stay in registers. rk holds the round keys as 16-byte blocks.
template <bool kEncrypt, int kRounds>
__attribute__((target("aes,sse4.1"))) void CryptHardware(const uint8_t* rk, uint8_t* p, uint32_t blocks) {
  __m128i k[kRounds + 1];
#pragma GCC unroll 15
  for (int i = 0; i <= kRounds; ++i) k[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rk + 16 * i));
  __m128i* q = reinterpret_cast<__m128i*>(p);
  while (blocks >= 8) {
    __m128i x0 = _mm_xor_si128(_mm_loadu_si128(q + 0), k[0]);
    __m128i x1 = _mm_xor_si128(_mm_loadu_si128(q + 1), k[0]);
    __m128i x2 = _mm_xor_si128(_mm_loadu_si128(q + 2), k[0]);
    __m128i x3 = _mm_xor_si128(_mm_loadu_si128(q + 3), k[0]);
    __m128i x4 = _mm_xor_si128(_mm_loadu_si128(q + 4), k[0]);
    __m128i x5 = _mm_xor_si128(_mm_loadu_si128(q + 5), k[0]);
    __m128i x6 = _mm_xor_si128(_mm_loadu_si128(q + 6), k[0]);
    __m128i x7 = _mm_xor_si128(_mm_loadu_si128(q + 7), k[0]);
#pragma GCC unroll 15
    for (int r = 1; r < kRounds; ++r) {
      const __m128i key = k[r];
      x0 = Round<kEncrypt>(x0, key);
      x1 = Round<kEncrypt>(x1, key);
      x2 = Round<kEncrypt>(x2, key);
      x3 = Round<kEncrypt>(x3, key);
      x4 = Round<kEncrypt>(x4, key);
      x5 = Round<kEncrypt>(x5, key);
      x6 = Round<kEncrypt>(x6, key);
      x7 = Round<kEncrypt>(x7, key);
    }
    const __m128i last = k[kRounds];
    _mm_storeu_si128(q + 0, LastRound<kEncrypt>(x0, last));
    _mm_storeu_si128(q + 1, LastRound<kEncrypt>(x1, last));
    _mm_storeu_si128(q + 2, LastRound<kEncrypt>(x2, last));
    _mm_storeu_si128(q + 3, LastRound<kEncrypt>(x3, last));
    _mm_storeu_si128(q + 4, LastRound<kEncrypt>(x4, last));
    _mm_storeu_si128(q + 5, LastRound<kEncrypt>(x5, last));
    _mm_storeu_si128(q + 6, LastRound<kEncrypt>(x6, last));
    _mm_storeu_si128(q + 7, LastRound<kEncrypt>(x7, last));
    q += 8;
    blocks -= 8;
  }
  for (; blocks; --blocks, ++q) {
    __m128i x = _mm_xor_si128(_mm_loadu_si128(q), k[0]);
#pragma GCC unroll 15
    for (int r = 1; r < kRounds; ++r) x = Round<kEncrypt>(x, k[r]);
    _mm_storeu_si128(q, LastRound<kEncrypt>(x, k[kRounds]));
  }
  for (auto& v : k) v = _mm_setzero_si128();
}
#endif

constexpr const char* AesClassId(uint32_t keyBytes) {
  return keyBytes == 16 ? id::CipherAES16 : keyBytes == 24 ? id::CipherAES24 : id::CipherAES32;
}

// AES: 16-byte blocks, one key size per class.
constexpr BlockCipherShape AesShape(uint32_t keySize) {
  return {.blockSize = 16, .minKeySize = keySize, .maxKeySize = keySize, .nullBufferFails = true};
}

template <uint32_t kKey>
class Aes final : public BlockCipherBase<Aes<kKey>, AesShape(kKey)> {
 public:
  static constexpr const char* kClassId = AesClassId(kKey);
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoIBlockCipher, 0}};
  static constexpr int kRounds = int(kKey / 4) + 6;
  static constexpr int kWords = 4 * (kRounds + 1);

  Aes() { Clear(); }
  ~Aes() { Clear(); }

  StatusCode SetKey(const void* key, uint32_t length) override {
    if (!key || length != kKey) return kInvalidArg;
    Clear();
    const uint8_t* k = static_cast<const uint8_t*>(key);
    constexpr int nk = int(kKey / 4);
    for (int i = 0; i < nk; ++i) ek_[i] = LoadBE32(k + 4 * i);
    uint32_t rcon = 1;
    for (int i = nk; i < kWords; ++i) {
      uint32_t t = ek_[i - 1];
      if (i % nk == 0) {
        t = SubWord(Rotl32(t, 8)) ^ (rcon << 24);
        rcon = aes::Mul(uint8_t(rcon), 2);
      } else if (nk > 6 && i % nk == 4) {
        t = SubWord(t);
      }
      ek_[i] = ek_[i - nk] ^ t;
    }
    // Equivalent inverse cipher: round keys reversed, InvMixColumns on all
    // but the first and the last.
    for (int r = 0; r <= kRounds; ++r)
      for (int c = 0; c < 4; ++c) {
        uint32_t w = ek_[4 * (kRounds - r) + c];
        dk_[4 * r + c] = (r == 0 || r == kRounds) ? w : InvMixColumn(w);
      }
    for (int i = 0; i < kWords; ++i) {
      StoreBE32(ekb_ + 4 * i, ek_[i]);
      StoreBE32(dkb_ + 4 * i, dk_[i]);
    }
    return kOk;
  }

  void EncryptBlock(uint8_t* b) { EncryptTable(ek_, kRounds, b); }
  void DecryptBlock(uint8_t* b) { DecryptTable(dk_, kRounds, b); }

  void EncryptMany(uint8_t* p, uint32_t blocks) {
#if ZK_AES_X86
    if (AesUsingHardware()) return CryptHardware<true, kRounds>(ekb_, p, blocks);
#endif
    for (uint32_t i = 0; i < blocks; ++i, p += 16) EncryptTable(ek_, kRounds, p);
  }
  void DecryptMany(uint8_t* p, uint32_t blocks) {
#if ZK_AES_X86
    if (AesUsingHardware()) return CryptHardware<false, kRounds>(dkb_, p, blocks);
#endif
    for (uint32_t i = 0; i < blocks; ++i, p += 16) DecryptTable(dk_, kRounds, p);
  }

 private:
  void Clear() {
    Wipe(ek_, sizeof ek_);
    Wipe(dk_, sizeof dk_);
    Wipe(ekb_, sizeof ekb_);
    Wipe(dkb_, sizeof dkb_);
  }

  uint32_t ek_[kWords];
  uint32_t dk_[kWords];
  alignas(16) uint8_t ekb_[4 * kWords];
  alignas(16) uint8_t dkb_[4 * kWords];
};

}  // namespace
}  // namespace zk::cipher

using Aes16Cipher = zk::cipher::Aes<16>;
using Aes24Cipher = zk::cipher::Aes<24>;
using Aes32Cipher = zk::cipher::Aes<32>;
ZK_REGISTER_CLASS(Aes16Cipher)
ZK_REGISTER_CLASS(Aes24Cipher)
ZK_REGISTER_CLASS(Aes32Cipher)
