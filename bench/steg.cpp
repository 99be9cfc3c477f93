// Carriers over files of fos.FileSys: embed, extract and wipe on a 100 MB
// BMP, a 100 MB WAVE and a 10 MB text made in /tmp by the benchmark (and
// removed at its end), each beside a plain copy of the same file in 64 KiB
// pieces from one file stream to another in the same run. Every figure is
// MB (10^6 bytes) of carrier file processed per second. After the runs it
// prints each operation's rate over the plain copy's, and the peak memory
// of the process.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "ZkTestSupport.h"
#include "zk5Clsid.h"
#include "zk5Steg.h"
#include "zk5main.h"

namespace {

using namespace zk;

IFileSystem* Fs() {
  static IFileSystem* fs = zktest::Create<IFileSystem>(id::FosFileSys, id::StreamIFileSystem);
  return fs;
}

IFileStrem* Open(const std::string& path, bool create) {
  IFileStrem* s = nullptr;
  StatusCode st = create ? Fs()->CreateFile(path.c_str(), kOpenBinary | kOpenReadWrite, 0600, &s)
                         : Fs()->OpenFile(path.c_str(), kOpenBinary | kOpenReadWrite, &s);
  if (st != kOk || !s) {
    std::fprintf(stderr, "cannot open %s (%d)\n", path.c_str(), st);
    std::exit(1);
  }
  return s;
}

void Check(StatusCode st, const char* what) {
  if (st != kOk) {
    std::fprintf(stderr, "%s failed with %d\n", what, st);
    std::exit(1);
  }
}

using zkbench::Next;

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Writes header then body bytes from fill(piece, n) in 64 KiB pieces.
template <class Fill>
void MakeFile(const std::string& path, const std::vector<uint8_t>& header, uint64_t body, Fill fill) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::exit(1);
  std::fwrite(header.data(), 1, header.size(), f);
  std::vector<uint8_t> piece(65536);
  for (uint64_t done = 0; done < body;) {
    size_t n = size_t(std::min<uint64_t>(piece.size(), body - done));
    fill(piece.data(), n);
    std::fwrite(piece.data(), 1, n, f);
    done += n;
  }
  std::fclose(f);
}

void MakeBmp(const std::string& path) {
  const uint32_t w = 5000, h = 6667;  // 24 bits: 100,005,054 bytes
  const uint64_t body = uint64_t(w) * h * 3;
  std::vector<uint8_t> hd(54, 0);
  hd[0] = 'B';
  hd[1] = 'M';
  Put32(&hd[2], uint32_t(54 + body));
  Put32(&hd[10], 54);
  Put32(&hd[14], 40);
  Put32(&hd[18], w);
  Put32(&hd[22], h);
  hd[26] = 1;
  hd[28] = 24;
  uint64_t x = 88172645463325252ull;
  MakeFile(path, hd, body, [&](uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) p[i] = uint8_t(Next(x));
  });
}

void MakeWave(const std::string& path) {
  const uint32_t body = 100000000;  // 16-bit mono samples
  std::vector<uint8_t> hd(44, 0);
  std::memcpy(&hd[0], "RIFF", 4);
  Put32(&hd[4], 36 + body);
  std::memcpy(&hd[8], "WAVEfmt ", 8);
  Put32(&hd[16], 16);
  hd[20] = 1;  // PCM
  hd[22] = 1;  // mono
  Put32(&hd[24], 44100);
  Put32(&hd[28], 88200);
  hd[32] = 2;
  hd[34] = 16;
  std::memcpy(&hd[36], "data", 4);
  Put32(&hd[40], body);
  uint64_t x = 0x9E3779B97F4A7C15ull;
  MakeFile(path, hd, body, [&](uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) p[i] = uint8_t(Next(x));
  });
}

// Words of 1 to 9 letters, mostly single blanks, some double blanks, lines
// of about 70 characters, some of them indented.
void MakeText(const std::string& path) {
  uint64_t x = 0x2545F4914F6CDD1Dull;
  uint32_t column = 0;
  MakeFile(path, {}, 10000000, [&](uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      uint64_t r = Next(x);
      if (column > 70 && (r & 7) == 0) {
        p[i] = '\n';
        column = 0;
      } else if (column == 0 && (r & 31) == 1) {
        p[i] = ' ';
      } else if ((r & 7) == 2 && column != 0) {
        p[i] = ' ';
        ++column;
      } else {
        p[i] = uint8_t('a' + (r >> 8) % 26);
        ++column;
      }
    }
  });
}

struct Carrier {
  const char* name;
  const char* classId;
  std::string path, dataPath, outPath;
  uint64_t size = 0, capacity = 0;
  bool direct = false;
};

std::vector<Carrier>& Carriers() {
  static std::vector<Carrier> c;
  return c;
}

// Seconds per operation, by "carrier/operation".
std::map<std::string, double>& Figures() {
  static std::map<std::string, double> f;
  return f;
}

using Clock = std::chrono::steady_clock;

