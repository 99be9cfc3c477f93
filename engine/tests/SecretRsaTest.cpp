// Secrets sealed to an RSA key: the key block made at Create and the key
// trial over the key pairs of the storage at Open, in every medium.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ByteOrder.h"
#include "SecretFormat.h"
#include "SecretKeyBlock.h"
#include "tests/FakeKeysDriver.h"
#include "tests/SecretTestSupport.h"
#include "zk5Cipher.h"

using namespace enginetest;

namespace {

zk::KeyOwner Owner(const char* name) {
  zk::KeyOwner o{};
  std::strncpy(o.name, name, 32);
  return o;
}

class SecretRsaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadLibraries();
    driver.p = enginetest::FakeKeysDriver::Create();
    ASSERT_EQ(zk::engine::MakeKeys(dir.File("keys.kst").c_str(), &driver.p->keys), 0);
  }
  zk::IKeysCtrl* Keys() { return driver.p->keys; }
  // Adds a 512-bit pair named `name` and returns its index.
  uint32_t AddPair(const char* name) {
    auto owner = Owner(name);
    EXPECT_EQ(Keys()->GenerateKeyPair(&owner, 512), 0);
    for (uint32_t i = 0; i < Keys()->GetPrivateKeyCount(); ++i) {
      zk::KeyInfo info{};
      Keys()->GetPrivateKeyInfo(i, &info);
      if (std::strcmp(info.owner.name, name) == 0) return i;
    }
    return 0;
  }
  // Parameters sealing to a key of the storage (chosen as the selection).
  zk::SecretParams Sealed(int type, int format, int cipher, int32_t isPair, uint32_t index) {
    zk::SecretParams p = Params(type, format, 2, cipher, "");
    p.flags = 1;
    uint32_t length = 0;
    EXPECT_EQ(Keys()->GetPublicKeyBlob(p.key, isPair, index, &length), 0);
    p.keyLength = uint16_t(length);
    return p;
  }
  zk::IKivSecret* NewRsaSecret() {
    zk::IKivSecret* s = nullptr;
    EXPECT_EQ(zk::engine::MakeSecret(driver.p, &s), 0);
    return s;
  }
  StatusCode SaveText(const std::string& path, const zk::SecretParams& p, const std::string& text) {
    Ref<zk::IKivSecret> secret(NewRsaSecret());
    Ref<zk::IBase> content;
    StatusCode st = secret->Create(path.c_str(), &p, content.out());
    if (st != 0) return st;
    Ref<zk::IMessage> message(Face<zk::IMessage>(content.get(), zk::id::KivIMessage));
    return message ? message->SetText(text.c_str()) : zk::kNotImplemented;
  }
  StatusCode OpenText(const std::string& path, int format, std::string* text,
                      zk::SecretProperties* props = nullptr) {
    Ref<zk::IKivSecret> secret(NewRsaSecret());
    zk::SecretParams p = Params(0, format, 0, 0, "");
    Ref<zk::IBase> content;
    StatusCode st = secret->Open(path.c_str(), &p, content.out());
    if (st != 0) return st;
    if (props) {
      EXPECT_EQ(secret->GetProperties(props), 0);
    }
    Ref<zk::IMessage> message(Face<zk::IMessage>(content.get(), zk::id::KivIMessage));
    if (!message) return zk::kNotImplemented;
    char* out = nullptr;
    st = message->GetText(&out);
    text->assign(out ? out : "");
    zk_free(out);
    return st;
  }
  ~SecretRsaTest() override {
    if (driver.p) driver.p->Release();
  }
  zktest::TempDir dir;
  struct {
    enginetest::FakeKeysDriver* p = nullptr;
  } driver;
};

struct Medium {
  const char* name;
  int format;
  const CarrierKind* kind;  // null: a plain secret file
};

