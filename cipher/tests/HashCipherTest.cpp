// hash.HashCipher: the start values, kind 1's XOR chain and the key it
// leaves in the cipher (hand-worked bytes), kind 2 against a plain model of
// the abreast double-block construction over Crypto++'s IDEA, whole blocks
// per call, and the argument and error rules.
#include <gtest/gtest.h>

#include <cryptopp/idea.h>

#include <string>
#include <vector>

#include "ModesTestSupport.h"
#include "ZkTestSupport.h"

namespace {

using zktest::FromHex;
using zktest::ToHex;
using Bytes = std::vector<uint8_t>;

struct CipherHash {
  zk::ICipherHash* ch = zktest::Create<zk::ICipherHash>(zk::id::HashHashCipher, zk::id::CryptoICipherHash);
  zk::IHash* h = nullptr;
  CipherHash() { h = zktest::Face<zk::IHash>(ch, zk::id::CryptoIHash); }
  ~CipherHash() {
    zk::ReleaseAndNull(h);
    zk::ReleaseAndNull(ch);
  }
  // Attaches a registered cipher by id.
  StatusCode Attach(const char* cipherId, int kind) {
    zk::IBase* c = nullptr;
    if (zk_CreateInstance(cipherId, &c) != 0 || !c) return -6;
    StatusCode st = ch->SetBlockCipher(c, kind);
    c->Release();
    return st;
  }
  Bytes Final() {
    Bytes out(h->GetDigestSize());
    EXPECT_EQ(h->Final(out.data(), uint32_t(out.size())), 0);
    return out;
  }
};

Bytes Counting(size_t n) {
  Bytes v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i);
  return v;
}

TEST(HashCipherTest, StartValuesAndSizes) {
  struct Case {
    const char* cipher;
    int kind;
    uint32_t block;
    const char* start;
  };
  const Case cases[] = {
      {zk::id::CipherRC5, 1, 8, "0123456701000000"},
      {zk::id::CipherThreeWay, 1, 12, "012345670100000001000000"},
      {zk::id::CipherAES16, 1, 16, "01234567010000000100000001000000"},
      {zk::id::CipherIDEA, 2, 8, "0123456701000000 0123456701000000"},
  };
  for (const Case& c : cases) {
    CipherHash x;
    ASSERT_NE(x.h, nullptr);
    ASSERT_EQ(x.Attach(c.cipher, c.kind), 0) << c.cipher;
    EXPECT_EQ(x.h->GetBlockSize(), c.block);
    EXPECT_EQ(x.h->GetDigestSize(), c.block * uint32_t(c.kind));
    ASSERT_EQ(x.h->Init(), 0);
    EXPECT_EQ(ToHex(x.Final()), ToHex(FromHex(c.start))) << c.cipher;
  }
}

TEST(HashCipherTest, KindOneXorsWholeBlocksAndLeavesTheKeyBeforeTheLastXor) {
  CipherHash x;
  ASSERT_EQ(x.Attach(zk::id::CipherRC5, 1), 0);
  ASSERT_EQ(x.h->Init(), 0);
  // 20 bytes: blocks 00..07 and 08..0f are used, the last 4 are dropped.
  Bytes m = Counting(20);
  ASSERT_EQ(x.h->Update(m.data(), 20), 0);
  // Two 4-byte pieces add nothing: a short tail is not kept.
  ASSERT_EQ(x.h->Update(m.data(), 4), 0);
  ASSERT_EQ(x.h->Update(m.data() + 4, 4), 0);
  EXPECT_EQ(x.h->Update(nullptr, 8), 0);
  EXPECT_EQ(ToHex(x.Final()), "092b4d6f09080808");

  // The key left in the cipher: 01234567 01000000 ^ 00..07.
  ciphertest::ToyCipher* toy = ciphertest::ToyCipher::Make(8);
  ASSERT_EQ(x.ch->SetBlockCipher(toy, 1), 0);
  ASSERT_EQ(x.h->Init(), 0);
  ASSERT_EQ(x.h->Update(m.data(), 20), 0);
  EXPECT_EQ(ToHex(toy->lastKey), "0122476405050607");
  EXPECT_EQ(toy->encrypted, 0);
  toy->Release();
}

