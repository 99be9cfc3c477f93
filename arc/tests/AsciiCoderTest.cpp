// arc.ASCIIcoder: the characters of small inputs are worked out by hand
// from the alphabet "0-9 A-Z a-z _ =".
#include <gtest/gtest.h>

#include <cctype>

#include "CoderTestSupport.h"
#include "ZkTestSupport.h"

namespace {

using zktest::Bytes;
using zktest::Coder;
using zktest::Vec;

std::string Text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

TEST(AsciiCoder, KnownCharacters) {
  Coder c(zk::id::ArcASCIIcoder);
  // 0x4241: 0x41 & 63 = 1, (0x4241 >> 6) & 63 = 9, 0x4241 >> 12 = 4.
  EXPECT_EQ("194", Text(c.Encode(Bytes("AB"))));
  EXPECT_EQ("!=3", Text(c.Encode({0xFF})));
  EXPECT_EQ("", Text(c.Encode({})));
  // 0x0000, 0xFFFF and the odd byte 0x40 = 0 + 64 x 1.
  EXPECT_EQ("000==F!01", Text(c.Encode({0, 0, 0xFF, 0xFF, 0x40})));
}

TEST(AsciiCoder, LineBreaks) {
  Coder c(zk::id::ArcASCIIcoder);
  ASSERT_EQ(0, c->Init(4));
  // A line holds N + 1 characters.
  EXPECT_EQ("19419\r\n4194", Text(c.Encode(Bytes("ABABAB"))));
  // The column count goes on into the next Encode; only Init resets it.
  EXPECT_EQ("1\r\n94", Text(c.Encode(Bytes("AB"))));
  EXPECT_EQ("194\r\n", Text(c.Encode(Bytes("AB"))));
  ASSERT_EQ(0, c->Init(4));
  EXPECT_EQ("194", Text(c.Encode(Bytes("AB"))));
  ASSERT_EQ(0, c->Init(0));
  EXPECT_EQ(std::string(300, '0'), Text(c.Encode(std::vector<uint8_t>(200, 0))));
  // After construction a line holds 66 characters.
  Coder fresh(zk::id::ArcASCIIcoder);
  std::string t = Text(fresh.Encode(std::vector<uint8_t>(100, 0)));
  EXPECT_EQ(std::string(66, '0') + "\r\n" + std::string(66, '0') + "\r\n" + std::string(18, '0'), t);
}

TEST(AsciiCoder, Decodes) {
  Coder c(zk::id::ArcASCIIcoder);
  std::vector<uint8_t> out;
  struct Case {
    const char* text;
    uint32_t count;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"194", 2, Bytes("AB")},
      {"1\r\n9\n4\r", 2, Bytes("AB")},  // CR and LF anywhere
      {"!=3", 1, {0xFF}},
      {"000==F!01", 5, {0, 0, 0xFF, 0xFF, 0x40}},
      {"194194", 3, Bytes("ABA")},  // never more than the count
      {"194!=3", 2, Bytes("AB")},
      {"", 0, {}},
      {"1941", 0, {}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    EXPECT_EQ(0, c.Decode(k.count, Bytes(k.text), &out));
    EXPECT_EQ(k.bytes, out);
  }
}

TEST(AsciiCoder, RejectsBadText) {
  Coder c(zk::id::ArcASCIIcoder);
  std::vector<uint8_t> out;
  struct Case {
    const char* text;
    uint32_t count;
    StatusCode st;
  } cases[] = {
      {"19 4", 2, zk::kNotFound},   // a blank is not in the alphabet
      {"19\t4", 2, zk::kNotFound},
      {"1!4", 2, zk::kNotFound},    // "!" only opens a group
      {"19G", 2, zk::kNotFound},    // 16 x 4096 does not fit in two bytes
      {"!04", 1, zk::kNotFound},    // nor 4 x 64 in one
      {"19", 2, zk::kNotExecuted},  // the input ends inside a group
      {"!\r\n", 1, zk::kNotExecuted},
      {"194", 4, zk::kInvalidFormat},  // it ends between groups before the count
      {"", 1, zk::kInvalidFormat},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    EXPECT_EQ(k.st, c.Decode(k.count, Bytes(k.text), &out));
  }
}

TEST(AsciiCoder, RoundTrips) {
  for (int32_t n : {0, 1, 65, 76}) {
    Coder c(zk::id::ArcASCIIcoder);
    ASSERT_EQ(0, c->Init(n));
    for (size_t size : {size_t(0), size_t(1), size_t(2), size_t(3), size_t(1000), size_t(70001)}) {
      std::vector<uint8_t> in = zktest::RandomBytes(size, uint32_t(size) + 1), out;
      std::vector<uint8_t> text = c.Encode(in);
      for (uint8_t ch : text) ASSERT_TRUE(ch == '\r' || ch == '\n' || ch == '!' || ch == '_' ||
                                          ch == '=' || std::isalnum(ch));
      EXPECT_EQ(0, c.Decode(uint32_t(size), text, &out));
      EXPECT_TRUE(out == in) << size;
    }
  }
}

}  // namespace
