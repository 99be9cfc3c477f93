// The index tables and the masked prefix shared across the engine.
#include <gtest/gtest.h>

#include <cstring>

#include "EngineTables.h"
#include "EngineTestSupport.h"
#include "ZkTestSupport.h"

using namespace zk;
using namespace zk::engine;

TEST(EngineTables, StrictAndLenientIndexes) {
  struct Case {
    int32_t index;
    const char* cipher;  // strict; null outside the table
    int32_t lenientCipher;
  } cases[] = {{0, nullptr, 1},
               {1, id::CipherBlowfish, 1},
               {2, id::CipherIDEA, 2},
               {3, id::CipherRC5, 3},
               {4, id::CipherAES32, 4},
               {5, id::CipherGOST, 5},
               {6, id::CipherThreeWay, 6},
               {7, id::CipherCAST128, 7},
               {8, nullptr, 1},
               {-1, nullptr, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    const char* cls = CipherClassId(c.index);
    if (c.cipher) {
      ASSERT_NE(cls, nullptr);
      EXPECT_STREQ(cls, c.cipher);
    } else {
      EXPECT_EQ(cls, nullptr);
    }
    EXPECT_EQ(LenientCipherIndex(c.index), c.lenientCipher);
  }
  EXPECT_STREQ(HashClassId(1), id::HashMD5);
  EXPECT_STREQ(HashClassId(2), id::HashSHA);
  EXPECT_STREQ(HashClassId(3), id::HashSHA32);
  EXPECT_STREQ(HashClassId(4), id::HashGOST);
  EXPECT_EQ(HashClassId(0), nullptr);
  EXPECT_EQ(HashClassId(5), nullptr);
  const int32_t lenientHash[][2] = {{0, 3}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 3}, {255, 3}};
  for (auto& h : lenientHash) EXPECT_EQ(LenientHashIndex(h[0]), h[1]) << h[0];
  EXPECT_EQ(CarrierClassId(kFormatSecretFile), nullptr);
  EXPECT_STREQ(CarrierClassId(kFormatZIP), id::StegZIP);
  EXPECT_STREQ(CarrierClassId(kFormatMP3), id::StegMP3);
  EXPECT_EQ(CarrierClassId(6), nullptr);
}

TEST(EngineTables, StrictMakersRefuseOutsideTheTable) {
  IBlockCipher* cipher = reinterpret_cast<IBlockCipher*>(1);
  EXPECT_EQ(MakeBlockCipher(8, &cipher), kNotExecuted);
  EXPECT_EQ(cipher, nullptr);
  IHash* hash = reinterpret_cast<IHash*>(1);
  EXPECT_EQ(MakeHash(0, &hash), kNotExecuted);
  EXPECT_EQ(hash, nullptr);
}

TEST(EngineTables, MaskedPrefixRoundTrip) {
  enginetest::LoadLibraries();
  ICRC* crc = zktest::Create<ICRC>(id::CRCStdCRC, id::CryptoICRC);
  ASSERT_NE(crc, nullptr);
  uint8_t stored[kPrefixSize];
  BuildMaskedPrefix(crc, 0x1234, 1, 4, 16, 0, stored);
  EXPECT_EQ(stored[0], 0x34);
  EXPECT_EQ(stored[1], 0x12);
  EXPECT_EQ(stored[2], 'K' ^ 0x34);
  EXPECT_EQ(stored[3], 'V' ^ 0x12);
  uint8_t plain[kPrefixSize];
  UnmaskPrefix(stored, plain);
  EXPECT_TRUE(PrefixMagicOk(plain));
  EXPECT_TRUE(PrefixCrcOk(crc, plain));
  EXPECT_EQ(plain[4], 1);
  EXPECT_EQ(plain[5], 4);
  EXPECT_EQ(plain[6], 16);
  plain[5] ^= 1;
  EXPECT_FALSE(PrefixCrcOk(crc, plain));
  crc->Release();
}
