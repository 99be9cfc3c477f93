#include "LzpxjCore.h"

#include "ArcProgress.h"
#include "ByteOrder.h"

#include <emmintrin.h>
#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace zk::arc::lzpxj {

const int32_t kSmooth[175] = {
    -3,   -2,   -2,   -2,   -1,   -1,   0,    0,    0,    1,    1,    2,    2,    3,    4,
    4,    5,    6,    7,    7,    8,    9,    10,   11,   12,   13,   14,   15,   16,   17,
    18,   19,   20,   21,   23,   24,   25,   27,   28,   30,   31,   33,   34,   36,   38,
    39,   41,   43,   45,   47,   49,   51,   54,   56,   58,   61,   63,   66,   69,   72,
    74,   77,   80,   84,   87,   90,   94,   97,   101,  105,  109,  113,  117,  122,  126,
    131,  136,  141,  146,  151,  157,  162,  168,  174,  180,  187,  193,  200,  207,  214,
    222,  230,  238,  246,  255,  263,  273,  282,  292,  302,  312,  323,  334,  345,  357,
    369,  382,  395,  408,  422,  436,  451,  466,  482,  498,  515,  532,  550,  568,  587,
    607,  627,  648,  670,  692,  715,  739,  763,  789,  815,  842,  870,  899,  928,  959,
    991,  1023, 1057, 1092, 1128, 1165, 1204, 1243, 1284, 1327, 1370, 1415, 1462, 1510, 1559,
    1610, 1663, 1718, 1774, 1832, 1892, 1954, 2018, 2085, 2153, 2223, 2296, 2371, 2449, 2529,
    2611, 2697, 2785, 2876, 2970, 3067, 3167, 3270, 3377, 3487};

namespace {
// The increment for each smoothing value up to 90 (116 above).
struct IncrementTable {
  uint8_t a[91];
  constexpr IncrementTable() : a() {
    for (uint32_t e = 0; e <= 90; ++e) {
      a[e] = e <= 35   ? 168
             : e <= 45 ? 160
             : e <= 55 ? 152
             : e <= 60 ? 144
             : e <= 65 ? 140
             : e <= 70 ? 136
             : e <= 75 ? 132
             : e <= 80 ? 128
             : e <= 85 ? 124
                       : 120;
    }
  }
};
constexpr IncrementTable kIncrement;
}  // namespace

uint32_t SmoothIncrement(uint32_t e) { return e <= 90 ? kIncrement.a[e] : 116; }

// ---------------------------------------------------------------- workspace

// The hash table and the block are read at random places for nearly every
// byte coded: huge pages (where the system offers them) spare most of the
// address translation misses.
static void* AllocateLarge(size_t bytes) {
  void* p = std::aligned_alloc(size_t(2) << 20, bytes);
  if (p) madvise(p, bytes, MADV_HUGEPAGE);
  return p;
}

// Zeroed here; kept clean afterwards.
static HashEntry* AllocateHashTable() {
  constexpr size_t kBytes = sizeof(HashEntry) * kHashSize;
  void* p = AllocateLarge(kBytes);
  if (p) std::memset(p, 0, kBytes);
  return static_cast<HashEntry*>(p);
}

Workspace* Workspace::Allocate() {
  std::unique_ptr<Workspace> ws(new Workspace());
  // The block buffer is never read before it is written, so it needs no
  // clearing; the match tables start empty and are kept so.
  ws->block = static_cast<uint8_t*>(AllocateLarge(kBlockSize));
  ws->hash = AllocateHashTable();
  if (!ws->block || !ws->hash) throw std::bad_alloc();
  ws->order2 = new uint32_t[65536]();
  ws->order1 = new uint32_t[256]();
  ws->tables = new FreqTable[kTables];
  return ws.release();
}

Workspace::~Workspace() {
  std::free(block);
  std::free(hash);
  delete[] order2;
  delete[] order1;
  delete[] tables;
}

static inline uint32_t HashOf(uint32_t context) { return ((context >> 11) ^ context) & 0xFFFFF; }

