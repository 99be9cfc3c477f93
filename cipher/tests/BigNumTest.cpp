// Big-number arithmetic and the prime search, checked against OpenSSL's BN
// as an independent oracle over random operands of 1 to 130 limbs.
#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <cstring>
#include <random>
#include <vector>

#include "BigNum.h"
#include "Prime.h"
#include "FakeEntropy.h"

namespace {

using namespace zk::cipher::bn;

// A BIGNUM of the same value (leading zero limbs ignored).
struct Bn {
  BIGNUM* p = BN_new();
  Bn() = default;
  explicit Bn(const BigNumber& a) {
    std::vector<unsigned char> le(size_t(a.count) * 4 + 1);
    for (int32_t i = 0; i < a.count; ++i)
      for (int j = 0; j < 4; ++j) le[4 * i + j] = uint8_t(a.limbs[i] >> (8 * j));
    BN_lebin2bn(le.data(), int(a.count) * 4, p);
  }
  ~Bn() { BN_free(p); }
  Bn(const Bn&) = delete;
  Bn& operator=(const Bn&) = delete;
  operator BIGNUM*() const { return p; }
};

std::string Hex(const BIGNUM* b) {
  char* s = BN_bn2hex(b);
  std::string r = s;
  OPENSSL_free(s);
  return r;
}

// Equal in value, and the result is in normal form.
::testing::AssertionResult SameValue(const BigNumber& a, const BIGNUM* expect) {
  if (a.count > 0 && a.limbs[a.count - 1] == 0)
    return ::testing::AssertionFailure() << "leading zero limb in a result";
  Bn got(a);
  if (BN_cmp(got, expect) != 0)
    return ::testing::AssertionFailure() << "got " << Hex(got) << " expected " << Hex(expect);
  return ::testing::AssertionSuccess();
}

class Operands {
 public:
  explicit Operands(uint32_t seed) : rng_(seed) {}
  // A random number of `limbs` limbs, top limb non-zero, plus `pad` zero limbs.
  void Make(BigNumber& a, int limbs, int pad = 0) {
    std::vector<uint32_t> v(size_t(limbs + pad), 0);
    for (int i = 0; i < limbs; ++i) v[i] = uint32_t(rng_());
    // Sparse and full patterns reach the rare branches of the division.
    int style = int(rng_() % 4);
    for (int i = 0; i < limbs; ++i) {
      if (style == 1 && rng_() % 3 == 0) v[i] = 0xffffffffu;
      if (style == 2 && rng_() % 3 == 0) v[i] = 0;
    }
    if (limbs) v[limbs - 1] |= style == 3 ? 0x80000000u : 1u;
    ASSERT_EQ(SetLimbs(a, v.data(), int32_t(v.size())), zk::kOk);
  }
  int Limbs(int max = 130) { return 1 + int(rng_() % uint32_t(max)); }
  int Pad() { return rng_() % 3 == 0 ? int(rng_() % 3) + 1 : 0; }
  std::mt19937& rng() { return rng_; }

