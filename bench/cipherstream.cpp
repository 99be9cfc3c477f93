// cipher.FileStreamCFB writing and then reading 256 MiB through a file in
// /tmp, beside the same block cipher's raw ECB throughput (whole buffers,
// and one block per call as cipher feedback runs it), for Blowfish and AES32
// (with and without the processor's AES instructions); and drawing 1 MiB
// from cipher.Entropy with and without a whitening cipher. After the runs it
// prints the stream speeds over the raw ones.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "ZkTestSupport.h"
#include "Aes.h"
#include "ModesFaces.h"
#include "zk5Clsid.h"

namespace {

using namespace zk;
// Processor time of this thread (the kernel's file copies included), so
// that other work on the machine does not change the figures.
struct Clock {
  using duration = std::chrono::nanoseconds;
  using time_point = std::chrono::time_point<Clock, duration>;
  static time_point now() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return time_point(duration(int64_t(t.tv_sec) * 1000000000 + t.tv_nsec));
  }
};

constexpr uint32_t kMiB = 1u << 20;
constexpr uint32_t kStreamMiB = 256;

struct Flavour {
  const char* name;
  const char* classId;
  bool aesHardware;
};
const Flavour kFlavours[] = {
    {"Blowfish", id::CipherBlowfish, false},
    {"AES32", id::CipherAES32, true},
    {"AES32 (no AES-NI)", id::CipherAES32, false},
};

// MiB/s of every figure, by flavour and figure name.
std::map<std::string, std::map<std::string, double>>& Figures() {
  static std::map<std::string, std::map<std::string, double>> f;
  return f;
}


IBlockCipher* KeyedCipher(const Flavour& f) {
  cipher::AesUseHardware(f.aesHardware);
  IBlockCipher* bc = zktest::Create<IBlockCipher>(f.classId, id::CryptoIBlockCipher);
  if (!bc) return nullptr;
  uint8_t key[32];
  for (int i = 0; i < 32; ++i) key[i] = uint8_t(i * 29 + 1);
  bc->SetKey(key, bc->GetMaxKeySize() < 32 ? bc->GetMaxKeySize() : 32);
  return bc;
}

double MiBPerSecond(double bytes, Clock::duration spent) {
  return bytes / kMiB / std::chrono::duration<double>(spent).count();
}

