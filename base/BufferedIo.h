// The one family of buffered readers and writers of the toolkit: a read
// buffer refilled from a source stream and a write buffer emptied into a
// target stream, plus the plain exact-read helpers. The buffered carrier
// stream (CarrierStreamBuffer.h), the buffered stream pair
// (BufferedStreamPair.h) and the copy carriers' positional reader all
// stand on these.
//
// End of input is said three ways, and the code keeps them apart:
//  - a stream's IsEnd answers kEndOfStream (any non-zero value) once its
//    position stands at its end;
//  - a Read that delivers 0 bytes (with status 0) has met the end;
//  - a buffered byte or bit read answers kInputEnd (-3, the status code
//    kNotExecuted) when the source had nothing more.
#pragma once
#include <cstdint>
#include <cstring>

#include "zk5Stream.h"

namespace zk {

// What a buffered byte or bit read answers at the end of its source.
inline constexpr StatusCode kInputEnd = kNotExecuted;

// Reads until length bytes are in or the stream delivers nothing (or more
// than it was asked for); got tells how many arrived. Stream errors are
// returned.
StatusCode ReadFull(IStream* s, void* buffer, uint32_t length, uint32_t* got);

// Reads exactly length bytes: shortCode when the stream ends first.
StatusCode ReadExact(IStream* s, void* buffer, uint32_t length, StatusCode shortCode = kReadError);

// The read half: bytes [readPosition, readFill) of readBuffer are the ones
// not handed out yet. The owner provides the buffer (readBuffer,
// readCapacity) and the source.
struct BufferedInput {
  IStream* source = nullptr;
  uint8_t* readBuffer = nullptr;
  uint32_t readCapacity = 0;
  uint32_t readFill = 0;      // bytes now in the read buffer
  uint32_t readPosition = 0;  // next byte to hand out
  uint64_t bytesRead = 0;     // running total handed out

  uint32_t Buffered() const { return readPosition < readFill ? readFill - readPosition : 0; }
  // Empties the buffer with one Read of want bytes (the whole buffer when
  // 0); the fill is what arrived (0 after an error). A missing source is
  // the fatal stop.
  StatusCode Refill(uint32_t want = 0);
  // Copies up to length bytes, refilling when empty; stops early (still 0)
  // when the source delivers nothing; delivered counts what was handed out.
  StatusCode ReadBlock(void* buffer, uint32_t length, uint32_t* delivered);
  // The next byte: 0, kInputEnd, or the source's error.
  StatusCode ReadByte(uint8_t* value) {
    if (readPosition < readFill) {
      *value = readBuffer[readPosition++];
      ++bytesRead;
      return kOk;
    }
    return RefillAndReadByte(value);
  }
  // 0 while buffered bytes remain, else the source's IsEnd.
  StatusCode SourceEnd();

 private:
  StatusCode RefillAndReadByte(uint8_t* value);
};

// The write half: writeBuffer[0, writeLength) waits for the target. A full
// buffer goes out (one Write of the whole buffer) before more is added;
// Flush hands over what is there.
struct BufferedOutput {
  IStream* target = nullptr;
  uint8_t* writeBuffer = nullptr;
  uint32_t writeCapacity = 0;
  uint32_t writeLength = 0;    // bytes in the write buffer
  uint64_t bytesWritten = 0;   // running total taken

  StatusCode WriteBlock(const void* buffer, uint32_t length);
  StatusCode WriteByte(uint8_t value) {
    if (writeLength < writeCapacity) {
      writeBuffer[writeLength++] = value;
      ++bytesWritten;
      return kOk;
    }
    return WriteBlock(&value, 1);
  }
  // Writes the buffered bytes (nothing when empty); the buffer is empty
  // afterwards, whatever the target answered. A missing target is the
  // fatal stop.
  StatusCode Flush() { return WriteOut(writeLength); }

 protected:
  // Hands the first n bytes of the buffer to the target and empties it.
  StatusCode WriteOut(uint32_t n);
};

}  // namespace zk
