// Byte-at-a-time reading of a stream through a 64 KiB buffer, with a count
// of the bytes handed out, for the line reading of text resources.
#pragma once
#include <cstdint>
#include <memory>
#include <new>

#include "zk5Stream.h"

namespace zk::script {

class LineReader {
 public:
  static constexpr uint32_t kBufferSize = 65536;

  // -4 when the buffer cannot be had.
  StatusCode Open(IStream* stream) {
    stream_ = stream;
    buffer_.reset(new (std::nothrow) uint8_t[kBufferSize]);
    fill_ = pos_ = 0;
    count_ = 0;
    return buffer_ ? kOk : kNoMemory;
  }

  // 0 and the next byte; -3 when the stream hands out nothing more; a read
  // error as the stream gave it.
  StatusCode ReadByte(uint8_t* out) {
    if (pos_ == fill_) {
      uint32_t got = 0;
      StatusCode st = stream_->Read(buffer_.get(), kBufferSize, &got);
      if (st != kOk) return st;
      if (got == 0) return kNotExecuted;
      fill_ = got < kBufferSize ? got : kBufferSize;
      pos_ = 0;
    }
    *out = buffer_[pos_++];
    ++count_;
    return kOk;
  }

  // At the end when the buffer is used up and the stream says so.
  bool AtEnd() { return pos_ == fill_ && stream_->IsEnd() != 0; }

  uint64_t Count() const { return count_; }

 private:
  IStream* stream_ = nullptr;
  std::unique_ptr<uint8_t[]> buffer_;
  uint32_t fill_ = 0;
  uint32_t pos_ = 0;
  uint64_t count_ = 0;
};

}  // namespace zk::script
