// A safe secret (password, the cipher and hash of the shipped kiv_config.txt
// read at run time, plain .kvs file) of a tree of many
// small files and of one of a few large ones: add all (compressed), commit,
// reopen, extract all; beside the same run's figures for the same bytes
// through the stages the safe is made of (arc.Lzpxj encode and decode, a
// storage.DynFlowCtrl over temporary files written, packed, opened and
// read, cipher.FileStreamCFB written and read), and beside
//   tar c DIR | gpg --symmetric   and   gpg -d | tar x
//   7z a -p -mhe=on               and   7z x
// (every peer's output tree compared with the input before its time counts)
// when those programs are present. Each safe run happens in a child process
// whose peak memory is reported. A third pair of runs adds and commits
// 1,000 and 10,000 files of 1-4 KiB to show the cost per file.
//
// KIV_SAFE_BENCH_SCALE (default 1) scales the file counts: 1 means 10,000
// files of 1-64 KiB and 100 files of 10 MB.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "EngineFactories.h"
#include "kvSafeDriver.h"
#include "zk5BlockCipher.h"
#include "zk5Cipher.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;


double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

void Check(StatusCode st, const char* what) {
  if (st != 0) {
    std::fprintf(stderr, "%s failed: %d\n", what, st);
    std::exit(3);
  }
}

std::string Root() {
  static std::string root = "/tmp/kiv_bench_safe_" + std::to_string(getpid());
  return root;
}

double Scale() {
  const char* s = std::getenv("KIV_SAFE_BENCH_SCALE");
  double v = s ? std::atof(s) : 1.0;
  return v > 0 ? v : 1.0;
}

// File bytes of a kind a folder of documents holds: runs of words with
// numbers, now and then a stretch of random bytes.
std::vector<uint8_t> Content(size_t n, std::mt19937& rng) {
  static const char* words[] = {"the", "safe", "keeps", "folder", "report", "of", "quarter", "and", "file",
                                "data", "number", "secret", "table", "value", "line"};
  std::vector<uint8_t> v;
  v.reserve(n);
  while (v.size() < n) {
    if (rng() % 16 == 0) {
      for (int i = 0; i < 200 && v.size() < n; ++i) v.push_back(uint8_t(rng()));
    } else {
      std::string w = std::string(words[rng() % std::size(words)]) + (rng() % 4 ? " " : std::to_string(rng() % 1000) + "\n");
      for (char c : w) {
        if (v.size() < n) v.push_back(uint8_t(c));
      }
    }
  }
  return v;
}

struct Tree {
  std::string name;
  std::string dir;
  std::vector<std::string> files;  // names inside dir
  uint64_t bytes = 0;
};

Tree MakeTree(const std::string& name, size_t count, size_t minSize, size_t maxSize, uint32_t seed) {
  Tree t;
  t.name = name;
  t.dir = Root() + "/" + name;
  fs::create_directories(t.dir);
  std::mt19937 rng(seed);
  for (size_t i = 0; i < count; ++i) {
    const size_t size = minSize + (maxSize > minSize ? rng() % (maxSize - minSize + 1) : 0);
    std::vector<uint8_t> bytes = Content(size, rng);
    std::string file = "f" + std::to_string(i) + ".dat";
    std::ofstream(t.dir + "/" + file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                std::streamsize(bytes.size()));
    t.files.push_back(file);
    t.bytes += size;
  }
  return t;
}

std::vector<uint8_t> ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

zk::IFileStrem* TempStream(zk::IFileSystem* fsys) {
  char* name = nullptr;
  Check(fsys->MakeTempName(&name), "MakeTempName");
  zk::IFileStrem* s = nullptr;
  Check(fsys->CreateFile(name, 0x8042, 0x180, &s), "temporary file");
  zk_free(name);
  return s;
}

// ---------------------------------------------------------------- the safe

struct SafeFigures {
  double add = 0, commit = 0, reopen = 0, extract = 0;
  uint64_t secretBytes = 0;
  long peakKiB = 0;
  bool realSecret = false;
};

zk::SecretParams Params() {
  zk::SecretParams p{};
  p.contentType = zk::kContentSafe;
  p.format = zk::kFormatSecretFile;
  static const zkbench::ShippedSettings shipped = zkbench::ReadShippedSettings();
  p.hashIndex = uint8_t(shipped.hash);
  p.cipherIndex = uint8_t(shipped.cipher);
  p.headerByte = 1;
  const char pw[] = "a benchmark password";
  p.keyLength = sizeof pw - 1;
  std::memcpy(p.key, pw, sizeof pw - 1);
  return p;
}

