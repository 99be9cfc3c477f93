// The read paths of one copy carrier (chosen at build time by KIV_CARRIER)
// over arbitrary bytes in a memory stream, once with memory-stream and once
// with file-stream seeking: never a crash, a hang or a huge allocation.
// Extract delivers exactly what it reports; whatever Embed or Wipe writes
// is again a carrier of the class, and an embedded payload comes back.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "steg/tests/BufferTestStreams.h"
#include "zk5Clsid.h"
#include "zk5Steg.h"
#include "zk5main.h"

namespace {

using zktest::FakeStream;

zk::ICarrierCopy* Carrier() {
  zk::IBase* base = nullptr;
  if (zk_CreateInstance(KIV_CARRIER, &base) != 0 || !base) std::abort();
  void* p = nullptr;
  base->QueryInterface(zk::id::StegICarrierCopy, &p);
  base->Release();
  if (!p) std::abort();
  return static_cast<zk::ICarrierCopy*>(p);
}

// Extracts count bytes; the output holds exactly count bytes on success.
StatusCode Extract(zk::ICarrierCopy* c, FakeStream* carrier, uint64_t count, std::vector<uint8_t>* got) {
  FakeStream* out = FakeStream::Make();
  StatusCode st = c->Extract(carrier, out, count);
  if (st == 0 && out->data.size() != count) std::abort();
  if (got) *got = out->data;
  out->Release();
  return st;
}

void Run(zk::ICarrierCopy* c, const std::vector<uint8_t>& bytes, bool fileSeek) {
  FakeStream* carrier = FakeStream::Make(bytes, fileSeek);
  uint64_t cap = 0, hidden = 0;
  const StatusCode capSt = c->GetCapacity(carrier, &cap);
  if (c->GetHiddenSize(carrier, &hidden) == 0 && hidden > 0) {
    const uint64_t count = hidden < (1u << 20) ? hidden : (1u << 20);
    Extract(c, carrier, count, nullptr);
    Extract(c, carrier, 1, nullptr);
  }
  if (carrier->data != bytes) std::abort();  // only read

  // Embed a small payload and Wipe into second streams.
  const std::vector<uint8_t> payload = {'k', 'i', 'v', 0x00, 0xFF, 0x20, 0x20, 0x20, 0x20, 'z'};
  FakeStream* data = FakeStream::Make(payload, fileSeek);
  FakeStream* out = FakeStream::Make({}, fileSeek);
  const StatusCode embedSt = c->Embed(carrier, data, out);
  if (embedSt == 0) {
    if (capSt != 0 || cap < payload.size()) std::abort();  // accepted beyond its capacity
    FakeStream* again = FakeStream::Make(out->data, fileSeek);
    uint64_t n = 0;
    if (c->GetCapacity(again, &n) != 0) std::abort();
    std::vector<uint8_t> back;
    if (Extract(c, again, payload.size(), &back) != 0 || back != payload) std::abort();
    again->Release();
  }
  FakeStream* wiped = FakeStream::Make({}, fileSeek);
  if (c->Wipe(carrier, wiped) == 0) {
    FakeStream* again = FakeStream::Make(wiped->data, fileSeek);
    uint64_t n = 0;
    if (c->GetCapacity(again, &n) != 0) std::abort();
    again->Release();
  }
  if (carrier->data != bytes) std::abort();
  wiped->Release();
  out->Release();
  data->Release();
  carrier->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static zk::ICarrierCopy* carrier = Carrier();
  std::vector<uint8_t> bytes(data, data + size);
  Run(carrier, bytes, false);
  Run(carrier, bytes, true);
  return 0;
}
