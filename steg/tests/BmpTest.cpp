// steg.BMP over both stream kinds: capacities, the refusals, the exact
// places of the hidden bits, Wipe, and real bitmaps made by ImageMagick
// (fixtures/README.md) that must still pass `identify` afterwards.
#include <gtest/gtest.h>

#include <algorithm>

#include "CarrierTestSupport.h"
#include "ZkTestSupport.h"
#include "zk5Steg.h"

using namespace zktest;
using namespace stegtest;

namespace {

void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = uint8_t(x);
  v[at + 1] = uint8_t(x >> 8);
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}

// A bitmap laid out as the carrier reads it: 54 header bytes and an
// unpadded run of pixels whose bytes follow a pattern.
std::vector<uint8_t> MakeBmp(int32_t w, int32_t h, uint16_t bits, size_t extra = 0) {
  size_t run = size_t(w) * size_t(h) * (bits / 8);
  std::vector<uint8_t> v(54 + run + extra);
  v[0] = 'B';
  v[1] = 'M';
  Put32(v, 2, uint32_t(v.size()));
  Put32(v, 10, 54);
  Put32(v, 14, 40);
  Put32(v, 18, uint32_t(w));
  Put32(v, 22, uint32_t(h));
  Put16(v, 26, 1);
  Put16(v, 28, bits);
  for (size_t i = 54; i < v.size(); ++i) v[i] = uint8_t(i * 37 + 11);
  return v;
}

zk::ICarrierDirect* NewBmp() { return Create<zk::ICarrierDirect>("steg.BMP", "steg.ICarrierDirect"); }

class BmpTest : public ::testing::TestWithParam<StreamKind> {
 protected:
  StreamKind kind() const { return GetParam(); }
  Ref<zk::IFileStrem> Stream(const std::vector<uint8_t>& bytes) { return Ref<zk::IFileStrem>(MakeStream(kind(), bytes)); }
  Ref<zk::ICarrierDirect> bmp{NewBmp()};
};

TEST(BmpClassTest, AnswersTheDirectInterfaceOnly) {
  Ref<zk::ICarrierDirect> b(NewBmp());
  ASSERT_NE(b.get(), nullptr);
  EXPECT_EQ(b->GetCarrierKind(), 1);
  EXPECT_STREQ(b->GetClassId(), "steg.BMP");
  void* general = nullptr;
  ASSERT_EQ(b->QueryInterface("steg.ICarrier", &general), 0);
  EXPECT_EQ(general, static_cast<void*>(b.get()));
  static_cast<zk::IBase*>(general)->Release();
  void* copy = nullptr;
  EXPECT_EQ(b->QueryInterface("steg.ICarrierCopy", &copy), zk::kNotImplemented);
  EXPECT_EQ(copy, nullptr);
  uint64_t size = 0;
  EXPECT_EQ(b->GetCapacity(nullptr, &size), zk::kInvalidArg);
  EXPECT_EQ(b->Embed(nullptr, nullptr), zk::kInvalidArg);
  EXPECT_EQ(b->Wipe(nullptr), zk::kInvalidArg);
}

TEST_P(BmpTest, CapacityFollowsWidthHeightAndDepth) {
  struct Case {
    int32_t w, h;
    uint16_t bits;
    uint64_t capacity;
  } cases[] = {{10, 10, 24, 37}, {10, 10, 16, 12}, {10, 10, 32, 50}, {1, 1, 24, 0}, {7, 3, 16, 2}};
  for (const Case& c : cases) {
    auto s = Stream(MakeBmp(c.w, c.h, c.bits));
    uint64_t capacity = 99, hidden = 99;
    ASSERT_EQ(bmp->GetCapacity(s.get(), &capacity), 0);
    ASSERT_EQ(bmp->GetHiddenSize(s.get(), &hidden), 0);
    EXPECT_EQ(capacity, c.capacity) << c.w << "x" << c.h << "x" << c.bits;
    EXPECT_EQ(hidden, c.capacity);
  }
}

