// storage.MemStream: a growable byte block behind the stream interfaces.
#include <cstring>

#include "StreamCopy.h"
#include "ToolkitObject.h"
#include "zk5Stream.h"

namespace zk {
namespace {

constexpr uint64_t kMaxBlock = 0xFFFFFE00u;  // the largest multiple of 512 in 32 bits

class MemStream final : public ToolkitObject<MemStream, IMemStream, IFileStrem> {
 public:
  static constexpr const char* kClassId = id::StorageMemStream;
  static constexpr InterfaceSlot kInterfaces[] = {
      {id::StreamIMemStream, 0}, {id::StreamIStream, 1}, {id::StreamIFileStrem, 1}};

  ~MemStream() { zk_free(data_); }

  void* GetBuffer(uint32_t* sizeOut) override {
    if (sizeOut) *sizeOut = size_;
    return data_;
  }

  StatusCode SetBuffer(void* data, uint32_t length, int32_t copy) override {
    if (copy) {
      if (!data && length > 0) return kInvalidArg;
      if (capacity_ < length) {
        StatusCode st = Grow(length);
        if (st != kOk) return st;
        capacity_ = length;
      }
      if (length) std::memmove(data_, data, length);
    } else {
      // Adopted: the block held before now belongs to whoever took it.
      data_ = static_cast<uint8_t*>(data);
      capacity_ = data ? length : 0;
      if (!data) length = 0;
    }
    size_ = length;
    position_ = 0;
    return kOk;
  }

  StatusCode IsEnd() override { return position_ < size_ ? kOk : kEndOfStream; }

  StatusCode Read(void* buffer, uint32_t n, uint32_t* gotOut) override {
    if (gotOut) *gotOut = 0;
    if (n == 0) return kOk;
    if (!buffer) return kInvalidArg;
    uint32_t left = position_ < size_ ? size_ - position_ : 0;
    uint32_t take = n < left ? n : left;
    if (take) std::memcpy(buffer, data_ + position_, take);
    position_ += take;
    if (gotOut) *gotOut = take;
    return kOk;
  }

  StatusCode Write(const void* src, uint32_t length) override {
    if (length == 0) return kOk;
    if (!src) return kInvalidArg;
    if (capacity_ - position_ < length) {
      uint64_t need = uint64_t(position_) + length;
      if (need > kMaxBlock) return kNoMemory;
      StatusCode st = Grow(static_cast<uint32_t>(need));
      if (st != kOk) return st;
      capacity_ = RoundUp(static_cast<uint32_t>(need));
    }
    std::memcpy(data_ + position_, src, length);
    position_ += length;
    if (position_ > size_) size_ = position_;
    return kOk;
  }

  StatusCode Close() override {
    if (size_ < capacity_) {
      if (size_ == 0) {
        zk_free(data_);
        data_ = nullptr;
      } else if (void* p = zk_realloc(data_, static_cast<int32_t>(size_))) {
        data_ = static_cast<uint8_t*>(p);
      } else {
        return kOk;  // the larger block stays; nothing lost
      }
      capacity_ = size_;
    }
    return kOk;
  }

  StatusCode CopyFrom(IStream* source, uint64_t count) override {
    return CopyStream(static_cast<IFileStrem*>(this), source, count);
  }

  StatusCode Commit() override { return kOk; }

  StatusCode GetSize(uint64_t* sizeOut) override {
    if (!sizeOut) return kInvalidArg;
    *sizeOut = size_;
    return kOk;
  }

  StatusCode GetPosition(uint64_t* positionOut) override {
    if (!positionOut) return kInvalidArg;
    *positionOut = position_;
    return kOk;
  }

  StatusCode Seek(int64_t offset, int32_t origin) override {
    constexpr int64_t kLimit = 0x7FFFFFFF;
    if (offset < -kLimit || offset > kLimit) return kInvalidArg;
    int64_t target;
    switch (origin) {
      case kSeekSet: target = offset; break;
      case kSeekCur: target = int64_t(position_) + offset; break;
      case kSeekEnd: target = int64_t(size_) - offset; break;  // counts back from the end
      default: return kInvalidArg;
    }
    if (target < 0 || target > int64_t(size_)) return kInvalidArg;
    position_ = static_cast<uint32_t>(target);
    return kOk;
  }

  StatusCode SetEnd() override {
    size_ = position_;
    return kOk;
  }

 private:
  static uint32_t RoundUp(uint32_t n) { return static_cast<uint32_t>((uint64_t(n) + 511) & ~uint64_t(511)); }

  // Grows the block to hold n bytes (a multiple of 512); nothing changes on failure.
  StatusCode Grow(uint32_t n) {
    if (n > kMaxBlock) return kNoMemory;
    void* p = zk_realloc(data_, static_cast<int32_t>(RoundUp(n)));
    if (!p) return kNoMemory;
    data_ = static_cast<uint8_t*>(p);
    return kOk;
  }

  uint8_t* data_ = nullptr;
  uint32_t size_ = 0;
  uint32_t capacity_ = 0;
  uint32_t position_ = 0;
};

}  // namespace
}  // namespace zk

using zk::MemStream;
ZK_REGISTER_CLASS(MemStream)