TEST_F(SecretRsaTest, MessageAndFileOpenByKeyInEveryMedium) {
  AddPair("Ann");
  std::vector<Medium> media = {{"File", zk::kFormatSecretFile, nullptr}};
  for (const CarrierKind& k : AllCarriers()) media.push_back({k.name, k.format, &k});
  const std::vector<uint8_t> data = AllByteValues(2);
  const std::string disk = dir.File("all-bytes.bin");
  zktest::WriteFile(disk, data);
  size_t ran = 0;
  for (const Medium& m : media) {
    SCOPED_TRACE(m.name);
    auto path = [&](const std::string& name) {
      return m.kind ? MakeCarrierFile(*m.kind, dir, name, 8192) : dir.File(name + ".kvs");
    };
    const std::string messagePath = path(std::string("m") + m.name);
    if (messagePath.empty()) continue;  // the carrier's tools are missing
    ++ran;
    ASSERT_EQ(SaveText(messagePath, Sealed(zk::kContentMessage, m.format, 1, 1, 0), "under a key"), 0);
    std::string text;
    zk::SecretProperties props{};
    ASSERT_EQ(OpenText(messagePath, m.format, &text, &props), 0);
    EXPECT_EQ(text, "under a key");
    EXPECT_EQ(props.flags & 1, 1u);
    EXPECT_EQ(props.keyListFlag, 1u);
    EXPECT_STREQ(props.key.owner.name, "Ann");

    const std::string filePath = path(std::string("f") + m.name);
    {
      Ref<zk::IKivSecret> secret(NewRsaSecret());
      zk::SecretParams p = Sealed(zk::kContentFile, m.format, 4, 1, 0);
      Ref<zk::IBase> content;
      ASSERT_EQ(secret->Create(filePath.c_str(), &p, content.out()), 0);
      Ref<zk::IKivFile> file(Face<zk::IKivFile>(content.get(), zk::id::KivIKivFile));
      ASSERT_TRUE(file);
      ASSERT_EQ(file->LoadFromDisk(disk.c_str(), 1, nullptr), 0);
    }
    Ref<zk::IKivSecret> secret(NewRsaSecret());
    zk::SecretParams p = Params(0, m.format, 0, 0, "");
    Ref<zk::IBase> content;
    ASSERT_EQ(secret->Open(filePath.c_str(), &p, content.out()), 0);
    Ref<zk::IKivFile> file(Face<zk::IKivFile>(content.get(), zk::id::KivIKivFile));
    ASSERT_TRUE(file);
    const std::string out = dir.File(std::string("out-") + m.name);
    ASSERT_EQ(file->SaveToDisk(out.c_str(), nullptr), 0);
    EXPECT_EQ(zktest::ReadFile(out), data);
  }
  // Every medium whose tools are here; all of them on the build machines.
  EXPECT_EQ(ran, HaveTool("convert") && HaveTool("sox") && HaveTool("lame") && HaveTool("zip") ? media.size() : ran);
  EXPECT_GE(ran, 2u);
}

TEST_F(SecretRsaTest, OnlyTheRightPairOpens) {
  const std::string path = dir.File("two.kvs");
  AddPair("a first");
  const uint32_t second = AddPair("b second");
  ASSERT_EQ(second, 1u);
  ASSERT_EQ(SaveText(path, Sealed(zk::kContentMessage, zk::kFormatSecretFile, 7, 1, second), "for b"), 0);
  std::string text;
  zk::SecretProperties props{};
  ASSERT_EQ(OpenText(path, zk::kFormatSecretFile, &text, &props), 0);
  EXPECT_EQ(text, "for b");
  EXPECT_STREQ(props.key.owner.name, "b second");
  // Without that pair nothing opens it; the secret file stays as it was.
  const auto before = zktest::ReadFile(path);
  ASSERT_EQ(Keys()->DeletePrivateKey(second), 0);
  EXPECT_EQ(OpenText(path, zk::kFormatSecretFile, &text), zk::kAccessDenied);
  ASSERT_EQ(Keys()->DeletePrivateKey(0), 0);
  EXPECT_EQ(OpenText(path, zk::kFormatSecretFile, &text), zk::kAccessDenied);
  EXPECT_EQ(zktest::ReadFile(path), before);
}

