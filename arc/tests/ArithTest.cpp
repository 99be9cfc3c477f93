// arc.Arith and arc.FlatArc. The known bytes were worked out by hand from
// the model's first state (every symbol 240 wide at 256 x symbol) and, for
// the longer ones, by known/arith_bytes.py, which follows the same rules
// step by step apart from this code.
#include <gtest/gtest.h>

#include "CoderTestSupport.h"
#include "ZkTestSupport.h"

namespace {

using zktest::Bytes;
using zktest::Coder;
using zktest::Vec;

std::vector<uint8_t> ArithBytes(int32_t period, const std::vector<uint8_t>& in) {
  Coder c(zk::id::ArcArith);
  EXPECT_EQ(0, c->Init(period));
  return c.Encode(in);
}

TEST(Arith, KnownBytes) {
  // "A": low = 16640 x (2^32 - 1) / 65536 = 0x40FFFFFF, range stays wide;
  // the end writes the two halves of low, high half first.
  EXPECT_EQ("00000000", zktest::ToHex(ArithBytes(0, {})));
  EXPECT_EQ("ff40ffff", zktest::ToHex(ArithBytes(0, Bytes("A"))));
  // With period 1 the model is rebuilt after the second byte, so the "b"
  // is coded with a wider "a" than with the default period.
  EXPECT_EQ("5b610e470000", zktest::ToHex(ArithBytes(1, Bytes("aab"))));
  EXPECT_EQ("5b611f460000", zktest::ToHex(ArithBytes(0, Bytes("aab"))));
  EXPECT_EQ(
      "5f68420fd3bcd2189d486502a8e559852c160de430d829b52036ac29f03ed1366c8c",
      zktest::ToHex(ArithBytes(2, Bytes("hello world, hello arithmetic coder"))));
  // Skewed counts make the range so narrow twice that it must be clipped to
  // the room left below the next 65,536 step of low before a word goes out.
  const std::vector<uint8_t> clipped = zktest::FromHex("ff0000000100000000ff000000"
                                                       "7a00007a007a017a000000");
  EXPECT_EQ("fffeffff0600003c5102c29e0afc18a57f23605a0000", zktest::ToHex(ArithBytes(1, clipped)));
  Coder c(zk::id::ArcArith);
  ASSERT_EQ(0, c->Init(1));
  std::vector<uint8_t> out;
  EXPECT_EQ(0, c.Decode(uint32_t(clipped.size()), ArithBytes(1, clipped), &out));
  EXPECT_EQ(clipped, out);
}

TEST(Arith, DecodesTheKnownBytes) {
  Coder c(zk::id::ArcArith);
  ASSERT_EQ(0, c->Init(2));
  std::vector<uint8_t> out;
  EXPECT_EQ(0, c.Decode(35, zktest::FromHex("5f68420fd3bcd2189d486502a8e559852c160de430d829b5"
                                           "2036ac29f03ed1366c8c"),
                        &out));
  EXPECT_EQ(Bytes("hello world, hello arithmetic coder"), out);
  // Nothing to decode: nothing written, even from no input at all.
  EXPECT_EQ(0, c.Decode(0, {}, &out));
  EXPECT_TRUE(out.empty());
}

TEST(Arith, RoundTripsForEveryPeriod) {
  std::vector<std::vector<uint8_t>> inputs = {
      zktest::RandomBytes(3000, 1), zktest::WordText(8000, 2),
      std::vector<uint8_t>(10000, 'x'),  // one symbol takes nearly the whole interval
      {0, 255, 0, 255}};
  {
    std::vector<uint8_t> skew = zktest::RandomBytes(12000, 3);
    for (auto& b : skew) b = b < 250 ? 0 : b;  // widths of 16 for most symbols
    inputs.push_back(skew);
  }
  for (int32_t period : {0, 1, 2, 7, 255, 1000}) {
    for (const auto& in : inputs) {
      SCOPED_TRACE(testing::Message() << "period " << period << " size " << in.size());
      Coder c(zk::id::ArcArith);
      ASSERT_EQ(0, c->Init(period));
      std::vector<uint8_t> packed = c.Encode(in), out;
      EXPECT_EQ(0, c.Decode(uint32_t(in.size()), packed, &out));
      EXPECT_TRUE(out == in);
    }
  }
  // The stream holds no length: a shorter count gives a prefix.
  Coder c(zk::id::ArcArith);
  std::vector<uint8_t> text = zktest::WordText(3000, 4), out;
  EXPECT_EQ(0, c.Decode(1000, c.Encode(text), &out));
  EXPECT_TRUE(out == std::vector<uint8_t>(text.begin(), text.begin() + 1000));
}

TEST(Arith, DamagedInputGivesAStatus) {
  Coder c(zk::id::ArcArith);
  std::vector<uint8_t> text = zktest::WordText(4000, 5);
  std::vector<uint8_t> packed = c.Encode(text), out;
  // Cut short: the decoder runs out of words.
  EXPECT_EQ(zk::kInvalidFormat, c.Decode(4000, {packed.begin(), packed.begin() + 100}, &out));
  EXPECT_EQ(zk::kInvalidFormat, c.Decode(1, {0x12, 0x34, 0x56}, &out));
  // A code above every interval.
  EXPECT_EQ(zk::kFatal, c.Decode(10, zktest::FromHex("ffffffff"), &out));
  uint32_t seed = 9;
  for (int round = 0; round < 100; ++round) {
    std::vector<uint8_t> bad = zktest::Damaged(packed, round, &seed, 300);
    StatusCode st = c.Decode(4000, bad, &out);
    EXPECT_TRUE(st == 0 || st == zk::kFatal || st == zk::kInvalidFormat) << st;
    EXPECT_LE(out.size(), 4000u);
  }
}

// The block "abcabc", coded from its end: the last three letters repeat at
// position 0, giving 3, 0, 0; the three letters left are coded as
// (c, 0), (b, 0), (a, 0).
TEST(FlatArc, RepeatAtPositionZero) {
  Coder flat(zk::id::ArcFlatArc);
  ASSERT_EQ(0, flat->Init(0));
  std::vector<uint8_t> packed = flat.Encode(Bytes("abcabc"));
  EXPECT_EQ("ff02ffff00632256984a0000", zktest::ToHex(packed));
  EXPECT_EQ(packed, ArithBytes(0, {3, 0, 0, 'c', 0, 'b', 0, 'a', 0}));
}

TEST(FlatArc, SymbolsOfKnownBlocks) {
  Coder flat(zk::id::ArcFlatArc);
  ASSERT_EQ(0, flat->Init(0));
  struct Case {
    const char* block;
    std::vector<uint8_t> symbols;
  } cases[] = {
      {"", {}},
      {"xyz", {'z', 0, 'y', 0, 'x', 0}},
      // The longest window wins: "abcd" at 0 before "bcd" (or "cd...").
      {"abcdabcd", {4, 0, 0, 'd', 0, 'c', 0, 'b', 0, 'a', 0}},
      // The nearest copy wins: "xyz" at 4, not at 0.
      {"xyz.xyz-xyz", {3, 4, 0, '-', 0, 3, 0, 0, '.', 0, 'z', 0, 'y', 0, 'x', 0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.block);
    std::vector<uint8_t> in = Bytes(k.block);
    EXPECT_EQ(ArithBytes(0, k.symbols), flat.Encode(in));
  }
}

TEST(FlatArc, NeedsInitAndOnlyEncodes) {
  Coder flat(zk::id::ArcFlatArc);
  Vec in(Bytes("abc")), out;
  EXPECT_EQ(zk::kNoMemory, flat->Encode(in, out, nullptr, 0));
  EXPECT_TRUE(out->data.empty());
  EXPECT_EQ(zk::kInvalidArg, flat->Encode(nullptr, out, nullptr, 0));
  ASSERT_EQ(0, flat->Init(0));
  ASSERT_EQ(0, flat->Init(5));  // the buffer is kept
  EXPECT_EQ(zk::kInvalidArg, flat->Encode(in, nullptr, nullptr, 0));
  Vec packed(Bytes("abc")), plain;
  EXPECT_EQ(0, flat->Decode(3, packed, plain, nullptr));
  EXPECT_TRUE(plain->data.empty());
  // Blocks of 64 KiB are coded one after another into one stream.
  std::vector<uint8_t> big(65536 + 10, 'q');
  StatusCode st = -1;
  std::vector<uint8_t> bytes = flat.Encode(big, &st);
  EXPECT_EQ(0, st);
  EXPECT_LT(bytes.size(), 30000u);
}

TEST(FlatArc, StreamErrorsAreReturned) {
  Coder flat(zk::id::ArcFlatArc);
  ASSERT_EQ(0, flat->Init(0));
  Vec in(zktest::WordText(3000, 1)), out;
  in->readFailAt = 1000;
  EXPECT_EQ(zk::kReadError, flat->Encode(in, out, nullptr, 0));
  Vec in2(zktest::RandomBytes(3000, 1)), out2;
  out2->writeFailAt = 0;
  EXPECT_EQ(zk::kWriteError, flat->Encode(in2, out2, nullptr, 0));
}

}  // namespace
