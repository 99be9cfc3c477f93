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
    std::unique_ptr<CarrierStreamBuffer> buffer;
    if (StatusCode st = Prepare(in, out, buffer)) return st;
    return lzpxj::Encode(*ws_, *buffer, *buffer, progress, total);
  }

  StatusCode Decode(uint32_t count, IStream* in, IStream* out, IProgress* progress) override {
    if (!in || !out) return kInvalidArg;
    std::unique_ptr<CarrierStreamBuffer> buffer;
    if (StatusCode st = Prepare(in, out, buffer)) return st;
    return lzpxj::Decode(*ws_, *buffer, *buffer, progress, count);
  }

 private:
  // Everything is allocated before the first report or output.
  StatusCode Prepare(IStream* in, IStream* out, std::unique_ptr<CarrierStreamBuffer>& buffer) {
    if (!ws_) ws_ = lzpxj::TakeWorkspace();
    if (!ws_) return kNoMemory;
    buffer.reset(CarrierStreamBuffer::Create(in, out));
    return buffer ? kOk : kNoMemory;
  }

  lzpxj::Workspace* ws_ = nullptr;
};

}  // namespace

ZK_REGISTER_CLASS(Lzpxj)

}  // namespace zk::arc
