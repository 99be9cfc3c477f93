// Digests: the system's figures and the FIPS 180 SHA-1 examples, the
// variants kept apart from the published values, every padding boundary
// against the plain models (HashModel.h) and Crypto++, split updates and
// the hash stream over every read size, and the argument rules.
#include <gtest/gtest.h>

#include <cryptopp/sha.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "Digest64.h"
#include "HashModel.h"
#include "ModesTestSupport.h"
#include "ZkTestSupport.h"
#include "zk5BlockCipher.h"
#include "zk5Clsid.h"

namespace {

using zktest::FromHex;
using zktest::ToHex;
using Bytes = std::vector<uint8_t>;

// An object made by class id, held by the shared owning pointer.
template <class T>
struct Ptr : zktest::Ref<T> {
  Ptr(const char* classId, const char* interfaceId) : zktest::Ref<T>(zktest::Create<T>(classId, interfaceId)) {}
};

Bytes Msg(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Random(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes v(n);
  for (auto& b : v) b = uint8_t(rng());
  return v;
}

// The digest of a class, the message fed in pieces of `piece` bytes (0: one call).
Bytes Digest(const char* classId, const Bytes& m, size_t piece = 0) {
  Ptr<zk::IHash> h(classId, zk::id::CryptoIHash);
  if (!h.p) return {};
  EXPECT_EQ(h->Init(), 0);
  if (piece == 0) piece = m.size() ? m.size() : 1;
  for (size_t off = 0; off < m.size(); off += piece) {
    uint32_t n = uint32_t(std::min(piece, m.size() - off));
    EXPECT_EQ(h->Update(m.data() + off, n), 0);
  }
  Bytes out(h->GetDigestSize());
  EXPECT_EQ(h->Final(out.data(), uint32_t(out.size())), 0);
  return out;
}

Bytes Sha1Oracle(const Bytes& m) {
  CryptoPP::SHA1 sha;
  Bytes out(20);
  sha.CalculateDigest(out.data(), m.data(), m.size());
  return out;
}

// Runs each test with the processor's SHA instructions and without.
class HashForm : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam() && !zk::cipher::ShaHardwareAvailable()) GTEST_SKIP() << "no SHA instructions";
    zk::cipher::ShaUseHardware(GetParam());
  }
  void TearDown() override { zk::cipher::ShaUseHardware(true); }
};

struct Figure {
  const char* classId;
  std::string message;
  const char* digest;
};

