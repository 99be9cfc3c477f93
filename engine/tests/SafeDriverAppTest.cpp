// The engine driver over a fixture program folder written by each test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "ToolkitObject.h"
#include "Platform.h"
#include "MemoryStreams.h"
#include "SafeDriverApp.h"
#include "kvSafeDriver.h"
#include "ZkTestSupport.h"
#include "tests/EngineTestSupport.h"

using namespace zk;

namespace {

std::string CurrentDir() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? buffer : "";
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

const char kConfig[] =
    "# test configuration\r\n"
    "lang_cur=\"en\"\r\n"
    "en_file=\"lang_en.txt\"\r\n"
    "key_storage=\"keys.kvk\"\r\n"
    "cipher=\"3\"\r\n"
    "hash=\"2\"\r\n";

class SafeDriverAppTest : public enginetest::LibrariesTest {
 protected:
  void SetUp() override {
    engine::SetProgramPathForTests(dir_.File("Kivora"));
    WriteConfig(kConfig);
    zktest::WriteFile(dir_.File("lang_en.txt"), Bytes("1\n Hello\n2\n World\n"));
    driver_ = engine::SafeDriverApp::Create();
    ASSERT_NE(driver_, nullptr);
    cwd_ = CurrentDir();
  }
  void TearDown() override {
    EXPECT_EQ(CurrentDir(), cwd_);
    ReleaseAndNull(driver_);
    engine::SetProgramPathForTests("");
  }
  void WriteConfig(const std::string& text) {
    zktest::WriteFile(dir_.File("kiv_config.txt"), Bytes(text));
  }
  // The driver is not started: every getter refuses and hands out null.
  void ExpectNotStarted() {
    EXPECT_EQ(CurrentDir(), cwd_);
    IKivSecret* secret = reinterpret_cast<IKivSecret*>(0);
    EXPECT_EQ(driver_->CreateSecret(&secret), kNotExecuted);
    EXPECT_EQ(secret, nullptr);
    IAppParam* params = nullptr;
    EXPECT_EQ(driver_->GetAppParam(&params), kNotInitialized);
    EXPECT_EQ(params, nullptr);
    ITextRes* texts = nullptr;
    EXPECT_EQ(driver_->GetTextRes(&texts), kNotInitialized);
    EXPECT_EQ(texts, nullptr);
    IKeysCtrl* keys = nullptr;
    EXPECT_EQ(driver_->GetKeysCtrl(&keys), kNotInitialized);
    EXPECT_EQ(keys, nullptr);
  }

