// steg.JPEG over both stream kinds: hidden-data segments before the start
// of scan, comments, malformed markers, and a real JFIF file checked with
// ImageMagick.
#include <gtest/gtest.h>

#include <filesystem>

#include "CarrierTestSupport.h"

using namespace zktest;
using namespace stegtest;

namespace {

std::vector<uint8_t> Seg(uint8_t marker, const std::vector<uint8_t>& payload) {
  size_t l = payload.size() + 2;
  std::vector<uint8_t> s = {0xFF, marker, uint8_t(l >> 8), uint8_t(l)};
  return Cat(s, payload);
}
std::vector<uint8_t> Str(const std::string& s) { return {s.begin(), s.end()}; }

const std::vector<uint8_t> kSoi = {0xFF, 0xD8};
const std::vector<uint8_t> kApp0 = Seg(0xE0, zktest::FromHex("4A464946 00 0101 00 0001 0001 0000"));
const std::vector<uint8_t> kDqt = Seg(0xDB, {0xAA, 0xBB, 0xCC});
// Start of scan, entropy-coded bytes (with a stuffed 0xFF 0x00), end of image.
const std::vector<uint8_t> kScan =
    Cat(Seg(0xDA, {1, 2, 3, 4, 5, 6}), zktest::FromHex("1234 FF00 5678 FFD9"));

std::vector<uint8_t> Jpeg(const std::vector<uint8_t>& middle) {
  return Cat(Cat(Cat(Cat(kSoi, kApp0), kDqt), middle), kScan);
}
std::vector<uint8_t> Plain() { return Jpeg({}); }

// Marker segments before the start of scan as (marker, whole segment).
std::vector<std::pair<int, std::vector<uint8_t>>> Segments(const std::vector<uint8_t>& f, size_t* sos) {
  std::vector<std::pair<int, std::vector<uint8_t>>> out;
  size_t p = 2;
  while (p + 4 <= f.size() && f[p] == 0xFF && f[p + 1] != 0xDA) {
    size_t l = (size_t(f[p + 2]) << 8) | f[p + 3];
    out.emplace_back(f[p + 1], std::vector<uint8_t>(f.begin() + p, f.begin() + p + 2 + l));
    p += 2 + l;
  }
  if (sos) *sos = p;
  return out;
}

class JpegCarrier : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override { ASSERT_TRUE(jpeg_); }
  Ref<zk::ICarrierCopy> jpeg_{NewCarrier(zk::id::StegJPEG)};
  Streams s_{GetParam()};

  std::vector<uint8_t> Embed(const std::vector<uint8_t>& carrier, const std::vector<uint8_t>& data) {
    auto* o = s_.Make();
    EXPECT_EQ(jpeg_->Embed(s_.Make(carrier), s_.Make(data), o), 0);
    return Bytes(o);
  }
  std::vector<uint8_t> Wipe(const std::vector<uint8_t>& carrier) {
    auto* o = s_.Make();
    EXPECT_EQ(jpeg_->Wipe(s_.Make(carrier), o), 0);
    return Bytes(o);
  }
  uint64_t Hidden(const std::vector<uint8_t>& carrier) {
    uint64_t n = 12345;
    EXPECT_EQ(jpeg_->GetHiddenSize(s_.Make(carrier), &n), 0);
    return n;
  }
  uint64_t Capacity(const std::vector<uint8_t>& carrier) {
    uint64_t n = 12345;
    EXPECT_EQ(jpeg_->GetCapacity(s_.Make(carrier), &n), 0);
    return n;
  }
};

// 70,000 bytes: segments of 65,532 and 4,468 hidden bytes, directly before
// the start of scan, each COM length = bytes + 3 and a 0x00 first.
TEST_P(JpegCarrier, SeventyThousandBytesTwoSegments) {
  auto data = LcgPattern(70000);
  auto out = Embed(Plain(), data);
  auto want = Cat(Cat(Cat(Cat(Cat(kSoi, kApp0), kDqt), zktest::FromHex("FFFE FFFF 00")),
                      std::vector<uint8_t>(data.begin(), data.begin() + 65532)),
                  Cat(zktest::FromHex("FFFE 1177 00"), std::vector<uint8_t>(data.begin() + 65532, data.end())));
  want = Cat(want, kScan);
  ASSERT_EQ(out.size(), want.size());
  EXPECT_TRUE(out == want);
  EXPECT_EQ(Hidden(out), 70000u);
  auto* x = s_.Make();
  EXPECT_EQ(jpeg_->Extract(s_.Make(out), x, 70000), 0);
  EXPECT_TRUE(Bytes(x) == data);
  auto* y = s_.Make();
  EXPECT_EQ(jpeg_->Extract(s_.Make(out), y, 65540), 0);  // across the segment boundary
  EXPECT_TRUE(Bytes(y) == std::vector<uint8_t>(data.begin(), data.begin() + 65540));
  EXPECT_EQ(Wipe(out), Plain());
  EXPECT_EQ(Hidden(Wipe(out)), 0u);
}

