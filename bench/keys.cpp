// The key storage. Key trial: the key block of a secret sealed to the last
// of 20 key pairs of 2048 bits, opened by the secret's key trial (each
// pair's private operation and the check value, in list order). Storage:
// Open and Save of a storage file of 1,000 key pairs. Signatures: SignFile
// and VerifyFile of one large file in /tmp beside hashing that file alone
// (hash.SHA, 64 KiB reads) in the same run; the file is 1 GiB unless
// KIV_BENCH_SIGN_MIB says otherwise. Prints the ratios after the runs.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "ByteOrder.h"
#include "EngineFactories.h"
#include "KeysCommon.h"
#include "SecretKeyBlock.h"
#include "tests/FakeKeysDriver.h"
#include "kvSafeDriver.h"
#include "zk5Cipher.h"

namespace {

struct World {
  zktest::TempDir temp;
  std::string dir = temp.path();
  World() {
    if (dir == "/tmp") std::abort();  // no directory of its own
    for (const char* lib : {"/zk5storage.so", "/zk5cipher.so"})
      if (!dlopen((zktest::ProgramDir() + lib).c_str(), RTLD_NOW | RTLD_NODELETE)) std::abort();
  }
};
World& W() {
  static World w;
  return w;
}

void Must(StatusCode st, const char* what) {
  if (st == 0) return;
  std::fprintf(stderr, "%s: %d\n", what, st);
  std::abort();
}

zk::IKeysCtrl* NewKeys(const std::string& path) {
  zk::IKeysCtrl* keys = nullptr;
  StatusCode st = zk::engine::MakeKeys(path.c_str(), &keys);
  if (st != 0) {
    std::fprintf(stderr, "MakeKeys: %d\n", st);
    std::abort();
  }
  return keys;
}

std::map<std::string, double> g_seconds;  // mean seconds per iteration, by run

// 20 pairs of 2048 bits, made once.
zk::IKeysCtrl* TwentyPairs() {
  static zk::IKeysCtrl* keys = [] {
    zk::IKeysCtrl* k = NewKeys(W().dir + "/trial.kst");
    zk::KeyOwner owner{};
    for (int i = 0; i < 20; ++i) {
      std::snprintf(owner.name, sizeof owner.name, "pair %02d", i);
      Must(k->GenerateKeyPair(&owner, 2048), "GenerateKeyPair");
    }
    return k;
  }();
  return keys;
}

void KeyTrial(benchmark::State& state) {
  static enginetest::FakeKeysDriver* driver = [] {
    enginetest::FakeKeysDriver* d = enginetest::FakeKeysDriver::Create();
    d->keys = TwentyPairs();
    d->keys->AddRef();
    return d;
  }();
  // The key block of a secret sealed to the last pair, made as Create
  // makes it, then opened by the key trial as Open does.
  zk::SecretParams params{};
  params.cipherIndex = zk::kCipherBlowfish;
  params.flags = 1;
  uint32_t length = 0;
  Must(driver->keys->GetPublicKeyBlob(params.key, 1, 19, &length), "GetPublicKeyBlob");
  params.keyLength = static_cast<uint16_t>(length);
  uint8_t block[zk::engine::kKeyBlockSize];
  zk::engine::KeyBlockResult made;
  Must(zk::engine::MakeKeyBlock(driver, params, block, &made), "MakeKeyBlock");
  for (auto _ : state) {
    zk::engine::KeyBlockResult found;
    Must(zk::engine::OpenKeyBlock(driver, zk::kCipherBlowfish, block, &found), "OpenKeyBlock");
    if (std::memcmp(found.contentKey, made.contentKey, 32) != 0) std::abort();
  }
}

// A storage file of 1,000 key pairs, made once (the benchmark body runs
// more than once).
const std::string& ThousandKeys() {
  static std::string path = [] {
    const std::string p = W().dir + "/thousand.kst";
    zk::IKeysCtrl* keys = NewKeys(p);
    zk::KeyOwner owner{};
    std::strcpy(owner.name, "one of many");
    const std::string pairFile = W().dir + "/pair.kvk";
    Must(keys->Open("pw"), "Open");
    Must(keys->GenerateKeyPair(&owner, 2048), "GenerateKeyPair");
    Must(keys->ExportPrivateKey(pairFile.c_str(), "", 0), "ExportPrivateKey");
    while (keys->GetPrivateKeyCount() < 1000) Must(keys->ImportKeys(pairFile.c_str(), ""), "ImportKeys");
    Must(keys->Save(), "Save");
    keys->Release();
    return p;
  }();
  return path;
}

void StorageOpenSave(benchmark::State& state) {
  const std::string& path = ThousandKeys();
  for (auto _ : state) {
    zk::IKeysCtrl* k = NewKeys(path);
    Must(k->Open("pw"), "Open");
    if (k->GetPrivateKeyCount() != 1000) Must(-int32_t(k->GetPrivateKeyCount()), "count");
    Must(k->Save(), "Save");
    k->Release();
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

uint64_t SignMiB() {
  const char* v = std::getenv("KIV_BENCH_SIGN_MIB");
  return v ? std::strtoull(v, nullptr, 10) : 1024;
}

const std::string& BigFile() {
  static std::string path = [] {
    std::string p = W().dir + "/big.bin";
    FILE* f = std::fopen(p.c_str(), "wb");
    std::vector<uint8_t> piece(1 << 20);
    for (size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<uint8_t>(i * 131 + (i >> 11));
    for (uint64_t m = 0; m < SignMiB(); ++m) {
      piece[0] = static_cast<uint8_t>(m);
      std::fwrite(piece.data(), 1, piece.size(), f);
    }
    std::fclose(f);
    return p;
  }();
  return path;
}

zk::IKeysCtrl* SignerKeys() {
  static zk::IKeysCtrl* keys = [] {
    zk::IKeysCtrl* k = NewKeys(W().dir + "/signer.kst");
    zk::KeyOwner owner{};
    std::strcpy(owner.name, "signer");
    if (k->GenerateKeyPair(&owner, 2048) != 0) std::abort();
    return k;
  }();
  return keys;
}

void HashAlone(benchmark::State& state) {
  const std::string& file = BigFile();
  zk::IFileSystem* fs = nullptr;
  zk::IHash* hash = nullptr;
  zk::engine::CreateFace(zk::id::FosFileSys, zk::id::StreamIFileSystem, &fs);
  zk::engine::MakeKeyHash(2, &hash);
  for (auto _ : state) {
    zk::IFileStrem* f = nullptr;
    if (fs->OpenFile(file.c_str(), 0x8000, &f) != 0) std::abort();
    uint8_t digest[32];
    if (zk::engine::DigestRest(hash, f, digest) != 0) std::abort();
    f->Release();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(SignMiB() << 20));
  hash->Release();
  fs->Release();
}

void Sign(benchmark::State& state) {
  const std::string& file = BigFile();
  auto* sign = zktest::MustFace<zk::IKeySign>(SignerKeys(), zk::id::KivIKeySign);
  const std::string sig = W().dir + "/big.kvg";
  for (auto _ : state)
    if (sign->SignFile(file.c_str(), sig.c_str(), 0, 2) != 0) std::abort();
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(SignMiB() << 20));
  sign->Release();
}

void Verify(benchmark::State& state) {
  const std::string& file = BigFile();
  auto* sign = zktest::MustFace<zk::IKeySign>(SignerKeys(), zk::id::KivIKeySign);
  const std::string sig = W().dir + "/big.kvg";
  if (sign->SignFile(file.c_str(), sig.c_str(), 0, 2) != 0) std::abort();
  for (auto _ : state)
    if (sign->VerifyFile(file.c_str(), sig.c_str()) != 0) std::abort();
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(SignMiB() << 20));
  sign->Release();
}

class Reporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && r.iterations > 0)
        g_seconds[r.run_name.function_name] = r.real_accumulated_time / static_cast<double>(r.iterations);
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

BENCHMARK(KeyTrial)->Unit(benchmark::kMillisecond);
BENCHMARK(StorageOpenSave)->Unit(benchmark::kMillisecond);
BENCHMARK(HashAlone)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(Sign)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(Verify)->Unit(benchmark::kMillisecond)->MinTime(2);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto at = [](const char* n) { return g_seconds.count(n) ? g_seconds[n] : 0.0; };
  std::printf("\nfile of %llu MiB\n", static_cast<unsigned long long>(SignMiB()));
  if (at("KeyTrial")) std::printf("key trial, 20 pairs of 2048 bits, last fits: %.1f ms\n", at("KeyTrial") * 1e3);
  if (at("StorageOpenSave"))
    std::printf("open and save, 1,000 keys: %.1f ms\n", at("StorageOpenSave") * 1e3);
  if (at("HashAlone") && at("Sign"))
    std::printf("sign / hash alone: %.3f\nverify / hash alone: %.3f\n", at("Sign") / at("HashAlone"),
                at("Verify") / at("HashAlone"));
  benchmark::Shutdown();
  return 0;
}
