#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "StorageTestSupport.h"

using zktest::Ref;
using zk::IFileStrem;

namespace {

constexpr int32_t kRead = 0x8000, kReadWrite = 0x8002, kStaging = 0x8042;

class FileSysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs.reset(zktest::NewFs());
    ASSERT_TRUE(fs);
  }
  std::string P(const char* name) const { return dir.File(name); }
  IFileStrem* Make(const std::string& path, const std::vector<uint8_t>& bytes) {
    IFileStrem* s = nullptr;
    EXPECT_EQ(fs->CreateFile(path.c_str(), kReadWrite, 0x180, &s), 0);
    if (s && !bytes.empty()) {
      EXPECT_EQ(s->Write(bytes.data(), uint32_t(bytes.size())), 0);
    }
    return s;
  }
  std::vector<std::string> List(bool dirs) {
    std::vector<std::string> names;
    char* name = nullptr;
    for (;;) {
      StatusCode st = dirs ? fs->FindNextDir(&name) : fs->FindNextFile(&name, nullptr);
      if (st != 0) {
        EXPECT_EQ(st, -6);
        break;
      }
      names.push_back(name);
    }
    zk_free(name);
    std::sort(names.begin(), names.end());
    return names;
  }
  zktest::TempDir dir;
  Ref<zk::IFileSystem> fs;
};

TEST_F(FileSysTest, CreateReadSeekAndTruncate) {
  Ref<IFileStrem> s(Make(P("a.bin"), {1, 2, 3, 4, 5}));
  ASSERT_TRUE(s);
  uint64_t v = 0;
  EXPECT_EQ(s->GetSize(&v), 0);
  EXPECT_EQ(v, 5u);
  EXPECT_EQ(s->IsEnd(), -103);
  EXPECT_EQ(s->Seek(-2, 2), 0);  // a file stream adds the offset to its size
  EXPECT_EQ(s->GetPosition(&v), 0);
  EXPECT_EQ(v, 3u);
  EXPECT_EQ(s->IsEnd(), 0);
  uint8_t b[8] = {};
  EXPECT_EQ(s->Read(b, 8, nullptr), 0);  // a null count still reads
  EXPECT_EQ(b[0], 4);
  EXPECT_EQ(b[1], 5);
  EXPECT_EQ(s->Seek(-1, 0), -2);  // a failed seek says so
  EXPECT_EQ(s->GetSize(nullptr), -2);
  EXPECT_EQ(s->Read(nullptr, 1, nullptr), -2);
  EXPECT_EQ(s->Write(nullptr, 1), -2);
  EXPECT_EQ(s->Commit(), 0);
  EXPECT_EQ(s->Seek(0, 0), 0);
  EXPECT_EQ(s->SetEnd(), 0);
  EXPECT_EQ(s->GetSize(&v), 0);
  EXPECT_EQ(v, 0u);
  EXPECT_EQ(s->Close(), 0);
  EXPECT_EQ(s->Close(), 0);
  EXPECT_NE(s->GetSize(&v), 0);  // closed: an error, not a size of 0
  EXPECT_EQ(s->SetEnd(), -105);
  EXPECT_EQ(s->IsEnd(), -103);
}

TEST_F(FileSysTest, CreateTruncatesAndOpenMissingFails) {
  { Ref<IFileStrem> s(Make(P("t"), zktest::Pattern(100))); }
  Ref<IFileStrem> s(Make(P("t"), {}));
  uint64_t n = 1;
  EXPECT_EQ(fs->GetFileSize(P("t").c_str(), &n), 0);
  EXPECT_EQ(n, 0u);
  IFileStrem* raw = nullptr;
  EXPECT_EQ(fs->OpenFile(P("missing").c_str(), kRead, &raw), -101);
  EXPECT_EQ(raw, nullptr);
  EXPECT_EQ(fs->OpenFile(nullptr, kRead, &raw), -2);
  EXPECT_EQ(fs->GetFileSize(P("missing").c_str(), &n), -2);
  EXPECT_EQ(fs->DeleteFile(P("missing").c_str()), -106);
  EXPECT_EQ(fs->DeleteFile(P("t").c_str()), 0);
}

