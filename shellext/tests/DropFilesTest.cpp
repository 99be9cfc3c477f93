// Drop-file lists: the bytes a list is made of, and names read back from
// well-formed and damaged blocks.
#include <gtest/gtest.h>

#include "DropFiles.h"
#include "ZkTestSupport.h"

namespace {

using zktest::FromHex;

const std::string kHeader20 = "14000000 00000000 00000000 00000000 ";

TEST(DropFilesTest, ByteAndWideListsPinned) {
  // Layout written out by hand: offset 20, point and flag zero, wide flag.
  EXPECT_EQ(zk::MakeDropFiles({"/a", "\xC3\xA9"}, false),
            FromHex(kHeader20 + "00000000 2F6100 C3A900 00"));
  EXPECT_EQ(zk::MakeDropFiles({"/a", "\xC3\xA9", "\xF0\x9F\x94\x91"}, true),
            FromHex(kHeader20 + "01000000 2F00 6100 0000 E900 0000 3DD8 11DD 0000 0000"));
  EXPECT_EQ(zk::MakeDropFiles({}, false), FromHex(kHeader20 + "00000000 00"));
}

TEST(DropFilesTest, NamesOfBlocks) {
  struct Case {
    const char* what;
    std::string hex;
    std::vector<std::string> names;
  } cases[] = {
      {"byte names", kHeader20 + "00000000 2F6100 C3A900 00", {"/a", "\xC3\xA9"}},
      {"wide names with a surrogate pair",
       kHeader20 + "01000000 2F00 6100 0000 E900 0000 3DD8 11DD 0000 0000",
       {"/a", "\xC3\xA9", "\xF0\x9F\x94\x91"}},
      {"empty list", kHeader20 + "00000000 00", {}},
      {"names after padding", "18000000 00000000 00000000 00000000 00000000 FFFFFFFF 7800 00",
       {"x"}},
      {"list ends with the block", kHeader20 + "00000000 616200", {"ab"}},
      {"last name without its zero", kHeader20 + "00000000 616200 6364", {"ab"}},
      {"wide name without its zero", kHeader20 + "01000000 6100 0000 6200", {"a"}},
      {"wide list with an odd byte left", kHeader20 + "01000000 6100 0000 00", {"a"}},
      {"lone high surrogate skipped", kHeader20 + "01000000 00D8 6100 0000 6200 0000 0000", {"b"}},
      {"lone low surrogate skipped", kHeader20 + "01000000 00DC 0000 6300 0000 0000", {"c"}},
      {"header cut short", "14000000 00000000 00000000 000000", {}},
      {"offset past the block", "40000000 00000000 00000000 00000000 00000000 6100 00", {}},
      {"offset inside the header", "10000000 00000000 00000000 00000000 00000000 6100 00", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> block = FromHex(c.hex);
    EXPECT_EQ(zk::DropFileNames(block.data(), block.size()), c.names);
  }
  EXPECT_TRUE(zk::DropFileNames(nullptr, 100).empty());
}

TEST(DropFilesTest, BytesThatAreNotUtf8SurviveAWideList) {
  // Each such byte becomes the character of its value.
  std::vector<uint8_t> block = zk::MakeDropFiles({"a\xFF", "\xC3"}, true);
  EXPECT_EQ(zk::DropFileNames(block.data(), block.size()),
            (std::vector<std::string>{"a\xC3\xBF", "\xC3\x83"}));
}

}  // namespace