void Workspace::ClearMatchTables() {
  // Cost in proportion to what the block used, not to the tables' size.
  if (dirty > kHashSize / 4) {
    std::memset(hash, 0, sizeof(HashEntry) * kHashSize);
  } else {
    for (uint32_t i = 4; i < dirty; ++i) hash[HashOf(LoadLE32(block + i - 4))] = {0, 0};
  }
  if (dirty > 16384) {
    std::memset(order2, 0, sizeof(uint32_t) * 65536);
  } else {
    for (uint32_t i = 4; i < dirty; ++i) order2[LoadLE16(block + i - 2)] = 0;
  }
  std::memset(order1, 0, sizeof(uint32_t) * 256);
  dirty = 0;
}

namespace {
std::atomic<Workspace*> g_spare{nullptr};
}

Workspace* TakeWorkspace() {
  Workspace* ws = g_spare.exchange(nullptr);
  return ws ? ws : Workspace::Allocate();
}

void GiveBackWorkspace(Workspace* ws) {
  if (!ws) return;
  delete g_spare.exchange(ws);
}

// ---------------------------------------------------------------- model

namespace {

constexpr uint32_t kTop = 1u << 24;

// For the coders' per-symbol steps: inlined whole into the coding loops, the
// coder state stays in registers.
#define LZPXJ_STEP inline __attribute__((always_inline))

class Model {
 public:
  explicit Model(Workspace& ws) : ws_(ws) { std::memset(ws_.ready, 0, sizeof ws_.ready); }

  FreqTable& Table(int k) {
    FreqTable& t = ws_.tables[k];
    if (!ws_.ready[k]) {
      ws_.ready[k] = 1;
      uint32_t n = 256, c = 8;
      if (k >= kFlagBase) {
        n = kFlagSymbols;
        c = 32;
      } else if (k >= kLengthMatched) {
        c = 4;
      }
      for (uint32_t s = 0; s < 256; ++s) t.count[s] = s < n ? c : 0;
      t.total = n * c;
      for (uint32_t g = 0; g < 16; ++g) t.group[g] = (n > 16 * g ? std::min(n - 16 * g, 16u) : 0) * c;
      t.counter = 0;
    }
    return t;
  }
  FreqTable& FlagTable() { return Table(kFlagBase + int(history_)); }
  void NoteFlag(uint32_t flag) { history_ = ((history_ << 1) | (flag != 0 ? 1u : 0u)) & 15u; }

