#include "CarrierStreamBuffer.h"

#include <cstring>
#include <new>

#include "ToolkitObject.h"

namespace zk {

CarrierStreamBuffer::CarrierStreamBuffer(IStream* src, IStream* dst) : source(src), target(dst) {
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

StatusCode CarrierStreamBuffer::Refill() {
  ZK_REQUIRE(source, id::StreamIStream);
  uint32_t got = 0;
  StatusCode st = source->Read(readBuffer, kBufferSize, &got);
  readPosition = 0;
  readBitIndex = 0;
  readFill = st == kOk && got <= kBufferSize ? got : 0;
  return st;
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
  uint8_t* out = static_cast<uint8_t*>(buffer);
  uint32_t done = 0;
  while (done < length) {
    if (readPosition >= readFill) {
      StatusCode st = Refill();
      if (st != kOk) {
        if (delivered) *delivered = done;
        return st;
      }
      if (readFill == 0) break;
    }
    uint32_t n = readFill - readPosition;
    if (n > length - done) n = length - done;
    std::memcpy(out + done, readBuffer + readPosition, n);
    readPosition += n;
    bytesRead += n;
    done += n;
  }
  if (delivered) *delivered = done;
  return kOk;
}

StatusCode CarrierStreamBuffer::ReadByte(uint8_t* value) {
  SkipPartialByte();
  if (readPosition >= readFill) {
    StatusCode st = Refill();
    if (st != kOk) return st;
    if (readFill == 0) return kNotExecuted;
  }
  uint8_t b = readBuffer[readPosition++];
  ++bytesRead;
  if (value) *value = b;
  return kOk;
}

StatusCode CarrierStreamBuffer::NextBit(bool msbFirst, uint32_t* bit) {
  if (readPosition >= readFill) {
    StatusCode st = Refill();
    if (st != kOk) return st;
    if (readFill == 0) return kNotExecuted;
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

StatusCode CarrierStreamBuffer::AtEnd() {
  if (readPosition < readFill) return kOk;
  ZK_REQUIRE(source, id::StreamIStream);
  return source->IsEnd();
}

StatusCode CarrierStreamBuffer::Rewind(int64_t offset, int32_t origin) {
  ZK_REQUIRE(source, id::StreamIStream);
  IFileStrem* file = nullptr;
  if (source->QueryInterface(id::StreamIFileStrem, reinterpret_cast<void**>(&file)) != kOk || !file)
    return kNotExecuted;
  StatusCode st = kOk;
  uint32_t unread = readPosition < readFill ? readFill - readPosition : 0;
  if (unread != 0) st = file->Seek(-static_cast<int64_t>(unread), kSeekCur);
  readFill = readPosition = readBitIndex = 0;
  if (st == kOk) st = file->Seek(offset, origin);
  file->Release();
  return st;
}

StatusCode CarrierStreamBuffer::WriteFull() {
  ZK_REQUIRE(target, id::StreamIStream);
  StatusCode st = target->Write(writeBuffer, kBufferSize);
  std::memset(writeBuffer, 0, kBufferSize);
  writeLength = 0;
  writeBitIndex = 0;
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
  const uint8_t* in = static_cast<const uint8_t*>(buffer);
  while (length != 0) {
    if (writeLength == kBufferSize) {
      StatusCode st = WriteFull();
      if (st != kOk) return st;
    }
    uint32_t n = kBufferSize - writeLength;
    if (n > length) n = length;
    std::memcpy(writeBuffer + writeLength, in, n);
    writeLength += n;
    bytesWritten += n;
    in += n;
    length -= n;
  }
  return kOk;
}

StatusCode CarrierStreamBuffer::WriteByte(uint8_t value) {
  ClosePendingBits();
  if (writeLength == kBufferSize) {
    StatusCode st = WriteFull();
    if (st != kOk) return st;
  }
  writeBuffer[writeLength++] = value;
  ++bytesWritten;
  return kOk;
}

StatusCode CarrierStreamBuffer::WriteBit(uint32_t bit) {
  if (writeLength == kBufferSize) {
    StatusCode st = WriteFull();
    if (st != kOk) return st;
  }
  writeBuffer[writeLength] |= static_cast<uint8_t>((bit & 1u) << writeBitIndex);
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
  uint32_t n = writeLength + (writeBitIndex != 0 ? 1 : 0);
  if (n == 0) return kOk;
  ZK_REQUIRE(target, id::StreamIStream);
  if (writeBitIndex != 0) ++bytesWritten;
  StatusCode st = target->Write(writeBuffer, n);
  std::memset(writeBuffer, 0, n);
  writeLength = 0;
  writeBitIndex = 0;
  return st;
}

}  // namespace zk
