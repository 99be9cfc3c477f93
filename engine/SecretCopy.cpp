#include "SecretCopy.h"

#include <memory>

#include "ToolkitObject.h"
#include "Wipe.h"

namespace zk::engine {

StatusCode ReadFully(IStream* stream, void* out, uint32_t n) {
  uint8_t* p = static_cast<uint8_t*>(out);
  while (n > 0) {
    uint32_t got = 0;
    StatusCode st = stream->Read(p, n, &got);
    if (st != kOk) return st;
    if (got == 0) return kInvalidFormat;
    if (got > n) got = n;
    p += got;
    n -= got;
  }
  return kOk;
}

StatusCode ProgressSteps::Report(int32_t percent) {
  if (!progress_ || percent <= last_) return kOk;
  last_ = percent;
  return progress_->OnProgress(percent);
}

StatusCode ProgressSteps::At(uint64_t done) {
  if (!progress_ || total_ == 0) return kOk;
  // done never exceeds the content limit, so done * 100 fits in 64 bits.
  uint64_t pct = done >= total_ ? 100 : done * 100 / total_;
  return Report(int32_t(pct));
}

StatusCode CopyWithProgress(IFileStrem* source, IStream* target, uint64_t limit, IProgress* progress,
                            IHash* check, uint64_t* copiedOut, uint32_t align, uint64_t alignBase) {
  if (copiedOut) *copiedOut = 0;
  if (!source || !target) return kInvalidArg;
  uint64_t size = 0, position = 0;
  StatusCode st = source->GetSize(&size);
  if (st == kOk) st = source->GetPosition(&position);
  if (st != kOk) return st;
  uint64_t total = size > position ? size - position : 0;
  if (limit != 0 && limit < total) total = limit;
  ProgressSteps steps(progress, total);
  if ((st = steps.Start()) != kOk) return st;
  constexpr uint32_t kPiece = 65536;
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[kPiece]);
  uint64_t done = 0;
  while (source->IsEnd() == 0) {
    uint32_t want = kPiece;
    if (limit != 0) {
      if (done >= limit) break;
      if (limit - done < want) want = uint32_t(limit - done);
    }
    want = AlignedPiece(alignBase + done, want, align);
    uint32_t got = 0;
    st = source->Read(buffer.get(), want, &got);
    if (st != kOk) break;
    if (got == 0) break;
    if (check && (st = check->Update(buffer.get(), got)) != kOk) break;
    if ((st = target->Write(buffer.get(), got)) != kOk) break;
    done += got;
    if ((st = steps.At(done)) != kOk) break;
  }
  Wipe(buffer.get(), kPiece);
  if (copiedOut) *copiedOut = done;
  if (st != kOk) return st;
  return steps.Finish();
}

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
