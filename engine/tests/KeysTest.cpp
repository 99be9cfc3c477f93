// kiv.Keys: the key storage file, its password, the lists and their order.
#include <sys/stat.h>

#include "engine/tests/KeysTestKit.h"
#include "engine/tests/KnownKeyFiles.h"

using keytest::KeysTest;
using keytest::Owner;
using keytest::Storage;

namespace {

TEST_F(KeysTest, NewStorageIsSeventyPinnedBytesAndReopensEmpty) {
  FixClock(known::kClock);
  const std::string path = File("keys.kst");
  {
    Storage keys(path);
    EXPECT_EQ(keys->StorageExists(), zk::kCannotOpen);
    ASSERT_EQ(keys->Open(known::kPassword), 0);
    EXPECT_EQ(keys->StorageExists(), 0);
  }
  EXPECT_EQ(zktest::ToHex(zktest::ReadFile(path)), known::kEmptyStorage);
  Storage again(path);
  ASSERT_EQ(again->Open(known::kPassword), 0);
  EXPECT_EQ(again->GetPrivateKeyCount(), 0u);
  EXPECT_EQ(again->GetPublicKeyCount(), 0u);
  // Rewritten under the same clock, the same bytes.
  ASSERT_EQ(again->Save(), 0);
  EXPECT_EQ(zktest::ToHex(zktest::ReadFile(path)), known::kEmptyStorage);
}

TEST_F(KeysTest, WrongPasswordKeepsNothingAndCannotOverwrite) {
  const std::string path = File("keys.kst");
  {
    Storage keys(path);
    ASSERT_EQ(keys->Open("right"), 0);
    auto owner = Owner("Ann");
    ASSERT_EQ(keys->GenerateKeyPair(&owner, 512), 0);
    ASSERT_EQ(keys->Save(), 0);
  }
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
  {
    Storage keys(path);
    ASSERT_EQ(keys->Open("pw"), 0);
    auto owner = Owner("Ann");
    ASSERT_EQ(keys->GenerateKeyPair(&owner, 512), 0);
    ASSERT_EQ(keys->Save(), 0);
  }
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
  FixClock(known::kClock);
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
  std::time_t t = known::kClock;
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
