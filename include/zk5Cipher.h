// Interfaces of zk5cipher's cipher modes, encrypting file streams, entropy
// pool and password keys: crypto.ICipher, crypto.ICipherStream,
// crypto.ICipherFileStream, crypto.ISeekCipherOFB, crypto.ICipherEntropy and
// crypto.IPassword; also stream.IStreamProcessor (served by opgp.Radix64).
// Block ciphers and hashes (crypto.IBlockCipher, crypto.IHash) are declared
// in zk5BlockCipher.h.
#pragma once
#include <cstdint>

#include "zk5Base.h"
#include "zk5Stream.h"

namespace zk {

struct IBlockCipher;

enum CipherMode : int32_t {
  kModeECB = 0,  // electronic code book
  kModeCBC = 1,  // cipher block chaining
  kModeCFB = 2,  // cipher feedback, byte by byte on full blocks
  kModeOFB = 3,  // output feedback, byte by byte on full blocks
};

struct ICipher : IBase {
  virtual StatusCode SetBlockCipher(IBlockCipher* cipher, int32_t mode, const void* iv,
                                    uint32_t ivLength) = 0;
  virtual StatusCode ResetIV(const void* iv, uint32_t ivLength) = 0;
  virtual StatusCode Encrypt(void* buffer, uint32_t length) = 0;
  virtual StatusCode EncryptStream(IStream* in, IStream* out) = 0;
  virtual StatusCode Decrypt(void* buffer, uint32_t length) = 0;
  virtual StatusCode DecryptStream(IStream* in, IStream* out) = 0;
};

struct ICipherStream : IBase {
  virtual StatusCode SetStream(IStream* stream) = 0;
};

struct ICipherFileStream : IBase {
  virtual StatusCode Attach(IFileStrem* fileStream, IBlockCipher* blockCipher, const void* iv,
                            uint32_t ivLength) = 0;
};

struct ISeekCipherOFB : IBase {
  virtual StatusCode SkipForward(uint32_t length) = 0;
  virtual StatusCode SkipBackward(uint32_t length) = 0;
};

struct ICipherEntropy : IBase {
  virtual StatusCode SetCipher(IBlockCipher* cipher) = 0;
  virtual StatusCode GetRandom(void* out, uint32_t length) = 0;
  virtual uint32_t GetRandomBelow(uint32_t n) = 0;
};

struct IPassword : IBase {
  virtual StatusCode SetPassword(IBlockCipher* cipher, const void* password, uint32_t length) = 0;
  virtual uint32_t EstimateQuality(const void* password, uint32_t length, uint32_t divisor) = 0;
  // Makes exactly `length` alphabet characters in out (not NUL-terminated).
  virtual StatusCode PasswordFromSeed(const char* seed, uint32_t length, char* out) = 0;
  virtual StatusCode RandomPassword(uint32_t length, char* out) = 0;
};

#ifndef ZK_ISTREAMPROCESSOR_DECLARED
#define ZK_ISTREAMPROCESSOR_DECLARED
struct IStreamProcessor : IBase {
  virtual StatusCode SetStream(IStream* stream) = 0;
};
#endif

}  // namespace zk

// The desktop program may feed the mouse cursor's screen position into the
// entropy samples (zero when nobody does). Found with dlsym in zk5cipher.so.
extern "C" ZK_EXPORT void zk5cipher_SetCursorPosition(int32_t x, int32_t y);