  // Sum of the counts below s: the groups below s's group, then the
  // symbols below s in it, both as masked vector sums (no branches).
  static uint32_t CumBelow(const FreqTable& t, uint32_t s) {
    __m128i sum = _mm_add_epi32(SumFirst(t.group, s >> 4), SumFirst(t.count + (s & ~15u), s & 15));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4E));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xB1));
    return uint32_t(_mm_cvtsi128_si32(sum));
  }

  // Finds the symbol whose cumulative range holds v (v below the total as
  // the literal coding sees it: every count plus e, the count of x taken
  // out). Returns the symbol and its cumulative count in *below. The totals
  // stay far below 2^31, so signed vector comparisons serve.
  static uint32_t Find(const FreqTable& t, uint32_t v, uint32_t e, int x, uint32_t cx,
                       uint32_t* below) {
    uint32_t base, in, g, k;
    if (x < 0) {
      g = Locate16<false>(t.group, 16 * e, 0, 0, v, &base);
      k = Locate16<false>(t.count + 16 * g, e, 0, 0, v - base, &in);
    } else {
      g = Locate16<true>(t.group, 16 * e, x >> 4, cx, v, &base);
      if (int(g) == x >> 4) {
        k = Locate16<true>(t.count + 16 * g, e, x & 15, cx, v - base, &in);
      } else {
        k = Locate16<false>(t.count + 16 * g, e, 0, 0, v - base, &in);
      }
    }
    *below = base + in;
    return 16 * g + k;
  }

  static void Update(FreqTable& t, uint32_t s, uint32_t a) {
    if (t.total > 65536) {
      uint32_t total = 0;
      for (uint32_t g = 0; g < 16; ++g) {
        uint32_t sum = 0;
        for (uint32_t j = 16 * g; j < 16 * g + 16; ++j) {
          uint32_t k = t.count[j] - (t.count[j] >> 1);
          t.count[j] = k;
          sum += k;
        }
        t.group[g] = sum;
        total += sum;
      }
      t.total = total;
    }
    t.count[s] += a;
    t.group[s >> 4] += a;
    t.total += a;
  }

  // Smoothing value of a literal table: from the global counter and the
  // table's own, added and read as signed 32-bit.
  uint32_t Smoothing(const FreqTable& t) const {
    int32_t d = int32_t(global_ + t.counter);
    if (d >= 350) return 3500;
    if (d >= 16) return uint32_t(kSmooth[d / 2]);
    return 0;
  }

  // k: count of the coded symbol before the update; n: the total without
  // the excluded symbol. Written as selections rather than branches: which
  // case holds is hard to foresee on data that does not compress.
  void AdjustCounters(FreqTable& t, uint32_t k, uint32_t n) {
    const bool rare = k < n / 2500;
    const bool shrink = !rare && k > n / 185;
    const uint32_t step = rare ? 12 : 7;
    const uint32_t g = NineTenths(global_), c = NineTenths(t.counter);
    global_ = shrink ? g : global_ + step;
    t.counter = shrink ? c : t.counter + step;
  }

 private:
  // The sums of the first n (0-16) of the sixteen values at p, in four lanes.
  static __m128i SumFirst(const uint32_t* p, uint32_t n) {
    const __m128i limit = _mm_set1_epi32(int(n));
    __m128i lane = _mm_setr_epi32(0, 1, 2, 3);
    __m128i sum = _mm_setzero_si128();
#pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) {
      __m128i w = _mm_load_si128(reinterpret_cast<const __m128i*>(p) + j);
      sum = _mm_add_epi32(sum, _mm_and_si128(_mm_cmplt_epi32(lane, limit), w));
      lane = _mm_add_epi32(lane, _mm_set1_epi32(4));
    }
    return sum;
  }

  // Over the sixteen weights p[j] + add (less sub for j = skip), returns the
  // number of j whose running sum through j is at most v, which is the index
  // whose range holds v, and in *below the sum of the weights before it.
  // The weights are never negative, so those j come first: the index is
  // read off one mask of the comparisons, and the sum from the running sums
  // kept in memory.
  template <bool kSkip>
  static uint32_t Locate16(const uint32_t* p, uint32_t add, int skip, uint32_t sub, uint32_t v,
                           uint32_t* below) {
    const __m128i addv = _mm_set1_epi32(int(add));
    const __m128i skipv = _mm_set1_epi32(skip);
    const __m128i subv = _mm_set1_epi32(int(sub));
    const __m128i limit = _mm_set1_epi32(int(v + 1));
    alignas(16) uint32_t runs[20];  // runs[3] = 0, runs[4 + j]: running sum through j
    runs[3] = 0;
    // Running sums within each group of four, then the sums of the groups
    // before each added (as a tree rather than one after the other).
    __m128i lane = _mm_setr_epi32(0, 1, 2, 3);
    __m128i run[4], sum[4];
#pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) {
      __m128i w = _mm_add_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(p) + j), addv);
      if (kSkip) w = _mm_sub_epi32(w, _mm_and_si128(_mm_cmpeq_epi32(lane, skipv), subv));
      run[j] = _mm_add_epi32(w, _mm_slli_si128(w, 4));
      run[j] = _mm_add_epi32(run[j], _mm_slli_si128(run[j], 8));
      sum[j] = _mm_shuffle_epi32(run[j], 0xFF);
      lane = _mm_add_epi32(lane, _mm_set1_epi32(4));
    }
    const __m128i first2 = _mm_add_epi32(sum[0], sum[1]);
    run[1] = _mm_add_epi32(run[1], sum[0]);
    run[2] = _mm_add_epi32(run[2], first2);
    run[3] = _mm_add_epi32(_mm_add_epi32(run[3], sum[2]), first2);
    __m128i inside[4];
#pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) {
      inside[j] = _mm_cmpgt_epi32(limit, run[j]);  // run <= v
      _mm_store_si128(reinterpret_cast<__m128i*>(runs + 4) + j, run[j]);
    }
    const __m128i bytes = _mm_packs_epi16(_mm_packs_epi32(inside[0], inside[1]),
                                          _mm_packs_epi32(inside[2], inside[3]));
    const uint32_t mask = uint32_t(_mm_movemask_epi8(bytes));  // bit j: run_j <= v
    const uint32_t k = uint32_t(__builtin_ctz(~mask));
    *below = runs[3 + k];
    return k;
  }

  // counter x 9 / 10 in signed 32-bit arithmetic (the product wraps).
  static uint32_t NineTenths(uint32_t c) { return uint32_t(int32_t(c * 9u) / 10); }

  Workspace& ws_;
  uint32_t history_ = 0;
  uint32_t global_ = 0;
};

// Enters position i (i >= 4) in the match tables; context: the four bytes
// before i (little-endian), which the decoder keeps in a register rather
// than read back the bytes it has just stored.
inline void Enter(Workspace& ws, uint32_t context, uint32_t i) {
  ws.hash[HashOf(context)] = {i, context};
  ws.order2[context >> 16] = i;
  ws.order1[context >> 24] = i;
  if (i >= ws.dirty) ws.dirty = i + 1;
}

// Hash-table entries of the decoder's literals, held back until a
// prediction needs the table: each is written kDelay literals after its
// cache line was asked for (at the top of the decoding step), so that a run
// of literals neither waits for a memory access per byte nor stalls the
// stores behind one whose line has not come yet. The order-2 and order-1
// entries go in at once (those tables stay in the cache).
class HashQueue {
 public:
  void Enter(Workspace& ws, uint32_t context, uint32_t i) {
    if (head_ - tail_ == kDelay) WriteOldest(ws);
    slot_[head_ % kDelay] = HashOf(context);
    entry_[head_ % kDelay] = {i, context};
    ++head_;
    ws.order2[context >> 16] = i;
    ws.order1[context >> 24] = i;
    if (i >= ws.dirty) ws.dirty = i + 1;
  }
  // Writes the held entries in their order.
  void Apply(Workspace& ws) {
    while (tail_ != head_) WriteOldest(ws);
  }
  // Forgets the held entries (the block ends and its tables are cleared).
  void Drop() { head_ = tail_ = 0; }

 private:
  void WriteOldest(Workspace& ws) {
    ws.hash[slot_[tail_ % kDelay]] = entry_[tail_ % kDelay];
    ++tail_;
  }
  static constexpr uint32_t kDelay = 16;
  uint32_t slot_[kDelay];
  HashEntry entry_[kDelay];
  uint32_t head_ = 0;  // entries entered
  uint32_t tail_ = 0;  // entries written
};

// Returns the prediction for position i (i >= 4) and enters i in the tables.
inline uint32_t Predict(Workspace& ws, uint32_t context, uint32_t i, int* lengthTable) {
  const HashEntry& e = ws.hash[HashOf(context)];
  uint32_t p;
  if (e.position != 0 && e.context == context) {
    p = e.position;
    *lengthTable = kLengthMatched;
  } else {
    *lengthTable = kLengthOther;
    p = ws.order2[context >> 16];
    if (p == 0) p = ws.order1[context >> 24];
  }
  Enter(ws, context, i);
  return p;
}

// ---------------------------------------------------------------- encoder

