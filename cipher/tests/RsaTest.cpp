// cipher.RSA: key generation from a deterministic random source, the raw
// operations against OpenSSL's BN, and the key blob layouts.
#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/sha.h>

#include <cstring>
#include <memory>
#include <vector>

#include "Rsa.h"
#include "FakeEntropy.h"
#include "ZkTestSupport.h"
#include "zk5Rsa.h"

namespace {

using namespace zk;
using namespace zk::cipher;
using namespace zk::cipher::bn;

using zktest::FakeEntropy;

struct RsaDeleter {
  void operator()(Rsa* r) const { r->Release(); }
};
using RsaPtr = std::unique_ptr<Rsa, RsaDeleter>;
RsaPtr NewRsa() { return RsaPtr(Rsa::Create()); }

struct Blob {
  uint8_t* data = nullptr;
  uint32_t size = 0;
  ~Blob() { zk_free(data); }
  std::vector<uint8_t> bytes() const { return std::vector<uint8_t>(data, data + size); }
};

struct Limbs {
  uint32_t* data = nullptr;
  uint32_t count = 0;
  ~Limbs() { zk_free(data); }
  std::vector<uint32_t> vec() const { return std::vector<uint32_t>(data, data + count); }
};

BIGNUM* ToBn(const uint32_t* limbs, size_t count) {
  std::vector<unsigned char> le(count * 4 + 1);
  for (size_t i = 0; i < count; ++i)
    for (int j = 0; j < 4; ++j) le[4 * i + j] = uint8_t(limbs[i] >> (8 * j));
  return BN_lebin2bn(le.data(), int(count * 4), nullptr);
}
BIGNUM* ToBn(const BigNumber& a) { return ToBn(a.limbs, size_t(a.count)); }

std::vector<uint32_t> FromBn(const BIGNUM* b) {
  std::vector<uint32_t> v(size_t(BN_num_bytes(b) + 3) / 4);
  std::vector<unsigned char> le(v.size() * 4);
  BN_bn2lebinpad(b, le.data(), int(le.size()));
  for (size_t i = 0; i < v.size(); ++i)
    v[i] = uint32_t(le[4 * i]) | uint32_t(le[4 * i + 1]) << 8 | uint32_t(le[4 * i + 2]) << 16 |
           uint32_t(le[4 * i + 3]) << 24;
  return v;
}

std::vector<uint32_t> RandomBelow(const BigNumber& n, uint32_t seed) {
  std::vector<uint32_t> x(size_t(n.count));
  uint32_t s = seed;
  for (auto& v : x) v = (s = s * 1664525u + 1013904223u);
  x.back() %= n.limbs[n.count - 1];
  return x;
}

// Checks the properties every generated key must have.
void CheckKey(Rsa& rsa, uint32_t bits) {
  const BigNumber &n = rsa.Number(0), &e = rsa.Number(1), &d = rsa.Number(2), &p = rsa.Number(3),
                  &q = rsa.Number(4), &u = rsa.Number(5);
  EXPECT_TRUE(rsa.HasPrivate());
  EXPECT_EQ(BitLength(n), bits);
  EXPECT_LT(Compare(p, q), 0);
  EXPECT_EQ(CompareWord(e, 65537), 0);
  EXPECT_NE(ModWord(p, 65537), 1u);
  EXPECT_NE(ModWord(q, 65537), 1u);
  for (const BigNumber* b : {&n, &e, &d, &p, &q, &u})
    EXPECT_TRUE(b->count == 0 || b->limbs[b->count - 1] != 0) << "not in normal form";
  BN_CTX* ctx = BN_CTX_new();
  BIGNUM *N = ToBn(n), *E = ToBn(e), *D = ToBn(d), *P = ToBn(p), *Q = ToBn(q), *U = ToBn(u);
  BIGNUM *t = BN_new(), *pm1 = BN_new(), *qm1 = BN_new(), *g = BN_new(), *l = BN_new();
  EXPECT_EQ(BN_check_prime(P, ctx, nullptr), 1);
  EXPECT_EQ(BN_check_prime(Q, ctx, nullptr), 1);
  BN_mul(t, P, Q, ctx);
  EXPECT_EQ(BN_cmp(t, N), 0);
  // d is the inverse of e modulo lcm(p - 1, q - 1), below it.
  BN_sub(pm1, P, BN_value_one());
  BN_sub(qm1, Q, BN_value_one());
  BN_gcd(g, pm1, qm1, ctx);
  BN_div(t, nullptr, pm1, g, ctx);
  BN_mul(l, t, qm1, ctx);
  EXPECT_LT(BN_cmp(D, l), 0);
  BN_mod_mul(t, D, E, l, ctx);
  EXPECT_TRUE(BN_is_one(t));
  BN_mod_mul(t, U, P, Q, ctx);
  EXPECT_TRUE(BN_is_one(t));
  // The CRT private operation equals x^d mod n.
  for (uint32_t seed : {1u, 2u}) {
    std::vector<uint32_t> x = RandomBelow(n, seed);
    Limbs out, back;
    ASSERT_EQ(rsa.PrivateDecrypt(x.data(), uint32_t(x.size()), &out.data, &out.count), kOk);
    BIGNUM* X = ToBn(x.data(), x.size());
    BN_mod_exp(t, X, D, N, ctx);
    EXPECT_EQ(out.vec(), FromBn(t));
    ASSERT_EQ(rsa.PublicEncrypt(out.data, out.count, &back.data, &back.count), kOk);
    std::vector<uint32_t> xn = FromBn(X);
    EXPECT_EQ(back.vec(), xn);
    BN_free(X);
  }
  for (BIGNUM* b : {N, E, D, P, Q, U, t, pm1, qm1, g, l}) BN_free(b);
  BN_CTX_free(ctx);
}

TEST(RsaTest, GeneratedKeysHaveTheirProperties) {
  for (uint32_t bits : {64u, 65u, 100u, 512u, 1023u, 1024u}) {
    SCOPED_TRACE(bits);
    FakeEntropy random(bits);
    RsaPtr rsa = NewRsa();
    ASSERT_EQ(rsa->GenerateKeyFrom(bits, &random), kOk);
    CheckKey(*rsa, bits);
  }
}

TEST(RsaTest, GenerationIsDeterministicForOneSource) {
  FakeEntropy a(42), b(42);
  RsaPtr x = NewRsa(), y = NewRsa();
  ASSERT_EQ(x->GenerateKeyFrom(256, &a), kOk);
  ASSERT_EQ(y->GenerateKeyFrom(256, &b), kOk);
  Blob bx, by;
  ASSERT_EQ(x->ExportPrivateKey(&bx.data, &bx.size), kOk);
  ASSERT_EQ(y->ExportPrivateKey(&by.data, &by.size), kOk);
  EXPECT_EQ(bx.bytes(), by.bytes());
}

TEST(RsaTest, GenerationFailuresLeaveNoKey) {
  FakeEntropy random(1);
  RsaPtr rsa = NewRsa();
  ASSERT_EQ(rsa->GenerateKeyFrom(128, &random), kOk);
  EXPECT_EQ(rsa->GenerateKeyFrom(63, &random), kInvalidArg);
  EXPECT_FALSE(rsa->HasPrivate());
  EXPECT_EQ(rsa->GenerateKey(0), kInvalidArg);
  ASSERT_EQ(rsa->GenerateKeyFrom(128, &random), kOk);
  random.failAfter = 1;  // p's start is drawn, q's fails
  EXPECT_EQ(rsa->GenerateKeyFrom(128, &random), kFatal);
  EXPECT_FALSE(rsa->HasPrivate());
  Blob pub;
  ASSERT_EQ(rsa->ExportPublicKey(&pub.data, &pub.size), kOk);
  EXPECT_EQ(pub.bytes(), std::vector<uint8_t>(4, 0));
}

// A 2048-bit key used by OpenSSL: one encryption each way.
TEST(RsaTest, Generated2048BitKeyWorksWithOpenSsl) {
  FakeEntropy random(2048);
  RsaPtr rsa = NewRsa();
  ASSERT_EQ(rsa->GenerateKeyFrom(2048, &random), kOk);
  const BigNumber& n = rsa->Number(0);
  EXPECT_EQ(BitLength(n), 2048u);
  BN_CTX* ctx = BN_CTX_new();
  BIGNUM *N = ToBn(n), *E = ToBn(rsa->Number(1)), *D = ToBn(rsa->Number(2)), *t = BN_new();
  std::vector<uint32_t> x = RandomBelow(n, 7);
  BIGNUM* X = ToBn(x.data(), x.size());
  Limbs ours;
  // Ours encrypts, OpenSSL decrypts.
  ASSERT_EQ(rsa->PublicEncrypt(x.data(), uint32_t(x.size()), &ours.data, &ours.count), kOk);
  BIGNUM* C = ToBn(ours.data, ours.count);
  BN_mod_exp(t, C, D, N, ctx);
  EXPECT_EQ(BN_cmp(t, X), 0);
  // OpenSSL signs, ours verifies; ours signs, OpenSSL verifies.
  BN_mod_exp(t, X, D, N, ctx);
  std::vector<uint32_t> sig = FromBn(t);
  Limbs back, mine;
  ASSERT_EQ(rsa->PublicDecrypt(sig.data(), uint32_t(sig.size()), &back.data, &back.count), kOk);
  EXPECT_EQ(back.vec(), FromBn(X));
  ASSERT_EQ(rsa->PrivateEncrypt(x.data(), uint32_t(x.size()), &mine.data, &mine.count), kOk);
  EXPECT_EQ(mine.vec(), sig);
  for (BIGNUM* b : {N, E, D, t, X, C}) BN_free(b);
  BN_CTX_free(ctx);
}

// Key generation and the raw operations give the bytes they gave when
// these digests were taken (the arithmetic may change, its output not),
// with the processor's vector exponentiation and with the portable one.
// Digests: SHA-256 of the private blob, and of the little-endian limbs of
// the private then the public operation on RandomBelow(n, 3).
TEST(RsaTest, GeneratedKeysAndResultsArePinned) {
  struct Case {
    uint32_t bits;
    const char* blob;
    const char* results;
  } cases[] = {
      {512, "938c8450e4d4c8468c81ec94dbd4bfd4f35003b09aac343453d9d2009a95d1bb",
       "c0c41545f11fcbc5e3781d59263dcae90c1bda62772275ac26bc6fc7b5f451e5"},
      {2048, "253f6ca635b3bd69908bd5850766d0f4166ccb047e49af1aa3bbcac93a43b52d",
       "d06b2a2356f2842112e2555429c58f6ae8a6c7fa68e977098cf0c085eef08a80"},
      {4096, "8b11c2ed2e55ae292a8e393cdb19266a58a788900fc359f7c7c5b67dda6c16a9",
       "1bbdd855c9427dd0d90bb66962c77c599a600057327ab97be422fed09be56fb7"},
  };
  auto digest = [](const std::vector<uint8_t>& bytes) {
    uint8_t d[SHA256_DIGEST_LENGTH];
    SHA256(bytes.data(), bytes.size(), d);
    return zktest::ToHex(std::vector<uint8_t>(d, d + sizeof d));
  };
  struct Restore {
    ~Restore() { ExpUseHardware(true); }
  } restore;
  for (bool vector : {true, false}) {
    if (vector && !ExpHardwareAvailable()) continue;
    ExpUseHardware(vector);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(c.bits) + (vector ? " vector" : " portable"));
      FakeEntropy random(c.bits + 7);
      RsaPtr rsa = NewRsa();
      ASSERT_EQ(rsa->GenerateKeyFrom(c.bits, &random), kOk);
      Blob blob;
      ASSERT_EQ(rsa->ExportPrivateKey(&blob.data, &blob.size), kOk);
      EXPECT_EQ(digest(blob.bytes()), c.blob);
      std::vector<uint32_t> x = RandomBelow(rsa->Number(0), 3);
      Limbs priv, pub;
      ASSERT_EQ(rsa->PrivateDecrypt(x.data(), uint32_t(x.size()), &priv.data, &priv.count), kOk);
      ASSERT_EQ(rsa->PublicEncrypt(x.data(), uint32_t(x.size()), &pub.data, &pub.count), kOk);
      std::vector<uint8_t> bytes;
      for (const Limbs* l : {&priv, &pub})
        for (uint32_t v : l->vec())
          for (int j = 0; j < 4; ++j) bytes.push_back(uint8_t(v >> (8 * j)));
      EXPECT_EQ(digest(bytes), c.results);
    }
  }
}

class RsaKeyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    FakeEntropy random(1024);
    key_ = Rsa::Create();
    ASSERT_EQ(key_->GenerateKeyFrom(1024, &random), kOk);
  }
  static void TearDownTestSuite() { ReleaseAndNull(key_); }
  static Rsa* key_;
};
Rsa* RsaKeyTest::key_ = nullptr;

TEST_F(RsaKeyTest, PublicBlobLayout) {
  Blob pub;
  ASSERT_EQ(key_->ExportPublicKey(&pub.data, &pub.size), kOk);
  ASSERT_EQ(pub.size, 136u);
  std::vector<uint8_t> b = pub.bytes();
  EXPECT_EQ(b[0], 32);  // limb count of n
  EXPECT_EQ(b[1], 0);
  const BigNumber& n = key_->Number(0);
  for (int i = 0; i < 32; ++i) {
    uint32_t limb = uint32_t(b[2 + 4 * i]) | uint32_t(b[3 + 4 * i]) << 8 | uint32_t(b[4 + 4 * i]) << 16 |
                    uint32_t(b[5 + 4 * i]) << 24;
    EXPECT_EQ(limb, n.limbs[i]);
  }
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 130, b.end()),
            (std::vector<uint8_t>{0x01, 0x00, 0x01, 0x00, 0x01, 0x00}));  // count 1, 65537
}

