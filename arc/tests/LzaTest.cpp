// arc.LZA. "A" was worked out by hand: the literal "A" has rank 66 of 314
// equal frequencies, so [low, high) = [131072 x 248 / 314, 131072 x 249 / 314)
// = [103521, 103939), which shifts out 1 1 0 0 1 0 1 and leaves low 12416;
// the end adds a pending bit and, low being below 0x8000, writes 0 1. The
// nine bits packed from bit 0 give 0x53 0x01.
#include <gtest/gtest.h>

#include "CoderTestSupport.h"
#include "ZkTestSupport.h"

namespace {

using zktest::Bytes;
using zktest::Coder;
using zktest::Vec;

std::vector<uint8_t> Lza(const std::vector<uint8_t>& in) {
  Coder c(zk::id::ArcLZA);
  EXPECT_EQ(0, c->Init(0));
  return c.Encode(in);
}

TEST(Lza, KnownBytes) {
  EXPECT_EQ("5301", zktest::ToHex(Lza(Bytes("A"))));
  // An empty input gives an empty stream, and decoding 0 bytes writes nothing.
  EXPECT_EQ("", zktest::ToHex(Lza({})));
  Coder c(zk::id::ArcLZA);
  std::vector<uint8_t> out{1};
  EXPECT_EQ(0, c.Decode(0, {}, &out));
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(0, c.Decode(1, zktest::FromHex("5301"), &out));
  EXPECT_EQ(Bytes("A"), out);
}

// Streams worked out from their symbols by known/lza_bytes.py, which
// follows the model and coder rules apart from this code (the symbol
// sequences by hand).
TEST(Lza, KnownSymbolSequences) {
  // Sixty blanks: the window's blank strings at 3,976-4,035 each replace
  // the one before in the tree, so the match found is the one at distance
  // 60: symbol 253 + 60, position 59.
  EXPECT_EQ("00bd05", zktest::ToHex(Lza(std::vector<uint8_t>(60, ' '))));
  // 1,000 x: the literal, 16 matches of 60 at distance 1 (position 0) and
  // the rest, 39 bytes, as one more match at distance 1.
  EXPECT_EQ("b95a14ff21fdfffffffffffffffffffffffffffffffffffffffffffffffff7b65f",
            zktest::ToHex(Lza(std::vector<uint8_t>(1000, 'x'))));
}

// 40,000 bytes of 40 different values: mostly literals, so the character
// model's total passes 32,767 and its frequencies are halved. The stream
// (its matches as this coder found them) decodes to the input with
// known/lza_decode.py, a decoder written apart from this code, so the
// halving is the same on both sides; its length and FNV-1a hash are pinned.
TEST(Lza, FrequenciesHalvedPastTheLimit) {
  std::vector<uint8_t> in(40000);
  uint32_t s = 1;
  for (auto& b : in) {
    s = s * 1103515245u + 12345u;
    b = uint8_t((s >> 16) % 40);
  }
  std::vector<uint8_t> packed = Lza(in), out;
  uint64_t hash = 0xcbf29ce484222325u;
  for (uint8_t b : packed) hash = (hash ^ b) * 0x100000001b3u;
  EXPECT_EQ(packed.size(), 27446u);
  EXPECT_EQ(hash, 14156090606773682101u);
  Coder c(zk::id::ArcLZA);
  EXPECT_EQ(0, c.Decode(uint32_t(in.size()), packed, &out));
  EXPECT_TRUE(out == in);
}

// Frozen output for a text with blanks, repeats and a short tail; checked
// by the decoder when it was frozen: a change of the format shows here.
TEST(Lza, FrozenText) {
  std::vector<uint8_t> text = Bytes("    the LZA coder: the window, the trees, the window again.");
  EXPECT_EQ(
      "741ebad4b5b2c87704f9cfc1d8f479822156670950c8ae9d63357658f72ac16644fc159cec1f8138e8f9281c",
      zktest::ToHex(Lza(text)));
  std::vector<uint8_t> out;
  Coder c(zk::id::ArcLZA);
  EXPECT_EQ(0, c.Decode(uint32_t(text.size()), Lza(text), &out));
  EXPECT_EQ(text, out);
}

TEST(Lza, RoundTrips) {
  std::vector<std::vector<uint8_t>> inputs = {
      Bytes("a"), Bytes("ab"), Bytes("   "), std::vector<uint8_t>(5000, ' '),
      std::vector<uint8_t>(4097, 0), zktest::RandomBytes(10000, 1), zktest::WordText(60000, 2)};
  {
    std::vector<uint8_t> few = zktest::RandomBytes(30000, 3);
    for (auto& b : few) b &= 3;  // matches of every length and distance
    inputs.push_back(few);
    std::vector<uint8_t> runs;  // runs longer and shorter than the look-ahead
    for (uint32_t s = 7; runs.size() < 20000; s = s * 69069u + 1)
      runs.insert(runs.end(), (s >> 20) % 150 + 1, uint8_t(s >> 12));
    inputs.push_back(runs);
  }
  Coder c(zk::id::ArcLZA);
  for (const auto& in : inputs) {
    SCOPED_TRACE(in.size());
    // The same object codes again and again without a new Init.
    std::vector<uint8_t> packed = c.Encode(in), out;
    EXPECT_EQ(packed, Lza(in));
    EXPECT_EQ(0, c.Decode(uint32_t(in.size()), packed, &out));
    EXPECT_TRUE(out == in);
    // A shorter count stops in the middle of a copy.
    if (in.size() > 100) {
      EXPECT_EQ(0, c.Decode(uint32_t(in.size() - 7), packed, &out));
      EXPECT_TRUE(out == std::vector<uint8_t>(in.begin(), in.end() - 7));
    }
  }
}

TEST(Lza, DamagedInputGivesAStatus) {
  Coder c(zk::id::ArcLZA);
  std::vector<uint8_t> text = zktest::WordText(20000, 5);
  std::vector<uint8_t> packed = c.Encode(text), out;
  // Bits past the end read as 0, but not without end.
  EXPECT_EQ(zk::kInvalidFormat, c.Decode(20000, {packed.begin(), packed.begin() + 50}, &out));
  EXPECT_EQ(zk::kInvalidFormat, c.Decode(1000000, {}, &out));
  uint32_t seed = 5;
  for (int round = 0; round < 100; ++round) {
    std::vector<uint8_t> bad = zktest::Damaged(packed, round, &seed, 500);
    StatusCode st = c.Decode(20000, bad, &out);
    EXPECT_TRUE(st == 0 || st == zk::kInvalidFormat) << st;
    EXPECT_LE(out.size(), 20000u);
  }
}

}  // namespace
