#include "LzpxjCore.h"

#include "ArcProgress.h"
#include "ByteOrder.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define LZPXJ_X86 1
#endif
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

// ---------------------------------------------------------------- coding

// One copy of the coding loops per form of the table search, each compiled
// for its own instruction set.
namespace {
namespace plain {
#define LZPXJ_VECTOR 0
#include "LzpxjCoding.inc"
#undef LZPXJ_VECTOR
}  // namespace plain
}  // namespace

#if LZPXJ_X86
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,bmi,bmi2,popcnt,lzcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,bmi,bmi2,popcnt,lzcnt")
#endif
namespace {
namespace avx2 {
#define LZPXJ_VECTOR 2
#include "LzpxjCoding.inc"
#undef LZPXJ_VECTOR
}  // namespace avx2
}  // namespace
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,bmi,bmi2,popcnt,lzcnt,avx512f,avx512vl,avx512bw,avx512dq"))), \
                             apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,bmi,bmi2,popcnt,lzcnt,avx512f,avx512vl,avx512bw,avx512dq")
#endif
namespace {
namespace avx512 {
#define LZPXJ_VECTOR 5
#include "LzpxjCoding.inc"
#undef LZPXJ_VECTOR
}  // namespace avx512
}  // namespace
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

namespace {

bool Detect(Search s) {
  switch (s) {
    case Search::kPlain: return true;
#if LZPXJ_X86
    case Search::kAvx2:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") &&
             __builtin_cpu_supports("popcnt");
    case Search::kAvx512:
      return Detect(Search::kAvx2) && __builtin_cpu_supports("avx512f") &&
             __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("avx512dq");
#endif
    default: return false;
  }
}

Search DetectBest() {
  if (Detect(Search::kAvx512)) return Search::kAvx512;
  if (Detect(Search::kAvx2)) return Search::kAvx2;
  return Search::kPlain;
}

const Search kBest = DetectBest();
std::atomic<Search> gSearch{kBest};

}  // namespace

bool SearchAvailable(Search s) { return Detect(s); }
Search BestSearch() { return kBest; }
void UseSearch(Search s) { gSearch.store(SearchAvailable(s) ? s : kBest, std::memory_order_relaxed); }
Search SearchInUse() { return gSearch.load(std::memory_order_relaxed); }

StatusCode Encode(Workspace& ws, CarrierStreamBuffer& in, CarrierStreamBuffer& out, IProgress* progress,
                  uint32_t total) {
  switch (SearchInUse()) {
#if LZPXJ_X86
    case Search::kAvx512: return avx512::EncodeWith(ws, in, out, progress, total);
    case Search::kAvx2: return avx2::EncodeWith(ws, in, out, progress, total);
#endif
    default: return plain::EncodeWith(ws, in, out, progress, total);
  }
}

StatusCode Decode(Workspace& ws, CarrierStreamBuffer& in, CarrierStreamBuffer& out, IProgress* progress,
                  uint32_t count) {
  switch (SearchInUse()) {
#if LZPXJ_X86
    case Search::kAvx512: return avx512::DecodeWith(ws, in, out, progress, count);
    case Search::kAvx2: return avx2::DecodeWith(ws, in, out, progress, count);
#endif
    default: return plain::DecodeWith(ws, in, out, progress, count);
  }
}

}  // namespace zk::arc::lzpxj
