// Unsigned big-number arithmetic for RSA and the prime search.
#include "BigNum.h"

#include <atomic>
#include <cstring>
#include <utility>

#include "BigNumIfma.h"
#include "Wipe.h"
#include "zk5main.h"

namespace zk::cipher::bn {

namespace {

using u128 = unsigned __int128;

inline int32_t Len(const uint32_t* a, int32_t n) {
  while (n > 0 && a[n - 1] == 0) --n;
  return n;
}

inline int CompareLimbs(const uint32_t* a, int32_t na, const uint32_t* b, int32_t nb) {
  na = Len(a, na);
  nb = Len(b, nb);
  if (na != nb) return na < nb ? -1 : 1;
  for (int32_t i = na - 1; i >= 0; --i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

// r[0..n) += a[0..n), returning the carry.
inline uint32_t AddLimbs(uint32_t* r, const uint32_t* a, int32_t n) {
  uint64_t c = 0;
  for (int32_t i = 0; i < n; ++i) {
    c += uint64_t(r[i]) + a[i];
    r[i] = uint32_t(c);
    c >>= 32;
  }
  return uint32_t(c);
}

// A scratch block of 32-bit or 64-bit words, zeroed at creation and wiped
// before it is freed.
template <class T>
struct Scratch {
  T* p = nullptr;
  size_t n = 0;
  explicit Scratch(size_t count) {
    if (count == 0) count = 1;
    if (count * sizeof(T) > 0x7ffffff0u) return;
    p = static_cast<T*>(zk_malloc(int32_t(count * sizeof(T))));
    if (p) {
      n = count;
      std::memset(p, 0, count * sizeof(T));
    }
  }
  ~Scratch() {
    Wipe(p, n * sizeof(T));
    zk_free(p);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
};

// Stores limbs into r in normal form.
StatusCode Assign(BigNumber& r, const uint32_t* src, int32_t n) {
  n = Len(src, n);
  StatusCode s = Reserve(r, n);
  if (s) return s;
  if (n) std::memmove(r.limbs, src, size_t(n) * 4);
  if (r.capacity > n) std::memset(r.limbs + n, 0, size_t(r.capacity - n) * 4);
  r.count = n;
  return kOk;
}

}  // namespace

BigNumber::~BigNumber() { Clear(*this); }

StatusCode Reserve(BigNumber& a, int32_t limbs) {
  if (limbs < 0 || limbs > kMaxLimbs) return kNoMemory;
  if (a.capacity >= limbs && (a.limbs || limbs == 0)) return kOk;
  int32_t cap = (limbs + 1) & ~1;
  if (cap == 0) cap = 2;
  // A fresh block rather than zk_realloc, so the old limbs can be wiped.
  auto* block = static_cast<uint32_t*>(zk_malloc(cap * 4));
  if (!block) return kNoMemory;
  std::memset(block, 0, size_t(cap) * 4);
  if (a.limbs) {
    if (a.count) std::memcpy(block, a.limbs, size_t(a.count) * 4);
    Wipe(a.limbs, size_t(a.capacity) * 4);
    zk_free(a.limbs);
  }
  a.limbs = block;
  a.capacity = cap;
  return kOk;
}

void Clear(BigNumber& a) {
  if (a.limbs) {
    Wipe(a.limbs, size_t(a.capacity) * 4);
    zk_free(a.limbs);
  }
  a.limbs = nullptr;
  a.count = 0;
  a.capacity = 0;
}

void Normalize(BigNumber& a) { a.count = a.limbs ? Len(a.limbs, a.count) : 0; }

StatusCode SetWord(BigNumber& a, uint32_t w) { return Assign(a, &w, 1); }

StatusCode Copy(BigNumber& r, const BigNumber& a) {
  if (&r == &a) {
    Normalize(r);
    return kOk;
  }
  return Assign(r, a.limbs, a.count);
}

StatusCode SetLimbs(BigNumber& r, const uint32_t* limbs, int32_t count) {
  if (count < 0) return kInvalidArg;
  StatusCode s = Reserve(r, count);
  if (s) return s;
  if (count) std::memcpy(r.limbs, limbs, size_t(count) * 4);
  r.count = count;
  return kOk;
}

void Swap(BigNumber& a, BigNumber& b) {
  BigNumber t;
  t.limbs = a.limbs, t.count = a.count, t.capacity = a.capacity;
  a.limbs = b.limbs, a.count = b.count, a.capacity = b.capacity;
  b.limbs = t.limbs, b.count = t.count, b.capacity = t.capacity;
  t.limbs = nullptr, t.count = 0, t.capacity = 0;
}

int32_t Length(const BigNumber& a) { return a.limbs ? Len(a.limbs, a.count) : 0; }

int Compare(const BigNumber& a, const BigNumber& b) {
  return CompareLimbs(a.limbs, Length(a), b.limbs, Length(b));
}

int CompareWord(const BigNumber& a, uint32_t w) { return CompareLimbs(a.limbs, Length(a), &w, 1); }

uint32_t BitLength(const BigNumber& a) {
  int32_t n = Length(a);
  if (n == 0) return 0;
  return uint32_t(n - 1) * 32 + uint32_t(32 - __builtin_clz(a.limbs[n - 1]));
}

uint32_t LowWord(const BigNumber& a) { return Length(a) ? a.limbs[0] : 0; }
bool IsZero(const BigNumber& a) { return Length(a) == 0; }
bool IsOdd(const BigNumber& a) { return LowWord(a) & 1; }

uint32_t ModWord(const BigNumber& a, uint32_t w) {
  if (w == 0) return 0;
  uint64_t rem = 0;
  for (int32_t i = Length(a) - 1; i >= 0; --i) rem = ((rem << 32) | a.limbs[i]) % w;
  return uint32_t(rem);
}

uint32_t MulAddWord(uint32_t* r, const uint32_t* a, int32_t n, uint32_t w) {
  uint64_t c = 0;
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    uint64_t t0 = uint64_t(a[i]) * w + r[i] + c;
    r[i] = uint32_t(t0);
    uint64_t t1 = uint64_t(a[i + 1]) * w + r[i + 1] + (t0 >> 32);
    r[i + 1] = uint32_t(t1);
    uint64_t t2 = uint64_t(a[i + 2]) * w + r[i + 2] + (t1 >> 32);
    r[i + 2] = uint32_t(t2);
    uint64_t t3 = uint64_t(a[i + 3]) * w + r[i + 3] + (t2 >> 32);
    r[i + 3] = uint32_t(t3);
    c = t3 >> 32;
  }
  for (; i < n; ++i) {
    uint64_t t = uint64_t(a[i]) * w + r[i] + c;
    r[i] = uint32_t(t);
    c = t >> 32;
  }
  return uint32_t(c);
}

uint32_t MulSubWord(uint32_t* r, const uint32_t* a, int32_t n, uint32_t w) {
  uint64_t c = 0;
  int32_t i = 0;
  auto step = [&](int32_t k) {
    uint64_t t = uint64_t(a[k]) * w + c;
    uint32_t lo = uint32_t(t), rk = r[k];
    r[k] = rk - lo;
    c = (t >> 32) + (rk < lo);
  };
  for (; i + 4 <= n; i += 4) {
    step(i);
    step(i + 1);
    step(i + 2);
    step(i + 3);
  }
  for (; i < n; ++i) step(i);
  return uint32_t(c);
}

StatusCode AddWord(BigNumber& r, const BigNumber& a, uint32_t w) {
  BigNumber t;
  t.limbs = &w, t.count = 1, t.capacity = 1;
  StatusCode s = Add(r, a, t);
  t.limbs = nullptr, t.count = 0, t.capacity = 0;
  return s;
}

StatusCode SubWord(BigNumber& r, const BigNumber& a, uint32_t w) {
  BigNumber t;
  t.limbs = &w, t.count = 1, t.capacity = 1;
  StatusCode s = Sub(r, a, t);
  t.limbs = nullptr, t.count = 0, t.capacity = 0;
  return s;
}

StatusCode AddWordShifted(BigNumber& r, const BigNumber& a, uint32_t w, uint32_t shift) {
  uint32_t limb = shift / 32, bit = shift % 32;
  if (limb + 2 > uint32_t(kMaxLimbs)) return kNoMemory;
  BigNumber t;
  StatusCode s = Reserve(t, int32_t(limb) + 2);
  if (s) return s;
  t.limbs[limb] = w << bit;
  t.limbs[limb + 1] = bit ? w >> (32 - bit) : 0;
  t.count = int32_t(limb) + 2;
  return Add(r, a, t);
}

StatusCode Add(BigNumber& r, const BigNumber& a, const BigNumber& b) {
  int32_t na = Length(a), nb = Length(b);
  const BigNumber* x = &a;
  const BigNumber* y = &b;
  if (na < nb) std::swap(x, y), std::swap(na, nb);
  BigNumber t;
  StatusCode s = Reserve(t, na + 1);
  if (s) return s;
  if (na) std::memcpy(t.limbs, x->limbs, size_t(na) * 4);
  uint32_t c = AddLimbs(t.limbs, y->limbs, nb);
  for (int32_t i = nb; c && i < na; ++i) c = (++t.limbs[i] == 0);
  t.limbs[na] = c;
  t.count = na + 1;
  Normalize(t);
  Swap(r, t);
  return kOk;
}

StatusCode Sub(BigNumber& r, const BigNumber& a, const BigNumber& b) {
  if (Compare(a, b) < 0) return kInvalidArg;
  int32_t na = Length(a), nb = Length(b);
  BigNumber t;
  StatusCode s = Reserve(t, na);
  if (s) return s;
  if (na) std::memcpy(t.limbs, a.limbs, size_t(na) * 4);
  uint32_t borrow = 0;
  for (int32_t i = 0; i < na; ++i) {
    uint64_t sub = uint64_t(i < nb ? b.limbs[i] : 0) + borrow;
    uint32_t ti = t.limbs[i];
    t.limbs[i] = uint32_t(ti - sub);
    borrow = uint64_t(ti) < sub;
    if (!borrow && i >= nb) break;
  }
  t.count = na;
  Normalize(t);
  Swap(r, t);
  return kOk;
}

StatusCode Mul(BigNumber& r, const BigNumber& a, const BigNumber& b) {
  int32_t na = Length(a), nb = Length(b);
  if (na == 0 || nb == 0) return SetLimbs(r, nullptr, 0);
  if (int64_t(na) + nb > kMaxLimbs) return kNoMemory;
  BigNumber t;
  StatusCode s = Reserve(t, na + nb);
  if (s) return s;
  for (int32_t i = 0; i < nb; ++i) t.limbs[i + na] = MulAddWord(t.limbs + i, a.limbs, na, b.limbs[i]);
  t.count = na + nb;
  Normalize(t);
  Swap(r, t);
  return kOk;
}

StatusCode DivMod(BigNumber* q, BigNumber* rem, const BigNumber& a, const BigNumber& b) {
  int32_t na = Length(a), nb = Length(b);
  if (nb == 0) return kInvalidArg;
  StatusCode s;
  if (CompareLimbs(a.limbs, na, b.limbs, nb) < 0) {
    if (rem && (s = Copy(*rem, a))) return s;
    if (q) q->count = 0;
    return kOk;
  }
  BigNumber tq;
  if ((s = Reserve(tq, na - nb + 1))) return s;
  if (nb == 1) {
    uint32_t d = b.limbs[0];
    uint64_t r = 0;
    for (int32_t i = na - 1; i >= 0; --i) {
      uint64_t cur = (r << 32) | a.limbs[i];
      tq.limbs[i] = uint32_t(cur / d);
      r = cur % d;
    }
    tq.count = na;
    Normalize(tq);
    if (rem && (s = SetWord(*rem, uint32_t(r)))) return s;
    if (q) Swap(*q, tq);
    return kOk;
  }
  // Knuth's algorithm D on the normalised divisor.
  BigNumber u, v;
  if ((s = Reserve(u, na + 1)) || (s = Reserve(v, nb))) return s;
  int shift = __builtin_clz(b.limbs[nb - 1]);
  if (shift) {
    for (int32_t i = nb - 1; i > 0; --i) v.limbs[i] = (b.limbs[i] << shift) | (b.limbs[i - 1] >> (32 - shift));
    v.limbs[0] = b.limbs[0] << shift;
    u.limbs[na] = a.limbs[na - 1] >> (32 - shift);
    for (int32_t i = na - 1; i > 0; --i) u.limbs[i] = (a.limbs[i] << shift) | (a.limbs[i - 1] >> (32 - shift));
    u.limbs[0] = a.limbs[0] << shift;
  } else {
    std::memcpy(v.limbs, b.limbs, size_t(nb) * 4);
    std::memcpy(u.limbs, a.limbs, size_t(na) * 4);
    u.limbs[na] = 0;
  }
  const uint64_t base = uint64_t(1) << 32;
  const uint32_t vtop = v.limbs[nb - 1], vnext = v.limbs[nb - 2];
  for (int32_t j = na - nb; j >= 0; --j) {
    uint64_t num = (uint64_t(u.limbs[j + nb]) << 32) | u.limbs[j + nb - 1];
    uint64_t qhat = num / vtop, rhat = num % vtop;
    while (qhat >= base || qhat * vnext > ((rhat << 32) | u.limbs[j + nb - 2])) {
      --qhat;
      rhat += vtop;
      if (rhat >= base) break;
    }
    uint32_t borrow = MulSubWord(u.limbs + j, v.limbs, nb, uint32_t(qhat));
    uint32_t top = u.limbs[j + nb];
    u.limbs[j + nb] = top - borrow;
    if (top < borrow) {
      --qhat;
      u.limbs[j + nb] += AddLimbs(u.limbs + j, v.limbs, nb);
    }
    tq.limbs[j] = uint32_t(qhat);
  }
  tq.count = na - nb + 1;
  Normalize(tq);
  if (rem) {
    BigNumber tr;
    if ((s = Reserve(tr, nb))) return s;
    if (shift) {
      for (int32_t i = 0; i < nb - 1; ++i) tr.limbs[i] = (u.limbs[i] >> shift) | (u.limbs[i + 1] << (32 - shift));
      tr.limbs[nb - 1] = u.limbs[nb - 1] >> shift;
    } else {
      std::memcpy(tr.limbs, u.limbs, size_t(nb) * 4);
    }
    tr.count = nb;
    Normalize(tr);
    Swap(*rem, tr);
  }
  if (q) Swap(*q, tq);
  return kOk;
}

StatusCode Mod(BigNumber& r, const BigNumber& a, const BigNumber& m) { return DivMod(nullptr, &r, a, m); }

StatusCode Gcd(BigNumber& r, const BigNumber& a, const BigNumber& b) {
  BigNumber x, y, t;
  StatusCode s;
  if ((s = Copy(x, a)) || (s = Copy(y, b))) return s;
  while (!IsZero(y)) {
    if ((s = Mod(t, x, y))) return s;
    Swap(x, y);
    Swap(y, t);
  }
  Swap(r, x);
  return kOk;
}

StatusCode ModInverse(BigNumber& r, const BigNumber& a, const BigNumber& m) {
  if (IsZero(m)) return kInvalidArg;
  if (CompareWord(m, 1) == 0) return SetLimbs(r, nullptr, 0);
  // Extended Euclid keeping the magnitudes of the coefficients of a; their
  // signs alternate, so the parity of the step count gives the sign.
  BigNumber r0, r1, t0, t1, q, tmp;
  StatusCode s;
  if ((s = Copy(r0, m)) || (s = Mod(r1, a, m)) || (s = SetWord(t1, 1))) return s;
  bool odd = true;  // t1 stands for +t1 at odd steps, -t1 at even ones
  while (!IsZero(r1) && CompareWord(r1, 1) != 0) {
    if ((s = DivMod(&q, &tmp, r0, r1))) return s;
    Swap(r0, r1);
    Swap(r1, tmp);  // r1 = r0 mod r1
    if ((s = Mul(tmp, q, t1)) || (s = Add(tmp, tmp, t0))) return s;
    Swap(t0, t1);
    Swap(t1, tmp);
    odd = !odd;
  }
  if (IsZero(r1)) return kNotExecuted;
  if (odd) return Copy(r, t1);
  return Sub(r, m, t1);
}

// ---------------------------------------------------------------------------
// Montgomery arithmetic on 64-bit words (pairs of limbs), used only inside
// the exponentiation; results are exact residues.

namespace {

struct Mont {
  int n = 0;             // words
  const uint64_t* m = nullptr;
  uint64_t minv = 0;     // -m^-1 mod 2^64
};

// acc (c0, c1, c2) += x * y
#if defined(__x86_64__)
#define ZK_MAC(x, y, c0, c1, c2)                                                       \
  do {                                                                                 \
    uint64_t lo_, hi_;                                                                 \
    __asm__("mulq %3" : "=a"(lo_), "=d"(hi_) : "a"(x), "rm"(y));                       \
    __asm__("addq %3, %0\n\tadcq %4, %1\n\tadcq $0, %2"                                \
            : "+r"(c0), "+r"(c1), "+r"(c2)                                             \
            : "r"(lo_), "r"(hi_)                                                       \
            : "cc");                                                                   \
  } while (0)
#else
#define ZK_MAC(x, y, c0, c1, c2)                              \
  do {                                                        \
    u128 p_ = u128(x) * (y);                                  \
    u128 s_ = ((u128(c1) << 64) | (c0)) + p_;                 \
    (c2) += s_ < p_;                                          \
    (c0) = uint64_t(s_);                                      \
    (c1) = uint64_t(s_ >> 64);                                \
  } while (0)
#endif

// r = a * b / 2^(64n) mod m, with a, b < m, by product scanning with the
// reduction folded into each column; t holds 2n + 2 words.
void MontMul(uint64_t* r, const uint64_t* a, const uint64_t* b, const Mont& c, uint64_t* t) {
  const int n = c.n;
  const uint64_t* m = c.m;
  uint64_t* q = t;
  uint64_t* out = t + n;
  uint64_t c0 = 0, c1 = 0, c2 = 0;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < i; ++j) {
      ZK_MAC(a[j], b[i - j], c0, c1, c2);
      ZK_MAC(q[j], m[i - j], c0, c1, c2);
    }
    ZK_MAC(a[i], b[0], c0, c1, c2);
    q[i] = c0 * c.minv;
    ZK_MAC(q[i], m[0], c0, c1, c2);  // the low word becomes 0
    c0 = c1, c1 = c2, c2 = 0;
  }
  for (int i = n; i < 2 * n; ++i) {
    for (int j = i - n + 1; j < n; ++j) {
      ZK_MAC(a[j], b[i - j], c0, c1, c2);
      ZK_MAC(q[j], m[i - j], c0, c1, c2);
    }
    out[i - n] = c0;
    c0 = c1, c1 = c2, c2 = 0;
  }
  // out + c0 * 2^(64n) < 2m: one conditional subtraction.
  bool ge = c0 != 0;
  if (!ge) {
    ge = true;
    for (int j = n - 1; j >= 0; --j)
      if (out[j] != m[j]) {
        ge = out[j] > m[j];
        break;
      }
  }
  if (ge) {
    uint64_t borrow = 0;
    for (int j = 0; j < n; ++j) {
      u128 d = u128(out[j]) - m[j] - borrow;
      r[j] = uint64_t(d);
      borrow = uint64_t(d >> 64) & 1;
    }
  } else {
    std::memcpy(r, out, size_t(n) * 8);
  }
}

// r = a^2 / 2^(64n) mod m: as MontMul, each cross product taken once and doubled.
void MontSqr(uint64_t* r, const uint64_t* a, const Mont& c, uint64_t* t) {
  const int n = c.n;
  const uint64_t* m = c.m;
  uint64_t* q = t;
  uint64_t* out = t + n;
  uint64_t c0 = 0, c1 = 0, c2 = 0;
  for (int k = 0; k < 2 * n - 1; ++k) {
    int lo = k - n + 1 > 0 ? k - n + 1 : 0;
    uint64_t d0 = 0, d1 = 0, d2 = 0;
    for (int j = lo; j < k - j; ++j) ZK_MAC(a[j], a[k - j], d0, d1, d2);
    d2 = (d2 << 1) | (d1 >> 63);
    d1 = (d1 << 1) | (d0 >> 63);
    d0 <<= 1;
    if (!(k & 1)) ZK_MAC(a[k / 2], a[k / 2], d0, d1, d2);
    u128 sum = u128(c0) + d0;
    c0 = uint64_t(sum);
    sum = u128(c1) + d1 + uint64_t(sum >> 64);
    c1 = uint64_t(sum);
    c2 += d2 + uint64_t(sum >> 64);
    if (k < n) {
      for (int j = 0; j < k; ++j) ZK_MAC(q[j], m[k - j], c0, c1, c2);
      q[k] = c0 * c.minv;
      ZK_MAC(q[k], m[0], c0, c1, c2);
    } else {
      for (int j = k - n + 1; j < n; ++j) ZK_MAC(q[j], m[k - j], c0, c1, c2);
      out[k - n] = c0;
    }
    c0 = c1, c1 = c2, c2 = 0;
  }
  out[n - 1] = c0;
  c0 = c1;
  bool ge = c0 != 0;
  if (!ge) {
    ge = true;
    for (int j = n - 1; j >= 0; --j)
      if (out[j] != m[j]) {
        ge = out[j] > m[j];
        break;
      }
  }
  if (ge) {
    uint64_t borrow = 0;
    for (int j = 0; j < n; ++j) {
      u128 d = u128(out[j]) - m[j] - borrow;
      r[j] = uint64_t(d);
      borrow = uint64_t(d >> 64) & 1;
    }
  } else {
    std::memcpy(r, out, size_t(n) * 8);
  }
}

void ToWords(uint64_t* w, int n, const uint32_t* limbs, int32_t count) {
  std::memset(w, 0, size_t(n) * 8);
  for (int32_t i = 0; i < count; ++i) w[i / 2] |= uint64_t(limbs[i]) << (32 * (i % 2));
}

StatusCode FromWords(BigNumber& r, const uint64_t* w, int n) {
  StatusCode s = Reserve(r, 2 * n);
  if (s) return s;
  for (int i = 0; i < n; ++i) {
    r.limbs[2 * i] = uint32_t(w[i]);
    r.limbs[2 * i + 1] = uint32_t(w[i] >> 32);
  }
  r.count = 2 * n;
  Normalize(r);
  return kOk;
}

inline bool Bit(const BigNumber& x, uint32_t i) { return (x.limbs[i / 32] >> (i % 32)) & 1; }

// The shared setup: words of m, -m^-1, and R^2 mod m in words.
struct MontSetup {
  Mont c;
  Scratch<uint64_t> mem;  // m, rr, one, t and the caller's area
  uint64_t* m = nullptr;
  uint64_t* rr = nullptr;
  uint64_t* t = nullptr;
  uint64_t* area = nullptr;
  StatusCode status = kOk;

