// Byte input and output of the coders' cores, so that a core can run over
// plain memory (tests) or over the buffered carrier stream (the coders).
#pragma once
#include <cstdint>

#include "zk5Status.h"

namespace zk::arc {

// Status of ReadByte when the input has nothing more (the buffered carrier
// stream's own code for it).
inline constexpr StatusCode kInputEnd = kNotExecuted;

struct ByteInput {
  // Up to length bytes; stops early without error at the input's end.
  virtual StatusCode ReadBlock(uint8_t* buffer, uint32_t length, uint32_t* delivered) = 0;
  // 0, kInputEnd at the end of the input, or the stream's error.
  virtual StatusCode ReadByte(uint8_t* value) = 0;

 protected:
  ~ByteInput() = default;
};

struct ByteOutput {
  virtual StatusCode WriteBlock(const uint8_t* data, uint32_t length) = 0;
  virtual StatusCode WriteByte(uint8_t value) = 0;
  virtual StatusCode Flush() = 0;

 protected:
  ~ByteOutput() = default;
};

}  // namespace zk::arc

#include <cstddef>
#include <cstring>
#include <vector>

#include "CarrierStreamBuffer.h"

namespace zk::arc {

// The coders' input and output through one buffered carrier stream.
class CarrierIo final : public ByteInput, public ByteOutput {
 public:
  explicit CarrierIo(CarrierStreamBuffer& buffer) : b_(buffer) {}
  StatusCode ReadBlock(uint8_t* buffer, uint32_t length, uint32_t* delivered) override {
    return b_.ReadBlock(buffer, length, delivered);
  }
  StatusCode ReadByte(uint8_t* value) override { return b_.ReadByte(value); }
  StatusCode WriteBlock(const uint8_t* data, uint32_t length) override {
    return b_.WriteBlock(data, length);
  }
  StatusCode WriteByte(uint8_t value) override { return b_.WriteByte(value); }
  StatusCode Flush() override { return b_.Flush(); }

 private:
  CarrierStreamBuffer& b_;
};

// Input from and output to plain memory (tests, fuzzing, benchmarks).
class MemoryInput final : public ByteInput {
 public:
  MemoryInput(const uint8_t* data, size_t size) : p_(data), n_(size) {}
  StatusCode ReadBlock(uint8_t* buffer, uint32_t length, uint32_t* delivered) override {
    size_t k = n_ - pos_ < length ? n_ - pos_ : length;
    if (k) std::memcpy(buffer, p_ + pos_, k);
    pos_ += k;
    if (delivered) *delivered = uint32_t(k);
    return kOk;
  }
  StatusCode ReadByte(uint8_t* value) override {
    if (pos_ >= n_) return kInputEnd;
    *value = p_[pos_++];
    return kOk;
  }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
};

class MemoryOutput final : public ByteOutput {
 public:
  StatusCode WriteBlock(const uint8_t* data, uint32_t length) override {
    bytes.insert(bytes.end(), data, data + length);
    return kOk;
  }
  StatusCode WriteByte(uint8_t value) override {
    bytes.push_back(value);
    return kOk;
  }
  StatusCode Flush() override { return kOk; }
  std::vector<uint8_t> bytes;
};

}  // namespace zk::arc
