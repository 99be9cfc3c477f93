// What the benchmarks share: running the registered benchmarks, making a
// registered class (a benchmark that cannot stops), and timing.
#pragma once
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

#include "zk5Base.h"
#include "zk5main.h"

namespace zkbench {

using Clock = std::chrono::steady_clock;

// Seconds since a.
inline double Seconds(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

// Runs the benchmarks the command line selects; the program then prints its
// own table.
inline void RunBenchmarks(int* argc, char** argv) {
  benchmark::Initialize(argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}

// A registered class asked for one interface; aborts when either fails.
template <class T>
T* MustCreate(const char* classId, const char* interfaceId) {
  zk::IBase* base = nullptr;
  if (zk_CreateInstance(classId, &base) != 0 || !base) std::abort();
  void* p = nullptr;
  base->QueryInterface(interfaceId, &p);
  base->Release();
  if (!p) std::abort();
  return static_cast<T*>(p);
}

}  // namespace zkbench
