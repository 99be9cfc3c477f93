// Secrets round-trip in every medium under every cipher and hash: a
// message and a file (stored and compressed, all 256 byte values), created,
// saved, reopened and read back; carriers stay acceptable to their tools.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/SecretTestSupport.h"

using namespace enginetest;

namespace {

struct Medium {
  const char* name;
  int format;
  const CarrierKind* kind;  // null: a plain secret file
};

std::vector<Medium> AllMedia() {
  std::vector<Medium> m = {{"File", zk::kFormatSecretFile, nullptr}};
  for (const CarrierKind& k : AllCarriers()) m.push_back({k.name, k.format, &k});
  return m;
}

// A medium ready for a secret: a path for a plain file, or a fresh carrier.
std::string MediumPath(const Medium& m, const zktest::TempDir& dir, const std::string& name) {
  if (!m.kind) return dir.File(name + ".kvs");
  return MakeCarrierFile(*m.kind, dir, name);
}

class RoundTrip : public ::testing::TestWithParam<std::tuple<int, int, Medium>> {};

TEST_P(RoundTrip, MessageAndFile) {
  const auto [cipher, hash, medium] = GetParam();
  zktest::TempDir dir;
  // A message.
  {
    std::string path = MediumPath(medium, dir, "m");
    if (path.empty()) GTEST_SKIP() << "the carrier's tools are missing";
    std::vector<uint8_t> before = zktest::ReadFile(path);
    const std::string text = "Meet me at the old mill at seven. \xc3\xa4\xc3\xb6\xc3\xbc";
    ASSERT_EQ(SaveMessage(path, medium.format, hash, cipher, "pass word", text), 0);
    std::string back;
    ASSERT_EQ(ReadMessage(path, medium.format, "pass word", &back), 0);
    EXPECT_EQ(back, text);
    if (medium.kind) {
      EXPECT_NE(zktest::ReadFile(path), before);
      EXPECT_TRUE(ToolAccepts(*medium.kind, path, before));
    }
  }
  // A file, stored and compressed.
  const std::vector<uint8_t> data = AllByteValues(3);
  const std::string disk = dir.File("all-bytes.bin");
  zktest::WriteFile(disk, data);
  for (int flags : {0, 1}) {
    SCOPED_TRACE(flags);
    std::string path = MediumPath(medium, dir, "f" + std::to_string(flags));
    ASSERT_FALSE(path.empty());
    const std::vector<uint8_t> original = zktest::ReadFile(path);
    ASSERT_EQ(SaveFile(path, medium.format, hash, cipher, "k3y", disk, flags), 0);
    const std::string out = dir.File("out" + std::to_string(flags) + ".bin");
    ASSERT_EQ(ReadFileBack(path, medium.format, "k3y", out), 0);
    EXPECT_EQ(zktest::ReadFile(out), data);
    if (medium.kind) {
      EXPECT_TRUE(ToolAccepts(*medium.kind, path, original));
    }
  }
}

std::string Name(const ::testing::TestParamInfo<RoundTrip::ParamType>& info) {
  return "C" + std::to_string(std::get<0>(info.param)) + "H" + std::to_string(std::get<1>(info.param)) +
         std::get<2>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(AllCiphersHashesMedia, RoundTrip,
                         ::testing::Combine(::testing::Range(1, 8), ::testing::Range(1, 5),
                                            ::testing::ValuesIn(AllMedia())),
                         Name);

}  // namespace
