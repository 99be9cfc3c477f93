// kiv.Keys: key files (.kvk), public key blobs, the selection and OpenPGP
// keys through a stand-in of the optional component.
#include <cstring>
#include <ctime>

#include "KeyFormat.h"
#include "tests/KeysTestSupport.h"
#include "tests/KnownKeyFiles.h"
#include "ToolkitObject.h"
#include "zk5Rsa.h"

using enginetest::KeysTest;
using enginetest::Owner;
using enginetest::Storage;

namespace {

std::string Hex(const std::string& path) { return zktest::ToHex(zktest::ReadFile(path)); }

class KeyFilesTest : public KeysTest {
 protected:
  // A storage holding the fixed key pair of the known files.
  void ImportKnownPair(Storage& keys) {
    zktest::WriteFile(File("pair.kvk"), zktest::FromHex(enginetest::known::kPairFile));
    ASSERT_EQ(keys->ImportKeys(File("pair.kvk").c_str(), ""), 0);
  }
};

TEST_F(KeyFilesTest, KnownFilesReadAndAreWrittenByteForByte) {
  FixClock(enginetest::known::kClock);
  Storage keys(File("keys.kst"));
  ImportKnownPair(keys);
  ASSERT_EQ(keys->GetPrivateKeyCount(), 1u);
  zk::KeyInfo info{};
  ASSERT_EQ(keys->GetPrivateKeyInfo(0, &info), 0);
  EXPECT_STREQ(info.owner.name, "Ann");
  EXPECT_STREQ(info.owner.city, "Madrid");
  EXPECT_EQ(info.bits, 512);

  ASSERT_EQ(keys->ExportPrivateKey(File("out-pair.kvk").c_str(), "", 0), 0);
  EXPECT_EQ(zktest::ReadFile(File("out-pair.kvk")).size(), 2012u);
  EXPECT_EQ(Hex(File("out-pair.kvk")), enginetest::known::kPairFile);
  ASSERT_EQ(keys->ExportPublicPart(File("part.kvk").c_str(), 0), 0);
  EXPECT_EQ(zktest::ReadFile(File("part.kvk")).size(), 724u);
  EXPECT_EQ(Hex(File("part.kvk")), enginetest::known::kPublicFile);

  zktest::WriteFile(File("public.kvk"), zktest::FromHex(enginetest::known::kPublicFile));
  ASSERT_EQ(keys->ImportKeys(File("public.kvk").c_str(), nullptr), 0);
  ASSERT_EQ(keys->GetPublicKeyCount(), 1u);
  ASSERT_EQ(keys->ExportPublicKey(File("out-public.kvk").c_str(), 0), 0);
  EXPECT_EQ(Hex(File("out-public.kvk")), enginetest::known::kPublicFile);

  // The public blob of the pair and of the public key, and the selection.
  for (int32_t isPair : {1, 0}) {
    uint8_t blob[520] = {};
    uint32_t length = 99;
    ASSERT_EQ(keys->GetPublicKeyBlob(blob, isPair, 0, &length), 0);
    EXPECT_EQ(zktest::ToHex(blob, length), enginetest::known::kPublicBlob);
    int32_t selected = -1;
    zk::KeyInfo chosen{};
    ASSERT_EQ(keys->GetSelectedKeyInfo(&selected, &chosen), 0);
    EXPECT_EQ(selected, isPair);
    EXPECT_EQ(std::memcmp(&chosen, &info, sizeof info), 0);
  }
  uint8_t blob[520];
  uint32_t length = 5;
  EXPECT_EQ(keys->GetPublicKeyBlob(nullptr, 1, 0, &length), zk::kInvalidArg);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(keys->GetPublicKeyBlob(blob, 1, 1, &length), zk::kInvalidArg);
  EXPECT_EQ(keys->GetPublicKeyBlob(blob, 0, 1, &length), zk::kInvalidArg);
  EXPECT_EQ(keys->GetSelectedKeyInfo(nullptr, nullptr), 0);
}

TEST_F(KeyFilesTest, PairRoundTripsWithAndWithoutPassword) {
  Storage keys(File("keys.kst"));
  auto owner = Owner("Ann", "Lee", "Spain", "Madrid");
  ASSERT_EQ(keys->GenerateKeyPair(&owner, 512), 0);
  uint8_t want[520];
  uint32_t wantLength = 0;
  ASSERT_EQ(keys->GetPublicKeyBlob(want, 1, 0, &wantLength), 0);
  ASSERT_EQ(keys->ExportPrivateKey(File("plain.kvk").c_str(), nullptr, 0), 0);
  ASSERT_EQ(keys->ExportPrivateKey(File("locked.kvk").c_str(), "secret", 0), 0);
  EXPECT_EQ(keys->ExportPrivateKey(File("none.kvk").c_str(), "", 1), zk::kInvalidArg);
  EXPECT_EQ(keys->ExportPublicKey(File("none.kvk").c_str(), 0), zk::kInvalidArg);
  EXPECT_EQ(keys->ExportPublicPart(File("none.kvk").c_str(), 1), zk::kInvalidArg);

  Storage other(File("other.kst"));
  EXPECT_EQ(other->ImportKeys(File("locked.kvk").c_str(), "wrong"), zk::kHeaderCheck);
  EXPECT_EQ(other->ImportKeys(File("locked.kvk").c_str(), ""), zk::kHeaderCheck);
  EXPECT_EQ(other->ImportKeys(File("plain.kvk").c_str(), "secret"), zk::kHeaderCheck);
  EXPECT_EQ(other->GetPrivateKeyCount(), 0u);
  ASSERT_EQ(other->ImportKeys(File("plain.kvk").c_str(), ""), 0);
  ASSERT_EQ(other->ImportKeys(File("locked.kvk").c_str(), "secret"), 0);
  // The same file imported twice lists the key twice.
  ASSERT_EQ(other->ImportKeys(File("plain.kvk").c_str(), nullptr), 0);
  ASSERT_EQ(other->GetPrivateKeyCount(), 3u);
  for (uint32_t i = 0; i < 3; ++i) {
    uint8_t blob[520];
    uint32_t length = 0;
    ASSERT_EQ(other->GetPublicKeyBlob(blob, 1, i, &length), 0);
    ASSERT_EQ(length, wantLength);
    EXPECT_EQ(std::memcmp(blob, want, length), 0);
    EXPECT_EQ(other.OwnerName(true, i), "Ann");
  }
  // The private numbers came along: the imported pair signs for the first.
  const uint32_t x[2] = {12345, 678};
  uint32_t* a = nullptr;
  uint32_t* b = nullptr;
  uint32_t na = 0, nb = 0;
  ASSERT_EQ(keys.ops->PrivateEncrypt(0, x, 2, &a, &na), 0);
  ASSERT_EQ(other.ops->PrivateEncrypt(1, x, 2, &b, &nb), 0);
  ASSERT_EQ(na, nb);
  EXPECT_EQ(std::memcmp(a, b, na * 4), 0);
  zk_free(a);
  zk_free(b);
}

TEST_F(KeyFilesTest, PublicFilesOpenWithoutPasswordOnly) {
  Storage keys(File("keys.kst"));
  auto owner = Owner("Bob");
  ASSERT_EQ(keys->GenerateKeyPair(&owner, 512), 0);
  ASSERT_EQ(keys->ExportPublicPart(File("bob.kvk").c_str(), 0), 0);
  EXPECT_EQ(zktest::ReadFile(File("bob.kvk")).size(), 724u);
  Storage other(File("other.kst"));
  EXPECT_EQ(other->ImportKeys(File("bob.kvk").c_str(), "any"), zk::kHeaderCheck);
  ASSERT_EQ(other->ImportKeys(File("bob.kvk").c_str(), ""), 0);
  ASSERT_EQ(other->GetPublicKeyCount(), 1u);
  EXPECT_EQ(other->GetPrivateKeyCount(), 0u);
  // A public key's operations are not a pair's.
  const uint32_t x[1] = {5};
  uint32_t* out = nullptr;
  uint32_t count = 0;
  EXPECT_EQ(other.ops->PublicEncrypt(0, x, 1, &out, &count), zk::kInvalidArg);

  // Exported again under the same clock, the public part and the public
  // key make the same file; under other clocks only the times differ.
  FixClock(enginetest::known::kClock);
  ASSERT_EQ(keys->ExportPublicPart(File("part.kvk").c_str(), 0), 0);
  ASSERT_EQ(other->ExportPublicKey(File("public.kvk").c_str(), 0), 0);
  EXPECT_EQ(zktest::ReadFile(File("part.kvk")), zktest::ReadFile(File("public.kvk")));
  FixClock(enginetest::known::kClock + 1000);
  ASSERT_EQ(other->ExportPublicKey(File("later.kvk").c_str(), 0), 0);
  EXPECT_NE(zktest::ReadFile(File("part.kvk")), zktest::ReadFile(File("later.kvk")));
  Storage third(File("third.kst"));
  ASSERT_EQ(third->ImportKeys(File("part.kvk").c_str(), ""), 0);
  ASSERT_EQ(third->ImportKeys(File("later.kvk").c_str(), ""), 0);
  zk::KeyInfo i0{}, i1{};
  ASSERT_EQ(third->GetPublicKeyInfo(0, &i0), 0);
  ASSERT_EQ(third->GetPublicKeyInfo(1, &i1), 0);
  EXPECT_EQ(std::memcmp(&i0, &i1, sizeof i0), 0);
  uint8_t b0[520], b1[520];
  uint32_t n0 = 0, n1 = 0;
  ASSERT_EQ(third->GetPublicKeyBlob(b0, 0, 0, &n0), 0);
  ASSERT_EQ(third->GetPublicKeyBlob(b1, 0, 1, &n1), 0);
  ASSERT_EQ(n0, n1);
  EXPECT_EQ(std::memcmp(b0, b1, n0), 0);
}

TEST_F(KeyFilesTest, MalformedKeyFilesLeaveTheListsAlone) {
  const auto good = zktest::FromHex(enginetest::known::kPublicFile);
  auto changed = [&](size_t at) {
    auto b = good;
    b[at] ^= 0x40;
    return b;
  };
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    StatusCode want;
  } cases[] = {
      {"record byte changed", changed(300), zk::kDigestMismatch},
      {"last byte changed", changed(good.size() - 1), zk::kDigestMismatch},
      {"header byte changed", changed(30), zk::kHeaderCheck},
      {"prefix check changed", changed(8), zk::kInvalidFormat},
      {"cut to 9 bytes", std::vector<uint8_t>(good.begin(), good.begin() + 9), zk::kInvalidFormat},
      {"cut in the header", std::vector<uint8_t>(good.begin(), good.begin() + 50), zk::kInvalidFormat},
      {"cut in the record", std::vector<uint8_t>(good.begin(), good.end() - 1), zk::kInvalidFormat},
      {"a key storage", zktest::FromHex(enginetest::known::kEmptyStorage), zk::kInvalidFormat},
      {"a signature", zktest::FromHex(enginetest::known::kSignatureFile), zk::kInvalidFormat},
  };
  Storage keys(File("keys.kst"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    zktest::WriteFile(File("bad.kvk"), c.bytes);
    EXPECT_EQ(keys->ImportKeys(File("bad.kvk").c_str(), ""), c.want);
    EXPECT_EQ(keys->GetPublicKeyCount() + keys->GetPrivateKeyCount(), 0u);
  }
  EXPECT_EQ(keys->ImportKeys(File("absent.kvk").c_str(), ""), zk::kCannotOpen);
  EXPECT_EQ(keys->ImportKeys(nullptr, ""), zk::kInvalidArg);
}

// Prefix, header and record account for a key file exactly: the known
// files (written apart from the code) open, and with one byte more or less,
// or 320 more, they are refused. The key storage and signature files hold
// their readers to the same.
TEST_F(KeyFilesTest, KeyFilesMustHaveTheirExactSize) {
  Storage signer(File("signer.kst"));
  ImportKnownPair(signer);
  const struct {
    const char* what;
    const char* hex;
    size_t size;
  } files[] = {
      {"key pair", enginetest::known::kPairFile, 2012},
      {"public key", enginetest::known::kPublicFile, 724},
      {"key storage", enginetest::known::kEmptyStorage, 70},
      {"signature", enginetest::known::kSignatureFile, 10 + 52 + 2 + 64 + 9},
  };
  auto open = [&](const char* what, const std::string& path) -> StatusCode {
    if (std::strcmp(what, "key storage") == 0) {
      Storage keys(path);
      return keys->Open(enginetest::known::kPassword);
    }
    if (std::strcmp(what, "signature") == 0) {
      char* name = nullptr;
      zk::CalendarTime when{};
      int32_t pair = 0, reserved = 0, hash = 0;
      const StatusCode st = signer.sign->ReadSignature(path.c_str(), &name, &when, &pair, &reserved, &hash);
      zk_free(name);
      return st;
    }
    Storage keys(File("keys.kst"));
    return keys->ImportKeys(path.c_str(), "");
  };
  for (const auto& f : files) {
    const auto good = zktest::FromHex(f.hex);
    ASSERT_EQ(good.size(), f.size) << f.what;
    const struct {
      const char* change;
      int grow;
      StatusCode want;
    } changes[] = {{"exact", 0, 0}, {"one more", 1, zk::kInvalidFormat},
                   {"one less", -1, zk::kInvalidFormat}, {"320 more", 320, zk::kInvalidFormat}};
    for (const auto& c : changes) {
      SCOPED_TRACE(std::string(f.what) + ", " + c.change);
      auto bytes = good;
      if (c.grow < 0) bytes.resize(bytes.size() - 1);
      for (int i = 0; i < c.grow; ++i) bytes.push_back(uint8_t(i * 7));
      const std::string path = File("sized.bin");
      zktest::WriteFile(path, bytes);
      EXPECT_EQ(open(f.what, path), c.want);
    }
  }
}

// Every key file, key storage and signature the system writes has the size
// its header and records account for.
TEST_F(KeyFilesTest, WrittenFilesHaveTheirExactSize) {
  Storage keys(File("keys.kst"));
  ASSERT_EQ(keys->Open("pw"), 0);
  EXPECT_EQ(zktest::ReadFile(File("keys.kst")).size(), 70u);
  const zk::KeyOwner owner = Owner("Ann");
  ASSERT_EQ(keys->GenerateKeyPair(&owner, 512), 0);
  ASSERT_EQ(keys->Save(), 0);
  EXPECT_EQ(zktest::ReadFile(File("keys.kst")).size(), 70u + 1950);
  ASSERT_EQ(keys->ExportPrivateKey(File("plain.kvk").c_str(), "", 0), 0);
  ASSERT_EQ(keys->ExportPrivateKey(File("locked.kvk").c_str(), "secret", 0), 0);
  ASSERT_EQ(keys->ExportPublicPart(File("part.kvk").c_str(), 0), 0);
  EXPECT_EQ(zktest::ReadFile(File("plain.kvk")).size(), 2012u);
  EXPECT_EQ(zktest::ReadFile(File("locked.kvk")).size(), 2012u);
  EXPECT_EQ(zktest::ReadFile(File("part.kvk")).size(), 724u);
  ASSERT_EQ(keys->ImportKeys(File("part.kvk").c_str(), ""), 0);
  ASSERT_EQ(keys->ExportPublicKey(File("public.kvk").c_str(), 0), 0);
  EXPECT_EQ(zktest::ReadFile(File("public.kvk")).size(), 724u);
  ASSERT_EQ(keys->Save(), 0);
  EXPECT_EQ(zktest::ReadFile(File("keys.kst")).size(), 70u + 1950 + 662);
  ASSERT_EQ(keys->ImportKeys(File("locked.kvk").c_str(), "secret"), 0);
  ASSERT_EQ(keys->Save(), 0);
  EXPECT_EQ(zktest::ReadFile(File("keys.kst")).size(), 70u + 2 * 1950 + 662);
  zktest::WriteFile(File("signed.txt"), std::vector<uint8_t>(100, 's'));
  ASSERT_EQ(keys.sign->SignFile(File("signed.txt").c_str(), File("s.kvg").c_str(), 0, 3), 0);
  // A 512-bit key signs with 64 bytes; the name is "signed.txt".
  EXPECT_EQ(zktest::ReadFile(File("s.kvg")).size(), 10u + 52 + 2 + 64 + 10);
  // And each opens again.
  for (const char* name : {"plain.kvk", "part.kvk", "public.kvk"}) {
    Storage other(File("other.kst"));
    EXPECT_EQ(other->ImportKeys(File(name).c_str(), ""), 0) << name;
  }
  Storage again(File("keys.kst"));
  EXPECT_EQ(again->Open("pw"), 0);
  EXPECT_EQ(again.sign->VerifyFile(File("signed.txt").c_str(), File("s.kvg").c_str()), 0);
}

TEST(KeyFormatTest, UserIdTextOfAnOwner) {
  auto owner = Owner("Ann", "Lee", "Spain", "Madrid");
  EXPECT_EQ(zk::engine::UserIdText(reinterpret_cast<const uint8_t*>(&owner)), "Ann Lee (Spain, Madrid)");
  auto bare = Owner("Ann");
  EXPECT_EQ(zk::engine::UserIdText(reinterpret_cast<const uint8_t*>(&bare)), "Ann  (, )");
}

// --- a stand-in of the optional OpenPGP component ---------------------------

struct PgpScript {
  int32_t infoKind = 2;
  int32_t bits = 512;
  uint32_t created = 0;
  uint32_t second = 0;
  zk::RsaKeyParts parts{};       // what ReadKey hands out (copied)
  StatusCode readResult = 0;
  // What WriteKey was given.
  int writes = 0;
  uint32_t writtenKind = 0;
  uint32_t writtenCreated = 0;
  std::string writtenUserId, writtenPassphrase, writtenPath;
  bool writtenWithoutPassphrase = false;
  std::vector<uint8_t> writtenN;
};
PgpScript g_pgp;

uint8_t* CopyBlock(const uint8_t* p, uint32_t n) {
  if (!p || !n) return nullptr;
  auto* b = static_cast<uint8_t*>(zk_malloc(static_cast<int32_t>(n)));
  std::memcpy(b, p, n);
  return b;
}

class FakePgp final : public zk::ToolkitObject<FakePgp, zk::IOpenPGPKey> {
 public:
  static constexpr const char* kClassId = zk::id::OpgpKey;
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::OpgpIOpenPGPKey, 0}};
  StatusCode GetKeyInfo(const char*, zk::PgpKeyInfo* info) override {
    info->kind = g_pgp.infoKind;
    info->bits = g_pgp.bits;
    info->userId = zk_DupString("Ann Lee <ann@example.org>");
    info->created = g_pgp.created;
    info->second = g_pgp.second;
    return 0;
  }
  StatusCode ReadKey(const char*, const char*, zk::RsaKeyParts* parts) override {
    if (g_pgp.readResult) return g_pgp.readResult;
    *parts = g_pgp.parts;
    for (auto [to, from] : {std::pair{&parts->n, &g_pgp.parts.n}, {&parts->e, &g_pgp.parts.e},
                            {&parts->d, &g_pgp.parts.d}, {&parts->p, &g_pgp.parts.p},
                            {&parts->q, &g_pgp.parts.q}, {&parts->u, &g_pgp.parts.u}})
      to->data = CopyBlock(from->data, from->byteLength);
    parts->userId = nullptr;
    return 0;
  }
  StatusCode WriteKey(const char* path, const char* passphrase, uint32_t created,
                      zk::RsaKeyParts* parts) override {
    ++g_pgp.writes;
    g_pgp.writtenPath = path;
    g_pgp.writtenWithoutPassphrase = passphrase == nullptr;
    g_pgp.writtenPassphrase = passphrase ? passphrase : "";
    g_pgp.writtenKind = parts->kind;
    g_pgp.writtenCreated = created;
    g_pgp.writtenUserId = parts->userId ? parts->userId : "(none)";
    g_pgp.writtenN.assign(parts->n.data, parts->n.data + parts->n.byteLength);
    return 0;
  }
};

