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

// The counts are also summed in groups of sixteen symbols, kept in step, so
// that a cumulative count or a symbol's search takes a fixed number of
// vector steps. Aligned so that each group of counts is one cache line.
struct alignas(64) FreqTable {
  uint32_t count[256];
  uint32_t group[16];  // group[g]: sum of the counts of symbols 16g to 16g+15
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
