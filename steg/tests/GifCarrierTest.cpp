// steg.GIF over both stream kinds: the hidden-data block, application
// extensions, colour tables, malformed files, and real GIFs checked with
// ImageMagick.
#include <gtest/gtest.h>

#include "GifCarrier.h"
#include "CarrierTestSupport.h"

using namespace zktest;
using namespace stegtest;

namespace {

using Bytes_ = std::vector<uint8_t>;

// Blocks of a GIF after the screen descriptor and global table, as
// (introducer and label, whole block bytes); the trailer is the last.
std::vector<std::pair<int, Bytes_>> Blocks(const Bytes_& f) {
  std::vector<std::pair<int, Bytes_>> out;
  size_t p = 13;
  if (f.size() < 13) return out;
  if (f[10] & 0x80) p += 3u << ((f[10] & 7) + 1);
  auto subs = [&](size_t q) {
    while (q < f.size() && f[q] != 0) q += 1 + f[q];
    return q + 1;
  };
  while (p < f.size()) {
    size_t s = p;
    int kind = f[p];
    if (f[p] == 0x3B) {
      out.emplace_back(kind, Bytes_{0x3B});
      break;
    } else if (f[p] == 0x21) {
      kind = 0x2100 | f[p + 1];
      p = subs(p + 2);
    } else if (f[p] == 0x2C) {
      size_t q = p + 10;
      if (f[p + 9] & 0x80) q += 3u << ((f[p + 9] & 7) + 1);
      p = subs(q + 1);
    } else {
      break;
    }
    out.emplace_back(kind, Bytes_(f.begin() + s, f.begin() + std::min(p, f.size())));
  }
  return out;
}

// Hand-made GIF89a: global table of 2 colours, one image, trailer.
Bytes_ Small() {
  return zktest::FromHex(
      "474946383961 0800 0800 80 00 00  FF0000 0000FF"
      "2C 0000 0000 0800 0800 00  02  02 4C01 00  3B");
}

Bytes_ AppExt(const Bytes_& eleven, const Bytes_& body) {
  Bytes_ b = {0x21, 0xFF, uint8_t(eleven.size())};
  b = Cat(b, eleven);
  for (size_t i = 0; i < body.size(); i += 255) {
    size_t n = std::min<size_t>(255, body.size() - i);
    b.push_back(uint8_t(n));
    b.insert(b.end(), body.begin() + i, body.begin() + i + n);
  }
  b.push_back(0);
  return b;
}
Bytes_ Marker(uint32_t r1, uint32_t r2) {
  Bytes_ m(11);
  zk::steg::Gif::MakeMarker(r1, r2, m.data());
  return m;
}
// Inserts bytes before the trailer.
Bytes_ BeforeTrailer(Bytes_ f, const Bytes_& block) {
  f.insert(f.end() - 1, block.begin(), block.end());
  return f;
}

class GifCarrier : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override { ASSERT_TRUE(gif_); }
  Ref<zk::ICarrierCopy> gif_{NewCarrier(zk::id::StegGIF)};
  Streams s_{GetParam()};

  Bytes_ Embed(const Bytes_& carrier, const Bytes_& data) {
    auto* o = s_.Make();
    EXPECT_EQ(gif_->Embed(s_.Make(carrier), s_.Make(data), o), 0);
    return Bytes(o);
  }
  Bytes_ Wipe(const Bytes_& carrier) {
    auto* o = s_.Make(LcgPattern(500));  // longer before: cut
    EXPECT_EQ(gif_->Wipe(s_.Make(carrier), o), 0);
    return Bytes(o);
  }
  uint64_t Hidden(const Bytes_& carrier, StatusCode want = 0) {
    uint64_t n = 12345;
    EXPECT_EQ(gif_->GetHiddenSize(s_.Make(carrier), &n), want);
    return n;
  }
};

