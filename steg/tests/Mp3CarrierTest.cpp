// steg.MP3 over both stream kinds: the pinned new tag and hidden frames of
// each tag version, the two size encodings, padding, extended headers and
// footers, malformed files, and real MP3s from lame, id3v2 and mutagen
// checked with tag readers and a frame-sync check of the audio.
#include <gtest/gtest.h>

#include <cstring>

#include "Mp3Carrier.h"
#include "CarrierTestSupport.h"

using namespace zktest;
using namespace stegtest;

namespace {

using Bytes_ = std::vector<uint8_t>;

Bytes_ Text(const std::string& s) { return {s.begin(), s.end()}; }
Bytes_ Zeros(size_t n) { return Bytes_(n, 0); }
// Hex text with blanks as grouping only.
std::string Hex(const std::string& grouped) { return zktest::ToHex(zktest::FromHex(grouped)); }

// A few bytes standing in for the audio: a frame sync, then anything.
const Bytes_ kAudio = zktest::FromHex("FFFB9064 00112233 44556677");

Bytes_ Be(uint64_t v, int n) {
  Bytes_ b(n);
  for (int i = n - 1; i >= 0; --i, v >>= 8) b[i] = uint8_t(v);
  return b;
}
Bytes_ Own(uint32_t v) {
  Bytes_ b(4);
  zk::steg::Mp3::PutTagSize(b.data(), v);
  return b;
}
Bytes_ Syncsafe(uint32_t v) {
  return {uint8_t((v >> 21) & 0x7F), uint8_t((v >> 14) & 0x7F), uint8_t((v >> 7) & 0x7F), uint8_t(v & 0x7F)};
}
// A frame of versions 3/4 with a plain or given size field; of version 2.
Bytes_ Frame3(const char* id, const Bytes_& data) {
  return Cat(Cat(Cat(Text(id), Be(data.size(), 4)), {0, 0}), data);
}
Bytes_ Frame4(const char* id, const Bytes_& data, const Bytes_& size) {
  return Cat(Cat(Cat(Text(id), size), {0, 0}), data);
}
Bytes_ Frame2(const char* id, const Bytes_& data) { return Cat(Cat(Text(id), Be(data.size(), 3)), data); }
Bytes_ Header(int version, uint8_t flags, const Bytes_& size) {
  return Cat({'I', 'D', '3', uint8_t(version), 0, flags}, size);
}

// Frames of a tag as whole frame bytes, the tag's end given by the caller;
// version-4 hidden frames are read in the carrier's own encoding, other
// frames in the standard one.
std::vector<Bytes_> Frames(const Bytes_& f, size_t first, size_t end) {
  std::vector<Bytes_> out;
  const int v = f[3];
  const size_t head = v == 2 ? 6 : 10;
  size_t p = first;
  while (p + head <= end && f[p] != 0) {
    bool blank = f[p] == ' ' && f[p + 1] == ' ' && f[p + 2] == ' ';
    size_t n = v == 2 ? (size_t(f[p + 3]) << 16 | size_t(f[p + 4]) << 8 | f[p + 5])
               : v == 3 ? (size_t(f[p + 4]) << 24 | size_t(f[p + 5]) << 16 | size_t(f[p + 6]) << 8 | f[p + 7])
               : blank  ? zk::steg::Mp3::TagSizeOf(&f[p + 4])
                        : zk::steg::Mp3::SyncsafeOf(&f[p + 4]);
    if (p + head + n > end) break;
    out.emplace_back(f.begin() + p, f.begin() + p + head + n);
    p += head + n;
  }
  return out;
}
std::vector<Bytes_> Kept(const std::vector<Bytes_>& frames) {
  std::vector<Bytes_> out;
  for (auto& fr : frames)
    if (!(fr[0] == ' ' && fr[1] == ' ' && fr[2] == ' ')) out.push_back(fr);
  return out;
}

class Mp3Carrier : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override { ASSERT_TRUE(mp3_); }
  Ref<zk::ICarrierCopy> mp3_{NewCarrier(zk::id::StegMP3)};
  Streams s_{GetParam()};

