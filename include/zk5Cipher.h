// Interfaces of zk5cipher's cipher modes, encrypting file streams, entropy
// pool and password keys: crypto.ICipher, crypto.ICipherStream,
// crypto.ICipherFileStream, crypto.ISeekCipherOFB, crypto.ICipherEntropy and
// crypto.IPassword; also stream.IStreamProcessor (served by opgp.Radix64).
// Block ciphers and hashes (crypto.IBlockCipher, crypto.IHash) are declared
// in zk5BlockCipher.h.
//
// Each operation says what it returns and the codes it fails with (names
// of zk5Status.h). An object used before its block cipher or stream is set
// takes the fatal stop (kNullPointer) where the line says "needs".
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
  // Holds the block cipher in a mode with the initial vector (a shorter one
  // is zero-filled); kInvalidArg null cipher, unknown mode or an unusable
  // block size, kNoInterface, kNoMemory (the object stays as it was).
  virtual StatusCode SetBlockCipher(IBlockCipher* cipher, int32_t mode, const void* iv,
                                    uint32_t ivLength) = 0;
  // Loads a new initial vector; always kOk.
  virtual StatusCode ResetIV(const void* iv, uint32_t ivLength) = 0;
  // Encrypts in place (ECB and CBC whole blocks only; nothing without a
  // block cipher); kOk, or the block cipher's error.
  virtual StatusCode Encrypt(void* buffer, uint32_t length) = 0;
  // Encrypts all of in to out; needs the block cipher; kInvalidArg null
  // stream, kNoMemory, or out's write error.
  virtual StatusCode EncryptStream(IStream* in, IStream* out) = 0;
  // Decrypts in place, as Encrypt.
  virtual StatusCode Decrypt(void* buffer, uint32_t length) = 0;
  // Decrypts all of in to out, as EncryptStream.
  virtual StatusCode DecryptStream(IStream* in, IStream* out) = 0;
};

// The cipher object as a stream.IStream over another stream: reads
// decrypt, writes encrypt (both need the block cipher and the stream).
struct ICipherStream : IBase {
  // Holds stream (null lets go); always kOk.
  virtual StatusCode SetStream(IStream* stream) = 0;
};

struct ICipherFileStream : IBase {
  // Binds the file stream and a fresh cipher object on blockCipher; the
  // vector, when given, must be one block (kInvalidArg otherwise). Fails
  // kInvalidArg null stream, kNoInterface, kNoMemory, or SetBlockCipher's
  // codes; the stream is not to be used then.
  virtual StatusCode Attach(IFileStrem* fileStream, IBlockCipher* blockCipher, const void* iv,
                            uint32_t ivLength) = 0;
};

struct ISeekCipherOFB : IBase {
  // Moves the OFB key stream length bytes on; kInvalidArg when not in OFB
  // mode or without a block cipher, or the block cipher's error.
  virtual StatusCode SkipForward(uint32_t length) = 0;
  // Moves it length bytes back; as SkipForward.
  virtual StatusCode SkipBackward(uint32_t length) = 0;
};

struct ICipherEntropy : IBase {
  // Whitens the pool's bytes with cipher from now on, keyed from the pool;
  // kInvalidArg null cipher or a key too small, kNoMemory, or the cipher's
  // errors.
  virtual StatusCode SetCipher(IBlockCipher* cipher) = 0;
  // Fills out with random bytes; kInvalidArg null out (length > 0).
  virtual StatusCode GetRandom(void* out, uint32_t length) = 0;
  // A uniform value below n (not a status code; 0 for n < 2 or a failed
  // draw).
  virtual uint32_t GetRandomBelow(uint32_t n) = 0;
};

struct IPassword : IBase {
  // Keys cipher from the password (zero-filled to the smallest key, hashed
  // down when longer than the largest); kInvalidArg null cipher or
  // password, kNotExecuted no digest fits the key, kNoMemory, or the
  // cipher's SetKey error.
  virtual StatusCode SetPassword(IBlockCipher* cipher, const void* password, uint32_t length) = 0;
  // The quality figure, distinct bytes times the weight of the character
  // classes over divisor (not a status code; 0 for an empty password or a
  // divisor 0).
  virtual uint32_t EstimateQuality(const void* password, uint32_t length, uint32_t divisor) = 0;
  // Makes exactly `length` alphabet characters in out (not NUL-terminated)
  // from seed; kInvalidArg null argument or length 0, kNotFound when the
  // IDEA or cipher class is missing.
  virtual StatusCode PasswordFromSeed(const char* seed, uint32_t length, char* out) = 0;
  // Makes `length` random alphabet characters in out; kInvalidArg, kNotFound
  // when the entropy or Blowfish class is missing, or their errors.
  virtual StatusCode RandomPassword(uint32_t length, char* out) = 0;
};

#ifndef ZK_ISTREAMPROCESSOR_DECLARED
#define ZK_ISTREAMPROCESSOR_DECLARED
// opgp.Radix64: reads and writes Radix-64 text over another stream.
struct IStreamProcessor : IBase {
  // Finishes the text on the old stream and holds stream (null lets go);
  // kOk, kNoMemory, or the new stream's interface error.
  virtual StatusCode SetStream(IStream* stream) = 0;
};
#endif

}  // namespace zk

// The desktop program may feed the mouse cursor's screen position into the
// entropy samples (zero when nobody does). Found with dlsym in zk5cipher.so.
extern "C" ZK_EXPORT void zk5cipher_SetCursorPosition(int32_t x, int32_t y);
