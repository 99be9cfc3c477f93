// kiv.Keys: the key storage file, its password, the lists and their order.
#include <sys/stat.h>

#include <filesystem>

#include "ByteOrder.h"
#include "KeyFormat.h"
#include "SecretFiles.h"
#include "tests/KeysTestSupport.h"
#include "tests/SeamTestSupport.h"
#include "tests/KnownKeyFiles.h"
#include "zk5Cipher.h"

using enginetest::KeysTest;
using enginetest::Owner;
using enginetest::Storage;

namespace {

// A storage file at path holding one pair of 512 bits owned by "Ann".
void SavedWithOneKey(const std::string& path, const char* password) {
  Storage keys(path);
  ASSERT_EQ(keys->Open(password), 0);
  auto owner = Owner("Ann");
  ASSERT_EQ(keys->GenerateKeyPair(&owner, 512), 0);
  ASSERT_EQ(keys->Save(), 0);
}

TEST_F(KeysTest, NewStorageIsSeventyPinnedBytesAndReopensEmpty) {
  FixClock(enginetest::known::kClock);
  const std::string path = File("keys.kst");
  {
    Storage keys(path);
    EXPECT_EQ(keys->StorageExists(), zk::kCannotOpen);
    ASSERT_EQ(keys->Open(enginetest::known::kPassword), 0);
    EXPECT_EQ(keys->StorageExists(), 0);
  }
  EXPECT_EQ(zktest::ToHex(zktest::ReadFile(path)), enginetest::known::kEmptyStorage);
  Storage again(path);
  ASSERT_EQ(again->Open(enginetest::known::kPassword), 0);
  EXPECT_EQ(again->GetPrivateKeyCount(), 0u);
  EXPECT_EQ(again->GetPublicKeyCount(), 0u);
  // Rewritten under the same clock, the same bytes.
  ASSERT_EQ(again->Save(), 0);
  EXPECT_EQ(zktest::ToHex(zktest::ReadFile(path)), enginetest::known::kEmptyStorage);
}

TEST_F(KeysTest, WrongPasswordKeepsNothingAndCannotOverwrite) {
  const std::string path = File("keys.kst");
  SavedWithOneKey(path, "right");
  const auto before = zktest::ReadFile(path);
  Storage keys(path);
  EXPECT_EQ(keys->Save(), zk::kNotInitialized);  // nothing opened yet
  EXPECT_EQ(keys->Open("wrong"), zk::kAccessDenied);
  EXPECT_EQ(keys->GetPrivateKeyCount(), 0u);
  EXPECT_EQ(keys->Save(), zk::kNotInitialized);
  EXPECT_EQ(keys->ChangePassword("other"), zk::kNotInitialized);
  EXPECT_EQ(zktest::ReadFile(path), before);
  ASSERT_EQ(keys->Open("right"), 0);
  EXPECT_EQ(keys->GetPrivateKeyCount(), 1u);
  // A failed Open after a good one keeps the lists and the password.
  EXPECT_EQ(keys->Open("wrong"), zk::kAccessDenied);
  EXPECT_EQ(keys->GetPrivateKeyCount(), 1u);
  EXPECT_EQ(keys->ChangePassword(""), zk::kInvalidArg);
  EXPECT_EQ(keys->ChangePassword(nullptr), zk::kInvalidArg);
  EXPECT_EQ(zktest::ReadFile(path), before);
  ASSERT_EQ(keys->ChangePassword("new"), 0);
  Storage other(path);
  EXPECT_EQ(other->Open("right"), zk::kAccessDenied);
  ASSERT_EQ(other->Open("new"), 0);
  EXPECT_EQ(other.OwnerName(true, 0), "Ann");
}

TEST_F(KeysTest, DamagedStorageIsRefusedAndLeftAsItIs) {
  const std::string path = File("keys.kst");
  SavedWithOneKey(path, "pw");
  const auto good = zktest::ReadFile(path);
  ASSERT_EQ(good.size(), 70u + 1950u);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    StatusCode want;
  };
  auto changed = [&](size_t at) {
    auto b = good;
    b[at] ^= 0x01;
    return b;
  };
  auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + n); };
  auto longer = good;
  longer.push_back(0);
  const Case cases[] = {
      {"last byte changed", changed(good.size() - 1), zk::kDigestMismatch},
      {"record byte changed", changed(500), zk::kDigestMismatch},
      {"prefix magic changed", changed(2), zk::kInvalidFormat},
      {"header byte changed", changed(20), zk::kAccessDenied},
      {"cut to 9 bytes", cut(9), zk::kInvalidFormat},
      {"cut in the header", cut(40), zk::kInvalidFormat},
      {"cut in the records", cut(1000), zk::kInvalidFormat},
      {"one byte more", longer, zk::kInvalidFormat},
      {"empty file", {}, zk::kInvalidFormat},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    zktest::WriteFile(path, c.bytes);
    Storage keys(path);
    EXPECT_EQ(keys->Open("pw"), c.want);
    EXPECT_EQ(keys->GetPrivateKeyCount(), 0u);
    EXPECT_EQ(keys->Save(), zk::kNotInitialized);
    EXPECT_EQ(zktest::ReadFile(path), c.bytes);
  }
}

