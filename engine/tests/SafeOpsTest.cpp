// The operations of a safe: one table of edge cases run in order on one
// safe, then extraction, reading, progress and the file-size seam.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "tests/SafeTestSupport.h"

using enginetest::Progress;
using enginetest::Ref;
using enginetest::Rig;

namespace {

class SafeOpsTest : public ::testing::Test {
 protected:
  void SetUp() override { enginetest::LoadLibraries(); }
};

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::string Current(zk::engine::Safe* safe) {
  char* p = nullptr;
  EXPECT_EQ(safe->GetCurrentFolder(&p), 0);
  return p ? zktest::TakeString(p) : std::string("<absent>");
}

uint32_t FlowOf(zk::engine::Safe* safe, const char* folder, const char* name) {
  zk::engine::Resolved r;
  if (zk::engine::ResolveFolder(safe->Root(), folder, nullptr, r) != 0) return 0;
  size_t i = zk::engine::FindFileIndex(*r.node, name);
  return i < r.node->files.size() ? r.node->files[i]->flow : 0;
}

TEST_F(SafeOpsTest, EdgeCaseTable) {
  zktest::TempDir dir;
  enginetest::WriteDiskFile(dir.File("report.txt"), Bytes("lower"), 1600000000);
  enginetest::WriteDiskFile(dir.File("Report.TXT"), Bytes("upper"), 1600000000);
  enginetest::WriteDiskFile(dir.File("a.txt"), Bytes("root a"), 1600000001);
  enginetest::WriteDiskFile(dir.File("empty"), {}, 1600000002);
  std::filesystem::create_directory(dir.File("sub"));
  enginetest::WriteDiskFile(dir.File("sub/a.txt"), Bytes("docs a"), 1600000003);

  Rig rig;
  rig.New();
  zk::engine::Safe* s = rig.safe;
  auto add = [&](const char* folder, const std::string& disk) {
    return s->AddFile(folder, dir.File(disk).c_str(), 0, nullptr);
  };
  const std::string dotdot = dir.File("sub/..");
  struct Step {
    const char* what;
    std::function<StatusCode()> op;
    StatusCode expected;
  };
  const std::vector<Step> steps = {
      {"create Docs", [&] { return s->CreateFolder("\\", "Docs"); }, 0},
      {"create Docs\\Inner relative", [&] { return s->CreateFolder("Docs", "Inner"); }, 0},
      {"create docs again, other case", [&] { return s->CreateFolder(nullptr, "docs"); }, zk::kAlreadyExists},
      {"create in a missing folder", [&] { return s->CreateFolder("\\Nope", "x"); }, zk::kNotFound},
      {"create with no name", [&] { return s->CreateFolder("\\", nullptr); }, zk::kInvalidArg},
      {"create with an empty name", [&] { return s->CreateFolder("\\", ""); }, zk::kInvalidArg},
      {"create ..", [&] { return s->CreateFolder("\\", ".."); }, zk::kInvalidArg},
      {"create .", [&] { return s->CreateFolder("\\", "."); }, zk::kInvalidArg},
      {"create a\\b", [&] { return s->CreateFolder("\\", "a\\b"); }, zk::kInvalidArg},
      {"create a/b", [&] { return s->CreateFolder("\\", "a/b"); }, zk::kInvalidArg},
      {"add report.txt to Docs", [&] { return add("\\Docs", "report.txt"); }, 0},
      {"add Report.TXT beside it", [&] { return add("\\Docs\\", "Report.TXT"); }, zk::kAlreadyExists},
      {"add a disk name ..", [&] { return s->AddFile("\\", dotdot.c_str(), 0, nullptr); }, zk::kInvalidArg},
      {"add with no disk path", [&] { return s->AddFile("\\", nullptr, 0, nullptr); }, zk::kInvalidArg},
      {"add to a missing folder", [&] { return add("\\Nope", "a.txt"); }, zk::kNotFound},
      {"add a missing disk file", [&] { return add("\\", "absent"); }, zk::kInvalidArg},
      {"add a.txt to the root", [&] { return add("\\", "a.txt"); }, 0},
      {"add sub/a.txt to Docs", [&] { return add("Docs", "sub/a.txt"); }, 0},
      {"add an empty file", [&] { return add("\\Docs\\Inner", "empty"); }, 0},
      {"change to Docs (relative)", [&] { return s->ChangeFolder("Docs"); }, 0},
      {"current is \\Docs", [&] { return Current(s) == "\\Docs" ? 0 : -99; }, 0},
      {"change to a missing folder", [&] { return s->ChangeFolder("Nope"); }, zk::kNotFound},
      {"current stays \\Docs", [&] { return Current(s) == "\\Docs" ? 0 : -99; }, 0},
      {"relative a.txt is Docs' one", [&] { return FlowOf(s, "\\Docs", "a.txt") == 4 ? 0 : -99; }, 0},
      {"rename relative a.txt to b.txt", [&] { return s->RenameFile("a.txt", "b.txt"); }, 0},
      {"absolute \\a.txt is the root's", [&] { return s->RenameFile("\\a.txt", "root.txt"); }, 0},
      {"root holds root.txt", [&] { return FlowOf(s, "\\", "root.txt") == 3 ? 0 : -99; }, 0},
      {"Docs holds b.txt", [&] { return FlowOf(s, "\\Docs", "b.txt") == 4 ? 0 : -99; }, 0},
      {"change to Inner from Docs", [&] { return s->ChangeFolder("Inner"); }, 0},
      {"current is \\Docs\\Inner", [&] { return Current(s) == "\\Docs\\Inner" ? 0 : -99; }, 0},
      {"folder up", [&] { return s->FolderUp(); }, 0},
      {"current is \\Docs again", [&] { return Current(s) == "\\Docs" ? 0 : -99; }, 0},
      {"folder up to the root", [&] { return s->FolderUp(); }, 0},
      {"current is absent", [&] { return Current(s) == "<absent>" ? 0 : -99; }, 0},
      {"folder up at the root", [&] { return s->FolderUp(); }, 0},
      {"change to \\ alone", [&] { return s->ChangeFolder("\\"); }, 0},
      {"current is \\", [&] { return Current(s) == "\\" ? 0 : -99; }, 0},
      {"rename to a case variant", [&] { return s->RenameFile("\\Docs\\report.txt", "REPORT.txt"); },
       zk::kAlreadyExists},
      {"rename to ..", [&] { return s->RenameFile("\\Docs\\report.txt", ".."); }, zk::kInvalidArg},
      {"rename to no name", [&] { return s->RenameFile("\\Docs\\report.txt", nullptr); }, zk::kInvalidArg},
      {"rename a missing file", [&] { return s->RenameFile("\\Docs\\nope", "x"); }, zk::kNotFound},
      {"rename the root", [&] { return s->RenameFolder("\\", "x"); }, zk::kInvalidArg},
      {"rename Docs to DOCS", [&] { return s->RenameFolder("\\Docs", "DOCS"); }, zk::kAlreadyExists},
      {"rename Docs to a/b", [&] { return s->RenameFolder("\\Docs", "a/b"); }, zk::kInvalidArg},
      {"rename Inner to Deep", [&] { return s->RenameFolder("\\Docs\\Inner", "Deep"); }, 0},
      {"delete the root", [&] { return s->DeleteFolder("\\"); }, zk::kInvalidArg},
      {"delete with no path", [&] { return s->DeleteFolder(nullptr); }, zk::kInvalidArg},
      {"move Docs into itself", [&] { return s->MoveFolder("\\Docs", "\\Docs"); }, zk::kInvalidArg},
      {"move Docs into its child", [&] { return s->MoveFolder("\\Docs", "\\Docs\\Deep"); }, zk::kInvalidArg},
      {"move Docs where it is", [&] { return s->MoveFolder("\\Docs", "\\"); }, zk::kAlreadyExists},
      {"move the root", [&] { return s->MoveFolder("\\", "\\Docs"); }, zk::kInvalidArg},
      {"move with no target", [&] { return s->MoveFolder("\\Docs", nullptr); }, zk::kInvalidArg},
      {"move Deep to the root", [&] { return s->MoveFolder("\\Docs\\Deep", "\\"); }, 0},
      {"Deep's file went along", [&] { return s->GetFileCount("\\Deep") == 1 ? 0 : -99; }, 0},
      {"move root.txt into Docs", [&] { return s->MoveFile("\\root.txt", "\\Docs"); }, 0},
      {"root.txt is in Docs, same flow", [&] { return FlowOf(s, "\\Docs", "root.txt") == 3 ? 0 : -99; }, 0},
      {"and no longer in the root", [&] { return s->GetFileInfo("\\", "root.txt", nullptr); }, zk::kNotFound},
      {"move it where it is", [&] { return s->MoveFile("\\Docs\\root.txt", "\\Docs"); }, zk::kAlreadyExists},
      {"move to a missing folder", [&] { return s->MoveFile("\\Docs\\root.txt", "\\Nope"); }, zk::kNotFound},
      {"copy b.txt to the root", [&] { return s->CopyFile("\\Docs\\b.txt", "\\b copy.txt", nullptr); }, 0},
      {"the copy has a new flow", [&] { return FlowOf(s, "\\", "b copy.txt") == 6 ? 0 : -99; }, 0},
      {"copy onto an existing name", [&] { return s->CopyFile("\\Docs\\b.txt", "\\B COPY.TXT", nullptr); },
       zk::kAlreadyExists},
      {"copy to ..", [&] { return s->CopyFile("\\Docs\\b.txt", "\\..", nullptr); }, zk::kInvalidArg},
      {"copy a missing file", [&] { return s->CopyFile("\\nope", "\\x", nullptr); }, zk::kNotFound},
      {"copy into a missing folder", [&] { return s->CopyFile("\\Docs\\b.txt", "\\Nope\\x", nullptr); },
       zk::kNotFound},
      {"file at index 5 of Docs", [&] {
         char* n = nullptr;
         return s->GetFileAt("\\Docs", 5, &n, nullptr);
       }, zk::kInvalidArg},
      {"file at with no name out", [&] { return s->GetFileAt("\\Docs", 0, nullptr, nullptr); }, zk::kInvalidArg},
      {"folder at in a folder without any", [&] {
         char* n = nullptr;
         return s->GetFolderAt("\\Deep", 0, &n);
       }, zk::kInvalidArg},
      {"info with no name", [&] { return s->GetFileInfo("\\", nullptr, nullptr); }, zk::kInvalidArg},
      {"delete a missing file", [&] { return s->DeleteFile("\\nope"); }, zk::kNotFound},
      {"delete b copy.txt", [&] { return s->DeleteFile("\\b copy.txt"); }, 0},
      {"its flow is gone", [&] {
         Ref<zk::IFileStrem> f;
         return rig.flows->OpenFlow(6, f.out());
       }, zk::kNotFound},
      {"delete Docs with its files", [&] { return s->DeleteFolder("\\Docs"); }, 0},
      {"flows 2, 3 and 4 are gone", [&] { return rig.FlowNumbers() == std::vector<uint32_t>{1, 5} ? 0 : -99; }, 0},
      {"current \\ still resolves", [&] { return s->ChangeFolder(nullptr); }, 0},
      {"commit", [&] { return s->Commit(); }, 0},
  };
  for (const Step& step : steps) EXPECT_EQ(step.op(), step.expected) << step.what;
}

TEST_F(SafeOpsTest, StatsExtractAndRead) {
  zktest::TempDir dir;
  const auto text = enginetest::Pattern(200000, 9);
  std::vector<uint8_t> words;
  for (int i = 0; i < 20000; ++i) {
    std::string w = "word " + std::to_string(i % 97) + " ";
    words.insert(words.end(), w.begin(), w.end());
  }
  enginetest::WriteDiskFile(dir.File("random.bin"), text, 1500000000);
  enginetest::WriteDiskFile(dir.File("words.txt"), words, 1500000100);
  enginetest::WriteDiskFile(dir.File("zero"), {}, 1500000200);

  Rig rig;
  rig.New();
  zk::engine::Safe* s = rig.safe;
  ASSERT_EQ(s->CreateFolder("\\", "E"), 0);
  uint32_t f = 9, n = 9, size = 9, stored = 9;
  ASSERT_EQ(s->GetFolderStats("\\E", &f, &n, &size, &stored), 0);
  EXPECT_EQ(std::vector<uint32_t>({f, n, size, stored}), std::vector<uint32_t>({0, 0, 0, 0}));
  EXPECT_EQ(s->GetFolderStats("\\Nope", &f, &n, &size, &stored), zk::kNotFound);

  Ref<Progress> p(Progress::Create());
  ASSERT_EQ(s->AddFile("\\E", dir.File("zero").c_str(), 0, p.get()), 0);
  EXPECT_EQ(p->reports, (std::vector<int32_t>{0, 100}));
  EXPECT_TRUE(rig.Flow(2).empty());
  ASSERT_EQ(s->AddFile("\\", dir.File("random.bin").c_str(), 0, nullptr), 0);
  ASSERT_EQ(s->AddFile("\\E", dir.File("words.txt").c_str(), 1, nullptr), 0);

  zk::SafeFileInfo info{};
  ASSERT_EQ(s->GetFileInfo("\\E", "words.txt", &info), 0);
  EXPECT_EQ(info.size, words.size());
  EXPECT_EQ(info.flags, 1u);
  EXPECT_LT(info.storedSize, words.size() / 4);
  EXPECT_EQ(info.storedSize, rig.Flow(4).size());
  time_t t = 1500000100;
  struct tm tm;
  localtime_r(&t, &tm);
  EXPECT_EQ(info.modified.year, tm.tm_year);
  EXPECT_EQ(info.modified.second, tm.tm_sec);
  EXPECT_EQ(info.modified.day, tm.tm_mday);
  char* name = nullptr;
  ASSERT_EQ(s->GetFileAt("\\", 0, &name, &info), 0);
  EXPECT_EQ(zktest::TakeString(name), "random.bin");
  EXPECT_EQ(info.storedSize, text.size());

  ASSERT_EQ(s->GetFolderStats("\\", &f, &n, &size, &stored), 0);
  EXPECT_EQ(f, 1u);
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(size, text.size() + words.size());
  EXPECT_EQ(stored, text.size() + rig.Flow(4).size());

  // ReadFile: the bytes and a terminating zero; a 0-byte file gives the zero alone.
  char* data = nullptr;
  ASSERT_EQ(s->ReadFile("\\E\\words.txt", &data, nullptr), 0);
  EXPECT_EQ(std::string(data, words.size()), std::string(words.begin(), words.end()));
  EXPECT_EQ(data[words.size()], 0);
  ASSERT_EQ(s->ReadFile("\\E\\zero", &data, nullptr), 0);  // the block held is freed
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data[0], 0);
  zk_free(data);
  data = nullptr;
  EXPECT_EQ(s->ReadFile("\\E\\nope", &data, nullptr), zk::kNotFound);
  EXPECT_EQ(s->ReadFile(nullptr, &data, nullptr), zk::kInvalidArg);
  EXPECT_EQ(s->ReadFile("\\E\\zero", nullptr, nullptr), zk::kInvalidArg);

