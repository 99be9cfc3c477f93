// The block ciphers and digests of zk5cipher beside Crypto++'s versions of
// the same published algorithms: ECB throughput of every cipher over a
// 16 MiB buffer in both directions, key set-up time, and the throughput of
// each digest (the system's MD5 and SHA-256 variants cost what the
// published ones cost; Crypto++ has no GOST R 34.11-94, so the GOST hash
// stands alone). Crypto++'s GOST runs its own table, which does not change
// the work. After the runs a table gives each figure and ours / Crypto++'s
// speed (above 1: ours is faster).
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <benchmark/benchmark.h>
#include <cryptopp/3way.h>
#include <cryptopp/aes.h>
#include <cryptopp/blowfish.h>
#include <cryptopp/cast.h>
#include <cryptopp/gost.h>
#include <cryptopp/idea.h>
#include <cryptopp/md5.h>
#include <cryptopp/modes.h>
#include <cryptopp/rc5.h>
#include <cryptopp/sha.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "ZkTestSupport.h"
#include "zk5BlockCipher.h"
#include "zk5Clsid.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kBuffer = 16u << 20;

std::vector<uint8_t>& Buffer() {
  static std::vector<uint8_t> b = [] {
    std::vector<uint8_t> v(kBuffer);
    for (size_t i = 0; i < v.size(); ++i) v[i] = uint8_t(i * 131 + (i >> 9));
    return v;
  }();
  return b;
}

// Bytes per second (throughput) or seconds (key set-up) of every figure.
std::map<std::string, double>& Figures() {
  static std::map<std::string, double> f;
  return f;
}

std::vector<uint8_t> Key(size_t n) {
  std::vector<uint8_t> k(n);
  for (size_t i = 0; i < n; ++i) k[i] = uint8_t(0x5a + 17 * i);
  return k;
}

// One cipher: ours by class id and Crypto++'s as block-cipher objects run
// through its ECB mode.
struct CipherCase {
  const char* name;
  const char* classId;
  size_t keyLen;
  std::function<std::unique_ptr<CryptoPP::BlockCipher>(const uint8_t*, size_t, bool decrypt)> peer;
};

template <class C>
auto Peer() {
  return [](const uint8_t* k, size_t n, bool decrypt) -> std::unique_ptr<CryptoPP::BlockCipher> {
    if (decrypt) return std::make_unique<typename C::Decryption>(k, n);
    return std::make_unique<typename C::Encryption>(k, n);
  };
}

const std::vector<CipherCase>& Ciphers() {
  static const std::vector<CipherCase> c = {
      {"Blowfish", zk::id::CipherBlowfish, 16, Peer<CryptoPP::Blowfish>()},
      {"CAST128", zk::id::CipherCAST128, 16, Peer<CryptoPP::CAST128>()},
      {"GOST", zk::id::CipherGOST, 32, Peer<CryptoPP::GOST>()},
      {"IDEA", zk::id::CipherIDEA, 16, Peer<CryptoPP::IDEA>()},
      {"RC5-16", zk::id::CipherRC5, 16,
       [](const uint8_t* k, size_t n, bool decrypt) -> std::unique_ptr<CryptoPP::BlockCipher> {
         if (decrypt) return std::make_unique<CryptoPP::RC5::Decryption>(k, n, 16);
         return std::make_unique<CryptoPP::RC5::Encryption>(k, n, 16);
       }},
      {"3-Way", zk::id::CipherThreeWay, 12, Peer<CryptoPP::ThreeWay>()},
      {"AES-128", zk::id::CipherAES16, 16, Peer<CryptoPP::AES>()},
      {"AES-192", zk::id::CipherAES24, 24, Peer<CryptoPP::AES>()},
      {"AES-256", zk::id::CipherAES32, 32, Peer<CryptoPP::AES>()},
  };
  return c;
}

