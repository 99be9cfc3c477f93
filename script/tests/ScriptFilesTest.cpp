// zk5script over the real streams of zk5storage: kiv_config.txt on disk
// through fos.FileSys, and language texts from a file and a memory stream.
#include <gtest/gtest.h>

#include <string>

#include "ZkTestSupport.h"
#include "zk5Clsid.h"
#include "zk5script.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
std::string Text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(zktest::LoadToolkit("zk5storage"));
    fs = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
    ASSERT_NE(fs, nullptr);
  }
  void TearDown() override {
    if (fs) fs->Release();
  }
  // Opened as the engine opens kiv_config.txt: binary, read and write.
  zk::IFileStrem* Open(const std::string& path) {
    zk::IFileStrem* s = nullptr;
    EXPECT_EQ(fs->OpenFile(path.c_str(), zk::kOpenBinary | zk::kOpenReadWrite, &s), 0) << path;
    return s;
  }

  zktest::TempDir dir;
  zk::IFileSystem* fs = nullptr;
};

TEST_F(Files, ConfigFileChangedAndSavedOnDisk) {
  const std::string path = dir.File("kiv_config.txt");
  const std::string original =
      "#Language\r\nlang_cur=\"en\"\r\n#Password generator\r\nsize of fixed password=\"8\"\r\n"
      "size of random password=\"12\"\r\n#end of file\r\n";
  zktest::WriteFile(path, Bytes(original));

  auto* p = zktest::Create<zk::IAppParam>(zk::id::ScriptParamScript, zk::id::ScriptIAppParam);
  ASSERT_NE(p, nullptr);
  zk::IFileStrem* s = Open(path);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(p->Load(s), 0);
  s->Release();  // the parameters keep their own reference

  int32_t n = 0;
  ASSERT_EQ(p->GetInt("size of fixed password", &n), 0);
  EXPECT_EQ(n, 8);
  ASSERT_EQ(p->SetInt("size of random password", 6), 0);
  EXPECT_EQ(p->SetInt("not in the file", 1), zk::kNotFound);
  ASSERT_EQ(p->Save(), 0);
  // Shorter than before: the file is cut at the new end; the comment after
  // the last entry is gone.
  EXPECT_EQ(Text(zktest::ReadFile(path)),
            "#Language\r\nlang_cur=\"en\"\r\n#Password generator\r\nsize of fixed password=\"8\"\r\n"
            "size of random password=\"6\"\r\n");

  // A file saved without change comes back byte for byte.
  const std::string saved = Text(zktest::ReadFile(path));
  s = Open(path);
  ASSERT_EQ(p->Load(s), 0);
  s->Release();
  ASSERT_EQ(p->Save(), 0);
  EXPECT_EQ(Text(zktest::ReadFile(path)), saved);
  p->Release();
}

TEST_F(Files, EmptyConfigFileSavesEmpty) {
  const std::string path = dir.File("kiv_config.txt");
  zktest::WriteFile(path, {});
  auto* p = zktest::Create<zk::IAppParam>(zk::id::ScriptParamScript, zk::id::ScriptIAppParam);
  zk::IFileStrem* s = Open(path);
  ASSERT_EQ(p->Load(s), 0);
  EXPECT_EQ(p->GetCount(), 0);
  ASSERT_EQ(p->Save(), 0);
  EXPECT_TRUE(zktest::ReadFile(path).empty());
  s->Release();
  p->Release();
}

const char kLanguage[] =
    "# English texts\r\n1025\r\n First line\r\n\tSecond line\r\n\r\n1026\r\n Other\r\n";

TEST_F(Files, TextsFromALanguageFile) {
  const std::string path = dir.File("english.txt");
  zktest::WriteFile(path, Bytes(kLanguage));
  auto* t = zktest::Create<zk::ITextRes>(zk::id::ScriptTextRes, zk::id::ScriptITextRes);
  ASSERT_NE(t, nullptr);
  zk::IFileStrem* s = nullptr;
  ASSERT_EQ(fs->OpenFile(path.c_str(), zk::kOpenBinary | zk::kOpenReadOnly, &s), 0);
  ASSERT_EQ(t->Load(s), 0);
  s->Release();
  char* text = nullptr;
  ASSERT_EQ(t->GetText(1026, &text), 0);
  EXPECT_STREQ(text, "Other");
  ASSERT_EQ(t->GetText(1025, &text), 0);
  EXPECT_STREQ(text, "First line\r\nSecond line");
  EXPECT_EQ(t->GetText(7, &text), zk::kInvalidArg);
  EXPECT_EQ(text, nullptr);
  t->Release();
}

TEST_F(Files, TextsFromAMemoryStream) {
  auto* m = zktest::Create<zk::IFileStrem>(zk::id::StorageMemStream, zk::id::StreamIFileStrem);
  ASSERT_NE(m, nullptr);
  const std::string lf = "1025\n First line\n\tSecond line\n\n1026\n Other";
  ASSERT_EQ(m->Write(lf.data(), static_cast<uint32_t>(lf.size())), 0);
  auto* t = zktest::Create<zk::ITextRes>(zk::id::ScriptTextRes, zk::id::ScriptITextRes);
  ASSERT_EQ(t->Load(m), 0);
  char* text = nullptr;
  ASSERT_EQ(t->GetText(1025, &text), 0);
  EXPECT_STREQ(text, "First line\r\nSecond line");
  ASSERT_EQ(t->GetText(1026, &text), 0);
  EXPECT_STREQ(text, "Other");
  zk_free(text);
  t->Release();
  m->Release();
}

}  // namespace