// Abreast double-block hash over IDEA, written out from its description.
Bytes AbreastModel(const Bytes& message) {
  Bytes h1 = FromHex("0123456701000000"), h2 = h1;
  for (size_t off = 0; off + 8 <= message.size(); off += 8) {
    Bytes m(message.begin() + long(off), message.begin() + long(off) + 8);
    Bytes k1 = h2, k2 = m;
    k1.insert(k1.end(), m.begin(), m.end());
    k2.insert(k2.end(), h1.begin(), h1.end());
    Bytes e1(8), notH2(8), e2(8);
    CryptoPP::IDEA::Encryption(k1.data(), 16).ProcessBlock(h1.data(), e1.data());
    for (int i = 0; i < 8; ++i) notH2[i] = uint8_t(~h2[i]);
    CryptoPP::IDEA::Encryption(k2.data(), 16).ProcessBlock(notH2.data(), e2.data());
    for (int i = 0; i < 8; ++i) {
      h1[i] ^= e1[i];
      h2[i] ^= e2[i];
    }
  }
  h1.insert(h1.end(), h2.begin(), h2.end());
  return h1;
}

TEST(HashCipherTest, KindTwoMatchesAbreastModelOverIdea) {
  CipherHash x;
  ASSERT_EQ(x.Attach(zk::id::CipherIDEA, 2), 0);
  for (size_t n : {0, 7, 8, 9, 40, 333}) {
    Bytes m(n);
    for (size_t i = 0; i < n; ++i) m[i] = uint8_t(i * 37 + n);
    ASSERT_EQ(x.h->Init(), 0);
    ASSERT_EQ(x.h->Update(m.data(), uint32_t(n)), 0);
    EXPECT_EQ(ToHex(x.Final()), ToHex(AbreastModel(m))) << n;
  }
  // Pieces of whole blocks chain like one call.
  Bytes m = Counting(48);
  ASSERT_EQ(x.h->Init(), 0);
  ASSERT_EQ(x.h->Update(m.data(), 16), 0);
  ASSERT_EQ(x.h->Update(m.data() + 16, 32), 0);
  EXPECT_EQ(ToHex(x.Final()), ToHex(AbreastModel(m)));
}

TEST(HashCipherTest, ArgumentsErrorsAndFatalStops) {
  CipherHash x;
  zk::IBase* rc5 = nullptr;
  ASSERT_EQ(zk_CreateInstance(zk::id::CipherRC5, &rc5), 0);
  // No cipher yet: sizes and Update are fatal stops.
  EXPECT_DEATH(x.h->GetDigestSize(), "");
  EXPECT_DEATH(x.h->Update("12345678", 8), "");
  EXPECT_EQ(x.ch->SetBlockCipher(nullptr, 1), zk::kInvalidArg);
  EXPECT_EQ(x.ch->SetBlockCipher(rc5, 0), zk::kInvalidArg);
  EXPECT_EQ(x.ch->SetBlockCipher(rc5, 3), zk::kInvalidArg);
  zk::IBase* md5 = nullptr;
  ASSERT_EQ(zk_CreateInstance(zk::id::HashMD5, &md5), 0);
  EXPECT_NE(x.ch->SetBlockCipher(md5, 1), 0);  // not a block cipher
  md5->Release();

  ASSERT_EQ(x.ch->SetBlockCipher(rc5, 2), 0);
  EXPECT_EQ(rc5->GetRefCount(), 2);
  EXPECT_EQ(x.h->GetDigestSize(), 16u);
  ASSERT_EQ(x.ch->SetBlockCipher(rc5, 1), 0);  // same cipher, other kind
  EXPECT_EQ(rc5->GetRefCount(), 2);
  EXPECT_EQ(x.h->GetDigestSize(), 8u);
  ASSERT_EQ(x.h->Init(), 0);
  Bytes out(8, 0xEE);
  EXPECT_EQ(x.h->Final(out.data(), 7), zk::kInvalidArg);
  EXPECT_EQ(x.h->Final(nullptr, 8), zk::kInvalidArg);
  EXPECT_EQ(ToHex(out), "eeeeeeeeeeeeeeee");

  // A failing cipher stops Update with its status.
  ciphertest::ToyCipher* toy = ciphertest::ToyCipher::Make(8);
  toy->failWith = zk::kNotExecuted;
  ASSERT_EQ(x.ch->SetBlockCipher(toy, 2), 0);
  EXPECT_EQ(rc5->GetRefCount(), 1);  // the old cipher was let go
  ASSERT_EQ(x.h->Init(), 0);
  EXPECT_EQ(x.h->Update("0123456789abcdef", 16), zk::kNotExecuted);
  toy->Release();
  rc5->Release();
}

}  // namespace
