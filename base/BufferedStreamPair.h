// The buffered stream pair: a byte-at-a-time reader and a buffered writer
// over one stream.IStream, each with a 65,536-byte buffer and a 64-bit count.
// Used by zk5cipher (Radix-64) and zk5script (text resources); both halves
// stand on the toolkit's buffered input and output (BufferedIo.h), with a
// buffer allocated by Attach.
#pragma once
#include <cstdint>

#include "BufferedIo.h"
#include "ToolkitObject.h"
#include "zk5Stream.h"

namespace zk {

// Reads a stream through a 65,536-byte buffer, one byte at a time.
class BufferedStreamReader {
 public:
  static constexpr uint32_t kBufferSize = 65536;
  BufferedStreamReader() = default;
  ~BufferedStreamReader();
  BufferedStreamReader(const BufferedStreamReader&) = delete;
  BufferedStreamReader& operator=(const BufferedStreamReader&) = delete;

  // Binds the stream (asked for stream.IStream, one reference held) and
  // empties the buffer: 0, -2 (no stream), -4 (no memory) or the stream's
  // QueryInterface error.
  StatusCode Attach(IBase* stream);
  // Drops the stream and the buffer.
  void Detach();

  // The next byte: 0; -3 at the end (a refill read 0 bytes); or the
  // stream's read error. A missing stream is the fatal stop.
  StatusCode ReadByte(uint8_t* out) {
    if (in_.readPosition < in_.readFill) return in_.ReadByte(out);
    ZK_REQUIRE(in_.source, id::StreamIStream);
    if (!in_.readBuffer) return kNoMemory;
    return in_.ReadByte(out);
  }
  // At the end: the buffer is used up and the stream's IsEnd says so.
  bool AtEnd() { return in_.SourceEnd() != 0; }
  // Bytes handed out since Attach.
  uint64_t Count() const { return in_.bytesRead; }
  IStream* Stream() const { return in_.source; }

 private:
  BufferedInput in_;
};

// Collects bytes in a 65,536-byte buffer and writes it whenever it is full.
class BufferedStreamWriter {
 public:
  static constexpr uint32_t kBufferSize = 65536;
  BufferedStreamWriter() = default;
  ~BufferedStreamWriter();  // drops pending bytes: Flush first
  BufferedStreamWriter(const BufferedStreamWriter&) = delete;
  BufferedStreamWriter& operator=(const BufferedStreamWriter&) = delete;

  StatusCode Attach(IBase* stream);  // as BufferedStreamReader::Attach
  void Detach();

  // 0 or the stream's write error. A missing stream is the fatal stop.
  StatusCode Write(const void* data, uint32_t length);
  StatusCode WriteByte(uint8_t byte) {
    if (out_.writeLength < kBufferSize && out_.writeBuffer) {
      out_.writeBuffer[out_.writeLength++] = byte;
      ++out_.bytesWritten;
      return out_.writeLength == kBufferSize ? Flush() : kOk;
    }
    return Write(&byte, 1);
  }
  // Writes what is pending: 0 or the stream's write error.
  StatusCode Flush() { return out_.Flush(); }
  // Bytes taken since Attach.
  uint64_t Count() const { return out_.bytesWritten; }
  IStream* Stream() const { return out_.target; }

 private:
  BufferedOutput out_;
};

// Both halves over the same stream.
struct BufferedStreamPair {
  BufferedStreamReader reader;
  BufferedStreamWriter writer;

  StatusCode Attach(IBase* stream) {
    StatusCode st = reader.Attach(stream);
    if (st == kOk) st = writer.Attach(stream);
    if (st != kOk) Detach();
    return st;
  }
  void Detach() {
    reader.Detach();
    writer.Detach();
  }
};

}  // namespace zk