  MontSetup(const BigNumber& mod, size_t extraWords, const BigNumber* known = nullptr)
      : mem(size_t((Length(mod) + 1) / 2) * 4 + 2 + extraWords) {
    int32_t nl = Length(mod);
    int n = (nl + 1) / 2;
    if (!mem.p) {
      status = kNoMemory;
      return;
    }
    m = mem.p;
    rr = m + n;
    t = rr + n;
    area = t + 2 * n + 2;
    ToWords(m, n, mod.limbs, nl);
    uint64_t inv = 1;  // Newton iteration for m[0]^-1 mod 2^64
    for (int i = 0; i < 6; ++i) inv *= 2 - m[0] * inv;
    c.n = n;
    c.m = m;
    c.minv = 0 - inv;
    if (known) {
      ToWords(rr, n, known->limbs, Length(*known) < 2 * n ? Length(*known) : 2 * n);
      return;
    }
    // R^2 mod m with R = 2^(64n).
    BigNumber big, rem;
    if ((status = Reserve(big, 4 * n + 1))) return;
    big.limbs[4 * n] = 1;
    big.count = 4 * n + 1;
    if ((status = Mod(rem, big, mod))) return;
    ToWords(rr, n, rem.limbs, rem.count);
  }
};

}  // namespace

StatusCode MontgomerySquare(BigNumber& rr, const BigNumber& m) {
  if (!IsOdd(m)) return kInvalidArg;
  int32_t n = (Length(m) + 1) / 2;
  BigNumber big;
  StatusCode s = Reserve(big, 4 * n + 1);
  if (s) return s;
  big.limbs[4 * n] = 1;
  big.count = 4 * n + 1;
  return Mod(rr, big, m);
}

// ---------------------------------------------------------------------------
// The vector form (radix 2^52, cipher/BigNumIfma.cpp) for moduli it fits.

namespace {

std::atomic<bool> gUseIfma{true};

// Below this size the portable form is faster (measured: break-even near
// 350 bits).
constexpr uint32_t kIfmaMinBits = 384;

// The 52-bit limb count of the vector form for m, or 0 for the portable form.
int IfmaLimbs(const BigNumber& m) {
  if (!gUseIfma.load(std::memory_order_relaxed) || !ifma::Available()) return 0;
  const uint32_t bits = BitLength(m);
  return bits < kIfmaMinBits ? 0 : ifma::LimbsFor(bits);
}

void ToLimbs52(uint64_t* w, int n, const BigNumber& a) {
  std::memset(w, 0, size_t(n) * 8);
  const int32_t count = Length(a);
  for (int32_t i = 0; i < count; ++i) {
    const uint64_t pos = uint64_t(i) * 32;
    const uint64_t j = pos / 52, off = pos % 52;
    if (j >= uint64_t(n)) break;
    w[j] |= (uint64_t(a.limbs[i]) << off) & ((uint64_t(1) << 52) - 1);
    if (off > 20 && j + 1 < uint64_t(n)) w[j + 1] |= uint64_t(a.limbs[i]) >> (52 - off);
  }
}

StatusCode FromLimbs52(BigNumber& r, const uint64_t* w, int n) {
  const int32_t count = int32_t((uint64_t(n) * 52 + 31) / 32) + 2;
  BigNumber t;
  StatusCode s = Reserve(t, count);
  if (s) return s;
  for (int j = 0; j < n; ++j) {
    const uint64_t pos = uint64_t(j) * 52;
    const u128 v = u128(w[j]) << (pos % 32);
    uint32_t* at = t.limbs + pos / 32;
    at[0] |= uint32_t(v);
    at[1] |= uint32_t(v >> 32);
    at[2] |= uint32_t(v >> 64);
  }
  t.count = count;
  Normalize(t);
  Swap(r, t);
  return kOk;
}

// The vector form's operands of one exponentiation: m, the base reduced
// mod m and 2^(104 n) mod m (made from the kept 2^(128 w) mod m by a shift
// of whole limbs when there is one), and room for the result.
struct IfmaOperands {
  Scratch<uint64_t> mem;
  ifma::Job job{};
  StatusCode status = kOk;

