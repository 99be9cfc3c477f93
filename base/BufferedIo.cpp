// The buffered readers and writers every library shares (see BufferedIo.h).
#include "BufferedIo.h"

#include "ToolkitObject.h"

namespace zk {

StatusCode ReadFull(IStream* s, void* buffer, uint32_t length, uint32_t* got) {
  uint8_t* p = static_cast<uint8_t*>(buffer);
  uint32_t done = 0;
  StatusCode st = kOk;
  while (done < length) {
    uint32_t n = 0;
    st = s->Read(p + done, length - done, &n);
    if (st != kOk || n == 0 || n > length - done) break;
    done += n;
  }
  *got = done;
  return st;
}

StatusCode ReadExact(IStream* s, void* buffer, uint32_t length, StatusCode shortCode) {
  uint32_t got = 0;
  StatusCode st = ReadFull(s, buffer, length, &got);
  if (st != kOk) return st;
  return got == length ? kOk : shortCode;
}

StatusCode BufferedInput::Refill(uint32_t want) {
  ZK_REQUIRE(source, id::StreamIStream);
  if (want == 0 || want > readCapacity) want = readCapacity;
  uint32_t got = 0;
  StatusCode st = source->Read(readBuffer, want, &got);
  readPosition = 0;
  // A source that claims more than it was asked for delivered nothing usable.
  readFill = st == kOk && got <= want ? got : 0;
  return st;
}

StatusCode BufferedInput::ReadBlock(void* buffer, uint32_t length, uint32_t* delivered) {
  if (delivered) *delivered = 0;
  if (length == 0) return kOk;
  if (!buffer) return kInvalidArg;
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

StatusCode BufferedInput::RefillAndReadByte(uint8_t* value) {
  StatusCode st = Refill();
  if (st != kOk) return st;
  if (readFill == 0) return kInputEnd;
  *value = readBuffer[readPosition++];
  ++bytesRead;
  return kOk;
}

StatusCode BufferedInput::SourceEnd() {
  if (readPosition < readFill) return kOk;
  ZK_REQUIRE(source, id::StreamIStream);
  return source->IsEnd();
}

StatusCode BufferedOutput::WriteBlock(const void* buffer, uint32_t length) {
  if (length == 0) return kOk;
  if (!buffer) return kInvalidArg;
  const uint8_t* in = static_cast<const uint8_t*>(buffer);
  while (length != 0) {
    if (writeLength == writeCapacity) {
      StatusCode st = WriteOut(writeCapacity);
      if (st != kOk) return st;
    }
    uint32_t n = writeCapacity - writeLength;
    if (n > length) n = length;
    std::memcpy(writeBuffer + writeLength, in, n);
    writeLength += n;
    bytesWritten += n;
    in += n;
    length -= n;
  }
  return kOk;
}

StatusCode BufferedOutput::WriteOut(uint32_t n) {
  if (n == 0) return kOk;
  ZK_REQUIRE(target, id::StreamIStream);
  writeLength = 0;
  return target->Write(writeBuffer, n);
}

}  // namespace zk
