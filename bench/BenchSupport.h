// What the benchmarks share: running the registered benchmarks, making a
// registered class (a benchmark that cannot stops), timing, shell commands
// and the generated input files.
#pragma once
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "ZkTestSupport.h"

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

// Runs a shell command, its output discarded; true when it exits 0.
inline bool Sh(const std::string& cmd) { return std::system(("(" + cmd + ") >/dev/null 2>&1").c_str()) == 0; }

// The size of a file (0 when it cannot be read).
inline uint64_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
}

// xorshift64: the next value of the stream seeded by x.
inline uint64_t Next(uint64_t& x) {
  x ^= x << 13;
  x ^= x >> 7;
  x ^= x << 17;
  return x;
}

// Text-like data: lines of words of a small vocabulary, as prose and logs.
inline void WriteText(const std::string& path, uint64_t bytes) {
  static const char* words[] = {"the", "secret", "of", "a", "message", "is", "kept", "in", "files", "and",
                                "carriers", "under", "password", "which", "only", "one", "person", "knows",
                                "2026-12-11", "status", "ok", "error", "value", "=", "42", "user", "data"};
  FILE* f = std::fopen(path.c_str(), "wb");
  uint64_t x = 88172645463325252ull, written = 0;
  std::string line;
  while (written < bytes) {
    line.clear();
    const int n = 5 + int(Next(x) % 12);
    for (int i = 0; i < n; ++i) {
      line += words[Next(x) % (sizeof words / sizeof *words)];
      line += i + 1 < n ? ' ' : '\n';
    }
    const uint64_t take = std::min<uint64_t>(line.size(), bytes - written);
    std::fwrite(line.data(), 1, take, f);
    written += take;
  }
  std::fclose(f);
}

// Random data, the same bytes every run.
inline void WriteRandom(const std::string& path, uint64_t bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  std::vector<uint64_t> block(1 << 16);
  uint64_t x = 0x9E3779B97F4A7C15ull;
  for (uint64_t done = 0; done < bytes;) {
    for (auto& v : block) v = Next(x);
    const uint64_t take = std::min<uint64_t>(block.size() * 8, bytes - done);
    std::fwrite(block.data(), 1, take, f);
    done += take;
  }
  std::fclose(f);
}

}  // namespace zkbench