// The encoder's output, gathered and handed on a few thousand bytes at a
// time, and its status. Kept apart from the encoder so that the coder
// state, whose address is never taken, can stay in registers.
class OutputBytes {
 public:
  explicit OutputBytes(CarrierStreamBuffer& out) : out_(out) {}
  StatusCode error() const { return error_; }
  void Put(uint8_t b) {
    buf_[fill_++] = b;
    if (fill_ == sizeof buf_) Drain();
  }
  // After a write error nothing more is written.
  __attribute__((noinline)) void Drain() {
    if (!error_ && fill_) error_ = out_.WriteBlock(buf_, fill_);
    fill_ = 0;
  }

 private:
  CarrierStreamBuffer& out_;
  StatusCode error_ = kOk;
  uint32_t fill_ = 0;
  uint8_t buf_[4096];
};

class Encoder {
 public:
  Encoder(Workspace& ws, OutputBytes& out) : model_(ws), out_(out) {}

  StatusCode error() const { return out_.error(); }

  LZPXJ_STEP void CodeFlag(uint32_t flag) {
    FreqTable& t = model_.FlagTable();
    uint32_t c = 0;
    for (uint32_t j = 0; j < flag; ++j) c += t.count[j];
    Code(c, t.count[flag], t.total);
    Model::Update(t, flag, 96);
    model_.NoteFlag(flag);
  }
  LZPXJ_STEP void CodePlain(FreqTable& t, uint32_t s, uint32_t a) {
    Code(Model::CumBelow(t, s), t.count[s], t.total);
    Model::Update(t, s, a);
  }
  // A literal in the table of its preceding byte, with smoothing, and with
  // the symbol x (the byte that ended the last match, or -1) excluded.
  LZPXJ_STEP void CodeLiteral(FreqTable& t, uint32_t s, int x) {
    uint32_t c = Model::CumBelow(t, s);
    uint32_t n = t.total;
    if (x >= 0) {
      uint32_t cx = t.count[x];
      n -= cx;
      if (uint32_t(x) < s) c -= cx;
    }
    uint32_t e = model_.Smoothing(t);
    uint32_t k = t.count[s];
    Code(c + s * e, k + e, n + 256 * e);
    model_.AdjustCounters(t, k, n);
    Model::Update(t, s, SmoothIncrement(e));
  }

  StatusCode Finish() {
    uint32_t l = low_ + 1;
    if (l < low_) carry_ = true;
    low_ = l;
    for (int j = 0; j < 5; ++j) ShiftLow();
    out_.Drain();
    return out_.error();
  }

  Model& model() { return model_; }

 private:
  LZPXJ_STEP void Code(uint32_t c, uint32_t f, uint32_t t) {
    range_ /= t;
    uint32_t l = low_ + c * range_;
    if (l < low_) carry_ = true;
    low_ = l;
    range_ *= f;
    while (range_ < kTop) {
      range_ <<= 8;
      ShiftLow();
    }
  }
  // The cached byte goes out (with the carry added, the pending 0xFF bytes
  // then turning to 0x00) unless low may still carry into it. One test that
  // nearly always holds, rather than one on the carry, which is a coin toss.
  LZPXJ_STEP void ShiftLow() {
    if (low_ < 0xFF000000u || carry_) {
      Put(uint8_t(cache_ + carry_));
      const uint8_t fill = uint8_t(0xFF + carry_);
      for (; pending_; --pending_) Put(fill);
      carry_ = false;
      cache_ = uint8_t(low_ >> 24);
    } else {
      ++pending_;
    }
    low_ <<= 8;
  }
  void Put(uint8_t b) { out_.Put(b); }

  Model model_;
  OutputBytes& out_;
  uint32_t low_ = 0;
  uint32_t range_ = 0xFFFFFFFFu;
  bool carry_ = false;
  uint8_t cache_ = 0;
  uint32_t pending_ = 0;
};

inline uint32_t MatchLength(const uint8_t* block, uint32_t p, uint32_t i, uint32_t n) {
  // The encoder holds the whole block, so an overlapping match is just a
  // comparison of the stored bytes.
  uint32_t k = 0;
  const uint32_t limit = n - i;
  while (k + 8 <= limit) {
    uint64_t a, b;
    std::memcpy(&a, block + p + k, 8);
    std::memcpy(&b, block + i + k, 8);
    uint64_t d = a ^ b;
    if (d) return k + uint32_t(__builtin_ctzll(d) >> 3);
    k += 8;
  }
  while (k < limit && block[p + k] == block[i + k]) ++k;
  return k;
}

