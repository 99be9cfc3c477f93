// What the benchmarks share: running the registered benchmarks, making a
// registered class (a benchmark that cannot stops), and timing.
#pragma once
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

#include "ZkTest.h"

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

using zktest::MustCreate;

}  // namespace zkbench