// A storage file around any body: prefix, header (with the given length
// field, the body's true digest and CRC) and body, encrypted as stored.
void WriteStorageFile(const std::string& path, const char* password, const std::vector<uint8_t>& body,
                      uint32_t headerLength) {
  auto* crc = zktest::Create<zk::ICRC>(zk::id::CRCStdCRC, zk::id::CryptoICRC);
  auto* sha = zktest::Create<zk::IHash>(zk::id::HashSHA, zk::id::CryptoIHash);
  auto* bf = zktest::Create<zk::IBlockCipher>(zk::id::CipherBlowfish, zk::id::CryptoIBlockCipher);
  auto* pw = zktest::Create<zk::IPassword>(zk::id::CipherSetPassword, zk::id::CryptoIPassword);
  auto* fs = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
  uint8_t plain[10], stored[10], header[52], digest[32] = {};
  zk::engine::BuildPrefix(crc, 0x2468, 1, zk::engine::kKindStorage, plain, stored);
  sha->Init();
  sha->Update(body.data(), uint32_t(body.size()));
  sha->Final(digest, 32);
  zk::engine::BuildHeader(crc, 1, 2, headerLength, digest, header);
  pw->SetPassword(bf, password, uint32_t(std::strlen(password)));
  zk::IFileStrem* file = nullptr;
  ASSERT_EQ(fs->CreateFile(path.c_str(), 0x8002, 0x180, &file), 0);
  file->Write(stored, 10);
  zk::IFileStrem* cs = nullptr;
  ASSERT_EQ(zk::engine::AttachAtTen(file, bf, &cs), 0);
  cs->Write(header, 52);
  cs->Write(body.data(), uint32_t(body.size()));
  cs->Release();
  file->Release();
  for (zk::IBase* b : std::initializer_list<zk::IBase*>{crc, sha, bf, pw, fs}) b->Release();
}

TEST_F(KeysTest, CountsAndRecordsAreCheckedEvenUnderAGoodDigest) {
  const std::string path = File("keys.kst");
  auto le32 = [](uint32_t v) {
    std::vector<uint8_t> b(4);
    zk::StoreLE32(b.data(), v);
    return b;
  };
  auto cat = [](std::vector<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };
  std::vector<uint8_t> pub(662, 0);
  pub[8] = 'x';
  auto bigBlob = pub;
  zk::StoreLE16(bigBlob.data() + 140, 521);
  auto open = pub;
  std::memset(open.data() + 8 + 33, 'y', 33);  // second name without a terminator
  const struct {
    const char* what;
    std::vector<uint8_t> body;
    uint32_t length;
    StatusCode want;
  } cases[] = {
      {"one public key", cat({le32(0), le32(1), pub}), 662, 0},
      {"length field short", cat({le32(0), le32(1), pub}), 661, zk::kInvalidFormat},
      {"pair count beyond the file", cat({le32(0x00860000), le32(1), pub}), 662, zk::kInvalidFormat},
      {"public count beyond the file", cat({le32(0), le32(0x7fffffff), pub}), 662, zk::kInvalidFormat},
      {"counts that wrap in 32 bits", cat({le32(0), le32(0x10000000u * 4 + 1), pub}), 662, zk::kInvalidFormat},
      {"blob longer than its record", cat({le32(0), le32(1), bigBlob}), 662, zk::kInvalidFormat},
      {"owner text not terminated", cat({le32(0), le32(1), open}), 662, zk::kInvalidFormat},
      {"no counts at all", {}, 0, zk::kInvalidFormat},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteStorageFile(path, "pw", c.body, c.length);
    Storage keys(path);
    EXPECT_EQ(keys->Open("pw"), c.want);
    EXPECT_EQ(keys->GetPublicKeyCount(), c.want == 0 ? 1u : 0u);
  }
}