  IfmaOperands(const BigNumber& b, const BigNumber& x, const BigNumber& m, const BigNumber* rr, int n)
      : mem(size_t(4) * n) {
    if (!mem.p) {
      status = kNoMemory;
      return;
    }
    BigNumber base, big, square;
    const int32_t words = (Length(m) + 1) / 2;
    const int64_t shift = int64_t(104) * n - int64_t(128) * words;  // a multiple of 32
    if ((status = Mod(base, b, m))) return;
    if (rr && shift >= 0) {
      const int32_t limbs = int32_t(shift / 32), len = Length(*rr);
      if ((status = Reserve(big, limbs + len))) return;
      if (len) std::memcpy(big.limbs + limbs, rr->limbs, size_t(len) * 4);
      big.count = limbs + len;
    } else if ((status = SetBit(big, uint32_t(104 * n)))) {
      return;
    }
    if ((status = Mod(square, big, m))) return;
    uint64_t* w = mem.p;
    ToLimbs52(w, n, m);
    ToLimbs52(w + n, n, base);
    ToLimbs52(w + 2 * n, n, square);
    job = ifma::Job{w, w + n, w + 2 * n, x.limbs, Length(x), BitLength(x), w + 3 * n};
  }
};

}  // namespace

bool ExpHardwareAvailable() { return ifma::Available(); }
void ExpUseHardware(bool on) { gUseIfma.store(on, std::memory_order_relaxed); }

StatusCode ModExpPair(BigNumber& r1, const BigNumber& b1, const BigNumber& x1, const BigNumber& m1,
                      const BigNumber* rr1, BigNumber& r2, const BigNumber& b2, const BigNumber& x2,
                      const BigNumber& m2, const BigNumber* rr2) {
  const int n = IfmaLimbs(m1);
  if (!n || n != IfmaLimbs(m2) || !IsOdd(m1) || !IsOdd(m2) || IsZero(x1) || IsZero(x2)) {
    StatusCode s = ModExp(r1, b1, x1, m1, rr1);
    return s ? s : ModExp(r2, b2, x2, m2, rr2);
  }
  IfmaOperands a(b1, x1, m1, rr1, n), b(b2, x2, m2, rr2, n);
  if (a.status) return a.status;
  if (b.status) return b.status;
  const ifma::Job jobs[2] = {a.job, b.job};
  if (!ifma::ModExp(jobs, 2, n)) return kNoMemory;
  StatusCode s = FromLimbs52(r1, a.job.out, n);
  return s ? s : FromLimbs52(r2, b.job.out, n);
}

StatusCode ModExp(BigNumber& r, const BigNumber& b, const BigNumber& x, const BigNumber& m,
                  const BigNumber* rr) {
  if (!IsOdd(m)) return kInvalidArg;
  if (CompareWord(m, 1) == 0) return SetLimbs(r, nullptr, 0);
  uint32_t bits = BitLength(x);
  if (bits == 0) return SetWord(r, 1);
  if (const int n = IfmaLimbs(m)) {
    IfmaOperands ops(b, x, m, rr, n);
    if (ops.status) return ops.status;
    if (!ifma::ModExp(&ops.job, 1, n)) return kNoMemory;
    return FromLimbs52(r, ops.job.out, n);
  }
  BigNumber base;
  StatusCode s = Mod(base, b, m);
  if (s) return s;
  if (IsZero(base)) return SetLimbs(r, nullptr, 0);
  int w = bits > 671 ? 6 : bits > 239 ? 5 : bits > 79 ? 4 : bits > 24 ? 3 : 1;
  int n = (Length(m) + 1) / 2;
  size_t entries = size_t(1) << (w - 1);
  MontSetup ms(m, size_t(n) * (entries + 2), rr);
  if (ms.status) return ms.status;
  const Mont& c = ms.c;
  uint64_t* table = ms.area;          // odd powers b^1, b^3, ... in Montgomery form
  uint64_t* acc = table + entries * n;
  uint64_t* sq = acc + n;             // b^2, then a plain copy of the base
  ToWords(sq, n, base.limbs, Length(base));
  MontMul(table, sq, ms.rr, c, ms.t);
  if (entries > 1) MontSqr(sq, table, c, ms.t);
  for (size_t i = 1; i < entries; ++i) MontMul(table + i * n, table + (i - 1) * n, sq, c, ms.t);
  bool started = false;
  int64_t i = int64_t(bits) - 1;
  while (i >= 0) {
    if (!Bit(x, uint32_t(i))) {
      MontSqr(acc, acc, c, ms.t);
      --i;
      continue;
    }
    int64_t j = i - w + 1;
    if (j < 0) j = 0;
    while (!Bit(x, uint32_t(j))) ++j;
    uint32_t val = 0;
    for (int64_t k = i; k >= j; --k) val = (val << 1) | uint32_t(Bit(x, uint32_t(k)));
    if (started) {
      for (int64_t k = i; k >= j; --k) MontSqr(acc, acc, c, ms.t);
      MontMul(acc, acc, table + (val >> 1) * n, c, ms.t);
    } else {
      std::memcpy(acc, table + (val >> 1) * n, size_t(n) * 8);
      started = true;
    }
    i = j - 1;
  }
  // Out of Montgomery form: multiply by 1.
  std::memset(sq, 0, size_t(n) * 8);
  sq[0] = 1;
  MontMul(acc, acc, sq, c, ms.t);
  return FromWords(r, acc, n);
}

StatusCode ModExp2(BigNumber& r, const BigNumber& x, const BigNumber& m) {
  if (!IsOdd(m)) return kInvalidArg;
  if (CompareWord(m, 1) == 0) return SetLimbs(r, nullptr, 0);
  uint32_t bits = BitLength(x);
  if (bits == 0) return SetWord(r, 1);
  int n = (Length(m) + 1) / 2;
  MontSetup ms(m, size_t(n) * 2);
  if (ms.status) return ms.status;
  const Mont& c = ms.c;
  uint64_t* acc = ms.area;
  uint64_t* one = acc + n;
  one[0] = 1;
  MontMul(acc, ms.rr, one, c, ms.t);  // R mod m, the Montgomery form of 1
  for (int64_t i = int64_t(bits) - 1; i >= 0; --i) {
    MontSqr(acc, acc, c, ms.t);
    if (Bit(x, uint32_t(i))) {
      // acc = 2 acc mod m
      uint64_t top = acc[n - 1] >> 63;
      for (int j = n - 1; j > 0; --j) acc[j] = (acc[j] << 1) | (acc[j - 1] >> 63);
      acc[0] <<= 1;
      bool ge = top != 0;
      if (!ge) {
        ge = true;
        for (int j = n - 1; j >= 0; --j)
          if (acc[j] != ms.m[j]) {
            ge = acc[j] > ms.m[j];
            break;
          }
      }
      if (ge) {
        uint64_t borrow = 0;
        for (int j = 0; j < n; ++j) {
          u128 d = u128(acc[j]) - ms.m[j] - borrow;
          acc[j] = uint64_t(d);
          borrow = uint64_t(d >> 64) & 1;
        }
      }
    }
  }
  MontMul(acc, acc, one, c, ms.t);
  return FromWords(r, acc, n);
}

StatusCode SetBit(BigNumber& a, uint32_t i) {
  if (i / 32 >= uint32_t(kMaxLimbs)) return kNoMemory;
  int32_t limb = int32_t(i / 32);
  int32_t len = Length(a);
  StatusCode s = Reserve(a, limb + 1);
  if (s) return s;
  if (len < a.count) std::memset(a.limbs + len, 0, size_t(a.count - len) * 4);
  for (int32_t k = a.count; k <= limb; ++k) a.limbs[k] = 0;
  a.limbs[limb] |= uint32_t(1) << (i % 32);
  a.count = len > limb + 1 ? len : limb + 1;
  return kOk;
}

void Truncate(BigNumber& a, uint32_t k) {
  int32_t len = Length(a);
  if (uint64_t(len) * 32 <= k) return;
  int32_t limb = int32_t(k / 32);
  if (k % 32) {
    a.limbs[limb] &= (uint32_t(1) << (k % 32)) - 1;
    ++limb;
  }
  for (int32_t i = limb; i < len; ++i) a.limbs[i] = 0;
  a.count = len;
  Normalize(a);
}

StatusCode ShiftRight(BigNumber& r, const BigNumber& a, uint32_t k) {
  int32_t len = Length(a);
  uint32_t limbs = k / 32, bits = k % 32;
  if (uint64_t(len) <= limbs) return SetLimbs(r, nullptr, 0);
  int32_t n = len - int32_t(limbs);
  BigNumber t;
  StatusCode s = Reserve(t, n);
  if (s) return s;
  for (int32_t i = 0; i < n; ++i) {
    uint32_t lo = a.limbs[i + limbs];
    uint32_t hi = i + 1 < n ? a.limbs[i + limbs + 1] : 0;
    t.limbs[i] = bits ? (lo >> bits) | (hi << (32 - bits)) : lo;
  }
  t.count = n;
  Normalize(t);
  Swap(r, t);
  return kOk;
}

StatusCode AppendBytes(BigNumber& a, const uint8_t* bytes, size_t n) {
  if (n && !bytes) return kInvalidArg;
  int32_t len = Length(a);
  size_t need = size_t(len) + (n + 3) / 4 + 1;
  if (need > size_t(kMaxLimbs)) return kNoMemory;
  StatusCode s = Reserve(a, int32_t(need));
  if (s) return s;
  a.count = len;
  for (size_t k = 0; k < n; ++k) {
    uint32_t c = bytes[k];
    for (int32_t i = 0; i < a.count; ++i) {
      uint32_t v = a.limbs[i];
      a.limbs[i] = (v << 8) | c;
      c = v >> 24;
    }
    if (c) a.limbs[a.count++] = c;
  }
  return kOk;
}

}  // namespace zk::cipher::bn
