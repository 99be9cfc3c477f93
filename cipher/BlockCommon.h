// Helpers shared by the block ciphers and hashes of zk5cipher: rotations
// and the common frame of a block-cipher class (byte order and wiping come
// from ByteOrder.h and Wipe.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ByteOrder.h"
#include "ToolkitObject.h"
#include "Wipe.h"
#include "zk5BlockCipher.h"

namespace zk::cipher {

inline uint32_t Rotl32(uint32_t v, unsigned n) {
  n &= 31;
  return (v << n) | (v >> ((32 - n) & 31));
}
inline uint32_t Rotr32(uint32_t v, unsigned n) {
  n &= 31;
  return (v >> n) | (v << ((32 - n) & 31));
}

// What a block cipher is, as its frame needs it: the block size and the
// smallest and largest key in bytes, and whether a missing buffer with a
// non-zero length answers -2 (otherwise nothing is done and 0 comes back).
struct BlockCipherShape {
  uint32_t blockSize;
  uint32_t minKeySize;
  uint32_t maxKeySize;
  bool nullBufferFails;
};

// The frame every block cipher shares: sizes, the whole-block loops of
// EncryptBlocks/DecryptBlocks over Self::EncryptBlock/DecryptBlock, and a
// schedule wiped at destruction. A class gives its shape as a named
// constant with every field named (kBlowfishShape in Blowfish.cpp).
template <class Self, BlockCipherShape kShape>
class BlockCipherBase : public ToolkitObject<Self, IBlockCipher> {
  static constexpr uint32_t kBlock = kShape.blockSize;

 public:
  uint32_t GetBlockSize() override { return kBlock; }
  uint32_t GetMinKeySize() override { return kShape.minKeySize; }
  uint32_t GetMaxKeySize() override { return kShape.maxKeySize; }

  StatusCode EncryptBlocks(void* buffer, uint32_t length) override {
    if (length == 0) return kOk;
    if (!buffer) return kShape.nullBufferFails ? kInvalidArg : kOk;
    static_cast<Self*>(this)->EncryptMany(static_cast<uint8_t*>(buffer), length / kBlock);
    return kOk;
  }
  StatusCode DecryptBlocks(void* buffer, uint32_t length) override {
    if (length == 0) return kOk;
    if (!buffer) return kShape.nullBufferFails ? kInvalidArg : kOk;
    static_cast<Self*>(this)->DecryptMany(static_cast<uint8_t*>(buffer), length / kBlock);
    return kOk;
  }

  // Block loops. A class that defines kAbreast and
  // template <int kBlocks, bool kDecrypt> void Crypt(uint8_t*) gets kAbreast
  // blocks worked together per call while enough remain (independent
  // chains keep the processor busy), then single blocks; otherwise its
  // EncryptBlock / DecryptBlock run one block at a time. A class may also
  // replace these loops.
  void EncryptMany(uint8_t* p, uint32_t blocks) { Many<false>(p, blocks); }
  void DecryptMany(uint8_t* p, uint32_t blocks) { Many<true>(p, blocks); }

 private:
  template <bool kDecrypt>
  void Many(uint8_t* p, uint32_t blocks) {
    Self* self = static_cast<Self*>(this);
    if constexpr (requires { Self::kAbreast; }) {
      constexpr uint32_t n = Self::kAbreast;
      for (; blocks >= n; blocks -= n, p += n * kBlock) self->template Crypt<n, kDecrypt>(p);
      for (; blocks; --blocks, p += kBlock) self->template Crypt<1, kDecrypt>(p);
    } else {
      for (; blocks; --blocks, p += kBlock) {
        if constexpr (kDecrypt)
          self->DecryptBlock(p);
        else
          self->EncryptBlock(p);
      }
    }
  }

 protected:
  ~BlockCipherBase() = default;
};

}  // namespace zk::cipher
