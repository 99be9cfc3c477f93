// arc.Arith, the adaptive order-0 range coder over bytes, and arc.FlatArc,
// which feeds a short-window repeat search into the same coder (it only
// encodes).
#include <cstring>
#include <memory>
#include <new>

#include "ArcProgress.h"
#include "ArithCore.h"
#include "ToolkitObject.h"
#include "zk5Arc.h"

namespace zk::arc {
namespace {

class Arith final : public ToolkitObject<Arith, IArc> {
 public:
  static constexpr const char* kClassId = id::ArcArith;
  static constexpr InterfaceSlot kInterfaces[] = {{id::ArcIArc, 0}};

  // The rebuild period; 0 stands for 255.
  StatusCode Init(int32_t parameter) override {
    period_ = uint32_t(parameter);
    return kOk;
  }

  StatusCode Encode(IStream* in, IStream* out, IProgress* progress, uint32_t total) override {
    if (!in || !out) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      auto io = std::make_unique<CarrierStreamBuffer>(in, out);
      enc_.Start(io.get(), period_);
      ProgressReport report(progress, total);
      StatusCode st = report.Start();
      if (st) return st;
      for (uint64_t done = 1;; ++done) {
        uint8_t b;
        st = io->ReadByte(&b);
        if (st == kNotExecuted) break;  // the input's end
        if (st) return st;
        if ((st = enc_.Put(b))) return st;
        if ((st = report.At(done))) return st;
      }
      if ((st = enc_.Finish())) return st;
      return report.Finish();
    });
  }

  StatusCode Decode(uint32_t count, IStream* in, IStream* out, IProgress* progress) override {
    if (!in || !out) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      auto io = std::make_unique<CarrierStreamBuffer>(in, out);
      model_.Reset(period_);
      uint32_t low = 0, range = 0xFFFFFFFFu, code = 0;
      StatusCode st = kOk;
      if (count) {
        // The encoder writes at least the two end words, and never fewer
        // words than the decoder takes: running out means a damaged stream.
        uint32_t hi, lo;
        if ((st = Word(*io, &hi)) || (st = Word(*io, &lo))) return st;
        code = hi << 16 | lo;
      }
      ProgressReport report(progress, count);
      if ((st = report.Start())) return st;
      for (uint32_t i = 0; i < count; ++i) {
        uint64_t v = ((uint64_t(code - low) << 16) + 65535) / range;
        if (v > 65535) return kFatal;  // -1: no symbol can give this value
        uint8_t s = model_.lookup[v >> 4];
        if ((st = io->WriteByte(s))) return st;
        if (i + 1 == count) break;
        if (ArithNarrow(model_, s, low, range)) {
          uint32_t w;
          if ((st = Word(*io, &w))) return st;
          low <<= 16;
          range <<= 16;
          code = code << 16 | w;
        }
        model_.Count(s);
        if ((st = report.At(uint64_t(i) + 1))) return st;
      }
      if ((st = io->Flush())) return st;
      return report.Finish();
    });
  }

 private:
  // The next 16-bit little-endian word; -14 when the input has ended.
  static StatusCode Word(CarrierStreamBuffer& io, uint32_t* w) {
    uint8_t a, b;
    StatusCode st = io.ReadByte(&a);
    if (!st) st = io.ReadByte(&b);
    if (st == kNotExecuted) return kInvalidFormat;
    if (st) return st;
    *w = uint32_t(a) | uint32_t(b) << 8;
    return kOk;
  }

  uint32_t period_ = 0;
  ArithEncoder enc_;
  ArithModel model_;
};

class FlatArc final : public ToolkitObject<FlatArc, IArc> {
 public:
  static constexpr const char* kClassId = id::ArcFlatArc;
  static constexpr InterfaceSlot kInterfaces[] = {{id::ArcIArc, 0}};
  static constexpr uint32_t kBlock = 65536;

  ~FlatArc() { delete[] block_; }

  StatusCode Init(int32_t) override {
    return Guard([&]() -> StatusCode {
      if (!block_) block_ = new uint8_t[kBlock];
      return kOk;
    });
  }

  StatusCode Encode(IStream* in, IStream* out, IProgress*, uint32_t) override {
    if (!in || !out) return kInvalidArg;
    if (!block_) return kNoMemory;
    return Guard([&]() -> StatusCode {
      auto io = std::make_unique<CarrierStreamBuffer>(nullptr, out);
      enc_.Start(io.get(), 255);
      while (in->IsEnd() == kOk) {
        uint32_t n = 0;
        StatusCode st = in->Read(block_, kBlock, &n);
        if (st) return st;
        if (n == 0 || n > kBlock) break;  // a stream that will not move on
        if ((st = CodeBlock(n))) return st;
      }
      return enc_.Finish();
    });
  }

  // The coder has no decoder.
  StatusCode Decode(uint32_t, IStream*, IStream*, IProgress*) override { return kOk; }

 private:
  // Codes the block from its end towards its start: a repeat of the bytes
  // just before position a as (length, position low, position high), any
  // other byte as (byte, 0).
  StatusCode CodeBlock(uint32_t n) {
    StatusCode st = kOk;
    for (uint32_t a = n; a > 0 && !st;) {
      uint32_t q = 0, len = 0;
      if (a > 3 && FindRepeat(a, &q, &len)) {
        if (!(st = enc_.Put(uint8_t(len))) && !(st = enc_.Put(uint8_t(q))))
          st = enc_.Put(uint8_t(q >> 8));
        a -= len;
      } else {
        if (!(st = enc_.Put(block_[a - 1]))) st = enc_.Put(0);
        a -= 1;
      }
    }
    return st;
  }

  // Longest window first (31 bytes or what is left, down to 3), nearest
  // copy first; copies lie wholly before the window and may start at 0.
  // Candidates are screened by the sum of their bytes.
  bool FindRepeat(uint32_t a, uint32_t* q, uint32_t* len) const {
    const uint8_t* b = block_;
    for (uint32_t L = a < 31 ? a : 31; L >= 3; --L) {
      if (2 * L > a) continue;
      const uint8_t* w = b + a - L;
      uint32_t want = 0, sum = 0;
      uint32_t c = a - 2 * L;
      for (uint32_t k = 0; k < L; ++k) {
        want += w[k];
        sum += b[c + k];
      }
      for (;;) {
        if (sum == want && std::memcmp(b + c, w, L) == 0) {
          *q = c;
          *len = L;
          return true;
        }
        if (c == 0) break;
        --c;
        sum += b[c];
        sum -= b[c + L];
      }
    }
    return false;
  }

  uint8_t* block_ = nullptr;
  ArithEncoder enc_;
};

}  // namespace

ZK_REGISTER_CLASS(Arith)
ZK_REGISTER_CLASS(FlatArc)

}  // namespace zk::arc