 private:
  std::mt19937 rng_;
};

struct Ctx {
  BN_CTX* c = BN_CTX_new();
  ~Ctx() { BN_CTX_free(c); }
  operator BN_CTX*() const { return c; }
};

TEST(BigNumTest, MultiplyAndDivideMatchOracle) {
  Operands ops(1);
  Ctx ctx;
  for (int round = 0; round < 300; ++round) {
    BigNumber a, b, prod, q, r;
    ops.Make(a, ops.Limbs(), ops.Pad());
    ops.Make(b, ops.Limbs(), ops.Pad());
    Bn A(a), B(b), P, Q, R;
    ASSERT_EQ(Mul(prod, a, b), zk::kOk);
    BN_mul(P, A, B, ctx);
    ASSERT_TRUE(SameValue(prod, P));
    // Divide the product plus something by b, and a by b.
    ASSERT_EQ(DivMod(&q, &r, prod, b), zk::kOk);
    BN_div(Q, R, P, B, ctx);
    ASSERT_TRUE(SameValue(q, Q)) << round;
    ASSERT_TRUE(SameValue(r, R)) << round;
    ASSERT_EQ(DivMod(&q, &r, a, b), zk::kOk);
    BN_div(Q, R, A, B, ctx);
    ASSERT_TRUE(SameValue(q, Q)) << round;
    ASSERT_TRUE(SameValue(r, R)) << round;
    // Results may be inputs.
    ASSERT_EQ(Mod(a, a, b), zk::kOk);
    ASSERT_TRUE(SameValue(a, R));
  }
}

TEST(BigNumTest, AddSubtractAndWordOperations) {
  Operands ops(2);
  for (int round = 0; round < 200; ++round) {
    BigNumber a, b, s, d;
    ops.Make(a, ops.Limbs(), ops.Pad());
    ops.Make(b, ops.Limbs(), ops.Pad());
    Bn A(a), B(b), S, D;
    ASSERT_EQ(Add(s, a, b), zk::kOk);
    BN_add(S, A, B);
    ASSERT_TRUE(SameValue(s, S));
    ASSERT_EQ(Sub(d, s, b), zk::kOk);
    ASSERT_TRUE(SameValue(d, A));
    uint32_t w = uint32_t(ops.rng()()) | 1;
    EXPECT_EQ(ModWord(a, w), BN_mod_word(A, w));
    ASSERT_EQ(AddWord(d, a, w), zk::kOk);
    ASSERT_EQ(SubWord(d, d, w), zk::kOk);
    ASSERT_TRUE(SameValue(d, A));
    EXPECT_EQ(int(BitLength(a)), BN_num_bits(A));
    EXPECT_EQ(Compare(a, b), BN_cmp(A, B));
    uint32_t shift = ops.rng()() % 200;
    ASSERT_EQ(AddWordShifted(d, a, w, shift), zk::kOk);
    Bn W;
    BN_set_word(W, w);
    BN_lshift(W, W, int(shift));
    BN_add(D, A, W);
    ASSERT_TRUE(SameValue(d, D));
  }
  // Subtracting across a limb boundary and adding back gives normal form.
  BigNumber x;
  uint32_t limbs[] = {0, 1};
  ASSERT_EQ(SetLimbs(x, limbs, 2), zk::kOk);
  ASSERT_EQ(SubWord(x, x, 1), zk::kOk);
  EXPECT_EQ(x.count, 1);
  EXPECT_EQ(x.limbs[0], 0xffffffffu);
  ASSERT_EQ(AddWord(x, x, 1), zk::kOk);
  EXPECT_EQ(x.count, 2);
  ASSERT_EQ(SubWord(x, x, 0), zk::kOk);
  ASSERT_EQ(SetWord(x, 5), zk::kOk);
  ASSERT_EQ(SubWord(x, x, 5), zk::kOk);
  EXPECT_EQ(x.count, 0);
  EXPECT_EQ(SubWord(x, x, 1), zk::kInvalidArg);
}

TEST(BigNumTest, InverseAndGcdMatchOracle) {
  Operands ops(3);
  Ctx ctx;
  int none = 0;
  for (int round = 0; round < 200; ++round) {
    BigNumber a, m, inv, g;
    ops.Make(a, ops.Limbs(), ops.Pad());
    ops.Make(m, ops.Limbs(), ops.Pad());
    if (IsZero(m) || CompareWord(m, 1) == 0) continue;
    Bn A(a), M, I, G;
    BN_copy(M, Bn(m));
    ASSERT_EQ(Gcd(g, a, m), zk::kOk);
    BN_gcd(G, A, M, ctx);
    ASSERT_TRUE(SameValue(g, G));
    BIGNUM* expect = BN_mod_inverse(I, A, M, ctx);
    StatusCode s = ModInverse(inv, a, m);
    if (!expect) {
      EXPECT_EQ(s, zk::kNotExecuted);
      ++none;
    } else {
      ASSERT_EQ(s, zk::kOk);
      ASSERT_TRUE(SameValue(inv, I)) << round;
    }
  }
  EXPECT_GT(none, 10);  // even moduli and shared factors were met
  BigNumber three, nine, r;
  SetWord(three, 3);
  SetWord(nine, 9);
  EXPECT_EQ(ModInverse(r, three, nine), zk::kNotExecuted);
}

// The exponentiation tests run with the processor's vector form and with
// the portable one.
class ExpForm : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam() && !ExpHardwareAvailable()) GTEST_SKIP() << "no AVX-512 IFMA";
    ExpUseHardware(GetParam());
  }
  void TearDown() override { ExpUseHardware(true); }
};
INSTANTIATE_TEST_SUITE_P(Forms, ExpForm, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Vector" : "Portable"; });

TEST_P(ExpForm, ExponentiationMatchesOracle) {
  Operands ops(4);
  Ctx ctx;
  for (int round = 0; round < 60; ++round) {
    BigNumber b, x, m, r;
    int ml = ops.Limbs();
    ops.Make(b, ops.Limbs(), ops.Pad());
    ops.Make(x, round < 20 ? ops.Limbs() : ops.Limbs(4), ops.Pad());
    ops.Make(m, ml, ops.Pad());
    m.limbs[0] |= 1;
    Bn B(b), X(x), M(m), R;
    ASSERT_EQ(ModExp(r, b, x, m), zk::kOk);
    BN_mod_exp(R, B, X, M, ctx);
    ASSERT_TRUE(SameValue(r, R)) << round;
    ASSERT_EQ(ModExp2(r, x, m), zk::kOk);
    Bn two;
    BN_set_word(two, 2);
    BN_mod_exp(R, two, X, M, ctx);
    ASSERT_TRUE(SameValue(r, R)) << round;
  }
}

// Moduli just below a power of two at the sizes where the vector form
// changes its limb count, bases of m - 1 (every limb full), the kept setup
// of RSA, and pairs of exponentiations of equal and of different sizes.
TEST_P(ExpForm, KeptSetupsPairsAndEdgeSizes) {
  Ctx ctx;
  std::mt19937 rng(9);
  auto make = [&](BigNumber& a, uint32_t bits, bool full) {
    std::vector<uint32_t> v((bits + 31) / 32);
    for (auto& w : v) w = full ? 0xffffffffu : uint32_t(rng());
    if (bits % 32) v.back() &= (1u << (bits % 32)) - 1;
    v.back() |= 1u << ((bits - 1) % 32);
    ASSERT_EQ(SetLimbs(a, v.data(), int32_t(v.size())), zk::kOk);
    Normalize(a);
  };
  for (uint32_t bits : {383u, 384u, 414u, 415u, 622u, 623u, 830u, 831u, 1024u, 1038u, 1039u, 1246u, 1247u,
                        1662u, 1663u, 2048u, 2078u, 2079u, 2494u, 2495u, 3326u, 3327u, 4158u, 4159u}) {
    SCOPED_TRACE(bits);
    BigNumber m, b, x, rr, r;
    make(m, bits, true);
    ASSERT_EQ(SubWord(m, m, 2 * (rng() % 1000)), zk::kOk);
    ASSERT_EQ(SubWord(b, m, 1), zk::kOk);
    make(x, bits, false);
    ASSERT_EQ(MontgomerySquare(rr, m), zk::kOk);
    Bn M(m), B(b), X(x), R;
    BN_mod_exp(R, B, X, M, ctx);
    ASSERT_EQ(ModExp(r, b, x, m, &rr), zk::kOk);
    EXPECT_TRUE(SameValue(r, R));
    ASSERT_EQ(ModExp(r, b, x, m), zk::kOk);
    EXPECT_TRUE(SameValue(r, R));
  }
  Operands ops(6);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    BigNumber b1, x1, m1, rr1, r2, b2, x2, m2;
    const int limbs1 = round % 3 == 0 ? 32 : ops.Limbs(), limbs2 = round % 2 ? limbs1 : ops.Limbs();
    ops.Make(m1, limbs1, ops.Pad());
    ops.Make(m2, limbs2, ops.Pad());
    m1.limbs[0] |= 1;
    m2.limbs[0] |= 1;
    ops.Make(b1, ops.Limbs(), ops.Pad());
    ops.Make(b2, ops.Limbs(), ops.Pad());
    ops.Make(x1, ops.Limbs(40));
    ops.Make(x2, round % 4 == 0 ? 1 : ops.Limbs(40));
    ASSERT_EQ(MontgomerySquare(rr1, m1), zk::kOk);
    Bn B1(b1), X1(x1), M1(m1), B2(b2), X2(x2), M2(m2), R1, R2;
    BN_mod_exp(R1, B1, X1, M1, ctx);
    BN_mod_exp(R2, B2, X2, M2, ctx);
    // The first result takes the place of its base.
    ASSERT_EQ(ModExpPair(b1, b1, x1, m1, &rr1, r2, b2, x2, m2, nullptr), zk::kOk);
    EXPECT_TRUE(SameValue(b1, R1));
    EXPECT_TRUE(SameValue(r2, R2));
  }
  // A zero exponent and a modulus of 1 beside a full-size job.
  BigNumber b, x, m, zero, one, r1, r2;
  make(m, 1024, false);
  m.limbs[0] |= 1;
  make(b, 1000, false);
  make(x, 1024, false);
  SetWord(one, 1);
  ASSERT_EQ(ModExpPair(r1, b, zero, m, nullptr, r2, b, x, one, nullptr), zk::kOk);
  EXPECT_EQ(CompareWord(r1, 1), 0);
  EXPECT_EQ(r2.count, 0);
  // A base that is a multiple of the modulus gives 0.
  ASSERT_EQ(Mul(b, m, one), zk::kOk);
  ASSERT_EQ(ModExpPair(r1, b, x, m, nullptr, r2, b, x, m, nullptr), zk::kOk);
  EXPECT_EQ(r1.count, 0);
  EXPECT_EQ(r2.count, 0);
}

