// Cryptographic primitives of zk5cipher: block ciphers, hashes, the hash
// stream, the block-cipher hash and the CRC object.
//
// Interfaces are abstract: virtual functions only, in slot order after the
// five std.IBase operations, no data and no virtual destructor. Lengths are
// unsigned 32-bit byte counts.
#pragma once
#include <cstdint>

#include "zk5Base.h"
#include "zk5Stream.h"

namespace zk {

// crypto.IBlockCipher: one key, whole blocks encrypted or decrypted in place.
struct IBlockCipher : IBase {
  virtual uint32_t GetBlockSize() = 0;
  virtual uint32_t GetMinKeySize() = 0;
  virtual uint32_t GetMaxKeySize() = 0;
  // 0, or -2 when the length is refused or no key is given (the previous
  // schedule then stays).
  virtual StatusCode SetKey(const void* key, uint32_t length) = 0;
  // Works on the first length / block-size whole blocks, each on its own;
  // the bytes of a final partial block are left as they are.
  virtual StatusCode EncryptBlocks(void* buffer, uint32_t length) = 0;
  virtual StatusCode DecryptBlocks(void* buffer, uint32_t length) = 0;
};

// crypto.IHash: Init, any number of Updates, Final.
struct IHash : IBase {
  virtual uint32_t GetDigestSize() = 0;
  virtual uint32_t GetBlockSize() = 0;
  virtual StatusCode Init() = 0;
  virtual StatusCode Update(const void* data, uint32_t length) = 0;
  // -2 when out is missing or outSize is below the digest size.
  virtual StatusCode Final(void* out, uint32_t outSize) = 0;
};

// crypto.IHashStream: feeds the rest of a stream through an attached hash.
struct IHashStream : IBase {
  // The object is queried for crypto.IHash; null detaches the hash held.
  virtual StatusCode SetHash(IBase* hash) = 0;
  virtual StatusCode HashStream(IStream* stream, void* out, uint32_t outSize) = 0;
};

// crypto.ICipherHash: the block-cipher hash's choice of cipher and kind.
struct ICipherHash : IBase {
  // The object is queried for crypto.IBlockCipher; kind 1 gives a digest of
  // one cipher block, kind 2 of two.
  virtual StatusCode SetBlockCipher(IBase* cipher, int32_t kind) = 0;
};

// crypto.ICRC: CRC-16 (ARC) and CRC-32 (IEEE 802.3) over a buffer or the
// rest of a stream; the running value is passed in as the seed. The 16-bit
// forms use and return the low 16 bits of the word.
struct ICRC : IBase {
  virtual uint32_t Crc16(uint32_t seed, const void* data, uint32_t length) = 0;
  virtual uint32_t Crc32(uint32_t seed, const void* data, uint32_t length) = 0;
  virtual uint32_t Crc16Stream(uint32_t seed, IStream* stream) = 0;
  virtual uint32_t Crc32Stream(uint32_t seed, IStream* stream) = 0;
};

}  // namespace zk
