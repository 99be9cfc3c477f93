// Hidden bits in bit 0 of carrier bytes: the places of a piece are the
// bytes 0, step, 2 x step, ...; the bits of the hidden bytes go into the
// places in order, bit 0 of each hidden byte first. Whole hidden bytes over
// eight neighbouring bytes (step 1) are moved with one 64-bit word.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>

#include "CarrierStreamBuffer.h"

namespace zk::steg {

// Byte k of Spread[b] is bit k of b.
inline constexpr std::array<uint64_t, 256> kSpread = [] {
  std::array<uint64_t, 256> t{};
  for (uint32_t b = 0; b < 256; ++b)
    for (uint32_t k = 0; k < 8; ++k) t[b] |= uint64_t((b >> k) & 1u) << (8 * k);
  return t;
}();

// Byte 2k of Spread2[v] is bit k of v (v below 16).
inline constexpr std::array<uint64_t, 16> kSpread2 = [] {
  std::array<uint64_t, 16> t{};
  for (uint32_t v = 0; v < 16; ++v)
    for (uint32_t k = 0; k < 4; ++k) t[v] |= uint64_t((v >> k) & 1u) << (16 * k);
  return t;
}();

constexpr uint64_t kLowBits = 0x0101010101010101ull;
constexpr uint64_t kLowBits2 = 0x0001000100010001ull;
// Bit 0 of the bytes 0, 2, 4 and 6 of a masked word, times this, stand at
// bits 60 to 63 (no two partial products meet).
constexpr uint64_t kGather2 = (1ull << 60) | (1ull << 45) | (1ull << 30) | (1ull << 15);

// Sets bit 0 of count places of piece to the hidden bits from bit index
// bit on (hidden[bit / 8] holds the first).
inline void PutPlaceBits(uint8_t* piece, uint32_t step, uint32_t count, const uint8_t* hidden, uint64_t bit) {
  uint32_t i = 0;
  auto one = [&] {
    const uint32_t v = (hidden[bit >> 3] >> (bit & 7)) & 1u;
    uint8_t& p = piece[size_t(i) * step];
    p = uint8_t((p & 0xFEu) | v);
    ++i;
    ++bit;
  };
  while (i < count && (bit & 7) != 0) one();
  if (step == 1) {
    for (; count - i >= 8; i += 8, bit += 8) {
      uint64_t w;
      std::memcpy(&w, piece + i, 8);
      w = (w & ~kLowBits) | kSpread[hidden[bit >> 3]];
      std::memcpy(piece + i, &w, 8);
    }
  } else if (step == 2) {
    for (; count - i >= 8; i += 8, bit += 8) {
      const uint32_t b = hidden[bit >> 3];
      uint64_t w[2];
      std::memcpy(w, piece + 2 * size_t(i), 16);
      w[0] = (w[0] & ~kLowBits2) | kSpread2[b & 15u];
      w[1] = (w[1] & ~kLowBits2) | kSpread2[b >> 4];
      std::memcpy(piece + 2 * size_t(i), w, 16);
    }
  } else {
    for (; count - i >= 8; bit += 8) {
      const uint32_t b = hidden[bit >> 3];
      for (uint32_t k = 0; k < 8; ++k, ++i) {
        uint8_t& p = piece[size_t(i) * step];
        p = uint8_t((p & 0xFEu) | ((b >> k) & 1u));
      }
    }
  }
  while (i < count) one();
}

// ORs bit 0 of count places of piece into hidden from bit index bit on;
// the hidden bits from there on must be 0 beforehand.
inline void GetPlaceBits(const uint8_t* piece, uint32_t step, uint32_t count, uint8_t* hidden, uint64_t bit) {
  uint32_t i = 0;
  auto one = [&] {
    hidden[bit >> 3] = uint8_t(hidden[bit >> 3] | ((piece[size_t(i) * step] & 1u) << (bit & 7)));
    ++i;
    ++bit;
  };
  while (i < count && (bit & 7) != 0) one();
  if (step == 1) {
    for (; count - i >= 8; i += 8, bit += 8) {
      uint64_t w;
      std::memcpy(&w, piece + i, 8);
      hidden[bit >> 3] = uint8_t(((w & kLowBits) * 0x0102040810204080ull) >> 56);
    }
  } else if (step == 2) {
    for (; count - i >= 8; i += 8, bit += 8) {
      uint64_t w[2];
      std::memcpy(w, piece + 2 * size_t(i), 16);
      hidden[bit >> 3] = uint8_t((((w[0] & kLowBits2) * kGather2) >> 60) | ((((w[1] & kLowBits2) * kGather2) >> 60) << 4));
    }
  } else {
    for (; count - i >= 8; bit += 8) {
      uint32_t b = 0;
      for (uint32_t k = 0; k < 8; ++k, ++i) b |= uint32_t(piece[size_t(i) * step] & 1u) << k;
      hidden[bit >> 3] = uint8_t(b);
    }
  }
  while (i < count) one();
}

// Bit 0 of every place of piece cleared.
inline void ClearPlaceBits(uint8_t* piece, uint32_t step, uint32_t length) {
  uint32_t i = 0;
  if (step == 1 || step == 2) {
    const uint64_t keep = ~(step == 1 ? kLowBits : kLowBits2);
    for (; length - i >= 8; i += 8) {
      uint64_t w;
      std::memcpy(&w, piece + i, 8);
      w &= keep;
      std::memcpy(piece + i, &w, 8);
    }
  }
  for (; i < length; i += step) piece[i] &= 0xFEu;
}

// Hands the bits of hidden bytes read through a buffered stream to the
// places of successive pieces; a byte whose bits are split between two
// pieces is carried over.
class PlaceWriter {
 public:
  PlaceWriter(CarrierStreamBuffer* data, uint8_t* hidden) : data_(data), hidden_(hidden) {}
  static constexpr uint32_t BufferBytes(uint32_t maxPlaces) { return maxPlaces / 8 + 2; }
  // Puts the next count bits into count places of piece. A data stream
  // that ends early is -104.
  StatusCode Put(uint8_t* piece, uint32_t step, uint32_t count) {
    if (count == 0) return kOk;
    const uint32_t phase = uint32_t(done_ & 7);
    const uint32_t bytes = (phase + count + 7) / 8;
    const uint32_t have = phase != 0 ? 1 : 0;  // hidden_[0]: the byte carried over
    if (bytes > have) {
      uint32_t got = 0;
      StatusCode st = data_->ReadBlock(hidden_ + have, bytes - have, &got);
      if (st != kOk) return st;
      if (got != bytes - have) return kReadError;
    }
    PutPlaceBits(piece, step, count, hidden_, phase);
    done_ += count;
    if (((phase + count) & 7) != 0) hidden_[0] = hidden_[(phase + count) / 8];
    return kOk;
  }

