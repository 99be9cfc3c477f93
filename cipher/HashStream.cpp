// hash.HashStream: feeds the rest of a stream through the attached hash, in
// chunks of 16 digests read into a stack buffer. A read that fails or
// returns nothing ends the input.
#include <cstring>

#include "BlockCommon.h"

namespace zk::cipher {
namespace {

class HashStreamObject final : public ToolkitObject<HashStreamObject, IHashStream> {
 public:
  static constexpr const char* kClassId = id::HashHashStream;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoIHashStream, 0}};

  ~HashStreamObject() { ReleaseAndNull(hash_); }

  StatusCode SetHash(IBase* hash) override {
    if (hash && hash == static_cast<IBase*>(hash_)) return kOk;
    IHash* next = nullptr;
    if (hash) {
      void* face = nullptr;
      if (hash->QueryInterface(id::CryptoIHash, &face) == kOk) next = static_cast<IHash*>(face);
    }
    ReleaseAndNull(hash_);
    hash_ = next;
    return kOk;
  }

  StatusCode HashStream(IStream* stream, void* out, uint32_t outSize) override {
    if (!stream) return kInvalidArg;
    ZK_REQUIRE(hash_, id::CryptoIHash);
    uint8_t chunk[kMaxChunk];
    uint32_t size = 16 * hash_->GetDigestSize();
    if (size == 0 || size > kMaxChunk) size = kMaxChunk;
    StatusCode st = hash_->Init();
    if (st != kOk) return st;
    for (;;) {
      uint32_t got = 0;
      if (stream->Read(chunk, size, &got) != kOk || got == 0) break;
      st = hash_->Update(chunk, got > size ? size : got);
      if (st != kOk) {
        Wipe(chunk, size);
        return st;
      }
    }
    Wipe(chunk, size);
    return hash_->Final(out, outSize);
  }

 private:
  // 16 digests of the largest size a hash of this library gives.
  static constexpr uint32_t kMaxChunk = 16 * 32;
  IHash* hash_ = nullptr;
};

}  // namespace
}  // namespace zk::cipher

using HashStreamClass = zk::cipher::HashStreamObject;
ZK_REGISTER_CLASS(HashStreamClass)
