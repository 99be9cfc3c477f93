// A buffered carrier stream over memory, for running a coder's core on
// bytes in the tests and benchmarks: it reads the given input and collects
// what is written.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "CarrierStreamBuffer.h"
#include "FakeStream.h"

namespace zktest {

class MemoryIo {
 public:
  explicit MemoryIo(std::vector<uint8_t> input = {})
      : in_(FakeStream::Make(std::move(input))), out_(FakeStream::Make()),
        io_(zk::CarrierStreamBuffer::Create(in_, out_)) {}
  ~MemoryIo() {
    io_.reset();
    in_->Release();
    out_->Release();
  }
  MemoryIo(const MemoryIo&) = delete;
  MemoryIo& operator=(const MemoryIo&) = delete;

  zk::CarrierStreamBuffer& io() { return *io_; }
  // What was written so far (flushed bytes only).
  std::vector<uint8_t>& output() { return out_->data; }

 private:
  FakeStream* in_;
  FakeStream* out_;
  std::unique_ptr<zk::CarrierStreamBuffer> io_;
};

}  // namespace zktest
