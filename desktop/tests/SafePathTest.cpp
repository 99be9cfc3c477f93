// The pure rules of the content commands, as tables.
#include <gtest/gtest.h>

#include "desktop/SafePathUnit.h"

namespace {

TEST(SafePathTest, JoinAndNormalise) {
  struct Row {
    std::string folder, name, joined;
  } rows[] = {
      {"\\", "a", "\\a"},          {"", "a", "\\a"},           {"\\x", "a", "\\x\\a"},
      {"\\x\\", "a", "\\x\\a"},    {"\\x\\\\", "\\a", "\\x\\a"}, {"\\x\\y\\", "b.txt", "\\x\\y\\b.txt"},
  };
  for (const Row& r : rows) EXPECT_EQ(kiv::SafeJoin(r.folder, r.name), r.joined) << r.folder;
  EXPECT_EQ(kiv::SafeFolderPath(""), "\\");
  EXPECT_EQ(kiv::SafeFolderPath("\\a\\b"), "\\a\\b\\");
  EXPECT_TRUE(kiv::SameSafeFolder("\\a\\b", "\\a\\b\\"));
  EXPECT_TRUE(kiv::SameSafeFolder("", "\\"));
  EXPECT_FALSE(kiv::SameSafeFolder("\\a", "\\ab"));
  EXPECT_TRUE(kiv::SafeFolderWithin("\\a\\b\\c", "\\a\\b"));
  EXPECT_FALSE(kiv::SafeFolderWithin("\\a\\bc", "\\a\\b"));  // a sibling with a longer name
}

TEST(SafePathTest, DragAcceptance) {
  struct Row {
    const char* what;
    std::string current;
    std::vector<std::string> dragged;
    std::string target;
    bool accepted;
  } rows[] = {
      {"same folder", "\\a\\", {"x"}, "\\a\\", false},
      {"same folder, no trailing separator", "\\a\\", {}, "\\a", false},
      {"into the dragged folder", "\\a\\", {"x"}, "\\a\\x\\", false},
      {"into its subtree", "\\a\\", {"x"}, "\\a\\x\\y\\", false},
      {"sibling of the dragged folder", "\\a\\", {"x"}, "\\a\\y\\", true},
      {"sibling whose name starts alike", "\\a\\", {"x"}, "\\a\\xy\\", true},
      {"parent", "\\a\\", {"x"}, "\\", true},
      {"files only, to a child", "\\a\\", {}, "\\a\\x\\", true},
  };
  for (const Row& r : rows)
    EXPECT_EQ(kiv::DragAccepted(r.current, r.dragged, r.target), r.accepted) << r.what;
}

TEST(SafePathTest, NamesWrittenToDisk) {
  for (const char* ok : {"a", "a.txt", ".hidden", "...", "a b"}) EXPECT_TRUE(kiv::ValidDiskName(ok)) << ok;
  for (const std::string& bad :
       {std::string(), std::string("."), std::string(".."), std::string("a/b"),
        std::string("..\\x"), std::string("/etc"), std::string("a\0b", 3)})
    EXPECT_FALSE(kiv::ValidDiskName(bad)) << bad;
}

TEST(SafePathTest, SizeAndRatioCells) {
  EXPECT_EQ(kiv::SizeCell(1234567, 617283, true), "1 234 567 (49%)");
  EXPECT_EQ(kiv::SizeCell(1234567, 617283, false), "1 234 567");
  EXPECT_EQ(kiv::SizeCell(0, 12, true), "0 (0%)");
  EXPECT_EQ(kiv::StoredCell(0, 12), "12 (0%)");
  EXPECT_EQ(kiv::StoredCell(200, 300), "300 (150%)");
  // 64-bit sizes do not overflow the percentage.
  EXPECT_EQ(kiv::SizeCell(uint64_t{1} << 40, uint64_t{1} << 39, true), "1 099 511 627 776 (50%)");
}

TEST(SafePathTest, CompressedExtensions) {
  const std::vector<std::string> list = {".txt", ".DOC"};
  struct Row {
    const char* path;
    bool compressed;
  } rows[] = {
      {"/x/a.TXT", true},  {"/x/a.txt", true},  {"b.doc", true},       {"a.txt.zip", false},
      {"/x.txt/readme", false}, {"noext", false}, {"/x/.txt", true},  {"a.tx", false},
  };
  for (const Row& r : rows) EXPECT_EQ(kiv::CompressedExtension(r.path, list), r.compressed) << r.path;
  EXPECT_FALSE(kiv::CompressedExtension("a.txt", {}));
}

}  // namespace
