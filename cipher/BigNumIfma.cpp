// Montgomery exponentiation in radix 2^52 on AVX-512 IFMA.
//
// The multiplication is "almost Montgomery": for a, b < 2m it gives
// r = a b / 2^(52 L) mod m with r < 2m (the radix exceeds 4m), so nothing
// is reduced until the very end. Limbs sit four to a 256-bit register; an
// accumulator limb takes many 52-bit products before it is carried, and
// carries are resolved once per multiplication. Two multiplications with
// different moduli run interleaved, so the exponentiations of the two CRT
// halves share the latency of each step.
#include "BigNumIfma.h"

#include <immintrin.h>

#include <cstring>

#include "Wipe.h"
#include "zk5main.h"

namespace zk::cipher::bn::ifma {

namespace {

constexpr uint64_t kMask = (uint64_t(1) << 52) - 1;

// The limb counts there are kernels for.
constexpr int kLimbs[] = {8, 12, 16, 20, 24, 32, 40, 48, 64, 80};

#define ZK_IFMA __attribute__((target("avx512f,avx512vl,avx512ifma")))

struct Modulus {
  const uint64_t* m;
  uint64_t k0;  // -m^-1 mod 2^52
};

// r[k] = a[k] b[k] / 2^(52 L) mod m[k] (almost: r < 2m) for k < K.
// r may be a or b.
template <int V, int K>
ZK_IFMA void Amm(uint64_t* const* r, const uint64_t* const* a, const uint64_t* const* b, const Modulus* mod) {
  constexpr int L = 4 * V;
  const __m256i zero = _mm256_setzero_si256();
  __m256i acc[K][V], bv[K][V], mv[K][V];
  #pragma GCC unroll 32
  for (int k = 0; k < K; ++k)
    #pragma GCC unroll 32
    for (int v = 0; v < V; ++v) {
      acc[k][v] = zero;
      bv[k][v] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b[k] + 4 * v));
      mv[k][v] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mod[k].m + 4 * v));
    }
  // Limb 0 of the accumulator is kept in a scalar (s): the next one is
  // found from limb 1 and this step's products in scalar arithmetic, so
  // the step's multiple q of m need not wait for the vector additions.
  uint64_t b0[K], b1[K], m0[K], m1[K], s[K];
  #pragma GCC unroll 32
  for (int k = 0; k < K; ++k) b0[k] = b[k][0], b1[k] = b[k][1], m0[k] = mod[k].m[0], m1[k] = mod[k].m[1], s[k] = 0;
  for (int i = 0; i < L; ++i) {
    #pragma GCC unroll 32
    for (int k = 0; k < K; ++k) {
      const uint64_t ai = a[k][i];
      const __m256i A = _mm256_set1_epi64x(int64_t(ai));
      const uint64_t limb1 = uint64_t(_mm_extract_epi64(_mm256_castsi256_si128(acc[k][0]), 1));
      // q clears the low 52 bits of limb 0; its excess (carry) moves on.
      const unsigned __int128 ab = (unsigned __int128)ai * b0[k];
      const uint64_t t = s[k] + (uint64_t(ab) & kMask);
      const uint64_t q = (t * mod[k].k0) & kMask;
      const __m256i Q = _mm256_set1_epi64x(int64_t(q));
      const unsigned __int128 qm = (unsigned __int128)q * m0[k];
      const uint64_t carry = (t + (uint64_t(qm) & kMask)) >> 52;
      s[k] = limb1 + ((ai * b1[k]) & kMask) + ((q * m1[k]) & kMask) + uint64_t(ab >> 52) + uint64_t(qm >> 52) +
             carry;
      #pragma GCC unroll 32
      for (int v = 0; v < V; ++v) {
        acc[k][v] = _mm256_madd52lo_epu64(acc[k][v], A, bv[k][v]);
        acc[k][v] = _mm256_madd52lo_epu64(acc[k][v], Q, mv[k][v]);
      }
      // Down one limb (limb 0 of the vector is left stale: s holds it).
      #pragma GCC unroll 32
      for (int v = 0; v < V - 1; ++v) acc[k][v] = _mm256_alignr_epi64(acc[k][v + 1], acc[k][v], 1);
      acc[k][V - 1] = _mm256_alignr_epi64(zero, acc[k][V - 1], 1);
      // The high halves belong one limb up, which is where they are now.
      #pragma GCC unroll 32
      for (int v = 0; v < V; ++v) {
        acc[k][v] = _mm256_madd52hi_epu64(acc[k][v], A, bv[k][v]);
        acc[k][v] = _mm256_madd52hi_epu64(acc[k][v], Q, mv[k][v]);
      }
    }
  }
  #pragma GCC unroll 32
  for (int k = 0; k < K; ++k) acc[k][0] = _mm256_mask_set1_epi64(acc[k][0], 1, int64_t(s[k]));
  // Carries: every limb's excess moves one limb up; then at most a carry of
  // one is left per limb, which ripples through limbs of all ones. Those
  // ripples are found at once by adding bit masks.
  const __m256i mask = _mm256_set1_epi64x(int64_t(kMask));
  const __m256i one = _mm256_set1_epi64x(1);
  #pragma GCC unroll 32
  for (int k = 0; k < K; ++k) {
    __m256i c[V];
    #pragma GCC unroll 32
    for (int v = 0; v < V; ++v) {
      c[v] = _mm256_srli_epi64(acc[k][v], 52);
      acc[k][v] = _mm256_and_si256(acc[k][v], mask);
    }
    acc[k][0] = _mm256_add_epi64(acc[k][0], _mm256_alignr_epi64(c[0], zero, 3));
    #pragma GCC unroll 32
    for (int v = 1; v < V; ++v) acc[k][v] = _mm256_add_epi64(acc[k][v], _mm256_alignr_epi64(c[v], c[v - 1], 3));
    unsigned __int128 g = 0, p = 0;
    #pragma GCC unroll 32
    for (int v = 0; v < V; ++v) {
      g |= (unsigned __int128)_mm256_cmpgt_epu64_mask(acc[k][v], mask) << (4 * v);
      p |= (unsigned __int128)_mm256_cmpeq_epu64_mask(acc[k][v], mask) << (4 * v);
    }
    const unsigned __int128 in = ((g << 1) + p) ^ p;  // limbs that take a carry
    #pragma GCC unroll 32
    for (int v = 0; v < V; ++v) {
      const __mmask8 kc = __mmask8(uint32_t(in >> (4 * v)) & 0xF);
      acc[k][v] = _mm256_and_si256(_mm256_mask_add_epi64(acc[k][v], kc, acc[k][v], one), mask);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(r[k] + 4 * v), acc[k][v]);
    }
  }
}

