// Test helpers of the cipher-mode, file-stream, Radix-64, password and
// entropy tests (their in-memory file stream is zktest::FakeStream): a tiny
// keyed block cipher of any block size, and the feedback modes done literally.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FakeStream.h"
#include "ModesFaces.h"
#include "StreamCopy.h"
#include "ToolkitObject.h"

namespace ciphertest {

// A keyed toy cipher of block size n (invertible, not secure): XOR with the
// key, add each byte into the next, rotate the block by one byte and each
// byte by three bits. Counts its block encryptions.
class ToyCipher final : public zk::ToolkitObject<ToyCipher, zk::IBlockCipher> {
 public:
  static constexpr const char* kClassId = "test.ToyCipher";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::CryptoIBlockCipher, 0}};
  uint32_t n = 8, minKey = 1, maxKey = 16;
  std::vector<uint8_t> key = std::vector<uint8_t>(32, 0x5A);
  std::vector<uint8_t> lastKey;
  std::vector<std::vector<uint8_t>> inputs;  // every block given to EncryptBlocks, when recording
  bool record = false;
  int encrypted = 0, decrypted = 0;
  StatusCode failWith = 0;

  static ToyCipher* Make(uint32_t blockSize) {
    ToyCipher* c = Create();
    c->n = blockSize;
    for (uint32_t i = 0; i < 32; ++i) c->key[i] = uint8_t(0x3C + 7 * i);
    return c;
  }
  uint32_t GetBlockSize() override { return n; }
  uint32_t GetMinKeySize() override { return minKey; }
  uint32_t GetMaxKeySize() override { return maxKey; }
  StatusCode SetKey(const void* k, uint32_t length) override {
    if (!k || length == 0) return zk::kInvalidArg;
    lastKey.assign(static_cast<const uint8_t*>(k), static_cast<const uint8_t*>(k) + length);
    for (uint32_t i = 0; i < 32; ++i) key[i] = lastKey[i % length] ^ uint8_t(i);
    return zk::kOk;
  }
  StatusCode EncryptBlocks(void* buffer, uint32_t length) override {
    if (failWith) return failWith;
    uint8_t* p = static_cast<uint8_t*>(buffer);
    for (uint32_t b = 0; b + n <= length; b += n, ++encrypted) {
      if (record) inputs.emplace_back(p + b, p + b + n);
      Enc(p + b);
    }
    return zk::kOk;
  }
  StatusCode DecryptBlocks(void* buffer, uint32_t length) override {
    if (failWith) return failWith;
    uint8_t* p = static_cast<uint8_t*>(buffer);
    for (uint32_t b = 0; b + n <= length; b += n, ++decrypted) Dec(p + b);
    return zk::kOk;
  }

 private:
  static uint8_t Rol(uint8_t v) { return uint8_t(v << 3 | v >> 5); }
  static uint8_t Ror(uint8_t v) { return uint8_t(v >> 3 | v << 5); }
  void Enc(uint8_t* b) {
    for (int round = 0; round < 3; ++round) {
      for (uint32_t i = 0; i < n; ++i) b[i] ^= key[(i + round * 5) % 32];
      for (uint32_t i = 1; i < n; ++i) b[i] = uint8_t(b[i] + b[i - 1]);
      uint8_t last = b[n - 1];
      std::memmove(b + 1, b, n - 1);
      b[0] = last;
      for (uint32_t i = 0; i < n; ++i) b[i] = Rol(b[i]);
    }
  }
  void Dec(uint8_t* b) {
    for (int round = 2; round >= 0; --round) {
      for (uint32_t i = 0; i < n; ++i) b[i] = Ror(b[i]);
      uint8_t first = b[0];
      std::memmove(b, b + 1, n - 1);
      b[n - 1] = first;
      for (uint32_t i = n - 1; i >= 1; --i) b[i] = uint8_t(b[i] - b[i - 1]);
      for (uint32_t i = 0; i < n; ++i) b[i] ^= key[(i + round * 5) % 32];
    }
  }
};

// The feedback modes done literally: the whole register shifted per byte.
struct LiteralModes {
  zk::IBlockCipher* bc;
  int mode;
  uint32_t n, c;
  std::vector<uint8_t> R;
  LiteralModes(zk::IBlockCipher* b, int m, const std::vector<uint8_t>& iv) : bc(b), mode(m) {
    n = b->GetBlockSize();
    R.assign(n, 0);
    for (uint32_t i = 0; i < n; ++i) {
      ShiftUp();
      if (i < iv.size()) R[0] = iv[i];
    }
    c = n;
  }
  void ShiftUp() {
    for (uint32_t k = n - 1; k >= 1; --k) R[k] = R[k - 1];
    R[0] = 0;
  }
  void Run(std::vector<uint8_t>& data, bool encrypt) {
    for (uint8_t& b : data) {
      if (c >= n) {
        bc->EncryptBlocks(R.data(), n);
        c = 0;
      }
      uint8_t k = R[n - 1];
      ShiftUp();
      uint8_t out = uint8_t(b ^ k);
      R[0] = mode == 3 ? k : encrypt ? out : b;
      b = out;
      ++c;
    }
  }
};

inline std::vector<uint8_t> Bytes(const char* s) {
  return std::vector<uint8_t>(s, s + std::strlen(s));
}

}  // namespace ciphertest