  // Extraction restores bytes and times, compressed or not.
  for (const char* path : {"\\random.bin", "\\E\\words.txt"}) {
    const std::string out = dir.File("out");
    ASSERT_EQ(s->ExtractFile(path, out.c_str(), nullptr), 0) << path;
    EXPECT_EQ(zktest::ReadFile(out), std::string(path) == "\\random.bin" ? text : words);
    struct stat st;
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, std::string(path) == "\\random.bin" ? 1500000000 : 1500000100);
  }
  // A cancelled extraction leaves the earlier file under the name and no other.
  for (int at = 1; at < 4; ++at) {
    Ref<Progress> cancel(Progress::Create());
    cancel->cancelAt = at + 1;
    EXPECT_EQ(s->ExtractFile("\\random.bin", dir.File("out").c_str(), cancel.get()), -5);
    EXPECT_EQ(zktest::ReadFile(dir.File("out")), words);
  }
  size_t entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) entries += e.is_regular_file();
  EXPECT_EQ(entries, 4u);  // the three disk files and out
  EXPECT_EQ(s->ExtractFile("\\nope", dir.File("x").c_str(), nullptr), zk::kNotFound);
  EXPECT_EQ(s->ExtractFile("\\random.bin", dir.File("no/such/dir").c_str(), nullptr), zk::kCannotOpen);
  EXPECT_EQ(s->ExtractFile(nullptr, dir.File("x").c_str(), nullptr), zk::kInvalidArg);

  // A compressed copy stays compressed and restores.
  ASSERT_EQ(s->CopyFile("\\E\\words.txt", "\\w2", nullptr), 0);
  EXPECT_EQ(rig.Flow(5), rig.Flow(4));
  ASSERT_EQ(s->ReadFile("\\w2", &data, nullptr), 0);
  EXPECT_EQ(std::string(data, words.size()), std::string(words.begin(), words.end()));
  zk_free(data);
}

