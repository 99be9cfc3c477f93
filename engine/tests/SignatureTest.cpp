// kiv.Keys: signature files (.kvg), made with a key pair and checked
// against every key of a storage.
#include <cstring>
#include <string>

#include "ByteOrder.h"
#include "tests/KeysTestSupport.h"
#include "tests/KnownKeyFiles.h"

using enginetest::KeysTest;
using enginetest::Owner;
using enginetest::Storage;

namespace {

std::vector<uint8_t> Bytes(const char* s) { return std::vector<uint8_t>(s, s + std::strlen(s)); }

class SignatureTest : public KeysTest {
 protected:
  void ImportKnown(Storage& keys, const char* hex) {
    zktest::WriteFile(File("key.kvk"), zktest::FromHex(hex));
    ASSERT_EQ(keys->ImportKeys(File("key.kvk").c_str(), ""), 0);
  }
  StatusCode Read(Storage& keys, const std::string& sig, std::string* name = nullptr,
                  int32_t* isPair = nullptr, int32_t* hash = nullptr, int32_t* index = nullptr) {
    char* fileName = zk_DupString("stale");
    zk::CalendarTime when{};
    int32_t pair = -1, reserved = -1, hashIndex = -1;
    StatusCode st = keys.sign->ReadSignature(sig.c_str(), &fileName, &when, &pair, &reserved, &hashIndex);
    if (st != 0) {
      EXPECT_EQ(reserved, 0);
      EXPECT_EQ(fileName, nullptr);
      EXPECT_EQ(pair, 0);
      EXPECT_EQ(hashIndex, 0);
    }
    if (name) *name = fileName ? fileName : "";
    if (isPair) *isPair = pair;
    if (hash) *hash = hashIndex;
    if (index) *index = reserved;
    zk_free(fileName);
    return st;
  }
};

TEST_F(SignatureTest, KnownSignatureIsWrittenByteForByte) {
  FixClock(enginetest::known::kClock);
  Storage keys(File("keys.kst"));
  ImportKnown(keys, enginetest::known::kPairFile);
  const std::string signedFile = File(enginetest::known::kSignedName);
  zktest::WriteFile(signedFile, Bytes(enginetest::known::kSignedText));
  ASSERT_EQ(keys.sign->SignFile(signedFile.c_str(), File("hello.kvg").c_str(), 0, 2), 0);
  EXPECT_EQ(zktest::ToHex(zktest::ReadFile(File("hello.kvg"))), enginetest::known::kSignatureFile);
  std::string name;
  int32_t isPair = 0, hash = 0;
  ASSERT_EQ(Read(keys, File("hello.kvg"), &name, &isPair, &hash), 0);
  EXPECT_EQ(name, enginetest::known::kSignedName);
  EXPECT_EQ(isPair, 1);
  EXPECT_EQ(hash, 2);
  EXPECT_EQ(keys.sign->VerifyFile(signedFile.c_str(), File("hello.kvg").c_str()), 0);
}

TEST_F(SignatureTest, EveryHashSignsAndVerifies) {
  Storage keys(File("keys.kst"));
  auto owner = Owner("Ann");
  ASSERT_EQ(keys->GenerateKeyPair(&owner, 1024), 0);
  std::vector<uint8_t> content(100000);
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
  const std::string file = File("data.bin");
  zktest::WriteFile(file, content);
  zktest::WriteFile(File("empty.bin"), {});
  for (int32_t hash = 1; hash <= 4; ++hash) {
    SCOPED_TRACE(hash);
    const std::string sig = File("data.kvg");
    ASSERT_EQ(keys.sign->SignFile(file.c_str(), sig.c_str(), 0, hash), 0);
    const auto bytes = zktest::ReadFile(sig);
    const size_t s = bytes[62] | (bytes[63] << 8);
    EXPECT_TRUE(s > 0 && s <= 128 && s % 4 == 0) << s;
    EXPECT_EQ(bytes.size(), 10 + 52 + 2 + s + std::strlen("data.bin"));
    std::string name;
    int32_t got = 0;
    ASSERT_EQ(Read(keys, sig, &name, nullptr, &got), 0);
    EXPECT_EQ(name, "data.bin");
    EXPECT_EQ(got, hash);
    EXPECT_EQ(keys.sign->VerifyFile(file.c_str(), sig.c_str()), 0);
    // An empty file signs and verifies too.
    ASSERT_EQ(keys.sign->SignFile(File("empty.bin").c_str(), sig.c_str(), 0, hash), 0);
    EXPECT_EQ(keys.sign->VerifyFile(File("empty.bin").c_str(), sig.c_str()), 0);
    EXPECT_EQ(keys.sign->VerifyFile(file.c_str(), sig.c_str()), zk::kDigestMismatch);
  }
}

TEST_F(SignatureTest, ChangesAreFound) {
  Storage keys(File("keys.kst"));
  ImportKnown(keys, enginetest::known::kPairFile);
  const std::string file = File("hello.txt");
  zktest::WriteFile(file, Bytes(enginetest::known::kSignedText));
  const std::string sig = File("hello.kvg");
  ASSERT_EQ(keys.sign->SignFile(file.c_str(), sig.c_str(), 0, 3), 0);
  const auto good = zktest::ReadFile(sig);

  auto changedFile = Bytes(enginetest::known::kSignedText);
  changedFile[3] ^= 1;
  zktest::WriteFile(file, changedFile);
  EXPECT_EQ(keys.sign->VerifyFile(file.c_str(), sig.c_str()), zk::kDigestMismatch);
  zktest::WriteFile(file, Bytes(enginetest::known::kSignedText));

  auto changed = [&](size_t at) {
    auto b = good;
    b[at] ^= 0x20;
    return b;
  };
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    StatusCode want;
  } cases[] = {
      {"stored name changed", changed(good.size() - 2), zk::kDigestMismatch},
      {"signature changed", changed(70), zk::kDigestMismatch},
      {"header changed", changed(20), zk::kHeaderCheck},
      {"prefix changed", changed(3), zk::kInvalidFormat},
      {"cut in the header", std::vector<uint8_t>(good.begin(), good.begin() + 40), zk::kInvalidFormat},
      {"cut in the signature", std::vector<uint8_t>(good.begin(), good.begin() + 80), zk::kInvalidFormat},
      {"one byte more", [&] { auto b = good; b.push_back('x'); return b; }(), zk::kInvalidFormat},
      {"a key file", zktest::FromHex(enginetest::known::kPublicFile), zk::kInvalidFormat},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    zktest::WriteFile(sig, c.bytes);
    EXPECT_EQ(Read(keys, sig), c.want);
    EXPECT_EQ(keys.sign->VerifyFile(file.c_str(), sig.c_str()), c.want);
  }
  EXPECT_EQ(keys.sign->VerifyFile(nullptr, sig.c_str()), zk::kInvalidArg);
  char* none = nullptr;
  EXPECT_EQ(keys.sign->ReadSignature(sig.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr),
            zk::kInvalidArg);
  EXPECT_EQ(keys.sign->ReadSignature(File("absent.kvg").c_str(), &none, nullptr, nullptr, nullptr, nullptr),
            zk::kCannotOpen);
}

