// What more than one part of the engine shares: the cipher and hash index
// tables (strict for secrets, lenient for the text encoder), the carrier
// classes by container format, the masked 10-byte prefix that opens
// secrets, text blocks, key files and signature files, and object creation
// through the class registry.
#pragma once
#include <cstdint>

#include "ToolkitObject.h"
#include "kvSafeDriver.h"
#include "zk5BlockCipher.h"

namespace zk::engine {

// Class ids by index; null outside the table.
const char* CipherClassId(int32_t cipherIndex);
const char* HashClassId(int32_t hashIndex);
// The carrier class of a container format; null for 1 (a plain secret
// file) and for every value that names no carrier.
const char* CarrierClassId(int32_t format);

// The lenient forms: a cipher index outside 2..7 becomes 1 (Blowfish), a
// hash index other than 1, 2 and 4 becomes 3 (SHA32).
int32_t LenientCipherIndex(int32_t cipherIndex);
int32_t LenientHashIndex(int32_t hashIndex);

// New objects through the class registry by index (strict: -3 outside the
// table), asked for crypto.IBlockCipher / crypto.IHash.
StatusCode MakeBlockCipher(int32_t cipherIndex, IBlockCipher** out);
StatusCode MakeHash(int32_t hashIndex, IHash** out);

// Object creation through the class registry is the toolkit base's.
using zk::CreateFace;

// The current time as a 32-bit C time value (tests may put a clock of
// their own in place).
uint32_t Now();

// The masked prefix: u16 mask, "KV", four bytes (b4..b7), CRC-16 (start 0)
// of bytes 0-7, after which the words at 2, 4, 6 and 8 are XORed with the
// mask.
inline constexpr uint32_t kPrefixSize = 10;
void BuildMaskedPrefix(ICRC* crc, uint16_t mask, uint8_t b4, uint8_t b5, uint8_t b6, uint8_t b7,
                       uint8_t out[kPrefixSize]);
// Unmasks a stored prefix into plain (the mask word stays as stored).
void UnmaskPrefix(const uint8_t stored[kPrefixSize], uint8_t plain[kPrefixSize]);
// Whether an unmasked prefix carries "KV" at byte 2, and whether its CRC
// of bytes 0-7 equals the word at byte 8.
bool PrefixMagicOk(const uint8_t plain[kPrefixSize]);
bool PrefixCrcOk(ICRC* crc, const uint8_t plain[kPrefixSize]);

}  // namespace zk::engine
