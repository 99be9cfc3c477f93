// steg.PNG over both stream kinds: the pinned hidden-data chunk, "tEXt"
// handling, malformed files, and real PNGs checked with ImageMagick.
#include <gtest/gtest.h>

#include <cstring>

#include "PngCarrier.h"
#include "CarrierTestSupport.h"

using namespace zktest;
using namespace stegtest;

namespace {

std::vector<uint8_t> Chunk(const char* type, const std::vector<uint8_t>& data) {
  uint32_t table[256];
  zk::steg::Png::BuildCrcTable(table);
  std::vector<uint8_t> c = {uint8_t(data.size() >> 24), uint8_t(data.size() >> 16),
                            uint8_t(data.size() >> 8), uint8_t(data.size())};
  for (int i = 0; i < 4; ++i) c.push_back(uint8_t(type[i]));
  c.insert(c.end(), data.begin(), data.end());
  uint32_t crc = zk::steg::Png::Crc(table, 0xFFFFFFFFu, c.data() + 4, c.size() - 4) ^ 0xFFFFFFFFu;
  c.push_back(uint8_t(crc >> 24));
  c.push_back(uint8_t(crc >> 16));
  c.push_back(uint8_t(crc >> 8));
  c.push_back(uint8_t(crc));
  return c;
}
std::vector<uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

const std::vector<uint8_t> kSig = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

// A small hand-made PNG: IHDR, IDAT, IEND (the picture bytes are not looked at).
std::vector<uint8_t> Small() {
  auto ihdr = zktest::FromHex("00000001 00000001 08 00 00 00 00");
  return Cat(Cat(Cat(kSig, Chunk("IHDR", ihdr)), Chunk("IDAT", {1, 2, 3})), Chunk("IEND", {}));
}

// Chunks of a PNG as (type, whole chunk bytes).
std::vector<std::pair<std::string, std::vector<uint8_t>>> Chunks(const std::vector<uint8_t>& f) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
  size_t p = 8;
  while (p + 12 <= f.size()) {
    size_t len = (size_t(f[p]) << 24) | (size_t(f[p + 1]) << 16) | (size_t(f[p + 2]) << 8) | f[p + 3];
    if (p + 12 + len > f.size()) break;
    out.emplace_back(std::string(f.begin() + p + 4, f.begin() + p + 8),
                     std::vector<uint8_t>(f.begin() + p, f.begin() + p + 12 + len));
    p += 12 + len;
  }
  return out;
}

class PngCarrier : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override { png_.reset(NewCarrier(zk::id::StegPNG)); ASSERT_TRUE(png_); }
  struct Holder {
    zk::ICarrierCopy* p = nullptr;
    ~Holder() { if (p) p->Release(); }
    void reset(zk::ICarrierCopy* q) { p = q; }
    zk::ICarrierCopy* operator->() { return p; }
    explicit operator bool() const { return p != nullptr; }
  } png_;
  Streams s_{GetParam()};

  std::vector<uint8_t> Embed(const std::vector<uint8_t>& carrier, const std::vector<uint8_t>& data,
                             StatusCode want = 0) {
    auto* c = s_.Make(carrier);
    auto* d = s_.Make(data);
    auto* o = s_.Make();
    EXPECT_EQ(png_->Embed(c, d, o), want);
    return Bytes(o);
  }
  std::vector<uint8_t> Wipe(const std::vector<uint8_t>& carrier) {
    auto* c = s_.Make(carrier);
    auto* o = s_.Make();
    EXPECT_EQ(png_->Wipe(c, o), 0);
    return Bytes(o);
  }
  uint64_t Hidden(const std::vector<uint8_t>& carrier) {
    uint64_t n = 12345;
    EXPECT_EQ(png_->GetHiddenSize(s_.Make(carrier), &n), 0);
    return n;
  }
};

TEST_P(PngCarrier, KindCapacityAndInterfaces) {
  EXPECT_EQ(png_->GetCarrierKind(), 1);
  uint64_t cap = 0;
  EXPECT_EQ(png_->GetCapacity(s_.Make(Small()), &cap), 0);
  EXPECT_EQ(cap, 0x7FFFFFFEu);
  void* p = nullptr;
  ASSERT_EQ(png_->QueryInterface(zk::id::StegICarrier, &p), 0);
  EXPECT_EQ(p, static_cast<void*>(png_.p));
  static_cast<zk::IBase*>(p)->Release();
  EXPECT_EQ(png_->QueryInterface(zk::id::StegICarrierDirect, &p), -7);
  EXPECT_STREQ(png_->GetClassId(), "steg.PNG");
}