TEST_P(JpegCarrier, CommentsCountInCapacityNotInHiddenSize) {
  auto comment = Seg(0xFE, Str("a comment"));       // first byte not 0
  auto lone = Seg(0xFE, {0x00});                     // just one 0x00: not hidden data
  auto hidden = Seg(0xFE, {0x00, 'h', 'i'});
  auto f = Jpeg(Cat(Cat(comment, lone), hidden));
  EXPECT_EQ(Capacity(f), 0x7FFFFFFFu - f.size() + 9 + 1 + 3);
  EXPECT_EQ(Capacity(Plain()), 0x7FFFFFFFu - Plain().size());
  EXPECT_EQ(Hidden(f), 2u);
  EXPECT_EQ(Wipe(f), Plain());
  EXPECT_EQ(Embed(f, {}), Plain());
  EXPECT_EQ(Embed(f, Str("new")), Jpeg(Seg(0xFE, Str(std::string(1, '\0') + "new"))));
  auto* x = s_.Make();
  EXPECT_EQ(jpeg_->Extract(s_.Make(f), x, 2), 0);
  EXPECT_EQ(Bytes(x), Str("hi"));
}

// Fill bytes and markers without a length before the start of scan: fill
// bytes are dropped, the rest copied; lengths are rewritten from payloads.
TEST_P(JpegCarrier, FillBytesAndBareMarkers) {
  auto middle = Cat(zktest::FromHex("FF FF FF DD 0004 0010"), zktest::FromHex("FF D3"));
  auto f = Jpeg(middle);
  auto want = Jpeg(zktest::FromHex("FFDD 0004 0010 FFD3"));
  EXPECT_EQ(Wipe(f), want);
  EXPECT_EQ(Hidden(f), 0u);
}

TEST_P(JpegCarrier, ExtractFailures) {
  auto out = Embed(Plain(), Str("secret"));
  auto* x = s_.Make();
  EXPECT_EQ(jpeg_->Extract(s_.Make(out), x, 7), -15);  // fewer hidden bytes than asked
  EXPECT_EQ(jpeg_->Extract(s_.Make(out), x, 0), 0);
  EXPECT_EQ(jpeg_->Extract(s_.Make(out), x, 0x7FFFFFFFu), -2);  // above the capacity
  EXPECT_EQ(jpeg_->Extract(nullptr, x, 1), -2);
  EXPECT_EQ(jpeg_->Extract(s_.Make(out), nullptr, 1), -2);
  auto* y = s_.Make();
  EXPECT_EQ(jpeg_->Extract(s_.Make(out), y, 6), 0);
  EXPECT_EQ(Bytes(y), Str("secret"));
}