// ---------------------------------------------------------------- decoder

// The decoder's input, read a few thousand bytes at a time, and its status.
// Kept apart from the decoder so that the coder state, whose address is
// never taken, can stay in registers.
class InputBytes {
 public:
  explicit InputBytes(CarrierStreamBuffer& in) : in_(in) {}
  StatusCode error() const { return error_; }
  // Keeps the first error.
  void Fail(StatusCode st) {
    if (!error_) error_ = st;
  }
  uint32_t Next() {
    if (pos_ < fill_) return buf_[pos_++];
    return Refill();
  }

 private:
  // Whatever a byte-wise read would meet after the last delivered byte (the
  // end, or a stream error) is met here at the same place, and a later call
  // asks the input again.
  __attribute__((noinline)) uint32_t Refill() {
    StatusCode st = pendingError_;
    pendingError_ = kOk;
    pos_ = fill_ = 0;
    if (st == kOk) {
      uint32_t got = 0;
      st = in_.ReadBlock(buf_, sizeof buf_, &got);
      if (got > 0) {
        fill_ = got > sizeof buf_ ? uint32_t(sizeof buf_) : got;
        pos_ = 1;
        pendingError_ = st;
        return buf_[0];
      }
      if (st == kOk) st = kInputEnd;
    }
    if (st == kInputEnd) {
      // Past the end the input reads as zeros; a valid stream needs none of
      // them, so more than the coder's five-byte look-ahead means the stream
      // has no end flag.
      if (++overrun_ > 5) Fail(kInvalidFormat);
    } else {
      Fail(st);
    }
    return 0;
  }

  CarrierStreamBuffer& in_;
  StatusCode error_ = kOk;
  StatusCode pendingError_ = kOk;  // met after the buffered bytes
  uint32_t overrun_ = 0;
  uint32_t pos_ = 0;
  uint32_t fill_ = 0;
  uint8_t buf_[4096];
};

class Decoder {
 public:
  Decoder(Workspace& ws, InputBytes& in) : model_(ws), in_(in) {}

  void Start() {
    for (int j = 0; j < 5; ++j) code_ = (code_ << 8) | Next();
  }
  StatusCode error() const { return in_.error(); }

  // Returns the symbol, or -1 with error() set.
  LZPXJ_STEP int DecodeFlag() {
    FreqTable& t = model_.FlagTable();
    // v = (code - low) / r is only compared with cumulative counts c, and
    // v >= c exactly when code - low >= c * r (which stays below range), so
    // the walk compares the products and the division is left out. Few
    // symbols, one of them usually far ahead: the branches are mostly
    // foreseen.
    range_ /= t.total;
    const uint32_t r = range_;
    const uint32_t offset = code_ - low_;
    if (offset >= t.total * r) return Corrupt();
    uint32_t s = 0, below = 0;
    while (offset - below >= t.count[s] * r) below += t.count[s++] * r;
    if (s >= kFlagSymbols) return Corrupt();
    Advance(below, t.count[s]);
    Model::Update(t, s, 96);
    model_.NoteFlag(s);
    return int(s);
  }
  LZPXJ_STEP int DecodePlain(FreqTable& t, uint32_t symbols, uint32_t a) {
    range_ /= t.total;
    uint32_t v = (code_ - low_) / range_;
    if (v >= t.total) return Corrupt();
    uint32_t c;
    const uint32_t s = Model::Find(t, v, 0, -1, 0, &c);
    if (s >= symbols || t.count[s] == 0) return Corrupt();
    Take(c, t.count[s]);
    Model::Update(t, s, a);
    return int(s);
  }
  LZPXJ_STEP int DecodeLiteral(FreqTable& t, int x) {
    uint32_t cx = x >= 0 ? t.count[x] : 0;
    uint32_t n = t.total - cx;
    uint32_t e = model_.Smoothing(t);
    uint32_t total = n + 256 * e;
    range_ /= total;
    uint32_t v = (code_ - low_) / range_;
    if (v >= total) return Corrupt();
    uint32_t c;
    const uint32_t s = Model::Find(t, v, e, x, cx, &c);
    const uint32_t f = (int(s) == x ? 0 : t.count[s]) + e;
    if (f == 0) return Corrupt();
    Take(c, f);
    uint32_t k = t.count[s];
    model_.AdjustCounters(t, k, n);
    Model::Update(t, s, SmoothIncrement(e));
    return int(s);
  }

