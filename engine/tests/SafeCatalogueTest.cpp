// The catalogue of a safe: its stored bytes, name order, long names, and
// what damaged catalogues give.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ByteOrder.h"
#include "SafeCatalogue.h"
#include "tests/SafeTestSupport.h"

using enginetest::Ref;
using enginetest::Rig;

namespace {

class SafeCatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override { enginetest::LoadLibraries(); }
};

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// Catalogue bytes built field by field.
struct Cat {
  std::vector<uint8_t> b;
  Cat& U16(uint16_t v) {
    uint8_t x[2];
    zk::StoreLE16(x, v);
    b.insert(b.end(), x, x + 2);
    return *this;
  }
  Cat& U32(uint32_t v) {
    uint8_t x[4];
    zk::StoreLE32(x, v);
    b.insert(b.end(), x, x + 4);
    return *this;
  }
  Cat& Name(const std::string& s) {
    U16(uint16_t(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  Cat& File(const std::string& name, uint32_t flow, uint32_t size = 0) {
    U32(size).U32(0).U32(0).U32(0).U32(flow);
    return Name(name);
  }
};

// LoadCatalogue over a container whose flow 1 holds `bytes`, beside
// empty flows 2 to 9.
StatusCode LoadFlow1(Rig& rig, const std::vector<uint8_t>& bytes) {
  rig.Attach();
  EXPECT_EQ(rig.flows->Create(rig.container.get(), rig.work.get(), 0, 0, 1), 0);
  for (uint32_t n = 2; n <= 9; ++n) {
    Ref<zk::IFileStrem> s;
    EXPECT_EQ(rig.flows->CreateFlow(n, s.out()), 0);
  }
  {
    Ref<zk::IFileStrem> s;
    EXPECT_EQ(rig.flows->CreateFlow(1, s.out()), 0);
    if (!bytes.empty()) {
      EXPECT_EQ(s->Write(bytes.data(), uint32_t(bytes.size())), 0);
    }
  }
  return rig.safe->LoadCatalogue(rig.flows.get(), rig.container.get());
}

std::vector<std::string> FileNames(const zk::engine::FolderNode& f) {
  std::vector<std::string> out;
  for (const auto& e : f.files) out.push_back(e->name);
  return out;
}

TEST_F(SafeCatalogueTest, EmptySafeIsElevenBytesAndLoadsBack) {
  Rig rig;
  rig.New();
  EXPECT_EQ(zktest::ToHex(rig.Flow(1)), "01005c0000000000000000");
  EXPECT_EQ(rig.FlowNumbers(), std::vector<uint32_t>{1});
  rig.CommitAndReopen();
  EXPECT_EQ(rig.safe->Root().name, "\\");
  EXPECT_TRUE(rig.safe->Root().files.empty());
  EXPECT_TRUE(rig.safe->Root().subfolders.empty());
  EXPECT_EQ(rig.safe->GetFileCount("\\"), 0u);
  EXPECT_EQ(rig.safe->GetFolderCount(nullptr), 0u);
}

// The catalogue and the packed container of a nested safe, against the
// bytes engine/tests/safe_layout.py computes (data/nested_safe.hex).
TEST_F(SafeCatalogueTest, NestedSafeIsPinned) {
  std::ifstream in(std::filesystem::path(__FILE__).parent_path() / "data" / "nested_safe.hex");
  std::string catalogueHex, containerHex;
  std::getline(in, catalogueHex);
  std::getline(in, containerHex);
  ASSERT_FALSE(containerHex.empty());

  zktest::TempDir dir;
  const uint32_t t = 1700000000;
  enginetest::WriteDiskFile(dir.File("report.txt"), Bytes("Quarterly report\n"), t + 1);
  enginetest::WriteDiskFile(dir.File("a.bin"), enginetest::Pattern(700, 3), t + 2);
  enginetest::WriteDiskFile(dir.File("Zeta"), {}, t + 3);
  enginetest::WriteDiskFile(dir.File("_under"), Bytes("under"), t + 4);
  const std::string longName(400, 'L');

  Rig rig;
  rig.New();
  ASSERT_EQ(rig.safe->CreateFolder("\\", "Docs"), 0);
  ASSERT_EQ(rig.safe->CreateFolder("\\Docs", "Old"), 0);
  ASSERT_EQ(rig.safe->CreateFolder(nullptr, longName.c_str()), 0);
  ASSERT_EQ(rig.safe->CreateFolder("", "b_x"), 0);
  ASSERT_EQ(rig.safe->AddFile("\\Docs", dir.File("report.txt").c_str(), 0, nullptr), 0);
  ASSERT_EQ(rig.safe->AddFile("\\", dir.File("a.bin").c_str(), 0x10, nullptr), 0);
  ASSERT_EQ(rig.safe->AddFile("Docs\\Old\\", dir.File("Zeta").c_str(), 0, nullptr), 0);
  ASSERT_EQ(rig.safe->AddFile(nullptr, dir.File("_under").c_str(), 0, nullptr), 0);
  ASSERT_EQ(rig.safe->Commit(), 0);
  EXPECT_EQ(zktest::ToHex(rig.Flow(1)), catalogueHex);
  EXPECT_EQ(zktest::ToHex(rig.secret->stored), containerHex);

  rig.CommitAndReopen();
  EXPECT_EQ(zktest::ToHex(rig.Flow(1)), catalogueHex);
  EXPECT_EQ(FileNames(rig.safe->Root()), (std::vector<std::string>{"_under", "a.bin"}));
  EXPECT_EQ(rig.Flow(3), enginetest::Pattern(700, 3));
}

TEST_F(SafeCatalogueTest, NameOrderFoldsAsciiOnly) {
  EXPECT_LT(zk::engine::NameOrder("_x", "a"), 0);
  EXPECT_LT(zk::engine::NameOrder("_x", "A"), 0);
  EXPECT_EQ(zk::engine::NameOrder("Report.TXT", "report.txt"), 0);
  EXPECT_LT(zk::engine::NameOrder("ab", "abc"), 0);
  EXPECT_GT(zk::engine::NameOrder("b", "A"), 0);
  // Bytes above 127 are compared as they are: no locale folds them.
  EXPECT_NE(zk::engine::NameOrder("\xc3\x84", "\xc3\xa4"), 0);
  EXPECT_GT(zk::engine::NameOrder("\xe9", "z"), 0);

  Rig rig;
  rig.New();
  for (const char* n : {"b", "A", "a_"}) ASSERT_EQ(rig.safe->CreateFolder("\\", n), 0);
  zk::engine::FolderNode& root = rig.safe->Root();
  for (const char* n : {"b", "A", "a_"}) {
    zk::engine::FileEntry e;
    e.name = n;
    zk::engine::InsertFile(root, std::move(e));
  }
  EXPECT_EQ(FileNames(root), (std::vector<std::string>{"A", "a_", "b"}));
  std::vector<std::string> folders;
  for (const auto& f : root.subfolders) folders.push_back(f->name);
  EXPECT_EQ(folders, (std::vector<std::string>{"A", "a_", "b"}));
  // Equal names keep the order they came in; a lookup finds the first.
  root.files.clear();
  for (const char* n : {"x", "X", "x"}) {
    zk::engine::FileEntry e;
    e.name = n;
    e.flow = uint32_t(root.files.size() + 10);
    zk::engine::InsertFile(root, std::move(e));
  }
  EXPECT_EQ(FileNames(root), (std::vector<std::string>{"x", "X", "x"}));
  EXPECT_EQ(root.files[zk::engine::FindFileIndex(root, "X")]->flow, 10u);
}

TEST_F(SafeCatalogueTest, LongNamesAndLargeCatalogues) {
  Rig rig;
  rig.New();
  const std::string longest(65535, 'n');
  ASSERT_EQ(rig.safe->CreateFolder("\\", longest.c_str()), 0);
  EXPECT_EQ(rig.safe->CreateFolder("\\", std::string(65536, 'n').c_str()), zk::kTooMuch);
  // Thousands of entries: the catalogue passes many 64 KiB pieces.
  ASSERT_EQ(rig.safe->CreateFolder("\\", "many"), 0);
  zk::engine::FolderNode& many = *rig.safe->Root().subfolders[0];
  ASSERT_EQ(many.name, "many");
  for (uint32_t i = 0; i < 5000; ++i) {
    zk::engine::FileEntry e;
    e.name = "file number " + std::to_string(i) + std::string(40, 'x');
    e.size = i;
    e.flags = i * 7;
    e.created = i * 11;
    e.modified = i * 13;
    e.flow = 0;
    zk::engine::InsertFile(many, std::move(e));
  }
  ASSERT_EQ(rig.safe->Commit(), 0);
  const std::vector<uint8_t> big = rig.Flow(1);
  EXPECT_GT(big.size(), 4u * 65536);
  rig.CommitAndReopen();
  EXPECT_EQ(rig.Flow(1), big);
  ASSERT_EQ(rig.safe->GetFolderAt("\\", 1, nullptr), zk::kInvalidArg);
  char* name = nullptr;
  ASSERT_EQ(rig.safe->GetFolderAt("\\", 1, &name), 0);
  EXPECT_EQ(zktest::TakeString(name), longest);
  EXPECT_EQ(rig.safe->GetFileCount("\\many"), 5000u);
  // Writing the smaller catalogue over the larger one leaves no old bytes.
  ASSERT_EQ(rig.safe->DeleteFolder("\\many"), 0);
  ASSERT_EQ(rig.safe->Commit(), 0);
  EXPECT_EQ(rig.Flow(1).size(), 2u + 1 + 4 + 4 + (2 + 65535 + 4 + 4));

  // A name the record cannot carry stops the writing with -15.
  rig.safe->Root().subfolders[0]->name.push_back('n');
  EXPECT_EQ(rig.safe->Commit(), zk::kTooMuch);
}

TEST_F(SafeCatalogueTest, FolderWithEmptyNameAndMissingFlowOne) {
  Rig rig;
  Cat c;
  c.Name("\\").U32(0).U32(1).Name("").U32(0).U32(0);
  ASSERT_EQ(LoadFlow1(rig, c.b), 0);
  ASSERT_EQ(rig.safe->Root().subfolders.size(), 1u);
  EXPECT_EQ(rig.safe->Root().subfolders[0]->name, "");

  rig.Attach();
  ASSERT_EQ(rig.flows->Create(rig.container.get(), rig.work.get(), 0, 0, 1), 0);
  EXPECT_EQ(rig.safe->LoadCatalogue(rig.flows.get(), rig.container.get()), zk::kNotFound);
  EXPECT_TRUE(rig.safe->Root().files.empty() && rig.safe->Root().subfolders.empty());
  // flow 1 made twice
  Rig again;
  again.New();
  EXPECT_EQ(again.safe->SaveCatalogue(again.flows.get(), again.container.get()), zk::kAlreadyExists);
}

TEST_F(SafeCatalogueTest, DamagedCataloguesGiveAStatus) {
  Cat good;
  good.Name("\\").U32(2).File("a", 2, 5).File("b", 3).U32(1).Name("d").U32(1).File("c", 4).U32(0);
  Rig rig;
  ASSERT_EQ(LoadFlow1(rig, good.b), 0);

  // Every cut of a sound catalogue.
  for (size_t n = 0; n < good.b.size(); ++n) {
    std::vector<uint8_t> cut(good.b.begin(), good.b.begin() + std::ptrdiff_t(n));
    EXPECT_EQ(LoadFlow1(rig, cut), zk::kInvalidFormat) << n;
  }

  Cat deep;
  for (int i = 0; i < 100000; ++i) deep.Name("a").U32(0).U32(1);
  deep.Name("a").U32(0).U32(0);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases = {
      {"huge file count", Cat().Name("\\").U32(0xFFFFFFFF).File("a", 2).b},
      {"huge folder count", Cat().Name("\\").U32(0).U32(0x40000000).Name("x").U32(0).U32(0).b},
      {"name longer than the flow", Cat().Name("\\").U32(1).U32(0).U32(0).U32(0).U32(0).U32(2).U16(0xFFFF).b},
      {"nesting 100,000 deep", deep.b},
      {"file named ..", Cat().Name("\\").U32(1).File("..", 2).U32(0).b},
      {"folder named .", Cat().Name("\\").U32(0).U32(1).Name(".").U32(0).U32(0).b},
      {"name with a slash", Cat().Name("\\").U32(1).File("../x", 2).U32(0).b},
      {"name with a backslash", Cat().Name("\\").U32(0).U32(1).Name("a\\b").U32(0).U32(0).b},
      {"name with NUL", Cat().Name("\\").U32(1).File(std::string("a\0b", 3), 2).U32(0).b},
      {"file on flow 1", Cat().Name("\\").U32(1).File("a", 1).U32(0).b},
      {"two files on one flow", Cat().Name("\\").U32(2).File("a", 2).File("b", 2).U32(0).b},
      {"file on a flow the container lacks", Cat().Name("\\").U32(1).File("a", 10).U32(0).b},
  };
  for (const Case& c : cases) EXPECT_EQ(LoadFlow1(rig, c.bytes), zk::kInvalidFormat) << c.what;

  // Nesting up to the limit is read.
  Cat limit;
  for (uint32_t i = 0; i < zk::engine::kMaxDepth; ++i) limit.Name("a").U32(0).U32(1);
  limit.Name("a").U32(0).U32(0);
  EXPECT_EQ(LoadFlow1(rig, limit.b), 0);
  EXPECT_EQ(zk::engine::SubtreeHeight(rig.safe->Root()), zk::engine::kMaxDepth);
  // and no deeper folder can be made or moved in
  std::string path;
  for (uint32_t i = 0; i < zk::engine::kMaxDepth; ++i) path += "\\a";
  EXPECT_EQ(rig.safe->CreateFolder(path.c_str(), "b"), zk::kTooMuch);
  EXPECT_EQ(rig.safe->CreateFolder("\\", "b"), 0);
  EXPECT_EQ(rig.safe->MoveFolder("\\b", path.c_str()), zk::kTooMuch);
}

}  // namespace