zk::ISafe* AsSafe(zk::IBase* content) {
  auto* safe = zktest::MustFace<zk::ISafe>(content, zk::id::KivISafe);
  content->Release();
  return safe;
}

// Runs in a child process: the figures go to `out`.
void RunSafe(const Tree& t, bool extract, const std::string& out) {
  SafeFigures f;
  const std::string path = Root() + "/" + t.name + ".kvs";
  zk::IKivSecret* secret = nullptr;
  Check(zk::engine::MakeSecret(nullptr, &secret), "secret (is kiv.Secret built?)");
  f.realSecret = true;
  zk::SecretParams p = Params();
  zk::IBase* content = nullptr;
  Check(secret->Create(path.c_str(), &p, &content), "Create");
  zk::ISafe* safe = AsSafe(content);

  auto start = Clock::now();
  for (const std::string& file : t.files) Check(safe->AddFile("\\", (t.dir + "/" + file).c_str(), 1, nullptr), "AddFile");
  f.add = Seconds(start);
  start = Clock::now();
  Check(safe->Commit(), "Commit");
  f.commit = Seconds(start);
  safe->Release();
  secret->Close();
  f.secretBytes = fs::file_size(path);

  start = Clock::now();
  content = nullptr;
  Check(secret->Open(path.c_str(), &p, &content), "Open");
  safe = AsSafe(content);
  f.reopen = Seconds(start);
  if (extract) {
    const std::string outDir = Root() + "/" + t.name + ".safe-out";
    fs::create_directories(outDir);
    start = Clock::now();
    for (const std::string& file : t.files) {
      Check(safe->ExtractFile(("\\" + file).c_str(), (outDir + "/" + file).c_str(), nullptr), "ExtractFile");
    }
    // The batch ends with the safe: its new files are flushed then.
    safe->Release();
    safe = nullptr;
    f.extract = Seconds(start);
    // Every file came back whole (after the time).
    for (const std::string& file : t.files) {
      if (ReadWhole(outDir + "/" + file) != ReadWhole(t.dir + "/" + file)) Check(-1, "extracted bytes");
    }
    fs::remove_all(outDir);
  }
  if (safe) safe->Release();
  secret->Release();
  fs::remove(path);
  std::ofstream(out) << f.add << " " << f.commit << " " << f.reopen << " " << f.extract << " " << f.secretBytes;
}

SafeFigures SafeInChild(const Tree& t, bool extract) {
  const std::string out = Root() + "/figures.txt";
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    RunSafe(t, extract, out);
    std::_Exit(0);
  }
  int status = 0;
  struct rusage ru {};
  wait4(pid, &status, 0, &ru);
  SafeFigures f;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "the safe run of %s failed\n", t.name.c_str());
    std::exit(3);
  }
  std::ifstream(out) >> f.add >> f.commit >> f.reopen >> f.extract >> f.secretBytes;
  f.peakKiB = ru.ru_maxrss;
  f.realSecret = true;
  return f;
}

// ---------------------------------------------------------------- stages

struct StageFigures {
  double lzEncode = 0, lzDecode = 0, flowWrite = 0, flowPackOpen = 0, flowRead = 0, cipherWrite = 0,
         cipherRead = 0;
  double Sum() const { return lzEncode + lzDecode + flowWrite + flowPackOpen + flowRead + cipherWrite + cipherRead; }
};

