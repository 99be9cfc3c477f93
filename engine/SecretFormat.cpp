#include "SecretFormat.h"

#include <cstring>

#include "ByteOrder.h"
#include "EngineTables.h"
#include "ToolkitObject.h"
#include "zk5Cipher.h"

namespace zk::engine {

// The tests' seam (declared in tests/SeamTestSupport.h): fixes the mask.
namespace seam {
int32_t (*mask)() = nullptr;
}  // namespace seam

StatusCode ReadPrefix(ICRC* crc, const uint8_t stored[kSecretPrefixSize], PrefixFields* out) {
  uint8_t plain[kSecretPrefixSize];
  UnmaskPrefix(stored, plain);
  if (!PrefixMagicOk(plain)) return kNoMessages;
  // The version is looked at before the CRC: a later format may lay its
  // checked bytes out otherwise.
  if (plain[4] > 1) return kBadVersion;
  if (!PrefixCrcOk(crc, plain)) return kNoMessages;
  out->version = plain[4];
  out->cipherIndex = plain[5];
  out->contentType = plain[6];
  out->flags = plain[7];
  return kOk;
}

void BuildHeader(ICRC* crc, const HeaderFields& h, uint8_t out[kContentHeaderSize]) {
  ZK_REQUIRE(crc, id::CryptoICRC);
  std::memset(out, 0, kContentHeaderSize);
  StoreLE32(out, h.created);
  StoreLE32(out + 4, h.modified);
  out[8] = h.hashIndex;
  out[9] = h.safeMark;
  out[10] = h.headerByte;
  StoreLE32(out + 12, h.totalLength);
  std::memcpy(out + 16, h.digest, 32);
  out[48] = 'K';
  out[49] = 'V';
  StoreLE16(out + 50, uint16_t(crc->Crc16(0, out, 50)));
}

StatusCode ParseHeader(ICRC* crc, const uint8_t in[kContentHeaderSize], HeaderFields* out) {
  ZK_REQUIRE(crc, id::CryptoICRC);
  if (uint16_t(crc->Crc16(0, in, 50)) != LoadLE16(in + 50) || in[48] != 'K' || in[49] != 'V')
    return kAccessDenied;
  out->created = LoadLE32(in);
  out->modified = LoadLE32(in + 4);
  out->hashIndex = in[8];
  out->safeMark = in[9];
  out->headerByte = in[10];
  out->totalLength = LoadLE32(in + 12);
  std::memcpy(out->digest, in + 16, 32);
  return kOk;
}

void MakeIv(const uint8_t stored[kSecretPrefixSize], uint32_t blockSize, uint8_t* out) {
  std::memset(out, 0, blockSize);
  std::memcpy(out, stored, blockSize < kSecretPrefixSize ? blockSize : kSecretPrefixSize);
}

StatusCode MakeKeyedCipher(int32_t cipherIndex, const void* key, uint32_t keyLength, IBlockCipher** out) {
  *out = nullptr;
  IBlockCipher* cipher = nullptr;
  StatusCode st = MakeBlockCipher(cipherIndex, &cipher);
  if (st != kOk) return st;
  IPassword* password = nullptr;
  st = CreateFace(id::CipherSetPassword, id::CryptoIPassword, &password);
  if (st == kOk) {
    st = password->SetPassword(cipher, key, keyLength);
    password->Release();
  }
  if (st != kOk) {
    cipher->Release();
    return st;
  }
  *out = cipher;
  return kOk;
}

StatusCode AttachSecretCipher(IFileStrem* stream, IBlockCipher* cipher,
                              const uint8_t storedPrefix[kSecretPrefixSize], uint64_t at,
                              IFileStrem** out) {
  *out = nullptr;
  ZK_REQUIRE(cipher, id::CryptoIBlockCipher);
  const uint32_t n = cipher->GetBlockSize();
  if (n == 0 || n > 32) return kInvalidArg;
  uint8_t iv[32];
  MakeIv(storedPrefix, n, iv);
  return AttachCipher(stream, cipher, iv, n, at, out);
}

StatusCode NewSecretMask(uint16_t* out) {
  if (seam::mask) {
    *out = uint16_t(seam::mask());
    return kOk;
  }
  ICipherEntropy* entropy = nullptr;
  StatusCode st = CreateFace(id::CipherEntropy, id::CryptoICipherEntropy, &entropy);
  if (st != kOk) return st;
  IBlockCipher* whitening = nullptr;
  st = MakeBlockCipher(kCipherBlowfish, &whitening);
  if (st == kOk) st = entropy->SetCipher(whitening);
  uint8_t bytes[2] = {};
  if (st == kOk) st = entropy->GetRandom(bytes, 2);
  ReleaseAndNull(whitening);
  entropy->Release();
  if (st != kOk) return st;
  *out = LoadLE16(bytes);
  return kOk;
}

}  // namespace zk::engine