TEST_F(KeysTest, FailedSavesLeaveTheOldStorage) {
  const std::string path = File("keys.kst");
  Storage keys(path);
  ASSERT_EQ(keys->Open("pw"), 0);
  auto owner = Owner("Ann");
  ASSERT_EQ(keys->GenerateKeyPair(&owner, 512), 0);
  ASSERT_EQ(keys->Save(), 0);
  const auto before = zktest::ReadFile(path);
  ASSERT_EQ(keys->GenerateKeyPair(&owner, 512), 0);
  // Every write, flush and rename of the save fails in turn.
  for (uint64_t failAt = 1;; ++failAt) {
    SCOPED_TRACE(failAt);
    const StatusCode st = [&] {
      enginetest::FaultPlan plan(failAt);
      return keys->Save();
    }();
    if (st == 0) break;
    EXPECT_EQ(zktest::ReadFile(path), before);
    ASSERT_LT(failAt, 100u);
  }
  // Only the storage is left in the folder, and it holds both keys.
  size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1u);
  Storage again(path);
  ASSERT_EQ(again->Open("pw"), 0);
  EXPECT_EQ(again->GetPrivateKeyCount(), 2u);
}

TEST_F(KeysTest, StorageThatCannotBeOpenedIsNotReplaced) {
  // A folder where the storage should be: it exists, so it is not made anew.
  const std::string path = File("keys.kst");
  ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  {
    Storage keys(path);
    EXPECT_NE(keys->Open("pw"), 0);
    EXPECT_EQ(keys->Save(), zk::kNotInitialized);
  }
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  // A storage in a folder that is not there cannot be made: no password kept.
  Storage keys(File("missing/keys.kst"));
  EXPECT_EQ(keys->Open("pw"), zk::kCannotOpen);
  EXPECT_EQ(keys->Save(), zk::kNotInitialized);
}

TEST_F(KeysTest, OwnerOrderFoldsAsciiCaseOnlyAndKeepsInsertionOrder) {
  Storage keys(File("keys.kst"));
  ASSERT_EQ(keys->Open("pw"), 0);
  const char* names[][2] = {{"b", ""}, {"A", ""}, {"a_", ""}, {"Same", "first"}, {"same", "second"},
                            {"\xc3\x89mile", ""}};
  for (auto& n : names) {
    auto owner = Owner(n[0], n[1]);
    ASSERT_EQ(keys->GenerateKeyPair(&owner, 512), 0);
  }
  // "_" (0x5f) sorts after the folded letters' terminator and before "b";
  // bytes above 0x7f are not folded and sort last.
  const char* want[][2] = {{"A", ""},        {"a_", ""},       {"b", ""},
                           {"Same", "first"}, {"same", "second"}, {"\xc3\x89mile", ""}};
  ASSERT_EQ(keys->GetPrivateKeyCount(), 6u);
  for (uint32_t i = 0; i < 6; ++i) {
    zk::KeyInfo info{};
    ASSERT_EQ(keys->GetPrivateKeyInfo(i, &info), 0);
    EXPECT_STREQ(info.owner.name, want[i][0]) << i;
    EXPECT_STREQ(info.owner.secondName, want[i][1]) << i;
    EXPECT_EQ(info.bits, 512);
  }
  // The order is stored as it stands and read back without sorting.
  ASSERT_EQ(keys->Save(), 0);
  Storage again(File("keys.kst"));
  ASSERT_EQ(again->Open("pw"), 0);
  for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(again.OwnerName(true, i), want[i][0]);
  EXPECT_EQ(again->DeletePrivateKey(6), zk::kInvalidArg);
  ASSERT_EQ(again->DeletePrivateKey(0), 0);
  EXPECT_EQ(again.OwnerName(true, 0), "a_");
  EXPECT_EQ(again->DeletePublicKey(0), zk::kInvalidArg);
}