TEST(GifMarker, CheckIsPopcountTimesSecond) {
  // r1 = 0x00000007 (3 bits), r2 = 0x100: check = 0x464947 + 0x300.
  EXPECT_EQ(zktest::ToHex(Marker(7, 0x100)), zktest::ToHex(zktest::FromHex("07000000 00010000 474C46")));
  // The sum wraps at 2^24: 15 bits x 32767 added to 0x464947.
  auto m = Marker(0x7FFF, 0x7FFF);
  uint32_t c = (0x464947u + 15u * 0x7FFFu) & 0xFFFFFF;
  EXPECT_EQ(m[8] | (m[9] << 8) | (m[10] << 16), int(c));
  EXPECT_TRUE(zk::steg::Gif::IsMarker(m.data()));
  m[10] ^= 1;
  EXPECT_FALSE(zk::steg::Gif::IsMarker(m.data()));
}

// 600 bytes: sub-blocks of 255, 255 and 90, the terminator and the trailer,
// right after the image; the marker passes its own check.
TEST_P(GifCarrier, SixHundredBytes) {
  auto data = LcgPattern(600);
  auto out = Embed(Small(), data);
  Bytes_ plain = Small();
  ASSERT_EQ(out.size(), plain.size() + 3 + 11 + 3 + 600 + 1);
  EXPECT_TRUE(std::equal(plain.begin(), plain.end() - 1, out.begin()));
  size_t p = plain.size() - 1;
  EXPECT_EQ(out[p], 0x21);
  EXPECT_EQ(out[p + 1], 0xFF);
  EXPECT_EQ(out[p + 2], 11);
  EXPECT_TRUE(zk::steg::Gif::IsMarker(&out[p + 3]));
  // r1 and r2 come from a 15-bit rand().
  EXPECT_EQ(out[p + 5] | out[p + 6], 0);
  EXPECT_EQ(out[p + 4] & 0x80, 0);
  p += 14;
  EXPECT_EQ(out[p], 255);
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 255, out.begin() + p + 1));
  EXPECT_EQ(out[p + 256], 255);
  EXPECT_EQ(out[p + 512], 90);
  EXPECT_TRUE(std::equal(data.begin() + 510, data.end(), out.begin() + p + 513));
  EXPECT_EQ(out[p + 603], 0x00);
  EXPECT_EQ(out[p + 604], 0x3B);
  EXPECT_EQ(Hidden(out), 600u);
  auto* x = s_.Make();
  EXPECT_EQ(gif_->Extract(s_.Make(out), x, 600), 0);
  EXPECT_EQ(Bytes(x), data);
  auto* y = s_.Make();
  EXPECT_EQ(gif_->Extract(s_.Make(out), y, 601), -15);  // everything there is, then -15
  EXPECT_EQ(Bytes(y), data);
  // A second Embed replaces the block; Wipe removes it.
  auto again = Embed(out, {1, 2, 3});
  EXPECT_EQ(Hidden(again), 3u);
  EXPECT_EQ(again.size(), plain.size() + 14 + 4 + 1);
  EXPECT_EQ(Wipe(out), plain);
  EXPECT_EQ(Hidden(Wipe(out)), 0u);
  // Exactly 255 bytes: one full sub-block, no empty one before the end.
  auto full = Embed(Small(), LcgPattern(255));
  EXPECT_EQ(full.size(), plain.size() + 14 + 256 + 1);
  EXPECT_EQ(Hidden(full), 255u);
  auto none = Embed(Small(), {});
  EXPECT_EQ(none.size(), plain.size() + 14 + 1);
  EXPECT_EQ(Hidden(none), 0u);
}

