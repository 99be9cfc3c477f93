// The buffered stream pair (see BufferedStreamPair.h).
#include "BufferedStreamPair.h"

#include <new>

#include "ToolkitObject.h"

namespace zk {

namespace {
// Asks stream for stream.IStream (one reference held in *held, an earlier
// one dropped) after making sure of a buffer of size bytes.
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
  StatusCode st = Bind(stream, &in_.source, &in_.readBuffer, kBufferSize);
  in_.readCapacity = in_.readBuffer ? kBufferSize : 0;
  in_.readFill = in_.readPosition = 0;
  in_.bytesRead = 0;
  return st;
}

void BufferedStreamReader::Detach() {
  ReleaseAndNull(in_.source);
  delete[] in_.readBuffer;
  in_ = BufferedInput{};
}

BufferedStreamWriter::~BufferedStreamWriter() { Detach(); }

StatusCode BufferedStreamWriter::Attach(IBase* stream) {
  StatusCode st = Bind(stream, &out_.target, &out_.writeBuffer, kBufferSize);
  out_.writeCapacity = out_.writeBuffer ? kBufferSize : 0;
  out_.writeLength = 0;
  out_.bytesWritten = 0;
  return st;
}

void BufferedStreamWriter::Detach() {
  ReleaseAndNull(out_.target);
  delete[] out_.writeBuffer;
  out_ = BufferedOutput{};
}

StatusCode BufferedStreamWriter::Write(const void* data, uint32_t length) {
  ZK_REQUIRE(out_.target, id::StreamIStream);
  if (length == 0) return kOk;
  if (!data) return kInvalidArg;
  if (!out_.writeBuffer) return kNoMemory;
  StatusCode st = out_.WriteBlock(data, length);
  // A buffer that is full goes out at once.
  if (st == kOk && out_.writeLength == kBufferSize) st = Flush();
  return st;
}

}  // namespace zk
