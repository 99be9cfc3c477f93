// crypto.IAsymmetrical: RSA key pairs, the raw RSA operations on numbers
// given as 32-bit limbs (least significant first, no padding), and the key
// blobs the key storage keeps (class cipher.RSA in zk5cipher).
//
// Blobs: each number as a 16-bit limb count and its 32-bit limbs, least
// significant first, little-endian; the public blob holds n and e, the
// private blob n, e, d, p, q and u = p^-1 mod q.
//
// Blocks handed out are runtime blocks the caller frees with zk_free; an out
// pointer that already holds a block has it freed first.
#pragma once
#include <cstdint>

#include "zk5Base.h"

namespace zk {

enum : uint32_t { kRsaPublicKey = 1, kRsaPrivateKey = 2 };

// One number of a key as bytes, least significant first.
struct RsaKeyPart {
  uint8_t* data;        // runtime block, 4 bytes per limb
  uint16_t byteLength;  // 4 x limb count
  uint32_t bitLength;   // position of the highest set bit, 0 for 0
  uint32_t reserved;    // 0
};

// A key as its parts, for callers that convert keys to other formats.
struct RsaKeyParts {
  uint32_t kind;  // kRsaPublicKey (n, e) or kRsaPrivateKey (all six)
  RsaKeyPart n, e, d, p, q, u;
  char* userId;   // ToolkitString or null; never read, freed by GetKeyParts
};

struct IAsymmetrical : IBase {
  virtual StatusCode GenerateKey(uint32_t bits) = 0;
  virtual StatusCode ExportPrivateKey(uint8_t** blob, uint32_t* size) = 0;
  virtual StatusCode ExportPublicKey(uint8_t** blob, uint32_t* size) = 0;
  virtual StatusCode PrivateDecrypt(const uint32_t* limbs, uint32_t count, uint32_t** out,
                                    uint32_t* outCount) = 0;
  virtual StatusCode PrivateEncrypt(const uint32_t* limbs, uint32_t count, uint32_t** out,
                                    uint32_t* outCount) = 0;
  virtual StatusCode PublicEncrypt(const uint32_t* limbs, uint32_t count, uint32_t** out,
                                   uint32_t* outCount) = 0;
  virtual StatusCode PublicDecrypt(const uint32_t* limbs, uint32_t count, uint32_t** out,
                                   uint32_t* outCount) = 0;
  virtual StatusCode ImportPrivateKey(const uint8_t* blob, uint32_t size) = 0;
  virtual StatusCode ImportPublicKey(const uint8_t* blob, uint32_t size) = 0;
  virtual StatusCode SetKeyParts(const RsaKeyParts* parts) = 0;
  virtual StatusCode GetKeyParts(RsaKeyParts* parts) = 0;
};

}  // namespace zk