// Unmarked application extensions (looping, or with a marker that fails its
// check) are skipped by the counts and dropped by Embed and Wipe; other
// extensions stay.
TEST_P(GifCarrier, ApplicationExtensions) {
  auto loop = AppExt(Bytes_{'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'}, {1, 0, 0});
  auto bad = Marker(5, 6);
  bad[8] ^= 0x40;
  auto comment = zktest::FromHex("21FE 03 616263 00");
  auto good = AppExt(Marker(12345, 321), {9, 8, 7, 6});
  auto f = BeforeTrailer(BeforeTrailer(BeforeTrailer(BeforeTrailer(Small(), loop), AppExt(bad, LcgPattern(40))), comment), good);
  EXPECT_EQ(Hidden(f), 4u);
  auto* x = s_.Make();
  EXPECT_EQ(gif_->Extract(s_.Make(f), x, 4), 0);
  EXPECT_EQ(Bytes(x), (Bytes_{9, 8, 7, 6}));
  EXPECT_EQ(Wipe(f), BeforeTrailer(Small(), comment));
  auto e = Embed(f, {42});
  EXPECT_EQ(Blocks(e).size(), 4u);  // image, comment, hidden block, trailer
  // Two marked blocks add up and are read in file order.
  auto two = BeforeTrailer(BeforeTrailer(Small(), AppExt(Marker(1, 2), {1, 2})), AppExt(Marker(3, 4), {3}));
  EXPECT_EQ(Hidden(two), 3u);
  auto* y = s_.Make();
  EXPECT_EQ(gif_->Extract(s_.Make(two), y, 3), 0);
  EXPECT_EQ(Bytes(y), (Bytes_{1, 2, 3}));
  // A first sub-block that is not 11 bytes long: refused by the counts, not
  // by the capacity walk nor by Wipe.
  auto odd = BeforeTrailer(Small(), AppExt({1, 2, 3}, {}));
  Hidden(odd, -14);
  EXPECT_EQ(gif_->Extract(s_.Make(odd), s_.Make(), 1), -14);
  uint64_t cap = 0;
  EXPECT_EQ(gif_->GetCapacity(s_.Make(odd), &cap), 0);
  EXPECT_EQ(cap, 0x100000000ull - odd.size() - 256);
  EXPECT_EQ(Wipe(odd), Small());
}

// A local colour table of 256 colours (size field 7) is walked over 768
// bytes; a file without a global table is walked from byte 13.
TEST_P(GifCarrier, LocalColourTables) {
  Bytes_ f = zktest::FromHex("474946383961 0200 0200 00 00 00");
  f = Cat(f, zktest::FromHex("2C 0000 0000 0200 0200 87"));
  f = Cat(f, LcgPattern(768));
  f = Cat(f, zktest::FromHex("08 03 010203 00 3B"));
  EXPECT_EQ(Hidden(f), 0u);
  EXPECT_EQ(Wipe(f), f);
  auto e = Embed(f, {5, 5});
  EXPECT_EQ(Hidden(e), 2u);
  auto cut = f;
  cut.resize(13 + 10 + 700);
  Hidden(cut, -104);
}

TEST_P(GifCarrier, RefusedFiles) {
  struct Case {
    const char* what;
    Bytes_ bytes;
    StatusCode want;
  } cases[] = {
      {"not GIF", zktest::FromHex("474946383961 0800 0800 00 00 00 3B"), 0},
      {"wrong letters", zktest::FromHex("474946383961 0800 0800 00 00 00 3B"), 0},
      {"unknown block byte", zktest::FromHex("474946383961 0800 0800 00 00 00 2A 3B"), -14},
      {"header cut", zktest::FromHex("4749463839"), -104},
      {"descriptor cut", zktest::FromHex("474946383961 0800"), -104},
      {"global table cut", zktest::FromHex("474946383961 0800 0800 81 00 00 FFFF"), -104},
      {"no trailer", zktest::FromHex("474946383961 0800 0800 00 00 00"), -104},
      {"sub-block cut", zktest::FromHex("474946383961 0800 0800 00 00 00 21FE 05 6162"), -104},
      {"empty", {}, -104},
  };
  cases[1].bytes[0] = 'J';
  cases[1].want = -14;
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto* carrier = s_.Make(c.bytes);
    uint64_t n = 0;
    EXPECT_EQ(gif_->GetCapacity(carrier, &n), c.want);
    if (c.want == 0) continue;
    EXPECT_EQ(gif_->GetHiddenSize(carrier, &n), c.want);
    auto* o = s_.Make(Bytes_{'k', 'e', 'p', 't'});
    EXPECT_EQ(gif_->Wipe(carrier, o), c.want);
    EXPECT_EQ(gif_->Embed(carrier, s_.Make({1}), o), c.want);
    EXPECT_EQ(Bytes(o), (Bytes_{'k', 'e', 'p', 't'}));
  }
  auto* c = s_.Make(Small());
  EXPECT_EQ(gif_->Embed(c, s_.Make({1}), c), -2);
  EXPECT_EQ(gif_->Wipe(c, c), -2);
  EXPECT_EQ(gif_->Wipe(nullptr, s_.Make()), -2);
  EXPECT_EQ(gif_->Extract(c, s_.Make(), 0), -2);
  EXPECT_EQ(gif_->Extract(c, nullptr, 1), -2);
  EXPECT_EQ(Bytes(c), Small());
  EXPECT_EQ(gif_->GetCarrierKind(), 1);
}