StageFigures Stages(const Tree& t) {
  StageFigures s;
  zk::IFileSystem* fsys = zkbench::MustCreate<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
  zk::IArc* arc = zkbench::MustCreate<zk::IArc>(zk::id::ArcLzpxj, zk::id::ArcIArc);
  // Lzpxj: every file from its disk file into memory, then back.
  std::vector<zk::IFileStrem*> coded;
  uint64_t codedBytes = 0;
  auto start = Clock::now();
  for (const std::string& file : t.files) {
    zk::IFileStrem* in = nullptr;
    Check(fsys->OpenFile((t.dir + "/" + file).c_str(), 0x8000, &in), "open");
    uint64_t size = 0;
    in->GetSize(&size);
    zk::IFileStrem* out = zkbench::MustCreate<zk::IFileStrem>(zk::id::StorageMemStream, zk::id::StreamIFileStrem);
    arc->Init(0);
    Check(arc->Encode(in, out, nullptr, uint32_t(size)), "Encode");
    in->Release();
    uint64_t n = 0;
    out->GetSize(&n);
    codedBytes += n;
    coded.push_back(out);
  }
  s.lzEncode = Seconds(start);
  start = Clock::now();
  for (size_t i = 0; i < coded.size(); ++i) {
    uint64_t size = fs::file_size(t.dir + "/" + t.files[i]);
    zk::IFileStrem* back = zkbench::MustCreate<zk::IFileStrem>(zk::id::StorageMemStream, zk::id::StreamIFileStrem);
    coded[i]->Seek(0, 0);
    arc->Init(0);
    Check(arc->Decode(uint32_t(size), coded[i], back, nullptr), "Decode");
    back->Release();
  }
  s.lzDecode = Seconds(start);

  // Flow container: the coded bytes, one flow per file, over temporary files.
  zk::IFileStrem* container = TempStream(fsys);
  zk::IFileStrem* work = TempStream(fsys);
  zk::IFlowControl* flows = zkbench::MustCreate<zk::IFlowControl>(zk::id::StorageDynFlowCtrl, zk::id::StreamIFlowControl);
  std::vector<uint8_t> piece(65536);
  start = Clock::now();
  Check(flows->Create(container, work, 0, 0, 1), "flow Create");
  for (size_t i = 0; i < coded.size(); ++i) {
    zk::IFileStrem* flow = nullptr;
    Check(flows->CreateFlow(uint32_t(i + 2), &flow), "CreateFlow");
    coded[i]->Seek(0, 0);
    for (;;) {
      uint32_t got = 0;
      coded[i]->Read(piece.data(), uint32_t(piece.size()), &got);
      if (!got) break;
      Check(flow->Write(piece.data(), got), "flow Write");
    }
    flow->Release();
  }
  s.flowWrite = Seconds(start);
  start = Clock::now();
  Check(flows->Pack(), "Pack");
  zk::IFileStrem* work2 = TempStream(fsys);
  zk::IFlowControl* again = zkbench::MustCreate<zk::IFlowControl>(zk::id::StorageDynFlowCtrl, zk::id::StreamIFlowControl);
  container->Seek(0, 0);
  Check(again->Open(container, work2, 0, 0), "flow Open");
  s.flowPackOpen = Seconds(start);
  start = Clock::now();
  for (size_t i = 0; i < coded.size(); ++i) {
    zk::IFileStrem* flow = nullptr;
    Check(again->OpenFlow(uint32_t(i + 2), &flow), "OpenFlow");
    for (;;) {
      uint32_t got = 0;
      flow->Read(piece.data(), uint32_t(piece.size()), &got);
      if (!got) break;
    }
    flow->Release();
  }
  s.flowRead = Seconds(start);
  uint64_t containerBytes = 0;
  container->GetSize(&containerBytes);
  for (auto* c : coded) c->Release();
  again->Release();
  flows->Release();
  work2->Release();
  work->Release();

  // Cipher stream: the container's bytes encrypted into a file and read back.
  zk::IBlockCipher* bc = zkbench::MustCreate<zk::IBlockCipher>(zk::id::CipherAES32, zk::id::CryptoIBlockCipher);
  zk::IPassword* pw = zkbench::MustCreate<zk::IPassword>(zk::id::CipherSetPassword, zk::id::CryptoIPassword);
  Check(pw->SetPassword(bc, "a benchmark password", 20), "SetPassword");
  uint8_t iv[16] = {1, 2, 3};
  const std::string path = Root() + "/cipher.bin";
  zk::IFileStrem* file = nullptr;
  Check(fsys->CreateFile(path.c_str(), 0x8002, 0x180, &file), "cipher file");
  auto* cfs = zkbench::MustCreate<zk::ICipherFileStream>(zk::id::CipherFileStreamCFB, zk::id::CryptoICipherFileStream);
  Check(cfs->Attach(file, bc, iv, 16), "Attach");
  zk::IFileStrem* enc = zktest::Face<zk::IFileStrem>(cfs, zk::id::StreamIFileStrem);
  start = Clock::now();
  container->Seek(0, 0);
  for (;;) {
    uint32_t got = 0;
    container->Read(piece.data(), uint32_t(piece.size()), &got);
    if (!got) break;
    Check(enc->Write(piece.data(), got), "cipher Write");
  }
  enc->Commit();
  s.cipherWrite = Seconds(start);
  start = Clock::now();
  enc->Seek(0, 0);
  for (;;) {
    uint32_t got = 0;
    enc->Read(piece.data(), uint32_t(piece.size()), &got);
    if (!got) break;
  }
  s.cipherRead = Seconds(start);
  enc->Release();
  cfs->Release();
  file->Release();
  fs::remove(path);
  bc->Release();
  pw->Release();
  container->Release();
  arc->Release();
  fsys->Release();
  (void)codedBytes;
  (void)containerBytes;
  return s;
}

