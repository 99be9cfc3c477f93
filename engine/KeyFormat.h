// Byte layouts of the key storage: key records, the masked 10-byte prefix
// and the 52-byte header that open the storage file, key files and
// signature files, the owner order and the user id text of an owner.
#pragma once
#include <cstdint>
#include <string>

#include "zk5BlockCipher.h"
#include "EngineTables.h"

namespace zk::engine {

using ::StatusCode;

inline constexpr uint32_t kHeaderSize = 52;
inline constexpr uint32_t kOwnerField = 33;    // 32 characters and a terminator
inline constexpr uint32_t kOwnerSize = 132;    // name, second name, country, city
inline constexpr uint32_t kRecordHead = 142;   // created, bits, owner, blobLength
inline constexpr uint32_t kPairRecordSize = 1950;
inline constexpr uint32_t kPublicRecordSize = 662;
inline constexpr uint32_t kMaxPrivateBlob = 1808;
inline constexpr uint32_t kMaxPublicBlob = 520;

// Prefix kinds.
enum : uint8_t {
  kKindSignature = 4,
  kKindPublicKey = 5,
  kKindKeyPair = 6,
  kKindStorage = 14,
};

// A key record as stored, in memory and in files alike.
template <uint32_t kSize>
struct KeyRecord {
  static constexpr uint32_t kBlobMax = kSize - kRecordHead;
  uint8_t bytes[kSize];

  uint32_t Created() const;
  uint32_t Bits() const;
  const uint8_t* Owner() const { return bytes + 8; }
  uint16_t BlobLength() const;
  const uint8_t* Blob() const { return bytes + kRecordHead; }
  // Fills the whole record; the blob is at most kBlobMax bytes.
  void Set(uint32_t created, uint32_t bits, const uint8_t owner[kOwnerSize], const uint8_t* blob,
           uint32_t blobLength);
  // Blob length within bounds and each owner text terminated.
  bool Valid() const;
};
using PairRecord = KeyRecord<kPairRecordSize>;
using PublicRecord = KeyRecord<kPublicRecordSize>;

// Each of the four 33-byte owner texts holds a terminator.
bool OwnerTerminated(const uint8_t owner[kOwnerSize]);

// Compares two owner names (first owner field) by an ASCII-only case fold,
// then as unsigned bytes, whatever the process locale is.
int CompareOwnerNames(const uint8_t* a, const uint8_t* b);

// The key info of a record: the local time of `created`, the bits and the
// 132-byte owner.
void FillKeyInfo(uint32_t created, uint32_t bits, const uint8_t* owner, zk::KeyInfo* info);

// "name second (country, city)" of an owner.
std::string UserIdText(const uint8_t owner[kOwnerSize]);

// Builds a prefix: plain gets the 10 bytes before masking (mask, "KV", 1,
// byte5, kind, 0, CRC-16 of bytes 0-7), stored the bytes with the words at
// 2, 4, 6 and 8 masked.
void BuildPrefix(zk::ICRC* crc, uint16_t mask, uint8_t byte5, uint8_t kind, uint8_t plain[kPrefixSize],
                 uint8_t stored[kPrefixSize]);
// Unmasks a stored prefix into plain and checks its CRC, magic, byte 4 = 1
// and byte 5; the kind is left to the caller. -14 on a mismatch.
StatusCode CheckPrefix(zk::ICRC* crc, const uint8_t stored[kPrefixSize], uint8_t byte5,
                       uint8_t plain[kPrefixSize]);

// Builds the 52-byte header: both times, format byte (a 32-bit value at
// 8), length, the 32-byte digest and the CRC-16 of bytes 0-49.
void BuildHeader(zk::ICRC* crc, uint32_t time, uint32_t format, uint32_t length,
                 const uint8_t digest[32], uint8_t header[kHeaderSize]);
// True when the header's CRC-16 holds.
bool HeaderCrcHolds(zk::ICRC* crc, const uint8_t header[kHeaderSize]);

}  // namespace zk::engine
