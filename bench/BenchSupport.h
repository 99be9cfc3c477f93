// What the benchmarks share: running the registered benchmarks, making a
// registered class (a benchmark that cannot stops), and timing.
#pragma once
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

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

// The median of some timings (0 for none).
inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The cipher and hash a new user's secrets get: those of the shipped
// kiv_config.txt (beside the program, else in the source tree), read when
// the benchmark runs.
struct ShippedSettings {
  int cipher = 0, hash = 0;
  std::string from;  // the file read
};
inline ShippedSettings ReadShippedSettings() {
  ShippedSettings s;
  for (std::string path : {zktest::ProgramDir() + "/kiv_config.txt", std::string(KIV_SHIPPED_CONFIG)}) {
    std::ifstream f(path);
    if (!f) continue;
    std::string line;
    while (std::getline(f, line)) {
      auto value = [&](const char* key) {
        const std::string k = std::string(key) + "=\"";
        return line.rfind(k, 0) == 0 ? std::atoi(line.c_str() + k.size()) : -1;
      };
      if (value("cipher") >= 0) s.cipher = value("cipher");
      if (value("hash") >= 0) s.hash = value("hash");
    }
    s.from = path;
    break;
  }
  return s;
}

}  // namespace zkbench
