#include "CarrierStreamBuffer.h"

#include <cstring>
#include <new>

#include "ToolkitObject.h"

namespace zk {

CarrierStreamBuffer::CarrierStreamBuffer(IStream* src, IStream* dst) {
  source = src;
  target = dst;
  readBuffer = readStore_;
  readCapacity = kBufferSize;
  writeBuffer = writeStore_;
  writeCapacity = kBufferSize;
  if (source) source->AddRef();
  if (target) target->AddRef();
}

CarrierStreamBuffer::~CarrierStreamBuffer() {
  ReleaseAndNull(target);
  ReleaseAndNull(source);
}

CarrierStreamBuffer* CarrierStreamBuffer::Create(IStream* src, IStream* dst) {
  return new (std::nothrow) CarrierStreamBuffer(src, dst);
}

void CarrierStreamBuffer::SkipPartialByte() {
  if (readBitIndex != 0) {
    readBitIndex = 0;
    ++readPosition;
    ++bytesRead;
  }
}

StatusCode CarrierStreamBuffer::ReadBlock(void* buffer, uint32_t length, uint32_t* delivered) {
  if (delivered) *delivered = 0;
  if (length == 0) return kOk;
  if (!buffer) return kInvalidArg;
  SkipPartialByte();
  return BufferedInput::ReadBlock(buffer, length, delivered);
}


StatusCode CarrierStreamBuffer::ReadByteSlow(uint8_t* value) {
  SkipPartialByte();
  uint8_t b = 0;
  StatusCode st = BufferedInput::ReadByte(&b);
  if (st == kOk && value) *value = b;
  return st;
}

StatusCode CarrierStreamBuffer::WriteByteSlow(uint8_t value) {
  ClosePendingBits();
  return BufferedOutput::WriteByte(value);
}

StatusCode CarrierStreamBuffer::NextBit(bool msbFirst, uint32_t* bit) {
  if (readPosition >= readFill) {
    StatusCode st = Refill();
    if (st != kOk) return st;
    if (readFill == 0) return kInputEnd;
  }
  uint32_t shift = msbFirst ? 7 - readBitIndex : readBitIndex;
  uint32_t b = (readBuffer[readPosition] >> shift) & 1u;
  if (++readBitIndex == 8) {
    readBitIndex = 0;
    ++readPosition;
    ++bytesRead;
  }
  if (bit) *bit = b;
  return kOk;
}

StatusCode CarrierStreamBuffer::ReadBit(uint32_t* bit) { return NextBit(false, bit); }
StatusCode CarrierStreamBuffer::ReadBitMsb(uint32_t* bit) { return NextBit(true, bit); }

StatusCode CarrierStreamBuffer::ReadBits(uint32_t count, uint32_t* value) {
  if (count > 32) return kInvalidArg;
  uint32_t v = 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t b = 0;
    StatusCode st = NextBit(false, &b);
    if (st != kOk) return st;
    v |= b << i;
  }
  if (value) *value = v;
  return kOk;
}

StatusCode CarrierStreamBuffer::ReadBitsMsb(uint32_t count, uint32_t* value) {
  if (count > 32) return kInvalidArg;
  uint32_t v = 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t b = 0;
    StatusCode st = NextBit(true, &b);
    if (st != kOk) return st;
    v |= b << i;
  }
  if (value) *value = v;
  return kOk;
}

StatusCode CarrierStreamBuffer::UnreadBits(uint32_t count) {
  uint64_t position = uint64_t(readPosition) * 8 + readBitIndex;
  if (count > position) return kNotExecuted;
  position -= count;
  uint32_t newByte = static_cast<uint32_t>(position / 8);
  bytesRead -= readPosition - newByte;
  readPosition = newByte;
  readBitIndex = static_cast<uint32_t>(position % 8);
  return kOk;
}

StatusCode CarrierStreamBuffer::AtEnd() { return SourceEnd(); }

StatusCode CarrierStreamBuffer::Rewind(int64_t offset, int32_t origin) {
  ZK_REQUIRE(source, id::StreamIStream);
  IFileStrem* file = nullptr;
  if (source->QueryInterface(id::StreamIFileStrem, reinterpret_cast<void**>(&file)) != kOk || !file)
    return kNotExecuted;
  StatusCode st = kOk;
  uint32_t unread = Buffered();
  if (unread != 0) st = file->Seek(-static_cast<int64_t>(unread), kSeekCur);
  readFill = readPosition = readBitIndex = 0;
  if (st == kOk) st = file->Seek(offset, origin);
  file->Release();
  return st;
}

void CarrierStreamBuffer::ClosePendingBits() {
  if (writeBitIndex != 0) {
    writeBitIndex = 0;
    ++writeLength;
    ++bytesWritten;
  }
}

StatusCode CarrierStreamBuffer::WriteBlock(const void* buffer, uint32_t length) {
  if (length == 0) return kOk;
  if (!buffer) return kInvalidArg;
  ClosePendingBits();
  return BufferedOutput::WriteBlock(buffer, length);
}


StatusCode CarrierStreamBuffer::WriteBit(uint32_t bit) {
  if (writeLength == kBufferSize) {
    StatusCode st = WriteOut(kBufferSize);
    if (st != kOk) return st;
  }
  // A byte's first bit starts it from zero, so its unwritten bits stay 0.
  uint8_t& b = writeBuffer[writeLength];
  if (writeBitIndex == 0) b = 0;
  b |= static_cast<uint8_t>((bit & 1u) << writeBitIndex);
  if (++writeBitIndex == 8) {
    writeBitIndex = 0;
    ++writeLength;
    ++bytesWritten;
  }
  return kOk;
}

StatusCode CarrierStreamBuffer::WriteBits(uint32_t value, uint32_t count) {
  if (count > 32) return kInvalidArg;
  for (uint32_t i = 0; i < count; ++i) {
    StatusCode st = WriteBit((value >> i) & 1u);
    if (st != kOk) return st;
  }
  return kOk;
}

StatusCode CarrierStreamBuffer::Flush() {
  const uint32_t n = writeLength + (writeBitIndex != 0 ? 1 : 0);
  if (n == 0) return kOk;
  ZK_REQUIRE(target, id::StreamIStream);
  if (writeBitIndex != 0) ++bytesWritten;
  writeBitIndex = 0;
  return WriteOut(n);
}

}  // namespace zk