  zktest::TempDir dir_;
  // Each test its own user: settings and data folders of its own.
  zktest::ScopedEnv config_{"XDG_CONFIG_HOME", dir_.File("config").c_str()};
  zktest::ScopedEnv data_{"XDG_DATA_HOME", dir_.File("data").c_str()};
  std::string cwd_;
  ISafeDriverApp* driver_ = nullptr;
};

TEST_F(SafeDriverAppTest, StartLoadsConfigurationAndTexts) {
  ASSERT_EQ(driver_->Start(), kOk);
  EXPECT_EQ(CurrentDir(), cwd_);
  IAppParam* params = nullptr;
  ASSERT_EQ(driver_->GetAppParam(&params), kOk);
  char* value = nullptr;
  ASSERT_EQ(params->GetString("key_storage", &value), kOk);
  EXPECT_STREQ(value, "keys.kvk");
  zk_free(value);
  ITextRes* texts = nullptr;
  ASSERT_EQ(driver_->GetTextRes(&texts), kOk);
  char* text = nullptr;
  ASSERT_EQ(texts->GetText(2, &text), kOk);
  EXPECT_STREQ(text, "World");
  zk_free(text);

  // A second Start changes nothing, even with the files gone.
  unlink(dir_.File("kiv_config.txt").c_str());
  EXPECT_EQ(driver_->Start(), kOk);
  IAppParam* again = nullptr;
  ASSERT_EQ(driver_->GetAppParam(&again), kOk);
  EXPECT_EQ(again, params);
  // An out that holds a reference loses it first.
  EXPECT_EQ(params->GetRefCount(), 3);
  ASSERT_EQ(driver_->GetAppParam(&again), kOk);
  EXPECT_EQ(params->GetRefCount(), 3);
  again->Release();
  params->Release();
  texts->Release();
}

TEST_F(SafeDriverAppTest, FailedStartsLeaveTheDriverStoppedAndCanBeRepeated) {
  struct Case {
    const char* what;
    const char* config;  // null: no kiv_config.txt
    StatusCode expected;
  } cases[] = {
      {"no configuration", nullptr, kCannotOpen},
      {"no lang_cur", "en_file=\"lang_en.txt\"\r\n", kNotFound},
      {"language without its _file", "lang_cur=\"de\"\r\nen_file=\"lang_en.txt\"\r\n", kNotFound},
      {"missing language file", "lang_cur=\"en\"\r\nen_file=\"none.txt\"\r\n", kCannotOpen},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    unlink(dir_.File("kiv_config.txt").c_str());
    unlink(dir_.File("config/kivora/kiv_config.txt").c_str());  // a first start each time
    if (c.config) WriteConfig(c.config);
    EXPECT_EQ(driver_->Start(), c.expected);
    ExpectNotStarted();
  }
  WriteConfig(kConfig);
  unlink(dir_.File("config/kivora/kiv_config.txt").c_str());
  EXPECT_EQ(driver_->Start(), kOk);
}

TEST_F(SafeDriverAppTest, BeforeStartAndNullOuts) {
  ExpectNotStarted();
  EXPECT_EQ(driver_->CreateSecret(nullptr), kInvalidArg);
  EXPECT_EQ(driver_->GetKeysCtrl(nullptr), kInvalidArg);
  EXPECT_EQ(driver_->GetAppParam(nullptr), kInvalidArg);
  EXPECT_EQ(driver_->GetTextRes(nullptr), kInvalidArg);
  EXPECT_EQ(driver_->CreateTextEncoder(nullptr), kInvalidArg);
  ASSERT_EQ(driver_->Start(), kOk);
  EXPECT_EQ(driver_->CreateSecret(nullptr), kInvalidArg);
}

TEST_F(SafeDriverAppTest, KeyStorageIsMadeOnceOnTheConfiguredPath) {
  ASSERT_EQ(driver_->Start(), kOk);
  IKeysCtrl* keys = nullptr;
  StatusCode st = driver_->GetKeysCtrl(&keys);
  if (st == kNotFound) GTEST_SKIP() << "the key storage is not part of this build yet";
  ASSERT_EQ(st, kOk);
  IKeysCtrl* again = nullptr;
  ASSERT_EQ(driver_->GetKeysCtrl(&again), kOk);
  EXPECT_EQ(again, keys);
  // The relative value lies in the user's data folder, not the program's.
  EXPECT_NE(keys->StorageExists(), kOk);
  zktest::WriteFile(dir_.File("keys.kvk"), Bytes("x"));
  EXPECT_NE(keys->StorageExists(), kOk);
  zktest::WriteFile(dir_.File("data/kivora/keys.kvk"), Bytes("x"));
  EXPECT_EQ(keys->StorageExists(), kOk);
  again->Release();
  keys->Release();
}

TEST_F(SafeDriverAppTest, AbsoluteKeyStoragePathIsUsedAsItIs) {
  zktest::TempDir elsewhere;
  WriteConfig(std::string("lang_cur=\"en\"\r\nen_file=\"lang_en.txt\"\r\nkey_storage=\"") +
              elsewhere.File("k.kvk") + "\"\r\n");
  ASSERT_EQ(driver_->Start(), kOk);
  IKeysCtrl* keys = nullptr;
  StatusCode st = driver_->GetKeysCtrl(&keys);
  if (st == kNotFound) GTEST_SKIP() << "the key storage is not part of this build yet";
  ASSERT_EQ(st, kOk);
  zktest::WriteFile(elsewhere.File("k.kvk"), Bytes("x"));
  EXPECT_EQ(keys->StorageExists(), kOk);
  keys->Release();
}

TEST_F(SafeDriverAppTest, MissingKeyStorageEntryIsReported) {
  WriteConfig("lang_cur=\"en\"\r\nen_file=\"lang_en.txt\"\r\n");
  ASSERT_EQ(driver_->Start(), kOk);
  IKeysCtrl* keys = nullptr;
  EXPECT_EQ(driver_->GetKeysCtrl(&keys), kNotFound);
  EXPECT_EQ(keys, nullptr);
}

TEST_F(SafeDriverAppTest, TextEncoderUsesTheApplicationParameters) {
  ITextEncoder* encoder = nullptr;
  ASSERT_EQ(driver_->CreateTextEncoder(&encoder), kOk);  // before Start: the defaults
  char* block = nullptr;
  ASSERT_EQ(encoder->EncodeText("hi", "pw", &block), kOk);
  ASSERT_EQ(driver_->Start(), kOk);
  ASSERT_EQ(driver_->CreateTextEncoder(&encoder), kOk);  // the old one released
  char* other = nullptr;
  ASSERT_EQ(encoder->EncodeText("hi", "pw", &other), kOk);
  // Blowfish and SHA32 before, RC5 and SHA (20-byte digest) after: 12
  // bytes shorter, which shows in the armour.
  EXPECT_GT(std::strlen(block), std::strlen(other));
  char* text = nullptr;
  ASSERT_EQ(encoder->DecodeText(block, "pw", &text), kOk);
  EXPECT_STREQ(text, "hi");
  zk_free(text);
  zk_free(block);
  zk_free(other);
  encoder->Release();
}

TEST_F(SafeDriverAppTest, CreatedByClassId) {
  IBase* base = nullptr;
  ASSERT_EQ(zk_CreateInstance(id::KivSafeDriverApp, &base), kOk);
  ASSERT_NE(base, nullptr);
  void* face = nullptr;
  EXPECT_EQ(base->QueryInterface(id::KivISafeDriverApp, &face), kOk);
  EXPECT_NE(face, nullptr);
  EXPECT_STREQ(base->GetClassId(), "kiv.SafeDriverApp");
  static_cast<ISafeDriverApp*>(face)->Release();
  EXPECT_EQ(base->Release(), 0);
  EXPECT_EQ(zk_CreateInstance(id::KivSafeDriverApp, nullptr), kInvalidArg);
}

// Objects with an interface table answer only the ids of their table:
// std.IBase gives kNotImplemented and a null out, and the count stays.
TEST_F(SafeDriverAppTest, InterfaceTablesDoNotAnswerTheBaseId) {
  ITextEncoder* encoder = nullptr;
  ASSERT_EQ(driver_->CreateTextEncoder(&encoder), kOk);
  engine::ByteSource* source = engine::ByteSource::Create();
  engine::ByteSink* sink = engine::ByteSink::Create();
  ASSERT_TRUE(encoder && source && sink);
  const struct {
    IBase* object;
    const char* own;
  } objects[] = {{driver_, id::KivISafeDriverApp},
                 {encoder, id::KivITextEncoder},
                 {source, id::StreamIStream},
                 {sink, id::StreamIStream}};
  for (const auto& o : objects) {
    SCOPED_TRACE(o.object->GetClassId());
    const int32_t count = o.object->GetRefCount();
    void* face = &face;
    EXPECT_EQ(o.object->QueryInterface(id::StdIBase, &face), kNotImplemented);
    EXPECT_EQ(face, nullptr);
    EXPECT_EQ(o.object->GetRefCount(), count);
    ASSERT_EQ(o.object->QueryInterface(o.own, &face), kOk);
    static_cast<IBase*>(face)->Release();
  }
  // The driver answers its own interfaces only.
  void* face = nullptr;
  EXPECT_EQ(driver_->QueryInterface(id::KivITextEncoder, &face), kNotImplemented);
  encoder->Release();
  source->Release();
  sink->Release();
}

}  // namespace

