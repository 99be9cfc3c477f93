// Modular exponentiation on the processor's 52-bit multiply-add vector
// instructions (AVX-512 IFMA), for the big-number code of zk5cipher.
// Numbers here are arrays of L limbs of 52 bits (least significant first,
// each limb below 2^52), L a multiple of 4.
#pragma once
#include <cstdint>

namespace zk::cipher::bn::ifma {

// Whether the processor has AVX-512 F, VL and IFMA.
bool Available();

// The limb count used for an odd modulus of `bits` bits (8 to 80), or 0
// when none fits (the radix 2^(52 L) must exceed 4 m).
int LimbsFor(uint32_t bits);

struct Job {
  const uint64_t* m;     // odd modulus
  const uint64_t* base;  // below m
  const uint64_t* rr;    // 2^(104 L) mod m
  const uint32_t* x;     // exponent, 32-bit limbs, least significant first
  int32_t xCount;        // its limbs
  uint32_t bits;         // its bit length, above 0
  uint64_t* out;         // base^x mod m, fully reduced
};

// Runs one or two jobs of the same limb count side by side (two of them
// take little more time than one). False when memory runs out.
bool ModExp(const Job* jobs, int count, int limbs);

}  // namespace zk::cipher::bn::ifma
