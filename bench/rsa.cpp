// cipher.RSA beside OpenSSL: the private operation (CRT) and the public
// operation on 2048-bit keys, and key generation for 2048 and 4096 bits.
// After the runs it prints our time over OpenSSL's for each figure.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <benchmark/benchmark.h>
#include <openssl/bn.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "FakeEntropy.h"
#include "Rsa.h"

namespace {

using namespace zk;
using namespace zk::cipher;
using Clock = std::chrono::steady_clock;

// A fast deterministic random source, so generation times measure the
// arithmetic rather than the entropy pool's sampling rate.
struct FastEntropy : zktest::FakeEntropy {
  explicit FastEntropy(uint64_t seed) : FakeEntropy(seed) { record = false; }
};

// Seconds per operation of every figure (median for the key generations).
std::map<std::string, double>& Figures() {
  static std::map<std::string, double> f;
  return f;
}

BIGNUM* ToBn(const bn::BigNumber& a) {
  std::vector<unsigned char> le(size_t(a.count) * 4 + 1);
  for (int32_t i = 0; i < a.count; ++i)
    for (int j = 0; j < 4; ++j) le[4 * i + j] = uint8_t(a.limbs[i] >> (8 * j));
  return BN_lebin2bn(le.data(), a.count * 4, nullptr);
}

std::vector<unsigned char> ToBigEndian(const uint32_t* limbs, uint32_t count, size_t bytes) {
  std::vector<unsigned char> be(bytes, 0);
  for (uint32_t i = 0; i < count && 4 * i < bytes; ++i)
    for (size_t j = 0; j < 4 && 4 * i + j < bytes; ++j) be[bytes - 1 - (4 * i + j)] = uint8_t(limbs[i] >> (8 * j));
  return be;
}

// One 2048-bit key, ours and the same key in OpenSSL. OpenSSL's CRT
// coefficient is q^-1 mod p (ours is p^-1 mod q): with ours it would fail
// its own result check on every call and fall back to a plain
// exponentiation. The key is checked and both sides must give the same
// results before anything is timed.
struct Keys {
  Rsa* ours = Rsa::Create();
  RSA* theirs = RSA_new();
  std::vector<uint32_t> x;
  std::vector<unsigned char> xb;
  Keys() {
    FastEntropy random(2048);
    ours->GenerateKeyFrom(2048, &random);
    const bn::BigNumber &n = ours->Number(0), &d = ours->Number(2), &p = ours->Number(3), &q = ours->Number(4);
    BIGNUM *dp = BN_new(), *dq = BN_new(), *t = BN_new(), *iqmp = BN_new();
    BN_CTX* ctx = BN_CTX_new();
    BIGNUM *P = ToBn(p), *Q = ToBn(q), *D = ToBn(d);
    BN_sub(t, P, BN_value_one());
    BN_mod(dp, D, t, ctx);
    BN_sub(t, Q, BN_value_one());
    BN_mod(dq, D, t, ctx);
    BN_mod_inverse(iqmp, Q, P, ctx);
    RSA_set0_key(theirs, ToBn(n), ToBn(ours->Number(1)), D);
    RSA_set0_factors(theirs, P, Q);
    RSA_set0_crt_params(theirs, dp, dq, iqmp);
    BN_free(t);
    BN_CTX_free(ctx);
    if (RSA_check_key(theirs) != 1) Fail("OpenSSL rejects the key");
    x.assign(n.limbs, n.limbs + n.count);
    x.back() >>= 1;
    xb = ToBigEndian(x.data(), uint32_t(x.size()), 256);
    Same("private", ours->PrivateDecrypt(x.data(), uint32_t(x.size()), &out, &count),
         RSA_private_decrypt(256, xb.data(), theirOut, theirs, RSA_NO_PADDING));
    Same("public", ours->PublicEncrypt(x.data(), uint32_t(x.size()), &out, &count),
         RSA_public_encrypt(256, xb.data(), theirOut, theirs, RSA_NO_PADDING));
    zk_free(out);
  }