// Bits [pos, pos + w) of the exponent (bits beyond it read as 0).
uint32_t Window(const Job& j, int64_t pos, int w) {
  uint32_t v = 0;
  for (int b = w - 1; b >= 0; --b) {
    const int64_t i = pos + b;
    uint32_t bit = 0;
    if (i >= 0 && i / 32 < j.xCount) bit = (j.x[i / 32] >> (i % 32)) & 1;
    v = (v << 1) | bit;
  }
  return v;
}

// r = a if a < m, else a - m (a <= m here, so once is enough).
void Reduce(uint64_t* r, const uint64_t* a, const uint64_t* m, int L) {
  int cmp = 0;
  for (int j = L - 1; j >= 0 && cmp == 0; --j)
    if (a[j] != m[j]) cmp = a[j] > m[j] ? 1 : -1;
  if (cmp < 0) {
    if (r != a) std::memcpy(r, a, size_t(L) * 8);
    return;
  }
  uint64_t borrow = 0;
  for (int j = 0; j < L; ++j) {
    const uint64_t d = a[j] - m[j] - borrow;
    borrow = d >> 63;
    r[j] = d & kMask;
  }
}

template <int V, int K>
bool Run(const Job* jobs) {
  constexpr int L = 4 * V;
  uint32_t bits = 0;
  for (int k = 0; k < K; ++k)
    if (jobs[k].bits > bits) bits = jobs[k].bits;
  // Fixed windows, so that both jobs take the same steps; a window of
  // zeros costs no multiplication.
  const int w = bits >= 512 ? 5 : bits >= 128 ? 4 : bits >= 32 ? 3 : 1;
  const int entries = 1 << w;
  // Per job: the table of powers base^0 .. base^(entries - 1) in Montgomery
  // form, the accumulator and the number 1.
  const size_t perJob = size_t(entries + 2) * L;
  const size_t bytes = perJob * K * 8;
  auto* mem = static_cast<uint64_t*>(zk_malloc(int32_t(bytes)));
  if (!mem) return false;
  std::memset(mem, 0, bytes);
  Modulus mod[K];
  uint64_t *table[K], *acc[K], *one[K];
  for (int k = 0; k < K; ++k) {
    uint64_t* base = mem + perJob * k;
    table[k] = base;
    acc[k] = base + size_t(entries) * L;
    one[k] = acc[k] + L;
    one[k][0] = 1;
    const uint64_t m0 = jobs[k].m[0];
    uint64_t inv = 1;  // Newton iteration for m0^-1 mod 2^64
    for (int n = 0; n < 6; ++n) inv *= 2 - m0 * inv;
    mod[k] = Modulus{jobs[k].m, (0 - inv) & kMask};
  }
  const uint64_t *pa[K], *pb[K];
  uint64_t* pr[K];
  auto step = [&]() { Amm<V, K>(pr, pa, pb, mod); };
  // table[0] = R mod m, table[1] = base R mod m, table[e] = table[e - 1] table[1].
  for (int k = 0; k < K; ++k) pr[k] = table[k], pa[k] = jobs[k].rr, pb[k] = one[k];
  step();
  for (int k = 0; k < K; ++k) pr[k] = table[k] + L, pa[k] = jobs[k].base, pb[k] = jobs[k].rr;
  step();
  for (int e = 2; e < entries; ++e) {
    for (int k = 0; k < K; ++k) pr[k] = table[k] + size_t(e) * L, pa[k] = table[k] + size_t(e - 1) * L, pb[k] = table[k] + L;
    step();
  }
  int64_t pos = (int64_t(bits) - 1) / w * w;  // the top window
  for (int k = 0; k < K; ++k) std::memcpy(acc[k], table[k] + size_t(Window(jobs[k], pos, w)) * L, size_t(L) * 8);
  for (pos -= w; pos >= 0; pos -= w) {
    for (int k = 0; k < K; ++k) pr[k] = acc[k], pa[k] = acc[k], pb[k] = acc[k];
    for (int s = 0; s < w; ++s) step();
    bool any = false;
    for (int k = 0; k < K; ++k) {
      const uint32_t val = Window(jobs[k], pos, w);
      any |= val != 0;
      pb[k] = table[k] + size_t(val) * L;
    }
    if (any) step();
  }
  // Out of Montgomery form: times 1, which leaves a result of at most m.
  for (int k = 0; k < K; ++k) pr[k] = acc[k], pa[k] = acc[k], pb[k] = one[k];
  step();
  for (int k = 0; k < K; ++k) Reduce(jobs[k].out, acc[k], jobs[k].m, L);
  Wipe(mem, bytes);
  zk_free(mem);
  return true;
}

