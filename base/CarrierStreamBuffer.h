// The buffered carrier stream: a byte-and-bit reader over a source stream
// and a byte-and-bit writer over a target stream, each with a 64 KiB
// buffer. Every carrier of zk5steg and every coder of zk5arc uses it; the
// one source is built into both libraries.
//
// Bits are numbered from the least significant end: the first bit written
// into or read from a byte is its bit 0 (ReadBitMsb and ReadBitsMsb take
// them from bit 7 down).
//
// Make it with Create (or new (std::nothrow)) and delete it within the one
// operation that needs it. Operations that need the source or the target
// while that reference is absent end the process through the fatal
// null-interface check.
//
// The byte paths are those of the toolkit's buffered input and output
// (BufferedIo.h), which hold the fields source, readFill, readPosition,
// bytesRead, target, writeLength and bytesWritten; this adds the bits.
#pragma once
#include <cstdint>

#include "BufferedIo.h"
#include "zk5Stream.h"

namespace zk {

struct CarrierStreamBuffer : BufferedInput, BufferedOutput {
  static constexpr uint32_t kBufferSize = 65536;

  // Takes one reference to each stream given (either may be null).
  CarrierStreamBuffer(IStream* source, IStream* target);
  // Releases the target first, then the source. Nothing is flushed.
  ~CarrierStreamBuffer();
  CarrierStreamBuffer(const CarrierStreamBuffer&) = delete;
  CarrierStreamBuffer& operator=(const CarrierStreamBuffer&) = delete;

  // A new buffered stream, or null when memory runs out.
  static CarrierStreamBuffer* Create(IStream* source, IStream* target);

  // Reading. Byte reads begin at the next whole byte: the rest of a byte
  // whose bits are being read is skipped.
  // Copies up to length bytes; stops early (still 0) when the source
  // delivers nothing; delivered (may be null) counts what was handed out.
  StatusCode ReadBlock(void* buffer, uint32_t length, uint32_t* delivered);
  // The next byte; -3 when the source has nothing more.
  StatusCode ReadByte(uint8_t* value) {
    if (readBitIndex == 0 && readPosition < readFill) {
      uint8_t b = readBuffer[readPosition++];
      ++bytesRead;
      if (value) *value = b;
      return kOk;
    }
    return ReadByteSlow(value);
  }
  // The bit at the read bit index of the current byte (bit 0 first); -3 at
  // the end of the source.
  StatusCode ReadBit(uint32_t* bit);
  StatusCode ReadBitMsb(uint32_t* bit);  // bit 7 first
  // count (at most 32) single-bit reads; the first bit read becomes bit 0 of value.
  StatusCode ReadBits(uint32_t count, uint32_t* value);
  StatusCode ReadBitsMsb(uint32_t count, uint32_t* value);
  // Steps back count bits within the read buffer; -3 before its start.
  StatusCode UnreadBits(uint32_t count);
  // 0 while buffered bytes remain, else the source's IsEnd.
  StatusCode AtEnd();
  // Drops the read buffer, puts the source back at the logical read
  // position, then seeks it (origin 0 start, 1 current, 2 end). The source
  // must answer stream.IFileStrem, else -3.
  StatusCode Rewind(int64_t offset, int32_t origin);

  // Writing. A byte write while single bits are pending first closes the
  // pending byte (its unwritten bits stay 0).
  StatusCode WriteBlock(const void* buffer, uint32_t length);
  StatusCode WriteByte(uint8_t value) {
    if (writeBitIndex == 0 && writeLength < writeCapacity) {
      writeBuffer[writeLength++] = value;
      ++bytesWritten;
      return kOk;
    }
    return WriteByteSlow(value);
  }
  // ORs the bit into the current byte at the write bit index.
  StatusCode WriteBit(uint32_t bit);
  // count (at most 32) single bits of value, bit 0 first.
  StatusCode WriteBits(uint32_t value, uint32_t count);
  // Writes the buffered bytes, a partly filled last byte included.
  StatusCode Flush();

  uint32_t readBitIndex = 0;   // next bit of the current byte (0-7)
  uint32_t writeBitIndex = 0;  // next bit of the current byte (0-7)

 private:
  StatusCode ReadByteSlow(uint8_t* value);
  StatusCode WriteByteSlow(uint8_t value);
  void ClosePendingBits();
  void SkipPartialByte();
  StatusCode NextBit(bool msbFirst, uint32_t* bit);

  uint8_t readStore_[kBufferSize];
  uint8_t writeStore_[kBufferSize];
};

}  // namespace zk