// The system's flag values differ from the platform's (0x40 and 0x100 mean
// other things here): each one must take effect as the system means it.
TEST_F(FileSysTest, OpenFlagsAreTranslated) {
  auto data = zktest::Pattern(10);
  { Ref<IFileStrem> s(Make(P("f"), data)); }
  {
    // Mode 0 (binary, read only): reading works, writing fails.
    Ref<IFileStrem> s;
    ASSERT_EQ(fs->OpenFile(P("f").c_str(), kRead, s.out()), 0);
    EXPECT_EQ(zktest::ReadAll(s.get()), data);
    EXPECT_EQ(s->Write(data.data(), 1), -105);
    ASSERT_EQ(fs->OpenFile(P("f").c_str(), 0, s.out()), 0);
    EXPECT_EQ(s->Write(data.data(), 1), -105);
  }
  {
    // Read and write without create or truncate keeps the contents.
    Ref<IFileStrem> s;
    ASSERT_EQ(fs->OpenFile(P("f").c_str(), kReadWrite, s.out()), 0);
    EXPECT_EQ(s->Write("xy", 2), 0);
    EXPECT_EQ(zktest::ReadAll(s.get()).size(), 10u);
  }
  // Open without the create flag does not make a file.
  Ref<IFileStrem> s;
  EXPECT_EQ(fs->OpenFile(P("nofile").c_str(), kReadWrite, s.out()), -101);
  EXPECT_FALSE(std::filesystem::exists(P("nofile")));
  // Create with mode 0x180 makes a file its owner can read and write.
  ASSERT_EQ(fs->CreateFile(P("g").c_str(), kReadWrite, 0x180, s.out()), 0);
  struct stat st;
  ASSERT_EQ(stat(P("g").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & S_IRWXU, unsigned(S_IRUSR | S_IWUSR));
}

TEST_F(FileSysTest, StagingFileIsExclusiveAndGoneOnClose) {
  char* name = nullptr;
  ASSERT_EQ(fs->MakeTempName(&name), 0);
  ASSERT_EQ(name[0], '/');
  std::string path = name;
  Ref<IFileStrem> s;
  ASSERT_EQ(fs->CreateFile(name, kStaging, 0x180, s.out()), 0);
  ASSERT_TRUE(s);
  auto data = zktest::Pattern(70000);
  EXPECT_EQ(s->Write(data.data(), uint32_t(data.size())), 0);
  EXPECT_EQ(zktest::ReadAll(s.get()), data);
  s.reset();
  EXPECT_FALSE(std::filesystem::exists(path));  // deleted on close
  // A planted link (or any existing name) is refused, not followed.
  std::string target = P("victim");
  zktest::WriteFile(target, {1, 2, 3});
  ASSERT_EQ(symlink(target.c_str(), name), 0);
  EXPECT_EQ(fs->CreateFile(name, kStaging, 0x180, s.out()), -101);
  EXPECT_EQ(zktest::ReadFile(target).size(), 3u);
  unlink(name);
  // A second temporary name differs.
  char* other = nullptr;
  ASSERT_EQ(fs->MakeTempName(&other), 0);
  EXPECT_STRNE(other, path.c_str());
  zk_free(other);
  zk_free(name);
}

TEST_F(FileSysTest, SearchFilesAndDirectories) {
  ASSERT_EQ(fs->SetFindMask((dir.path() + "/*").c_str()), 0);
  EXPECT_EQ(List(false), std::vector<std::string>{});
  // The ended search goes on ending until a fresh mask starts a new one.
  EXPECT_EQ(List(true), std::vector<std::string>{});
  ASSERT_EQ(fs->SetFindMask((dir.path() + "/*").c_str()), 0);
  EXPECT_EQ(List(true), (std::vector<std::string>{".", ".."}));

  zktest::WriteFile(P("five.txt"), {1, 2, 3, 4, 5});
  zktest::WriteFile(P("b.dat"), {});
  ASSERT_EQ(fs->MakeDir(P(".hidden").c_str()), 0);
  ASSERT_EQ(fs->MakeDir(P(".hidden").c_str()), -1);
  ASSERT_EQ(fs->SetFindMask((dir.path() + "/*").c_str()), 0);
  EXPECT_EQ(List(false), (std::vector<std::string>{"b.dat", "five.txt"}));
  ASSERT_EQ(fs->SetFindMask((dir.path() + "/*").c_str()), 0);
  EXPECT_EQ(List(true), (std::vector<std::string>{".", "..", ".hidden"}));
  ASSERT_EQ(fs->SetFindMask((dir.path() + "/*.txt").c_str()), 0);
  char* name = nullptr;
  zk::FindRecord rec{};
  ASSERT_EQ(fs->FindNextFile(&name, &rec), 0);
  EXPECT_STREQ(name, "five.txt");
  EXPECT_EQ(rec.size, 5u);
  EXPECT_EQ(fs->FindNextFile(&name, &rec), -6);
  EXPECT_EQ(fs->FindNextFile(nullptr, &rec), -2);
  zk_free(name);
  // Nothing matches: -6 each time.
  ASSERT_EQ(fs->SetFindMask((dir.path() + "/*.none").c_str()), 0);
  EXPECT_EQ(List(false), std::vector<std::string>{});
  EXPECT_EQ(fs->SetFindMask(nullptr), -2);
}

TEST_F(FileSysTest, TimesPast2038) {
  zktest::WriteFile(P("t"), {1});
  const uint32_t when = 0xF0000000u;  // in 2097
  ASSERT_EQ(fs->SetFileTimes(P("t").c_str(), 1000, when), 0);
  uint32_t created = 0, modified = 0;
  ASSERT_EQ(fs->GetFileTimes(P("t").c_str(), &created, &modified), 0);
  EXPECT_EQ(modified, when);
  EXPECT_EQ(created, when);  // no creation time here: reads as the modification time
  ASSERT_EQ(fs->SetFindMask(P("t").c_str()), 0);
  char* name = nullptr;
  zk::FindRecord rec{};
  ASSERT_EQ(fs->FindNextFile(&name, &rec), 0);
  EXPECT_EQ(rec.modified, when);
  zk_free(name);
  EXPECT_EQ(fs->SetFileTimes(P("missing").c_str(), 0, 0), -2);
  EXPECT_EQ(fs->GetFileTimes(P("missing").c_str(), &created, &modified), -2);
}

TEST_F(FileSysTest, CurrentDirAndDiskFree) {
  char* cwd = nullptr;
  ASSERT_EQ(fs->GetCurrentDir(&cwd), 0);
  ASSERT_EQ(fs->ChangeDir(dir.path().c_str()), 0);
  char* now = nullptr;
  ASSERT_EQ(fs->GetCurrentDir(&now), 0);
  EXPECT_EQ(std::filesystem::canonical(now), std::filesystem::canonical(dir.path()));
  EXPECT_EQ(fs->ChangeDir(P("missing").c_str()), 0);
  EXPECT_EQ(fs->ChangeDir(cwd), 0);
  uint64_t free = 0;
  EXPECT_EQ(fs->GetDiskFree(&free), 0);
  EXPECT_GT(free, 0u);
  zk_free(cwd);
  zk_free(now);
}

TEST_F(FileSysTest, RemoveDirTree) {
  namespace fsys = std::filesystem;
  fsys::create_directories(P("tree/a/b/c"));
  fsys::create_directories(P("tree/d"));
  zktest::WriteFile(P("tree/f1"), {1});
  zktest::WriteFile(P("tree/a/f2"), {2});
  zktest::WriteFile(P("tree/a/b/c/f3"), {3});
  // Links inside the tree are removed, never followed.
  fsys::create_directories(P("outside/keep"));
  zktest::WriteFile(P("outside/keep/file"), {9});
  fsys::create_directory_symlink(P("outside"), P("tree/a/link"));
  fsys::create_symlink(P("outside/keep/file"), P("tree/d/flink"));
  char* before = nullptr;
  ASSERT_EQ(fs->GetCurrentDir(&before), 0);
  EXPECT_EQ(fs->RemoveDirTree(P("tree").c_str()), 0);
  EXPECT_FALSE(fsys::exists(P("tree")));
  EXPECT_TRUE(fsys::exists(P("outside/keep/file")));
  char* after = nullptr;
  ASSERT_EQ(fs->GetCurrentDir(&after), 0);
  EXPECT_STREQ(before, after);  // no process-wide change
  // A link given as the tree itself: the link goes, its target stays.
  fsys::create_directory_symlink(P("outside"), P("top"));
  EXPECT_EQ(fs->RemoveDirTree(P("top").c_str()), 0);
  EXPECT_FALSE(fsys::is_symlink(P("top")));
  EXPECT_TRUE(fsys::exists(P("outside/keep/file")));
  EXPECT_NE(fs->RemoveDirTree(P("missing").c_str()), 0);
  EXPECT_EQ(fs->RemoveDirTree(nullptr), -2);
  zk_free(before);
  zk_free(after);
}

TEST_F(FileSysTest, RemoveDirTreeStopsOnUndeletableEntry) {
  namespace fsys = std::filesystem;
  fsys::create_directories(P("tree/locked/inner"));
  zktest::WriteFile(P("tree/locked/inner/f"), {1});
  chmod(P("tree/locked").c_str(), 0500);  // its entries cannot be removed
  StatusCode st;
  {
    zktest::PermissionBitsHold bits;  // root would delete anything
    if (geteuid() == 0) {
      ASSERT_TRUE(bits.dropped());
    }
    st = fs->RemoveDirTree(P("tree").c_str());
  }
  EXPECT_NE(st, 0);
  // The walk goes depth first: inner's own file goes, inner itself cannot
  // leave the read-only folder, and nothing above it is removed.
  EXPECT_FALSE(fsys::exists(P("tree/locked/inner/f")));
  EXPECT_TRUE(fsys::is_directory(P("tree/locked/inner")));
  chmod(P("tree/locked").c_str(), 0700);
}

// Sparse file past 4 GiB: size, seek and set end are 64-bit.
TEST_F(FileSysTest, LargeSparseFile) {
  Ref<IFileStrem> s(Make(P("big"), {}));
  ASSERT_TRUE(s);
  const uint64_t far = (5ull << 30) + 123;
  ASSERT_EQ(s->Seek(int64_t(far), 0), 0);
  ASSERT_EQ(s->Write("end", 3), 0);
  uint64_t v = 0;
  ASSERT_EQ(s->GetSize(&v), 0);
  EXPECT_EQ(v, far + 3);
  ASSERT_EQ(fs->GetFileSize(P("big").c_str(), &v), 0);
  EXPECT_EQ(v, far + 3);
  ASSERT_EQ(s->Seek(-3, 1), 0);
  ASSERT_EQ(s->GetPosition(&v), 0);
  EXPECT_EQ(v, far);
  uint8_t b[3];
  uint32_t got = 0;
  ASSERT_EQ(s->Read(b, 3, &got), 0);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 3), "end");
  ASSERT_EQ(s->Seek(int64_t(far) - 1000, 0), 0);
  ASSERT_EQ(s->SetEnd(), 0);
  ASSERT_EQ(s->GetSize(&v), 0);
  EXPECT_EQ(v, far - 1000);  // cut at a 64-bit offset
}

