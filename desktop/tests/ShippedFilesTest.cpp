// The desktop's language texts and configuration names, read with the
// toolkit's own script.TextRes and script.ParamScript: every text id the
// program asks for is in its English texts, and every name it writes back
// is in the configuration. The files shipped beside the program are checked
// too once the build puts them there.
#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "desktop/ConfigNames.h"
#include "desktop/MessageFileTextIds.h"
#include "desktop/SafeTextIds.h"
#include "desktop/TextIds.h"
#include "desktop/ToolTextIds.h"
#include "desktop/WizardTextIds.h"
#include "tests/support/ZkTestSupport.h"
#include "zk5Clsid.h"
#include "zk5Stream.h"
#include "zk5script.h"

#ifndef KIV_DESKTOP_DATA
#error "KIV_DESKTOP_DATA names the folder of the desktop's data files"
#endif

namespace {

// Every text id declared by name in the desktop's headers (desktop/*TextIds.h
// and the units' own), read from the sources so that a name added without a
// text is found.
std::map<int32_t, std::string> DeclaredTextIds() {
  std::map<int32_t, std::string> ids;
  const std::regex declared(R"rx(inline\s+constexpr\s+int32_t\s+(k\w+)\s*=\s*(\d+)\s*;)rx");
  const std::filesystem::path folder = std::filesystem::path(KIV_DESKTOP_DATA).parent_path();
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 9 || name.compare(name.size() - 9, 9, "TextIds.h") != 0) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (auto it = std::sregex_iterator(text.begin(), text.end(), declared); it != std::sregex_iterator(); ++it) {
      const int32_t id = std::stoi((*it)[2].str());
      auto [at, fresh] = ids.emplace(id, (*it)[1].str());
      EXPECT_TRUE(fresh) << "text " << id << " has two names: " << at->second << " and " << (*it)[1].str();
    }
  }
  return ids;
}

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
    const std::map<int32_t, std::string> declared = DeclaredTextIds();
    EXPECT_GT(declared.size(), 300u);
    for (const auto& [id, name] : declared) {
      char* text = nullptr;
      EXPECT_EQ(t->GetText(id, &text), 0) << "text " << id << " (" << name << ") is missing";
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

namespace {

// The shipped English texts joined as the build joins them.
std::string JoinedFile(const zktest::TempDir& dir, const char* name,
                       std::initializer_list<std::string> parts) {
  const std::string joined = dir.File(name);
  std::ofstream out(joined, std::ios::binary);
  for (const std::string& part : parts) out << std::ifstream(part, std::ios::binary).rdbuf();
  return joined;
}

// Every name the desktop's sources write with SetInt, SetLong or SetString,
// given as a literal or as a constant of the same file; names made at run
// time (reopen_file_<n>, arc_ext_<n>) are not literals and are left out.
std::set<std::string> WrittenNames() {
  std::set<std::string> names;
  const std::regex setter(R"rx(->Set(?:Int|Long|String)\(\s*("([^"]+)"|([A-Za-z_]\w*))\s*,)rx");
  const std::regex constant(R"rx(constexpr\s+char\s+([A-Za-z_]\w*)\[\]\s*=\s*"([^"]+)")rx");
  const std::filesystem::path folder = std::filesystem::path(KIV_DESKTOP_DATA).parent_path();
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".cpp") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::map<std::string, std::string> constants;
    for (std::sregex_iterator i(text.begin(), text.end(), constant), end; i != end; ++i)
      constants[(*i)[1]] = (*i)[2];
    for (std::sregex_iterator i(text.begin(), text.end(), setter), end; i != end; ++i) {
      if ((*i)[2].matched) {
        names.insert((*i)[2]);
      } else if (auto c = constants.find((*i)[3]); c != constants.end()) {
        names.insert(c->second);
      }
    }
  }
  return names;
}

TEST(ShippedConfig, EveryNameTheSourcesWriteIsShipped) {
  ASSERT_TRUE(zktest::LoadToolkit("zk5storage"));
  ASSERT_TRUE(zktest::LoadToolkit("zk5script"));
  const std::set<std::string> written = WrittenNames();
  // The scan finds the setters at all: a few names every build writes.
  for (const char* known : {"top", "cipher", "count_of_arc_ext", "systray",
                            "size of fixed password", "size of random password"})
    EXPECT_TRUE(written.count(known)) << known;
  zktest::TempDir dir;
  const std::string joined =
      JoinedFile(dir, "kiv_config.txt",
                 {std::string(KIV_ENGINE_DATA) + "/kiv_config.txt",
                  std::string(KIV_DESKTOP_DATA) + "/kiv_config_desktop.txt"});
  auto* fs = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
  ASSERT_NE(fs, nullptr);
  zk::IFileStrem* s = nullptr;
  ASSERT_EQ(fs->OpenFile(joined.c_str(), zk::kOpenBinary, &s), 0);
  fs->Release();
  auto* p = zktest::Create<zk::IAppParam>(zk::id::ScriptParamScript, zk::id::ScriptIAppParam);
  ASSERT_EQ(p->Load(s), 0);
  s->Release();
  for (const std::string& name : written) {
    char* value = nullptr;
    EXPECT_EQ(p->GetString(name.c_str(), &value), 0) << "\"" << name << "\" is written but not shipped";
    zk_free(value);
  }
  // Shipped defaults: AES-256 with SHA 256, the generator's sizes, and
  // a list of extensions that compress well, each with its ".".
  auto Int = [&](const char* name) {
    int32_t v = -1;
    EXPECT_EQ(p->GetInt(name, &v), 0) << name;
    return v;
  };
  EXPECT_EQ(Int("cipher"), 4);
  EXPECT_EQ(Int("hash"), 3);
  EXPECT_EQ(Int("size of fixed password"), 16);
  EXPECT_EQ(Int("size of random password"), 16);
  const int32_t count = Int("count_of_arc_ext");
  std::set<std::string> extensions;
  for (int32_t n = 0; n < count; ++n) {
    char* value = nullptr;
    const std::string name = "arc_ext_" + std::to_string(n);
    ASSERT_EQ(p->GetString(name.c_str(), &value), 0) << name;
    extensions.insert(value);
    zk_free(value);
  }
  for (const char* ext : {".TXT", ".LOG", ".CSV", ".XML", ".HTML", ".RTF", ".DOC", ".BMP", ".WAV", ".TAR"})
    EXPECT_TRUE(extensions.count(ext)) << ext;
  for (const char* ext : {".ZIP", ".GZ", ".JPG", ".PNG", ".MP3", ".KVS", ".7Z", ".DOCX"})
    EXPECT_FALSE(extensions.count(ext)) << ext;
  EXPECT_EQ(extensions.size(), size_t(count)) << "an extension is listed twice";
  p->Release();
}

// Window titles and captions never show a raw "&": texts used as titles
// have none, and menu texts used as titles lose their mnemonic marks.
TEST(ShippedTexts, NoRawAmpersandInATitle) {
  ASSERT_TRUE(zktest::LoadToolkit("zk5storage"));
  ASSERT_TRUE(zktest::LoadToolkit("zk5script"));
  zktest::TempDir dir;
  const std::string joined =
      JoinedFile(dir, "kiv_en.txt",
                 {std::string(KIV_ENGINE_DATA) + "/kiv_en.txt",
                  std::string(KIV_DESKTOP_DATA) + "/kiv_en_desktop.txt"});
  auto* fs = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
  ASSERT_NE(fs, nullptr);
  zk::IFileStrem* s = nullptr;
  ASSERT_EQ(fs->OpenFile(joined.c_str(), zk::kOpenBinary, &s), 0);
  fs->Release();
  auto* t = zktest::Create<zk::ITextRes>(zk::id::ScriptTextRes, zk::id::ScriptITextRes);
  ASSERT_EQ(t->Load(s), 0);
  s->Release();
  auto Text = [&](int32_t id) {
    char* text = nullptr;
    EXPECT_EQ(t->GetText(id, &text), 0) << id;
    std::string out = text ? text : "";
    zk_free(text);
    return out;
  };
  // Window titles, file-dialog titles and message-box captions.
  for (int32_t id : {kiv::txt::kAddFiles, kiv::txt::kGetFiles, kiv::txt::kAddExtensionTitle,
                     kiv::txt::kOneFileOpenTitle, kiv::txt::kExportPasswordTitle,
                     kiv::txt::kSecretKindCaption, kiv::txt::kContainerKindCaption,
                     kiv::txt::kSecretParamsCaption, kiv::txt::kOpenSecretTitle,
                     kiv::txt::kPhysicalDeletion, kiv::txt::kOpenSecretCaption,
                     kiv::txt::kSecretPropsCaption, kiv::txt::kOptionsCaption,
                     kiv::txt::kReplaceFileCaption, kiv::txt::kFolderPropsCaption,
                     kiv::txt::kSelectFolder, kiv::txt::kOpenKeyStorage,
                     kiv::txt::kSetKeyStoragePassword, kiv::txt::kKeyStorageCaption,
                     kiv::txt::kRsaKeyParamsCaption, kiv::txt::kNewStoragePasswordTitle,
                     kiv::txt::kSaveKeyPairTitle, kiv::txt::kSavePublicKeyTitle,
                     kiv::txt::kLoadKeyTitle, kiv::txt::kSelectRsaKeyCaption,
                     kiv::txt::kCreateSignatureCaption, kiv::txt::kCreateSignatureButton,
                     kiv::txt::kSignatureFileTitle, kiv::txt::kCheckSignatureCaption,
                     kiv::txt::kOpenSignatureTitle, kiv::txt::kChooseSignedFileTitle,
                     kiv::txt::kExportPgpTitle, kiv::txt::kImportPgpTitle,
                     kiv::txt::kKeyFilePassword, kiv::txt::kAboutCaption, kiv::txt::kReadTextTitle,
                     kiv::txt::kWriteSelectionTitle, kiv::txt::kWriteTextTitle,
                     kiv::txt::kFindCaption, kiv::txt::kReplaceCaption, kiv::txt::kPassGenCaption,
                     kiv::txt::kCoderCaption, kiv::txt::kViewerCaption, kiv::txt::kViewerSaveTitle})
    EXPECT_EQ(Text(id).find('&'), std::string::npos) << "title text " << id << ": " << Text(id);
  // Menu texts that become titles or message prefixes (Save, Add file, Get
  // file, Properties, folder Properties, Contents): one mark each at most,
  // so dropping the marks leaves no "&".
  for (int32_t id : {kiv::txt::kMenuSave, kiv::txt::kMenuAddFile, kiv::txt::kMenuGetFile,
                     kiv::txt::kMenuSecretProperties, kiv::txt::kMenuFolderProperties,
                     kiv::txt::kHelpContents}) {
    const std::string text = Text(id);
    EXPECT_LE(std::count(text.begin(), text.end(), '&'), 1) << id;
    EXPECT_EQ(text.find("&&"), std::string::npos) << id;
  }
  t->Release();
}

}  // namespace
