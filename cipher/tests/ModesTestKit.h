// Test helpers of the cipher-mode, file-stream, Radix-64, password and
// entropy tests: an in-memory file stream, a tiny keyed block cipher of any
// block size, and the feedback modes done literally.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ModesFaces.h"
#include "StreamCopy.h"
#include "ToolkitObject.h"

namespace kit {

// A file stream over a byte vector; can be told to fail reads or writes and
// to hand out at most `chunk` bytes per Read.
class MemFile final : public zk::ToolkitObject<MemFile, zk::IFileStrem> {
 public:
  static constexpr const char* kClassId = "test.MemFile";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::StreamIFileStrem, 0},
                                                      {zk::id::StreamIStream, 0}};
  std::vector<uint8_t> data;
  uint64_t pos = 0;
  uint32_t chunk = 0xFFFFFFFFu;
  bool failRead = false, failWrite = false;
  int reads = 0, writes = 0, closes = 0;

  StatusCode IsEnd() override { return pos >= data.size() ? zk::kEndOfStream : zk::kOk; }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* got) override {
    if (!buffer) return zk::kInvalidArg;
    ++reads;
    if (failRead) return zk::kReadError;
    uint64_t n = pos < data.size() ? std::min<uint64_t>({size, data.size() - pos, chunk}) : 0;
    if (n) std::memcpy(buffer, data.data() + pos, n);
    pos += n;
    if (got) *got = uint32_t(n);
    return zk::kOk;
  }
  StatusCode Write(const void* d, uint32_t length) override {
    if (!d) return zk::kInvalidArg;
    ++writes;
    if (failWrite) return zk::kWriteError;
    if (data.size() < pos + length) data.resize(pos + length);
    if (length) std::memcpy(data.data() + pos, d, length);
    pos += length;
    return zk::kOk;
  }
  StatusCode Close() override { ++closes; return zk::kOk; }
  StatusCode CopyFrom(zk::IStream* s, uint64_t count) override { return zk::CopyStream(this, s, count); }
  StatusCode Commit() override { return zk::kOk; }
  StatusCode GetSize(uint64_t* out) override { if (!out) return zk::kInvalidArg; *out = data.size(); return zk::kOk; }
  StatusCode GetPosition(uint64_t* out) override { if (!out) return zk::kInvalidArg; *out = pos; return zk::kOk; }
  StatusCode Seek(int64_t offset, int32_t origin) override {
    int64_t base = origin == zk::kSeekSet ? 0 : origin == zk::kSeekCur ? int64_t(pos) : int64_t(data.size());
    int64_t p = base + offset;
    if (p < 0) return zk::kInvalidArg;
    pos = uint64_t(p);
    return zk::kOk;
  }
  StatusCode SetEnd() override { data.resize(pos); return zk::kOk; }
};

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

}  // namespace kit
