// AES constant tables (FIPS-197), computed at compile time from the field
// arithmetic: the S-box and its inverse, and the four encryption and four
// decryption round tables (column words, first state byte most significant).
#pragma once
#include <array>
#include <cstdint>

namespace zk::cipher::aes {

constexpr uint8_t Mul(uint8_t a, uint8_t b) {
  uint8_t r = 0;
  while (b) {
    if (b & 1) r ^= a;
    a = uint8_t((a << 1) ^ ((a & 0x80) ? 0x1b : 0));
    b >>= 1;
  }
  return r;
}

constexpr std::array<uint8_t, 256> MakeSbox() {
  // Inverses through powers of the generator 3.
  std::array<uint8_t, 256> exp{}, log{}, s{};
  uint8_t v = 1;
  for (int i = 0; i < 255; ++i) {
    exp[i] = v;
    log[v] = uint8_t(i);
    v = uint8_t(v ^ ((v << 1) ^ ((v & 0x80) ? 0x1b : 0)));
  }
  for (int x = 0; x < 256; ++x) {
    uint8_t inv = x ? exp[(255 - log[x]) % 255] : 0;
    uint8_t b = inv, r = inv;
    for (int i = 0; i < 4; ++i) {
      b = uint8_t((b << 1) | (b >> 7));
      r ^= b;
    }
    s[x] = uint8_t(r ^ 0x63);
  }
  return s;
}
inline constexpr std::array<uint8_t, 256> kSbox = MakeSbox();

constexpr std::array<uint8_t, 256> MakeInvSbox() {
  std::array<uint8_t, 256> s{};
  for (int x = 0; x < 256; ++x) s[kSbox[x]] = uint8_t(x);
  return s;
}
inline constexpr std::array<uint8_t, 256> kInvSbox = MakeInvSbox();

constexpr uint32_t Rotr8(uint32_t v, int n) { return (v >> n) | (v << (32 - n)); }

constexpr std::array<std::array<uint32_t, 256>, 4> MakeTe() {
  std::array<std::array<uint32_t, 256>, 4> t{};
  for (int x = 0; x < 256; ++x) {
    uint8_t s = kSbox[x];
    uint32_t w = uint32_t(Mul(s, 2)) << 24 | uint32_t(s) << 16 | uint32_t(s) << 8 | Mul(s, 3);
    t[0][x] = w;
    t[1][x] = Rotr8(w, 8);
    t[2][x] = Rotr8(w, 16);
    t[3][x] = Rotr8(w, 24);
  }
  return t;
}
constexpr std::array<std::array<uint32_t, 256>, 4> MakeTd() {
  std::array<std::array<uint32_t, 256>, 4> t{};
  for (int x = 0; x < 256; ++x) {
    uint8_t s = kInvSbox[x];
    uint32_t w = uint32_t(Mul(s, 14)) << 24 | uint32_t(Mul(s, 9)) << 16 |
                 uint32_t(Mul(s, 13)) << 8 | Mul(s, 11);
    t[0][x] = w;
    t[1][x] = Rotr8(w, 8);
    t[2][x] = Rotr8(w, 16);
    t[3][x] = Rotr8(w, 24);
  }
  return t;
}
alignas(64) inline constexpr std::array<std::array<uint32_t, 256>, 4> kTe = MakeTe();
alignas(64) inline constexpr std::array<std::array<uint32_t, 256>, 4> kTd = MakeTd();

}  // namespace zk::cipher::aes
