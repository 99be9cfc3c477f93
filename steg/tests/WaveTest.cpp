// steg.WAVE over both stream kinds: capacities, refusals of damaged and
// hostile headers, the exact places (with the 24-bit drift between 64 KiB
// pieces), Wipe, and real SoX files that must still pass `sox` afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "CarrierTestSupport.h"
#include "ZkTestSupport.h"
#include "zk5Steg.h"

using namespace zktest;
using namespace stegtest;

namespace {

void Append(std::vector<uint8_t>& v, const char* tag) { v.insert(v.end(), tag, tag + 4); }
void Append16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void Append32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

struct WaveSpec {
  uint16_t bits = 16;
  uint16_t tag = 1;
  uint32_t dataBytes = 160;
  bool fmt18 = false;          // format chunk of 18 bytes with extra size 0
  bool listFirst = false;      // a "LIST" chunk before "data"
  int64_t sizeField = -1;      // the data chunk's size field, when not dataBytes
  bool secondData = false;     // another "data" chunk after the first
};

std::vector<uint8_t> MakeWave(const WaveSpec& w) {
  std::vector<uint8_t> v;
  Append(v, "RIFF");
  Append32(v, 0);
  Append(v, "WAVE");
  Append(v, "fmt ");
  Append32(v, w.fmt18 ? 18 : 16);
  Append16(v, w.tag);
  Append16(v, 1);
  Append32(v, 8000);
  Append32(v, 8000 * (w.bits / 8));
  Append16(v, w.bits / 8);
  Append16(v, w.bits);
  if (w.fmt18) Append16(v, 0);
  if (w.listFirst) {
    Append(v, "LIST");
    Append32(v, 10);
    v.insert(v.end(), {'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 0, 0});
  }
  Append(v, "data");
  Append32(v, w.sizeField >= 0 ? uint32_t(w.sizeField) : w.dataBytes);
  size_t start = v.size();
  v.resize(start + w.dataBytes);
  for (size_t i = start; i < v.size(); ++i) v[i] = uint8_t(i * 29 + 3);
  if (w.secondData) {
    Append(v, "data");
    Append32(v, 800);
    v.resize(v.size() + 800, 0x55);
  }
  uint32_t riff = uint32_t(v.size() - 8);
  std::memcpy(v.data() + 4, &riff, 4);
  return v;
}

size_t DataStart(const std::vector<uint8_t>& v) {
  for (size_t i = 12; i + 8 <= v.size(); ++i)
    if (std::memcmp(v.data() + i, "data", 4) == 0) return i + 8;
  return 0;
}

zk::ICarrierDirect* NewWave() { return Create<zk::ICarrierDirect>("steg.WAVE", "steg.ICarrierDirect"); }

class WaveTest : public ::testing::TestWithParam<StreamKind> {
 protected:
  Ref<zk::IFileStrem> Stream(const std::vector<uint8_t>& b) { return Ref<zk::IFileStrem>(MakeStream(GetParam(), b)); }
  uint64_t Capacity(const std::vector<uint8_t>& b, StatusCode expect = 0) {
    auto s = Stream(b);
    uint64_t c = 0, h = 0;
    EXPECT_EQ(wave->GetCapacity(s.get(), &c), expect);
    EXPECT_EQ(wave->GetHiddenSize(s.get(), &h), expect);
    EXPECT_EQ(c, h);
    return c;
  }
  Ref<zk::ICarrierDirect> wave{NewWave()};
};

TEST(WaveClassTest, IsADirectSoundCarrier) {
  Ref<zk::ICarrierDirect> w(NewWave());
  ASSERT_NE(w.get(), nullptr);
  EXPECT_EQ(w->GetCarrierKind(), 2);
  void* general = nullptr;
  ASSERT_EQ(w->QueryInterface("steg.ICarrier", &general), 0);
  EXPECT_EQ(general, static_cast<void*>(w.get()));
  static_cast<zk::IBase*>(general)->Release();
  void* copy = nullptr;
  EXPECT_EQ(w->QueryInterface("steg.ICarrierCopy", &copy), zk::kNotImplemented);
  Ref<zk::IFileStrem> s(MakeStream(StreamKind::Memory, MakeWave({})));
  EXPECT_EQ(w->Extract(s.get(), nullptr, 1), zk::kInvalidArg);
  EXPECT_EQ(w->Embed(s.get(), nullptr), zk::kInvalidArg);
  EXPECT_EQ(w->Wipe(nullptr), zk::kInvalidArg);
}

TEST_P(WaveTest, CapacityOfTheFirstDataChunk) {
  WaveSpec mono16;
  mono16.dataBytes = 160000;
  EXPECT_EQ(Capacity(MakeWave(mono16)), 10000u);
  WaveSpec eight;
  eight.bits = 8;
  eight.dataBytes = 17;
  EXPECT_EQ(Capacity(MakeWave(eight)), 2u);
  WaveSpec withList = mono16;
  withList.listFirst = true;
  withList.fmt18 = true;
  EXPECT_EQ(Capacity(MakeWave(withList)), 10000u);
  WaveSpec two;
  two.secondData = true;  // only the first chunk counts
  EXPECT_EQ(Capacity(MakeWave(two)), 10u);
  WaveSpec clamped;
  clamped.sizeField = 0xFFFFFFF0;  // cut to the 160 bytes really there
  EXPECT_EQ(Capacity(MakeWave(clamped)), 10u);
  WaveSpec wide;
  wide.bits = 24;
  wide.dataBytes = 70000;
  EXPECT_EQ(Capacity(MakeWave(wide)), 2916u);
}

TEST_P(WaveTest, RefusesDamagedAndHostileHeaders) {
  auto base = MakeWave({});
  auto with = [&](auto change) {
    auto v = base;
    change(v);
    return v;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  WaveSpec floatTag;
  floatTag.tag = 3;
  WaveSpec fourBits;
  fourBits.bits = 4;
  WaveSpec noRoom;
  noRoom.dataBytes = 15;  // 7 samples
  std::vector<Case> cases = {
      {"floating point", MakeWave(floatTag)},
      {"4 bits per sample", MakeWave(fourBits)},
      {"not RIFF", with([](auto& v) { v[0] = 'X'; })},
      {"not WAVE", with([](auto& v) { v[8] = 'X'; })},
      {"no fmt", with([](auto& v) { v[12] = 'X'; })},
      {"short", with([](auto& v) { v.resize(30); })},
      {"empty", {}},
      {"no data chunk", with([](auto& v) { v[36] = 'X'; })},
      {"no room", MakeWave(noRoom)},
      {"chunk header cut", with([](auto& v) { v.resize(40); })},
      // A chunk claiming 4 GiB before the data: no seek past the end, no loop.
      {"huge chunk", with([](auto& v) {
         v[36] = 'J';
         uint8_t extra[12] = {'J', 'U', 'N', 'K', 0xFF, 0xFF, 0xFF, 0xFF, 'd', 'a', 't', 'a'};
         v.insert(v.begin() + 36, extra, extra + 8);
       })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Capacity(c.bytes, zk::kInvalidFormat);
    auto s = Stream(c.bytes);
    Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, {1}));
    EXPECT_EQ(wave->Embed(s.get(), data.get()), zk::kInvalidFormat);
    EXPECT_EQ(wave->Wipe(s.get()), zk::kInvalidFormat);
    Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
    EXPECT_EQ(wave->Extract(s.get(), out.get(), 0), zk::kInvalidFormat);
    EXPECT_EQ(StreamBytes(s.get()), c.bytes);
  }
}

TEST_P(WaveTest, EmbedTouchesBitZeroOfTheFirstSamplesOnly) {
  WaveSpec shape;
  shape.dataBytes = 1000;
  shape.secondData = true;
  const auto before = MakeWave(shape);
  const size_t start = DataStart(before);
  auto s = Stream(before);
  Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, {0xA5, 0x01}));
  ASSERT_EQ(wave->Embed(s.get(), data.get()), 0);
  auto after = StreamBytes(s.get());
  const uint32_t bits = 0x01A5;
  for (size_t i = 0; i < after.size(); ++i) {
    size_t k = (i - start) / 2;
    if (i >= start && (i - start) % 2 == 0 && k < 16) {
      EXPECT_EQ(after[i], (before[i] & 0xFE) | ((bits >> k) & 1)) << i;
    } else {
      EXPECT_EQ(after[i], before[i]) << i;
    }
  }
  Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
  ASSERT_EQ(wave->Extract(s.get(), out.get(), 2), 0);
  EXPECT_EQ(ToHex(StreamBytes(out.get())), "a501");
  EXPECT_EQ(wave->Extract(s.get(), out.get(), 63), zk::kInvalidArg);  // capacity 62
  Ref<zk::IFileStrem> big(MakeStream(StreamKind::Memory, Pattern(63, 1)));
  EXPECT_EQ(wave->Embed(s.get(), big.get()), zk::kTooMuch);
}

TEST_P(WaveTest, TwentyFourBitPlacesStartAgainInEveryPiece) {
  WaveSpec shape;
  shape.bits = 24;
  shape.dataBytes = 70000;
  const auto before = MakeWave(shape);
  auto s = Stream(before);
  ASSERT_EQ(wave->Wipe(s.get()), 0);
  Ref<zk::IFileStrem> ones(MakeStream(StreamKind::Memory, std::vector<uint8_t>(2916, 0xFF)));
  ASSERT_EQ(wave->Embed(s.get(), ones.get()), 0);
  auto after = StreamBytes(s.get());
  const size_t start = DataStart(after);
  // 21,846 places at 0, 3, ..., 65,535 in the first piece; the other 1,482
  // at 65,536, 65,539, ... in the second.
  for (size_t off = 0; off < 70000; ++off) {
    size_t inPiece = off % 65536;
    bool place = inPiece % 3 == 0;
    bool used = place && (off < 65536 || inPiece / 3 < 1482);
    uint8_t b = before[start + off];
    ASSERT_EQ(after[start + off], used ? b | 1 : place ? b & 0xFE : b) << off;
  }
  Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
  ASSERT_EQ(wave->Extract(s.get(), out.get(), 2916), 0);
  EXPECT_EQ(StreamBytes(out.get()), std::vector<uint8_t>(2916, 0xFF));
}

TEST_P(WaveTest, RoundTripsAndWipesToZeros) {
  for (uint16_t bits : {8, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    WaveSpec shape;
    shape.bits = bits;
    shape.dataBytes = 140000;  // three pieces
    shape.listFirst = true;
    auto s = Stream(MakeWave(shape));
    uint64_t capacity = 0;
    ASSERT_EQ(wave->GetCapacity(s.get(), &capacity), 0);
    for (uint64_t n : {uint64_t(0), uint64_t(1), uint64_t(777), capacity}) {
      auto secret = Pattern(n, uint32_t(n * bits));
      Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, secret));
      ASSERT_EQ(wave->Embed(s.get(), data.get()), 0);
      Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
      ASSERT_EQ(wave->Extract(s.get(), out.get(), n), 0);
      EXPECT_EQ(StreamBytes(out.get()), secret);
    }
    ASSERT_EQ(wave->Wipe(s.get()), 0);
    Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
    ASSERT_EQ(wave->Extract(s.get(), out.get(), capacity), 0);
    EXPECT_EQ(StreamBytes(out.get()), std::vector<uint8_t>(capacity, 0));
  }
}

