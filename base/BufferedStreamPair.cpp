// The buffered stream pair (see BufferedStreamPair.h).
#include "BufferedStreamPair.h"

#include <cstring>
#include <new>

#include "ToolkitObject.h"

namespace zk {

namespace {
StatusCode Bind(IBase* stream, IStream** held, uint8_t** buffer, uint32_t size) {
  if (!stream) return kInvalidArg;
  if (!*buffer) {
    *buffer = new (std::nothrow) uint8_t[size];
    if (!*buffer) return kNoMemory;
  }
  void* face = nullptr;
  StatusCode st = stream->QueryInterface(id::StreamIStream, &face);
  if (st != kOk) return st;
  if (!face) return kNoInterface;
  ReleaseAndNull(*held);
  *held = static_cast<IStream*>(face);
  return kOk;
}
}  // namespace

BufferedStreamReader::~BufferedStreamReader() { Detach(); }

StatusCode BufferedStreamReader::Attach(IBase* stream) {
  StatusCode st = Bind(stream, &stream_, &buffer_, kBufferSize);
  fill_ = position_ = 0;
  count_ = 0;
  return st;
}

void BufferedStreamReader::Detach() {
  ReleaseAndNull(stream_);
  delete[] buffer_;
  buffer_ = nullptr;
  fill_ = position_ = 0;
  count_ = 0;
}

StatusCode BufferedStreamReader::Refill(uint8_t* out) {
  ZK_REQUIRE(stream_, id::StreamIStream);
  if (!buffer_) return kNoMemory;
  uint32_t got = 0;
  fill_ = position_ = 0;
  StatusCode st = stream_->Read(buffer_, kBufferSize, &got);
  if (st != kOk) return st;
  if (got == 0) return kNotExecuted;
  fill_ = got > kBufferSize ? kBufferSize : got;
  *out = buffer_[position_++];
  ++count_;
  return kOk;
}

bool BufferedStreamReader::AtEnd() {
  if (position_ < fill_) return false;
  ZK_REQUIRE(stream_, id::StreamIStream);
  return stream_->IsEnd() != 0;
}

BufferedStreamWriter::~BufferedStreamWriter() { Detach(); }

StatusCode BufferedStreamWriter::Attach(IBase* stream) {
  StatusCode st = Bind(stream, &stream_, &buffer_, kBufferSize);
  fill_ = 0;
  count_ = 0;
  return st;
}

void BufferedStreamWriter::Detach() {
  ReleaseAndNull(stream_);
  delete[] buffer_;
  buffer_ = nullptr;
  fill_ = 0;
  count_ = 0;
}

StatusCode BufferedStreamWriter::Write(const void* data, uint32_t length) {
  ZK_REQUIRE(stream_, id::StreamIStream);
  if (length == 0) return kOk;
  if (!data) return kInvalidArg;
  if (!buffer_) return kNoMemory;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (length > 0) {
    uint32_t room = kBufferSize - fill_;
    uint32_t take = length < room ? length : room;
    std::memcpy(buffer_ + fill_, p, take);
    fill_ += take;
    count_ += take;
    p += take;
    length -= take;
    if (fill_ == kBufferSize) {
      StatusCode st = Flush();
      if (st != kOk) return st;
    }
  }
  return kOk;
}

StatusCode BufferedStreamWriter::Flush() {
  if (fill_ == 0) return kOk;
  ZK_REQUIRE(stream_, id::StreamIStream);
  uint32_t n = fill_;
  fill_ = 0;
  return stream_->Write(buffer_, n);
}

}  // namespace zk
