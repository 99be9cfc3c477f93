// Prime search: a sieve over a window of odd candidates, then probable-prime
// tests of the survivors in random order.
#include "Prime.h"

#include <cstring>
#include <new>

#include "Wipe.h"
#include "zk5main.h"

namespace zk::cipher::bn {

namespace {

constexpr uint32_t kWindow = 16384;     // odd candidates per window
constexpr int kPickList = 256;          // survivors collected at a time

// Bit i for the odd number 2i + 1 below 65536.
struct SmallPrimes {
  uint8_t bits[4096];
  SmallPrimes() {
    std::memset(bits, 0xff, sizeof bits);
    bits[0] &= uint8_t(~1u);  // 1
    for (uint32_t i = 1; i < 32768; ++i) {
      if (!(bits[i >> 3] & (1u << (i & 7)))) continue;
      uint32_t p = 2 * i + 1;
      for (uint32_t m = uint32_t(uint64_t(p) * p / 2); m < 32768; m += p) bits[m >> 3] &= uint8_t(~(1u << (m & 7)));
    }
  }
  bool IsPrime(uint32_t i) const { return bits[i >> 3] & (1u << (i & 7)); }
};

// Strong test of c to one base with c - 1 = 2^s m.
StatusCode StrongTest(const BigNumber& c, const BigNumber& cm1, const BigNumber& m, uint32_t s,
                      uint32_t base, bool* pass) {
  BigNumber b, x, t;
  StatusCode st;
  if ((st = SetWord(b, base)) || (st = ModExp(x, b, m, c))) return st;
  *pass = true;
  if (CompareWord(x, 1) == 0 || Compare(x, cm1) == 0) return kOk;
  for (uint32_t i = 1; i < s; ++i) {
    if ((st = Mul(t, x, x)) || (st = Mod(x, t, c))) return st;
    if (Compare(x, cm1) == 0) return kOk;
    if (CompareWord(x, 1) == 0) break;
  }
  *pass = false;
  return kOk;
}

}  // namespace

StatusCode RandomStart(BigNumber& r, uint32_t bits, EntropySource* random) {
  if (bits < 2 || !random) return kInvalidArg;
  Clear(r);
  uint32_t bytes = (bits + 7) / 8;
  uint8_t chunk[64];
  StatusCode s = kOk;
  while (bytes && s == kOk) {
    uint32_t n = bytes < 64 ? bytes : 64;
    s = random->GetRandom(chunk, n);
    if (s == kOk) s = AppendBytes(r, chunk, n);
    bytes -= n;
  }
  Wipe(chunk, sizeof chunk);
  if (s) return s;
  Truncate(r, bits);
  if ((s = SetBit(r, bits - 1)) || (s = SetBit(r, bits - 2)) || (s = SetBit(r, 0))) return s;
  return kOk;
}

StatusCode TestCandidate(const BigNumber& c, bool* prime) {
  *prime = false;
  BigNumber cm1, half, m, r, two;
  StatusCode s;
  if ((s = SubWord(cm1, c, 1)) || (s = ShiftRight(half, cm1, 1)) || (s = ModExp2(r, half, c))) return s;
  uint32_t mod8 = LowWord(c) & 7;
  bool one = CompareWord(r, 1) == 0, minus = Compare(r, cm1) == 0;
  if (mod8 == 7 && !one) return kOk;
  if ((mod8 == 3 || mod8 == 5) && !minus) return kOk;
  if (mod8 == 1 && !one && !minus) return kOk;
  uint32_t shift = 0;
  while (shift < BitLength(cm1) && !((cm1.limbs[shift / 32] >> (shift % 32)) & 1)) ++shift;
  if ((s = ShiftRight(m, cm1, shift))) return s;
  static const uint32_t kBases[] = {3, 5, 7, 11, 13, 17};
  bool pass = false;
  for (uint32_t base : kBases) {
    if ((s = StrongTest(c, cm1, m, shift, base, &pass))) return s;
    if (!pass) return kOk;
  }
  if (mod8 == 1 && one) {
    if ((s = StrongTest(c, cm1, m, shift, 2, &pass))) return s;
    if (!pass) return kOk;
  }
  *prime = true;
  return kOk;
}

StatusCode FindPrime(BigNumber& prime, const BigNumber& start, const uint32_t* excluded,
                     int excludedCount, EntropySource* random) {
  if (!random || !IsOdd(start) || (excludedCount && !excluded)) return kFatal;
  auto* table = static_cast<SmallPrimes*>(zk_malloc(sizeof(SmallPrimes)));
  auto* window = static_cast<uint8_t*>(zk_malloc(kWindow / 8));
  StatusCode result = kFatal;
  BigNumber s, c;
  if (table && window && Copy(s, start) == kOk) {
    new (table) SmallPrimes();
    for (;;) {
      // Sieve the window s, s + 2, ..., s + 2 (kWindow - 1).
      std::memset(window, 0xff, kWindow / 8);
      auto strike = [&](uint32_t divisor, uint32_t residue) {
        // Clear every candidate with candidate mod divisor = residue.
        uint64_t inv2 = (uint64_t(divisor) + 1) / 2;
        uint64_t sm = ModWord(s, divisor);
        uint64_t first = (uint64_t(residue) + divisor - sm) % divisor * inv2 % divisor;
        for (uint64_t i = first; i < kWindow; i += divisor) window[i >> 3] &= uint8_t(~(1u << (i & 7)));
      };
      for (uint32_t i = 1; i < 32768; ++i)
        if (table->IsPrime(i)) strike(2 * i + 1, 0);
      for (int k = 0; k < excludedCount; ++k)
        if (excluded[k] > 2 && (excluded[k] & 1)) strike(excluded[k], 1 % excluded[k]);
      // Collect the first survivors, then test them in random order.
      uint32_t list[kPickList];
      int count = 0;
      uint32_t next = 0;
      auto nextSurvivor = [&](uint32_t* out) {
        while (next < kWindow && !(window[next >> 3] & (1u << (next & 7)))) ++next;
        if (next >= kWindow) return false;
        *out = next++;
        return true;
      };
      while (count < kPickList && nextSurvivor(&list[count])) ++count;
      bool found = false;
      while (count > 0) {
        uint32_t k = random->GetRandomBelow(uint32_t(count));
        if (k >= uint32_t(count)) k = uint32_t(count) - 1;
        uint32_t index = list[k];
        if (!nextSurvivor(&list[k])) list[k] = list[--count];
        bool isPrime = false;
        if (AddWord(c, s, 2 * index) || TestCandidate(c, &isPrime)) {
          count = -1;
          break;
        }
        if (isPrime) {
          found = true;
          break;
        }
      }
      if (count < 0) break;
      if (found) {
        if (Copy(prime, c) == kOk) result = kOk;
        break;
      }
      if (AddWordShifted(s, s, 2 * kWindow, 0)) break;
    }
  }
  zk_free(table);
  zk_free(window);
  return result;
}

}  // namespace zk::cipher::bn
