// Shared pieces of the carrier classes: the two interface tables (direct
// and copy carriers), the copy carrier class written once over a format,
// the test for identical streams and the bit source that spreads hidden
// bytes over carrier places (bit 0 of each byte first).
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "CarrierStreamBuffer.h"
#include "BufferedIo.h"
#include "ByteOrder.h"
#include "ToolkitObject.h"
#include "zk5Steg.h"

namespace zk::steg {

// A carrier changed in place: answers steg.ICarrier and steg.ICarrierDirect.
template <class Self>
class DirectCarrier : public ToolkitObject<Self, ICarrierDirect> {
 public:
  static constexpr InterfaceSlot kInterfaces[] = {{id::StegICarrier, 0},
                                                  {id::StegICarrierDirect, 0}};
};

// A carrier rewritten by copying: answers steg.ICarrier and steg.ICarrierCopy.
template <class Self>
class CopyCarrier : public ToolkitObject<Self, ICarrierCopy> {
 public:
  static constexpr InterfaceSlot kInterfaces[] = {{id::StegICarrier, 0},
                                                  {id::StegICarrierCopy, 0}};
};

// A copy carrier class written once: Format names the class (kClassId,
// kKind) and does the work (GetCapacity, GetHiddenSize, Extract, Embed,
// Wipe); every operation runs through the allocation-failure guard. A
// format object is made with the carrier object (the PNG format builds its
// CRC table there).
template <class Format>
class CopyCarrierOf final : public CopyCarrier<CopyCarrierOf<Format>> {
 public:
  static constexpr const char* kClassId = Format::kClassId;

  int32_t GetCarrierKind() override { return Format::kKind; }
  StatusCode GetCapacity(IFileStrem* carrier, uint64_t* sizeOut) override {
    return Guard([&] { return format_.GetCapacity(carrier, sizeOut); });
  }
  StatusCode GetHiddenSize(IFileStrem* carrier, uint64_t* sizeOut) override {
    return Guard([&] { return format_.GetHiddenSize(carrier, sizeOut); });
  }
  StatusCode Extract(IFileStrem* carrier, IStream* out, uint64_t count) override {
    return Guard([&] { return format_.Extract(carrier, out, count); });
  }
  StatusCode Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out) override {
    return Guard([&] { return format_.Embed(carrier, data, out); });
  }
  StatusCode Wipe(IFileStrem* carrier, IFileStrem* out) override {
    return Guard([&] { return format_.Wipe(carrier, out); });
  }

 private:
  Format format_;
};

// The one object behind two stream pointers?
inline bool SameStream(IBase* a, IBase* b) {
  if (!a || !b) return false;
  if (static_cast<void*>(a) == static_cast<void*>(b)) return true;
  void* pa = nullptr;
  void* pb = nullptr;
  bool same = false;
  if (a->QueryInterface(id::StreamIStream, &pa) == kOk && b->QueryInterface(id::StreamIStream, &pb) == kOk)
    same = pa == pb;
  if (pa) static_cast<IBase*>(pa)->Release();
  if (pb) static_cast<IBase*>(pb)->Release();
  return same;
}

// The number of bytes of data from its position to its end.
inline StatusCode RemainingBytes(IFileStrem* data, uint64_t* n) {
  uint64_t size = 0, position = 0;
  StatusCode st = data->GetSize(&size);
  if (st == kOk) st = data->GetPosition(&position);
  if (st != kOk) return st;
  *n = position < size ? size - position : 0;
  return kOk;
}

// Makes sure data really delivers n bytes from its position, then puts it
// back, so that a carrier is not touched for data that cannot be read.
inline StatusCode CheckReadable(IFileStrem* data, uint64_t n) {
  if (n == 0) return kOk;
  uint64_t start = 0;
  StatusCode st = data->GetPosition(&start);
  if (st != kOk) return st;
  std::unique_ptr<uint8_t[]> piece(new uint8_t[65536]);
  uint64_t left = n;
  while (left != 0) {
    uint32_t want = left < 65536 ? uint32_t(left) : 65536u;
    uint32_t got = 0;
    st = ReadFull(data, piece.get(), want, &got);
    if (st != kOk) return st;
    if (got != want) return kReadError;
    left -= got;
  }
  return data->Seek(int64_t(start), kSeekSet);
}

// Hands out the bits of hidden bytes read through a buffered stream, bit 0
// of each byte first. A byte that cannot be read is -104: the data ended
// before every bit was placed.
class BitSource {
 public:
  explicit BitSource(CarrierStreamBuffer* buffer) : buffer_(buffer) {}
  StatusCode Next(uint32_t* bit) {
    if (index_ == 0) {
      StatusCode st = buffer_->ReadByte(&byte_);
      if (st == kNotExecuted) return kReadError;
      if (st != kOk) return st;
    }
    *bit = (byte_ >> index_) & 1u;
    index_ = (index_ + 1) & 7u;
    return kOk;
  }

 private:
  CarrierStreamBuffer* buffer_;
  uint8_t byte_ = 0;
  uint32_t index_ = 0;
};

// Collects bits into bytes (bit 0 first) and writes each completed byte.
class BitSink {
 public:
  explicit BitSink(CarrierStreamBuffer* buffer) : buffer_(buffer) {}
  StatusCode Put(uint32_t bit) {
    // Each new bit enters at bit 7 and the accumulator shifts right once
    // per bit, so after eight bits the first stands at bit 0.
    acc_ = uint8_t((acc_ >> 1) | ((bit & 1u) << 7));
    if (++count_ == 8) {
      count_ = 0;
      return buffer_->WriteByte(acc_);
    }
    return kOk;
  }

 private:
  CarrierStreamBuffer* buffer_;
  uint8_t acc_ = 0;
  uint32_t count_ = 0;
};

}  // namespace zk::steg
