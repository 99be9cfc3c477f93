// The block-cipher and hash interfaces as this part of zk5cipher uses them:
// the shared header when it is present, else the same declarations here.
#pragma once
#include "zk5Cipher.h"

#if __has_include("zk5BlockCipher.h")
#include "zk5BlockCipher.h"
#else
namespace zk {
struct IBlockCipher : IBase {
  virtual uint32_t GetBlockSize() = 0;
  virtual uint32_t GetMinKeySize() = 0;
  virtual uint32_t GetMaxKeySize() = 0;
  virtual StatusCode SetKey(const void* key, uint32_t length) = 0;
  virtual StatusCode EncryptBlocks(void* buffer, uint32_t length) = 0;
  virtual StatusCode DecryptBlocks(void* buffer, uint32_t length) = 0;
};
struct IHash : IBase {
  virtual uint32_t GetDigestSize() = 0;
  virtual uint32_t GetBlockSize() = 0;
  virtual StatusCode Init() = 0;
  virtual StatusCode Update(const void* data, uint32_t length) = 0;
  virtual StatusCode Final(void* out, uint32_t outSize) = 0;
};
struct ICipherHash : IBase {
  virtual StatusCode SetBlockCipher(IBlockCipher* cipher, int32_t kind) = 0;
};
}  // namespace zk
#endif
