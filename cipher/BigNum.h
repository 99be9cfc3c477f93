// Unsigned integers of any size for RSA: 32-bit limbs, least significant
// first, in runtime blocks. Results are in normal form (no leading zero
// limbs, zero has count 0); inputs may carry leading zero limbs (imported
// numbers keep their stored counts) and are computed with correctly.
//
// Every operation that can fail returns a StatusCode: -2 for an invalid
// argument (division by zero, even modulus), -3 when no inverse exists,
// -4 when a block cannot be grown. A result may be one of the inputs.
#pragma once
#include <cstddef>
#include <cstdint>

#include "zk5Status.h"

namespace zk::cipher::bn {

struct BigNumber {
  uint32_t* limbs = nullptr;
  int32_t count = 0;     // limbs in use
  int32_t capacity = 0;  // limbs allocated

  BigNumber() = default;
  BigNumber(const BigNumber&) = delete;
  BigNumber& operator=(const BigNumber&) = delete;
  ~BigNumber();
};

// Largest number of limbs a number may have (keeps byte sizes in 32 bits).
inline constexpr int32_t kMaxLimbs = 0x01000000;

// Storage.
StatusCode Reserve(BigNumber& a, int32_t limbs);   // capacity >= limbs (rounded up to even)
void Clear(BigNumber& a);                          // zeroes the limbs, frees the block
void Normalize(BigNumber& a);                      // drops leading zero limbs
StatusCode SetWord(BigNumber& a, uint32_t w);
StatusCode Copy(BigNumber& r, const BigNumber& a);
StatusCode SetLimbs(BigNumber& r, const uint32_t* limbs, int32_t count);  // kept as given
void Swap(BigNumber& a, BigNumber& b);

// Queries (all ignore leading zero limbs).
int32_t Length(const BigNumber& a);                // limbs without leading zeros
int Compare(const BigNumber& a, const BigNumber& b);
int CompareWord(const BigNumber& a, uint32_t w);
uint32_t BitLength(const BigNumber& a);
uint32_t LowWord(const BigNumber& a);
bool IsZero(const BigNumber& a);
bool IsOdd(const BigNumber& a);
uint32_t ModWord(const BigNumber& a, uint32_t w);  // w != 0

// Arithmetic.
StatusCode AddWord(BigNumber& r, const BigNumber& a, uint32_t w);
StatusCode SubWord(BigNumber& r, const BigNumber& a, uint32_t w);        // -2 when a < w
StatusCode AddWordShifted(BigNumber& r, const BigNumber& a, uint32_t w, uint32_t shift);  // a + w * 2^shift
StatusCode Add(BigNumber& r, const BigNumber& a, const BigNumber& b);
StatusCode Sub(BigNumber& r, const BigNumber& a, const BigNumber& b);    // -2 when a < b
StatusCode Mul(BigNumber& r, const BigNumber& a, const BigNumber& b);
StatusCode DivMod(BigNumber* q, BigNumber* rem, const BigNumber& a, const BigNumber& b);  // -2 for b = 0
StatusCode Mod(BigNumber& r, const BigNumber& a, const BigNumber& m);
StatusCode Gcd(BigNumber& r, const BigNumber& a, const BigNumber& b);
StatusCode ModInverse(BigNumber& r, const BigNumber& a, const BigNumber& m);  // -3 when none
// b^x mod m for an odd modulus m (even or zero m gives -2; m = 1 gives 0).
// rr, when given, is MontgomerySquare(m), kept by callers that reuse a modulus.
StatusCode ModExp(BigNumber& r, const BigNumber& b, const BigNumber& x, const BigNumber& m,
                  const BigNumber* rr = nullptr);
// r1 = b1^x1 mod m1 and r2 = b2^x2 mod m2, as two ModExp calls would give
// them; side by side when the processor allows (the two CRT halves of RSA).
StatusCode ModExpPair(BigNumber& r1, const BigNumber& b1, const BigNumber& x1, const BigNumber& m1,
                      const BigNumber* rr1, BigNumber& r2, const BigNumber& b2, const BigNumber& x2,
                      const BigNumber& m2, const BigNumber* rr2);
// 2^(128 w) mod m for an odd m of w 64-bit words (the exponentiation's setup).
StatusCode MontgomerySquare(BigNumber& rr, const BigNumber& m);
// Whether the exponentiation can use the processor's 52-bit vector
// multiply-add (AVX-512 IFMA); tests switch it off to reach the portable form.
bool ExpHardwareAvailable();
void ExpUseHardware(bool on);
// 2^x mod m, the fast path of the prime test.
StatusCode ModExp2(BigNumber& r, const BigNumber& x, const BigNumber& m);
// Bit operations: a |= 2^i; a mod 2^k; a / 2^k.
StatusCode SetBit(BigNumber& a, uint32_t i);
void Truncate(BigNumber& a, uint32_t k);
StatusCode ShiftRight(BigNumber& r, const BigNumber& a, uint32_t k);
// a = a * 256^n + the n big-endian bytes.
StatusCode AppendBytes(BigNumber& a, const uint8_t* bytes, size_t n);

// Inner kernels: r[0..n) += a[0..n) * w (or -=), returning the carry (borrow) limb.
uint32_t MulAddWord(uint32_t* r, const uint32_t* a, int32_t n, uint32_t w);
uint32_t MulSubWord(uint32_t* r, const uint32_t* a, int32_t n, uint32_t w);

}  // namespace zk::cipher::bn
