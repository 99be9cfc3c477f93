#include "CoderTestSupport.h"

#include <cstring>

#include "ZkTestSupport.h"

namespace zktest {

Coder::Coder(const char* classId) : arc(zktest::Create<zk::IArc>(classId, zk::id::ArcIArc)) {}

Coder::~Coder() {
  if (arc) arc->Release();
}

std::vector<uint8_t> Coder::Encode(const std::vector<uint8_t>& data, StatusCode* st) {
  Vec in(data), out;
  StatusCode r = arc->Encode(in, out, nullptr, uint32_t(data.size()));
  if (st) *st = r;
  if (r != 0 && !st) return {0xEE, uint8_t(r)};  // shows as a wrong result
  return out->data;
}

StatusCode Coder::Decode(uint32_t count, const std::vector<uint8_t>& packed,
                         std::vector<uint8_t>* out) {
  Vec in(packed), o;
  StatusCode r = arc->Decode(count, in, o, nullptr);
  *out = o->data;
  return r;
}

bool WellFormedProgress(const std::vector<int32_t>& seen) {
  if (seen.size() < 2 || seen.front() != 0 || seen.back() != 100) return false;
  for (size_t i = 1; i + 1 < seen.size(); ++i)
    if (seen[i] <= seen[i - 1] || seen[i] > 100) return false;
  return true;
}

static uint32_t Next(uint32_t& s) {
  s = s * 1664525u + 1013904223u;
  return s >> 8;
}

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = uint8_t(Next(seed));
  return v;
}

std::vector<uint8_t> Damaged(const std::vector<uint8_t>& good, int k, uint32_t* seed,
                             uint32_t randomMax) {
  uint32_t s = *seed = *seed * 69069u + 1;
  if (k % 2 || good.empty()) return RandomBytes(s % randomMax, s);
  std::vector<uint8_t> bad = good;
  bad[(s >> 8) % bad.size()] ^= uint8_t(1 + s % 255);
  return bad;
}

std::vector<uint8_t> Bytes(const char* text) {
  return std::vector<uint8_t>(text, text + std::strlen(text));
}

std::vector<uint8_t> WordText(size_t n, uint32_t seed) {
  static const char* words[] = {"the",   "secret", "is",    "kept",  "in",    "a",
                                "safe",  "file",   "with",  "key",   "and",   "password",
                                "of",    "carrier", "data", "hidden", "text", "message",
                                "open",  "close",  "write", "read",  "stream", "block"};
  std::vector<uint8_t> v;
  while (v.size() < n) {
    const char* w = words[Next(seed) % (sizeof words / sizeof *words)];
    v.insert(v.end(), w, w + std::strlen(w));
    uint32_t r = Next(seed) % 16;
    v.push_back(r == 0 ? '.' : r == 1 ? ',' : ' ');
    if (r == 0) v.push_back('\n');
  }
  v.resize(n);
  return v;
}

}  // namespace zktest
