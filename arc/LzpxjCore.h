// The Lzpxj compressor: a hash of the last four bytes predicts the position
// of the next byte; runs of correctly predicted bytes are sent as lengths,
// other bytes as literals; every symbol goes through an adaptive-frequency
// range coder. Stored secrets depend on every detail of the output.
#pragma once
#include <cstdint>

#include "CarrierStreamBuffer.h"
#include "zk5Arc.h"

namespace zk::arc::lzpxj {

inline constexpr uint32_t kBlockSize = 1u << 24;  // 16 MiB blocks
inline constexpr uint32_t kHashSize = 1u << 20;
inline constexpr int kTables = 274;               // 256 literal, 2 length, 16 flag
inline constexpr int kLengthMatched = 256;        // the hash entry matched
inline constexpr int kLengthOther = 257;
inline constexpr int kFlagBase = 258;
inline constexpr uint32_t kFlagSymbols = 10;

// Smoothing table S[i] = trunc((exp(i * 0.03194888178913738) - 1.25) * 13.5),
// kept as constants so no library's exp rounding can change it.
extern const int32_t kSmooth[175];
// Table increment for a smoothing value.
uint32_t SmoothIncrement(uint32_t e);

// Each group of sixteen symbols keeps the running sums of its counts, and
// the groups the running sums of their totals, so that a symbol's
// cumulative count is two loads and its search two comparisons of sixteen
// lanes. Aligned so that each group is one cache line.
struct alignas(64) FreqTable {
  uint32_t cum[256];   // cum[s]: counts of the symbols from the first of s's group through s
  uint32_t group[16];  // group[g]: counts of the symbols 0 to 16g+15 (not kept for a flag table)
  uint32_t total;
  uint32_t counter;  // smoothing counter (32-bit two's complement)
};

struct HashEntry {
  uint32_t position;
  uint32_t context;
};

// Everything one coding needs besides the coder state: the block buffer, the
// model and the match tables. Kept between calls so that small inputs pay
// only for what they use; the match tables are always left clean.
struct Workspace {
  uint8_t* block = nullptr;
  HashEntry* hash = nullptr;
  uint32_t* order2 = nullptr;
  uint32_t* order1 = nullptr;
  FreqTable* tables = nullptr;
  uint8_t ready[kTables] = {};  // table set up in this call
  uint32_t dirty = 0;           // block positions [4, dirty) may have entries

  static Workspace* Allocate();  // throws std::bad_alloc when memory runs out
  ~Workspace();
  // Empties the match tables from the entries the block's positions made.
  void ClearMatchTables();
};

// Workspaces are costly to set up; one released by a coder object is kept
// for the next one (lock-free, single slot).
Workspace* TakeWorkspace();  // throws std::bad_alloc when memory runs out
void GiveBackWorkspace(Workspace* ws);

// The form of the table search the coder uses: plain C++, or the vector
// units of the processor (checked at run time). Every form writes the same
// bytes; the best one the processor has is used unless a test asks for
// another.
enum class Search { kPlain, kAvx2, kAvx512 };
bool SearchAvailable(Search s);
Search BestSearch();
// Uses s from now on (one the processor lacks: the best one); for tests and
// benchmarks.
void UseSearch(Search s);
Search SearchInUse();

// Compresses all of in into out. Returns 0, the first stream error, or the
// non-zero answer of the progress object.
StatusCode Encode(Workspace& ws, CarrierStreamBuffer& in, CarrierStreamBuffer& out, IProgress* progress,
                  uint32_t total);
// Decompresses until the end flag. -14 for input that cannot be a stream
// of this coder (a symbol out of range, a copy past the block end, no end
// flag before the input ran out).
StatusCode Decode(Workspace& ws, CarrierStreamBuffer& in, CarrierStreamBuffer& out, IProgress* progress,
                  uint32_t count);

}  // namespace zk::arc::lzpxj