// range(1): 0 whole 1 MiB buffers per call; 1 one block per call, each
// call on the previous call's output (the chain every feedback mode runs);
// 2 cipher.Cipher in cipher feedback over 1 MiB buffers in memory.
void BM_RawEcb(benchmark::State& state) {
  const Flavour& f = kFlavours[state.range(0)];
  const int how = int(state.range(1));
  static const char* const kFigure[] = {"ecb", "ecb chain", "cfb memory"};
  state.SetLabel(std::string(f.name) + ", " + kFigure[how]);
  IBlockCipher* bc = KeyedCipher(f);
  ICipher* cfb = zktest::Create<ICipher>(id::CipherCipher, id::CryptoICipher);
  if (!bc || !cfb) return state.SkipWithError("no cipher");
  std::vector<uint8_t> buffer(kMiB, 0x5A);
  const uint32_t n = bc->GetBlockSize();
  cfb->SetBlockCipher(bc, kModeCFB, buffer.data(), n);
  auto start = Clock::now();
  for (auto _ : state) {
    if (how == 1) {
      for (uint32_t at = 0; at + n <= kMiB; at += n) bc->EncryptBlocks(buffer.data(), n);
    } else if (how == 0) {
      bc->EncryptBlocks(buffer.data(), kMiB);
    } else {
      cfb->Encrypt(buffer.data(), kMiB);
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  const double bytes = double(state.iterations()) * kMiB;
  Figures()[f.name][kFigure[how]] = MiBPerSecond(bytes, Clock::now() - start);
  state.SetBytesProcessed(int64_t(bytes));
  cfb->Release();
  bc->Release();
}

IFileSystem* FileSystem() {
  static IFileSystem* fsys = [] {
    char self[4096];
    ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
    self[len > 0 ? len : 0] = 0;
    std::string lib = std::filesystem::path(self).parent_path().string() + "/zk5storage.so";
    if (!dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) return (IFileSystem*)nullptr;
    return zktest::Create<IFileSystem>(id::FosFileSys, id::StreamIFileSystem);
  }();
  return fsys;
}

// One run: 256 MiB written through the stream in 1 MiB calls, then read
// back from the start; the first and last MiB are checked.
void BM_CfbFile(benchmark::State& state) {
  const Flavour& f = kFlavours[state.range(0)];
  state.SetLabel(f.name);
  IFileSystem* fsys = FileSystem();
  IBlockCipher* bc = KeyedCipher(f);
  if (!fsys || !bc) return state.SkipWithError("no file system or cipher");
  char path[] = "/tmp/kiv-cipherstream.XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return state.SkipWithError("no temporary file");
  close(fd);
  std::vector<uint8_t> plain(kMiB), got(kMiB);
  for (uint32_t i = 0; i < kMiB; ++i) plain[i] = uint8_t(i * 131 + (i >> 11));
  const uint32_t n = bc->GetBlockSize();
  std::vector<uint8_t> iv(n, 0x3C);
  Clock::duration writing{}, reading{};
  std::chrono::steady_clock::duration wallWriting{}, wallReading{};
  bool same = true;
  for (auto _ : state) {
    IFileStrem* file = nullptr;
    fsys->CreateFile(path, kOpenCreate | kOpenTruncate | kOpenReadWrite | kOpenBinary, 0600, &file);
    auto* cfs = zktest::Create<ICipherFileStream>(id::CipherFileStreamCFB, id::CryptoICipherFileStream);
    IFileStrem* fs = nullptr;
    if (!file || !cfs || cfs->Attach(file, bc, iv.data(), n) != kOk ||
        !(fs = zktest::Face<IFileStrem>(cfs, id::StreamIFileStrem))) {
      state.SkipWithError("attach failed");
      break;
    }
    auto w0 = std::chrono::steady_clock::now();
    auto t0 = Clock::now();
    for (uint32_t m = 0; m < kStreamMiB; ++m) fs->Write(plain.data(), kMiB);
    auto t1 = Clock::now();
    auto w1 = std::chrono::steady_clock::now();
    fs->Seek(0, kSeekSet);
    for (uint32_t m = 0; m < kStreamMiB; ++m) {
      uint32_t count = 0;
      fs->Read(got.data(), kMiB, &count);
      if ((m == 0 || m == kStreamMiB - 1) && (count != kMiB || got != plain)) same = false;
    }
    auto t2 = Clock::now();
    auto w2 = std::chrono::steady_clock::now();
    writing += t1 - t0;
    reading += t2 - t1;
    wallWriting += w1 - w0;
    wallReading += w2 - w1;
    fs->Close();
    fs->Release();
    cfs->Release();
    file->Release();
  }
  unlink(path);
  bc->Release();
  if (!same) return state.SkipWithError("read back differs");
  const double bytes = double(state.iterations()) * kStreamMiB * kMiB;
  Figures()[f.name]["cfb write"] = MiBPerSecond(bytes, writing);
  Figures()[f.name]["cfb read"] = MiBPerSecond(bytes, reading);
  auto wall = [&](std::chrono::steady_clock::duration d) {
    return bytes / kMiB / std::chrono::duration<double>(d).count();
  };
  Figures()[f.name]["cfb write wall"] = wall(wallWriting);
  Figures()[f.name]["cfb read wall"] = wall(wallReading);
  state.counters["write MiB/s"] = Figures()[f.name]["cfb write"];
  state.counters["read MiB/s"] = Figures()[f.name]["cfb read"];
}

// A fresh cipher.Entropy per run (keyed from the pool when whitened), then
// one draw of 1 MiB.
void BM_Entropy1MiB(benchmark::State& state) {
  const bool whitened = state.range(0) != 0;
  state.SetLabel(whitened ? "Blowfish whitening" : "no whitening");
  std::vector<uint8_t> out(kMiB);
  for (auto _ : state) {
    auto* e = zktest::Create<ICipherEntropy>(id::CipherEntropy, id::CryptoICipherEntropy);
    IBlockCipher* bf = whitened ? zktest::Create<IBlockCipher>(id::CipherBlowfish, id::CryptoIBlockCipher) : nullptr;
    if (!e || (whitened && (!bf || e->SetCipher(bf) != kOk)) || e->GetRandom(out.data(), kMiB) != kOk) {
      state.SkipWithError("draw failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
    if (bf) bf->Release();
    e->Release();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kMiB);
}

BENCHMARK(BM_RawEcb)->ArgsProduct({{0, 1, 2}, {0, 1, 2}})->Unit(benchmark::kMillisecond)->MinTime(0.3);
BENCHMARK(BM_CfbFile)->DenseRange(0, 2)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Entropy1MiB)->DenseRange(0, 1)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  zkbench::RunBenchmarks(&argc, argv);
  std::printf("\n%-18s %9s %9s %9s %9s %9s %7s %7s %7s %7s\n", "MiB/s (CPU)", "ECB", "ECB chain",
              "CFB mem", "CFB write", "CFB read", "w/ECB", "r/ECB", "w/chain", "r/chain");
  for (const Flavour& f : kFlavours) {
    auto& v = Figures()[f.name];
    if (!v.count("ecb") || !v.count("ecb chain") || !v.count("cfb write")) continue;
    std::printf("%-18s %9.0f %9.0f %9.0f %9.0f %9.0f %7.2f %7.2f %7.2f %7.2f\n", f.name, v["ecb"],
                v["ecb chain"], v["cfb memory"], v["cfb write"], v["cfb read"], v["cfb write"] / v["ecb"],
                v["cfb read"] / v["ecb"], v["cfb write"] / v["ecb chain"], v["cfb read"] / v["ecb chain"]);
  }
  std::printf("(ECB: 1 MiB per call; ECB chain: one block per call on the previous output, the\n"
              " bound of any feedback mode; CFB mem: cipher.Cipher on 1 MiB buffers; CFB write/read:\n"
              " cipher.FileStreamCFB through a file of 256 MiB; all by this thread's processor time)\n");
  std::printf("\n%-18s %11s %11s %11s %11s\n", "CFB file MiB/s", "write CPU", "write wall", "read CPU",
              "read wall");
  for (const Flavour& f : kFlavours) {
    auto& v = Figures()[f.name];
    if (!v.count("cfb write wall")) continue;
    std::printf("%-18s %11.0f %11.0f %11.0f %11.0f\n", f.name, v["cfb write"], v["cfb write wall"], v["cfb read"],
                v["cfb read wall"]);
  }
  std::printf("(wall: as a user waits, the page cache's write-back and other work on the machine included)\n");
}
