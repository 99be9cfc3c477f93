// steg.ZIP over both stream kinds: the hidden-data comment's exact bytes,
// the size limit, ordinary comments, refusals before anything is written,
// and Info-ZIP archives (fixtures/README.md) that must still pass
// `unzip -t` and `zip -T` afterwards.
#include <gtest/gtest.h>

#include "CarrierTestSupport.h"
#include "ZkTestSupport.h"
#include "zk5Steg.h"

using namespace zktest;
using namespace stegtest;

namespace {

zk::ICarrierCopy* NewZip() { return Create<zk::ICarrierCopy>("steg.ZIP", "steg.ICarrierCopy"); }

std::vector<uint8_t> Fixture(const char* name) { return ReadFile(FixtureDir() + "/" + name); }

class ZipTest : public ::testing::TestWithParam<StreamKind> {
 protected:
  Ref<zk::IFileStrem> Stream(const std::vector<uint8_t>& b) { return Ref<zk::IFileStrem>(MakeStream(GetParam(), b)); }
  uint64_t Hidden(const std::vector<uint8_t>& b) {
    auto s = Stream(b);
    uint64_t n = 12345;
    EXPECT_EQ(zip->GetHiddenSize(s.get(), &n), 0);
    return n;
  }
  // Embed (data given) or Wipe into a fresh output stream.
  StatusCode Rewrite(const std::vector<uint8_t>& carrier, const std::vector<uint8_t>* data,
                     std::vector<uint8_t>* result) {
    auto c = Stream(carrier);
    auto out = Stream({9, 9, 9});  // old content is cut away
    StatusCode st;
    if (data) {
      Ref<zk::IFileStrem> d(MakeStream(StreamKind::Memory, *data));
      st = zip->Embed(c.get(), d.get(), out.get());
    } else {
      st = zip->Wipe(c.get(), out.get());
    }
    *result = StreamBytes(out.get());
    return st;
  }
  Ref<zk::ICarrierCopy> zip{NewZip()};
};

TEST(ZipClassTest, IsACopyArchiveCarrier) {
  Ref<zk::ICarrierCopy> z(NewZip());
  ASSERT_NE(z.get(), nullptr);
  EXPECT_EQ(z->GetCarrierKind(), 6);
  void* general = nullptr;
  ASSERT_EQ(z->QueryInterface("steg.ICarrier", &general), 0);
  EXPECT_EQ(general, static_cast<void*>(z.get()));
  static_cast<zk::IBase*>(general)->Release();
  void* direct = nullptr;
  EXPECT_EQ(z->QueryInterface("steg.ICarrierDirect", &direct), zk::kNotImplemented);
  Ref<zk::IFileStrem> s(MakeStream(StreamKind::Memory, Fixture("plain.zip")));
  Ref<zk::IFileStrem> d(MakeStream(StreamKind::Memory, {1}));
  EXPECT_EQ(z->Embed(nullptr, d.get(), s.get()), zk::kInvalidArg);
  EXPECT_EQ(z->Embed(s.get(), d.get(), nullptr), zk::kInvalidArg);
  EXPECT_EQ(z->Extract(s.get(), nullptr, 1), zk::kInvalidArg);
  // The carrier as its own output: refused, the carrier untouched.
  auto before = StreamBytes(s.get());
  EXPECT_EQ(z->Embed(s.get(), d.get(), s.get()), zk::kInvalidArg);
  EXPECT_EQ(z->Wipe(s.get(), s.get()), zk::kInvalidArg);
  EXPECT_EQ(StreamBytes(s.get()), before);
}

TEST_P(ZipTest, HiddenDataIsTheCommentAfterAZeroByte) {
  const auto carrier = Fixture("plain.zip");
  ASSERT_GT(carrier.size(), 22u);
  EXPECT_EQ(Hidden(carrier), 0u);
  auto c = Stream(carrier);
  uint64_t capacity = 0;
  ASSERT_EQ(zip->GetCapacity(c.get(), &capacity), 0);
  EXPECT_EQ(capacity, 0xFFFEu);
  const auto secret = Pattern(100, 7);
  std::vector<uint8_t> out;
  ASSERT_EQ(Rewrite(carrier, &secret, &out), 0);
  // Everything up to the comment length is the carrier's; then 101, 0x00, the data.
  std::vector<uint8_t> expect(carrier.begin(), carrier.end() - 2);
  expect.insert(expect.end(), {101, 0, 0});
  expect.insert(expect.end(), secret.begin(), secret.end());
  EXPECT_EQ(out, expect);
  EXPECT_EQ(Hidden(out), 100u);
  auto s = Stream(out);
  Ref<zk::IFileStrem> got(MakeStream(StreamKind::Memory, {}));
  ASSERT_EQ(zip->Extract(s.get(), got.get(), 100), 0);
  EXPECT_EQ(StreamBytes(got.get()), secret);
  Ref<zk::IFileStrem> part(MakeStream(StreamKind::Memory, {}));
  ASSERT_EQ(zip->Extract(s.get(), part.get(), 3), 0);
  EXPECT_EQ(StreamBytes(part.get()), std::vector<uint8_t>(secret.begin(), secret.begin() + 3));
  EXPECT_EQ(zip->Extract(s.get(), part.get(), 101), zk::kTooMuch);
  // A second Embed replaces the hidden data; Wipe gives the carrier back.
  const auto other = Pattern(5, 8);
  std::vector<uint8_t> again;
  ASSERT_EQ(Rewrite(out, &other, &again), 0);
  EXPECT_EQ(Hidden(again), 5u);
  std::vector<uint8_t> wiped;
  ASSERT_EQ(Rewrite(again, nullptr, &wiped), 0);
  EXPECT_EQ(wiped, carrier);
}

TEST_P(ZipTest, SizeLimitAndEmptyData) {
  const auto carrier = Fixture("plain.zip");
  std::vector<uint8_t> out;
  const auto tooBig = Pattern(65535, 1);
  EXPECT_EQ(Rewrite(carrier, &tooBig, &out), zk::kTooMuch);
  const auto full = Pattern(65534, 2);
  ASSERT_EQ(Rewrite(carrier, &full, &out), 0);
  EXPECT_EQ(out[carrier.size() - 2], 0xFF);
  EXPECT_EQ(out[carrier.size() - 1], 0xFF);
  EXPECT_EQ(Hidden(out), 65534u);
  const std::vector<uint8_t> none;
  ASSERT_EQ(Rewrite(carrier, &none, &out), 0);
  EXPECT_EQ(out.size(), carrier.size() + 1);
  EXPECT_EQ(ToHex(std::vector<uint8_t>(out.end() - 3, out.end())), "010000");
  EXPECT_EQ(Hidden(out), 0u);
}

TEST_P(ZipTest, AnOrdinaryCommentIsNoHiddenData) {
  const auto carrier = Fixture("commented.zip");
  EXPECT_EQ(Hidden(carrier), 0u);
  auto s = Stream(carrier);
  Ref<zk::IFileStrem> got(MakeStream(StreamKind::Memory, {}));
  EXPECT_EQ(zip->Extract(s.get(), got.get(), 5), 0);
  EXPECT_TRUE(StreamBytes(got.get()).empty());
  std::vector<uint8_t> wiped, embedded;
  ASSERT_EQ(Rewrite(carrier, nullptr, &wiped), 0);
  EXPECT_EQ(wiped, Fixture("plain.zip"));  // the comment "hello" is gone
  const std::vector<uint8_t> one = {0x42};
  ASSERT_EQ(Rewrite(carrier, &one, &embedded), 0);
  EXPECT_EQ(ToHex(std::vector<uint8_t>(embedded.end() - 4, embedded.end())), "02000042");
}

TEST_P(ZipTest, DamagedArchivesAreRefusedBeforeAnythingIsWritten) {
  const auto plain = Fixture("plain.zip");
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases = {
      {"unknown signature", {'P', 'K', 3, 5, 0, 0, 0, 0}},
      {"not a zip", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}},
      {"no end record", std::vector<uint8_t>(plain.begin(), plain.end() - 22)},
      {"cut in a local header", std::vector<uint8_t>(plain.begin(), plain.begin() + 20)},
      {"cut in the end record", std::vector<uint8_t>(plain.begin(), plain.end() - 5)},
      {"short signature", {'P', 'K'}},
      // The comment promises more bytes than the file holds.
      {"comment beyond the file",
       [&] {
         auto v = Fixture("commented.zip");
         v[v.size() - 7] = 9;
         return v;
       }()},
      // Sizes kept after the data (written to a pipe): no size to walk by.
      {"streamed entries", Fixture("streamed.zip")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto s = Stream(c.bytes);
    uint64_t n = 0;
    EXPECT_EQ(zip->GetCapacity(s.get(), &n), zk::kInvalidFormat);
    EXPECT_EQ(zip->GetHiddenSize(s.get(), &n), zk::kInvalidFormat);
    Ref<zk::IFileStrem> got(MakeStream(StreamKind::Memory, {}));
    EXPECT_EQ(zip->Extract(s.get(), got.get(), 1), zk::kInvalidFormat);
    for (bool embed : {true, false}) {
      auto out = Stream({7, 7});
      Ref<zk::IFileStrem> d(MakeStream(StreamKind::Memory, {1, 2}));
      StatusCode st = embed ? zip->Embed(s.get(), d.get(), out.get()) : zip->Wipe(s.get(), out.get());
      EXPECT_EQ(st, zk::kInvalidFormat);
      EXPECT_EQ(ToHex(StreamBytes(out.get())), "0707");  // output untouched
    }
  }
}

TEST_P(ZipTest, AnEmptyCarrierBecomesAnEmptyArchive) {
  uint64_t capacity = 0;
  auto s = Stream({});
  ASSERT_EQ(zip->GetCapacity(s.get(), &capacity), 0);
  EXPECT_EQ(capacity, 0xFFFEu);
  EXPECT_EQ(Hidden({}), 0u);
  const std::vector<uint8_t> secret = {0xDE, 0xAD};
  std::vector<uint8_t> out;
  ASSERT_EQ(Rewrite({}, &secret, &out), 0);
  EXPECT_EQ(ToHex(out), "504b0506" + std::string(32, '0') + "030000dead");
  EXPECT_EQ(Hidden(out), 2u);
  std::vector<uint8_t> wiped;
  ASSERT_EQ(Rewrite({}, nullptr, &wiped), 0);
  EXPECT_TRUE(wiped.empty());
}

INSTANTIATE_TEST_SUITE_P(Streams, ZipTest, ::testing::Values(StreamKind::Memory, StreamKind::File),
                         [](const auto& info) { return std::string(KindName(info.param)); });

class ZipFixtureTest : public ::testing::TestWithParam<std::tuple<const char*, StreamKind>> {};

bool ZipToolsAccept(const std::string& path) {
  return ToolAccepts("unzip -t " + path) && ToolAccepts("zip -T " + path);
}

TEST_P(ZipFixtureTest, StaysAValidArchiveForUnzipAndZip) {
  if (!HaveTool("unzip") || !HaveTool("zip")) GTEST_SKIP() << "Info-ZIP unzip/zip are not installed";
  const auto [name, kind] = GetParam();
  const auto original = Fixture(name);
  ASSERT_FALSE(original.empty()) << name;
  TempDir dir;
  const std::string path = dir.File("carrier.zip");
  Ref<zk::ICarrierCopy> zip(NewZip());
  Ref<zk::IFileStrem> carrier(MakeStream(kind, original));
  for (uint64_t n : {uint64_t(1), uint64_t(3000), uint64_t(0xFFFE)}) {
    SCOPED_TRACE(n);
    auto secret = Pattern(n, uint32_t(n));
    Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, secret));
    Ref<zk::IFileStrem> out(MakeStream(kind, {}));
    ASSERT_EQ(zip->Embed(carrier.get(), data.get(), out.get()), 0);
    WriteFile(path, StreamBytes(out.get()));
    EXPECT_TRUE(ZipToolsAccept(path));
    uint64_t hidden = 0;
    ASSERT_EQ(zip->GetHiddenSize(out.get(), &hidden), 0);
    EXPECT_EQ(hidden, n);
    Ref<zk::IFileStrem> got(MakeStream(StreamKind::Memory, {}));
    ASSERT_EQ(zip->Extract(out.get(), got.get(), n), 0);
    EXPECT_EQ(StreamBytes(got.get()), secret);
    // Wipe of the result: a valid archive without hidden data.
    Ref<zk::IFileStrem> wiped(MakeStream(kind, {}));
    ASSERT_EQ(zip->Wipe(out.get(), wiped.get()), 0);
    WriteFile(path, StreamBytes(wiped.get()));
    EXPECT_TRUE(ZipToolsAccept(path));
    ASSERT_EQ(zip->GetHiddenSize(wiped.get(), &hidden), 0);
    EXPECT_EQ(hidden, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ZipFixtureTest,
                         ::testing::Combine(::testing::Values("plain.zip", "commented.zip"),
                                            ::testing::Values(StreamKind::Memory, StreamKind::File)),
                         [](const auto& info) {
                           std::string n = std::get<0>(info.param);
                           return n.substr(0, n.find('.')) + "_" + KindName(std::get<1>(info.param));
                         });

}  // namespace