TEST_F(RsaKeyTest, PrivateBlobLayoutAndRoundTrip) {
  Blob priv;
  ASSERT_EQ(key_->ExportPrivateKey(&priv.data, &priv.size), kOk);
  uint32_t limbs = 0;
  for (int i = 0; i < 6; ++i) limbs += uint32_t(key_->Number(i).count);
  EXPECT_EQ(priv.size, 4 * limbs + 12);
  // Walk the six counts in the order n, e, d, p, q, u.
  uint32_t pos = 0;
  for (int i = 0; i < 6; ++i) {
    uint32_t c = priv.data[pos] | uint32_t(priv.data[pos + 1]) << 8;
    EXPECT_EQ(c, uint32_t(key_->Number(i).count)) << i;
    EXPECT_EQ(std::memcmp(priv.data + pos + 2, key_->Number(i).limbs, 4 * c), 0);
    pos += 2 + 4 * c;
  }
  EXPECT_EQ(pos, priv.size);
  RsaPtr copy = NewRsa();
  ASSERT_EQ(copy->ImportPrivateKey(priv.data, priv.size), kOk);
  Blob again;
  ASSERT_EQ(copy->ExportPrivateKey(&again.data, &again.size), kOk);
  EXPECT_EQ(again.bytes(), priv.bytes());
}