  Bytes_ Embed(const Bytes_& carrier, const Bytes_& data, StatusCode want = 0) {
    auto* o = s_.Make();
    EXPECT_EQ(mp3_->Embed(s_.Make(carrier), s_.Make(data), o), want);
    return Bytes(o);
  }
  Bytes_ Wipe(const Bytes_& carrier, StatusCode want = 0) {
    auto* o = s_.Make();
    EXPECT_EQ(mp3_->Wipe(s_.Make(carrier), o), want);
    return Bytes(o);
  }
  StatusCode Hidden(const Bytes_& carrier, uint64_t* n) { return mp3_->GetHiddenSize(s_.Make(carrier), n); }
  uint64_t Hidden(const Bytes_& carrier) {
    uint64_t n = 12345;
    EXPECT_EQ(Hidden(carrier, &n), 0);
    return n;
  }
  StatusCode Capacity(const Bytes_& carrier, uint64_t* n) { return mp3_->GetCapacity(s_.Make(carrier), n); }
  Bytes_ Extract(const Bytes_& carrier, uint64_t count, StatusCode want = 0) {
    auto* x = s_.Make();
    EXPECT_EQ(mp3_->Extract(s_.Make(carrier), x, count), want);
    return Bytes(x);
  }
  // Embed, then the hidden bytes must come back in full.
  Bytes_ RoundTrip(const Bytes_& carrier, const Bytes_& data) {
    auto e = Embed(carrier, data);
    EXPECT_EQ(Hidden(e), data.size());
    EXPECT_EQ(Extract(e, data.size()), data);
    return e;
  }
};

TEST(Mp3SizeField, Encodings) {
  EXPECT_EQ(zktest::ToHex(Own(110)), "000000dc");
  EXPECT_EQ(zktest::ToHex(Own(0x0FFFFFFF)), "fefefefe");
  EXPECT_EQ(zktest::ToHex(Own(0x204081)), "02020202");
  const uint8_t b[4] = {0x02, 0x02, 0x02, 0x02};
  EXPECT_EQ(zk::steg::Mp3::TagSizeOf(b), 0x204081u);
  EXPECT_EQ(zk::steg::Mp3::SyncsafeOf(b), 0x408102u);
  const uint8_t c[4] = {0x00, 0x00, 0x0C, 0x46};
  EXPECT_EQ(zk::steg::Mp3::SyncsafeOf(c), 1606u);
  EXPECT_EQ(zk::steg::Mp3::TagSizeOf(c), 803u);
}

TEST_P(Mp3Carrier, KindCapacityAndInterfaces) {
  EXPECT_EQ(mp3_->GetCarrierKind(), 2);
  EXPECT_STREQ(mp3_->GetClassId(), "steg.MP3");
  void* p = nullptr;
  ASSERT_EQ(mp3_->QueryInterface(zk::id::StegICarrier, &p), 0);
  EXPECT_EQ(p, static_cast<void*>(mp3_.get()));
  static_cast<zk::IBase*>(p)->Release();
  EXPECT_EQ(mp3_->QueryInterface(zk::id::StegICarrierDirect, &p), -7);
  uint64_t cap = 0;
  // Without a tag the new tag's frame header comes off, so the tag size
  // field still holds the whole tag.
  EXPECT_EQ(Capacity(kAudio, &cap), 0);
  EXPECT_EQ(cap, 0x0FFFFFFFu - 10);
}

