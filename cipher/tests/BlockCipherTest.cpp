// Block ciphers: published vectors, the system's own variants, key-length
// rules, whole-block handling, and random keys and blocks against Crypto++.
#include <gtest/gtest.h>

#include <cryptopp/aes.h>
#include <cryptopp/blowfish.h>

#include <random>
#include <string>
#include <vector>

#include "cipher/Aes.h"
#include "tests/support/ZkTest.h"
#include "zk5BlockCipher.h"
#include "zk5Clsid.h"

using zktest::FromHex;
using zktest::ToHex;

namespace {

struct CipherPtr {
  zk::IBlockCipher* p;
  explicit CipherPtr(const char* classId)
      : p(zktest::Create<zk::IBlockCipher>(classId, zk::id::CryptoIBlockCipher)) {}
  ~CipherPtr() {
    if (p) p->Release();
  }
  zk::IBlockCipher* operator->() { return p; }
};

std::string Encrypt(const char* classId, const std::string& keyHex, const std::string& blockHex) {
  CipherPtr c(classId);
  if (!c.p) return "no object";
  std::vector<uint8_t> key = FromHex(keyHex), block = FromHex(blockHex);
  if (c->SetKey(key.data(), uint32_t(key.size())) != 0) return "key refused";
  c->EncryptBlocks(block.data(), uint32_t(block.size()));
  std::string out = ToHex(block);
  c->DecryptBlocks(block.data(), uint32_t(block.size()));
  if (ToHex(block) != ToHex(FromHex(blockHex))) return "decrypt mismatch";
  return out;
}

std::string Lower(std::string s) {
  std::string r;
  for (char ch : s)
    if (ch != ' ') r += char(std::tolower(static_cast<unsigned char>(ch)));
  return r;
}

struct Vector {
  const char* classId;
  const char* key;
  const char* plain;
  const char* cipher;
};

// Published examples and the system's own figures.
const Vector kVectors[] = {
    // FIPS-197 appendix C.
    {zk::id::CipherAES16, "000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
     "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {zk::id::CipherAES24, "000102030405060708090a0b0c0d0e0f1011121314151617",
     "00112233445566778899aabbccddeeff", "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {zk::id::CipherAES32, "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
    // FIPS-197 appendix B.
    {zk::id::CipherAES16, "2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
     "3925841d02dc09fbdc118597196a0b32"},
    // The system's Blowfish: zero key, zero block.
    {zk::id::CipherBlowfish, "0000000000000000", "0000000000000000", "06f24ac641890a28"},
};

class BlockVectorTest : public ::testing::TestWithParam<Vector> {};

TEST_P(BlockVectorTest, EncryptsToKnownBytes) {
  const Vector& v = GetParam();
  EXPECT_EQ(Encrypt(v.classId, v.key, v.plain), Lower(v.cipher));
}

INSTANTIATE_TEST_SUITE_P(Published, BlockVectorTest, ::testing::ValuesIn(kVectors));

// Both AES forms (instructions and tables) must give the same bytes.
class AesFormTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam() && !zk::cipher::AesHardwareAvailable()) GTEST_SKIP() << "no AES instructions";
    zk::cipher::AesUseHardware(GetParam());
  }
  void TearDown() override { zk::cipher::AesUseHardware(true); }
};

TEST_P(AesFormTest, Fips197Vectors) {
  for (const Vector& v : kVectors) {
    if (std::string(v.classId).rfind("cipher.AES", 0) != 0) continue;
    EXPECT_EQ(Encrypt(v.classId, v.key, v.plain), Lower(v.cipher)) << v.classId;
  }
}

TEST_P(AesFormTest, RandomKeysAndBlocksMatchCryptoPP) {
  std::mt19937 rng(1234);
  const char* ids[] = {zk::id::CipherAES16, zk::id::CipherAES24, zk::id::CipherAES32};
  for (int n = 0; n < 3; ++n) {
    CipherPtr c(ids[n]);
    ASSERT_NE(c.p, nullptr);
    size_t keyLen = 16 + 8 * n;
    for (int trial = 0; trial < 40; ++trial) {
      std::vector<uint8_t> key(keyLen), data(16 * 19 + 5);
      for (auto& b : key) b = uint8_t(rng());
      for (auto& b : data) b = uint8_t(rng());
      std::vector<uint8_t> expect = data;
      CryptoPP::AES::Encryption enc(key.data(), key.size());
      for (size_t i = 0; i + 16 <= expect.size(); i += 16) enc.ProcessBlock(&expect[i]);
      std::vector<uint8_t> got = data;
      ASSERT_EQ(c->SetKey(key.data(), uint32_t(keyLen)), 0);
      ASSERT_EQ(c->EncryptBlocks(got.data(), uint32_t(got.size())), 0);
      ASSERT_EQ(ToHex(got), ToHex(expect));
      ASSERT_EQ(c->DecryptBlocks(got.data(), uint32_t(got.size())), 0);
      ASSERT_EQ(ToHex(got), ToHex(data));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, AesFormTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Instructions" : "Tables"; });

TEST(BlowfishTest, DiffersFromPublishedAlgorithm) {
  // The published Blowfish gives 4e f9 97 45 61 98 dd 78 here.
  std::string published;
  {
    uint8_t key[8] = {}, block[8] = {};
    CryptoPP::Blowfish::Encryption enc(key, 8);
    enc.ProcessBlock(block);
    published = ToHex(block, 8);
  }
  EXPECT_EQ(published, "4ef997456198dd78");
  EXPECT_NE(Encrypt(zk::id::CipherBlowfish, "0000000000000000", "0000000000000000"), published);
}

TEST(BlowfishTest, KeyBeyond72BytesAndOneByteKeyRepeat) {
  std::vector<uint8_t> key(72);
  for (size_t i = 0; i < key.size(); ++i) key[i] = uint8_t(i * 7 + 1);
  std::vector<uint8_t> longer = key;
  longer.insert(longer.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9});
  std::vector<uint8_t> one(1, 0x5a), repeated(72, 0x5a);
  auto enc = [](const std::vector<uint8_t>& k) {
    CipherPtr c(zk::id::CipherBlowfish);
    uint8_t block[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    EXPECT_EQ(c->SetKey(k.data(), uint32_t(k.size())), 0);
    c->EncryptBlocks(block, sizeof block);
    return ToHex(block, sizeof block);
  };
  EXPECT_EQ(enc(key), enc(longer));
  EXPECT_EQ(enc(one), enc(repeated));
  EXPECT_NE(enc(one), enc(key));
}

}  // namespace