TEST_F(RsaKeyTest, ImportRejectsShortBlobsAndLeavesNoKey) {
  Blob pub, priv;
  ASSERT_EQ(key_->ExportPublicKey(&pub.data, &pub.size), kOk);
  ASSERT_EQ(key_->ExportPrivateKey(&priv.data, &priv.size), kOk);
  RsaPtr rsa = NewRsa();
  for (uint32_t cut : {1u, 5u, 134u, 135u}) {
    ASSERT_EQ(rsa->ImportPrivateKey(priv.data, priv.size), kOk);
    EXPECT_EQ(rsa->ImportPublicKey(pub.data, pub.size - cut), kInvalidArg) << cut;
    Blob out;
    ASSERT_EQ(rsa->ExportPublicKey(&out.data, &out.size), kOk);
    EXPECT_EQ(out.bytes(), std::vector<uint8_t>(4, 0));
    EXPECT_EQ(rsa->ExportPrivateKey(&out.data, &out.size), kInvalidType);
  }
  EXPECT_EQ(rsa->ImportPrivateKey(priv.data, priv.size - 1), kInvalidArg);
  EXPECT_FALSE(rsa->HasPrivate());
  EXPECT_EQ(rsa->ImportPublicKey(nullptr, 10), kInvalidArg);
  EXPECT_EQ(rsa->ImportPublicKey(pub.data, 0), kInvalidArg);
  // Bytes after the last number are ignored.
  std::vector<uint8_t> longer = pub.bytes();
  longer.push_back(0xAA);
  ASSERT_EQ(rsa->ImportPublicKey(longer.data(), uint32_t(longer.size())), kOk);
  Blob out;
  ASSERT_EQ(rsa->ExportPublicKey(&out.data, &out.size), kOk);
  EXPECT_EQ(out.bytes(), pub.bytes());
}