TEST_F(SecretRsaTest, SealedToAPublicKeyReportsIt) {
  // Bob's public key, sealed to by someone who has only that.
  const std::string path = dir.File("bob.kvs");
  AddPair("Bob");
  const std::string part = dir.File("bob.kvk");
  ASSERT_EQ(Keys()->ExportPublicPart(part.c_str(), 0), 0);
  ASSERT_EQ(Keys()->ImportKeys(part.c_str(), ""), 0);
  Ref<zk::IKivSecret> secret(NewRsaSecret());
  zk::SecretParams p = Sealed(zk::kContentMessage, zk::kFormatSecretFile, 2, 0, 0);
  Ref<zk::IBase> content;
  ASSERT_EQ(secret->Create(path.c_str(), &p, content.out()), 0);
  zk::SecretProperties props{};
  ASSERT_EQ(secret->GetProperties(&props), 0);
  EXPECT_EQ(props.keyListFlag, 0u);
  EXPECT_STREQ(props.key.owner.name, "Bob");
  Ref<zk::IMessage> message(Face<zk::IMessage>(content.get(), zk::id::KivIMessage));
  ASSERT_EQ(message->SetText("hi Bob"), 0);
  std::string text;
  ASSERT_EQ(OpenText(path, zk::kFormatSecretFile, &text), 0);
  EXPECT_EQ(text, "hi Bob");
}

TEST_F(SecretRsaTest, KeyBlockLayoutAndPlainCheckValue) {
  AddPair("Ann");
  FixedClock clock(0x12345678, 0x4321);
  for (int cipher = 1; cipher <= 7; ++cipher) {
    SCOPED_TRACE(cipher);
    const std::string path = dir.File("c" + std::to_string(cipher) + ".kvs");
    ASSERT_EQ(SaveText(path, Sealed(zk::kContentMessage, zk::kFormatSecretFile, cipher, 1, 0), "x"), 0);
    const auto b = zktest::ReadFile(path);
    ASSERT_GE(b.size(), 598u);
    const uint8_t* block = b.data() + 10;
    EXPECT_EQ(zk::LoadLE16(block), 0);
    const uint32_t sealedLength = zk::LoadLE16(block + 2);
    EXPECT_TRUE(sealedLength > 0 && sealedLength <= 64 && sealedLength % 4 == 0) << sealedLength;
    for (uint32_t i = 4 + sealedLength; i < 524; ++i) ASSERT_EQ(block[i], 0) << i;
    zk::ICRC* crc = zktest::Create<zk::ICRC>(zk::id::CRCStdCRC, zk::id::CryptoICRC);
    EXPECT_EQ(crc->Crc32(0, block, 532), zk::LoadLE32(block + 532));
    crc->Release();
    // Ciphers of 12 and 16 bytes a block leave the 8 check bytes as they are.
    const bool plain = cipher == zk::kCipherAES32 || cipher == zk::kCipher3Way;
    EXPECT_EQ(zk::LoadLE32(block + 524) == 0x12345678u, plain);
    EXPECT_EQ(zk::LoadLE32(block + 528) == (0x12345678u ^ 0x5356494Bu), plain);
    std::string text;
    ASSERT_EQ(OpenText(path, zk::kFormatSecretFile, &text), 0);
    EXPECT_EQ(text, "x");
  }
}

