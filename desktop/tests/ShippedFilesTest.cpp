// The desktop's language texts and configuration names, read with the
// toolkit's own script.TextRes and script.ParamScript: every text id the
// program asks for is in its English texts, and every name it writes back
// is in the configuration. The files shipped beside the program are checked
// too once the build puts them there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "desktop/ConfigNames.h"
#include "desktop/MessageFileTextIds.h"
#include "desktop/SafeTextIds.h"
#include "desktop/TextIds.h"
#include "desktop/ToolTextIds.h"
#include "desktop/WizardTextIds.h"
#include "tests/support/ZkTest.h"
#include "zk5Clsid.h"
#include "zk5Stream.h"
#include "zk5script.h"

#ifndef KIV_DESKTOP_DATA
#error "KIV_DESKTOP_DATA names the folder of the desktop's data files"
#endif

namespace {

class Shipped : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(zktest::LoadToolkit("zk5storage"));
    ASSERT_TRUE(zktest::LoadToolkit("zk5script"));
    fs = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
    ASSERT_NE(fs, nullptr);
  }
  void TearDown() override {
    if (fs) fs->Release();
  }
  zk::IFileStrem* Open(const std::string& path) {
    zk::IFileStrem* s = nullptr;
    EXPECT_EQ(fs->OpenFile(path.c_str(), zk::kOpenBinary, &s), 0) << path;
    return s;
  }

  void CheckTexts(const std::string& path) {
    SCOPED_TRACE(path);
    auto* t = zktest::Create<zk::ITextRes>(zk::id::ScriptTextRes, zk::id::ScriptITextRes);
    ASSERT_NE(t, nullptr);
    zk::IFileStrem* s = Open(path);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(t->Load(s), 0);
    s->Release();
    for (int32_t id : kiv::txt::kDesktopTextIds) {
      char* text = nullptr;
      EXPECT_EQ(t->GetText(id, &text), 0) << "text " << id << " is missing";
      zk_free(text);
    }
    for (int32_t id : kiv::txt::kMessageFileTextIds) {
      char* text = nullptr;
      EXPECT_EQ(t->GetText(id, &text), 0) << "text " << id << " is missing";
      zk_free(text);
    }
    t->Release();
  }

  void CheckConfig(const std::string& path) {
    SCOPED_TRACE(path);
    auto* p = zktest::Create<zk::IAppParam>(zk::id::ScriptParamScript, zk::id::ScriptIAppParam);
    ASSERT_NE(p, nullptr);
    zk::IFileStrem* s = Open(path);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(p->Load(s), 0);
    s->Release();
    for (const char* name : kiv::cfg::kDesktopConfigNames) {
      char* value = nullptr;
      EXPECT_EQ(p->GetString(name, &value), 0) << "name \"" << name << "\" is missing";
      zk_free(value);
    }
    p->Release();
  }

  zk::IFileSystem* fs = nullptr;
};

TEST_F(Shipped, EveryTextIdTheProgramAsksFor) {
  // The build appends the desktop's texts to the engine's file.
  zktest::TempDir dir;
  std::string joined = dir.File("kiv_en.txt");
  {
    std::ofstream out(joined, std::ios::binary);
    for (const std::string& part : {std::string(KIV_ENGINE_DATA) + "/kiv_en.txt",
                                    std::string(KIV_DESKTOP_DATA) + "/kiv_en_desktop.txt"})
      out << std::ifstream(part, std::ios::binary).rdbuf();
  }
  CheckTexts(joined);
  std::string shipped = zktest::ProgramDir() + "/kiv_en.txt";
  if (std::filesystem::exists(shipped)) CheckTexts(shipped);
}

TEST_F(Shipped, EveryNameTheProgramWrites) {
  // hash and cipher come with the engine's part of the file.
  std::string shipped = zktest::ProgramDir() + "/kiv_config.txt";
  if (std::filesystem::exists(shipped)) CheckConfig(shipped);
  auto* p = zktest::Create<zk::IAppParam>(zk::id::ScriptParamScript, zk::id::ScriptIAppParam);
  ASSERT_NE(p, nullptr);
  zk::IFileStrem* s = Open(std::string(KIV_DESKTOP_DATA) + "/kiv_config_desktop.txt");
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(p->Load(s), 0);
  s->Release();
  for (const char* name : kiv::cfg::kDesktopConfigNames) {
    if (std::string(name) == "hash" || std::string(name) == "cipher") continue;
    char* value = nullptr;
    EXPECT_EQ(p->GetString(name, &value), 0) << name;
    zk_free(value);
  }
  p->Release();
}

}  // namespace

