// Streams, progress objects and test data for the coders' tests, fuzz
// targets and benchmarks.
#pragma once
#include <cstdint>
#include <vector>

#include "FakeStream.h"
#include "ToolkitObject.h"
#include "zk5Arc.h"
#include "zk5Stream.h"
#include "zk5Status.h"

namespace zktest {

// The coders' tests read from one fake stream and write to another: an
// input holds its bytes in data, an output collects what was written there.
struct Vec {
  zktest::FakeStream* s;
  Vec() : s(zktest::FakeStream::Make()) {}
  explicit Vec(std::vector<uint8_t> d) : s(zktest::FakeStream::Make(std::move(d))) {}
  ~Vec() { s->Release(); }
  Vec(const Vec&) = delete;
  Vec& operator=(const Vec&) = delete;
  zktest::FakeStream* operator->() { return s; }
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

}  // namespace zktest