// Progress of an uncompressed add: 0, rising whole percentages, 100; a
// cancel at any rising report leaves no entry and no flow.
TEST_F(SafeOpsTest, CancelAtEveryProgressReportOfAnAdd) {
  zktest::TempDir dir;
  enginetest::WriteDiskFile(dir.File("big"), enginetest::Pattern(64 * 1024 * 10 + 100, 4), 1500000000);
  for (uint32_t flags : {0u, 1u}) {
    Rig rig;
    rig.New();
    ASSERT_EQ(rig.safe->CreateFolder("\\", "keep"), 0);
    ASSERT_EQ(rig.safe->Commit(), 0);
    const std::vector<uint8_t> before = rig.secret->stored;
    Ref<Progress> all(Progress::Create());
    {
      Rig probe;
      probe.New();
      ASSERT_EQ(probe.safe->AddFile("\\", dir.File("big").c_str(), flags, all.get()), 0);
    }
    ASSERT_GE(all->reports.size(), 3u);
    EXPECT_EQ(all->reports.front(), 0);
    EXPECT_EQ(all->reports.back(), 100);
    EXPECT_TRUE(std::is_sorted(all->reports.begin(), all->reports.end()));
    int cancelled = 0;
    for (int at = 0; at < int(all->reports.size()); ++at) {
      Ref<Progress> p(Progress::Create());
      p->cancelAt = at + 1;
      StatusCode st = rig.safe->AddFile("\\", dir.File("big").c_str(), flags, p.get());
      if (st == 0) {
        // The first and last reports are not answers; the add went through.
        ASSERT_EQ(rig.safe->DeleteFile("\\big"), 0);
      } else {
        EXPECT_EQ(st, -5) << at;
        ++cancelled;
      }
      EXPECT_EQ(rig.FlowNumbers(), std::vector<uint32_t>{1}) << at;
      ASSERT_EQ(rig.safe->Commit(), 0);
      EXPECT_EQ(rig.secret->stored, before) << at;
    }
    EXPECT_GE(cancelled, int(all->reports.size()) - 2);
  }
}