// ---------------------------------------------------------------- peers

bool Have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

double Shell(const std::string& command) {
  auto start = Clock::now();
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    return -1;
  }
  return Seconds(start);
}

struct PeerFigures {
  double gpgPack = -1, gpgUnpack = -1, zPack = -1, zUnpack = -1;
};

// Whether a peer's output tree holds the input's files with their bytes.
bool SameTree(const std::string& a, const std::string& b) {
  const bool same = std::system(("diff -rq '" + a + "' '" + b + "' >/dev/null 2>&1").c_str()) == 0;
  if (!same) std::fprintf(stderr, "bench_safe: %s differs from %s\n", b.c_str(), a.c_str());
  return same;
}

PeerFigures Peers(const Tree& t) {
  PeerFigures p;
  const std::string r = Root();
  if (Have("gpg") && Have("tar")) {
    const std::string home = r + "/gnupg";
    fs::create_directories(home);
    fs::permissions(home, fs::perms::owner_all);
    const std::string gpg = "gpg --homedir " + home +
                            " --batch --yes --quiet --pinentry-mode loopback --passphrase 'a benchmark password'";
    p.gpgPack = Shell("tar c -C " + t.dir + " . | " + gpg + " --symmetric -o " + r + "/tree.gpg");
    fs::create_directories(r + "/gpg-out");
    p.gpgUnpack = Shell(gpg + " -d " + r + "/tree.gpg | tar x -C " + r + "/gpg-out");
    if (!SameTree(t.dir, r + "/gpg-out")) p.gpgUnpack = -1;
    fs::remove_all(r + "/gpg-out");
    fs::remove(r + "/tree.gpg");
  }
  if (Have("7z")) {
    p.zPack = Shell("7z a -bd -y -mhe=on '-pa benchmark password' " + r + "/tree.7z " + t.dir + "/. >/dev/null");
    p.zUnpack = Shell("7z x -bd -y '-pa benchmark password' -o" + r + "/7z-out " + r + "/tree.7z >/dev/null");
    if (!SameTree(t.dir, r + "/7z-out")) p.zUnpack = -1;
    fs::remove_all(r + "/7z-out");
    fs::remove(r + "/tree.7z");
  }
  return p;
}

// ---------------------------------------------------------------- runs

struct Result {
  Tree tree;
  SafeFigures safe;
  StageFigures stages;
  PeerFigures peers;
};
std::vector<Result>& Results() {
  static std::vector<Result> r;
  return r;
}
std::map<size_t, SafeFigures>& PerFile() {
  static std::map<size_t, SafeFigures> m;
  return m;
}