TEST(BigNumTest, ExponentiationEdgeCases) {
  BigNumber b, x, m, r;
  SetWord(b, 7);
  SetWord(x, 5);
  SetWord(m, 10);
  EXPECT_EQ(ModExp(r, b, x, m), zk::kInvalidArg);  // even modulus
  EXPECT_EQ(ModExp2(r, x, m), zk::kInvalidArg);
  Clear(m);
  EXPECT_EQ(ModExp(r, b, x, m), zk::kInvalidArg);  // zero modulus
  SetWord(m, 1);
  SetWord(r, 9);
  ASSERT_EQ(ModExp(r, b, x, m), zk::kOk);
  EXPECT_EQ(r.count, 0);
  SetWord(r, 9);
  ASSERT_EQ(ModExp2(r, x, m), zk::kOk);
  EXPECT_EQ(r.count, 0);
  // x = 0 gives 1; base 0 gives 0; a base above the modulus is reduced.
  SetWord(m, 13);
  Clear(x);
  ASSERT_EQ(ModExp(r, b, x, m), zk::kOk);
  EXPECT_EQ(CompareWord(r, 1), 0);
  SetWord(x, 3);
  Clear(b);
  ASSERT_EQ(ModExp(r, b, x, m), zk::kOk);
  EXPECT_EQ(r.count, 0);
  SetWord(b, 13 * 5 + 2);
  ASSERT_EQ(ModExp(r, b, x, m), zk::kOk);
  EXPECT_EQ(CompareWord(r, 8), 0);
  // Division by zero.
  Clear(m);
  EXPECT_EQ(DivMod(&r, nullptr, b, m), zk::kInvalidArg);
}