TEST_F(SignatureTest, SignerFoundAmongPublicKeysFirst) {
  Storage keys(File("keys.kst"));
  ImportKnown(keys, enginetest::known::kPairFile);
  const std::string file = File("hello.txt");
  zktest::WriteFile(file, Bytes(enginetest::known::kSignedText));
  const std::string sig = File("hello.kvg");
  ASSERT_EQ(keys.sign->SignFile(file.c_str(), sig.c_str(), 0, 1), 0);

  // Someone who has only the public key.
  Storage other(File("other.kst"));
  auto owner = Owner("Bob");
  ASSERT_EQ(other->GenerateKeyPair(&owner, 512), 0);
  int32_t isPair = -1;
  EXPECT_EQ(Read(other, sig), zk::kNotFound);
  EXPECT_EQ(other.sign->VerifyFile(file.c_str(), sig.c_str()), zk::kNotFound);
  ImportKnown(other, enginetest::known::kPublicFile);
  ASSERT_EQ(Read(other, sig, nullptr, &isPair), 0);
  EXPECT_EQ(isPair, 0);
  EXPECT_EQ(other.sign->VerifyFile(file.c_str(), sig.c_str()), 0);
  // The signer's own storage with the public key listed too: that is tried first.
  ASSERT_EQ(Read(keys, sig, nullptr, &isPair), 0);
  EXPECT_EQ(isPair, 1);
  ImportKnown(keys, enginetest::known::kPublicFile);
  ASSERT_EQ(Read(keys, sig, nullptr, &isPair), 0);
  EXPECT_EQ(isPair, 0);
}

TEST_F(SignatureTest, SignerIndexIsItsPlaceInItsList) {
  Storage keys(File("keys.kst"));
  auto a = Owner("Ann");
  auto b = Owner("Bob");
  ASSERT_EQ(keys->GenerateKeyPair(&a, 512), 0);
  ASSERT_EQ(keys->GenerateKeyPair(&b, 512), 0);
  const std::string file = File("hello.txt");
  zktest::WriteFile(file, Bytes(enginetest::known::kSignedText));
  for (int32_t k : {0, 1}) {
    const std::string sig = File(("hello" + std::to_string(k) + ".kvg").c_str());
    ASSERT_EQ(keys.sign->SignFile(file.c_str(), sig.c_str(), k, 2), 0);
    int32_t isPair = -1, index = -1;
    ASSERT_EQ(Read(keys, sig, nullptr, &isPair, nullptr, &index), 0);
    EXPECT_EQ(isPair, 1);
    EXPECT_EQ(index, k);
  }
}