// Five bytes after IEND: length 14, "tEXt", "Comment", 0, 0, the bytes and
// the CRC (the value zlib's crc32 gives for type and data).
TEST_P(PngCarrier, EmbedFiveBytesPinned) {
  auto out = Embed(Small(), Text("hello"));
  auto want = Cat(Small(), zktest::FromHex("0000000E 74455874 436F6D6D656E74 00 00 68656C6C6F 79F8DDF4"));
  EXPECT_EQ(zktest::ToHex(out), zktest::ToHex(want));
  EXPECT_EQ(Hidden(out), 5u);
  auto* o = s_.Make(out);
  auto* x = s_.Make();
  EXPECT_EQ(png_->Extract(o, x, 5), 0);
  EXPECT_EQ(Bytes(x), Text("hello"));
}

TEST_P(PngCarrier, OrdinaryCommentCountsButIsDropped) {
  auto comment = Text(std::string("Comment") + '\0' + "twelve bytes");  // 20 data bytes
  ASSERT_EQ(comment.size(), 20u);
  auto f = Small();
  auto text = Chunk("tEXt", comment);
  f.insert(f.begin() + 8 + 25, text.begin(), text.end());
  EXPECT_EQ(Hidden(f), 11u);
  EXPECT_EQ(Wipe(f), Small());
  EXPECT_EQ(Embed(f, {}), Small());  // empty data: no hidden chunk at all
  auto e = Embed(f, Text("xyz"));
  EXPECT_EQ(std::vector<uint8_t>(e.begin(), e.begin() + Small().size()), Small());
  EXPECT_EQ(Hidden(e), 3u);
}

// "tEXt" chunks too short for the keyword (or with nothing after it) do
// not count; the first one that qualifies does.
TEST_P(PngCarrier, ShortTextChunksDoNotQualify) {
  auto f = Small();
  auto tail = Cat(Cat(Chunk("tEXt", Text("Comm")), Chunk("tEXt", Text(std::string("Comment") + '\0'))),
                  Chunk("tEXt", Text(std::string("Comment") + '\0' + '\0' + "ab")));
  f = Cat(f, tail);
  EXPECT_EQ(Hidden(f), 2u);
  auto* x = s_.Make();
  EXPECT_EQ(png_->Extract(s_.Make(f), x, 2), 0);
  EXPECT_EQ(Bytes(x), Text("ab"));
  // A keyword that only starts like "Comment" is no comment.
  EXPECT_EQ(Hidden(Cat(Small(), Chunk("tEXt", Text(std::string("Comments") + '\0' + "x")))), 0u);
  EXPECT_EQ(Hidden(Small()), 0u);
}

TEST_P(PngCarrier, ExtractCounts) {
  auto data = LcgPattern(1000);
  auto e = Embed(Small(), data);
  auto* x = s_.Make();
  EXPECT_EQ(png_->Extract(s_.Make(e), x, 10), 0);
  EXPECT_EQ(Bytes(x), std::vector<uint8_t>(data.begin(), data.begin() + 10));
  auto* y = s_.Make();
  EXPECT_EQ(png_->Extract(s_.Make(e), y, 1001), -15);  // no chunk holds that much
  EXPECT_TRUE(Bytes(y).empty());
  EXPECT_EQ(png_->Extract(s_.Make(e), y, 0x7FFFFFFFu), -2);
  EXPECT_EQ(png_->Extract(s_.Make(e), y, 0), 0);
  EXPECT_EQ(png_->Extract(s_.Make(Small()), y, 1), -15);
  EXPECT_EQ(png_->Extract(nullptr, y, 1), -2);
  EXPECT_EQ(png_->Extract(s_.Make(e), nullptr, 1), -2);
}

// More than one 64 KiB piece of hidden data, and an output longer before.
TEST_P(PngCarrier, LargeDataAndOutputCut) {
  auto data = LcgPattern(200000);
  auto* c = s_.Make(Small());
  auto* d = s_.Make(data);
  auto* o = s_.Make(LcgPattern(300000, 3));
  ASSERT_EQ(png_->Embed(c, d, o), 0);
  auto out = Bytes(o);
  ASSERT_EQ(out.size(), Small().size() + 12 + 9 + data.size());
  auto chunks = Chunks(out);
  ASSERT_EQ(chunks.size(), 4u);
  EXPECT_EQ(chunks[3].second, Chunk("tEXt", Cat(Text(std::string("Comment") + '\0' + '\0'), data)));
  auto* x = s_.Make();
  EXPECT_EQ(png_->Extract(s_.Make(out), x, data.size()), 0);
  EXPECT_EQ(Bytes(x), data);
  // A second Embed replaces the first.
  EXPECT_EQ(Embed(out, Text("hello")), Embed(Small(), Text("hello")));
}