// Stands in for fos.FileSys, reporting a chosen size for every file opened.
class SizedFs final : public zk::ToolkitObject<SizedFs, zk::IFileSystem> {
 public:
  static constexpr const char* kClassId = "test.SizedFs";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::StreamIFileSystem, 0}};

  class Stream final : public zk::ToolkitObject<Stream, zk::IFileStrem> {
   public:
    static constexpr const char* kClassId = "test.SizedStream";
    static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::StreamIStream, 0}, {zk::id::StreamIFileStrem, 0}};
    ~Stream() {
      if (real) real->Release();
    }
    StatusCode IsEnd() override { return real->IsEnd(); }
    StatusCode Read(void* b, uint32_t n, uint32_t* got) override { return real->Read(b, n, got); }
    StatusCode Write(const void* d, uint32_t n) override { return real->Write(d, n); }
    StatusCode Close() override { return real->Close(); }
    StatusCode CopyFrom(zk::IStream* s, uint64_t n) override { return real->CopyFrom(s, n); }
    StatusCode Commit() override {
      if (commits) ++*commits;
      return real->Commit();
    }
    StatusCode GetSize(uint64_t* out) override {
      if (created) return real->GetSize(out);
      *out = size;
      return 0;
    }
    StatusCode GetPosition(uint64_t* out) override { return real->GetPosition(out); }
    StatusCode Seek(int64_t o, int32_t w) override { return real->Seek(o, w); }
    StatusCode SetEnd() override { return real->SetEnd(); }
    zk::IFileStrem* real = nullptr;
    uint64_t size = 0;
    bool created = false;        // made or opened for writing: its own size
    int* commits = nullptr;      // counts the flushes asked of it
  };

  SizedFs() { real = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem); }
  ~SizedFs() { real->Release(); }
  StatusCode MakeDir(const char* p) override { return real->MakeDir(p); }
  StatusCode CreateFile(const char* p, int32_t o, int32_t m, zk::IFileStrem** out) override {
    Stream* s = Stream::Create();
    StatusCode st = real->CreateFile(p, o, m, &s->real);
    if (st != 0) {
      s->Release();
      return st;
    }
    s->created = true;
    s->commits = &commits;
    *out = s;
    return 0;
  }
  StatusCode RemoveDirTree(const char* p) override { return real->RemoveDirTree(p); }
  StatusCode DeleteFile(const char* p) override { return real->DeleteFile(p); }
  StatusCode SetFindMask(const char* p) override { return real->SetFindMask(p); }
  StatusCode FindNextFile(char** n, zk::FindRecord* r) override { return real->FindNextFile(n, r); }
  StatusCode FindNextDir(char** n) override { return real->FindNextDir(n); }
  StatusCode GetCurrentDir(char** n) override { return real->GetCurrentDir(n); }
  StatusCode GetFileSize(const char* p, uint64_t* s) override { return real->GetFileSize(p, s); }
  StatusCode GetFileTimes(const char* p, uint32_t* c, uint32_t* m) override { return real->GetFileTimes(p, c, m); }
  StatusCode MakeTempName(char** n) override { return real->MakeTempName(n); }
  StatusCode OpenFile(const char* p, int32_t o, zk::IFileStrem** out) override {
    Stream* s = Stream::Create();
    StatusCode st = real->OpenFile(p, o, &s->real);
    if (st != 0) {
      s->Release();
      return st;
    }
    s->size = size;
    // A file opened for writing (the part file of a replacement) has its
    // own size, and its flushes count.
    s->created = (o & zk::kOpenReadWrite) != 0;
    s->commits = &commits;
    *out = s;
    return 0;
  }
  StatusCode ChangeDir(const char* p) override { return real->ChangeDir(p); }
  StatusCode GetDiskFree(uint64_t* b) override { return real->GetDiskFree(b); }
  StatusCode SetFileTimes(const char* p, uint32_t c, uint32_t m) override { return real->SetFileTimes(p, c, m); }

  zk::IFileSystem* real = nullptr;
  uint64_t size = 0;
  int commits = 0;  // flushes of the files it created
};