// 100 bytes into a file that starts with a frame sync: a new version-3 tag
// of size 110, four blanks, the size 100, two zero flag bytes, the data,
// then the whole carrier.
TEST_P(Mp3Carrier, NewTagPinned) {
  auto data = LcgPattern(100);
  auto out = RoundTrip(kAudio, data);
  auto want = Cat(Cat(zktest::FromHex("494433 03 00 00 000000DC 20202020 00000064 0000"), data), kAudio);
  EXPECT_EQ(zktest::ToHex(out), zktest::ToHex(want));
  // An output that held more before is cut to the new file.
  auto* o = s_.Make(LcgPattern(300000, 3));
  ASSERT_EQ(mp3_->Embed(s_.Make(kAudio), s_.Make(data), o), 0);
  EXPECT_EQ(Bytes(o), want);
  // Wipe leaves a file without a tag as it is; empty data still makes a tag.
  EXPECT_EQ(Wipe(kAudio), kAudio);
  EXPECT_EQ(zktest::ToHex(Embed(kAudio, {})),
            Hex("494433 03 00 00 00000014  20202020 00000000 0000") + zktest::ToHex(kAudio));
}

// A small version-3 tag written with the standard size encoding (20 =
// 0x14, which the own reading takes for 10): a title frame, seven bytes of
// padding, then audio. The hidden frame goes after the title, the padding
// stays inside the tag, and the new size counts every byte written.
TEST_P(Mp3Carrier, SmallTagPinned) {
  auto title = Frame3("TIT2", {0, 'H', 'i'});
  auto f = Cat(Cat(Cat(Header(3, 0, {0, 0, 0, 0x14}), title), Zeros(7)), kAudio);
  uint64_t n = 0;
  EXPECT_EQ(Hidden(f, &n), -3);  // padding before any hidden frame
  EXPECT_EQ(Capacity(f, &n), 0);
  EXPECT_EQ(n, 0x0FFFFFFFu - 13 - 10 - 7);
  auto e = RoundTrip(f, Text("abc"));
  EXPECT_EQ(zktest::ToHex(e), Hex("494433 03 00 00 00000042"     // size 33
                                  "54495432 00000003 0000 004869"  // TIT2, copied
                                  "20202020 00000003 0000 616263"  // hidden frame
                                  "00000000000000" +               // padding
                                  zktest::ToHex(kAudio)));
  auto w = Wipe(e);
  EXPECT_EQ(zktest::ToHex(w), Hex("494433 03 00 00 0000003C"  // size 30
                                  "54495432 00000003 0000 004869"
                                  "20202020 00000000 0000"
                                  "00000000000000" +
                                  zktest::ToHex(kAudio)));
  EXPECT_EQ(Hidden(w), 0u);
  EXPECT_EQ(Wipe(w), w);
  // A second Embed replaces the hidden frame.
  EXPECT_EQ(Embed(e, Text("abc")), e);
  EXPECT_EQ(Embed(RoundTrip(e, LcgPattern(500)), Text("abc")), e);
}

// Version 2: three-character identifiers, 3-byte sizes, no extended header.
TEST_P(Mp3Carrier, Version2Tag) {
  auto title = Frame2("TT2", {0, 'H', 'i'});
  auto old = Frame2("   ", Text("old"));
  auto f = Cat(Cat(Cat(Header(2, 0, Own(9 + 9)), title), old), kAudio);
  EXPECT_EQ(Hidden(f), 3u);
  EXPECT_EQ(Extract(f, 3), Text("old"));
  uint64_t cap = 0;
  EXPECT_EQ(Capacity(f, &cap), 0);
  EXPECT_EQ(cap, 0xFFFFFFu);  // the frame's 3-byte size is the limit
  auto e = RoundTrip(f, Text("abcd"));
  EXPECT_EQ(zktest::ToHex(e), Hex("494433 02 00 00 00000026"  // size 9 + 6 + 4 = 19
                                  "545432 000003 004869"
                                  "202020 000004 61626364" +
                                  zktest::ToHex(kAudio)));
  EXPECT_EQ(zktest::ToHex(Wipe(e)),
            Hex("494433 02 00 00 0000001E  545432 000003 004869  202020 000000" + zktest::ToHex(kAudio)));
}