TEST_P(PngCarrier, MalformedFiles) {
  uint64_t n = 0;
  for (int i = 0; i < 8; ++i) {
    auto f = Small();
    f[i] ^= 0x20;
    EXPECT_EQ(png_->GetCapacity(s_.Make(f), &n), -14) << i;
  }
  auto f = Small();
  EXPECT_EQ(png_->GetCapacity(s_.Make({f.begin(), f.begin() + 5}), &n), -14);
  EXPECT_EQ(png_->GetCapacity(s_.Make({f.begin(), f.end() - 2}), &n), -14);  // CRC cut short
  EXPECT_EQ(png_->GetCapacity(s_.Make({f.begin(), f.end() - 6}), &n), -14);  // header cut short
  auto big = f;
  big[8 + 25 + 3] = 0x40;  // IDAT length beyond the rest of the file
  for (auto* carrier : {s_.Make(big)}) {
    EXPECT_EQ(png_->GetCapacity(carrier, &n), -14);
    EXPECT_EQ(png_->GetHiddenSize(carrier, &n), -14);
    auto* o = s_.Make(Text("untouched"));
    EXPECT_EQ(png_->Wipe(carrier, o), -14);
    EXPECT_EQ(png_->Embed(carrier, s_.Make(Text("x")), o), -14);
    EXPECT_EQ(Bytes(o), Text("untouched"));
  }
  auto huge = f;
  huge[8 + 25] = 0xFF;  // a length near 4 GiB
  EXPECT_EQ(png_->GetCapacity(s_.Make(huge), &n), -14);
  EXPECT_EQ(png_->GetCapacity(s_.Make(), &n), -14);
  EXPECT_EQ(png_->GetCapacity(nullptr, &n), -2);
}

TEST_P(PngCarrier, AbsentOrIdenticalStreams) {
  auto* c = s_.Make(Small());
  auto* d = s_.Make(Text("x"));
  EXPECT_EQ(png_->Embed(nullptr, d, s_.Make()), -2);
  EXPECT_EQ(png_->Embed(c, nullptr, s_.Make()), -2);
  EXPECT_EQ(png_->Embed(c, d, nullptr), -2);
  EXPECT_EQ(png_->Embed(c, d, c), -2);
  EXPECT_EQ(png_->Wipe(c, c), -2);
  EXPECT_EQ(png_->Wipe(nullptr, d), -2);
  EXPECT_EQ(Bytes(c), Small());
}

// Real PNGs (several colour types, one with "tEXt" chunks of its own):
// after Embed and Wipe ImageMagick still reads them, and every chunk other
// than "tEXt" is there byte for byte, in order.
TEST_P(PngCarrier, RealFilesStayValid) {
  const bool tool = HaveTool("identify");
  for (const char* name : {"png_gray.png", "png_rgb.png", "png_palette.png", "png_rgba.png"}) {
    SCOPED_TRACE(name);
    auto f = Fixture(name);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> kept;
    for (auto& c : Chunks(f))
      if (c.first != "tEXt") kept.push_back(c);
    auto data = LcgPattern(3000);
    auto e = Embed(f, data);
    auto w = Wipe(e);
    auto ec = Chunks(e);
    ASSERT_EQ(ec.size(), kept.size() + 1);
    EXPECT_EQ(std::vector(ec.begin(), ec.end() - 1), kept);
    EXPECT_EQ(Chunks(w), kept);
    EXPECT_EQ(Hidden(e), 3000u);
    EXPECT_EQ(Hidden(w), 0u);
    auto* x = s_.Make();
    EXPECT_EQ(png_->Extract(s_.Make(e), x, 3000), 0);
    EXPECT_EQ(Bytes(x), data);
    if (tool) {
      EXPECT_EQ(RunOn("identify -regard-warnings", e, "e.png"), 0);
      EXPECT_EQ(RunOn("identify -regard-warnings", w, "w.png"), 0);
    }
  }
  if (!tool) GTEST_SKIP() << "identify is not installed";
}

INSTANTIATE_TEST_SUITE_P(Streams, PngCarrier, ::testing::Values(Kind::Mem, Kind::File),
                         [](const auto& info) { return KindName(info.param); });

}  // namespace
