// Safes inside secrets: the model test in a plain secret file and in a
// carrier under a password, and the safe branch of the secret's Create and
// Open.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <cstdlib>
#include <cstring>

#include "tests/FakeKeysDriver.h"
#include "tests/SafeModel.h"
#include "tests/SecretTestSupport.h"
#include "SecretFiles.h"
#include "StagingFolderTestSupport.h"

namespace {

using enginetest::Ref;

// A safe in a secret: every reopen closes the secret and opens it again
// from what was stored.
struct SecretMedium : enginetest::SafeMedium {
  std::string path;
  zk::SecretParams params;
  Ref<zk::IKivSecret> secret;
  Ref<zk::ISafe> safe_;

  zk::ISafeDriverApp* driver = nullptr;  // the key storage's source in key mode

  SecretMedium(const std::string& p, int format)
      : SecretMedium(p, enginetest::Params(zk::kContentSafe, format, zk::kHashSHA32, zk::kCipherAES32,
                                           "safe password"),
                     nullptr) {}
  SecretMedium(const std::string& p, const zk::SecretParams& sealed, zk::ISafeDriverApp* keys)
      : path(p), params(sealed), driver(keys) {
    *secret.out() = NewSecret();
    Ref<zk::IBase> content;
    EXPECT_EQ(secret->Create(path.c_str(), &params, content.out()), 0);
    *safe_.out() = enginetest::Face<zk::ISafe>(content.get(), zk::id::KivISafe);
    EXPECT_TRUE(safe_);
  }
  zk::IKivSecret* NewSecret() {
    zk::IKivSecret* out = nullptr;
    EXPECT_EQ(zk::engine::MakeSecret(driver, &out), 0);
    return out;
  }
  zk::ISafe* safe() override { return safe_.get(); }
  void Reopen() override {
    ASSERT_EQ(safe_->Commit(), 0);
    safe_.reset();
    ASSERT_EQ(secret->Close(), 0);
    *secret.out() = NewSecret();
    Ref<zk::IBase> content;
    ASSERT_EQ(secret->Open(path.c_str(), &params, content.out()), 0);
    *safe_.out() = enginetest::Face<zk::ISafe>(content.get(), zk::id::KivISafe);
    ASSERT_TRUE(safe_);
  }
};

class SafeSecretTest : public ::testing::Test {
 protected:
  void SetUp() override { enginetest::LoadLibraries(); }
};

TEST_F(SafeSecretTest, ModelInAPlainSecretFile) {
  zktest::TempDir dir;
  std::filesystem::create_directory(dir.File("disk"));
  SecretMedium medium(dir.File("tree.kvs"), zk::kFormatSecretFile);
  enginetest::SafeModel model(medium, dir.File("disk"), 11);
  model.Run(1500);
  EXPECT_GT(model.compares_, 20);
}

TEST_F(SafeSecretTest, ModelInABmpCarrier) {
  zktest::TempDir dir;
  std::filesystem::create_directory(dir.File("disk"));
  const enginetest::CarrierKind bmp{"BMP", zk::kFormatBMP, "bmp"};
  const std::string carrier = enginetest::MakeCarrierFile(bmp, dir, "picture", 1 << 20);
  if (carrier.empty()) GTEST_SKIP() << "ImageMagick is missing";
  SecretMedium medium(carrier, zk::kFormatBMP);
  enginetest::SafeModel model(medium, dir.File("disk"), 12, true);
  model.Run(400);
  EXPECT_GT(model.compares_, 5);
}

// Under an RSA key: the secret seals a content key to a pair of the key
// storage and finds that pair again at every reopen.
TEST_F(SafeSecretTest, ModelUnderAnRsaKey) {
  zktest::TempDir dir;
  std::filesystem::create_directory(dir.File("disk"));
  Ref<enginetest::FakeKeysDriver> driver(enginetest::FakeKeysDriver::Create());
  ASSERT_EQ(zk::engine::MakeKeys(dir.File("keys.kst").c_str(), &driver->keys), 0);
  zk::KeyOwner owner{};
  std::strncpy(owner.name, "safe owner", 32);
  ASSERT_EQ(driver->keys->GenerateKeyPair(&owner, 512), 0);
  zk::SecretParams p = enginetest::Params(zk::kContentSafe, zk::kFormatSecretFile, zk::kHashSHA, zk::kCipherBlowfish, "");
  p.flags = 1;
  uint32_t length = 0;
  ASSERT_EQ(driver->keys->GetPublicKeyBlob(p.key, 1, 0, &length), 0);
  p.keyLength = uint16_t(length);
  SecretMedium medium(dir.File("sealed.kvs"), p, driver.get());
  enginetest::SafeModel model(medium, dir.File("disk"), 13);
  model.Run(600);
  EXPECT_GT(model.compares_, 10);
}

// The new safe's empty catalogue goes through the secret and back; a wrong
// password opens nothing.
TEST_F(SafeSecretTest, EmptySafeThroughASecret) {
  zktest::TempDir dir;
  const std::string path = dir.File("empty.kvs");
  {
    SecretMedium medium(path, zk::kFormatSecretFile);
    ASSERT_EQ(medium.safe()->CreateFolder("\\", "only"), 0);
    medium.Reopen();
    EXPECT_EQ(medium.safe()->GetFolderCount("\\"), 1u);
    ASSERT_EQ(medium.safe()->DeleteFolder("\\only"), 0);
    ASSERT_EQ(medium.safe()->Commit(), 0);
  }
  Ref<zk::IKivSecret> secret(enginetest::NewSecret());
  zk::SecretParams wrong = enginetest::Params(zk::kContentSafe, zk::kFormatSecretFile, 3, 4, "not it");
  Ref<zk::IBase> content;
  EXPECT_EQ(secret->Open(path.c_str(), &wrong, content.out()), zk::kAccessDenied);
  zk::SecretParams right = enginetest::Params(zk::kContentSafe, zk::kFormatSecretFile, 3, 4, "safe password");
  ASSERT_EQ(secret->Open(path.c_str(), &right, content.out()), 0);
  Ref<zk::ISafe> safe(enginetest::Face<zk::ISafe>(content.get(), zk::id::KivISafe));
  ASSERT_TRUE(safe);
  EXPECT_EQ(safe->GetFolderCount("\\"), 0u);
  EXPECT_EQ(safe->GetFileCount("\\"), 0u);
}

// A staging folder the private-folder rule refuses (a link, another user's)
// is no wrong password: the open gives kCannotOpen, the right password
// opens again once the folder can be used.
TEST_F(SafeSecretTest, RefusedStagingFolderCannotOpen) {
  zktest::TempDir dir;
  const std::string path = dir.File("staged.kvs");
  {
    SecretMedium medium(path, zk::kFormatSecretFile);
    ASSERT_EQ(medium.safe()->Commit(), 0);
  }
  zktest::StagingFolderScope scope(dir);
  const std::string &elsewhere = scope.elsewhere, &staging = scope.staging;
  zk::SecretParams right = enginetest::Params(zk::kContentSafe, zk::kFormatSecretFile, zk::kHashSHA32,
                                              zk::kCipherAES32, "safe password");
  auto open = [&] {
    Ref<zk::IKivSecret> secret(enginetest::NewSecret());
    Ref<zk::IBase> content;
    return secret->Open(path.c_str(), &right, content.out());
  };
  ASSERT_EQ(symlink(elsewhere.c_str(), staging.c_str()), 0);
  EXPECT_EQ(open(), zk::kCannotOpen) << "a link";
  std::string folder;
  EXPECT_EQ(zk::engine::PrivateTempFolder(&folder), zk::kCannotOpen);
  ASSERT_EQ(unlink(staging.c_str()), 0);
  if (getuid() == 0) {
    ASSERT_EQ(mkdir(staging.c_str(), 0700), 0);
    ASSERT_EQ(chown(staging.c_str(), 4321, 4321), 0);
    EXPECT_EQ(open(), zk::kCannotOpen) << "another user's";
    ASSERT_EQ(rmdir(staging.c_str()), 0);
  }
  EXPECT_EQ(open(), zk::kOk);
}

}  // namespace