// Version 4: frame and extended header sizes of other writers in the
// standard encoding, the hidden frame's size in the own encoding (here every
// size field's bits allow both readings), an extended header and a footer.
TEST_P(Mp3Carrier, Version4Tag) {
  auto title = Frame4("TIT2", Cat({3}, Text("Tone.")), Syncsafe(6));
  auto album = Frame4("TALB", Cat({3}, Text("Fixtures inABCD and mor")), Syncsafe(24));
  auto ext = zktest::FromHex("0000000C 01 20 05 0A0B0C0D0E");  // 12 bytes, size counts itself
  auto tag = Cat(Cat(ext, title), album);
  auto f = Cat(Cat(Header(4, 0x40, Syncsafe(uint32_t(tag.size()))), tag), kAudio);
  EXPECT_EQ(Hidden(f), 0u);
  for (size_t n : {0, 50, 64, 100, 127, 128, 300, 70000}) {
    SCOPED_TRACE(n);
    auto data = LcgPattern(n, uint32_t(n));
    auto e = RoundTrip(f, data);
    const size_t size = tag.size() + 10 + n;
    EXPECT_EQ(zktest::ToHex(Bytes_(e.begin(), e.begin() + 10)), zktest::ToHex(Header(4, 0x40, Own(uint32_t(size)))));
    EXPECT_EQ(Bytes_(e.begin() + 10, e.begin() + 10 + tag.size()), tag);
    EXPECT_EQ(zktest::ToHex(Bytes_(e.begin() + 10 + tag.size(), e.begin() + 20 + tag.size())),
              "20202020" + zktest::ToHex(Own(uint32_t(n))) + "0000");
    EXPECT_EQ(Bytes_(e.end() - kAudio.size(), e.end()), kAudio);
    EXPECT_EQ(e.size(), 10 + size + kAudio.size());
  }
  // A footer repeats the header: it is rewritten with the new size.
  auto footed = Cat(Cat(Cat(Header(4, 0x50, Syncsafe(uint32_t(tag.size()))), tag),
                        Cat(Text("3DI"), Cat({4, 0, 0x50}, Syncsafe(uint32_t(tag.size()))))), kAudio);
  auto e = RoundTrip(footed, Text("xyz"));
  const uint32_t size = uint32_t(tag.size() + 13);
  EXPECT_EQ(zktest::ToHex(Bytes_(e.end() - kAudio.size() - 10, e.end() - kAudio.size())),
            zktest::ToHex(Cat(Text("3DI"), Cat({4, 0, 0x50}, Own(size)))));
}

// Version-4 size fields whose bits allow one reading only are read so,
// whatever the frame; a damaged tag keeps its hidden bytes reachable.
TEST_P(Mp3Carrier, Version4ForcedReadings) {
  auto peer = Frame4("TXXX", LcgPattern(64, 1), Own(64));            // 0x80: own only
  auto hidden = Frame4("    ", Text("hello"), Syncsafe(5));        // 0x05: standard only
  auto tag = Cat(Cat(peer, hidden), Frame4("TIT2", {3, 'x'}, Syncsafe(2)));  // 2: both readings
  auto f = Cat(Cat(Header(4, 0, Syncsafe(uint32_t(tag.size()))), tag), kAudio);
  EXPECT_EQ(Hidden(f), 5u);
  EXPECT_EQ(Extract(f, 5), Text("hello"));
  auto e = RoundTrip(f, Text("abc"));
  EXPECT_EQ(Bytes_(e.begin() + 10, e.begin() + 10 + peer.size()), peer);
  auto title = Frame4("TIT2", {3, 'x'}, Syncsafe(2));
  EXPECT_EQ(Bytes_(e.begin() + 10 + peer.size(), e.begin() + 10 + peer.size() + title.size()), title);
  // An extended header whose size field reads 6 or 12, followed by a frame
  // cut short (found by fuzzing): Embed and Extract agree.
  auto damaged = zktest::FromHex(
      "49443304005000000 02b 0000000c 5432 000000 06 0000 03546f6e5a652e20202020 0000000a0000 68656c6c6f"
      "3344490400500000202b fffb9064001122334455663a");
  RoundTrip(damaged, LcgPattern(10));
}