  Model& model() { return model_; }

 private:
  LZPXJ_STEP void Take(uint32_t c, uint32_t f) { Advance(c * range_, f); }
  // low grows by the scaled cumulative count, range is scaled by f.
  LZPXJ_STEP void Advance(uint32_t scaled, uint32_t f) {
    low_ += scaled;
    range_ *= f;
    while (range_ < kTop) {
      code_ = (code_ << 8) | Next();
      low_ <<= 8;
      range_ <<= 8;
    }
  }
  uint32_t Next() { return in_.Next(); }
  int Corrupt() {
    in_.Fail(kInvalidFormat);
    return -1;
  }

  Model model_;
  InputBytes& in_;
  uint32_t low_ = 0;
  uint32_t range_ = 0xFFFFFFFFu;
  uint32_t code_ = 0;
};

// Leaves the match tables clean whatever way a coding ends.
struct CleanTables {
  Workspace& ws;
  ~CleanTables() { ws.ClearMatchTables(); }
};

#undef LZPXJ_STEP

}  // namespace

StatusCode Encode(Workspace& ws, CarrierStreamBuffer& in, CarrierStreamBuffer& out, IProgress* progress,
                  uint32_t total) {
  ProgressReport report(progress, total);
  StatusCode st = report.Start();
  if (st) return st;
  CleanTables clean{ws};
  OutputBytes output(out);
  Encoder enc(ws, output);
  Model& model = enc.model();
  uint8_t* const block = ws.block;
  uint64_t done = 0;
  for (;;) {
    ws.ClearMatchTables();
    uint32_t n = 0;
    st = in.ReadBlock(block, kBlockSize, &n);
    if (st) return st;
    if (n == 0) break;
    int x = -1;
    uint32_t i = 0;
    for (; i < 4 && i < n; ++i) {
      enc.CodeFlag(0);
      enc.CodePlain(model.Table(0), block[i], 80);
    }
    // A literal never equals the excluded symbol here: a match ends on the
    // first differing byte, which is exactly the next literal.
    while (i < n) {
      // Fetch ahead what the coming positions will read, so that the cache
      // misses overlap the coding: the hash entry 16 bytes on (to be read
      // and written), and for 8 bytes on the block bytes its prediction will
      // most likely point at: the hash entry's position when its context
      // matches, else the order-2 entry's.
      if (i + 16 <= n) __builtin_prefetch(&ws.hash[HashOf(LoadLE32(block + i + 12))], 1);
      if (i + 8 <= n) {
        const uint32_t ahead = LoadLE32(block + i + 4);
        const HashEntry& h = ws.hash[HashOf(ahead)];
        __builtin_prefetch(block + (h.context == ahead ? h.position : ws.order2[ahead >> 16]));
        // And the two lines of its literal table a literal there would read.
        const FreqTable& lt = ws.tables[block[i + 7]];
        __builtin_prefetch(lt.group);
        __builtin_prefetch(lt.count + (block[i + 8] & ~15u));
      }
      int lengthTable;
      uint32_t p = Predict(ws, LoadLE32(block + i - 4), i, &lengthTable);
      uint32_t len = MatchLength(block, p, i, n);
      if (len < 2) {
        enc.CodeFlag(0);
        enc.CodeLiteral(model.Table(block[i - 1]), block[i], x);
        x = -1;
        ++i;
      } else {
        if (len <= 8) {
          enc.CodeFlag(len + 1);
        } else {
          enc.CodeFlag(1);
          FreqTable& t = model.Table(lengthTable);
          uint32_t r = len - 9;
          for (uint32_t q = r / 255; q; --q) enc.CodePlain(t, 255, 80);
          enc.CodePlain(t, r % 255, 80);
        }
        x = block[p + len];
        i += len;
      }
      if ((st = enc.error())) return st;
      if ((st = report.At(done + i))) return st;
    }
    done += n;
    if (n < kBlockSize) break;  // a short block: the input has ended
  }
  enc.CodeFlag(2);
  if ((st = enc.Finish())) return st;
  if ((st = out.Flush())) return st;
  return report.Finish();
}

