// A deterministic random source standing in for crypto.ICipherEntropy
// (splitmix64 from a seed), for the tests and benchmarks that generate keys
// or primes: the same seed always gives the same draws, and the draws cost
// nothing next to the arithmetic. Not reference counted: it lives on the
// caller's stack.
#pragma once
#include <cstdint>
#include <vector>

#include "zk5Cipher.h"

namespace zktest {

class FakeEntropy : public zk::ICipherEntropy {
 public:
  explicit FakeEntropy(uint64_t seed) : state_(seed) {}
  StatusCode QueryInterface(const char*, void**) override { return zk::kNotImplemented; }
  int32_t AddRef() override { return 1; }
  int32_t Release() override { return 1; }
  int32_t GetRefCount() override { return 1; }
  const char* GetClassId() override { return "test.FakeEntropy"; }
  StatusCode SetCipher(zk::IBlockCipher*) override { return zk::kOk; }
  StatusCode GetRandom(void* buffer, uint32_t length) override {
    auto* out = static_cast<uint8_t*>(buffer);
    if (failAfter >= 0 && failAfter-- == 0) return zk::kFatal;
    for (uint32_t i = 0; i < length; ++i) out[i] = uint8_t(Next() >> 56);
    if (record) drawn.push_back(length);
    return zk::kOk;
  }
  uint32_t GetRandomBelow(uint32_t n) override { return n < 2 ? 0 : uint32_t(Next() % n); }

  int failAfter = -1;           // GetRandom calls before one fails with -1
  bool record = true;           // keep the length of every draw in drawn
  std::vector<uint32_t> drawn;  // lengths of the draws, when recording

 private:
  uint64_t Next() {  // splitmix64
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
  }
  uint64_t state_;
};

}  // namespace zktest