// Version 3 extended header (its size leaves itself out) is copied as it
// is; several hidden frames all go, a large frame stays byte for byte.
TEST_P(Mp3Carrier, ExtendedHeaderAndLargeFrames) {
  auto ext = zktest::FromHex("00000006 0000 00000000");
  auto picture = Frame3("APIC", LcgPattern(70000, 9));
  auto tag = Cat(Cat(Cat(Cat(ext, Frame3("    ", Text("one"))), picture), Frame3("    ", Text("two"))),
                 Frame3("TIT2", {0, 'x'}));
  auto f = Cat(Cat(Header(3, 0x40, Syncsafe(uint32_t(tag.size()))), tag), kAudio);
  EXPECT_EQ(Hidden(f), 3u);
  EXPECT_EQ(Extract(f, 3), Text("one"));
  EXPECT_EQ(Extract(f, 4, -15), Bytes_{});
  uint64_t cap = 0;
  EXPECT_EQ(Capacity(f, &cap), 0);
  EXPECT_EQ(cap, 0x0FFFFFFFu - 10 - picture.size() - 12 - 10);
  auto data = LcgPattern(200000, 4);
  auto e = RoundTrip(f, data);
  auto want = Cat(Cat(Cat(Cat(Header(3, 0x40, Own(uint32_t(10 + picture.size() + 12 + 10 + data.size()))), ext),
                          Cat(picture, Frame3("TIT2", {0, 'x'}))),
                      Frame3("    ", data)),
                  kAudio);
  EXPECT_TRUE(e == want);
}

// The tag size read in whichever encoding the bits allow and the file
// bears out; a frame that would cross the tag's end stops the walk.
TEST_P(Mp3Carrier, SizeEncodingsAndClippedWalks) {
  auto title = Frame3("TIT2", {0, 'H', 'i'});  // 13 bytes
  auto hidden = Frame3("    ", Text("secret"));  // 16 bytes
  auto frames = Cat(title, hidden);
  struct Case {
    const char* what;
    Bytes_ file;
    uint64_t hidden;
  } cases[] = {
      // 29 in the own encoding: 0x3A, ambiguous; the walk ends exactly there.
      {"own, exact", Cat(Cat(Header(3, 0, Own(29)), frames), kAudio), 6},
      // 29 = 0x1D standard: bit 0 set, so only the standard reading.
      {"standard, bit 0", Cat(Cat(Header(3, 0, Syncsafe(29)), frames), kAudio), 6},
      // 100 in the own encoding has bit 7 set: own only.
      {"own, bit 7", Cat(Cat(Cat(Header(3, 0, Own(100)), frames), Zeros(71)), kAudio), 6},
      // 58 standard = 0x3A, which the own reading takes for 29: the
      // padding up to 58 and the audio after it decide for the standard one.
      {"standard, padded", Cat(Cat(Cat(Header(3, 0, Syncsafe(58)), frames), Zeros(29)), kAudio), 6},
      // 40 standard = 0x28, own 20: the hidden frame crosses the own end.
      {"standard, own would cut", Cat(Cat(Cat(Header(3, 0, Syncsafe(40)), frames), Zeros(11)), kAudio), 6},
      // 21 = 0x15, bit 0 set: standard; the hidden frame crosses the end
      // and is not seen.
      {"clipped", Cat(Cat(Header(3, 0, {0, 0, 0, 0x15}), frames), kAudio), 0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Hidden(c.file), c.hidden);
    auto e = RoundTrip(c.file, Text("new data"));
    EXPECT_EQ(Bytes_(e.begin() + 10, e.begin() + 23), title);
    EXPECT_EQ(Bytes_(e.end() - kAudio.size(), e.end()), kAudio);
    EXPECT_EQ(Wipe(Wipe(e)), Wipe(e));
  }
  // Bit 7 in one byte and bit 0 in another: neither encoding.
  uint64_t n = 0;
  EXPECT_EQ(Capacity(Cat(Cat(Header(3, 0, {0, 0, 0x81, 0x01}), frames), kAudio), &n), -14);
}

