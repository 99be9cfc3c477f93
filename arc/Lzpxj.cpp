// arc.Lzpxj: the compressor of every secret's content.
#include <memory>
#include <new>

#include "LzpxjCore.h"
#include "ToolkitObject.h"

namespace zk::arc {
namespace {

class Lzpxj final : public ToolkitObject<Lzpxj, IArc> {
 public:
  static constexpr const char* kClassId = id::ArcLzpxj;
  static constexpr InterfaceSlot kInterfaces[] = {{id::ArcIArc, 0}};

  ~Lzpxj() { lzpxj::GiveBackWorkspace(ws_); }

  StatusCode Init(int32_t) override { return kOk; }

  StatusCode Encode(IStream* in, IStream* out, IProgress* progress, uint32_t total) override {
    if (!in || !out) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      std::unique_ptr<CarrierStreamBuffer> buffer = Prepare(in, out);
      return lzpxj::Encode(*ws_, *buffer, *buffer, progress, total);
    });
  }

  StatusCode Decode(uint32_t count, IStream* in, IStream* out, IProgress* progress) override {
    if (!in || !out) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      std::unique_ptr<CarrierStreamBuffer> buffer = Prepare(in, out);
      return lzpxj::Decode(*ws_, *buffer, *buffer, progress, count);
    });
  }

 private:
  // Everything is allocated before the first report or output; throws
  // std::bad_alloc when memory runs out.
  std::unique_ptr<CarrierStreamBuffer> Prepare(IStream* in, IStream* out) {
    if (!ws_) ws_ = lzpxj::TakeWorkspace();
    return std::make_unique<CarrierStreamBuffer>(in, out);
  }

  lzpxj::Workspace* ws_ = nullptr;
};

}  // namespace

ZK_REGISTER_CLASS(Lzpxj)

}  // namespace zk::arc