namespace {

// The key, signature, clipboard and options windows' texts are in the
// engine's shipped English file, and the names they write in its
// configuration.
TEST(ShippedTools, TextsAndNames) {
  ASSERT_TRUE(zktest::LoadToolkit("zk5storage"));
  ASSERT_TRUE(zktest::LoadToolkit("zk5script"));
  auto* fs = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
  ASSERT_NE(fs, nullptr);
  zk::IFileStrem* s = nullptr;
  ASSERT_EQ(fs->OpenFile(KIV_ENGINE_DATA "/kiv_en.txt", zk::kOpenBinary, &s), 0);
  auto* t = zktest::Create<zk::ITextRes>(zk::id::ScriptTextRes, zk::id::ScriptITextRes);
  ASSERT_EQ(t->Load(s), 0);
  s->Release();
  s = nullptr;
  for (int32_t id : kiv::txt::kToolTextIds) {
    char* text = nullptr;
    EXPECT_EQ(t->GetText(id, &text), 0) << "text " << id << " is missing";
    zk_free(text);
  }
  t->Release();
  ASSERT_EQ(fs->OpenFile(KIV_ENGINE_DATA "/kiv_config.txt", zk::kOpenBinary, &s), 0);
  auto* p = zktest::Create<zk::IAppParam>(zk::id::ScriptParamScript, zk::id::ScriptIAppParam);
  ASSERT_EQ(p->Load(s), 0);
  s->Release();
  for (const char* name : {"count_of_arc_ext", "systray", "startup minimized", "lang_cur"}) {
    char* value = nullptr;
    EXPECT_EQ(p->GetString(name, &value), 0) << name;
    zk_free(value);
  }
  p->Release();
  fs->Release();
}

}  // namespace

namespace {

TEST(ShippedWizardTexts, EveryWizardTextIsInTheDesktopFile) {
  ASSERT_TRUE(zktest::LoadToolkit("zk5storage"));
  ASSERT_TRUE(zktest::LoadToolkit("zk5script"));
  auto* fs = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
  ASSERT_NE(fs, nullptr);
  zk::IFileStrem* s = nullptr;
  ASSERT_EQ(fs->OpenFile(KIV_DESKTOP_DATA "/kiv_en_desktop.txt", zk::kOpenBinary, &s), 0);
  fs->Release();
  auto* t = zktest::Create<zk::ITextRes>(zk::id::ScriptTextRes, zk::id::ScriptITextRes);
  ASSERT_EQ(t->Load(s), 0);
  s->Release();
  for (int32_t id : kiv::txt::kWizardTextIds) {
    char* text = nullptr;
    EXPECT_EQ(t->GetText(id, &text), 0) << "text " << id << " is missing";
    zk_free(text);
  }
  t->Release();
}

}  // namespace

namespace {

// The safe commands' texts are in the desktop's English file (6, "Close",
// is the engine's).
TEST(ShippedSafeTexts, EverySafeTextIsInTheEnglishFiles) {
  ASSERT_TRUE(zktest::LoadToolkit("zk5storage"));
  ASSERT_TRUE(zktest::LoadToolkit("zk5script"));
  auto* fs = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
  ASSERT_NE(fs, nullptr);
  auto* t = zktest::Create<zk::ITextRes>(zk::id::ScriptTextRes, zk::id::ScriptITextRes);
  zktest::TempDir dir;
  const std::string joined = dir.File("kiv_en.txt");
  {
    std::ofstream out(joined, std::ios::binary);
    for (const std::string& part : {std::string(KIV_ENGINE_DATA) + "/kiv_en.txt",
                                    std::string(KIV_DESKTOP_DATA) + "/kiv_en_desktop.txt"})
      out << std::ifstream(part, std::ios::binary).rdbuf();
  }
  zk::IFileStrem* s = nullptr;
  ASSERT_EQ(fs->OpenFile(joined.c_str(), zk::kOpenBinary, &s), 0);
  fs->Release();
  ASSERT_EQ(t->Load(s), 0);
  s->Release();
  for (int32_t id : kiv::txt::kSafeTextIds) {
    char* text = nullptr;
    EXPECT_EQ(t->GetText(id, &text), 0) << "text " << id << " is missing";
    zk_free(text);
  }
  t->Release();
}

}  // namespace