StatusCode Decode(Workspace& ws, CarrierStreamBuffer& in, CarrierStreamBuffer& out, IProgress* progress,
                  uint32_t count) {
  ProgressReport report(progress, count);
  StatusCode st = report.Start();
  if (st) return st;
  CleanTables clean{ws};
  InputBytes input(in);
  Decoder dec(ws, input);
  Model& model = dec.model();
  uint8_t* const block = ws.block;
  uint64_t done = 0;
  dec.Start();
  bool end = false;
  HashQueue queue;
  while (!end) {
    queue.Drop();
    ws.ClearMatchTables();
    uint32_t i = 0;
    int x = -1;
    for (; i < 4; ++i) {
      int flag = dec.DecodeFlag();
      if (flag < 0) return dec.error();
      if (flag == 2) {
        end = true;
        break;
      }
      int s = dec.DecodePlain(model.Table(0), 256, 80);
      if (s < 0) return dec.error();
      block[i] = uint8_t(s);
    }
    uint32_t context = end ? 0 : LoadLE32(block);  // the four bytes before i
    while (!end && i < kBlockSize) {
      if ((st = dec.error())) return st;
      // This position's hash entry, and the group sums of the literal
      // table a literal here would use, come while the flag is decoded.
      __builtin_prefetch(&ws.hash[HashOf(context)], 1);
      __builtin_prefetch(ws.tables[context >> 24].group);
      int flag = dec.DecodeFlag();
      if (flag < 0) return dec.error();
      if (flag == 2) {
        end = true;
        break;
      }
      if (flag == 0) {
        // A literal needs no prediction, only the tables' update; its hash
        // entry waits in the queue until its cache line has come.
        queue.Enter(ws, context, i);
        int s = dec.DecodeLiteral(model.Table(context >> 24), x);
        if (s < 0) return dec.error();
        block[i++] = uint8_t(s);
        context = (context >> 8) | uint32_t(s) << 24;
        x = -1;
      } else {
        queue.Apply(ws);
        int lengthTable;
        const uint32_t p = Predict(ws, context, i, &lengthTable);
        uint32_t len;
        if (flag >= 3) {
          len = uint32_t(flag) - 1;
        } else {  // flag 1: 9 plus the length symbols, 255 meaning more follow
          FreqTable& t = model.Table(lengthTable);
          len = 9;
          for (;;) {
            int s = dec.DecodePlain(t, 256, 80);
            if (s < 0) return dec.error();
            len += uint32_t(s);
            if (len > kBlockSize - i) return kInvalidFormat;
            if (s != 255) break;
          }
        }
        if (len > kBlockSize - i) return kInvalidFormat;  // a copy past the block end
        // Byte by byte: the copy may overlap the bytes it produces.
        for (uint32_t k = 0; k < len; ++k) block[i + k] = block[p + k];
        x = block[p + len];
        i += len;
        context = LoadLE32(block + i - 4);
      }
      if ((st = report.At(done + i))) return st;
    }
    if ((st = dec.error())) return st;
    if (i) {
      if ((st = out.WriteBlock(block, i))) return st;
      done += i;
    }
  }
  if ((st = out.Flush())) return st;
  return report.Finish();
}

}  // namespace zk::arc::lzpxj