// A file extracted to a new name is renamed into place without a flush of
// its own (it is flushed with the batch); one that replaces a file is
// flushed before its rename, and a failed extraction keeps the original.
TEST_F(SafeOpsTest, ExtractionFlushesOnlyWhatReplacesAFile) {
  zktest::TempDir dir;
  const std::vector<uint8_t> data = enginetest::Pattern(100000, 7);
  enginetest::WriteDiskFile(dir.File("f"), data, 1500000000);
  Rig rig;
  rig.New();
  ASSERT_EQ(rig.safe->AddFile("\\", dir.File("f").c_str(), 1, nullptr), 0);
  Ref<SizedFs> fs(SizedFs::Create());
  rig.safe->UseFileSystem(fs.get());
  const std::string out = dir.File("new");
  ASSERT_EQ(rig.safe->ExtractFile("\\f", out.c_str(), nullptr), 0);
  EXPECT_EQ(fs->commits, 0);
  EXPECT_EQ(zktest::ReadFile(out), data);
  ASSERT_EQ(rig.safe->ExtractFile("\\f", out.c_str(), nullptr), 0);
  EXPECT_EQ(fs->commits, 1);
  EXPECT_EQ(zktest::ReadFile(out), data);
  // A cancel over the existing file keeps it whole.
  const std::vector<uint8_t> original = Bytes("original");
  zktest::WriteFile(out, original);
  Ref<Progress> cancel(Progress::Create());
  cancel->cancelAt = 2;
  EXPECT_EQ(rig.safe->ExtractFile("\\f", out.c_str(), cancel.get()), -5);
  EXPECT_EQ(zktest::ReadFile(out), original);
  // The batch's new files are flushed when the safe is committed.
  EXPECT_EQ(rig.safe->Commit(), 0);
  size_t entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) entries += e.is_regular_file();
  EXPECT_EQ(entries, 2u);  // f and new, no part left
}

TEST_F(SafeOpsTest, LargestFileSizeThroughASeam) {
  zktest::TempDir dir;
  enginetest::WriteDiskFile(dir.File("f"), Bytes("small"), 1500000000);
  Rig rig;
  rig.New();
  Ref<SizedFs> fs(SizedFs::Create());
  rig.safe->UseFileSystem(fs.get());
  fs->size = 0x80000000ull;
  EXPECT_EQ(rig.safe->AddFile("\\", dir.File("f").c_str(), 0, nullptr), zk::kTooMuch);
  fs->size = 0x100000005ull;  // the low word alone would look small
  EXPECT_EQ(rig.safe->AddFile("\\", dir.File("f").c_str(), 0, nullptr), zk::kTooMuch);
  EXPECT_EQ(rig.FlowNumbers(), std::vector<uint32_t>{1});
  fs->size = 0x7FFFFFFF;
  ASSERT_EQ(rig.safe->AddFile("\\", dir.File("f").c_str(), 0, nullptr), 0);
  zk::SafeFileInfo info{};
  ASSERT_EQ(rig.safe->GetFileInfo("\\", "f", &info), 0);
  EXPECT_EQ(info.size, 0x7FFFFFFFu);
}

}  // namespace