TEST_F(RsaKeyTest, PublicKeyOnlyRefusesPrivateUse) {
  Blob pub;
  ASSERT_EQ(key_->ExportPublicKey(&pub.data, &pub.size), kOk);
  RsaPtr rsa = NewRsa();
  ASSERT_EQ(rsa->ImportPublicKey(pub.data, pub.size), kOk);
  Blob priv;
  EXPECT_EQ(rsa->ExportPrivateKey(&priv.data, &priv.size), kInvalidType);
  uint32_t x[] = {5};
  Limbs out;
  out.count = 9;
  EXPECT_EQ(rsa->PrivateDecrypt(x, 1, &out.data, &out.count), kInvalidType);
  EXPECT_EQ(out.count, 0u);
  EXPECT_EQ(rsa->PrivateEncrypt(x, 1, &out.data, &out.count), kInvalidType);
  ASSERT_EQ(rsa->PublicEncrypt(x, 1, &out.data, &out.count), kOk);
  Limbs expect;
  ASSERT_EQ(key_->PublicDecrypt(x, 1, &expect.data, &expect.count), kOk);
  EXPECT_EQ(out.vec(), expect.vec());
}

TEST_F(RsaKeyTest, RawOperationArguments) {
  uint32_t x[] = {2, 0, 0};
  Limbs out;
  for (int op = 0; op < 4; ++op) {
    using Op = StatusCode (Rsa::*)(const uint32_t*, uint32_t, uint32_t**, uint32_t*);
    const Op ops[] = {&Rsa::PrivateDecrypt, &Rsa::PrivateEncrypt, &Rsa::PublicEncrypt, &Rsa::PublicDecrypt};
    Op f = ops[op];
    out.count = 7;
    EXPECT_EQ((key_->*f)(nullptr, 1, &out.data, &out.count), kInvalidArg);
    EXPECT_EQ(out.count, 0u);
    EXPECT_EQ((key_->*f)(x, 0, &out.data, &out.count), kInvalidArg);
    EXPECT_EQ((key_->*f)(x, 1, nullptr, &out.count), kInvalidArg);
    EXPECT_EQ((key_->*f)(x, 1, &out.data, nullptr), kInvalidArg);
    // Leading zero limbs in the input do not matter; an old out block is freed.
    Limbs a;
    ASSERT_EQ((key_->*f)(x, 1, &a.data, &a.count), kOk);
    ASSERT_EQ((key_->*f)(x, 3, &out.data, &out.count), kOk);
    ASSERT_EQ((key_->*f)(x, 3, &out.data, &out.count), kOk);
    EXPECT_EQ(out.vec(), a.vec());
  }
  // Inputs of n or more are reduced: n + 2 gives the result of 2.
  const BigNumber& n = key_->Number(0);
  std::vector<uint32_t> big(n.limbs, n.limbs + n.count);
  big[0] += 2;
  Limbs a, b;
  ASSERT_EQ(key_->PrivateDecrypt(big.data(), uint32_t(big.size()), &a.data, &a.count), kOk);
  ASSERT_EQ(key_->PrivateDecrypt(x, 1, &b.data, &b.count), kOk);
  EXPECT_EQ(a.vec(), b.vec());
}

TEST_F(RsaKeyTest, EmptyObjectExportsFourBytes) {
  RsaPtr rsa = NewRsa();
  Blob pub;
  ASSERT_EQ(rsa->ExportPublicKey(&pub.data, &pub.size), kOk);
  EXPECT_EQ(pub.bytes(), std::vector<uint8_t>(4, 0));
  EXPECT_EQ(rsa->ExportPrivateKey(&pub.data, &pub.size), kInvalidType);
  uint32_t x[] = {2};
  Limbs out;
  EXPECT_EQ(rsa->PublicEncrypt(x, 1, &out.data, &out.count), kInvalidArg);  // n = 0
}

// Builds a private blob from numbers given as limb vectors.
std::vector<uint8_t> PrivateBlob(const std::vector<std::vector<uint32_t>>& numbers) {
  std::vector<uint8_t> b;
  for (const auto& v : numbers) {
    b.push_back(uint8_t(v.size()));
    b.push_back(uint8_t(v.size() >> 8));
    for (uint32_t limb : v)
      for (int j = 0; j < 4; ++j) b.push_back(uint8_t(limb >> (8 * j)));
  }
  return b;
}