namespace {

// The files the build puts beside the programs hold every name the engine
// reads, and the language they name is there.
TEST(ShippedFilesTest, ConfigurationHoldsEveryEngineName) {
  enginetest::LoadLibraries();
  auto* fs = zktest::Create<IFileSystem>(id::FosFileSys, id::StreamIFileSystem);
  auto* params = zktest::Create<IAppParam>(id::ScriptParamScript, id::ScriptIAppParam);
  ASSERT_TRUE(fs && params);
  IFileStrem* stream = nullptr;
  ASSERT_EQ(fs->OpenFile((zktest::ProgramDir() + "/kiv_config.txt").c_str(), 0x8000, &stream),
            kOk);
  ASSERT_EQ(params->Load(stream), kOk);
  for (const char* name : {"lang_cur", "lang_count", "lang0", "en_name", "en_file", "en_help",
                           "key_storage", "cipher", "hash"}) {
    char* value = nullptr;
    EXPECT_EQ(params->GetString(name, &value), kOk) << name;
    EXPECT_NE(value, nullptr) << name;
    zk_free(value);
  }
  char* file = nullptr;
  ASSERT_EQ(params->GetString("en_file", &file), kOk);
  EXPECT_EQ(access((zktest::ProgramDir() + "/" + file).c_str(), R_OK), 0);
  zk_free(file);
  stream->Release();
  params->Release();
  fs->Release();
}

}  // namespace
