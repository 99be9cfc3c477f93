// Streams and progress objects for the coders' tests.
#pragma once
#include <cstdint>
#include <vector>

#include "ToolkitObject.h"
#include "zk5Arc.h"
#include "zk5Stream.h"
#include "zk5Status.h"

namespace arctest {

// A stream over a vector: reads from data, appends writes to written.
// Optional faults: Read fails once readFailAt bytes have been read, Write
// fails once writeFailAt bytes have been written; readPiece limits each
// Read's delivery.
class VecStream final : public zk::ToolkitObject<VecStream, zk::IStream> {
 public:
  static constexpr const char* kClassId = "arctest.VecStream";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::StreamIStream, 0}};

  std::vector<uint8_t> data;
  size_t pos = 0;
  std::vector<uint8_t> written;
  uint64_t readFailAt = UINT64_MAX;
  uint64_t writeFailAt = UINT64_MAX;
  uint32_t readPiece = UINT32_MAX;
  int reads = 0;

  StatusCode IsEnd() override { return pos < data.size() ? 0 : zk::kEndOfStream; }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* got) override;
  StatusCode Write(const void* d, uint32_t length) override;
  StatusCode Close() override { return 0; }
  StatusCode CopyFrom(zk::IStream*, uint64_t) override { return zk::kNotImplemented; }
};

// Holder that releases the stream at scope end.
struct Vec {
  VecStream* s;
  Vec() : s(VecStream::Create()) {}
  explicit Vec(std::vector<uint8_t> d) : s(VecStream::Create()) { s->data = std::move(d); }
  ~Vec() { s->Release(); }
  VecStream* operator->() { return s; }
  operator zk::IStream*() { return s; }
};

// Records every report; answers cancelAt's code once that many reports were made.
class Recorder final : public zk::ToolkitObject<Recorder, zk::IProgress> {
 public:
  static constexpr const char* kClassId = "arctest.Recorder";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::ArcIProgress, 0}};
  std::vector<int32_t> seen;
  size_t cancelAt = SIZE_MAX;
  StatusCode answer = -5;
  StatusCode OnProgress(int32_t percent) override {
    seen.push_back(percent);
    return seen.size() > cancelAt ? answer : 0;
  }
};

// A coder created by class id through the registry, released at scope end.
struct Coder {
  zk::IArc* arc;
  explicit Coder(const char* classId);
  ~Coder();
  Coder(const Coder&) = delete;
  Coder& operator=(const Coder&) = delete;
  zk::IArc* operator->() { return arc; }
  // Encodes data; the status goes to *st (without st a failure gives the
  // bytes EE and the code, which no expectation matches).
  std::vector<uint8_t> Encode(const std::vector<uint8_t>& data, StatusCode* st = nullptr);
  StatusCode Decode(uint32_t count, const std::vector<uint8_t>& packed, std::vector<uint8_t>* out);
};

// True when the reports are 0, then growing values, then 100.
bool WellFormedProgress(const std::vector<int32_t>& seen);

// Deterministic test data.
std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed);
std::vector<uint8_t> Bytes(const char* text);
// A damaged copy of a good stream for round k of a damage test: every
// other round the good stream with one byte changed, else random bytes
// (fewer than randomMax). seed moves on.
std::vector<uint8_t> Damaged(const std::vector<uint8_t>& good, int k, uint32_t* seed,
                             uint32_t randomMax);
// Words from a small vocabulary, like text.
std::vector<uint8_t> WordText(size_t n, uint32_t seed);

}  // namespace arctest