TEST(RsaTest, HandBuiltKeyWithLeadingZeroLimbs) {
  // p = 61, q = 53, n = 3233, e = 17, d = 413 (mod lcm 780), u = 61^-1 mod 53 = 20.
  std::vector<uint8_t> blob = PrivateBlob({{3233, 0, 0}, {17, 0}, {413, 0}, {61}, {53, 0}, {20, 0, 0}});
  ASSERT_EQ(blob.size(), 12u + 4 * 13);
  RsaPtr rsa = NewRsa();
  ASSERT_EQ(rsa->ImportPrivateKey(blob.data(), uint32_t(blob.size())), kOk);
  Blob again;
  ASSERT_EQ(rsa->ExportPrivateKey(&again.data, &again.size), kOk);
  EXPECT_EQ(again.bytes(), blob);
  // 65^17 mod 3233 = 2790 and back.
  uint32_t m[] = {65, 0};
  Limbs c, back;
  ASSERT_EQ(rsa->PublicEncrypt(m, 2, &c.data, &c.count), kOk);
  EXPECT_EQ(c.vec(), std::vector<uint32_t>{2790});
  ASSERT_EQ(rsa->PrivateDecrypt(c.data, c.count, &back.data, &back.count), kOk);
  EXPECT_EQ(back.vec(), std::vector<uint32_t>{65});
  // The result 0 has count 0.
  uint32_t zero[] = {0};
  ASSERT_EQ(rsa->PrivateDecrypt(zero, 1, &back.data, &back.count), kOk);
  EXPECT_EQ(back.count, 0u);
}

TEST(RsaTest, BrokenPrivateKeysAreRefused) {
  struct Case {
    const char* what;
    std::vector<std::vector<uint32_t>> numbers;
  } cases[] = {
      {"p is 0", {{3233}, {17}, {413}, {}, {53}, {20}}},
      {"q is 0", {{3233}, {17}, {413}, {61}, {0}, {20}}},
      {"p is 1", {{3233}, {17}, {413}, {1}, {53}, {20}}},
      {"p even", {{3233}, {17}, {413}, {62}, {53}, {20}}},
      {"n is not p q", {{3235}, {17}, {413}, {61}, {53}, {20}}},
      {"n is 0", {{}, {17}, {413}, {61}, {53}, {20}}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> blob = PrivateBlob(c.numbers);
    RsaPtr rsa = NewRsa();
    ASSERT_EQ(rsa->ImportPrivateKey(blob.data(), uint32_t(blob.size())), kOk) << c.what;
    uint32_t x[] = {65};
    Limbs out;
    EXPECT_EQ(rsa->PrivateDecrypt(x, 1, &out.data, &out.count), kInvalidArg) << c.what;
    EXPECT_EQ(out.data, nullptr);
  }
}

TEST_F(RsaKeyTest, KeyPartsRoundTrip) {
  RsaKeyParts parts{};
  parts.userId = zk_DupString("owner");
  parts.d.data = static_cast<uint8_t*>(zk_malloc(8));  // an old block, freed
  ASSERT_EQ(key_->GetKeyParts(&parts), kOk);
  EXPECT_EQ(parts.kind, kRsaPrivateKey);
  EXPECT_EQ(parts.userId, nullptr);
  EXPECT_EQ(parts.n.byteLength, 128);
  EXPECT_EQ(parts.n.bitLength, 1024u);
  EXPECT_EQ(parts.e.byteLength, 4);
  EXPECT_EQ(parts.e.bitLength, 17u);
  EXPECT_EQ(std::memcmp(parts.e.data, "\x01\x00\x01\x00", 4), 0);
  EXPECT_EQ(std::memcmp(parts.n.data, key_->Number(0).limbs, 128), 0);
  RsaPtr copy = NewRsa();
  ASSERT_EQ(copy->SetKeyParts(&parts), kOk);
  EXPECT_TRUE(copy->HasPrivate());
  Blob a, b;
  ASSERT_EQ(key_->ExportPrivateKey(&a.data, &a.size), kOk);
  ASSERT_EQ(copy->ExportPrivateKey(&b.data, &b.size), kOk);
  EXPECT_EQ(a.bytes(), b.bytes());
  // Public parts only.
  parts.kind = kRsaPublicKey;
  ASSERT_EQ(copy->SetKeyParts(&parts), kOk);
  EXPECT_FALSE(copy->HasPrivate());
  RsaKeyParts pub{};
  ASSERT_EQ(copy->GetKeyParts(&pub), kOk);
  EXPECT_EQ(pub.kind, kRsaPublicKey);
  EXPECT_EQ(pub.d.data, nullptr);
  for (RsaKeyParts* r : {&parts, &pub})
    for (RsaKeyPart* part : {&r->n, &r->e, &r->d, &r->p, &r->q, &r->u}) zk_free(part->data);
  EXPECT_EQ(copy->SetKeyParts(nullptr), kInvalidArg);
  EXPECT_EQ(copy->GetKeyParts(nullptr), kInvalidArg);
}

TEST(RsaTest, KeyPartsWithOddByteLengths) {
  // A 3-byte part becomes one limb completed with a zero byte.
  uint8_t n[] = {0xA1, 0x0C, 0x00, 0x00, 0x07};  // 3233 + 7 * 2^32, five bytes
  uint8_t e[] = {0x11};
  RsaKeyParts parts{};
  parts.kind = kRsaPublicKey;
  parts.n = {n, 5, 0, 0};
  parts.e = {e, 1, 0, 0};
  RsaPtr rsa = NewRsa();
  ASSERT_EQ(rsa->SetKeyParts(&parts), kOk);
  Blob pub;
  ASSERT_EQ(rsa->ExportPublicKey(&pub.data, &pub.size), kOk);
  EXPECT_EQ(pub.bytes(), (std::vector<uint8_t>{2, 0, 0xA1, 0x0C, 0, 0, 7, 0, 0, 0, 1, 0, 0x11, 0, 0, 0}));
  parts.e = {nullptr, 4, 0, 0};
  EXPECT_EQ(rsa->SetKeyParts(&parts), kInvalidArg);
}

TEST(RsaTest, RegisteredAndCreatableById) {
  IAsymmetrical* rsa = zktest::Create<IAsymmetrical>(id::CipherRSA, id::CryptoIAsymmetrical);
  ASSERT_NE(rsa, nullptr);
  EXPECT_STREQ(rsa->GetClassId(), "cipher.RSA");
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(rsa->QueryInterface(id::StdIBase, &out), kNotImplemented);
  EXPECT_EQ(out, nullptr);
  rsa->Release();
}

}  // namespace