// Copies the carrier file to the output file in 64 KiB pieces.
void PlainCopy(const Carrier& c) {
  IFileStrem* in = Open(c.path, false);
  IFileStrem* out = Open(c.outPath, true);
  std::vector<uint8_t> piece(65536);
  for (;;) {
    uint32_t got = 0;
    Check(in->Read(piece.data(), uint32_t(piece.size()), &got), "read");
    if (got == 0) break;
    Check(out->Write(piece.data(), got), "write");
  }
  out->Release();
  in->Release();
}

void RunOperation(const Carrier& c, const std::string& op) {
  if (op == "copy") return PlainCopy(c);
  ICarrier* steg = zktest::Create<ICarrier>(c.classId, id::StegICarrier);
  IFileStrem* carrier = Open(c.path, false);
  if (op == "extract") {
    IFileStrem* out = Open(c.outPath, true);
    Check(steg->Extract(carrier, out, c.capacity), "Extract");
    out->Release();
  } else if (c.direct) {
    auto* direct = static_cast<ICarrierDirect*>(steg);
    if (op == "embed") {
      IFileStrem* data = Open(c.dataPath, false);
      Check(direct->Embed(carrier, data), "Embed");
      data->Release();
    } else {
      Check(direct->Wipe(carrier), "Wipe");
    }
  } else {
    auto* copy = static_cast<ICarrierCopy*>(steg);
    IFileStrem* out = Open(c.outPath, true);
    if (op == "embed") {
      IFileStrem* data = Open(c.dataPath, false);
      Check(copy->Embed(carrier, data, out), "Embed");
      data->Release();
    } else {
      Check(copy->Wipe(carrier, out), "Wipe");
    }
    out->Release();
  }
  carrier->Release();
  steg->Release();
}

void Register() {
  for (size_t i = 0; i < Carriers().size(); ++i) {
    for (const char* op : {"copy", "embed", "extract", "wipe"}) {
      const std::string name = std::string(Carriers()[i].name) + "/" + op;
      benchmark::RegisterBenchmark(name.c_str(), [i, op, name](benchmark::State& state) {
        const Carrier& c = Carriers()[i];
        std::vector<double> runs;
        for (auto _ : state) {
          auto t0 = Clock::now();
          RunOperation(c, op);
          runs.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
        }
        state.SetBytesProcessed(int64_t(state.iterations() * c.size));
        Figures()[name] = zkbench::Median(runs);
      })->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
    }
  }
}

void Prepare() {
  const std::string base = "/tmp/kiv_bench_steg." + std::to_string(getpid());
  Carriers() = {{"bmp", id::StegBMP, base + ".bmp", base + ".bmp.data", base + ".bmp.out", 0, 0, true},
                {"wave", id::StegWAVE, base + ".wav", base + ".wav.data", base + ".wav.out", 0, 0, true},
                {"text", id::StegText, base + ".txt", base + ".txt.data", base + ".txt.out", 0, 0, false}};
  MakeBmp(Carriers()[0].path);
  MakeWave(Carriers()[1].path);
  MakeText(Carriers()[2].path);
  for (Carrier& c : Carriers()) {
    ICarrier* steg = zktest::Create<ICarrier>(c.classId, id::StegICarrier);
    IFileStrem* s = Open(c.path, false);
    Check(s->GetSize(&c.size), "GetSize");
    Check(steg->GetCapacity(s, &c.capacity), "GetCapacity");
    s->Release();
    steg->Release();
    // Hidden data filling the whole capacity.
    uint64_t x = c.capacity + 1;
    MakeFile(c.dataPath, {}, c.capacity, [&](uint8_t* p, size_t n) {
      for (size_t i = 0; i < n; ++i) p[i] = uint8_t(Next(x));
    });
  }
}

void Cleanup() {
  for (const Carrier& c : Carriers())
    for (const std::string& p : {c.path, c.dataPath, c.outPath}) std::remove(p.c_str());
}

void PrintTable() {
  std::printf("\n%-6s %12s %9s %12s %12s %12s\n", "file", "size MB", "hidden MB", "copy MB/s", "op", "MB/s (x copy)");
  for (const Carrier& c : Carriers()) {
    if (!Figures().count(std::string(c.name) + "/copy")) continue;  // filtered out
    const double mb = double(c.size) / 1e6;
    const double copy = mb / Figures()[std::string(c.name) + "/copy"];
    for (const char* op : {"embed", "extract", "wipe"}) {
      const double rate = mb / Figures()[std::string(c.name) + "/" + op];
      std::printf("%-6s %12.1f %9.2f %12.0f %12s %8.0f (%.2fx)\n", c.name, mb, double(c.capacity) / 1e6, copy, op,
                  rate, rate / copy);
    }
  }
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  std::printf("peak resident memory of the process: %.1f MB\n", double(u.ru_maxrss) / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  // fos.FileSys comes from zk5storage.so beside the benchmark.
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return 1;
  path[n] = 0;
  std::string dir(path);
  dir = dir.substr(0, dir.find_last_of('/'));
  if (!dlopen((dir + "/zk5storage.so").c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE) || !Fs()) {
    std::fprintf(stderr, "cannot load zk5storage.so\n");
    return 1;
  }
  Prepare();
  Register();
  zkbench::RunBenchmarks(&argc, argv);
  PrintTable();
  Cleanup();
  return 0;
}
