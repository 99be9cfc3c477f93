// The engine's test seams: hooks that no caller's object can stand in for
// (the engine makes its file system, entropy pool and writes itself), so
// tests set them here. Defined beside the one piece of code that reads
// each; no production header declares them. Header-only, for benchmarks
// and fuzz targets too.
#pragma once
#include <cstdint>

namespace zk::engine::seam {
// Every write and flush of a file the engine writes, and every rename, is
// counted (FileReplacement.cpp); the one whose count reaches failAt fails
// (0: none fails).
extern uint64_t failAt;
extern uint64_t opCount;
// The mask of new secrets (SecretFormat.cpp). Null: the entropy pool;
// else the low 16 bits of the answer.
extern int32_t (*mask)();
// The free space a secret reports (Secret.cpp). Null: the file system's
// answer.
extern uint64_t (*diskFree)();
}  // namespace zk::engine::seam

namespace zk::engine {
// Puts a clock in place of the system's for Now() (EngineTables.cpp); null
// restores the system's.
void SetClockForTests(uint32_t (*clock)());
}  // namespace zk::engine

namespace enginetest {

// Fails the nth counted write, flush or rename of the engine's files for
// the scope (0: none), the count started again at 0.
struct FaultPlan {
  explicit FaultPlan(uint64_t n) {
    zk::engine::seam::opCount = 0;
    zk::engine::seam::failAt = n;
  }
  ~FaultPlan() { zk::engine::seam::failAt = 0; }
  FaultPlan(const FaultPlan&) = delete;
  FaultPlan& operator=(const FaultPlan&) = delete;
  static uint64_t Count() { return zk::engine::seam::opCount; }
};

}  // namespace enginetest