// Readers leave the key block's CRC-32, its reserved word and the unused
// end of the sealed-key field untested: damage to the latter two still
// opens, with the content intact. The CRC-32 ends the stored bytes whose
// last cipher block seeds the feedback at the header, so damage there fails
// the header check (with Blowfish's 8-byte blocks: block bytes 528..535),
// as a changed sealed key or check value fails the key trial.
TEST_F(SecretRsaTest, KeyBlockBytesReadersDoNotTest) {
  AddPair("Ann");
  const std::string path = dir.File("m.kvs");
  ASSERT_EQ(SaveText(path, Sealed(zk::kContentMessage, zk::kFormatSecretFile, 1, 1, 0), "kept"), 0);
  const auto good = zktest::ReadFile(path);
  const uint32_t sealedLength = zk::LoadLE16(good.data() + 12);
  ASSERT_LT(4 + sealedLength, 524u);
  const struct {
    const char* what;
    size_t at;  // offset in the block
    StatusCode want;
  } cases[] = {
      {"reserved word", 0, 0},
      {"reserved word, second byte", 1, 0},
      {"unused sealed-key byte", 4 + sealedLength, 0},
      {"last sealed-key byte", 523, 0},
      {"CRC-32", 532, zk::kAccessDenied},
      {"CRC-32 last byte", 535, zk::kAccessDenied},
      {"sealed key", 4, zk::kAccessDenied},
      {"check value", 524, zk::kAccessDenied},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto bytes = good;
    bytes[10 + c.at] ^= 0x5A;
    zktest::WriteFile(path, bytes);
    std::string text;
    EXPECT_EQ(OpenText(path, zk::kFormatSecretFile, &text), c.want);
    if (c.want == 0) {
      EXPECT_EQ(text, "kept");
    }
  }
}

TEST_F(SecretRsaTest, EmptyStorageRefusesWithoutTouchingTheContent) {
  AddPair("Ann");
  const std::string path = dir.File("m.kvs");
  ASSERT_EQ(SaveText(path, Sealed(zk::kContentMessage, zk::kFormatSecretFile, 1, 1, 0), "secret"), 0);
  const auto before = zktest::ReadFile(path);
  ASSERT_EQ(Keys()->DeletePrivateKey(0), 0);
  std::string text = "untouched";
  EXPECT_EQ(OpenText(path, zk::kFormatSecretFile, &text), zk::kAccessDenied);
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(zktest::ReadFile(path), before);
}

TEST_F(SecretRsaTest, BadPublicKeysAreRefused) {
  AddPair("Ann");
  zk::SecretParams p = Sealed(zk::kContentMessage, zk::kFormatSecretFile, 1, 1, 0);
  // An exponent of 2 on a 512-bit modulus: the 256-bit key squared stays
  // below it, so it would never wrap; refused, and so is 1.
  const uint32_t nLimbs = zk::LoadLE16(p.key);
  uint8_t* e = p.key + 2 + 4 * nLimbs;
  ASSERT_EQ(zk::LoadLE16(e), 1);
  auto create = [&](const char* name) {
    Ref<zk::IKivSecret> secret(NewRsaSecret());
    Ref<zk::IBase> content;
    return secret->Create(dir.File(name).c_str(), &p, content.out());
  };
  zk::StoreLE32(e + 2, 2);
  EXPECT_EQ(create("e2.kvs"), zk::kNotExecuted);
  zk::StoreLE32(e + 2, 1);
  EXPECT_EQ(create("e1.kvs"), zk::kNotExecuted);
  zk::StoreLE32(e + 2, 3);
  EXPECT_EQ(create("e3.kvs"), 0);
  // A blob cut inside its modulus.
  p = Sealed(zk::kContentMessage, zk::kFormatSecretFile, 1, 1, 0);
  p.keyLength = 20;
  EXPECT_NE(create("cut.kvs"), 0);
  EXPECT_TRUE(zktest::ReadFile(dir.File("e2.kvs")).empty());
}