void Throughput(const std::string& figure, benchmark::State& state, Clock::duration spent) {
  double seconds = std::chrono::duration<double>(spent).count();
  Figures()[figure] = double(kBuffer) * double(state.iterations()) / seconds;
  state.SetBytesProcessed(int64_t(kBuffer) * int64_t(state.iterations()));
}

void OursEcb(benchmark::State& state, const CipherCase& c, bool decrypt) {
  zk::IBlockCipher* cipher = zktest::Create<zk::IBlockCipher>(c.classId, zk::id::CryptoIBlockCipher);
  if (!cipher) return state.SkipWithError("not registered");
  std::vector<uint8_t> key = Key(c.keyLen);
  cipher->SetKey(key.data(), uint32_t(key.size()));
  uint8_t* p = Buffer().data();
  auto start = Clock::now();
  for (auto _ : state) {
    if (decrypt)
      cipher->DecryptBlocks(p, uint32_t(kBuffer));
    else
      cipher->EncryptBlocks(p, uint32_t(kBuffer));
    benchmark::DoNotOptimize(p[0]);
  }
  Throughput(std::string(c.name) + (decrypt ? " dec" : " enc") + " ours", state, Clock::now() - start);
  cipher->Release();
}

void PeerEcb(benchmark::State& state, const CipherCase& c, bool decrypt) {
  std::vector<uint8_t> key = Key(c.keyLen);
  auto cipher = c.peer(key.data(), key.size(), decrypt);
  uint8_t* p = Buffer().data();
  auto start = Clock::now();
  for (auto _ : state) {
    if (decrypt) {
      CryptoPP::ECB_Mode_ExternalCipher::Decryption ecb(*cipher);
      ecb.ProcessData(p, p, kBuffer / cipher->BlockSize() * cipher->BlockSize());
    } else {
      CryptoPP::ECB_Mode_ExternalCipher::Encryption ecb(*cipher);
      ecb.ProcessData(p, p, kBuffer / cipher->BlockSize() * cipher->BlockSize());
    }
    benchmark::DoNotOptimize(p[0]);
  }
  Throughput(std::string(c.name) + (decrypt ? " dec" : " enc") + " crypto++", state, Clock::now() - start);
}

void OursKey(benchmark::State& state, const CipherCase& c) {
  zk::IBlockCipher* cipher = zktest::Create<zk::IBlockCipher>(c.classId, zk::id::CryptoIBlockCipher);
  if (!cipher) return state.SkipWithError("not registered");
  std::vector<uint8_t> key = Key(c.keyLen);
  auto start = Clock::now();
  for (auto _ : state) {
    key[0]++;
    cipher->SetKey(key.data(), uint32_t(key.size()));
  }
  Figures()[std::string(c.name) + " key ours"] =
      std::chrono::duration<double>(Clock::now() - start).count() / double(state.iterations());
  cipher->Release();
}

void PeerKey(benchmark::State& state, const CipherCase& c) {
  std::vector<uint8_t> key = Key(c.keyLen);
  auto cipher = c.peer(key.data(), key.size(), false);
  const bool rc5 = std::string(c.name) == "RC5-16";
  auto start = Clock::now();
  for (auto _ : state) {
    key[0]++;
    if (rc5)
      cipher->SetKeyWithRounds(key.data(), key.size(), 16);
    else
      cipher->SetKey(key.data(), key.size());
  }
  Figures()[std::string(c.name) + " key crypto++"] =
      std::chrono::duration<double>(Clock::now() - start).count() / double(state.iterations());
}

// Digests: ours by class id, the peer as a Crypto++ hash (none for GOST).
struct HashCase {
  const char* name;
  const char* classId;
  std::function<std::unique_ptr<CryptoPP::HashTransformation>()> peer;
};

