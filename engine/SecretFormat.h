// The secret stream: masked prefix, optional key block, then one
// cipher-feedback text from offset 0 whose first 10 (or 546) bytes are the
// prefix and key block as stored, and which carries the 52-byte content
// header and the content.
#pragma once
#include <cstdint>

#include "EngineCommon.h"
#include "kvSafeDriver.h"
#include "zk5BlockCipher.h"
#include "zk5Stream.h"

namespace zk::engine {

inline constexpr uint32_t kSecretPrefixSize = 10;
inline constexpr uint32_t kKeyBlockSize = 536;
inline constexpr uint32_t kContentHeaderSize = 52;
inline constexpr uint32_t kParamsSize = 532;
inline constexpr uint32_t kMaxKeyBytes = 520;
inline constexpr uint32_t kContentKeySize = 32;
// A content (with the extra bytes) of this size or more is refused.
inline constexpr uint64_t kContentLimit = 0xFFFFF000u;
// Working data above this size goes to a temporary file.
inline constexpr uint64_t kStageLimit = 0x1000000u;
// Free space is reported at most as this.
inline constexpr uint64_t kDiskFreeCut = 0xFFFF0000u;

// Where the header starts and where the content starts.
inline uint32_t HeaderOffset(bool rsa) { return rsa ? kSecretPrefixSize + kKeyBlockSize : kSecretPrefixSize; }
inline uint32_t ContentOffset(bool rsa) { return HeaderOffset(rsa) + kContentHeaderSize; }

struct PrefixFields {
  uint8_t version = 0;
  uint8_t cipherIndex = 0;
  uint8_t contentType = 0;
  uint8_t flags = 0;
};

// Checks a stored prefix: -19 bad magic, -18 version above 1, -19 bad CRC.
StatusCode ReadPrefix(ICRC* crc, const uint8_t stored[kSecretPrefixSize], PrefixFields* out);

struct HeaderFields {
  uint32_t created = 0;
  uint32_t modified = 0;
  uint8_t hashIndex = 0;
  uint8_t safeMark = 0;    // 5 for a safe, else 0
  uint8_t headerByte = 0;  // kept from the parameters, unchanged
  uint32_t totalLength = 0;
  uint8_t digest[32] = {};
};

void BuildHeader(ICRC* crc, const HeaderFields& h, uint8_t out[kContentHeaderSize]);
// -13 when the CRC or the magic does not hold (a wrong key shows here).
StatusCode ParseHeader(ICRC* crc, const uint8_t in[kContentHeaderSize], HeaderFields* out);

// The iv: the stored prefix bytes, cut to the block size or padded with
// zeros up to it. out holds at least 32 bytes.
void MakeIv(const uint8_t stored[kSecretPrefixSize], uint32_t blockSize, uint8_t* out);

// The block cipher of the index keyed from key bytes through cipher.SetPassword.
StatusCode MakeKeyedCipher(int32_t cipherIndex, const void* key, uint32_t keyLength, IBlockCipher** out);

// The secret's cipher stream: AttachCipher with the iv MakeIv gives;
// kInvalidArg for a block size above 32 bytes.
StatusCode AttachSecretCipher(IFileStrem* stream, IBlockCipher* cipher,
                              const uint8_t storedPrefix[kSecretPrefixSize], uint64_t at,
                              IFileStrem** out);

// The mask of new secrets: 16 bits from the entropy pool (its error passes
// through).
StatusCode NewSecretMask(uint16_t* out);

}  // namespace zk::engine