// The key trial itself, over a block made by hand.
class KeyTrialTest : public SecretRsaTest {
 protected:
  // A key block sealing `key` to pair `index`, check value under cipher 4.
  void MakeBlock(uint32_t index, const uint8_t key[32], uint8_t block[zk::engine::kKeyBlockSize]) {
    std::memset(block, 0, zk::engine::kKeyBlockSize);
    zk::IKeyOperations* ops = zktest::Face<zk::IKeyOperations>(Keys(), zk::id::KivIKeyOperations);
    ASSERT_NE(ops, nullptr);
    uint32_t limbs[8];
    for (int i = 0; i < 8; ++i) limbs[i] = zk::LoadLE32(key + 4 * i);
    uint32_t* sealed = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(ops->PublicDecrypt(index, limbs, 8, &sealed, &count), 0);
    zk::StoreLE16(block + 2, uint16_t(count * 4));
    for (uint32_t i = 0; i < count; ++i) zk::StoreLE32(block + 4 + 4 * i, sealed[i]);
    zk_free(sealed);
    ops->Release();
    zk::StoreLE32(block + 524, 777);
    zk::StoreLE32(block + 528, 777 ^ 0x5356494Bu);
    zk::IBlockCipher* cipher = nullptr;
    ASSERT_EQ(zk::engine::MakeKeyedCipher(zk::kCipherBlowfish, key, 32, &cipher), 0);
    cipher->EncryptBlocks(block + 524, 8);
    cipher->Release();
  }
};

TEST_F(KeyTrialTest, ShortResultsAreZeroExtendedAndFailedHeadersGoOn) {
  AddPair("a");
  uint8_t key[32];
  for (int i = 0; i < 32; ++i) key[i] = uint8_t(i * 37 + 1);
  key[28] = key[29] = key[30] = key[31] = 0;  // the private result has 7 limbs
  uint8_t block[zk::engine::kKeyBlockSize];
  MakeBlock(0, key, block);
  zk::engine::KeyBlockResult r;
  ASSERT_EQ(zk::engine::OpenKeyBlock(driver.p, zk::kCipherBlowfish, block, &r), 0);
  EXPECT_EQ(std::memcmp(r.contentKey, key, 32), 0);
  EXPECT_EQ(r.keyListFlag, 1u);

  // The same pair twice: the first that fits wins, unless the header check
  // after it fails; then the next is tried.
  const std::string pairFile = dir.File("a.kvk");
  ASSERT_EQ(Keys()->ExportPrivateKey(pairFile.c_str(), "", 0), 0);
  ASSERT_EQ(Keys()->ImportKeys(pairFile.c_str(), ""), 0);
  zk::KeyInfo second{};
  ASSERT_EQ(Keys()->GetPrivateKeyInfo(1, &second), 0);
  int calls = 0;
  zk::engine::KeyBlockResult again;
  again.headerCheck = [&](const uint8_t* k) {
    EXPECT_EQ(std::memcmp(k, key, 32), 0);
    return ++calls == 1 ? zk::kAccessDenied : zk::kOk;
  };
  ASSERT_EQ(zk::engine::OpenKeyBlock(driver.p, zk::kCipherBlowfish, block, &again), 0);
  EXPECT_EQ(calls, 2);
  zk::engine::KeyBlockResult never;
  never.headerCheck = [&](const uint8_t*) { return zk::kAccessDenied; };
  EXPECT_EQ(zk::engine::OpenKeyBlock(driver.p, zk::kCipherBlowfish, block, &never), zk::kAccessDenied);
  // Another error of the header ends the trial with it.
  zk::engine::KeyBlockResult broken;
  broken.headerCheck = [&](const uint8_t*) { return zk::kReadError; };
  EXPECT_EQ(zk::engine::OpenKeyBlock(driver.p, zk::kCipherBlowfish, block, &broken), zk::kReadError);
  // A sealed length beyond the block is refused.
  zk::StoreLE16(block + 2, 524);
  EXPECT_EQ(zk::engine::OpenKeyBlock(driver.p, zk::kCipherBlowfish, block, &r), zk::kInvalidFormat);
}

}  // namespace
