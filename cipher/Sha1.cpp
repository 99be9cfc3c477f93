// hash.SHA: SHA-1 (FIPS 180-1): big-endian message words, the 64-bit
// big-endian bit count, the digest the five chaining words big-endian.
// Blocks go through the processor's SHA instructions when it has them.
#include <cpuid.h>
#include <immintrin.h>

#include <atomic>
#include <utility>

#include "Digest64.h"

namespace zk::cipher {
namespace {

// The SHA extensions: CPUID leaf 7, EBX bit 29.
bool DetectSha() {
  __builtin_cpu_init();
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return (b & (1u << 29)) && __builtin_cpu_supports("sse4.1") && __builtin_cpu_supports("ssse3");
}
const bool kShaHardware = DetectSha();
std::atomic<bool> gUseSha{kShaHardware};

#define ZK_SHA1_ROUND(f, k)                                    \
  {                                                            \
    uint32_t t = Rotl32(a, 5) + (f) + e + (k) + w[i & 15];     \
    e = d;                                                     \
    d = c;                                                     \
    c = Rotl32(b, 30);                                         \
    b = a;                                                     \
    a = t;                                                     \
  }

void CompressPortable(uint32_t* h, const uint8_t* p, size_t blocks) {
  uint32_t w[16];
  for (; blocks; --blocks, p += 64) {
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
      if (i < 16) {
        w[i] = LoadBE32(p + 4 * i);
      } else {
        w[i & 15] = Rotl32(w[(i + 13) & 15] ^ w[(i + 8) & 15] ^ w[(i + 2) & 15] ^ w[i & 15], 1);
      }
      if (i < 20) ZK_SHA1_ROUND(d ^ (b & (c ^ d)), 0x5a827999)
      else if (i < 40) ZK_SHA1_ROUND(b ^ c ^ d, 0x6ed9eba1)
      else if (i < 60) ZK_SHA1_ROUND((b & c) | (d & (b | c)), 0x8f1bbcdc)
      else ZK_SHA1_ROUND(b ^ c ^ d, 0xca62c1d6)
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
  }
  Wipe(w, sizeof w);
}

#undef ZK_SHA1_ROUND

#define ZK_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))

// Four rounds (step i of 20): the message words of the step are made
// just in time from the four held before (W[i] over W[i-4..i-1]).
template <int i>
ZK_SHA_TARGET inline __attribute__((always_inline)) void Sha1Step(__m128i& abcd, __m128i& e0,
                                                                  __m128i& e1, __m128i* msg) {
  if constexpr (i >= 4) {
    __m128i m = _mm_sha1msg1_epu32(msg[i % 4], msg[(i + 1) % 4]);
    m = _mm_xor_si128(m, msg[(i + 2) % 4]);
    msg[i % 4] = _mm_sha1msg2_epu32(m, msg[(i + 3) % 4]);
  }
  // e0: the E lanes plus the words of this step; e1 keeps ABCD before it.
  if constexpr (i == 0) {
    e0 = _mm_add_epi32(e0, msg[0]);
  } else {
    e0 = _mm_sha1nexte_epu32(e1, msg[i % 4]);
  }
  e1 = abcd;
  abcd = _mm_sha1rnds4_epu32(abcd, e0, i / 5);
}

template <int... i>
ZK_SHA_TARGET inline __attribute__((always_inline)) void Sha1Steps(__m128i& abcd, __m128i& e0,
                                                                   __m128i& e1, __m128i* msg,
                                                                   std::integer_sequence<int, i...>) {
  (Sha1Step<i>(abcd, e0, e1, msg), ...);
}

ZK_SHA_TARGET void CompressHardware(uint32_t* h, const uint8_t* p, size_t blocks) {
  const __m128i swap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h)), 0x1b);
  __m128i e = _mm_set_epi32(int(h[4]), 0, 0, 0);
  for (; blocks; --blocks, p += 64) {
    const __m128i abcdSaved = abcd, eSaved = e;
    __m128i msg[4];
    for (int j = 0; j < 4; ++j)
      msg[j] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * j)), swap);
    __m128i e0 = e, e1;
    Sha1Steps(abcd, e0, e1, msg, std::make_integer_sequence<int, 20>());
    e = _mm_sha1nexte_epu32(e1, eSaved);
    abcd = _mm_add_epi32(abcd, abcdSaved);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(h), _mm_shuffle_epi32(abcd, 0x1b));
  h[4] = uint32_t(_mm_extract_epi32(e, 3));
}

constexpr DigestShape kSha1Shape{.chainWords = 5, .digestSize = 20, .nullDataFails = false};

class Sha1 final : public Digest64<Sha1, kSha1Shape> {
 public:
  static constexpr const char* kClassId = id::HashSHA;

  static void Reset(uint32_t* h) {
    h[0] = 0x67452301;
    h[1] = 0xefcdab89;
    h[2] = 0x98badcfe;
    h[3] = 0x10325476;
    h[4] = 0xc3d2e1f0;
  }
  static void StoreBitCount(uint8_t* p, uint64_t bits) {
    StoreBE32(p, uint32_t(bits >> 32));
    StoreBE32(p + 4, uint32_t(bits));
  }
  static void Output(const uint32_t* h, uint8_t* out) {
    for (int i = 0; i < 5; ++i) StoreBE32(out + 4 * i, h[i]);
  }
  static void Compress(uint32_t* h, const uint8_t* p, size_t blocks) {
    if (ShaUsingHardware()) return CompressHardware(h, p, blocks);
    CompressPortable(h, p, blocks);
  }
};

}  // namespace

bool ShaHardwareAvailable() { return kShaHardware; }
void ShaUseHardware(bool on) { gUseSha.store(on && kShaHardware, std::memory_order_relaxed); }
bool ShaUsingHardware() { return gUseSha.load(std::memory_order_relaxed); }

}  // namespace zk::cipher

using Sha1Hash = zk::cipher::Sha1;
ZK_REGISTER_CLASS(Sha1Hash)