void Load() {
  static bool loaded = [] {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    path[n > 0 ? n : 0] = 0;
    std::string dir(path);
    dir.resize(dir.rfind('/'));
    for (const char* lib : {"zk5storage.so", "zk5cipher.so", "zk5arc.so", "zk5steg.so"}) {
      if (!dlopen((dir + "/" + lib).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {
        std::fprintf(stderr, "cannot load %s\n", lib);
        std::exit(3);
      }
    }
    return true;
  }();
  (void)loaded;
}

void RunTree(benchmark::State& state, const char* name, size_t count, size_t minSize, size_t maxSize) {
  Load();
  for (auto _ : state) {
    Result r;
    r.tree = MakeTree(name, count, minSize, maxSize, uint32_t(count));
    r.safe = SafeInChild(r.tree, true);
    r.stages = Stages(r.tree);
    r.peers = Peers(r.tree);
    state.counters["MB"] = double(r.tree.bytes) / 1e6;
    state.counters["safe_s"] = r.safe.add + r.safe.commit + r.safe.reopen + r.safe.extract;
    fs::remove_all(r.tree.dir);
    Results().push_back(std::move(r));
  }
}

void BM_SmallFiles(benchmark::State& state) {
  RunTree(state, "small", size_t(10000 * Scale()), 1024, 65536);
}
void BM_LargeFiles(benchmark::State& state) {
  RunTree(state, "large", std::max<size_t>(1, size_t(100 * Scale())), 10000000, 10000000);
}
void BM_PerFile(benchmark::State& state) {
  Load();
  for (auto _ : state) {
    for (size_t count : {size_t(1000), size_t(10000)}) {
      Tree t = MakeTree("perfile" + std::to_string(count), count, 1024, 4096, 7);
      PerFile()[count] = SafeInChild(t, false);
      fs::remove_all(t.dir);
    }
  }
}
BENCHMARK(BM_SmallFiles)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_LargeFiles)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_PerFile)->Iterations(1)->Unit(benchmark::kSecond);

void Print() {
  std::printf("\nseconds (wall clock)        %12s %12s\n", "many small", "few large");
  auto row = [](const char* label, auto get) {
    std::printf("%-27s", label);
    for (const Result& r : Results()) {
      double v = get(r);
      if (v < 0) std::printf(" %12s", "-");
      else std::printf(" %12.2f", v);
    }
    std::printf("\n");
  };
  row("files", [](const Result& r) { return double(r.tree.files.size()); });
  row("MB", [](const Result& r) { return double(r.tree.bytes) / 1e6; });
  row("safe: add all", [](const Result& r) { return r.safe.add; });
  row("safe: commit", [](const Result& r) { return r.safe.commit; });
  row("safe: reopen", [](const Result& r) { return r.safe.reopen; });
  row("safe: extract all", [](const Result& r) { return r.safe.extract; });
  row("safe: total", [](const Result& r) { return r.safe.add + r.safe.commit + r.safe.reopen + r.safe.extract; });
  row("safe: peak memory MB", [](const Result& r) { return double(r.safe.peakKiB) / 1024; });
  row("secret file MB", [](const Result& r) { return double(r.safe.secretBytes) / 1e6; });
  row("Lzpxj encode", [](const Result& r) { return r.stages.lzEncode; });
  row("Lzpxj decode", [](const Result& r) { return r.stages.lzDecode; });
  row("flows write", [](const Result& r) { return r.stages.flowWrite; });
  row("flows pack + open", [](const Result& r) { return r.stages.flowPackOpen; });
  row("flows read", [](const Result& r) { return r.stages.flowRead; });
  row("cipher stream write", [](const Result& r) { return r.stages.cipherWrite; });
  row("cipher stream read", [](const Result& r) { return r.stages.cipherRead; });
  row("stages: sum", [](const Result& r) { return r.stages.Sum(); });
  row("safe / stages (goal 1.5)", [](const Result& r) {
    return (r.safe.add + r.safe.commit + r.safe.reopen + r.safe.extract) / r.stages.Sum();
  });
  row("tar | gpg --symmetric", [](const Result& r) { return r.peers.gpgPack; });
  row("gpg -d | tar x", [](const Result& r) { return r.peers.gpgUnpack; });
  row("7z a -p -mhe=on", [](const Result& r) { return r.peers.zPack; });
  row("7z x", [](const Result& r) { return r.peers.zUnpack; });
  row("add+commit / tar|gpg", [](const Result& r) {
    return r.peers.gpgPack > 0 ? (r.safe.add + r.safe.commit) / r.peers.gpgPack : -1;
  });
  if (PerFile().size() == 2) {
    const SafeFigures& a = PerFile()[1000];
    const SafeFigures& b = PerFile()[10000];
    std::printf("\nadd + commit of 1,000 files of 1-4 KiB: %.3f s; of 10,000: %.3f s; ratio %.2f (goal at most 12)\n",
                a.add + a.commit, b.add + b.commit, (b.add + b.commit) / (a.add + a.commit));
    std::printf("peak memory: %.1f MB and %.1f MB\n", double(a.peakKiB) / 1024, double(b.peakKiB) / 1024);
  }
  std::printf("scale %.2f of 10,000 files of 1-64 KiB and 100 files of 10 MB\n", Scale());
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Print();
  fs::remove_all(Root());
  return 0;
}
