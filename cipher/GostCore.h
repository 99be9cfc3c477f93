// The GOST 28147-89 rounds on the system's own substitution table, shared by
// cipher.GOST and hash.GOST. The table's row 8 holds 12 twice and no 13;
// stored data depend on it, and the Feistel structure still inverts.
#pragma once
#include <array>
#include <cstdint>

#include "BlockCommon.h"

namespace zk::cipher::gost {

// Row r replaces the 4-bit group at bits 28-4r..31-4r (row 0 the top one).
inline constexpr uint8_t kRows[8][16] = {
    {14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7},
    {15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10},
    {10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8},
    {7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15},
    {2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9},
    {12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11},
    {4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1},
    {12, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7},
};

// The rows merged pairwise into four byte tables (rows 1+2 for bits 24-31,
// ..., rows 7+8 for bits 0-7; the first row of a pair gives the high
// nibble), then widened to words with the rotation by 11 folded in.
struct Tables {
  uint8_t bytes[4][256];  // [0]: bits 0-7 ... [3]: bits 24-31
  uint32_t words[4][256];
};

constexpr Tables MakeTables() {
  Tables t{};
  for (int pair = 0; pair < 4; ++pair) {
    const uint8_t* hi = kRows[6 - 2 * pair];
    const uint8_t* lo = kRows[7 - 2 * pair];
    for (int b = 0; b < 256; ++b) {
      uint8_t v = uint8_t(hi[b >> 4] << 4 | lo[b & 15]);
      t.bytes[pair][b] = v;
      uint32_t w = uint32_t(v) << (8 * pair);
      t.words[pair][b] = (w << 11) | (w >> 21);
    }
  }
  return t;
}
alignas(64) inline constexpr Tables kTables = MakeTables();

// The substitution alone (no rotation).
inline uint32_t Substitute(uint32_t x) {
  return uint32_t(kTables.bytes[0][x & 0xff]) | uint32_t(kTables.bytes[1][(x >> 8) & 0xff]) << 8 |
         uint32_t(kTables.bytes[2][(x >> 16) & 0xff]) << 16 |
         uint32_t(kTables.bytes[3][x >> 24]) << 24;
}

inline uint32_t F(uint32_t x) {
  return kTables.words[0][x & 0xff] ^ kTables.words[1][(x >> 8) & 0xff] ^
         kTables.words[2][(x >> 16) & 0xff] ^ kTables.words[3][x >> 24];
}

// The key word of round i (0-31): encryption runs K0..K7 three times and
// then K7..K0; decryption runs the same sequence backwards.
constexpr int KeyIndex(bool decrypt, int i) {
  if (decrypt) i = 31 - i;
  return i < 24 ? i % 8 : 31 - i;
}

// Works kBlocks blocks abreast (each block's rounds form one chain of
// lookups; a second chain keeps the processor busy). Bytes 0-3 of a block
// are N1 and 4-7 N2 (little-endian); the output holds the final N2 in
// bytes 0-3 and the final N1 in bytes 4-7. The halves are pinned to general
// registers each round, so the compiler does not pack the blocks into
// vector lanes for the scalar lookups.
template <int kBlocks, bool kDecrypt>
inline __attribute__((always_inline)) void Crypt(const uint32_t* k, uint8_t* b) {
  uint32_t n1[kBlocks], n2[kBlocks];
  for (int n = 0; n < kBlocks; ++n) {
    n1[n] = LoadLE32(b + 8 * n);
    n2[n] = LoadLE32(b + 8 * n + 4);
  }
#pragma GCC unroll 16
  for (int i = 0; i < 32; i += 2) {
    const uint32_t ka = k[KeyIndex(kDecrypt, i)], kb = k[KeyIndex(kDecrypt, i + 1)];
#pragma GCC unroll 2
    for (int n = 0; n < kBlocks; ++n) {
      n2[n] ^= F(n1[n] + ka);
      n1[n] ^= F(n2[n] + kb);
      __asm__("" : "+r"(n1[n]), "+r"(n2[n]));
    }
  }
  for (int n = 0; n < kBlocks; ++n) {
    StoreLE32(b + 8 * n, n2[n]);
    StoreLE32(b + 8 * n + 4, n1[n]);
  }
}

inline void EncryptBlock(const uint32_t* k, uint8_t* b) { Crypt<1, false>(k, b); }

// K0..K7 from 32 key bytes, little-endian.
inline void LoadKey(const uint8_t* key, uint32_t* k) {
  for (int i = 0; i < 8; ++i) k[i] = LoadLE32(key + 4 * i);
}

}  // namespace zk::cipher::gost
