// arc.Lzpxj beside gzip -6, zstd -3 and xz -6 on the same files: a text
// corpus (at least 50 MB of documentation, headers and licences found on
// this machine), a binary (programs of /usr/bin) and random bytes, built
// once in /tmp/kiv-arc-bench. Also 10,000 separate 1 KiB Encode calls
// through the class, and the other coders' throughput on text.
// After the runs it prints a table of ratios (output / input) and MB/s.
// Lzpxj runs once with each form of its table search the processor has
// (plain C++, AVX2, AVX-512; all write the same bytes), medians of 3.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "LzpxjCore.h"
#include "CoderTestSupport.h"
#include "MemoryIoTestSupport.h"
#include "ZkTestSupport.h"

namespace {

using namespace zk::arc;
using zkbench::Clock;
using zkbench::Seconds;

const std::string kDir = "/tmp/kiv-arc-bench";

struct Row {
  double ratio = 0, packMBs = 0, unpackMBs = 0;
};
// figures[file][coder]
std::map<std::string, std::map<std::string, Row>>& Figures() {
  static std::map<std::string, std::map<std::string, Row>> f;
  return f;
}
std::vector<std::string>& Notes() {
  static std::vector<std::string> n;
  return n;
}

std::vector<uint8_t> Load(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void Shell(const std::string& cmd) {
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", cmd.c_str());
}

// The three files, made once.
void MakeFiles() {
  Shell("mkdir -p " + kDir);
  // 30 MB of documentation and licences (plain text, HTML, change logs),
  // then 30 MB of C and C++ headers.
  Shell("[ -s " + kDir + "/text ] || { { find /usr/share/doc /usr/share/common-licenses -type f "
        "\\( -name '*.txt' -o -name '*.md' -o -name 'copyright' -o -name 'README*' -o -name "
        "'*.html' -o -name 'changelog*' -o -name 'NEWS*' -o -path '*common-licenses*' \\) ! -name "
        "'*.gz' -print0 2>/dev/null | sort -z | xargs -0 cat 2>/dev/null | head -c 30000000; "
        "find /usr/include -type f -print0 | sort -z | xargs -0 cat 2>/dev/null | "
        "head -c 30000000; } > " + kDir + "/text; }");
  Shell("[ -s " + kDir + "/binary ] || { find /usr/bin -type f -size -8M -print0 | sort -z | "
        "xargs -0 cat 2>/dev/null | head -c 30000000 > " + kDir + "/binary; }");
  Shell("[ -s " + kDir + "/random ] || head -c 16777216 /dev/urandom > " + kDir + "/random");
}

const char* kFiles[] = {"text", "binary", "random"};

// KIV_ARC_CPU_TIME=1: the coder's figures by this thread's processor time
// rather than wall time (for a machine shared with other work).
bool CpuTime() {
  static const bool on = std::getenv("KIV_ARC_CPU_TIME") && *std::getenv("KIV_ARC_CPU_TIME") == '1';
  return on;
}

double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

const char* SearchName(lzpxj::Search s) {
  switch (s) {
    case lzpxj::Search::kAvx512: return "AVX-512";
    case lzpxj::Search::kAvx2: return "AVX2";
    default: return "plain";
  }
}

using zkbench::Median;

// Median of kRuns timed runs of each direction, with the table search in
// the given form.
constexpr int kRuns = 3;

void BM_Lzpxj(benchmark::State& state, const char* file, lzpxj::Search search) {
  if (!lzpxj::SearchAvailable(search)) {
    state.SkipWithError("the processor lacks this form");
    for (auto _ : state) {
    }
    return;
  }
  std::vector<uint8_t> in = Load(kDir + "/" + file);
  std::unique_ptr<lzpxj::Workspace> ws(lzpxj::Workspace::Allocate());
  lzpxj::UseSearch(search);
  Row row;
  for (auto _ : state) {
    std::vector<double> packs, unpacks;
    size_t packedSize = 0;
    for (int run = 0; run < kRuns; ++run) {
    zktest::MemoryIo pack(in);
    pack.output().reserve(in.size() + in.size() / 8);
    auto t0 = Clock::now();
    double c0 = ThreadSeconds();
    lzpxj::Encode(*ws, pack.io(), pack.io(), nullptr, 0);
    double tp = Seconds(t0), cp = ThreadSeconds() - c0;
    const std::vector<uint8_t>& packed = pack.output();
    zktest::MemoryIo unpack(packed);
    unpack.output().reserve(in.size());
    t0 = Clock::now();
    c0 = ThreadSeconds();
    lzpxj::Decode(*ws, unpack.io(), unpack.io(), nullptr, 0);
    double tu = Seconds(t0), cu = ThreadSeconds() - c0;
    if (CpuTime()) tp = cp, tu = cu;
    if (unpack.output() != in) state.SkipWithError("round trip failed");
    packs.push_back(tp);
    unpacks.push_back(tu);
    packedSize = packed.size();
    }
    row = {double(packedSize) / in.size(), in.size() / 1e6 / Median(packs), in.size() / 1e6 / Median(unpacks)};
  }
  lzpxj::UseSearch(lzpxj::BestSearch());
  state.counters["ratio"] = row.ratio;
  state.counters["pack_MBs"] = row.packMBs;
  state.counters["unpack_MBs"] = row.unpackMBs;
  Figures()[file][std::string("Lzpxj ") + SearchName(search)] = row;
}

// A tool run on the same file: "<tool> <level> -c file > packed", then
// "<tool> -d -c packed > /dev/null".
void BM_Tool(benchmark::State& state, const char* file, const char* tool, const char* level) {
  std::string path = kDir + "/" + file;
  std::string packed = kDir + "/" + file + "." + tool;
  double in = double(Load(path).size());
  Row row;
  for (auto _ : state) {
    auto t0 = Clock::now();
    Shell(std::string(tool) + " " + level + " -q -c " + path + " > " + packed);
    double tp = Seconds(t0);
    t0 = Clock::now();
    Shell(std::string(tool) + " -d -q -c " + packed + " > /dev/null");
    double tu = Seconds(t0);
    row = {double(Load(packed).size()) / in, in / 1e6 / tp, in / 1e6 / tu};
  }
  std::remove(packed.c_str());
  state.counters["ratio"] = row.ratio;
  state.counters["pack_MBs"] = row.packMBs;
  state.counters["unpack_MBs"] = row.unpackMBs;
  Figures()[file][std::string(tool) + " " + level] = row;
}

// 10,000 separate Encode calls of 1 KiB each through the class.
void BM_LzpxjSmallCalls(benchmark::State& state) {
  zktest::Coder c(zk::id::ArcLzpxj);
  std::vector<uint8_t> text = Load(kDir + "/text");
  text.resize(10000 * 1024);
  double seconds = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    for (size_t k = 0; k < 10000; ++k) {
      zktest::Vec in(std::vector<uint8_t>(text.begin() + k * 1024, text.begin() + (k + 1) * 1024));
      zktest::Vec out;
      c->Encode(in, out, nullptr, 1024);
    }
    seconds = Seconds(t0);
  }
  state.counters["seconds"] = seconds;
  char line[120];
  std::snprintf(line, sizeof line, "10,000 Encode calls of 1 KiB through arc.Lzpxj: %.3f s", seconds);
  Notes().push_back(line);
}

// Another coder on 4 MB of the text (FlatArc on 256 KiB: its search is slow).
void BM_Coder(benchmark::State& state, const char* id, size_t size) {
  zktest::Coder c(id);
  c->Init(0);
  std::vector<uint8_t> text = Load(kDir + "/text");
  text.resize(size);
  Row row;
  for (auto _ : state) {
    auto t0 = Clock::now();
    std::vector<uint8_t> packed = c.Encode(text);
    double tp = Seconds(t0);
    std::vector<uint8_t> out;
    t0 = Clock::now();
    c.Decode(uint32_t(text.size()), packed, &out);
    double tu = Seconds(t0);
    bool decodes = std::string(id) != zk::id::ArcFlatArc;
    if (decodes && out != text) state.SkipWithError("round trip failed");
    row = {double(packed.size()) / text.size(), size / 1e6 / tp, decodes ? size / 1e6 / tu : 0};
  }
  state.counters["ratio"] = row.ratio;
  state.counters["pack_MBs"] = row.packMBs;
  Figures()["text, first " + std::to_string(size >> 10) + " KiB"][id] = row;
}

void PrintTable() {
  std::printf("\n%-26s %-14s %8s %12s %12s\n", "file (size)", "coder", "ratio", "pack MB/s",
              "unpack MB/s");
  for (auto& [file, rows] : Figures()) {
    std::string name = file;
    for (const char* f : kFiles)
      if (file == f) name += " (" + std::to_string(Load(kDir + "/" + f).size() / 1000000) + " MB)";
    for (auto& [coder, r] : rows)
      std::printf("%-26s %-14s %8.4f %12.2f %12.2f\n", name.c_str(), coder.c_str(), r.ratio,
                  r.packMBs, r.unpackMBs);
  }
  for (auto& n : Notes()) std::printf("%s\n", n.c_str());
}

// Each figure is one timed run: the inputs are large, and the tools are
// spawned once per file.
void Once(benchmark::internal::Benchmark* b) {
  b->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
  MakeFiles();
  for (const char* f : kFiles) {
    for (lzpxj::Search s : {lzpxj::Search::kPlain, lzpxj::Search::kAvx2, lzpxj::Search::kAvx512})
      Once(benchmark::RegisterBenchmark((std::string("Lzpxj/") + f + "/" + SearchName(s)).c_str(), BM_Lzpxj, f, s));
    Once(benchmark::RegisterBenchmark((std::string("gzip-6/") + f).c_str(), BM_Tool, f, "gzip", "-6"));
    Once(benchmark::RegisterBenchmark((std::string("zstd-3/") + f).c_str(), BM_Tool, f, "zstd", "-3"));
    Once(benchmark::RegisterBenchmark((std::string("xz-6/") + f).c_str(), BM_Tool, f, "xz", "-6"));
  }
  Once(benchmark::RegisterBenchmark("Lzpxj/10000x1KiB", BM_LzpxjSmallCalls));
  Once(benchmark::RegisterBenchmark("Arith/text4MB", BM_Coder, zk::id::ArcArith, size_t(4) << 20));
  Once(benchmark::RegisterBenchmark("LZA/text4MB", BM_Coder, zk::id::ArcLZA, size_t(4) << 20));
  Once(benchmark::RegisterBenchmark("ASCIIcoder/text4MB", BM_Coder, zk::id::ArcASCIIcoder,
                               size_t(4) << 20));
  Once(benchmark::RegisterBenchmark("FlatArc/text256KiB", BM_Coder, zk::id::ArcFlatArc,
                               size_t(256) << 10));
  zkbench::RunBenchmarks(&argc, argv);
  PrintTable();
  return 0;
}