 private:
  uint32_t* out = nullptr;
  uint32_t count = 0;
  unsigned char theirOut[256];
  static void Fail(const char* what) {
    std::fprintf(stderr, "bench_rsa: %s\n", what);
    std::exit(1);
  }
  void Same(const char* what, StatusCode ourStatus, int theirLength) {
    if (ourStatus != kOk || theirLength != 256 ||
        ToBigEndian(out, count, 256) != std::vector<unsigned char>(theirOut, theirOut + 256)) {
      std::fprintf(stderr, "bench_rsa: the %s operations differ\n", what);
      std::exit(1);
    }
  }
};

Keys& TheKeys() {
  static Keys k;
  return k;
}

void Record(const char* name, benchmark::State& state, Clock::duration spent) {
  Figures()[name] = std::chrono::duration<double>(spent).count() / double(state.iterations());
}

// Our raw operation, with the vector exponentiation or (for processors
// without AVX-512 IFMA) the portable one, and OpenSSL's; timed alike.
void Ours(benchmark::State& state, const char* name, bool privateOp, bool vector) {
  Keys& k = TheKeys();
  uint32_t* out = nullptr;
  uint32_t count = 0;
  const auto op = privateOp ? &Rsa::PrivateDecrypt : &Rsa::PublicEncrypt;
  bn::ExpUseHardware(vector);
  auto start = Clock::now();
  for (auto _ : state) (k.ours->*op)(k.x.data(), uint32_t(k.x.size()), &out, &count);
  Record(name, state, Clock::now() - start);
  bn::ExpUseHardware(true);
  zk_free(out);
}
void Theirs(benchmark::State& state, const char* name, bool privateOp) {
  Keys& k = TheKeys();
  unsigned char out[256];
  const auto op = privateOp ? &RSA_private_decrypt : &RSA_public_encrypt;
  auto start = Clock::now();
  for (auto _ : state) op(256, k.xb.data(), out, k.theirs, RSA_NO_PADDING);
  Record(name, state, Clock::now() - start);
}
void BM_OursPrivate2048(benchmark::State& s) { Ours(s, "private 2048 ours", true, true); }
void BM_OpenSslPrivate2048(benchmark::State& s) { Theirs(s, "private 2048 openssl", true); }
void BM_OursPublic2048(benchmark::State& s) { Ours(s, "public 2048 ours", false, true); }
void BM_OpenSslPublic2048(benchmark::State& s) { Theirs(s, "public 2048 openssl", false); }
void BM_OursPortablePrivate2048(benchmark::State& s) { Ours(s, "private 2048 portable", true, false); }
void BM_OursPortablePublic2048(benchmark::State& s) { Ours(s, "public 2048 portable", false, false); }

// Key generation: one key per iteration; the figure is the median.
std::map<std::string, std::vector<double>>& Samples() {
  static std::map<std::string, std::vector<double>> s;
  return s;
}
void Median(const std::string& name, double seconds) {
  auto& v = Samples()[name];
  v.push_back(seconds);
  std::vector<double> sorted = v;
  std::sort(sorted.begin(), sorted.end());
  Figures()[name] = sorted[sorted.size() / 2];
}

void BM_OursGenerate(benchmark::State& state) {
  uint32_t bits = uint32_t(state.range(0));
  static uint64_t seed = 1;
  std::string name = "generate " + std::to_string(bits) + " ours";
  for (auto _ : state) {
    FastEntropy random(seed++);
    Rsa* rsa = Rsa::Create();
    auto start = Clock::now();
    StatusCode s = rsa->GenerateKeyFrom(bits, &random);
    Median(name, std::chrono::duration<double>(Clock::now() - start).count());
    if (s) state.SkipWithError("generation failed");
    rsa->Release();
  }
}
void BM_OpenSslGenerate(benchmark::State& state) {
  int bits = int(state.range(0));
  std::string name = "generate " + std::to_string(bits) + " openssl";
  BIGNUM* e = BN_new();
  BN_set_word(e, 65537);
  for (auto _ : state) {
    RSA* rsa = RSA_new();
    auto start = Clock::now();
    RSA_generate_key_ex(rsa, bits, e, nullptr);
    Median(name, std::chrono::duration<double>(Clock::now() - start).count());
    RSA_free(rsa);
  }
  BN_free(e);
}

BENCHMARK(BM_OursPrivate2048)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenSslPrivate2048)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OursPublic2048)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenSslPublic2048)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OursPortablePrivate2048)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OursPortablePublic2048)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OursGenerate)->Arg(2048)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSslGenerate)->Arg(2048)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursGenerate)->Arg(4096)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSslGenerate)->Arg(4096)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  zkbench::RunBenchmarks(&argc, argv);
  auto& f = Figures();
  std::printf("\n%-14s %14s %14s %8s\n", "figure", "ours", "openssl", "ratio");
  for (const char* what : {"private 2048", "public 2048", "generate 2048", "generate 4096"}) {
    std::string a = std::string(what) + " ours", b = std::string(what) + " openssl";
    if (!f.count(a) || !f.count(b)) continue;
    std::printf("%-14s %12.1fus %12.1fus %8.2f%s\n", what, f[a] * 1e6, f[b] * 1e6, f[a] / f[b],
                std::string(what) == "private 2048" ? "  (ours: no blinding, no check of the result;"
                                                      " OpenSSL's figure pays for both)"
                                                    : "");
    std::string c = std::string(what) + " portable";
    if (f.count(c)) std::printf("%-14s %12.1fus %14s %8.2f\n", " (portable)", f[c] * 1e6, "", f[c] / f[b]);
  }
  std::printf("(key generation: medians over the runs; ratio = ours / OpenSSL;\n"
              " portable: our exponentiation without AVX-512 IFMA%s)\n",
              bn::ExpHardwareAvailable() ? "" : ", which this processor lacks");
  return 0;
}
