// cipher.SetPassword: key derivation for every cipher, the quality estimate,
// passwords from a seed (pinned) and random passwords.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ModesTestSupport.h"
#include "ZkTestSupport.h"

namespace {

using ciphertest::ToyCipher;
using zktest::FromHex;

const std::string kAlphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-+=()[]{}<>~|";

class Password : public ::testing::Test {
 protected:
  void SetUp() override {
    pw = zktest::Create<zk::IPassword>(zk::id::CipherSetPassword, zk::id::CryptoIPassword);
    ASSERT_NE(pw, nullptr);
  }
  void TearDown() override { zk::ReleaseAndNull(pw); }
  zk::IPassword* pw = nullptr;
};

std::vector<uint8_t> Padded(const std::string& s, size_t n) {
  std::vector<uint8_t> v(s.begin(), s.end());
  v.resize(n, 0);
  return v;
}

// The digest a hash class gives (empty when the class is not there).
std::vector<uint8_t> Digest(const char* hashClass, const std::string& s, uint32_t size) {
  auto* h = zktest::Create<zk::IHash>(hashClass, zk::id::CryptoIHash);
  if (!h) return {};
  std::vector<uint8_t> out(size);
  h->Init();
  h->Update(s.data(), uint32_t(s.size()));
  h->Final(out.data(), size);
  h->Release();
  return out;
}

TEST_F(Password, KeyLengthFollowsTheCiphersSizesAndTheDigestTable) {
  struct Case {
    uint32_t min, max;
    std::string password;
    const char* digestClass;  // null: no digest
    uint32_t keyLength;       // 0: refused with -3
  };
  const std::string p40(40, 'q');
  const Case cases[] = {
      {16, 16, "abc", nullptr, 16},       // short: zero-padded to the smallest key
      {5, 16, "abcdefghij", nullptr, 10}, // within the sizes: itself
      {1, 56, "aaaa", nullptr, 4},        // the repeated-character rule is Blowfish's only
      {16, 16, p40, zk::id::HashMD5, 16},
      {16, 24, p40, zk::id::HashSHA, 20},
      {24, 24, p40, nullptr, 0},          // largest digest not above 24 is 20, below 24
      {1, 31, p40, zk::id::HashSHA, 20},
      {32, 32, p40, zk::id::HashSHA32, 32},
      {1, 255, std::string(300, 'z'), zk::id::HashSHA32, 32},
      {1, 8, p40, zk::id::HashHashCipher, 8},    // over cipher.RC5
      {12, 12, p40, zk::id::HashHashCipher, 12}, // over cipher.3Way
      {1, 7, p40, nullptr, 0},
  };
  for (const Case& t : cases) {
    ToyCipher* bc = ToyCipher::Make(8);
    bc->minKey = t.min;
    bc->maxKey = t.max;
    StatusCode st = pw->SetPassword(bc, t.password.data(), uint32_t(t.password.size()));
    SCOPED_TRACE(t.password.substr(0, 10) + " min " + std::to_string(t.min) + " max " + std::to_string(t.max));
    if (t.keyLength == 0) {
      EXPECT_EQ(st, zk::kNotExecuted);
    } else if (!t.digestClass) {
      ASSERT_EQ(st, 0);
      EXPECT_EQ(bc->lastKey, Padded(t.password, std::max<size_t>(t.min, t.password.size())));
    } else {
      ASSERT_EQ(st, 0);
      EXPECT_EQ(bc->lastKey.size(), t.keyLength);
      if (t.keyLength >= 16) {
        EXPECT_EQ(bc->lastKey, Digest(t.digestClass, t.password, t.keyLength));
      }
    }
    bc->Release();
  }
  ToyCipher* bc = ToyCipher::Make(8);
  bc->minKey = 5;
  EXPECT_EQ(pw->SetPassword(nullptr, "abc", 3), zk::kInvalidArg);
  EXPECT_EQ(pw->SetPassword(bc, nullptr, 3), zk::kInvalidArg);
  ASSERT_EQ(pw->SetPassword(bc, nullptr, 0), 0);
  EXPECT_EQ(bc->lastKey, std::vector<uint8_t>(5, 0));
  bc->Release();
}

// Keys of the real ciphers: a block encrypted under the password's key
// equals the block under the expected key set directly. The SHA-256-variant
// digests were computed with an independent Python model of hash.SHA32
// (FIPS 180-2 with T1 lacking the h term, result words little-endian;
// checked against the "abc" value 9e78068a...).
TEST_F(Password, RealCipherKeyTable) {
  const std::string p40 = "a forty character password for the AES32";
  const std::string p61 = "sixty characters of a Blowfish password, too long for its key";
  const auto sha40 = FromHex("49451a727d7d71341a158e1e318ef351d99172918a2d0acee961aea8ec81de2d");
  const auto sha61 = FromHex("768ac29e356f2bf1149f448efc741a73738dab7ceb7509c70e3df92fb76ee97b");
  struct Case {
    const char* cipher;
    std::string password;
    std::vector<uint8_t> key;  // empty: refused with -3
  };
  std::vector<Case> cases = {
      {zk::id::CipherAES16, "abc", Padded("abc", 16)},
      {zk::id::CipherAES16, "sixteen chars ok", Padded("sixteen chars ok", 16)},
      {zk::id::CipherAES24, p40, {}},
      {zk::id::CipherAES32, p40, sha40},
      {zk::id::CipherGOST, p40, sha40},
      {zk::id::CipherBlowfish, "kkkk", Padded("kkkk", 56)},
      {zk::id::CipherBlowfish, "k", Padded("k", 56)},
      {zk::id::CipherBlowfish, "kiki", Padded("kiki", 4)},
      {zk::id::CipherBlowfish, p61, sha61},
      {zk::id::CipherRC5, std::string(256, 'r'), {}},  // filled below when SHA32 is there
      {zk::id::CipherCAST128, "abc", Padded("abc", 5)},
  };
  cases[9].key = Digest(zk::id::HashSHA32, cases[9].password, 32);
  int ran = 0;
  for (const Case& t : cases) {
    SCOPED_TRACE(std::string(t.cipher) + " " + t.password.substr(0, 12));
    auto* a = zktest::Create<zk::IBlockCipher>(t.cipher, zk::id::CryptoIBlockCipher);
    auto* b = zktest::Create<zk::IBlockCipher>(t.cipher, zk::id::CryptoIBlockCipher);
    if (!a || !b || (t.key.empty() && std::string(t.cipher) == zk::id::CipherRC5)) {
      zk::ReleaseAndNull(a);
      zk::ReleaseAndNull(b);
      continue;
    }
    ++ran;
    StatusCode st = pw->SetPassword(a, t.password.data(), uint32_t(t.password.size()));
    if (t.key.empty()) {
      EXPECT_EQ(st, zk::kNotExecuted);
    } else {
      ASSERT_EQ(st, 0);
      ASSERT_EQ(b->SetKey(t.key.data(), uint32_t(t.key.size())), 0);
      std::vector<uint8_t> x(32, 0x5C), y(32, 0x5C);
      a->EncryptBlocks(x.data(), 32);
      b->EncryptBlocks(y.data(), 32);
      EXPECT_EQ(x, y);
    }
    a->Release();
    b->Release();
  }
  EXPECT_GE(ran, 6);  // AES and Blowfish at least
  // The repeated-character rule really differs from the characters cycled.
  auto* a = zktest::Create<zk::IBlockCipher>(zk::id::CipherBlowfish, zk::id::CryptoIBlockCipher);
  auto* b = zktest::Create<zk::IBlockCipher>(zk::id::CipherBlowfish, zk::id::CryptoIBlockCipher);
  ASSERT_TRUE(a && b);
  ASSERT_EQ(pw->SetPassword(a, "kkkk", 4), 0);
  ASSERT_EQ(b->SetKey("kkkk", 4), 0);
  uint8_t x[8] = {}, y[8] = {};
  a->EncryptBlocks(x, 8);
  b->EncryptBlocks(y, 8);
  EXPECT_NE(zktest::ToHex(x, 8), zktest::ToHex(y, 8));
  a->Release();
  b->Release();
}

TEST_F(Password, QualityIsDistinctBytesTimesClassWeights) {
  struct Case {
    std::string password;
    uint32_t divisor, expect;
  };
  const Case cases[] = {
      {"abc1", 1, 4 * 25},
      {"a1", 10, 2 * 25 / 10},
      {"1a", 10, 2 * 25 / 10},
      {"aaaa", 1, 15},
      {"Aa", 1, 2 * 30},
      {"!!", 1, 30},
      {"\xE9\xC9", 1, 2 * 30},
      {"aA1!\xE0\xC0", 3, 6 * 100 / 3},
      {"", 1, 0},
      {"abc", 0, 0},  // no divisor: 0 rather than a division by zero
  };
  for (const Case& t : cases)
    EXPECT_EQ(pw->EstimateQuality(t.password.data(), uint32_t(t.password.size()), t.divisor), t.expect)
        << t.password;
}

// Pinned with an independent model: Crypto++'s IDEA keyed with the seed
// zero-padded to 16 bytes; cipher feedback over zeros from a zero register
// gives E(0), E(E(0)), ... each used from its last byte to its first; each
// byte b is alphabet[b % 76]. (A 30-line program over CryptoPP::IDEA::Encryption
// printed these; its steps are exactly the four above.)
TEST_F(Password, PasswordFromSeedIsPinned) {
  char out[64];
  EXPECT_EQ(pw->PasswordFromSeed(nullptr, 8, out), zk::kInvalidArg);
  EXPECT_EQ(pw->PasswordFromSeed("x", 0, out), zk::kInvalidArg);
  EXPECT_EQ(pw->PasswordFromSeed("x", 8, nullptr), zk::kInvalidArg);
  struct Case {
    const char* seed;
    const char* password;
  };
  const Case cases[] = {
      {"kivora", "SEz-Q7zNIkLB"},
      {"x", "VB7LI=1("},
      {"0123456789abcdef", "YQH.gG(gljuRY}lzIceD"},
      {"pass word", "2eIi[gExbnkkv>Rq[{|cWBsMAZlyk]"},
      {"x", "V"},
  };
  for (const Case& t : cases) {
    const uint32_t n = uint32_t(std::strlen(t.password));
    ASSERT_EQ(pw->PasswordFromSeed(t.seed, n, out), 0);
    EXPECT_EQ(std::string(out, n), t.password) << t.seed;
  }
}

TEST_F(Password, RandomPasswordsUseTheWholeAlphabet) {
  char out[400];
  EXPECT_EQ(pw->RandomPassword(0, out), zk::kInvalidArg);
  EXPECT_EQ(pw->RandomPassword(8, nullptr), zk::kInvalidArg);
  ASSERT_EQ(pw->RandomPassword(400, out), 0);
  std::set<char> seen;
  for (char c : out) {
    ASSERT_NE(kAlphabet.find(c), std::string::npos);
    seen.insert(c);
  }
  EXPECT_GT(seen.size(), 60u);
  char again[400];
  ASSERT_EQ(pw->RandomPassword(400, again), 0);
  EXPECT_NE(std::string(out, 400), std::string(again, 400));
}

}  // namespace