namespace {

// GenerateKey through the class registry, with the library's entropy pool
// behind a Blowfish whitening cipher.
TEST(RsaTest, GenerateKeyWithThePoolEntropy) {
  zk::IAsymmetrical* rsa = zktest::Create<zk::IAsymmetrical>(zk::id::CipherRSA, zk::id::CryptoIAsymmetrical);
  ASSERT_NE(rsa, nullptr);
  EXPECT_EQ(rsa->GenerateKey(63), zk::kInvalidArg);
  for (uint32_t bits : {128u, 64u}) {  // the second replaces the kept source
    ASSERT_EQ(rsa->GenerateKey(bits), zk::kOk);
    CheckKey(*static_cast<zk::cipher::Rsa*>(rsa), bits);
  }
  rsa->Release();
}

}  // namespace

namespace {

// The exponentiation setups kept per key follow every change of key.
TEST(RsaTest, KeptSetupsFollowKeyChanges) {
  FakeEntropy ra(11), rb(12);
  RsaPtr a = NewRsa(), b = NewRsa(), fresh = NewRsa();
  ASSERT_EQ(a->GenerateKeyFrom(512, &ra), kOk);
  ASSERT_EQ(b->GenerateKeyFrom(512, &rb), kOk);
  Blob kb;
  ASSERT_EQ(b->ExportPrivateKey(&kb.data, &kb.size), kOk);
  ASSERT_EQ(fresh->ImportPrivateKey(kb.data, kb.size), kOk);
  uint32_t x[] = {12345, 678};
  Limbs first, pa, pb, sa, sb;
  ASSERT_EQ(a->PublicEncrypt(x, 2, &first.data, &first.count), kOk);
  ASSERT_EQ(a->PrivateDecrypt(x, 2, &first.data, &first.count), kOk);
  ASSERT_EQ(a->ImportPrivateKey(kb.data, kb.size), kOk);  // a now holds b's key
  ASSERT_EQ(a->PublicEncrypt(x, 2, &pa.data, &pa.count), kOk);
  ASSERT_EQ(fresh->PublicEncrypt(x, 2, &pb.data, &pb.count), kOk);
  EXPECT_EQ(pa.vec(), pb.vec());
  ASSERT_EQ(a->PrivateDecrypt(x, 2, &sa.data, &sa.count), kOk);
  ASSERT_EQ(fresh->PrivateDecrypt(x, 2, &sb.data, &sb.count), kOk);
  EXPECT_EQ(sa.vec(), sb.vec());
}

}  // namespace
