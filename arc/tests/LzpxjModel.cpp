// A second, deliberately plain Lzpxj decoder, written on its own from the
// format's description: no partial sums, no table reuse, no shortcuts. It
// decodes what the library's encoder writes, so that a mistake made the
// same way in the library's encoder and decoder cannot pass the tests.
#include "LzpxjModel.h"

#include <cmath>
#include <cstdlib>

namespace arctest::model {
namespace {

struct Table {
  std::vector<uint32_t> n;  // counts
  int32_t smooth = 0;
  uint32_t Sum() const {
    uint32_t s = 0;
    for (uint32_t v : n) s += v;
    return s;
  }
  void Bump(int sym, uint32_t inc) {
    if (Sum() > 65536)
      for (auto& v : n) v = v - v / 2;
    n[sym] += inc;
  }
};

struct Range {
  const std::vector<uint8_t>& in;
  size_t pos = 0;
  size_t zeros = 0;
  uint32_t low = 0, range = 0xFFFFFFFFu, code = 0;
  explicit Range(const std::vector<uint8_t>& input) : in(input) {
    for (int k = 0; k < 5; ++k) code = code * 256 + Byte();
  }
  uint32_t Byte() {
    if (pos < in.size()) return in[pos++];
    ++zeros;
    return 0;
  }
  // Returns the symbol whose slot [cum, cum + width) holds the value.
  int Decode(const std::vector<uint64_t>& width) {
    uint64_t t = 0;
    for (uint64_t w : width) t += w;
    range = range / uint32_t(t);
    uint32_t v = (code - low) / range;
    uint64_t c = 0;
    for (size_t s = 0; s < width.size(); ++s) {
      if (v < c + width[s]) {
        low = low + uint32_t(c) * range;
        range = range * uint32_t(width[s]);
        while (range < (1u << 24)) {
          code = code * 256 + Byte();
          low = low * 256;
          range = range * 256;
        }
        return int(s);
      }
      c += width[s];
    }
    return -1;
  }
};

}  // namespace

bool Decode(const std::vector<uint8_t>& stream, std::vector<uint8_t>* out) {
  // Smoothing: computed here with the library's exp; its figures are checked
  // by the tests against the stated values.
  std::vector<int> S(175);
  for (int i = 0; i < 175; ++i) S[i] = int((std::exp(i * 0.03194888178913738) - 1.25) * 13.5);
  auto incFor = [](int e) -> uint32_t {
    const int upto[] = {35, 45, 55, 60, 65, 70, 75, 80, 85, 90};
    const uint32_t inc[] = {168, 160, 152, 144, 140, 136, 132, 128, 124, 120};
    for (int k = 0; k < 10; ++k)
      if (e <= upto[k]) return inc[k];
    return 116;
  };

  std::vector<Table> T(274);
  for (int k = 0; k < 256; ++k) T[k].n.assign(256, 8);
  T[256].n.assign(256, 4);
  T[257].n.assign(256, 4);
  for (int k = 258; k < 274; ++k) T[k].n.assign(10, 32);
  int hist = 0;
  int32_t global = 0;

  Range rc(stream);
  auto plain = [&](Table& t, uint32_t inc) {
    std::vector<uint64_t> w(t.n.begin(), t.n.end());
    int s = rc.Decode(w);
    if (s >= 0) t.Bump(s, inc);
    return s;
  };
  auto flag = [&]() {
    int f = plain(T[258 + hist], 96);
    hist = ((hist * 2) + (f != 0 ? 1 : 0)) % 16;
    return f;
  };
  auto wrap = [](int64_t v) { return int32_t(uint32_t(uint64_t(v))); };
  auto literal = [&](Table& t, int x) {
    uint32_t n = t.Sum() - (x >= 0 ? t.n[x] : 0);
    int32_t d = wrap(int64_t(global) + t.smooth);
    int e = d >= 350 ? 3500 : (d >= 16 ? S[d / 2] : 0);
    std::vector<uint64_t> w(256);
    for (int s = 0; s < 256; ++s) w[s] = (s == x ? 0 : t.n[s]) + uint64_t(e);
    int s = rc.Decode(w);
    if (s < 0) return s;
    uint32_t k = t.n[s];
    if (k < n / 2500) {
      global = wrap(int64_t(global) + 12);
      t.smooth = wrap(int64_t(t.smooth) + 12);
    } else if (k > n / 185) {
      global = wrap(int64_t(global) * 9) / 10;
      t.smooth = wrap(int64_t(t.smooth) * 9) / 10;
    } else {
      global = wrap(int64_t(global) + 7);
      t.smooth = wrap(int64_t(t.smooth) + 7);
    }
    t.Bump(s, incFor(e));
    return s;
  };

  const size_t kBlock = size_t(1) << 24;
  out->clear();
  for (;;) {
    std::vector<uint8_t> b;
    std::vector<std::pair<uint32_t, uint32_t>> hash(1 << 20, {0, 0});
    std::vector<uint32_t> o2(65536, 0), o1(256, 0);
    int x = -1;
    for (int k = 0; k < 4; ++k) {
      int f = flag();
      if (f < 0) return false;
      if (f == 2) {
        out->insert(out->end(), b.begin(), b.end());
        return true;
      }
      int s = plain(T[0], 80);
      if (s < 0) return false;
      b.push_back(uint8_t(s));
    }
    while (b.size() < kBlock) {
      if (rc.zeros > 8) return false;
      int f = flag();
      if (f < 0) return false;
      if (f == 2) {
        out->insert(out->end(), b.begin(), b.end());
        return true;
      }
      uint32_t i = uint32_t(b.size());
      uint32_t ctx = b[i - 4] | b[i - 3] << 8 | b[i - 2] << 16 | uint32_t(b[i - 1]) << 24;
      uint32_t h = ((ctx >> 11) ^ ctx) & 0xFFFFF;
      uint32_t p;
      int lt;
      if (hash[h].first != 0 && hash[h].second == ctx) {
        p = hash[h].first;
        lt = 256;
      } else {
        lt = 257;
        p = o2[b[i - 2] + 256 * b[i - 1]];
        if (p == 0) p = o1[b[i - 1]];
      }
      hash[h] = {i, ctx};
      o2[b[i - 2] + 256 * b[i - 1]] = i;
      o1[b[i - 1]] = i;
      if (f == 0) {
        int s = literal(T[b[i - 1]], x);
        if (s < 0) return false;
        b.push_back(uint8_t(s));
        x = -1;
        continue;
      }
      size_t len;
      if (f >= 3) {
        len = size_t(f - 1);
      } else {
        len = 9;
        for (;;) {
          int s = plain(T[lt], 80);
          if (s < 0) return false;
          len += size_t(s);
          if (s < 255) break;
          if (len > kBlock) return false;
        }
      }
      if (i + len > kBlock) return false;
      for (size_t k = 0; k < len; ++k) b.push_back(b[p + k]);
      x = b[p + len];
    }
    out->insert(out->end(), b.begin(), b.end());
  }
}

}  // namespace arctest::model