// GIF87a and GIF89a from ImageMagick, with a global table, with local
// tables and a looping animation, and one made without a global table:
// after Embed and Wipe they still read, every block except application
// extensions is unchanged, and the looping extension is gone.
TEST_P(GifCarrier, RealFilesStayValid) {
  auto noGlobal = Fixture("gif89_global.gif");
  {
    // Move the global table into the image descriptor as a local one.
    Bytes_ table(noGlobal.begin() + 13, noGlobal.begin() + 19);
    noGlobal[10] &= 0x7F;
    noGlobal.erase(noGlobal.begin() + 13, noGlobal.begin() + 19);
    size_t image = 13 + 8;  // after the graphic control extension
    ASSERT_EQ(noGlobal[image], 0x2C);
    noGlobal[image + 9] |= 0x80;
    noGlobal.insert(noGlobal.begin() + image + 10, table.begin(), table.end());
  }
  std::pair<const char*, Bytes_> files[] = {{"gif87_global.gif", Fixture("gif87_global.gif")},
                                            {"gif89_global.gif", Fixture("gif89_global.gif")},
                                            {"gif89_anim.gif", Fixture("gif89_anim.gif")},
                                            {"no global table", noGlobal}};
  const bool tool = HaveTool("identify");
  for (auto& [name, f] : files) {
    SCOPED_TRACE(name);
    std::vector<std::pair<int, Bytes_>> kept;
    for (auto& b : Blocks(f))
      if (b.first != 0x21FF) kept.push_back(b);
    auto data = LcgPattern(1000);
    auto e = Embed(f, data);
    auto w = Wipe(e);
    EXPECT_EQ(Bytes_(e.begin(), e.begin() + 13), Bytes_(f.begin(), f.begin() + 13));
    auto eb = Blocks(e);
    ASSERT_EQ(eb.size(), kept.size() + 1);
    EXPECT_EQ(eb[eb.size() - 2].first, 0x21FF);
    eb.erase(eb.end() - 2);
    EXPECT_EQ(eb, kept);
    EXPECT_EQ(Blocks(w), kept);
    EXPECT_EQ(Hidden(e), 1000u);
    EXPECT_EQ(Hidden(w), 0u);
    auto* x = s_.Make();
    EXPECT_EQ(gif_->Extract(s_.Make(e), x, 1000), 0);
    EXPECT_EQ(Bytes(x), data);
    if (tool) {
      std::string before, after;
      RunOn("identify", f, "f.gif", &before);
      EXPECT_EQ(RunOn("identify -regard-warnings", e, "e.gif", &after), 0) << after;
      EXPECT_EQ(RunOn("identify -regard-warnings", w, "w.gif"), 0);
      // The same frames in the same geometry.
      EXPECT_EQ(std::count(before.begin(), before.end(), '\n'), std::count(after.begin(), after.end(), '\n'));
    }
  }
  if (!tool) GTEST_SKIP() << "identify is not installed";
}

INSTANTIATE_TEST_SUITE_P(Streams, GifCarrier, ::testing::Values(Kind::Mem, Kind::File),
                         [](const auto& info) { return KindName(info.param); });

}  // namespace