TEST_F(KeyFilesTest, OpenPgpWithoutTheComponentIsNotFound) {
  Storage keys(File("keys.kst"));
  ImportKnownPair(keys);
  auto owner = Owner("Ann");
  int32_t isPrivate = 7;
  EXPECT_EQ(keys->GetPgpKeyInfo("key.asc", &isPrivate, nullptr, nullptr, nullptr, nullptr), zk::kNotFound);
  EXPECT_EQ(keys->ImportPgpKey("key.asc", "pp", &owner), zk::kNotFound);
  EXPECT_EQ(keys->ExportPgpPublicKey(File("k.asc").c_str(), 1, 0), zk::kNotFound);
  EXPECT_EQ(keys->ExportPgpPrivateKey(File("k.asc").c_str(), "pp", 0), zk::kNotFound);
  EXPECT_EQ(keys->GetPgpKeyInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), zk::kInvalidArg);
  // Everything else still works.
  EXPECT_EQ(keys->ExportPublicPart(File("part.kvk").c_str(), 0), 0);
}

TEST_F(KeyFilesTest, OpenPgpKeysThroughTheComponent) {
  ASSERT_EQ(zk_RegistryClass(zk::id::OpgpKey, &FakePgp::Factory), 0);
  FixClock(enginetest::known::kClock);
  Storage keys(File("keys.kst"));
  ImportKnownPair(keys);
  // Information: kind, bits, user id (the old string freed) and both times.
  g_pgp.created = enginetest::known::kClock;
  g_pgp.second = enginetest::known::kClock + 86400;
  int32_t isPrivate = -1, bits = -1;
  char* userId = zk_DupString("old");
  zk::PgpCalendarTime created{}, second{};
  ASSERT_EQ(keys->GetPgpKeyInfo("key.asc", &isPrivate, &bits, &userId, &created, &second), 0);
  EXPECT_EQ(isPrivate, 1);
  EXPECT_EQ(bits, 512);
  EXPECT_STREQ(userId, "Ann Lee <ann@example.org>");
  zk_free(userId);
  std::time_t t = enginetest::known::kClock + 86400;
  std::tm tm{};
  localtime_r(&t, &tm);
  EXPECT_EQ(second.year, tm.tm_year + 1900);
  EXPECT_EQ(second.month, tm.tm_mon + 1);
  EXPECT_EQ(second.dayOfWeek, 0);
  EXPECT_EQ(second.day, tm.tm_mday);
  EXPECT_EQ(second.second, tm.tm_sec);
  EXPECT_EQ(second.milliseconds, 0);
  EXPECT_EQ(created.day == second.day, false);
  g_pgp.infoKind = 1;
  ASSERT_EQ(keys->GetPgpKeyInfo("key.asc", &isPrivate, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(isPrivate, 0);

  // Writing: the user id made from the owner, the record's time, the kinds.
  ASSERT_EQ(keys->ExportPgpPublicKey(File("pub.asc").c_str(), 1, 0), 0);
  EXPECT_EQ(g_pgp.writtenKind, zk::kRsaPublicKey);
  EXPECT_TRUE(g_pgp.writtenWithoutPassphrase);
  EXPECT_EQ(g_pgp.writtenUserId, "Ann Lee (Spain, Madrid)");
  EXPECT_EQ(g_pgp.writtenCreated, enginetest::known::kClock);
  EXPECT_EQ(zktest::ToHex(g_pgp.writtenN), std::string(enginetest::known::kPublicBlob).substr(4, 128));
  ASSERT_EQ(keys->ExportPgpPrivateKey(File("sec.asc").c_str(), "pp", 0), 0);
  EXPECT_EQ(g_pgp.writtenKind, zk::kRsaPrivateKey);
  EXPECT_EQ(g_pgp.writtenPassphrase, "pp");
  EXPECT_EQ(keys->ExportPgpPrivateKey(File("sec.asc").c_str(), "pp", 1), zk::kInvalidArg);
  EXPECT_EQ(keys->ExportPgpPublicKey(File("pub.asc").c_str(), 0, 0), zk::kInvalidArg);
  EXPECT_EQ(g_pgp.writes, 2);

  // Reading: kind 2 becomes a pair, kind 1 a public key, under the owner
  // given; the numbers are those of a key cipher.RSA made.
  Storage target(File("target.kst"));
  auto owner = Owner("Zed", "Pgp", "Chile", "Lima");
  zk::IAsymmetrical* gen = zktest::Create<zk::IAsymmetrical>(zk::id::CipherRSA, zk::id::CryptoIAsymmetrical);
  ASSERT_EQ(gen->GenerateKey(512), 0);
  ASSERT_EQ(gen->GetKeyParts(&g_pgp.parts), 0);
  g_pgp.infoKind = 2;
  g_pgp.bits = 512;
  g_pgp.created = enginetest::known::kClock - 5;
  ASSERT_EQ(target->ImportPgpKey("sec.asc", "pp", &owner), 0);
  ASSERT_EQ(target->GetPrivateKeyCount(), 1u);
  zk::KeyInfo info{};
  ASSERT_EQ(target->GetPrivateKeyInfo(0, &info), 0);
  EXPECT_STREQ(info.owner.name, "Zed");
  EXPECT_STREQ(info.owner.city, "Lima");
  EXPECT_EQ(info.bits, 512);
  {
    uint8_t* genPub = nullptr;
    uint32_t genPubSize = 0;
    ASSERT_EQ(gen->ExportPublicKey(&genPub, &genPubSize), 0);
    uint8_t blob[520];
    uint32_t length = 0;
    ASSERT_EQ(target->GetPublicKeyBlob(blob, 1, 0, &length), 0);
    ASSERT_EQ(length, genPubSize);
    EXPECT_EQ(std::memcmp(blob, genPub, length), 0);
    zk_free(genPub);
  }
  // Public: the parts' kind says so (only n and e are taken).
  g_pgp.parts.kind = zk::kRsaPublicKey;
  ASSERT_EQ(target->ImportPgpKey("pub.asc", nullptr, &owner), 0);
  EXPECT_EQ(target->GetPublicKeyCount(), 1u);
  EXPECT_EQ(target->GetPrivateKeyCount(), 1u);
  // Neither kind: -1. An error of the component passes through.
  g_pgp.parts.kind = 3;
  EXPECT_EQ(target->ImportPgpKey("x.asc", nullptr, &owner), zk::kFatal);
  g_pgp.parts.kind = zk::kRsaPublicKey;
  g_pgp.readResult = -77;
  EXPECT_EQ(target->ImportPgpKey("x.asc", nullptr, &owner), -77);
  g_pgp.readResult = 0;
  EXPECT_EQ(target->ImportPgpKey(nullptr, nullptr, &owner), zk::kInvalidArg);

  // A public key above 4096 bits does not fit its record: refused.
  std::vector<uint8_t> bigN(4 * 131, 0x5a);
  zk::RsaKeyParts big{};
  big.kind = zk::kRsaPublicKey;
  big.n = {bigN.data(), static_cast<uint16_t>(bigN.size()), 131 * 32 - 1, 0};
  const uint8_t e[4] = {1, 0, 1, 0};
  big.e = {const_cast<uint8_t*>(e), 4, 17, 0};
  zk::RsaKeyParts saved = g_pgp.parts;
  g_pgp.parts = big;
  EXPECT_EQ(target->ImportPgpKey("big.asc", nullptr, &owner), zk::kNotExecuted);
  EXPECT_EQ(target->GetPublicKeyCount(), 1u);
  g_pgp.parts = saved;
  gen->GetKeyParts(&g_pgp.parts);  // frees the numbers held
  for (zk::RsaKeyPart* part : {&g_pgp.parts.n, &g_pgp.parts.e, &g_pgp.parts.d, &g_pgp.parts.p,
                               &g_pgp.parts.q, &g_pgp.parts.u})
    zk_free(part->data);
  zk_free(g_pgp.parts.userId);
  gen->Release();
}

}  // namespace
