// storage.DynFlowCtrl over file streams in /tmp beside a plain file stream
// moving the same bytes in the same pieces:
//  - one 256 MiB flow in one-sector blocks, written then read sequentially
//    in 64 KiB pieces;
//  - 100,000 flows of 100 bytes: created and written, packed, and the
//    container opened again (blocks copied to a new working stream) and
//    every flow read back.
// After the runs it prints MB/s of each step and the container's time over
// the plain stream's.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "zk5Clsid.h"
#include "zk5Stream.h"
#include "zk5main.h"

namespace {

using Clock = std::chrono::steady_clock;
using zk::IFileStrem;
using zk::IFlowControl;

constexpr uint64_t kBigFlow = 256ull << 20;
constexpr uint32_t kPiece = 64 << 10;
constexpr uint32_t kSmallFlows = 100000;
constexpr uint32_t kSmallSize = 100;


// A file stream on a new file in /tmp, deleted when closed.
IFileStrem* TempFile(const char* tag) {
  static zk::IFileSystem* fs = zkbench::MustCreate<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
  std::string path = "/tmp/kiv_bench_flow_" + std::to_string(getpid()) + "_" + tag;
  IFileStrem* s = nullptr;
  if (fs->CreateFile(path.c_str(), 0x8042, 0x180, &s) != 0 || !s) std::abort();
  return s;
}

struct Figure {
  std::vector<double> runs;  // seconds
  double megabytes = 0;
  double seconds() const { return zkbench::Median(runs); }
};
std::map<std::string, Figure>& Figures() {
  static std::map<std::string, Figure> f;
  return f;
}
// Keeps every run; the table gives their median.
void Record(const std::string& name, Clock::time_point start, uint64_t bytes) {
  double s = std::chrono::duration<double>(Clock::now() - start).count();
  Figure& f = Figures()[name];
  f.runs.push_back(s);
  f.megabytes = double(bytes) / 1e6;
}

void Check(bool ok, benchmark::State& state, const char* what) {
  if (!ok) state.SkipWithError(what);
}

std::vector<uint8_t> Data(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  uint32_t x = seed * 2654435761u + 1;
  for (auto& b : v) b = uint8_t((x = x * 1103515245u + 12345) >> 16);
  return v;
}

// Writes kBigFlow bytes in pieces, goes back and reads them.
void WriteThenRead(IFileStrem* s, const std::string& who, benchmark::State& state) {
  auto data = Data(kPiece, 1);
  std::vector<uint8_t> back(kPiece);
  auto start = Clock::now();
  for (uint64_t done = 0; done < kBigFlow; done += kPiece) Check(s->Write(data.data(), kPiece) == 0, state, "write");
  Record("256 MiB write " + who, start, kBigFlow);
  Check(s->Seek(0, 0) == 0, state, "seek");
  start = Clock::now();
  for (uint64_t done = 0; done < kBigFlow; done += kPiece) {
    uint32_t got = 0;
    Check(s->Read(back.data(), kPiece, &got) == 0 && got == kPiece, state, "read");
  }
  Record("256 MiB read " + who, start, kBigFlow);
  Check(back == data, state, "data differ");
}

void BM_BigPlain(benchmark::State& state) {
  for (auto _ : state) {
    IFileStrem* s = TempFile("plain");
    WriteThenRead(s, "plain", state);
    s->Release();
  }
}

void BM_BigFlow(benchmark::State& state) {
  for (auto _ : state) {
    IFileStrem* c = TempFile("container");
    IFileStrem* w = TempFile("work");
    IFlowControl* f = zkbench::MustCreate<IFlowControl>(zk::id::StorageDynFlowCtrl, zk::id::StreamIFlowControl);
    IFileStrem* s = nullptr;
    Check(f->Create(c, w, 0, 0, 1) == 0 && f->CreateFlow(1, &s) == 0 && s, state, "create");
    WriteThenRead(s, "flow", state);
    s->Release();
    f->Release();
    w->Release();
    c->Release();
  }
}

void BM_SmallPlain(benchmark::State& state) {
  auto data = Data(kSmallSize, 2);
  std::vector<uint8_t> back(kSmallSize);
  const uint64_t total = uint64_t(kSmallFlows) * kSmallSize;
  for (auto _ : state) {
    IFileStrem* s = TempFile("plain_small");
    auto start = Clock::now();
    for (uint32_t i = 0; i < kSmallFlows; ++i) Check(s->Write(data.data(), kSmallSize) == 0, state, "write");
    Record("100,000 x 100 B write plain", start, total);
    start = Clock::now();
    Check(s->Seek(0, 0) == 0, state, "seek");
    for (uint32_t i = 0; i < kSmallFlows; ++i) {
      uint32_t got = 0;
      Check(s->Read(back.data(), kSmallSize, &got) == 0 && got == kSmallSize, state, "read");
    }
    Record("100,000 x 100 B read plain", start, total);
    s->Release();
  }
}

void BM_SmallFlows(benchmark::State& state) {
  auto data = Data(kSmallSize, 2);
  std::vector<uint8_t> back(kSmallSize);
  const uint64_t total = uint64_t(kSmallFlows) * kSmallSize;
  for (auto _ : state) {
    IFileStrem* c = TempFile("small_container");
    IFileStrem* w = TempFile("small_work");
    IFlowControl* f = zkbench::MustCreate<IFlowControl>(zk::id::StorageDynFlowCtrl, zk::id::StreamIFlowControl);
    Check(f->Create(c, w, 0, 0, 1) == 0, state, "create");
    auto start = Clock::now();
    for (uint32_t i = 1; i <= kSmallFlows; ++i) {
      IFileStrem* s = nullptr;
      Check(f->CreateFlow(i, &s) == 0 && s && s->Write(data.data(), kSmallSize) == 0, state, "flow");
      if (s) s->Release();
    }
    Record("100,000 x 100 B write flow", start, total);
    start = Clock::now();
    Check(f->Pack() == 0, state, "pack");
    Record("100,000 x 100 B pack flow", start, total);
    f->Release();
    w->Release();

    IFileStrem* w2 = TempFile("small_work2");
    IFlowControl* g = zkbench::MustCreate<IFlowControl>(zk::id::StorageDynFlowCtrl, zk::id::StreamIFlowControl);
    start = Clock::now();
    Check(g->Open(c, w2, 0, 0) == 0, state, "open");
    Record("100,000 x 100 B open flow", start, total);
    start = Clock::now();
    for (uint32_t i = 1; i <= kSmallFlows; ++i) {
      IFileStrem* s = nullptr;
      uint32_t got = 0;
      Check(g->OpenFlow(i, &s) == 0 && s && s->Read(back.data(), kSmallSize, &got) == 0 && got == kSmallSize,
            state, "read flow");
      if (s) s->Release();
    }
    Record("100,000 x 100 B read flow", start, total);
    Check(back == data, state, "data differ");
    g->Release();
    w2->Release();
    c->Release();
  }
}

BENCHMARK(BM_BigPlain)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BigFlow)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallPlain)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallFlows)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  zkbench::RunBenchmarks(&argc, argv);
  auto& f = Figures();
  std::printf("\n%-28s %10s %10s\n", "step (median of the runs)", "ms", "MB/s");
  for (auto& [name, fig] : f) std::printf("%-28s %10.1f %10.1f\n", name.c_str(), fig.seconds() * 1e3, fig.megabytes / fig.seconds());
  std::printf("\n%-28s %10s\n", "container / plain stream", "time");
  for (const char* what : {"256 MiB write", "256 MiB read", "100,000 x 100 B write", "100,000 x 100 B read"}) {
    std::string a = std::string(what) + " flow", b = std::string(what) + " plain";
    if (f.count(a) && f.count(b)) std::printf("%-28s %10.2f\n", what, f[a].seconds() / f[b].seconds());
  }
  return 0;
}
