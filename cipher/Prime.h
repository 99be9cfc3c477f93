// Random odd starts and the prime search of RSA key generation.
#pragma once
#include <cstdint>

#include "BigNum.h"
#include "zk5Cipher.h"

namespace zk::cipher::bn {

// The random source of the search and of key generation.
using EntropySource = ICipherEntropy;

// A random odd number of exactly `bits` bits (bits >= 2) with its two
// highest bits set; the bytes are drawn most significant first.
StatusCode RandomStart(BigNumber& r, uint32_t bits, EntropySource* random);

// The first probable prime picked from the sieved windows from the odd
// start s onward, skipping every candidate c with c mod b = 1 for an
// excluded divisor b. -1 on an arithmetic error.
StatusCode FindPrime(BigNumber& prime, const BigNumber& start, const uint32_t* excluded,
                     int excludedCount, EntropySource* random);

// The test applied to a sieve survivor: an Euler test to base 2, then strong
// tests to 3, 5, 7, 11, 13, 17 (and to 2 when c mod 8 = 1 and 2 gave 1).
// c must be odd and above 17. Sets *prime; returns a status.
StatusCode TestCandidate(const BigNumber& c, bool* prime);

}  // namespace zk::cipher::bn