 private:
  CarrierStreamBuffer* data_;
  uint8_t* hidden_;
  uint64_t done_ = 0;
};

// Collects the bits of the places of successive pieces into hidden bytes
// and writes every completed byte through a buffered stream.
class PlaceReader {
 public:
  PlaceReader(CarrierStreamBuffer* out, uint8_t* hidden) : out_(out), hidden_(hidden) { hidden_[0] = 0; }
  static constexpr uint32_t BufferBytes(uint32_t maxPlaces) { return maxPlaces / 8 + 2; }
  StatusCode Take(const uint8_t* piece, uint32_t step, uint32_t count) {
    if (count == 0) return kOk;
    const uint32_t phase = uint32_t(done_ & 7);
    const uint32_t total = phase + count;
    if ((total + 7) / 8 > 1) std::memset(hidden_ + 1, 0, (total + 7) / 8 - 1);
    GetPlaceBits(piece, step, count, hidden_, phase);
    done_ += count;
    StatusCode st = total / 8 != 0 ? out_->WriteBlock(hidden_, total / 8) : kOk;
    hidden_[0] = (total & 7) != 0 ? hidden_[total / 8] : 0;
    return st;
  }

 private:
  CarrierStreamBuffer* out_;
  uint8_t* hidden_;
  uint64_t done_ = 0;
};

}  // namespace zk::steg
