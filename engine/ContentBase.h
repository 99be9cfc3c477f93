// What the message and file contents share: the provider (the secret), the
// arc.Lzpxj coder made on first use, working streams that are wiped and
// emptied when done, and decoding bounded by the stored size.
#pragma once
#include "EngineTables.h"
#include "ToolkitObject.h"
#include "SecretCopy.h"
#include "SecretFiles.h"
#include "kvSafeDriver.h"

namespace zk::engine {

// A working stream of the provider, wiped, emptied and released at the end
// of the scope (also on failure), so no plain content stays behind.
struct WorkStream {
  IFileStrem* p = nullptr;
  WorkStream() = default;
  WorkStream(const WorkStream&) = delete;
  WorkStream& operator=(const WorkStream&) = delete;
  ~WorkStream() {
    WipeStream(p);
    ReleaseAndNull(p);
  }
};

template <class Self, class Main>
class ContentBase : public ToolkitObject<Self, Main, ISetProvider> {
 public:
  StatusCode SetProvider(IBase* source) override {
    IStreamProvider* next = nullptr;
    if (source) {
      StatusCode st = source->QueryInterface(id::KivIStreamProvider, reinterpret_cast<void**>(&next));
      if (st != kOk) return st;
      if (!next) return kNoInterface;
    }
    if (next && next == provider_) {
      next->Release();
      return kOk;
    }
    ReleaseAndNull(provider_);
    provider_ = next;
    return kOk;
  }

 protected:
  ~ContentBase() {
    ReleaseAndNull(coder_);
    ReleaseAndNull(provider_);
  }
  IStreamProvider* Provider() {
    ZK_REQUIRE(provider_, id::KivIStreamProvider);
    return provider_;
  }
  StatusCode Coder(IArc** out) {
    if (!coder_) {
      StatusCode st = CreateFace(id::ArcLzpxj, id::ArcIArc, &coder_);
      if (st != kOk) return st;
    }
    *out = coder_;
    return kOk;
  }
  // Decodes exactly n bytes into out: a stored coding that would give more
  // (or fewer) is damaged, -6.
  StatusCode DecodeBounded(IStream* in, IStream* out, uint32_t n, IProgress* progress) {
    IArc* coder = nullptr;
    StatusCode st = Coder(&coder);
    if (st != kOk) return st;
    IStream* limited = nullptr;
    if ((st = MakeLimitedStream(out, n, &limited)) != kOk) return st;
    if ((st = coder->Init(0)) == kOk) st = coder->Decode(n, in, limited, progress);
    const uint64_t written = LimitedWritten(limited);
    limited->Release();
    if (st == kTooMuch) return kNotFound;
    if (st != kOk) return st;
    return written == n ? kOk : kNotFound;
  }

 private:
  IStreamProvider* provider_ = nullptr;
  IArc* coder_ = nullptr;
};

}  // namespace zk::engine