TEST_P(WaveTest, FailingDataLeavesTheCarrierAlone) {
  auto s = Stream(MakeWave({}));
  auto before = StreamBytes(s.get());
  Ref<FakeStream> failing(FakeStream::Make(Pattern(5, 3)));
  failing->failReadAfter = 0;
  EXPECT_EQ(wave->Embed(s.get(), failing.get()), zk::kReadError);
  EXPECT_EQ(StreamBytes(s.get()), before);
}

INSTANTIATE_TEST_SUITE_P(Streams, WaveTest, ::testing::Values(StreamKind::Memory, StreamKind::File),
                         [](const auto& info) { return std::string(KindName(info.param)); });

class WaveFixtureTest : public ::testing::TestWithParam<std::tuple<const char*, StreamKind>> {};

bool SoxAccepts(const std::string& path) {
  // Reads the header and decodes every sample.
  return ToolAccepts("sox --i " + path) && ToolAccepts("sox " + path + " -n");
}

TEST_P(WaveFixtureTest, StaysAValidSoundForSox) {
  if (!HaveTool("sox")) GTEST_SKIP() << "sox is not installed";
  const auto [name, kind] = GetParam();
  const auto original = ReadFile(FixtureDir() + "/" + name);
  ASSERT_FALSE(original.empty()) << name;
  TempDir dir;
  const std::string path = dir.File("carrier.wav");
  Ref<zk::ICarrierDirect> wave(NewWave());
  Ref<zk::IFileStrem> s(MakeStream(kind, original));
  uint64_t capacity = 0;
  ASSERT_EQ(wave->GetCapacity(s.get(), &capacity), 0);
  for (uint64_t n : {uint64_t(1), uint64_t(2048), capacity}) {
    SCOPED_TRACE(n);
    auto secret = Pattern(n, uint32_t(n));
    Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, secret));
    ASSERT_EQ(wave->Embed(s.get(), data.get()), 0);
    auto changed = StreamBytes(s.get());
    ASSERT_EQ(changed.size(), original.size());
    for (size_t i = 0; i < changed.size(); ++i) ASSERT_EQ(changed[i] | 1, original[i] | 1) << i;
    WriteFile(path, changed);
    EXPECT_TRUE(SoxAccepts(path));
    Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
    ASSERT_EQ(wave->Extract(s.get(), out.get(), n), 0);
    EXPECT_EQ(StreamBytes(out.get()), secret);
  }
  ASSERT_EQ(wave->Wipe(s.get()), 0);
  WriteFile(path, StreamBytes(s.get()));
  EXPECT_TRUE(SoxAccepts(path));
  Ref<zk::IFileStrem> out(MakeStream(StreamKind::Memory, {}));
  ASSERT_EQ(wave->Extract(s.get(), out.get(), capacity), 0);
  EXPECT_EQ(StreamBytes(out.get()), std::vector<uint8_t>(capacity, 0));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, WaveFixtureTest,
                         ::testing::Combine(::testing::Values("wav8_mono.wav", "wav16_mono.wav"),
                                            ::testing::Values(StreamKind::Memory, StreamKind::File)),
                         [](const auto& info) {
                           std::string n = std::get<0>(info.param);
                           return n.substr(0, n.find('.')) + "_" + KindName(std::get<1>(info.param));
                         });

}  // namespace