// The signing time at which the signed block's CRC-32 (its top limb) is 0:
// the CRC is affine in the time's 32 bits, so the time solves a linear
// system over GF(2).
uint32_t TimeOfZeroCrc(const uint8_t digest[32], zk::ICRC* crc) {
  auto crcAt = [&](uint32_t t) {
    uint8_t block[40] = {};
    zk::StoreLE32(block, t);
    std::memcpy(block + 4, "KIVS", 4);
    std::memcpy(block + 8, digest, 32);
    return crc->Crc32(0, block, 40);
  };
  const uint32_t base = crcAt(0);
  uint32_t rows[32];  // column i: the change bit i of the time makes
  for (int i = 0; i < 32; ++i) rows[i] = crcAt(1u << i) ^ base;
  // Solve sum over chosen bits of rows[i] = base by elimination.
  uint32_t value[32], mask[32];
  int n = 0;
  for (int i = 0; i < 32; ++i) {
    uint32_t v = rows[i], m = 1u << i;
    for (int k = 0; k < n; ++k)
      if ((v ^ value[k]) < v) v ^= value[k], m ^= mask[k];
    if (v) value[n] = v, mask[n++] = m;
  }
  uint32_t want = base, t = 0;
  for (int k = 0; k < n; ++k)
    if ((want ^ value[k]) < want) want ^= value[k], t ^= mask[k];
  EXPECT_EQ(want, 0u) << "no time gives a zero CRC";
  EXPECT_EQ(crcAt(t), 0u);
  return t;
}

TEST_F(SignatureTest, BlockWithAZeroTopLimbIsStillFound) {
  Storage keys(File("keys.kst"));
  ImportKnown(keys, enginetest::known::kPairFile);
  const std::string file = File("hello.txt");
  zktest::WriteFile(file, Bytes(enginetest::known::kSignedText));
  auto* sha = zktest::Create<zk::IHash>(zk::id::HashSHA, zk::id::CryptoIHash);
  auto* crc = zktest::Create<zk::ICRC>(zk::id::CRCStdCRC, zk::id::CryptoICRC);
  uint8_t digest[32] = {};
  sha->Init();
  sha->Update(enginetest::known::kSignedText, uint32_t(std::strlen(enginetest::known::kSignedText)));
  sha->Final(digest, 32);
  FixClock(TimeOfZeroCrc(digest, crc));
  sha->Release();
  crc->Release();
  const std::string sig = File("hello.kvg");
  ASSERT_EQ(keys.sign->SignFile(file.c_str(), sig.c_str(), 0, 2), 0);
  // The public operation gives the block back as 10 limbs.
  int32_t isPair = 0;
  ASSERT_EQ(Read(keys, sig, nullptr, &isPair), 0);
  EXPECT_EQ(isPair, 1);
  EXPECT_EQ(keys.sign->VerifyFile(file.c_str(), sig.c_str()), 0);
}

TEST_F(SignatureTest, BadArgumentsWriteNothing) {
  Storage keys(File("keys.kst"));
  ImportKnown(keys, enginetest::known::kPairFile);
  const std::string file = File("hello.txt");
  zktest::WriteFile(file, Bytes(enginetest::known::kSignedText));
  const std::string sig = File("hello.kvg");
  for (int32_t hash : {0, 5, -1}) {
    EXPECT_EQ(keys.sign->SignFile(file.c_str(), sig.c_str(), 0, hash), zk::kInvalidArg);
    EXPECT_TRUE(zktest::ReadFile(sig).empty());
  }
  EXPECT_EQ(keys.sign->SignFile(file.c_str(), sig.c_str(), 1, 2), zk::kInvalidArg);
  EXPECT_EQ(keys.sign->SignFile(File("absent").c_str(), sig.c_str(), 0, 2), zk::kCannotOpen);
  EXPECT_TRUE(zktest::ReadFile(sig).empty());
  // A name with a backslash keeps what follows it.
  const std::string odd = File("dir\\name.txt");
  zktest::WriteFile(odd, Bytes("x"));
  ASSERT_EQ(keys.sign->SignFile(odd.c_str(), sig.c_str(), 0, 2), 0);
  std::string name;
  ASSERT_EQ(Read(keys, sig, &name), 0);
  EXPECT_EQ(name, "name.txt");
}

}  // namespace
