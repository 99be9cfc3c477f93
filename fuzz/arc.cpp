// Decoding of arbitrary bytes by one coder of zk5arc (chosen at build time
// by KIV_ARC_CODER, a class id): never a crash, a hang or a read outside
// memory; never more output than the count asks for (Lzpxj, which stores
// its own end, is held by its output stream's limit instead).
// Input: two bytes of count (little-endian), then the coded stream. The
// seeds (fuzz/seeds/fuzz_arc_*) are the known streams of the coders' tests
// behind their counts.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "FuzzSupport.h"
#include "zk5Arc.h"

namespace {

constexpr uint64_t kOutputLimit = uint64_t(32) << 20;

zk::IArc* TheCoder() {
  static zk::IArc* arc = zkfuzz::MustCreate<zk::IArc>(KIV_ARC_CODER, zk::id::ArcIArc);
  return arc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint32_t count = uint32_t(data[0]) | uint32_t(data[1]) << 8;
  zk::IArc* arc = TheCoder();
  if (arc->Init(0) != 0) abort();
  zktest::FakeStream* in = zktest::FakeStream::Make(zkfuzz::Bytes(data + 2, size - 2));
  zktest::FakeStream* out = zktest::FakeStream::Make();
  out->writeFailAt = kOutputLimit;
  StatusCode st = arc->Decode(count, in, out, nullptr);
  const size_t written = out->data.size();
  in->Release();
  out->Release();
  const bool isLzpxj = std::strcmp(KIV_ARC_CODER, zk::id::ArcLzpxj) == 0;
  if (!isLzpxj && written > count) abort();
  if (st == 0 && !isLzpxj && written != count) abort();
  if (st > 0) abort();
  return 0;
}
