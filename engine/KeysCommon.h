// Pieces shared by the key storage sources: holding runtime blocks, the
// clock of key and signature files, the end of a short file, writing a file
// beside its final name, the cipher stream at byte 10 and the key hashes.
// The stream helpers themselves are the engine's common ones
// (EngineCommon.h).
#pragma once
#include <cstdint>
#include <functional>

#include "zk5BlockCipher.h"
#include "zk5Stream.h"
#include "ToolkitObject.h"
#include "Wipe.h"
#include "EngineCommon.h"
#include "EngineTables.h"

namespace zk::engine {

using ::StatusCode;

// A runtime block (zk_malloc), wiped and freed at scope end.
template <class T>
struct RuntimeBlock {
  T* p = nullptr;
  uint32_t bytes = 0;  // bytes to wipe
  RuntimeBlock() = default;
  RuntimeBlock(const RuntimeBlock&) = delete;
  RuntimeBlock& operator=(const RuntimeBlock&) = delete;
  ~RuntimeBlock() { Reset(); }
  void Reset() {
    if (p) {
      zk::Wipe(p, bytes);
      zk_free(p);
    }
    p = nullptr;
    bytes = 0;
  }
};

// The clock of key storage, key and signature files: the engine's clock
// (tests fix it). The mask of a file prefix is its low 16 bits.
inline uint32_t KeyClock() { return Now(); }

// Applied to ReadFully's answer: a key storage, key or signature file that
// ends before a read is done is damaged (kInvalidFormat), also when its
// stream answers the end as an error (kEndOfStream) instead of delivering
// nothing.
inline StatusCode EndIsDamage(StatusCode st) { return st == zk::kEndOfStream ? zk::kInvalidFormat : st; }

// Writes a file beside `path`, lets `fill` write it, flushes it and renames
// it over `path`. On any failure the sibling is removed and `path` stays as
// it was.
StatusCode WriteBeside(zk::IFileSystem* fs, const char* path,
                       const std::function<StatusCode(zk::IFileStrem*)>& fill);

// Attaches a cipher.FileStreamCFB with no iv at offset 0 of `file` and
// positions it at byte 10 by its own Seek, so that the feedback register
// is the one the 10 stored prefix bytes give.
inline StatusCode AttachAtTen(zk::IFileStrem* file, zk::IBlockCipher* cipher, zk::IFileStrem** out) {
  return AttachCipher(file, cipher, nullptr, 0, 10, out);
}

// Creates the hash of a HashIndex 1..4 (MD5, SHA, SHA32, GOST); -2 otherwise.
StatusCode MakeKeyHash(uint32_t hashIndex, zk::IHash** out);

// Digests the rest of a stream with `hash` (started afresh, HashRest's
// loop) into a zeroed 32-byte buffer. Callers run it under Guard.
StatusCode DigestRest(zk::IHash* hash, zk::IStream* stream, uint8_t digest[32]);

}  // namespace zk::engine
