#include "ArithCore.h"

namespace zk::arc {

void ArithModel::Reset(uint32_t period) {
  for (uint32_t& c : count_) c = 1;
  period_ = period ? period : 255;
  since_ = 0;
  Rebuild();
}

void ArithModel::Rebuild() {
  uint64_t sum = 0;
  for (uint32_t c : count_) sum += c;
  // acc carries the fractions of the scaled counts from symbol to symbol,
  // so the widths add up to the whole interval less the gaps.
  uint16_t acc = 0, s = 0;
  for (int j = 0; j < 256; ++j) {
    start[j] = s;
    uint32_t b = uint32_t(uint64_t(count_[j]) * 0x0E000000u / sum);
    width[j] = uint16_t(16 * ((b + acc + 65536u) / 65536u));
    acc = uint16_t(acc + b);
    s = uint16_t(s + width[j] + 16);
  }
  int j = 0;
  for (uint32_t k = 0; k < 4096; ++k) {
    while (j < 255 && k >= uint32_t(start[j + 1] / 16)) ++j;
    lookup[k] = uint8_t(j);
  }
}

void ArithEncoder::Start(CarrierStreamBuffer* out, uint32_t period) {
  model_.Reset(period);
  out_ = out;
  low_ = 0;
  range_ = 0xFFFFFFFFu;
}

StatusCode ArithEncoder::Word(uint32_t w) {
  StatusCode st = out_->WriteByte(uint8_t(w));
  return st ? st : out_->WriteByte(uint8_t(w >> 8));
}

StatusCode ArithEncoder::Finish() {
  StatusCode st = Word(low_ >> 16);
  if (!st) st = Word(low_ & 0xFFFF);
  if (!st) st = out_->Flush();
  return st;
}

}  // namespace zk::arc
