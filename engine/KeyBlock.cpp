// The key block of a secret sealed to an RSA key: a random content key
// sealed with the recipient's public key and a check value under the
// content key, made at Create; at Open the key pairs of the key storage
// are tried in list order until one gives the content key.
#include <cstring>

#include "ByteOrder.h"
#include "Wipe.h"
#include "EngineTables.h"
#include "KeysCommon.h"
#include "SecretKeyBlock.h"
#include "zk5Cipher.h"

namespace zk::engine {
namespace {

constexpr uint32_t kCheckWord = 0x5356494B;  // "KIVS" read as a little-endian word
constexpr uint32_t kSealedAt = 4, kSealedMax = 520, kCheckAt = 524, kCrcAt = 532;
constexpr uint32_t kKeyLimbs = kContentKeySize / 4;

// Bits of the modulus and the public exponent (saturated to 32 bits) of a
// public key blob; false for a blob that does not hold both numbers.
bool ModulusAndExponent(const uint8_t* blob, uint32_t size, uint32_t* nBits, uint64_t* e) {
  if (size < 2) return false;
  const uint32_t nLimbs = LoadLE16(blob);
  if (size < 2 + 4ull * nLimbs + 2) return false;
  uint32_t top = nLimbs;
  while (top > 0 && LoadLE32(blob + 2 + 4 * (top - 1)) == 0) --top;
  *nBits = 0;
  if (top) *nBits = 32 * (top - 1) + (32 - __builtin_clz(LoadLE32(blob + 2 + 4 * (top - 1))));
  const uint8_t* eAt = blob + 2 + 4 * nLimbs;
  const uint32_t eLimbs = LoadLE16(eAt);
  if (size < 2 + 4ull * nLimbs + 2 + 4ull * eLimbs) return false;
  *e = 0;
  for (uint32_t i = 0; i < eLimbs; ++i) {
    const uint32_t limb = LoadLE32(eAt + 2 + 4 * i);
    if (i == 0) *e = limb;
    else if (limb) *e = UINT32_MAX + 1ull;  // anything wider wraps
  }
  return true;
}

}  // namespace

StatusCode MakeKeyBlock(ISafeDriverApp* driver, const SecretParams& params, uint8_t block[kKeyBlockSize],
                        KeyBlockResult* out) {
  if (!driver || !out || params.keyLength == 0 || params.keyLength > kMaxKeyBytes) return kInvalidArg;
  std::memset(block, 0, kKeyBlockSize);
  uint32_t nBits = 0;
  uint64_t e = 0;
  if (!ModulusAndExponent(params.key, params.keyLength, &nBits, &e)) return kInvalidArg;
  // With so small an exponent the 256-bit key to the power e stays below
  // the modulus: the sealed key would be a plain root away.
  if (e * 256 <= nBits) return kNotExecuted;

  // The content key from the entropy pool, whitened by Blowfish.
  {
    Held<ICipherEntropy> entropy;
    Held<IBlockCipher> whitening;
    StatusCode st = CreateFace(id::CipherEntropy, id::CryptoICipherEntropy, &entropy.p);
    if (st == kOk) st = CreateFace(id::CipherBlowfish, id::CryptoIBlockCipher, &whitening.p);
    if (st == kOk) st = entropy->SetCipher(whitening.p);
    if (st == kOk) st = entropy->GetRandom(out->contentKey, kContentKeySize);
    if (st != kOk) return st;
  }
  uint32_t keyLimbs[kKeyLimbs];
  for (uint32_t i = 0; i < kKeyLimbs; ++i) keyLimbs[i] = LoadLE32(out->contentKey + 4 * i);
  Held<IAsymmetrical> rsa;
  RuntimeBlock<uint32_t> sealed;
  uint32_t sealedCount = 0;
  StatusCode st = CreateFace(id::CipherRSA, id::CryptoIAsymmetrical, &rsa.p);
  if (st == kOk) st = rsa->ImportPublicKey(params.key, params.keyLength);
  if (st == kOk) st = rsa->PublicDecrypt(keyLimbs, kKeyLimbs, &sealed.p, &sealedCount);
  Wipe(keyLimbs, sizeof keyLimbs);
  if (st != kOk) return st;
  if (sealedCount == 0 || sealedCount * 4 > kSealedMax) return kNotExecuted;
  StoreLE16(block + 2, static_cast<uint16_t>(sealedCount * 4));
  for (uint32_t i = 0; i < sealedCount; ++i) StoreLE32(block + kSealedAt + 4 * i, sealed.p[i]);

  const uint32_t now = Now();
  StoreLE32(block + kCheckAt, now);
  StoreLE32(block + kCheckAt + 4, now ^ kCheckWord);
  {
    Held<IBlockCipher> cipher;
    st = MakeKeyedCipher(params.cipherIndex, out->contentKey, kContentKeySize, &cipher.p);
    if (st == kOk) st = cipher->EncryptBlocks(block + kCheckAt, 8);
    if (st != kOk) return st;
  }
  Held<ICRC> crc;
  st = CreateFace(id::CRCStdCRC, id::CryptoICRC, &crc.p);
  if (st != kOk) return st;
  StoreLE32(block + kCrcAt, crc->Crc32(0, block, kCrcAt));

  // The key the caller chose with GetPublicKeyBlob.
  Held<IKeysCtrl> keys;
  st = driver->GetKeysCtrl(&keys.p);
  if (st != kOk) return st;
  if (!keys.p) return kNotFound;
  int32_t isPair = 0;
  st = keys->GetSelectedKeyInfo(&isPair, &out->keyInfo);
  out->keyListFlag = isPair ? 1 : 0;
  return st;
}

StatusCode OpenKeyBlock(ISafeDriverApp* driver, int32_t cipherIndex, const uint8_t block[kKeyBlockSize],
                        KeyBlockResult* out) {
  if (!driver || !out) return kInvalidArg;
  Held<IBlockCipher> cipher;
  Held<IPassword> password;
  StatusCode st = MakeBlockCipher(cipherIndex, &cipher.p);
  if (st == kOk) st = CreateFace(id::CipherSetPassword, id::CryptoIPassword, &password.p);
  if (st != kOk) return st;
  Held<IKeysCtrl> keys;
  st = driver->GetKeysCtrl(&keys.p);
  if (st != kOk) return st;
  if (!keys.p) return kNotFound;
  Held<IKeyOperations> ops;
  st = keys->QueryInterface(id::KivIKeyOperations, reinterpret_cast<void**>(&ops.p));
  if (st != kOk) return st;
  if (!ops.p) return kNoInterface;

  const uint32_t pairs = keys->GetPrivateKeyCount();
  if (pairs == 0) return kAccessDenied;
  // Not tested here, as readers never have: the reserved word (0..1), the
  // unused end of the sealed-key field and the CRC-32 at 532. Damage to the
  // first two goes unnoticed (the content stays protected by the header and
  // its digest); the block's last cipher block, the CRC-32 among it, seeds
  // the content cipher's feedback, so damage there fails the header check.
  const uint32_t sealedLength = LoadLE16(block + 2);
  if (sealedLength > kSealedMax) return kInvalidFormat;
  uint32_t sealed[kSealedMax / 4];
  const uint32_t sealedCount = sealedLength / 4;
  for (uint32_t i = 0; i < sealedCount; ++i) sealed[i] = LoadLE32(block + kSealedAt + 4 * i);

  for (uint32_t i = 0; i < pairs; ++i) {
    RuntimeBlock<uint32_t> result;
    uint32_t count = 0;
    // A result of fewer than 8 limbs is a key with leading zero words.
    if (ops->PrivateDecrypt(i, sealed, sealedCount, &result.p, &count) != kOk || count > kKeyLimbs) continue;
    result.bytes = count * 4;
    uint8_t key[kContentKeySize] = {};
    for (uint32_t k = 0; k < count; ++k) StoreLE32(key + 4 * k, result.p[k]);
    uint8_t check[8];
    std::memcpy(check, block + kCheckAt, 8);
    st = password->SetPassword(cipher.p, key, kContentKeySize);
    if (st == kOk) st = cipher->DecryptBlocks(check, 8);
    if (st != kOk) {
      Wipe(key, sizeof key);
      return st;
    }
    if ((LoadLE32(check) ^ LoadLE32(check + 4)) != kCheckWord) {
      Wipe(key, sizeof key);
      continue;
    }
    // The check value is stored plain for ciphers of more than 8 bytes a
    // block, so a pair that passes it may still be the wrong one: the
    // header decides, and a failing header lets the trial go on.
    if (out->headerCheck) {
      st = out->headerCheck(key);
      if (st == kAccessDenied) {
        Wipe(key, sizeof key);
        continue;
      }
      if (st != kOk) {
        Wipe(key, sizeof key);
        return st;
      }
    }
    st = keys->GetPrivateKeyInfo(i, &out->keyInfo);
    if (st == kOk) {
      out->keyListFlag = 1;
      std::memcpy(out->contentKey, key, kContentKeySize);
    }
    Wipe(key, sizeof key);
    return st;
  }
  return kAccessDenied;
}

}  // namespace zk::engine