TEST_P(BmpTest, RefusesWhatIsNotAnAcceptedBitmap) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    StatusCode code;
  };
  auto with = [](auto change, int32_t w = 10, int32_t h = 10, uint16_t bits = 24) {
    auto v = MakeBmp(w, h, bits);
    change(v);
    return v;
  };
  std::vector<Case> cases = {
      {"wrong size field", with([](auto& v) { Put32(v, 2, uint32_t(v.size() + 1)); }), zk::kInvalidFormat},
      {"width 37838", with([](auto& v) { Put32(v, 18, 37838); }, 1, 1), zk::kInvalidFormat},
      {"height 37838", with([](auto& v) { Put32(v, 22, 37838); }, 1, 1), zk::kInvalidFormat},
      {"8 bits", with([](auto& v) { Put16(v, 28, 8); }), zk::kInvalidFormat},
      {"RLE", with([](auto& v) { Put32(v, 30, 1); }), zk::kInvalidFormat},
      {"not BM", with([](auto& v) { v[1] = 'A'; }), zk::kInvalidFormat},
      {"header 39", with([](auto& v) { Put32(v, 14, 39); }), zk::kInvalidFormat},
      {"two planes", with([](auto& v) { Put16(v, 26, 2); }), zk::kInvalidFormat},
      {"top-down", with([](auto& v) { Put32(v, 22, uint32_t(-10)); }), zk::kInvalidFormat},
      {"width 0", with([](auto& v) { Put32(v, 18, 0); }), zk::kInvalidFormat},
      {"short header", with([](auto& v) { v.resize(53); }), zk::kInvalidFormat},
      {"empty", {}, zk::kInvalidFormat},
      // More pixels promised than the file holds: -104, never a huge read.
      {"pixels beyond the file", with([](auto& v) { Put32(v, 18, 37837); Put32(v, 22, 37837); }),
       zk::kReadError},
      {"one byte short", with([](auto& v) { v.pop_back(); Put32(v, 2, uint32_t(v.size())); }), zk::kReadError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto s = Stream(c.bytes);
    uint64_t size = 0;
    EXPECT_EQ(bmp->GetCapacity(s.get(), &size), c.code);
    Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, {1}));
    EXPECT_EQ(bmp->Embed(s.get(), data.get()), c.code);
    EXPECT_EQ(bmp->Wipe(s.get()), c.code);
    Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
    EXPECT_EQ(bmp->Extract(s.get(), out.get(), 0), c.code);
    EXPECT_EQ(StreamBytes(s.get()), c.bytes);  // never changed
  }
  // The widest accepted bitmap.
  auto s = Stream(MakeBmp(37837, 1, 24));
  uint64_t size = 0;
  EXPECT_EQ(bmp->GetCapacity(s.get(), &size), 0);
  EXPECT_EQ(size, 37837u * 3 / 8);
}

TEST_P(BmpTest, OneByteTouchesOnlyBitZeroOfTheFirstNineBytes) {
  const auto before = MakeBmp(10, 10, 24);
  auto s = Stream(before);
  Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, {0xA5}));
  ASSERT_EQ(bmp->Embed(s.get(), data.get()), 0);
  auto after = StreamBytes(s.get());
  ASSERT_EQ(after.size(), before.size());
  // 0xA5 = 10100101b, bit 0 first: 1 0 1 0 0 1 0 1 in bytes 54..61; byte 62,
  // the last place of the third pixel, keeps its bit.
  const int expect[] = {1, 0, 1, 0, 0, 1, 0, 1};
  for (size_t i = 0; i < after.size(); ++i) {
    if (i >= 54 && i < 62) {
      EXPECT_EQ(after[i], (before[i] & 0xFE) | expect[i - 54]) << i;
    } else {
      EXPECT_EQ(after[i], before[i]) << i;
    }
  }
  Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
  ASSERT_EQ(bmp->Extract(s.get(), out.get(), 1), 0);
  EXPECT_EQ(ToHex(StreamBytes(out.get())), "a5");
}

TEST_P(BmpTest, SixteenBitsUseBitZeroOfEachPixelWord) {
  const auto before = MakeBmp(10, 10, 16);
  auto s = Stream(before);
  Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, {0x0F, 0x81}));
  ASSERT_EQ(bmp->Embed(s.get(), data.get()), 0);
  auto after = StreamBytes(s.get());
  const uint16_t bits = 0x810F;
  for (size_t i = 0; i < after.size(); ++i) {
    size_t k = (i - 54) / 2;
    if (i >= 54 && (i - 54) % 2 == 0 && k < 16) {
      EXPECT_EQ(after[i], (before[i] & 0xFE) | ((bits >> k) & 1)) << i;
    } else {
      EXPECT_EQ(after[i], before[i]) << i;
    }
  }
}

TEST_P(BmpTest, RoundTripsAndRefusesTooMuch) {
  for (uint16_t depth : {16, 24, 32}) {
    SCOPED_TRACE(depth);
    auto s = Stream(MakeBmp(30, 20, depth));
    uint64_t capacity = 0;
    ASSERT_EQ(bmp->GetCapacity(s.get(), &capacity), 0);
    auto before = StreamBytes(s.get());
    // One byte over the capacity: -15, nothing changed.
    Ref<zk::IFileStrem> big(MakeStream(StreamKind::Memory, Pattern(capacity + 1, 1)));
    EXPECT_EQ(bmp->Embed(s.get(), big.get()), zk::kTooMuch);
    EXPECT_EQ(StreamBytes(s.get()), before);
    for (uint64_t n : {uint64_t(0), uint64_t(1), uint64_t(5), capacity}) {
      auto secret = Pattern(n, uint32_t(n + depth));
      Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, secret));
      ASSERT_EQ(bmp->Embed(s.get(), data.get()), 0);
      Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
      ASSERT_EQ(bmp->Extract(s.get(), out.get(), n), 0);
      EXPECT_EQ(StreamBytes(out.get()), secret);
    }
    Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
    EXPECT_EQ(bmp->Extract(s.get(), out.get(), capacity + 1), zk::kNotExecuted);
    EXPECT_TRUE(StreamBytes(out.get()).empty());
    // Wipe: every place cleared, Extract yields zeros.
    ASSERT_EQ(bmp->Wipe(s.get()), 0);
    ASSERT_EQ(bmp->Extract(s.get(), out.get(), capacity), 0);
    EXPECT_EQ(StreamBytes(out.get()), std::vector<uint8_t>(capacity, 0));
    auto wiped = StreamBytes(s.get());
    for (size_t i = 54; i < wiped.size(); ++i) {
      bool place = depth != 16 || (i - 54) % 2 == 0;
      EXPECT_EQ(wiped[i], place ? (before[i] & 0xFE) : before[i]) << i;
    }
  }
}

