#include "EngineTables.h"

#include <ctime>

#include "ByteOrder.h"
#include "ToolkitObject.h"

namespace zk::engine {

const char* CipherClassId(int32_t cipherIndex) {
  switch (cipherIndex) {
    case kCipherBlowfish: return id::CipherBlowfish;
    case kCipherIDEA: return id::CipherIDEA;
    case kCipherRC5: return id::CipherRC5;
    case kCipherAES32: return id::CipherAES32;
    case kCipherGOST: return id::CipherGOST;
    case kCipher3Way: return id::CipherThreeWay;
    case kCipherCAST128: return id::CipherCAST128;
    default: return nullptr;
  }
}

const char* HashClassId(int32_t hashIndex) {
  switch (hashIndex) {
    case kHashMD5: return id::HashMD5;
    case kHashSHA: return id::HashSHA;
    case kHashSHA32: return id::HashSHA32;
    case kHashGOST: return id::HashGOST;
    default: return nullptr;
  }
}

const char* CarrierClassId(int32_t format) {
  switch (format) {
    case kFormatBMP: return id::StegBMP;
    case kFormatPNG: return id::StegPNG;
    case kFormatJPEG: return id::StegJPEG;
    case kFormatGIF: return id::StegGIF;
    case kFormatText: return id::StegText;
    case kFormatWAVE: return id::StegWAVE;
    case kFormatMP3: return id::StegMP3;
    case kFormatZIP: return id::StegZIP;
    default: return nullptr;
  }
}

int32_t LenientCipherIndex(int32_t cipherIndex) {
  return cipherIndex >= kCipherIDEA && cipherIndex <= kCipherCAST128 ? cipherIndex
                                                                     : int32_t(kCipherBlowfish);
}

int32_t LenientHashIndex(int32_t hashIndex) {
  return hashIndex == kHashMD5 || hashIndex == kHashSHA || hashIndex == kHashGOST
             ? hashIndex
             : int32_t(kHashSHA32);
}

StatusCode MakeBlockCipher(int32_t cipherIndex, IBlockCipher** out) {
  *out = nullptr;
  const char* cls = CipherClassId(cipherIndex);
  if (!cls) return kNotExecuted;
  return CreateFace(cls, id::CryptoIBlockCipher, out);
}

StatusCode MakeHash(int32_t hashIndex, IHash** out) {
  *out = nullptr;
  const char* cls = HashClassId(hashIndex);
  if (!cls) return kNotExecuted;
  return CreateFace(cls, id::CryptoIHash, out);
}

namespace {
uint32_t (*g_clock)() = nullptr;
}  // namespace

uint32_t Now() { return g_clock ? g_clock() : uint32_t(std::time(nullptr)); }

// The tests' clock seam (declared in tests/SeamTestSupport.h).
void SetClockForTests(uint32_t (*clock)()) { g_clock = clock; }

void BuildMaskedPrefix(ICRC* crc, uint16_t mask, uint8_t b4, uint8_t b5, uint8_t b6, uint8_t b7,
                       uint8_t out[kPrefixSize]) {
  ZK_REQUIRE(crc, id::CryptoICRC);
  StoreLE16(out, mask);
  out[2] = 'K';
  out[3] = 'V';
  out[4] = b4;
  out[5] = b5;
  out[6] = b6;
  out[7] = b7;
  StoreLE16(out + 8, uint16_t(crc->Crc16(0, out, 8)));
  for (int at = 2; at < 10; at += 2) StoreLE16(out + at, LoadLE16(out + at) ^ mask);
}

void UnmaskPrefix(const uint8_t stored[kPrefixSize], uint8_t plain[kPrefixSize]) {
  uint16_t mask = LoadLE16(stored);
  StoreLE16(plain, mask);
  for (int at = 2; at < 10; at += 2) StoreLE16(plain + at, LoadLE16(stored + at) ^ mask);
}

bool PrefixMagicOk(const uint8_t plain[kPrefixSize]) { return plain[2] == 'K' && plain[3] == 'V'; }

bool PrefixCrcOk(ICRC* crc, const uint8_t plain[kPrefixSize]) {
  ZK_REQUIRE(crc, id::CryptoICRC);
  return uint16_t(crc->Crc16(0, plain, 8)) == LoadLE16(plain + 8);
}

}  // namespace zk::engine