using zktest::FakeEntropy;

TEST(BigNumTest, RandomStartHasExactBitsTopBitsAndIsOdd) {
  for (uint32_t bits : {512u, 513u, 519u, 64u, 33u}) {
    FakeEntropy random(bits);
    BigNumber s;
    ASSERT_EQ(RandomStart(s, bits, &random), zk::kOk);
    Bn S(s);
    EXPECT_EQ(BitLength(s), bits);
    EXPECT_TRUE(BN_is_bit_set(S, int(bits) - 1) && BN_is_bit_set(S, int(bits) - 2) && BN_is_odd(S));
    // Drawn most significant first, at most 64 bytes at a time.
    uint32_t total = 0;
    for (uint32_t n : random.drawn) {
      EXPECT_LE(n, 64u);
      total += n;
    }
    EXPECT_EQ(total, (bits + 7) / 8);
  }
  // The first byte drawn is the most significant.
  FakeEntropy a(7), b(7);
  uint8_t bytes[2];
  b.GetRandom(bytes, 2);
  BigNumber s;
  ASSERT_EQ(RandomStart(s, 16, &a), zk::kOk);
  EXPECT_EQ(LowWord(s), ((uint32_t(bytes[0]) << 8 | bytes[1]) | 0xc001u));
}

TEST(BigNumTest, CandidateTestUsesTheListedBases) {
  struct Case {
    uint64_t value;
    bool prime;
  } cases[] = {
      {4294967291ull, true},          // largest 32-bit prime (7 mod 8)
      {2305843009213693951ull, true},  // 2^61 - 1
      {1000000007ull, true},
      {3215031751ull, false},         // strong pseudoprime to 2, 3, 5, 7
      {3474749660383ull, false},      // strong pseudoprime to 2 ... 13, caught by 17
      {341550071728321ull, true},     // strong pseudoprime to every base up to 17
      {561ull * 1ull, false},         // Carmichael
      {41041ull, false},
      {1ull << 40 | 1, false},
  };
  for (const Case& c : cases) {
    BigNumber n;
    uint32_t limbs[2] = {uint32_t(c.value), uint32_t(c.value >> 32)};
    SetLimbs(n, limbs, 2);
    bool prime = !c.prime;
    ASSERT_EQ(TestCandidate(n, &prime), zk::kOk);
    EXPECT_EQ(prime, c.prime) << c.value;
  }
  // Random odd numbers of 64 to 600 bits agree with OpenSSL.
  Operands ops(5);
  Ctx ctx;
  int primes = 0;
  for (int round = 0; round < 400; ++round) {
    BigNumber n;
    ops.Make(n, 2 + round % 18);
    n.limbs[0] |= 1;
    Bn N(n);
    if (BN_mod_word(N, 3) == 0 || BN_mod_word(N, 5) == 0 || BN_mod_word(N, 7) == 0) continue;
    bool prime = false;
    ASSERT_EQ(TestCandidate(n, &prime), zk::kOk);
    int expect = BN_check_prime(N, ctx, nullptr);
    EXPECT_EQ(prime, expect == 1) << Hex(N);
    primes += prime;
  }
  EXPECT_GT(primes, 0);
}

