// CRC.StdCRC: the check values of "123456789", chaining, seeds returned
// unchanged, a bitwise model over random data, and the stream forms'
// reads, ends and failures.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "ModesTestSupport.h"
#include "ZkTestSupport.h"

namespace {

struct Crc {
  zk::ICRC* p = zktest::Create<zk::ICRC>(zk::id::CRCStdCRC, zk::id::CryptoICRC);
  ~Crc() { zk::ReleaseAndNull(p); }
  zk::ICRC* operator->() { return p; }
};

// Bit by bit from the polynomials: CRC-16 of ARC and CRC-32 of IEEE 802.3.
uint32_t Bitwise(const std::vector<uint8_t>& d, uint32_t poly, uint32_t init, uint32_t xorOut) {
  uint32_t c = init;
  for (uint8_t b : d) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ ((c & 1) ? poly : 0);
  }
  return c ^ xorOut;
}

const std::vector<uint8_t> kCheck = ciphertest::Bytes("123456789");

TEST(CrcTest, CheckValuesChainingAndSeeds) {
  Crc crc;
  ASSERT_NE(crc.p, nullptr);
  EXPECT_EQ(crc->Crc32(0, kCheck.data(), 9), 0xCBF43926u);
  EXPECT_EQ(crc->Crc16(0, kCheck.data(), 9), 0xBB3Du);
  EXPECT_EQ(crc->Crc32(crc->Crc32(0, "1234", 4), "56789", 5), 0xCBF43926u);
  EXPECT_EQ(crc->Crc16(crc->Crc16(0, "1234", 4), "56789", 5), 0xBB3Du);
  for (uint32_t seed : {0u, 0x1234u, 0xDEADBEEFu}) {
    EXPECT_EQ(crc->Crc16(seed, "x", 0), seed);
    EXPECT_EQ(crc->Crc32(seed, "x", 0), seed);
    EXPECT_EQ(crc->Crc16(seed, nullptr, 5), seed);
    EXPECT_EQ(crc->Crc32(seed, nullptr, 5), seed);
  }
}

TEST(CrcTest, RandomDataMatchesBitwiseModel) {
  Crc crc;
  std::mt19937 rng(3);
  for (int trial = 0; trial < 50; ++trial) {
    std::vector<uint8_t> d(rng() % 300 + 1);
    for (auto& b : d) b = uint8_t(rng());
    uint32_t n = uint32_t(d.size());
    EXPECT_EQ(crc->Crc32(0, d.data(), n), Bitwise(d, 0xEDB88320u, 0xFFFFFFFFu, 0xFFFFFFFFu));
    EXPECT_EQ(crc->Crc16(0, d.data(), n), Bitwise(d, 0xA001u, 0, 0));
  }
}

TEST(CrcTest, StreamFormsReadToTheEnd) {
  Crc crc;
  std::vector<uint8_t> d(10000);
  for (size_t i = 0; i < d.size(); ++i) d[i] = uint8_t(i * 7 + (i >> 8));
  const uint32_t n = uint32_t(d.size());
  for (bool wide : {false, true}) {
    zktest::FakeStream* f = zktest::FakeStream::Make({}, true);
    f->data = d;
    uint32_t got = wide ? crc->Crc32Stream(5, f) : crc->Crc16Stream(5, f);
    EXPECT_EQ(got, wide ? crc->Crc32(5, d.data(), n) : crc->Crc16(5, d.data(), n));
    EXPECT_EQ(f->reads, 3);  // 4096, 4096 and 1808 bytes
    EXPECT_EQ(f->position, d.size());
    // Already at the end: the seed.
    EXPECT_EQ(wide ? crc->Crc32Stream(77, f) : crc->Crc16Stream(77, f), 77u);
    EXPECT_EQ(f->reads, 3);
    f->Release();
  }
  EXPECT_EQ(crc->Crc32Stream(9, nullptr), 9u);
  EXPECT_EQ(crc->Crc16Stream(9, nullptr), 9u);
}

TEST(CrcTest, StreamFormsStopOnFailedOrEmptyReads) {
  Crc crc;
  zktest::FakeStream* f = zktest::FakeStream::Make({}, true);
  f->data = kCheck;
  f->failRead = true;
  EXPECT_EQ(crc->Crc32Stream(3, f), 3u);
  EXPECT_EQ(crc->Crc16Stream(3, f), 3u);
  f->failRead = false;
  // A stream that answers no bytes yet is not at its end: no endless loop.
  f->stalled = true;
  EXPECT_EQ(crc->Crc32Stream(3, f), 3u);
  EXPECT_EQ(crc->Crc16Stream(3, f), 3u);
  EXPECT_EQ(f->reads, 4);
  // Small reads chain to the whole value.
  f->stalled = false;
  f->maxRead = 2;
  EXPECT_EQ(crc->Crc32Stream(0, f), 0xCBF43926u);
  f->position = 0;
  EXPECT_EQ(crc->Crc16Stream(0, f), 0xBB3Du);
  f->Release();
}

}  // namespace