TEST_P(JpegCarrier, RefusedFiles) {
  uint64_t n = 0;
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"EXIF APP1 first", Cat(Cat(kSoi, Seg(0xE1, Str("Exif\0\0xxxxxx"))), kScan)},
      {"APP0 not JFIF", Cat(Cat(kSoi, Seg(0xE0, Str("JFXX\0abc"))), kScan)},
      {"APP0 of 4 bytes", Cat(Cat(kSoi, Seg(0xE0, Str("JFIF"))), kScan)},
      {"no start of image", Cat(zktest::FromHex("FFD9"), kApp0)},
      {"length 1", Jpeg(zktest::FromHex("FFDB 0001"))},
      {"length 0", Jpeg(zktest::FromHex("FFDB 0000"))},
      {"not a marker", Jpeg(zktest::FromHex("00"))},
      {"payload past the end", Cat(Cat(Cat(kSoi, kApp0), kDqt), zktest::FromHex("FFDB 0100 01"))},
      {"no start of scan", Cat(Cat(kSoi, kApp0), kDqt)},
      {"cut in a marker", Cat(Cat(kSoi, kApp0), zktest::FromHex("FF"))},
      {"empty", {}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto* carrier = s_.Make(c.bytes);
    EXPECT_EQ(jpeg_->GetCapacity(carrier, &n), -14);
    EXPECT_EQ(jpeg_->GetHiddenSize(carrier, &n), -14);
    auto* o = s_.Make(Str("untouched"));
    EXPECT_EQ(jpeg_->Embed(carrier, s_.Make(Str("x")), o), -14);
    EXPECT_EQ(jpeg_->Wipe(carrier, o), -14);
    EXPECT_EQ(Bytes(o), Str("untouched"));
  }
  auto* c = s_.Make(Plain());
  EXPECT_EQ(jpeg_->Embed(c, s_.Make(Str("x")), c), -2);
  EXPECT_EQ(jpeg_->Wipe(c, c), -2);
  EXPECT_EQ(jpeg_->Embed(c, nullptr, s_.Make()), -2);
  EXPECT_EQ(jpeg_->GetCapacity(nullptr, &n), -2);
  EXPECT_EQ(jpeg_->GetCarrierKind(), 1);
}

// A real baseline JFIF file from ImageMagick with a comment: after Embed
// and Wipe it still reads, every non-comment segment and the scan data are
// unchanged, and the comment is gone.
TEST_P(JpegCarrier, RealFileStaysValid) {
  auto f = Fixture("jpeg_jfif.jpg");
  size_t sos = 0;
  std::vector<std::pair<int, std::vector<uint8_t>>> kept;
  int comments = 0;
  for (auto& seg : Segments(f, &sos)) {
    if (seg.first == 0xFE) ++comments;
    else kept.push_back(seg);
  }
  ASSERT_EQ(comments, 1);
  std::vector<uint8_t> scan(f.begin() + sos, f.end());
  auto data = LcgPattern(5000);
  auto e = Embed(f, data);
  auto w = Wipe(e);
  size_t esos = 0, wsos = 0;
  auto es = Segments(e, &esos);
  ASSERT_EQ(es.size(), kept.size() + 1);
  EXPECT_EQ(es.back().first, 0xFE);
  es.pop_back();
  EXPECT_EQ(es, kept);
  EXPECT_EQ(Segments(w, &wsos), kept);
  EXPECT_EQ(std::vector<uint8_t>(e.begin() + esos, e.end()), scan);
  EXPECT_EQ(std::vector<uint8_t>(w.begin() + wsos, w.end()), scan);
  EXPECT_EQ(Hidden(e), 5000u);
  auto* x = s_.Make();
  EXPECT_EQ(jpeg_->Extract(s_.Make(e), x, 5000), 0);
  EXPECT_EQ(Bytes(x), data);
  if (!HaveTool("identify")) GTEST_SKIP() << "identify is not installed";
  EXPECT_EQ(RunOn("identify -regard-warnings", e, "e.jpg"), 0);
  EXPECT_EQ(RunOn("identify -regard-warnings", w, "w.jpg"), 0);
}

INSTANTIATE_TEST_SUITE_P(Streams, JpegCarrier, ::testing::Values(Kind::Mem, Kind::File),
                         [](const auto& info) { return KindName(info.param); });

// A carrier file larger than 2 GiB (sparse): sizes are taken in 64 bits and
// the capacity does not go below 0.
TEST(JpegCarrierLarge, CapacityNeverNegative) {
  Streams s(Kind::File);
  Ref<zk::ICarrierCopy> jpeg(NewCarrier(zk::id::StegJPEG));
  auto* c = s.Make(Plain());
  ASSERT_EQ(c->Seek(0x80000010LL, zk::kSeekSet), 0);
  uint8_t z = 0;
  ASSERT_EQ(c->Write(&z, 1), 0);
  uint64_t n = 1;
  EXPECT_EQ(jpeg->GetCapacity(c, &n), 0);
  EXPECT_EQ(n, 0u);
  auto* o = s.Make();
  EXPECT_EQ(jpeg->Embed(c, s.Make(Str("x")), o), -15);
}

}  // namespace