TEST_F(KeysTest, GenerationBoundsAndInfo) {
  FixClock(enginetest::known::kClock);
  Storage keys(File("keys.kst"));
  auto owner = Owner("Ann", "Lee", "Spain", "Madrid");
  EXPECT_EQ(keys->GenerateKeyPair(&owner, 511), zk::kInvalidArg);
  EXPECT_EQ(keys->GenerateKeyPair(&owner, 4097), zk::kInvalidArg);
  EXPECT_EQ(keys->GenerateKeyPair(nullptr, 1024), zk::kInvalidArg);
  ASSERT_EQ(keys->GenerateKeyPair(&owner, 512), 0);
  zk::KeyInfo info{};
  EXPECT_EQ(keys->GetPrivateKeyInfo(1, &info), zk::kInvalidArg);
  EXPECT_EQ(keys->GetPrivateKeyInfo(0, nullptr), zk::kInvalidArg);
  ASSERT_EQ(keys->GetPrivateKeyInfo(0, &info), 0);
  std::time_t t = enginetest::known::kClock;
  std::tm tm{};
  localtime_r(&t, &tm);
  EXPECT_EQ(info.created.year, tm.tm_year);
  EXPECT_EQ(info.created.month, tm.tm_mon);
  EXPECT_EQ(info.created.day, tm.tm_mday);
  EXPECT_EQ(info.created.hour, tm.tm_hour);
  EXPECT_EQ(info.created.minute, tm.tm_min);
  EXPECT_EQ(info.created.second, tm.tm_sec);
  EXPECT_EQ(info.bits, 512);
  EXPECT_STREQ(info.owner.city, "Madrid");
}

TEST_F(KeysTest, Slow4096BitGeneration) {
  Storage keys(File("keys.kst"));
  auto owner = Owner("Big");
  ASSERT_EQ(keys->GenerateKeyPair(&owner, 4096), 0);
  zk::KeyInfo info{};
  ASSERT_EQ(keys->GetPrivateKeyInfo(0, &info), 0);
  EXPECT_EQ(info.bits, 4096);
}

TEST_F(KeysTest, KeyOperationsOfAPair) {
  Storage keys(File("keys.kst"));
  auto owner = Owner("Ann");
  ASSERT_EQ(keys->GenerateKeyPair(&owner, 512), 0);
  const uint32_t x[3] = {0x01020304, 0xa0b0c0d0, 7};
  uint32_t* enc = nullptr;
  uint32_t encCount = 0;
  ASSERT_EQ(keys.ops->PublicEncrypt(0, x, 3, &enc, &encCount), 0);
  uint32_t* dec = nullptr;
  uint32_t decCount = 0;
  ASSERT_EQ(keys.ops->PrivateDecrypt(0, enc, encCount, &dec, &decCount), 0);
  ASSERT_EQ(decCount, 3u);
  EXPECT_EQ(std::memcmp(dec, x, sizeof x), 0);
  // The two private and the two public operations are the same arithmetic;
  // a held block is freed before the new one is stored.
  uint32_t* again = nullptr;
  uint32_t againCount = 0;
  ASSERT_EQ(keys.ops->PublicDecrypt(0, x, 3, &again, &againCount), 0);
  ASSERT_EQ(againCount, encCount);
  EXPECT_EQ(std::memcmp(again, enc, encCount * 4), 0);
  ASSERT_EQ(keys.ops->PrivateEncrypt(0, enc, encCount, &again, &againCount), 0);
  ASSERT_EQ(againCount, 3u);
  EXPECT_EQ(std::memcmp(again, x, sizeof x), 0);
  EXPECT_EQ(keys.ops->PrivateDecrypt(1, x, 3, &again, &againCount), zk::kInvalidArg);
  EXPECT_EQ(againCount, 0u);
  EXPECT_EQ(again, nullptr);
  EXPECT_EQ(keys.ops->PrivateDecrypt(0, x, 0, &again, &againCount), zk::kInvalidArg);
  EXPECT_EQ(keys.ops->PrivateDecrypt(0, nullptr, 3, &again, &againCount), zk::kInvalidArg);
  EXPECT_EQ(keys.ops->PrivateDecrypt(0, x, 3, nullptr, &againCount), zk::kInvalidArg);
  zk_free(enc);
  zk_free(dec);
}

}  // namespace