bool Detect() {
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
         __builtin_cpu_supports("avx512ifma");
}

}  // namespace

bool Available() {
  static const bool available = Detect();
  return available;
}

int LimbsFor(uint32_t bits) {
  for (int L : kLimbs)
    if (uint64_t(bits) + 2 <= uint64_t(52) * L) return L;
  return 0;
}

bool ModExp(const Job* jobs, int count, int limbs) {
  if (count != 1 && count != 2) return false;
  const bool two = count == 2;
  switch (limbs) {
    case 8: return two ? Run<2, 2>(jobs) : Run<2, 1>(jobs);
    case 12: return two ? Run<3, 2>(jobs) : Run<3, 1>(jobs);
    case 16: return two ? Run<4, 2>(jobs) : Run<4, 1>(jobs);
    case 20: return two ? Run<5, 2>(jobs) : Run<5, 1>(jobs);
    case 24: return two ? Run<6, 2>(jobs) : Run<6, 1>(jobs);
    case 32: return two ? Run<8, 2>(jobs) : Run<8, 1>(jobs);
    case 40: return two ? Run<10, 2>(jobs) : Run<10, 1>(jobs);
    case 48: return two ? Run<12, 2>(jobs) : Run<12, 1>(jobs);
    case 64: return two ? Run<16, 2>(jobs) : Run<16, 1>(jobs);
    case 80: return two ? Run<20, 2>(jobs) : Run<20, 1>(jobs);
  }
  return false;
}

}  // namespace zk::cipher::bn::ifma
