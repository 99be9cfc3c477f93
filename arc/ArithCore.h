// The adaptive order-0 range coder of arc.Arith and arc.FlatArc: byte
// counts give every symbol a share of a 16-bit interval, rebuilt from the
// counts every period + 1 symbols; the coder emits 16-bit little-endian words.
#pragma once
#include <cstdint>

#include "CarrierStreamBuffer.h"
#include "zk5Status.h"

namespace zk::arc {

class ArithModel {
 public:
  // Counts all 1, tables rebuilt; period 0 means 255.
  void Reset(uint32_t period);
  // Counts the symbol and rebuilds the tables after every period + 1 symbols.
  void Count(uint8_t s) {
    ++count_[s];
    if (++since_ > period_) {
      since_ = 0;
      Rebuild();
    }
  }
  // Interval of a symbol: [start, start + width) of 65,536; a gap of 16
  // that belongs to no symbol follows every width.
  uint16_t start[256];
  uint16_t width[256];
  uint8_t lookup[4096];  // symbol by value / 16

 private:
  void Rebuild();
  uint32_t count_[256];
  uint32_t period_ = 255;
  uint32_t since_ = 0;
};

// Narrows [low, low + range) to the symbol's share; true when the range
// has become small enough that a word must be shifted out.
inline bool ArithNarrow(const ArithModel& m, uint8_t s, uint32_t& low, uint32_t& range) {
  low += uint32_t(uint64_t(m.start[s]) * range >> 16);
  range = uint32_t(uint64_t(m.width[s]) * range >> 16);
  if (range > 4095) return false;
  // Keep the interval inside one 16-bit step of low so no carry can follow.
  uint32_t room = 65536 - (low & 0xFFFF);
  if (room < range) range = room;
  return true;
}

class ArithEncoder {
 public:
  // A fresh model (period as for ArithModel::Reset) and coder over out.
  void Start(CarrierStreamBuffer* out, uint32_t period);
  StatusCode Put(uint8_t s) {
    if (ArithNarrow(model_, s, low_, range_)) {
      StatusCode st = Word(low_ >> 16);
      if (st) return st;
      range_ <<= 16;
      low_ <<= 16;
    }
    model_.Count(s);
    return kOk;
  }
  // The two end words (high half of low first) and the flush.
  StatusCode Finish();

 private:
  StatusCode Word(uint32_t w);
  ArithModel model_;
  CarrierStreamBuffer* out_ = nullptr;
  uint32_t low_ = 0;
  uint32_t range_ = 0xFFFFFFFFu;
};

}  // namespace zk::arc