TEST(BigNumTest, PrimeSearchSkipsExcludedResidues) {
  Ctx ctx;
  for (uint32_t bits : {40u, 256u, 512u}) {
    FakeEntropy random(bits * 3);
    BigNumber start, p;
    ASSERT_EQ(RandomStart(start, bits, &random), zk::kOk);
    // 3 and 5 as excluded divisors bite often: p mod 3 must be 2.
    const uint32_t excluded[] = {3, 5, 65537};
    ASSERT_EQ(FindPrime(p, start, excluded, 3, &random), zk::kOk);
    Bn P(p);
    EXPECT_EQ(BN_check_prime(P, ctx, nullptr), 1);
    EXPECT_GE(Compare(p, start), 0);
    EXPECT_EQ(ModWord(p, 3), 2u);
    EXPECT_NE(ModWord(p, 5), 1u);
    EXPECT_NE(ModWord(p, 65537), 1u);
  }
  // A start whose first windows are all ruled out: the search moves on.
  BigNumber start, p;
  FakeEntropy random(9);
  ASSERT_EQ(SetWord(start, 65537u * 1000 + 1), zk::kOk);
  const uint32_t excluded[] = {65537};
  ASSERT_EQ(FindPrime(p, start, excluded, 1, &random), zk::kOk);
  EXPECT_NE(ModWord(p, 65537), 1u);
}

}  // namespace
