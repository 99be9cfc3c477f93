#include "SecretCopy.h"


#include "ToolkitObject.h"

namespace zk::engine {

namespace {

class LimitedStream final : public ToolkitObject<LimitedStream, IStream> {
 public:
  static constexpr const char* kClassId = "local.kiv.LimitedStream";
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIStream, 0}};
  ~LimitedStream() { ReleaseAndNull(target_); }
  void Bind(IStream* target, uint64_t limit) {
    target->AddRef();
    target_ = target;
    limit_ = limit;
  }
  uint64_t written() const { return written_; }

  StatusCode IsEnd() override { return kEndOfStream; }
  StatusCode Read(void*, uint32_t, uint32_t* gotOut) override {
    if (gotOut) *gotOut = 0;
    return kReadError;
  }
  StatusCode Write(const void* data, uint32_t length) override {
    if (length > limit_ - written_) return kTooMuch;
    StatusCode st = target_->Write(data, length);
    if (st == kOk) written_ += length;
    return st;
  }
  StatusCode Close() override { return kOk; }
  StatusCode CopyFrom(IStream*, uint64_t) override { return kNotImplemented; }

 private:
  IStream* target_ = nullptr;
  uint64_t limit_ = 0;
  uint64_t written_ = 0;
};

class SkippingStream final : public ToolkitObject<SkippingStream, IFileStrem> {
 public:
  static constexpr const char* kClassId = "local.kiv.SkippingStream";
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIFileStrem, 0}, {id::StreamIStream, 0}};
  ~SkippingStream() { ReleaseAndNull(target_); }
  void Bind(IFileStrem* target, uint64_t skip) {
    target->AddRef();
    target_ = target;
    skip_ = skip;
  }
  uint64_t passed() const { return passed_; }

  StatusCode IsEnd() override { return kEndOfStream; }
  StatusCode Read(void*, uint32_t, uint32_t* gotOut) override {
    if (gotOut) *gotOut = 0;
    return kReadError;
  }
  StatusCode Write(const void* data, uint32_t length) override {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (skip_) {
      const uint32_t drop = skip_ < length ? uint32_t(skip_) : length;
      skip_ -= drop;
      p += drop;
      length -= drop;
    }
    if (length == 0) return kOk;
    StatusCode st = target_->Write(p, length);
    if (st == kOk) passed_ += length;
    return st;
  }
  StatusCode Close() override { return kOk; }
  StatusCode CopyFrom(IStream*, uint64_t) override { return kNotImplemented; }
  StatusCode Commit() override { return kOk; }
  StatusCode GetSize(uint64_t* sizeOut) override { return target_->GetSize(sizeOut); }
  StatusCode GetPosition(uint64_t* positionOut) override { return target_->GetPosition(positionOut); }
  StatusCode Seek(int64_t, int32_t) override { return kNotImplemented; }
  StatusCode SetEnd() override { return kNotImplemented; }

 private:
  IFileStrem* target_ = nullptr;
  uint64_t skip_ = 0;
  uint64_t passed_ = 0;
};

}  // namespace

StatusCode MakeSkippingStream(IFileStrem* target, uint64_t skip, IFileStrem** out) {
  *out = nullptr;
  SkippingStream* s = SkippingStream::Create();
  if (!s) return kNoMemory;
  s->Bind(target, skip);
  *out = s;
  return kOk;
}

uint64_t SkippingPassed(IFileStrem* skipping) { return static_cast<SkippingStream*>(skipping)->passed(); }

StatusCode MakeLimitedStream(IStream* target, uint64_t limit, IStream** out) {
  *out = nullptr;
  LimitedStream* s = LimitedStream::Create();
  if (!s) return kNoMemory;
  s->Bind(target, limit);
  *out = s;
  return kOk;
}

uint64_t LimitedWritten(IStream* limited) { return static_cast<LimitedStream*>(limited)->written(); }

}  // namespace zk::engine