TEST_P(BmpTest, HidesDataFromItsPositionAndNeverHalfWrites) {
  auto s = Stream(MakeBmp(10, 10, 24));
  Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, {1, 2, 3, 4}));
  ASSERT_EQ(data->Seek(2, zk::kSeekSet), 0);
  ASSERT_EQ(bmp->Embed(s.get(), data.get()), 0);
  Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
  ASSERT_EQ(bmp->Extract(s.get(), out.get(), 2), 0);
  EXPECT_EQ(ToHex(StreamBytes(out.get())), "0304");

  // A data stream that fails while being read leaves the carrier as it was.
  auto before = StreamBytes(s.get());
  Ref<FakeStream> failing(FakeStream::Make(Pattern(30, 3)));
  failing->failReadAfter = 0;
  EXPECT_EQ(bmp->Embed(s.get(), failing.get()), zk::kReadError);
  EXPECT_EQ(StreamBytes(s.get()), before);
}

TEST_P(BmpTest, LargeCarrierIsWorkedInPieces) {
  // 200 x 150 x 32 bits: 120,000 pixel bytes, more than one 64 KiB piece.
  auto s = Stream(MakeBmp(200, 150, 32));
  uint64_t capacity = 0;
  ASSERT_EQ(bmp->GetCapacity(s.get(), &capacity), 0);
  ASSERT_EQ(capacity, 15000u);
  auto secret = Pattern(capacity, 9);
  Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, secret));
  ASSERT_EQ(bmp->Embed(s.get(), data.get()), 0);
  Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
  ASSERT_EQ(bmp->Extract(s.get(), out.get(), capacity), 0);
  EXPECT_EQ(StreamBytes(out.get()), secret);
}

INSTANTIATE_TEST_SUITE_P(Streams, BmpTest, ::testing::Values(StreamKind::Memory, StreamKind::File),
                         [](const auto& info) { return std::string(KindName(info.param)); });

// Real bitmaps written by ImageMagick stay valid for `identify` after
// Embed and after Wipe, and give the hidden bytes back exactly.
class BmpFixtureTest : public ::testing::TestWithParam<std::tuple<const char*, StreamKind>> {};

TEST_P(BmpFixtureTest, StaysAValidPictureForIdentify) {
  if (!HaveTool("identify")) GTEST_SKIP() << "ImageMagick identify is not installed";
  const auto [name, kind] = GetParam();
  const auto original = ReadFile(FixtureDir() + "/" + name);
  ASSERT_FALSE(original.empty()) << name;
  TempDir dir;
  const std::string path = dir.File("carrier.bmp");
  Ref<zk::ICarrierDirect> bmp(NewBmp());
  Ref<zk::IFileStrem> s(MakeStream(kind, original));
  uint64_t capacity = 0;
  ASSERT_EQ(bmp->GetCapacity(s.get(), &capacity), 0);
  for (uint64_t n : {uint64_t(1), std::min<uint64_t>(2048, capacity), capacity}) {
    SCOPED_TRACE(n);
    auto secret = Pattern(n, uint32_t(n));
    Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, secret));
    ASSERT_EQ(bmp->Embed(s.get(), data.get()), 0);
    auto changed = StreamBytes(s.get());
    ASSERT_EQ(changed.size(), original.size());
    for (size_t i = 0; i < changed.size(); ++i) ASSERT_EQ(changed[i] | 1, original[i] | 1) << i;
    WriteFile(path, changed);
    EXPECT_TRUE(ToolAccepts("identify -regard-warnings " + path));
    Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
    ASSERT_EQ(bmp->Extract(s.get(), out.get(), n), 0);
    EXPECT_EQ(StreamBytes(out.get()), secret);
  }
  ASSERT_EQ(bmp->Wipe(s.get()), 0);
  WriteFile(path, StreamBytes(s.get()));
  EXPECT_TRUE(ToolAccepts("identify -regard-warnings " + path));
  Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
  ASSERT_EQ(bmp->Extract(s.get(), out.get(), capacity), 0);
  EXPECT_EQ(StreamBytes(out.get()), std::vector<uint8_t>(capacity, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, BmpFixtureTest,
    ::testing::Combine(::testing::Values("bmp24_80x70.bmp", "bmp32_64x64.bmp", "bmp124_21x16.bmp"),
                       ::testing::Values(StreamKind::Memory, StreamKind::File)),
    [](const auto& info) {
      std::string n = std::get<0>(info.param);
      return n.substr(0, n.find('.')) + "_" + KindName(std::get<1>(info.param));
    });

}  // namespace