TEST_P(Mp3Carrier, MalformedFiles) {
  auto good = Cat(Cat(Header(3, 0, Own(13)), Frame3("TIT2", {0, 'H', 'i'})), kAudio);
  uint64_t n = 0;
  struct Case {
    const char* what;
    Bytes_ file;
  } cases[] = {
      {"RIFF", Cat(Text("RIFF"), Zeros(40))},
      {"empty", {}},
      {"one byte", {0xFF}},
      {"sync of 10 bits", {0xFF, 0xC0, 0, 0}},
      {"header cut short", Bytes_(good.begin(), good.begin() + 9)},
      {"version 5", Cat(Header(5, 0, Own(0)), kAudio)},
      {"version 1", Cat(Header(1, 0, Own(0)), kAudio)},
      {"tag past the end", Bytes_(good.begin(), good.begin() + 22)},
      {"extended header past the tag", Cat(Cat(Header(3, 0x40, Own(4)), {0, 0, 0, 6}), kAudio)},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Capacity(c.file, &n), -14);
    EXPECT_EQ(Hidden(c.file, &n), -14);
    auto* o = s_.Make(Text("untouched"));
    EXPECT_EQ(mp3_->Wipe(s_.Make(c.file), o), -14);
    EXPECT_EQ(mp3_->Embed(s_.Make(c.file), s_.Make(Text("x")), o), -14);
    EXPECT_EQ(Bytes(o), Text("untouched"));
  }
  // Nothing hidden: no tag, or padding first.
  EXPECT_EQ(Hidden(kAudio, &n), -3);
  EXPECT_EQ(Extract(kAudio, 1, -3), Bytes_{});
  EXPECT_EQ(Extract(Cat(Cat(Header(3, 0, Own(4)), Zeros(4)), kAudio), 1, -3), Bytes_{});
  EXPECT_EQ(Extract(good, 1, -15), Bytes_{});
  EXPECT_EQ(Extract(good, 0), Bytes_{});
  // A tag with nothing at all, and one of only padding.
  EXPECT_EQ(Hidden(Cat(Header(3, 0, Own(0)), kAudio)), 0u);
  EXPECT_EQ(Hidden(Cat(Header(4, 0, Own(0)), kAudio)), 0u);
}

TEST_P(Mp3Carrier, StreamsAndShortData) {
  auto* c = s_.Make(kAudio);
  auto* d = s_.Make(Text("x"));
  EXPECT_EQ(mp3_->Embed(nullptr, d, s_.Make()), -2);
  EXPECT_EQ(mp3_->Embed(c, nullptr, s_.Make()), -2);
  EXPECT_EQ(mp3_->Embed(c, d, nullptr), -2);
  EXPECT_EQ(mp3_->Embed(c, d, c), -2);
  EXPECT_EQ(mp3_->Wipe(c, c), -2);
  EXPECT_EQ(mp3_->Wipe(nullptr, d), -2);
  EXPECT_EQ(mp3_->Extract(c, nullptr, 1), -2);
  uint64_t n = 0;
  EXPECT_EQ(mp3_->GetCapacity(nullptr, &n), -2);
  EXPECT_EQ(mp3_->GetHiddenSize(nullptr, &n), -2);
  EXPECT_EQ(Bytes(c), kAudio);
  // Data whose reads fail: the error, never success.
  Ref<zktest::FakeStream> failing(zktest::FakeStream::Make(LcgPattern(30, 3)));
  failing->failReadAfter = 0;
  auto* o = s_.Make();
  EXPECT_EQ(mp3_->Embed(c, failing.get(), o), -104);
}

