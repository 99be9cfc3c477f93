// The key block of a secret sealed for an RSA key pair: made at Create,
// opened by the key trial at Open (defined in KeyBlock.cpp).
#pragma once
#include <cstdint>
#include <functional>

#include "SecretFormat.h"
#include "kvSafeDriver.h"

namespace zk::engine {

struct KeyBlockResult {
  uint8_t contentKey[kContentKeySize] = {};
  KeyInfo keyInfo = {};
  uint32_t keyListFlag = 0;
  // At Open, when set: the content header's check under a content key the
  // trial found; -13 lets the trial go on with the next pair.
  std::function<StatusCode(const uint8_t* contentKey)> headerCheck;
};

// Draws a content key, seals it with the public key blob of params (key
// bytes and key length) and fills the 536-byte block (check value and
// CRC-32 included); reports the key's information from the key storage.
StatusCode MakeKeyBlock(ISafeDriverApp* driver, const SecretParams& params, uint8_t block[kKeyBlockSize],
                        KeyBlockResult* out);

// Tries the key pairs of the key storage on a stored block; the first that
// opens it gives the content key. The block's CRC-32, reserved word and
// unused sealed-key bytes are not checked.
StatusCode OpenKeyBlock(ISafeDriverApp* driver, int32_t cipherIndex, const uint8_t block[kKeyBlockSize],
                        KeyBlockResult* out);

}  // namespace zk::engine