const std::vector<HashCase>& Hashes() {
  static const std::vector<HashCase> h = {
      {"MD5", zk::id::HashMD5, [] { return std::make_unique<CryptoPP::Weak1::MD5>(); }},
      {"SHA-1", zk::id::HashSHA, [] { return std::make_unique<CryptoPP::SHA1>(); }},
      {"SHA-256", zk::id::HashSHA32, [] { return std::make_unique<CryptoPP::SHA256>(); }},
      {"GOST hash", zk::id::HashGOST, nullptr},
  };
  return h;
}

void OursHash(benchmark::State& state, const HashCase& h) {
  zk::IHash* hash = zktest::Create<zk::IHash>(h.classId, zk::id::CryptoIHash);
  if (!hash) return state.SkipWithError("not registered");
  uint8_t out[32];
  auto start = Clock::now();
  for (auto _ : state) {
    hash->Init();
    hash->Update(Buffer().data(), uint32_t(kBuffer));
    hash->Final(out, sizeof out);
    benchmark::DoNotOptimize(out[0]);
  }
  Throughput(std::string(h.name) + " ours", state, Clock::now() - start);
  hash->Release();
}

void PeerHash(benchmark::State& state, const HashCase& h) {
  auto hash = h.peer();
  uint8_t out[32];
  auto start = Clock::now();
  for (auto _ : state) {
    hash->CalculateDigest(out, Buffer().data(), kBuffer);
    benchmark::DoNotOptimize(out[0]);
  }
  Throughput(std::string(h.name) + " crypto++", state, Clock::now() - start);
}

void Register() {
  for (const CipherCase& c : Ciphers()) {
    for (bool decrypt : {false, true}) {
      std::string dir = decrypt ? "Decrypt" : "Encrypt";
      benchmark::RegisterBenchmark(("Ours" + dir + "/" + c.name).c_str(), OursEcb, c, decrypt)
          ->MinTime(0.3)->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("CryptoPP" + dir + "/" + c.name).c_str(), PeerEcb, c, decrypt)
          ->MinTime(0.3)->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark((std::string("OursKey/") + c.name).c_str(), OursKey, c)->MinTime(0.1);
    benchmark::RegisterBenchmark((std::string("CryptoPPKey/") + c.name).c_str(), PeerKey, c)->MinTime(0.1);
  }
  for (const HashCase& h : Hashes()) {
    benchmark::RegisterBenchmark((std::string("OursHash/") + h.name).c_str(), OursHash, h)
        ->MinTime(0.3)->Unit(benchmark::kMillisecond);
    if (h.peer)
      benchmark::RegisterBenchmark((std::string("CryptoPPHash/") + h.name).c_str(), PeerHash, h)
          ->MinTime(0.3)->Unit(benchmark::kMillisecond);
  }
}

void Row(const std::string& what, const std::string& unit, double scale, bool higherIsBetter) {
  auto& f = Figures();
  const std::string a = what + " ours", b = what + " crypto++";
  if (!f.count(a)) return;
  if (!f.count(b)) {
    std::printf("%-20s %12.1f %12s %8s  %s\n", what.c_str(), f[a] * scale, "-", "-", unit.c_str());
    return;
  }
  double ratio = higherIsBetter ? f[a] / f[b] : f[b] / f[a];
  std::printf("%-20s %12.1f %12.1f %8.2f  %s\n", what.c_str(), f[a] * scale, f[b] * scale, ratio, unit.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  zkbench::RunBenchmarks(&argc, argv);
  std::printf("\n%-20s %12s %12s %8s\n", "figure", "ours", "crypto++", "speed");
  for (const CipherCase& c : Ciphers())
    for (const char* dir : {" enc", " dec"}) Row(std::string(c.name) + dir, "MB/s (16 MiB ECB)", 1e-6, true);
  for (const CipherCase& c : Ciphers()) Row(std::string(c.name) + " key", "ns per key set-up", 1e9, false);
  for (const HashCase& h : Hashes()) Row(h.name, "MB/s", 1e-6, true);
  std::printf("(speed = ours / Crypto++'s: above 1 ours is faster)\n");
  return 0;
}