TEST_P(HashForm, KnownDigests) {
  const Figure figures[] = {
      // FIPS 180-1 appendices A and B.
      {zk::id::HashSHA, "abc", "a9993e36 4706816a ba3e2571 7850c26c 9cd0d89d"},
      {zk::id::HashSHA, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e44 1c3bd26e baae4aa1 f95129e5 e54670f1"},
      {zk::id::HashSHA, std::string(1000000, 'a'), "34aa973c d4c4daa4 f61eeb2b dbad2731 6534016f"},
      {zk::id::HashSHA, "", "da39a3ee 5e6b4b0d 3255bfef 95601890 afd80709"},
      // The system's variants.
      {zk::id::HashSHA32, "abc",
       "9e78068a a9c4d2cf 10a147b6 a9b72dbd 6e3fe035 dc0d0063 317bcb4b 73217d22"},
      {zk::id::HashMD5, "", "487f7b22 f68312d2 c1bbc93b 1aea445b"},
      {zk::id::HashMD5, "abc", "230f2d14 a91a274a 8f85ed46 3eafa7f3"},
      {zk::id::HashGOST, "",
       "a59c7fca 0f5586b7 ddf547c2 59acb51e 371e2b17 3b552f82 ee1488b6 3b21a0fc"},
      {zk::id::HashGOST, "abc",
       "a61ae8a6 0ad127e1 aec7daa0 431fa982 dc089dae 3341d5fa d4b20a58 77587a07"},
      // Messages of two blocks, worked out with models written apart from
      // this code and from HashModel.h: the padding of 56 bytes takes a
      // second 64-byte block, and 33 bytes make a full 32-byte block and
      // one of a single byte (length 33 in the length block).
      {zk::id::HashMD5, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "99cf9cb7 b15dae98 135633e9 9196c67e"},
      {zk::id::HashSHA32, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "c7d00905 6a66b42d d6be18ec 362e155a c1f4d050 1a52adfd 2614d3fa f2401555"},
      {zk::id::HashGOST, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "6e175775 230836c7 d5764ed6 148006b6 27a873e2 03744f14 153eed3b 0359fe96"},
      {zk::id::HashGOST, "abcdefghijklmnopqrstuvwxyz0123456",
       "6bb3bd27 570690e6 40194cf7 ed35e20b ebd7f9d8 e5bc9ce6 9360d047 3b295f6d"},
  };
  for (const Figure& f : figures) {
    SCOPED_TRACE(std::string(f.classId) + " of " + std::to_string(f.message.size()) + " bytes");
    EXPECT_EQ(ToHex(Digest(f.classId, Msg(f.message))), ToHex(FromHex(f.digest)));
  }
}

TEST(HashModels, ModelsGiveTheSystemsFigures) {
  // The plain models must themselves reproduce the figures before they
  // are trusted for the other lengths.
  EXPECT_EQ(ToHex(ciphertest::model::Md5Variant(Msg("abc"))), "230f2d14a91a274a8f85ed463eafa7f3");
  EXPECT_EQ(ToHex(ciphertest::model::Md5Variant({})), "487f7b22f68312d2c1bbc93b1aea445b");
  EXPECT_EQ(ToHex(ciphertest::model::Sha256Variant(Msg("abc"))),
            "9e78068aa9c4d2cf10a147b6a9b72dbd6e3fe035dc0d0063317bcb4b73217d22");
  EXPECT_EQ(ToHex(ciphertest::model::GostHash({})),
            "a59c7fca0f5586b7ddf547c259acb51e371e2b173b552f82ee1488b63b21a0fc");
  EXPECT_EQ(ToHex(ciphertest::model::GostHash(Msg("abc"))),
            "a61ae8a60ad127e1aec7daa0431fa982dc089dae3341d5fad4b20a5877587a07");
}

TEST_P(HashForm, VariantsAreNotThePublishedDigests) {
  // RFC 1321 and FIPS 180-2 values of the same messages.
  EXPECT_NE(ToHex(Digest(zk::id::HashMD5, {})), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_NE(ToHex(Digest(zk::id::HashMD5, Msg("abc"))), "900150983cd24fb0d6963f7d28e17f72");
  for (const std::string& s : {std::string(), std::string("abc"), std::string(100, 'x')}) {
    Bytes published(32);
    CryptoPP::SHA256().CalculateDigest(published.data(), Msg(s).data(), s.size());
    Bytes ours = Digest(zk::id::HashSHA32, Msg(s));
    EXPECT_NE(ToHex(ours), ToHex(published));
    // Not merely the published words turned around either.
    for (int w = 0; w < 8; ++w) std::reverse(published.begin() + 4 * w, published.begin() + 4 * w + 4);
    EXPECT_NE(ToHex(ours), ToHex(published));
  }
}

// Lengths around every padding boundary (55, 56, 63, 64, 65 and the next
// block) and the GOST hash's 32-byte ones (31, 32, 33).
const size_t kLengths[] = {0, 1, 3, 31, 32, 33, 55, 56, 57, 63, 64, 65, 95, 96, 119, 120, 127, 128, 129, 1000};

TEST_P(HashForm, PaddingBoundariesMatchModelsAndOracle) {
  for (size_t n : kLengths) {
    SCOPED_TRACE("length " + std::to_string(n));
    Bytes m = Random(n, uint32_t(n) + 7);
    EXPECT_EQ(ToHex(Digest(zk::id::HashSHA, m)), ToHex(Sha1Oracle(m)));
    EXPECT_EQ(ToHex(Digest(zk::id::HashMD5, m)), ToHex(ciphertest::model::Md5Variant(m)));
    EXPECT_EQ(ToHex(Digest(zk::id::HashSHA32, m)), ToHex(ciphertest::model::Sha256Variant(m)));
    EXPECT_EQ(ToHex(Digest(zk::id::HashGOST, m)), ToHex(ciphertest::model::GostHash(m)));
  }
}

TEST_P(HashForm, RandomMessagesAgainstCryptoPPSha1) {
  std::mt19937 rng(99);
  for (int trial = 0; trial < 200; ++trial) {
    Bytes m = Random(rng() % 700, rng());
    ASSERT_EQ(ToHex(Digest(zk::id::HashSHA, m, 1 + rng() % 90)), ToHex(Sha1Oracle(m))) << m.size();
  }
}

TEST_P(HashForm, PiecesGiveTheWholeMessagesDigest) {
  const Bytes m = Random(333, 5);
  for (const char* id : {zk::id::HashMD5, zk::id::HashSHA, zk::id::HashSHA32, zk::id::HashGOST}) {
    const std::string whole = ToHex(Digest(id, m));
    for (size_t piece : {1, 7, 31, 32, 33, 63, 64, 65, 200})
      EXPECT_EQ(ToHex(Digest(id, m, piece)), whole) << id << " pieces of " << piece;
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, HashForm, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Instructions" : "Portable"; });

TEST(HashTest, GostCountsBytesAndRunsTwoBlocksForThirtyThree) {
  // A 33-byte message: one full block and one of a single byte, the length
  // block holding 33. Reordering the tail byte changes the digest; the
  // model fixes the bytes.
  Bytes m = Random(33, 3);
  EXPECT_EQ(ToHex(Digest(zk::id::HashGOST, m)), ToHex(ciphertest::model::GostHash(m)));
  Bytes other = m;
  std::swap(other[31], other[32]);
  EXPECT_NE(ToHex(Digest(zk::id::HashGOST, other)), ToHex(Digest(zk::id::HashGOST, m)));
}

struct Sizes {
  const char* classId;
  uint32_t digest;
  bool nullDataFails;
};
const Sizes kSizes[] = {{zk::id::HashMD5, 16, false},
                        {zk::id::HashSHA, 20, false},
                        {zk::id::HashSHA32, 32, true},
                        {zk::id::HashGOST, 32, true}};

TEST(HashTest, SizesArgumentRulesAndFinalInPlace) {
  for (const Sizes& s : kSizes) {
    SCOPED_TRACE(s.classId);
    Ptr<zk::IHash> h(s.classId, zk::id::CryptoIHash);
    ASSERT_NE(h.p, nullptr);
    EXPECT_STREQ(h->GetClassId(), s.classId);
    EXPECT_EQ(h->GetDigestSize(), s.digest);
    EXPECT_EQ(h->GetBlockSize(), 64u);
    void* other = nullptr;
    EXPECT_NE(h->QueryInterface(zk::id::CryptoICipherHash, &other), 0);

    ASSERT_EQ(h->Init(), 0);
    EXPECT_EQ(h->Update(nullptr, 0), 0);
    EXPECT_EQ(h->Update("abc", 0), 0);
    EXPECT_EQ(h->Update(nullptr, 5), s.nullDataFails ? zk::kInvalidArg : zk::kOk);
    ASSERT_EQ(h->Update("abc", 3), 0);
    // Too small or missing output: -2 and nothing written.
    Bytes out(s.digest + 4, 0xEE);
    EXPECT_EQ(h->Final(out.data(), s.digest - 1), zk::kInvalidArg);
    EXPECT_EQ(h->Final(nullptr, s.digest), zk::kInvalidArg);
    EXPECT_EQ(ToHex(out), ToHex(Bytes(s.digest + 4, 0xEE)));
    ASSERT_EQ(h->Final(out.data(), uint32_t(out.size())), 0);
    EXPECT_EQ(ToHex(Bytes(out.begin(), out.begin() + s.digest)), ToHex(Digest(s.classId, Msg("abc"))));
    EXPECT_EQ(ToHex(Bytes(out.begin() + s.digest, out.end())), "eeeeeeee");
    // Init starts afresh.
    ASSERT_EQ(h->Init(), 0);
    ASSERT_EQ(h->Final(out.data(), s.digest), 0);
    EXPECT_EQ(ToHex(Bytes(out.begin(), out.begin() + s.digest)), ToHex(Digest(s.classId, {})));
  }
}

// The hash stream: every read size gives the buffer form's digest.
TEST(HashStreamTest, SameDigestAsBufferOverEveryReadSize) {
  const Bytes m = Random(2500, 11);
  Ptr<zk::IHashStream> hs(zk::id::HashHashStream, zk::id::CryptoIHashStream);
  ASSERT_NE(hs.p, nullptr);
  for (const Sizes& s : kSizes) {
    zk::IBase* hash = nullptr;
    ASSERT_EQ(zk_CreateInstance(s.classId, &hash), 0);
    ASSERT_EQ(hs->SetHash(hash), 0);
    hash->Release();
    const std::string whole = ToHex(Digest(s.classId, m));
    for (uint32_t chunk : {1u, 13u, 64u, 100u, 4096u}) {
      zktest::FakeStream* f = zktest::FakeStream::Make({}, true);
      f->data = m;
      f->maxRead = chunk;
      Bytes out(s.digest);
      EXPECT_EQ(hs->HashStream(f, out.data(), s.digest), 0);
      EXPECT_EQ(ToHex(out), whole) << s.classId << " reads of " << chunk;
      EXPECT_EQ(f->position, m.size());
      f->Release();
    }
  }
}

TEST(HashStreamTest, EmptyStreamFromPositionAndErrors) {
  Ptr<zk::IHashStream> hs(zk::id::HashHashStream, zk::id::CryptoIHashStream);
  zk::IBase* sha = nullptr;
  ASSERT_EQ(zk_CreateInstance(zk::id::HashSHA, &sha), 0);
  ASSERT_EQ(hs->SetHash(sha), 0);
  EXPECT_EQ(hs->SetHash(sha), 0);  // the same object again changes nothing
  EXPECT_EQ(sha->GetRefCount(), 2);
  Bytes out(20);
  EXPECT_EQ(hs->HashStream(nullptr, out.data(), 20), zk::kInvalidArg);

  zktest::FakeStream* f = zktest::FakeStream::Make({}, true);
  EXPECT_EQ(hs->HashStream(f, out.data(), 20), 0);
  EXPECT_EQ(ToHex(out), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  // From the current position; a failing read ends the input silently.
  f->data = Msg("xxabc");
  f->position = 2;
  EXPECT_EQ(hs->HashStream(f, out.data(), 20), 0);
  EXPECT_EQ(ToHex(out), "a9993e364706816aba3e25717850c26c9cd0d89d");
  f->position = 0;
  f->failRead = true;
  EXPECT_EQ(hs->HashStream(f, out.data(), 20), 0);
  EXPECT_EQ(ToHex(out), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  f->failRead = false;
  // A short output buffer: Final's -2.
  f->position = 0;
  EXPECT_EQ(hs->HashStream(f, out.data(), 19), zk::kInvalidArg);
  // A stream answering nothing (not at its end) ends the input too.
  f->position = 0;
  f->stalled = true;
  EXPECT_EQ(hs->HashStream(f, out.data(), 20), 0);
  EXPECT_EQ(ToHex(out), "da39a3ee5e6b4b0d3255bfef95601890afd80709");

  // Detached: the object is released; hashing now is a fatal stop.
  EXPECT_EQ(hs->SetHash(nullptr), 0);
  EXPECT_EQ(sha->GetRefCount(), 1);
  sha->Release();
  EXPECT_DEATH(hs->HashStream(f, out.data(), 20), "");
  f->Release();
}

TEST(HashStreamTest, UpdateErrorComesBack) {
  // hash.HashCipher over GOST: an 8-byte chaining value is no GOST key.
  Ptr<zk::ICipherHash> ch(zk::id::HashHashCipher, zk::id::CryptoICipherHash);
  zk::IBase* gost = nullptr;
  ASSERT_EQ(zk_CreateInstance(zk::id::CipherGOST, &gost), 0);
  ASSERT_EQ(ch->SetBlockCipher(gost, 1), 0);
  gost->Release();
  Ptr<zk::IHashStream> hs(zk::id::HashHashStream, zk::id::CryptoIHashStream);
  ASSERT_EQ(hs->SetHash(ch.p), 0);
  zktest::FakeStream* f = zktest::FakeStream::Make({}, true);
  f->data = Random(40, 1);
  Bytes out(8);
  EXPECT_EQ(hs->HashStream(f, out.data(), 8), zk::kInvalidArg);
  f->Release();
}

// Every class of the block ciphers, hashes and CRC, created by id.
TEST(CryptoRegistry, EveryClassIsCreatableById) {
  struct Entry {
    const char* classId;
    const char* interfaceId;
  };
  const Entry entries[] = {
      {zk::id::CipherAES16, zk::id::CryptoIBlockCipher},  {zk::id::CipherAES24, zk::id::CryptoIBlockCipher},
      {zk::id::CipherAES32, zk::id::CryptoIBlockCipher},  {zk::id::CipherBlowfish, zk::id::CryptoIBlockCipher},
      {zk::id::CipherCAST128, zk::id::CryptoIBlockCipher}, {zk::id::CipherGOST, zk::id::CryptoIBlockCipher},
      {zk::id::CipherIDEA, zk::id::CryptoIBlockCipher},   {zk::id::CipherRC5, zk::id::CryptoIBlockCipher},
      {zk::id::CipherThreeWay, zk::id::CryptoIBlockCipher}, {zk::id::HashMD5, zk::id::CryptoIHash},
      {zk::id::HashSHA, zk::id::CryptoIHash},             {zk::id::HashSHA32, zk::id::CryptoIHash},
      {zk::id::HashGOST, zk::id::CryptoIHash},            {zk::id::HashHashCipher, zk::id::CryptoICipherHash},
      {zk::id::HashHashStream, zk::id::CryptoIHashStream}, {zk::id::CRCStdCRC, zk::id::CryptoICRC},
  };
  static_assert(std::size(entries) == 16);
  for (const Entry& e : entries) {
    zk::IBase* b = nullptr;
    ASSERT_EQ(zk_CreateInstance(e.classId, &b), 0) << e.classId;
    ASSERT_NE(b, nullptr) << e.classId;
    EXPECT_STREQ(b->GetClassId(), e.classId);
    EXPECT_EQ(b->GetRefCount(), 1);
    void* face = nullptr;
    EXPECT_EQ(b->QueryInterface(e.interfaceId, &face), 0) << e.classId;
    EXPECT_NE(face, nullptr);
    if (face) static_cast<zk::IBase*>(face)->Release();
    EXPECT_EQ(b->Release(), 0);
  }
}

}  // namespace
