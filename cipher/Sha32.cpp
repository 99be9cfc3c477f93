// hash.SHA32: the SHA-256 of FIPS 180-2 (initial values, round constants,
// message schedule, padding and bit count) with two changes that stored
// keys and signatures depend on: T1 of every round leaves out the h term,
// and the digest is the eight chaining words each written little-endian.
// Blocks go through the processor's SHA instructions when it has them;
// there the h term is taken back out of the words fed to each pair of
// rounds.
#include <immintrin.h>

#include <utility>

#include "Digest64.h"

namespace zk::cipher {
namespace {

alignas(64) constexpr uint32_t kK[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

inline uint32_t BigSigma0(uint32_t x) { return Rotr32(x, 2) ^ Rotr32(x, 13) ^ Rotr32(x, 22); }
inline uint32_t BigSigma1(uint32_t x) { return Rotr32(x, 6) ^ Rotr32(x, 11) ^ Rotr32(x, 25); }
inline uint32_t SmallSigma0(uint32_t x) { return Rotr32(x, 7) ^ Rotr32(x, 18) ^ (x >> 3); }
inline uint32_t SmallSigma1(uint32_t x) { return Rotr32(x, 17) ^ Rotr32(x, 19) ^ (x >> 10); }

// One round on the eight working variables named in rotated order: the
// variable that would be h is overwritten by the new a, d becomes the new e.
#define ZK_SHA32_ROUND(a, b, c, d, e, f, g, h, t)                             \
  {                                                                           \
    uint32_t t1 = BigSigma1(e) + (g ^ (e & (f ^ g))) + kK[t] + w[(t) & 15];   \
    uint32_t t2 = BigSigma0(a) + ((a & b) | (c & (a | b)));                   \
    d += t1;                                                                  \
    h = t1 + t2;                                                              \
  }

void CompressPortable(uint32_t* s, const uint8_t* p, size_t blocks) {
  uint32_t w[16];
  for (; blocks; --blocks, p += 64) {
    for (int i = 0; i < 16; ++i) w[i] = LoadBE32(p + 4 * i);
    uint32_t a = s[0], b = s[1], c = s[2], d = s[3], e = s[4], f = s[5], g = s[6], h = s[7];
    for (int t = 0; t < 64; t += 8) {
      if (t >= 16) {
        for (int i = t; i < t + 8; ++i)
          w[i & 15] += SmallSigma1(w[(i + 14) & 15]) + w[(i + 9) & 15] + SmallSigma0(w[(i + 1) & 15]);
      }
      ZK_SHA32_ROUND(a, b, c, d, e, f, g, h, t)
      ZK_SHA32_ROUND(h, a, b, c, d, e, f, g, t + 1)
      ZK_SHA32_ROUND(g, h, a, b, c, d, e, f, t + 2)
      ZK_SHA32_ROUND(f, g, h, a, b, c, d, e, t + 3)
      ZK_SHA32_ROUND(e, f, g, h, a, b, c, d, t + 4)
      ZK_SHA32_ROUND(d, e, f, g, h, a, b, c, t + 5)
      ZK_SHA32_ROUND(c, d, e, f, g, h, a, b, t + 6)
      ZK_SHA32_ROUND(b, c, d, e, f, g, h, a, t + 7)
    }
    s[0] += a;
    s[1] += b;
    s[2] += c;
    s[3] += d;
    s[4] += e;
    s[5] += f;
    s[6] += g;
    s[7] += h;
  }
  Wipe(w, sizeof w);
}

#undef ZK_SHA32_ROUND

#define ZK_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))

// Four rounds (step i of 16). The instruction adds the h of each round;
// subtracting the h and g lanes of the state it starts from (its C, D, G, H
// operand holds H in lane 0 and G in lane 1) from the round words leaves
// exactly the variant's T1.
template <int i>
ZK_SHA_TARGET inline __attribute__((always_inline)) void Sha32Step(__m128i& abef, __m128i& cdgh,
                                                                   __m128i* msg) {
  if constexpr (i >= 4) {
    __m128i m = _mm_sha256msg1_epu32(msg[i % 4], msg[(i + 1) % 4]);
    m = _mm_add_epi32(m, _mm_alignr_epi8(msg[(i + 3) % 4], msg[(i + 2) % 4], 4));
    msg[i % 4] = _mm_sha256msg2_epu32(m, msg[(i + 3) % 4]);
  }
  const __m128i wk = _mm_add_epi32(msg[i % 4], _mm_load_si128(reinterpret_cast<const __m128i*>(kK + 4 * i)));
  cdgh = _mm_sha256rnds2_epu32(cdgh, abef, _mm_sub_epi32(wk, cdgh));
  abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_sub_epi32(_mm_shuffle_epi32(wk, 0x0e), abef));
}

template <int... i>
ZK_SHA_TARGET inline __attribute__((always_inline)) void Sha32Steps(__m128i& abef, __m128i& cdgh,
                                                                    __m128i* msg,
                                                                    std::integer_sequence<int, i...>) {
  (Sha32Step<i>(abef, cdgh, msg), ...);
}

ZK_SHA_TARGET void CompressHardware(uint32_t* s, const uint8_t* p, size_t blocks) {
  const __m128i swap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  __m128i t = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), 0xb1);  // CDAB
  __m128i cdgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4)), 0x1b);  // EFGH
  __m128i abef = _mm_alignr_epi8(t, cdgh, 8);
  cdgh = _mm_blend_epi16(cdgh, t, 0xf0);
  for (; blocks; --blocks, p += 64) {
    const __m128i abefSaved = abef, cdghSaved = cdgh;
    __m128i msg[4];
    for (int j = 0; j < 4; ++j)
      msg[j] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * j)), swap);
    Sha32Steps(abef, cdgh, msg, std::make_integer_sequence<int, 16>());
    abef = _mm_add_epi32(abef, abefSaved);
    cdgh = _mm_add_epi32(cdgh, cdghSaved);
  }
  t = _mm_shuffle_epi32(abef, 0x1b);        // FEBA
  cdgh = _mm_shuffle_epi32(cdgh, 0xb1);     // DCHG
  _mm_storeu_si128(reinterpret_cast<__m128i*>(s), _mm_blend_epi16(t, cdgh, 0xf0));  // DCBA
  _mm_storeu_si128(reinterpret_cast<__m128i*>(s + 4), _mm_alignr_epi8(cdgh, t, 8));  // HGFE
}

constexpr DigestShape kSha32Shape{.chainWords = 8, .digestSize = 32, .nullDataFails = true};

class Sha32 final : public Digest64<Sha32, kSha32Shape> {
 public:
  static constexpr const char* kClassId = id::HashSHA32;

  static void Reset(uint32_t* s) {
    static constexpr uint32_t kInit[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                          0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::memcpy(s, kInit, sizeof kInit);
  }
  static void StoreBitCount(uint8_t* p, uint64_t bits) {
    StoreBE32(p, uint32_t(bits >> 32));
    StoreBE32(p + 4, uint32_t(bits));
  }
  static void Output(const uint32_t* s, uint8_t* out) {
    for (int i = 0; i < 8; ++i) StoreLE32(out + 4 * i, s[i]);
  }
  static void Compress(uint32_t* s, const uint8_t* p, size_t blocks) {
    if (ShaUsingHardware()) return CompressHardware(s, p, blocks);
    CompressPortable(s, p, blocks);
  }
};

}  // namespace
}  // namespace zk::cipher

using Sha32Hash = zk::cipher::Sha32;
ZK_REGISTER_CLASS(Sha32Hash)