// The shared CopyFrom, between file streams.
TEST_F(FileSysTest, CopyFrom) {
  auto data = zktest::Pattern(200000);
  Ref<IFileStrem> src(Make(P("src"), data));
  struct Case {
    uint64_t count;
    size_t expected;
  } cases[] = {{0, 200000}, {100, 100}, {65536, 65536}, {300000, 200000}};
  for (const Case& c : cases) {
    Ref<IFileStrem> dst(Make(P("dst"), {}));
    ASSERT_EQ(src->Seek(0, 0), 0);
    EXPECT_EQ(dst->CopyFrom(src.get(), c.count), 0);
    auto got = zktest::ReadFile(P("dst"));
    EXPECT_EQ(got.size(), c.expected) << c.count;
    EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
  }
  // A source already at its end copies nothing.
  Ref<IFileStrem> dst(Make(P("dst"), {}));
  EXPECT_EQ(dst->CopyFrom(src.get(), 0), 0);
  EXPECT_TRUE(zktest::ReadFile(P("dst")).empty());
  EXPECT_EQ(dst->CopyFrom(nullptr, 0), -2);
}

TEST_F(FileSysTest, InterfacesAndRegistry) {
  Ref<IFileStrem> s(Make(P("x"), {}));
  EXPECT_STREQ(s->GetClassId(), "fos.FileStream");
  void* p = nullptr;
  EXPECT_EQ(s->QueryInterface(zk::id::StreamIStream, &p), 0);
  EXPECT_EQ(p, s.get());
  static_cast<zk::IBase*>(p)->Release();
  EXPECT_EQ(s->QueryInterface(zk::id::StdIBase, &p), -7);
  EXPECT_STREQ(fs->GetClassId(), "fos.FileSys");
  EXPECT_EQ(fs->QueryInterface("stream.ifilesystem", &p), -7);
}

}  // namespace