// Real files: lame's MP3 without a tag, an id3v2-written version-3 tag
// with padding, a mutagen-written version-4 tag and a version-3 tag with a
// picture. After Embed and Wipe every other frame is there byte for byte,
// the audio follows the tag unchanged (its first frame sync right after
// the tag), the hidden bytes come back, and tag readers still list the
// frames once the size field is given in the standard encoding they expect.
TEST_P(Mp3Carrier, RealFilesStayValid) {
  const auto plain = Fixture("mp3_plain.mp3");
  ASSERT_GE(plain.size(), 2u);
  ASSERT_EQ(plain[0], 0xFF);
  const bool id3v2 = HaveTool("id3v2");
  const bool mid3v2 = HaveTool("mid3v2");
  for (const char* name : {"mp3_plain.mp3", "mp3_id3v23.mp3", "mp3_id3v24.mp3", "mp3_apic.mp3"}) {
    SCOPED_TRACE(name);
    auto f = Fixture(name);
    const bool tagged = f[0] == 'I';
    const size_t oldEnd = tagged ? 10 + zk::steg::Mp3::SyncsafeOf(&f[6]) : 0;
    ASSERT_EQ(Bytes_(f.begin() + oldEnd, f.end()), plain);
    auto kept = tagged ? Kept(Frames(f, 10, oldEnd)) : std::vector<Bytes_>{};
    auto data = LcgPattern(3000, 5);
    auto e = RoundTrip(f, data);
    auto w = Wipe(e);
    EXPECT_EQ(Hidden(w), 0u);
    for (auto* out : {&e, &w}) {
      const Bytes_& o = *out;
      ASSERT_EQ(zktest::ToHex(Bytes_(o.begin(), o.begin() + 3)), "494433");
      const size_t end = 10 + zk::steg::Mp3::TagSizeOf(&o[6]);
      ASSERT_LE(end + plain.size(), o.size());
      EXPECT_EQ(o[end], 0xFF);  // frame sync right after the tag
      EXPECT_EQ(o[end + 1] & 0xE0, 0xE0);
      EXPECT_TRUE(Bytes_(o.begin() + end, o.end()) == plain);
      auto frames = Frames(o, 10, end);
      EXPECT_EQ(Kept(frames), kept);
      ASSERT_EQ(frames.size(), kept.size() + 1);
      EXPECT_EQ(frames.back().size() - (o[3] == 2 ? 6 : 10), out == &e ? data.size() : 0);
      // Stock tag readers know only the standard size encoding.
      Bytes_ standard = o;
      auto s = Syncsafe(uint32_t(end - 10));
      std::copy(s.begin(), s.end(), standard.begin() + 6);
      std::string listing;
      const bool v3 = o[3] == 3;
      if ((v3 && id3v2) || (!v3 && mid3v2)) {
        EXPECT_EQ(RunOn(v3 ? "id3v2 -l" : "mid3v2 -l", standard, "t.mp3", &listing), 0);
        for (auto& fr : kept) {
          std::string id(fr.begin(), fr.begin() + 4);
          EXPECT_NE(listing.find(v3 ? id + " (" : id + "="), std::string::npos) << id << "\n" << listing;
        }
      }
    }
    // A second Embed gives the same as the first.
    EXPECT_EQ(Embed(e, data), e);
    EXPECT_EQ(Embed(w, data), e);
  }
  if (!id3v2 || !mid3v2) GTEST_SKIP() << "id3v2 or mid3v2 is not installed";
}

INSTANTIATE_TEST_SUITE_P(Streams, Mp3Carrier, ::testing::Values(Kind::Mem, Kind::File),
                         [](const auto& info) { return KindName(info.param); });

}  // namespace
