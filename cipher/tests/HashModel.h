// Plain models of the system's digests, written from their descriptions
// and kept deliberately simple (whole message at once, explicit padding,
// arrays instead of shifts), so that a mistake shared with the library's
// optimised code cannot pass unseen. The MD5 model pads the message itself
// and uses Crypto++'s MD5 compression on big-endian words; the other two
// are complete.
#pragma once
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/md5.h>

#include <array>
#include <cstdint>
#include <vector>

namespace ciphertest::model {

using Bytes = std::vector<uint8_t>;

// MD5 with big-endian message words; length words set as numbers (word 14
// low, word 15 high); digest A, B, C, D little-endian.
inline Bytes Md5Variant(const Bytes& msg) {
  Bytes padded = msg;
  padded.push_back(0x80);
  while (padded.size() % 64 != 56) padded.push_back(0);
  padded.resize(padded.size() + 8, 0);
  uint64_t bits = uint64_t(msg.size()) * 8;
  CryptoPP::word32 state[4];
  CryptoPP::Weak1::MD5::InitState(state);
  for (size_t off = 0; off < padded.size(); off += 64) {
    CryptoPP::word32 words[16];
    for (int i = 0; i < 16; ++i) {
      const uint8_t* q = &padded[off + 4 * i];
      words[i] = uint32_t(q[0]) << 24 | uint32_t(q[1]) << 16 | uint32_t(q[2]) << 8 | q[3];
    }
    if (off + 64 == padded.size()) {
      words[14] = uint32_t(bits);
      words[15] = uint32_t(bits >> 32);
    }
    CryptoPP::Weak1::MD5::Transform(state, words);
  }
  Bytes out;
  for (uint32_t w : state)
    for (int b = 0; b < 4; ++b) out.push_back(uint8_t(w >> (8 * b)));
  return out;
}

// SHA-256 of FIPS 180-2 with T1 lacking h, the words output little-endian.
inline Bytes Sha256Variant(const Bytes& msg) {
  static const uint32_t K[64] = {
      0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
      0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
      0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
      0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
      0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
      0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
      0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
      0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
  auto rotr = [](uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
  Bytes padded = msg;
  padded.push_back(0x80);
  while (padded.size() % 64 != 56) padded.push_back(0);
  uint64_t bits = uint64_t(msg.size()) * 8;
  for (int b = 7; b >= 0; --b) padded.push_back(uint8_t(bits >> (8 * b)));
  uint32_t H[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  for (size_t off = 0; off < padded.size(); off += 64) {
    uint32_t W[64];
    for (int t = 0; t < 16; ++t) {
      W[t] = 0;
      for (int b = 0; b < 4; ++b) W[t] = W[t] << 8 | padded[off + 4 * t + b];
    }
    for (int t = 16; t < 64; ++t) {
      uint32_t s0 = rotr(W[t - 15], 7) ^ rotr(W[t - 15], 18) ^ (W[t - 15] >> 3);
      uint32_t s1 = rotr(W[t - 2], 17) ^ rotr(W[t - 2], 19) ^ (W[t - 2] >> 10);
      W[t] = s1 + W[t - 7] + s0 + W[t - 16];
    }
    uint32_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = H[i];
    for (int t = 0; t < 64; ++t) {
      uint32_t a = v[0], b = v[1], c = v[2], d = v[3], e = v[4], f = v[5], g = v[6];
      uint32_t S1 = rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25);
      uint32_t ch = (e & f) ^ (~e & g);
      uint32_t T1 = S1 + ch + K[t] + W[t];  // no h
      uint32_t S0 = rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22);
      uint32_t maj = (a & b) ^ (a & c) ^ (b & c);
      uint32_t T2 = S0 + maj;
      v[7] = g;
      v[6] = f;
      v[5] = e;
      v[4] = d + T1;
      v[3] = c;
      v[2] = b;
      v[1] = a;
      v[0] = T1 + T2;
    }
    for (int i = 0; i < 8; ++i) H[i] += v[i];
  }
  Bytes out;
  for (uint32_t w : H)
    for (int b = 0; b < 4; ++b) out.push_back(uint8_t(w >> (8 * b)));
  return out;
}

// The GOST hash: R 34.11-94 steps on the system's GOST table, blocks and
// the result turned around, the length in bytes.
namespace gost {

using V = std::array<uint8_t, 32>;

// The GOST block cipher worked nibble by nibble from the table rows.
inline void Encrypt(const uint8_t key[32], uint8_t block[8]) {
  static const uint8_t rows[8][16] = {
      {14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7},
      {15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10},
      {10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8},
      {7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15},
      {2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9},
      {12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11},
      {4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1},
      {12, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7}};
  auto le = [](const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  };
  auto f = [&](uint32_t x) {
    uint32_t y = 0;
    for (int r = 0; r < 8; ++r) y |= uint32_t(rows[r][(x >> (28 - 4 * r)) & 15]) << (28 - 4 * r);
    return (y << 11) | (y >> 21);
  };
  uint32_t k[8];
  for (int i = 0; i < 8; ++i) k[i] = le(key + 4 * i);
  int order[32];
  for (int i = 0; i < 24; ++i) order[i] = i % 8;
  for (int i = 24; i < 32; ++i) order[i] = 31 - i;
  uint32_t n1 = le(block), n2 = le(block + 4);
  for (int i = 0; i < 32; ++i) {
    if (i % 2 == 0)
      n2 ^= f(n1 + k[order[i]]);
    else
      n1 ^= f(n2 + k[order[i]]);
  }
  for (int b = 0; b < 4; ++b) {
    block[b] = uint8_t(n2 >> (8 * b));
    block[4 + b] = uint8_t(n1 >> (8 * b));
  }
}

inline V Xor(const V& a, const V& b) {
  V r;
  for (int i = 0; i < 32; ++i) r[i] = a[i] ^ b[i];
  return r;
}
inline V A(const V& x) {
  V r;
  for (int i = 0; i < 8; ++i) r[i] = x[16 + i] ^ x[24 + i];
  for (int i = 8; i < 32; ++i) r[i] = x[i - 8];
  return r;
}
inline V P(const V& x) {
  V r{};
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 8; ++k) r[31 - (4 * k + i)] = x[31 - (8 * i + k)];
  return r;
}
inline V Psi(const V& x) {
  V r;
  for (int i = 2; i < 32; ++i) r[i] = x[i - 2];
  r[0] = x[30] ^ x[28] ^ x[26] ^ x[24] ^ x[6] ^ x[0];
  r[1] = x[31] ^ x[29] ^ x[27] ^ x[25] ^ x[7] ^ x[1];
  return r;
}

inline V Step(const V& M, const V& H) {
  const V C3 = {0xff, 0x00, 0xff, 0xff, 0x00, 0x00, 0x00, 0xff, 0xff, 0x00, 0x00,
                0xff, 0x00, 0xff, 0xff, 0x00, 0x00, 0xff, 0x00, 0xff, 0x00, 0xff,
                0x00, 0xff, 0xff, 0x00, 0xff, 0x00, 0xff, 0x00, 0xff, 0x00};
  const V zero{};
  const V C[5] = {zero, zero, zero, C3, zero};  // C[2], C[3], C[4]
  V K[5];
  V U = H, Vv = M;
  K[1] = P(Xor(U, Vv));
  for (int j = 2; j <= 4; ++j) {
    U = Xor(A(U), C[j]);
    Vv = A(A(Vv));
    K[j] = P(Xor(U, Vv));
  }
  V T = H;
  for (int part = 0; part < 4; ++part) {
    const V& kj = K[4 - part];
    uint8_t key[32];
    for (int g = 0; g < 8; ++g)
      for (int b = 0; b < 4; ++b) key[4 * g + b] = kj[4 * (7 - g) + b];
    Encrypt(key, &T[8 * part]);
  }
  for (int i = 0; i < 12; ++i) T = Psi(T);
  T = Psi(Xor(T, M));
  T = Xor(H, T);
  for (int i = 0; i < 61; ++i) T = Psi(T);
  return T;
}

inline V Add(const V& a, const V& b) {
  V r;
  int carry = 0;
  for (int i = 31; i >= 0; --i) {
    int s = a[i] + b[i] + carry;
    r[i] = uint8_t(s & 0xff);
    carry = s >> 8;
  }
  return r;
}

}  // namespace gost

inline Bytes GostHash(const Bytes& msg) {
  using namespace gost;
  V H{}, S{};
  size_t off = 0;
  for (; off + 32 <= msg.size(); off += 32) {
    V R;
    for (int i = 0; i < 32; ++i) R[i] = msg[off + 31 - i];
    H = Step(R, H);
    S = Add(S, R);
  }
  size_t k = msg.size() - off;
  if (k > 0) {
    V R{};
    for (size_t i = 0; i < k; ++i) R[32 - k + i] = msg[msg.size() - 1 - i];
    S = Add(S, R);
    H = Step(R, H);
  }
  V L{};
  uint32_t count = uint32_t(msg.size());
  for (int b = 0; b < 4; ++b) L[28 + b] = uint8_t(count >> (24 - 8 * b));
  H = Step(L, H);
  H = Step(S, H);
  return Bytes(H.rbegin(), H.rend());
}

}  // namespace ciphertest::model
